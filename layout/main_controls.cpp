// The main window's controls: creation from the control table, lookup by control id, captions.
#include "layout/main_controls.h"

#include <iostream>

#include "app/main_window.h"
#include "controls/group_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"
#include "layout/button_styles.h"
#include "layout/control_table.h"
#include "resources/string_table.h"

namespace {

std::unique_ptr<ControlFrame> Construct(ControlClass kind, MainWindow& owner) {
  switch (kind) {
    case ControlClass::Image:
      return std::make_unique<AImageButton>(owner);
    case ControlClass::Group:
      return std::make_unique<GroupButton>(owner);
    case ControlClass::Slider:
      return std::make_unique<StickButton>(owner);
    case ControlClass::SettingsPanel:
      return std::make_unique<StickButtonMod>(owner);
    case ControlClass::List:
      return std::make_unique<MenuButtton>(owner);
  }
  return nullptr;
}

// The class's own set-up after the window exists.
void SetUp(ControlFrame& control, const ControlRow& row, const MainWindow& window) {
  const ScreenMetrics& m = window.Metrics;
  switch (row.Class) {
    case ControlClass::Image: {
      auto& b = static_cast<AImageButton&>(control);
      b.Setup(row.FirstText, row.ControlId, row.LayoutStyle, row.Bitmap, row.Caption);
      ApplyCreationStyle(b, row.Family, m);
      break;
    }
    case ControlClass::Group:
      static_cast<GroupButton&>(control).Setup(row.FirstText, row.ControlId, row.LayoutStyle, false, 0, 0);
      break;
    case ControlClass::Slider:
      control.SetControlId(row.ControlId);
      if (row.ControlId != 75008) {
        auto& slider = static_cast<StickButton&>(control);
        slider.SetRange(0, 10);
        slider.SetBrightness(StickButton::kDimmest);
      }
      break;
    case ControlClass::SettingsPanel: {
      auto& panel = static_cast<StickButtonMod&>(control);
      panel.Setup(2, row.ControlId, 4);
      panel.SetRangeA(10, 50, 1);
      panel.BringToTop();
      break;
    }
    case ControlClass::List: {
      // Placeholder rows; the menu fillers replace them before a list is shown.
      static const std::array<MenuItemInit, 4> kItems = {{{"DEV 1", 0, 0}, {"DEV 2", 0, 0}, {"DEV 3", 0, 1},
                                                          {"AUTO", 0, 0}}};
      auto& list = static_cast<MenuButtton&>(control);
      list.SetControlId(row.ControlId);
      list.SetItems(kItems, 4, row.LayoutStyle, row.ControlId);
      list.Size = m.UiScale;
      if (list.RowHeight == 0) list.RowHeight = static_cast<std::int32_t>(32.0 * m.ScaleY);
      break;
    }
  }
}

}  // namespace

ControlFrame* FindMainControl(const platform::HostWindow& host, std::int32_t id) {
  for (platform::Control* control : host.Controls()) {
    if (control->Id() == id) return dynamic_cast<ControlFrame*>(control);
  }
  return nullptr;
}

AImageButton* FindImageButton(const platform::HostWindow& host, std::int32_t id) {
  return dynamic_cast<AImageButton*>(FindMainControl(host, id));
}

void CreateMainControls(MainWindow& window) {
  MainControls& c = window.Controls;
  platform::HostWindow& host = window.Window();
  const std::span<const ControlRow> table = MainControlTable();
  const std::vector<platform::WindowRect> rects = CreationRects(window.Metrics);
  c.Owned.clear();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const ControlRow& row = table[i];
    std::unique_ptr<ControlFrame> control = Construct(row.Class, window);
    if (!control->Create(host, RegistryId(row), rects[i])) {
      // Every call on a control without a window does nothing; the other rows go on.
      std::clog << "control " << row.ControlId << " (window " << row.WindowId << ") was not created\n";
    } else {
      SetUp(*control, row, window);
    }
    // The client rectangle once the top bar exists.
    if (row.ControlId == 75186) window.ClientArea = host.ClientRect();
    c.Owned.push_back(std::move(control));
  }
  for (std::size_t k = 0; k < 4; ++k) {
    const auto n = static_cast<std::int32_t>(k);
    c.SensorButtons[k] = FindImageButton(host, 75163 + n);
    c.ChannelButtons[k] = FindImageButton(host, 75038 + n);
    c.ChannelOptionButtons[k] = FindImageButton(host, 75181 + n);
  }
  c.ChannelButtons[4] = FindImageButton(host, 75042);
  LoadLanguageCaptions(window);
}

void LoadLanguageCaptions(MainWindow& window) {
  struct CaptionString {
    std::int32_t Id;
    int String;
  };
  static constexpr std::array<CaptionString, 11> kCaptions = {{{75004, 132},
                                                               {75013, 136},
                                                               {75186, 169},
                                                               {75052, 137},
                                                               {75012, 139},
                                                               {75010, 140},
                                                               {75011, 134},
                                                               {75172, 171},
                                                               {75171, 172},
                                                               {75173, 176},
                                                               {75185, 175}}};
  const std::uint16_t language = window.UiLanguage;
  const bool recording = window.View && window.View->Recording.load() != 0;
  for (const CaptionString& entry : kCaptions) {
    AImageButton* button = FindImageButton(window.Window(), entry.Id);
    if (button == nullptr) continue;
    int string = entry.String;
    if (entry.Id == 75004 && recording) string = 133;
    // The sensor list caption keeps saying that no sensor was found once it does.
    if (entry.Id == 75171 && button->Caption() != LoadString(172, kLanguageRussian) &&
        button->Caption() != LoadString(172, kLanguageEnglish)) {
      string = 173;
    }
    // So does the sensor menu's caption on the measurement screen.
    if (entry.Id == 75011 && (button->Caption() == LoadString(kStringNoSensorsShort, kLanguageRussian) ||
                              button->Caption() == LoadString(kStringNoSensorsShort, kLanguageEnglish))) {
      string = kStringNoSensorsShort;
    }
    button->SetStateAndCaption(button->State, std::string(LoadString(string, language)), true);
  }
  ApplyLanguageSizes(window);
}

void ApplyLanguageSizes(MainWindow& window) {
  const ScreenMetrics& m = window.Metrics;
  const bool english = window.UiLanguage == kLanguageEnglish;
  const float u = m.UiScale;
  const auto button = [&](std::int32_t id) { return FindImageButton(window.Window(), id); };
  if (AImageButton* b = button(75004)) {
    b->AlignMode = english ? 23 : 2;
    if (!english) b->LayoutStyle = 2;
  }
  if (AImageButton* b = button(75013)) b->BaseTextScale = english ? u * 0.9 : u;
  if (AImageButton* b = button(75052)) {
    if (english) {
      b->BaseTextScale = u;
      b->AlignMode = 2;
    } else {
      const bool wide = m.AspectRatio >= 1.5f;
      b->BaseTextScale = u * 0.85;
      b->ZoomFactor = wide ? 0.1f : 0.2f;
      b->AlignMode = wide ? 21 : 10;
    }
  }
  if (AImageButton* b = button(75011)) b->AlignMode = english ? 2 : 1;
  if (AImageButton* b = button(75172)) {
    if (english) {
      b->TextX = 0.15f;
      b->AlignMode = 0;
      b->LayoutStyle = 6;
      b->TextY = 0.3f;
      b->BaseTextScale = u * 1.2;
    } else {
      b->AlignMode = 2;
      b->LayoutStyle = 0;
      b->BaseTextScale = u;
    }
  }
  if (AImageButton* b = button(75185)) {
    b->AlignMode = 0;
    b->LayoutStyle = 6;
    if (english) {
      b->BaseTextScale = u * 1.2;
      b->TextX = 0.22f;
      b->TextY = m.WideScreen ? 0.15f : 0.22f;
    } else {
      const bool wide = m.AspectRatio > 1.5f;
      b->BaseTextScale = u;
      b->TextX = wide ? 0.195f : 0.15f;
      b->TextY = wide ? 0.2f : 0.25f;
    }
  }
}

void HideAllImageButtons(MainWindow& window) {
  for (const auto& control : window.Controls.Owned) {
    if (auto* button = dynamic_cast<AImageButton*>(control.get())) button->Hide();
  }
}
