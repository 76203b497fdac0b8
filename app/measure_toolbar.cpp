// The measurement toolbar's commands beyond entering and leaving: scales, rate, menus, channels, panels.
#include "app/measure_toolbar.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "acquisition/worker_threads.h"
#include "app/main_window.h"
#include "app/hint_window.h"
#include "app/measure_menus.h"
#include "channels/device_slot.h"
#include "channels/vessamor_channel.h"
#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "layout/sensor_settings.h"
#include "records/record_commands.h"
#include "resources/string_table.h"

std::uint32_t RateFromSlider(float kilohertz) {
  const double hertz = std::isfinite(kilohertz) ? std::round(static_cast<double>(kilohertz) * 1000.0) : 0.0;
  return static_cast<std::uint32_t>(std::clamp(hertz, static_cast<double>(kLowestSliderRate), 4.0e9));
}

float ClampScale(float value, float limit, float smallest_step) {
  const float floor = limit > 0.0f ? limit : smallest_step;
  return !(value >= floor) ? floor : value;
}

float SmallestStep(std::span<const float> steps) {
  float smallest = 0.0f;
  for (float step : steps) {
    if (step > 0.0f && (smallest == 0.0f || step < smallest)) smallest = step;
  }
  return smallest;
}

std::uint8_t CountRecordButtons(const DeviceSlot& slot, std::span<const VessamorChannel* const> references,
                                bool record_loaded) {
  std::uint32_t count = 0;
  if (record_loaded) {
    for (const VessamorChannel* channel : slot.Channels) {
      if (channel == nullptr) continue;
      for (const VessamorChannel* reference : references) {
        if (reference != nullptr && reference->ChannelIndex == channel->ChannelIndex && reference->SavedShown != 0) ++count;
      }
    }
  } else {
    count = slot.CountActiveChannels();
  }
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(count, 4));
}

namespace {

constexpr std::int32_t kRecordButtons[] = {75017, 75022, 75027, 75032};

void PopUp(AImageButton* button) {
  if (button == nullptr) return;
  button->State = ControlFrame::kStateUp;
  button->ResetButtonState();
}

bool Down(const AImageButton* button) { return button != nullptr && button->State.load() == ControlFrame::kStateDown; }

// Overview and paging have nothing to move on an empty record: the user is told so, rather than
// the press doing nothing. True when the record is empty.
bool TellEmptyRecord(MainWindow& window, const GraphView& view) {
  if (view.RecordViewable != 0 || view.Recording.load() != 0) return false;
  window.Host().ShowMessage(window.EnglishUi() ? "The record is empty: there is nothing to show."
                                               : "Запись пуста: показывать нечего.",
                            LoadString(kStringTitle, window.UiLanguage));
  return true;
}

}  // namespace

void MainWindow::OnToolbarCommand(std::int32_t kind, std::int32_t item, std::int32_t control_id, GraphView& view) {
  AImageButton* button = FindImageButton(Window(), control_id);
  const auto release = [&] { ReleaseButtonsExcept(static_cast<std::uint32_t>(control_id), false); };
  switch (control_id) {
    case 74998:
      FilterPanelCommand(view);
      return;
    case 75001:
    case 75003:
      release();
      ScaleSliderCommand(control_id, view);
      return;
    case 75006:
      UpdateSensorRange(*this, 1);
      return;
    case 75008:
      RateSliderCommand(view);
      return;
    case 75009:
      MenuNotification(kind, item, view);
      return;
    case 75010:
      release();
      ApplyMenu(75010, FileMenuModel(EnglishUi(), view.Continuous != 0));
      return;
    case 75011:
      release();
      FillDeviceListMenu();
      return;
    case 75012:
      release();
      ApplyMenu(75012, ViewMenuModel(EnglishUi(), view.DisplayMode));
      return;
    case 75049:
      release();
      ApplyMenu(75049, SensorMenuModel(view.SensorCode));
      return;
    case 75051:
      release();
      ApplyMenu(75051, MarkerMenuModel(view.MarkerCount));
      return;
    case 75013:
      release();
      if (view.RecordViewable == 0) {
        PopUp(button);
        TellEmptyRecord(*this, view);
      } else if (Down(button)) {
        view.SaveViewHistory();
        view.AutoScrollView();
        view.SaveViewHistory();
      } else {
        view.StepViewHistory(false);
      }
      return;
    case 75014:
    case 75053:
      if (button != nullptr) button->State = ControlFrame::kStateUp;
      view.StepViewHistory(control_id == 75053);
      release();
      PopUp(button);
      return;
    case 75017:
    case 75022:
    case 75027:
    case 75032: {
      const auto k = static_cast<std::size_t>(std::find(std::begin(kRecordButtons), std::end(kRecordButtons), control_id) -
                                              std::begin(kRecordButtons));
      const DeviceSlot& slot = DeviceSlots[view.ViewDeviceSlot % DeviceSlots.size()];
      if (k > 0 && slot.CountActiveChannels() <= k) {
        PopUp(button);
      } else if (button != nullptr) {
        // A channel the unit supplies cannot be left out by a click: the button stays pressed.
        button->SetAnimation(2);
      }
      return;
    }
    case 75037:
      release();
      SensorSettingsCommand(button, view);
      return;
    case 75038:
    case 75039:
    case 75040:
    case 75041:
      ShowHideChannel(static_cast<std::size_t>(control_id - 75038), button, view);
      return;
    case 75043:
      release();
      ClosePanel();
      DeviceThreadState = 0;
      RedrawSettingsPanelArea(view);
      return;
    case 75045:
    case 75046:
      PopUp(button);
      if (TellEmptyRecord(*this, view)) return;
      if (control_id == 75045) {
        view.PageBack();
      } else {
        view.PageForward();
      }
      return;
    case 75052: {
      release();
      const bool down = Down(button);
      ScalePanelPressed = down ? 1 : 0;
      ShowScaleSliders(down);
      if (!down) view.FullRedraw = 1;
      InvalidateLocal(view.ViewRect);
      return;
    }
    case 75054:
      PopUp(button);
      Window().Minimise();
      return;
    case 75186:
      release();
      // Showing and hiding also set the window's help flag and rectangle.
      if (Down(button)) {
        Help.Show();
      } else {
        Help.Hide();
      }
      return;
    default:
      return;
  }
}

void MainWindow::ScaleSliderCommand(std::int32_t control_id, GraphView& view) {
  auto* slider = dynamic_cast<StickButton*>(FindControl(control_id));
  if (slider == nullptr) return;
  const bool time = control_id == 75001;
  const float current = static_cast<float>(time ? view.Scale.SecondsPerDivision : view.Scale.ValuePerDivision);
  const float limit = time ? view.TwoSamplePeriods() : view.ValueResolution(false);
  const StickScale& scale = slider->Scale();
  const auto segments = static_cast<std::size_t>(std::clamp(scale.Count - 1, 0, StickScale::kMaxBreakpoints));
  float v = slider->GetValue();
  const float clamped = ClampScale(v, limit, SmallestStep(std::span(scale.StepSizes).first(segments)));
  if (clamped != v) {
    v = clamped;
    slider->SetValue(v);
    if (view.History.Empty()) view.SaveViewHistory();
  } else if (v != current && view.History.Empty()) {
    view.SaveViewHistory();
  }
  const auto set = [&] { time ? view.SetTimeScale(v) : view.SetValueScale(v); };
  if (slider->Dragging()) {
    if (v != current) {
      CacheUpdateRequest = 3;
      set();
    }
    return;
  }
  if (v != current) {
    CacheUpdateRequest = 1;
    set();
  }
  view.SaveViewHistory();
}

void MainWindow::RateSliderCommand(GraphView& view) {
  auto* slider = dynamic_cast<StickButton*>(FindControl(75008));
  if (slider == nullptr) return;
  std::uint32_t remembered = view.RateSetting;
  const std::uint32_t asked = RateFromSlider(slider->GetValue());
  view.RateSetting = asked;
  view.RateChosen = 1;
  if (!view.ClampRateToDevices()) remembered = 0;
  if (view.RecordViewable == 0) view.RecordRate = view.RateSetting;
  if (view.RateSetting != remembered) {
    const DeviceSlot& slot = DeviceSlots[view.ViewDeviceSlot % DeviceSlots.size()];
    const bool fixed_rate = slot.InUse != 0 && std::any_of(slot.Channels.begin(), slot.Channels.end(), [](const VessamorChannel* c) {
                              return c != nullptr && c->NotchOn != 0;
                            });
    if (fixed_rate) {
      view.RateSetting = 1000;
      if (view.RecordViewable == 0) view.RecordRate = 1000;
    }
    slider->SetValue(static_cast<float>(view.RateSetting) / 1000.0f);
  }
  // The units would not take the rate asked (a fixed-rate channel, too many channels for it, or a
  // unit in use with no channel to record): the slider goes back, and the hint above it says why.
  // The release ends the drag: it says again what the drag was refused, as its own command has
  // just hidden the hint.
  const bool released = slider->State.load() == ControlFrame::kStateUp;
  if (view.RateSetting != asked) RateRefused = 1;
  if (view.RateSetting != asked || (released && RateRefused != 0)) {
    if (released) RateRefused = 0;
    if (auto* hint = FindImageButton(Window(), kHintWindowId)) {
      char line[96];
      std::snprintf(line, sizeof line, EnglishUi() ? "The sensors in use allow %u Hz"
                                                   : "Допустимая для датчиков частота: %u Гц",
                    view.RateSetting);
      const double u = Metrics.UiScale;
      const platform::WindowRect at = slider->Rect();
      const auto width = static_cast<std::int32_t>(CodePoints(line) * 9.0 * u * 1.1);
      const auto height = static_cast<std::int32_t>(36 * u);
      hint->SetStateAndCaption(hint->State.load(), line, true);
      hint->Move(platform::WindowRect::FromSize(at.left, std::max(0, at.top - height - static_cast<std::int32_t>(8 * u)),
                                                width, height));
      hint->BaseTextScale = u;
      ShowHint(5000);
    }
  }
  LastSliderCommand = 75008;
  // An empty view shows the new rate's time axis at once; a record keeps its own rate.
  if (view.RateSetting != remembered && view.RecordViewable == 0 && view.Recording.load() == 0) {
    std::lock_guard lock(view.ViewLock);
    view.RederiveTimeBase();
  }
  InvalidateLocal(view.ViewRect);
}

void MainWindow::MenuNotification(std::int32_t kind, std::int32_t item, GraphView& view) {
  auto* menu = dynamic_cast<MenuButtton*>(FindControl(75009));
  if (kind == 0) {
    records::SaveRange range;
    std::string title;
    records::RecordCommandContext context{view, host_, range, title, EnglishUi(), environment_.RecordFormats, {}};
    // A command of the list is the list's end: it closes, and File goes up, before any dialog or
    // message of the command shows over it. The cyclic row only ticks and the list stays.
    if (item >= 0 && item <= 3) CloseFileMenu();
    if (item == 0) {
      if (!SettleUnsavedRecord()) return;
      view.NewRecord();
      UnsavedRecord = 0;
    } else if (item == 1) {
      // A load that takes nothing leaves the record, and whether it is saved, as it was.
      if (!SettleUnsavedRecord()) return;
      if (records::OpenRecord(context)) UnsavedRecord = 0;
    } else if (item == 2 || item == 3) {  // without a record to save, the save says so
      if (item == 3) view.SaveSelection = 1;
      // A part of the record written leaves the record unsaved.
      if (records::SaveRecord(context) && item == 2) UnsavedRecord = 0;
    } else if (item == 4 && menu != nullptr) {
      view.Continuous = menu->Items[4].Checked != 0 ? 1 : 0;
    }
  } else if (kind == 3 && item == 3 && view.DisplayMode != 3) {
    GotoGraphScreen();
  } else if (kind == 4) {
    for (std::int32_t id : {75009, 50060}) {
      if (auto* list = dynamic_cast<MenuButtton*>(FindControl(id))) list->HideAndClear();
    }
  }
}

void MainWindow::ApplyMenu(std::int32_t button_id, const MenuModel& model) {
  AImageButton* button = FindImageButton(Window(), button_id);
  auto* menu = dynamic_cast<MenuButtton*>(FindControl(75009));
  if (menu == nullptr || button == nullptr || !Down(button) || CurrentView == nullptr || CurrentView->Recording.load() != 0) return;
  SensorSubMenuRow = -1;
  menu->Hide();
  menu->ClearItemStates();
  for (MenuButttonItem& row : menu->Items) row = MenuButttonItem{};
  if (model.Rows.empty()) return;
  const auto count = static_cast<int>(std::min<std::size_t>(model.Rows.size(), MenuButtton::kMaxItems));
  std::vector<MenuItemInit> init;
  for (const MenuRow& row : model.Rows) init.push_back({row.Caption, row.Marked, row.SeparatorAfter});
  menu->SetItems(std::span(init).first(std::min(count, 8)), count, model.Kind, 75009);
  if (count > 8) menu->SetItemList(std::span(init).subspan(8, static_cast<std::size_t>(count - 8)), count);
  for (int i = 0; i < count; ++i) {
    const MenuRow& row = model.Rows[static_cast<std::size_t>(i)];
    MenuButttonItem& item = menu->Items[static_cast<std::size_t>(i)];
    item.Checked = row.Marked != 0 ? 1 : 0;
    item.HoverNotify = row.HoverNotify;
    item.SecondText = row.SecondLine;
    item.TwoLine = row.SecondLine.empty() ? 0 : 1;
  }
  menu->Clickable = model.Clickable;
  const platform::WindowRect at = button->Rect();
  std::int32_t row_height = menu->RowHeight > 0 ? menu->RowHeight : static_cast<std::int32_t>(30 * ScaleY());
  // A row with a second caption line (a sensor's two name lines) needs the room of two.
  if (std::any_of(model.Rows.begin(), model.Rows.end(), [](const MenuRow& row) { return !row.SecondLine.empty(); })) {
    row_height *= 2;
  }
  menu->Move({at.left, at.bottom + 1, at.left + static_cast<std::int32_t>(ScaleX() * static_cast<float>(model.Width)),
              at.bottom + 1 + row_height * count + model.ExtraHeight});
  menu->Show();
}

void MainWindow::RebindAllSlots() {
  if (!SlotBinder || !Devices) return;
  std::lock_guard lock(Devices->TableLock);
  UnitList units{};
  for (std::size_t i = 0; i < units.size() && i < Devices->DeviceTable.size(); ++i) units[i] = Devices->DeviceTable[i].get();
  SlotBinder->RebindSlotDevices(units, 0);
}

void MainWindow::FillDeviceListMenu() {
  AImageButton* button = FindImageButton(Window(), 75011);
  if (!Down(button) || CurrentView == nullptr || CurrentView->Recording.load() != 0) return;
  // The worker stays paused while the list is read, and after: another command resumes it.
  WaitAcquisitionAck(false, *environment_.Clock);
  RebindAllSlots();
  ApplyMenu(75011, DeviceListMenuModel(DeviceSlots));
}

void MainWindow::SensorSettingsCommand(AImageButton* button, GraphView& view) {
  if (Down(button)) {
    WaitAcquisitionAck(false, *environment_.Clock);
    const bool units = ConnectedMask.load() != 0 && SlotBinder && SlotBinder->CountUsedSlots() != 0;
    if (!units) {
      PopUp(button);
      DeviceThreadState = 0;
      return;
    }
    view.FindViewDevice();
    const bool scale_down = Down(FindImageButton(Window(), 75052));
    if (scale_down) ShowScaleSliders(false);
    RebindAllSlots();
    ShowSensorSettings(*this);
  } else {
    DeviceThreadState = 0;
    ClosePanel();
    if (Down(FindImageButton(Window(), 75052))) ShowScaleSliders(true);
  }
  RedrawSettingsPanelArea(view);
}

void MainWindow::RedrawSettingsPanelArea(GraphView& view) {
  view.FullRedraw = 1;
  InvalidateLocal(PixelRect{SettingsPanelRect.Left, SettingsPanelRect.Top, SettingsPanelRect.Right, SettingsPanelRect.Bottom});
}

void MainWindow::ShowHideChannel(std::size_t k, AImageButton* button, GraphView& view) {
  if (k >= GraphView::kLiveChannels || !view.Channels[k]) return;
  VessamorChannel& channel = *view.Channels[k];
  const bool show = Down(button);
  if (view.DisplayMode == 4 && show) {
    if (channel.HasData == 0) {
      channel.Shown = 0;
      PopUp(button);
      return;
    }
    for (std::size_t i = 0; i < GraphView::kLiveChannels; ++i) {
      if (i == k || !view.Channels[i]) continue;
      view.Channels[i]->Shown = 0;
      PopUp(FindImageButton(Window(), 75038 + static_cast<std::int32_t>(i)));
    }
  }
  if (show) {
    channel.Shown = 1;
  } else {
    channel.Shown = 0;
    channel.UserHidden = 1;
  }
  if (channel.HasData == 0) return;
  if (view.DisplayMode == 2) view.TopPanelShown = 1;
  view.FullRedraw = 1;
  view.LayoutIndicatorStrips();
  if (view.Recording.load() == 0 && view.CountMarkedPoints() != 0) {
    CacheUpdateRequest = 1;
    MarkerRedraw = 1;
    InvalidateLocal();
  } else {
    InvalidateLocal(view.ViewRect);
  }
}

void MainWindow::UpdateChannelRecordButtons(std::uint8_t mode) {
  GraphView* view = CurrentView != nullptr ? CurrentView : View.get();
  std::array<AImageButton*, 4> buttons{};
  for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i] = FindImageButton(Window(), kRecordButtons[i]);
  if (mode == 1 || mode == 12) {
    std::uint8_t n = 0;
    if (view != nullptr) {
      std::array<const VessamorChannel*, GraphView::kLiveChannels> references{};
      for (std::size_t i = 0; i < references.size(); ++i) references[i] = view->ReferenceChannels[i].get();
      n = CountRecordButtons(DeviceSlots[view->ViewDeviceSlot % DeviceSlots.size()], references, view->LiveSetupKept != 0);
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      if (buttons[i] == nullptr) continue;
      // Each in its channel's colour, filled while the channel is recorded.
      if (view != nullptr) {
        const Rgba& c = view->Channel(i).Colour;
        buttons[i]->SetBaseColour(static_cast<std::uint32_t>(c.R) | static_cast<std::uint32_t>(c.G) << 8 |
                                  static_cast<std::uint32_t>(c.B) << 16);
        buttons[i]->ShadeByState = 2;
      }
      buttons[i]->State = i < n ? ControlFrame::kStateDown : ControlFrame::kStateUp;
      buttons[i]->Interactive = i < n ? 1 : 0;
    }
  }
  if (mode == 2 || mode == 12) {
    for (AImageButton* button : buttons) {
      if (button == nullptr) continue;
      const std::uint8_t pressable = button->Interactive;
      button->Interactive = 1;
      if (Down(button)) {
        button->SetAnimation(2);
      } else {
        button->ResetButtonState();
      }
      button->Interactive = pressable;
    }
  }
}
