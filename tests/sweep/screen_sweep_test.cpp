// The screen sweep: every screen of the window on the simulated bus, at common sizes in both languages, written to
// PNGs (<VESSAMOR_SWEEP_DIR>/<size>-<lang>/<screen>.png) and checked on what the window knows: texts inside their
// boxes, controls inside the client area and apart, buttons with bodies. VESSAMOR_SWEEP_SIZES ("1280x720,...")
// chooses the sizes; scripts/sweep.sh runs all five, the test run two.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "../app/app_test_support.h"
#include "../app/fast_clock.h"
#include "../app/page_hold.h"
#include "../app/side_panel_checks.h"
#include "acquisition/device_status.h"
#include "acquisition/worker_threads.h"
#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "controls/aimage_button.h"
#include "controls/menu_buttton.h"
#include "controls/stick_button.h"
#include "controls/stick_button_mod.h"
#include "info/start_page.h"
#include "layout/main_controls.h"
#include "platform/png_writer.h"
#include "sim/unit_list.h"

namespace {

using platform::WindowRect;

std::string Env(const char* name, std::string fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? value : fallback;
}

std::string Show(const WindowRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

bool Inside(const WindowRect& in, const WindowRect& out, int slack = 0) {
  return in.left >= out.left - slack && in.top >= out.top - slack && in.right <= out.right + slack &&
         in.bottom <= out.bottom + slack;
}

WindowRect Moved(const WindowRect& r, const WindowRect& by) { return {r.left + by.left, r.top + by.top, r.right + by.left, r.bottom + by.top}; }

// The measurement screen's top bar: "<--", File, Sensors, View, "Сенсоры", Help, minimise and close.
constexpr std::int32_t kTopBar[] = {75050, 75010, 75011, 75012, 75049, 75186, 75054, 75016};

std::string Show(const PixelRect& r) { return Show(WindowRect{r.Left, r.Top, r.Right, r.Bottom}); }

// Whether two rectangles come within `gap` pixels of each other.
bool Meet(const PixelRect& a, const PixelRect& b, int gap) {
  return a.Left < b.Right + gap && b.Left < a.Right + gap && a.Top < b.Bottom + gap && b.Top < a.Bottom + gap;
}

int Distance(platform::Colour p, int r, int g, int b) { return std::abs(p.r - r) + std::abs(p.g - g) + std::abs(p.b - b); }

struct Sweep {
  Sweep(int width, int height, bool english, const std::string& units) {
    dir = Env("VESSAMOR_SWEEP_DIR", std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/sweep") + "/" + std::to_string(width) + "x" +
          std::to_string(height) + (english ? "-en" : "-ru");
    std::filesystem::create_directories(dir);
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) {
      EXPECT_TRUE(sim::AttachUnit(bus, unit));
      ++count;
    }
    rig = std::make_unique<apptest::Rig>(width, height, true, 32, !english);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) { InstallPreparationSteps(created, parts = InstallStartScreenParts(created)); });
    for (int k = 0; k < 400 && (w.StartupInProgress != 0 || w.Panels[1]->ContentShown == 0); ++k) rig->Step(33);
    Until([&] { return std::all_of(w.SensorButtons.begin(), w.SensorButtons.begin() + count, [](auto& b) { return b.Unit != nullptr; }); });
    Settle(10);
  }
  ~Sweep() {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  MainWindow& W() { return *rig->window; }
  template <typename Done>
  void Until(Done done) {
    // A watchdog against hangs only: a busy machine may take its time.
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    bool met = done();
    while (!met && std::chrono::steady_clock::now() < watchdog) {
      rig->host.Pump(), std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met);
  }
  void Settle(int steps = 12) {
    rig->host.Pump();
    for (int k = 0; k < steps; ++k) rig->Step(33);
  }
  // A click as the button reports it: its state toggled, then the press.
  void Click(std::int32_t id) {
    ASSERT_TRUE(apptest::PressButton(W(), id)) << id;
  }
  void PaintAll() {
    W().StartScreenDirty = W().ForceFullPaint = 1;
    rig->host.Window().Invalidate();
    rig->host.Window().UpdateNow();
  }
  const platform::Surface& Shown() { return rig->host.Window().Pixels(); }

  // The picture and the checks of one screen.
  void Shot(const std::string& name) {
    SCOPED_TRACE(dir + "/" + name);
    MainWindow& w = W();
    rig->host.Window().UpdateNow();
    EXPECT_TRUE(platform::WritePng(Shown(), dir + "/" + name + ".png"));
    CheckControls(w);
    if (w.Bytes.InfoScreenActive.load() != 0) CheckStartScreen(w);
    if (w.Bytes.InfoScreenActive.load() != 0) CheckPanelPictures(w), CheckValueBoxes(w), CheckMenuMargin(w);
    if (w.Bytes.MeasureScreenActive.load() != 0) {
      // The time axis's name keeps a clear gap (six pixels) from the last time label.
      const PixelRect &label = w.View->LastTimeLabel, &time = w.View->TimeNameReach;
      EXPECT_TRUE(label.Right <= label.Left || time.Left >= label.Right + 6 || time.Top >= label.Bottom + 2 ||
                  time.Bottom + 2 <= label.Top)
          << "time name at " << time.Left << " on the last time label ending at " << label.Right;
      CheckValueAxes(*w.View);
      CheckIndicators(*w.View);
    }
    for (const HelpPanel::LineFit& line : w.Help.Shown != 0 ? w.Help.Lines : std::vector<HelpPanel::LineFit>{})
      EXPECT_TRUE(Inside(line.Line, line.Box, 1)) << "help line " << Show(line.Line) << " outside " << Show(line.Box);
    ++shots;
  }

  // Each shown kind's value axis: its name and labels outside the plot, in a column of their own, no text on
  // another, no label written twice.
  static void CheckValueAxes(const GraphView& view) {
    std::vector<std::pair<std::uint8_t, PixelRect>> texts;
    for (std::size_t i = 0; i < view.ValueLabelRects.size(); ++i) texts.push_back({view.ValueLabelChannels[i], view.ValueLabelRects[i]});
    for (std::size_t i = 0; i < view.ValueNameReach.size(); ++i) texts.push_back({view.ValueNameChannels[i], view.ValueNameReach[i]});
    const PixelRect& plot = view.PlotRect;
    // A kind's column: the span of its labels and of its channels' names.
    std::map<std::uint16_t, std::pair<std::int32_t, std::int32_t>> columns;
    for (const auto& [channel, r] : texts) {
      auto [at, fresh] = columns.try_emplace(view.Channel(channel).SensorCode, r.Left, r.Right);
      if (!fresh) at->second = {std::min(at->second.first, r.Left), std::max(at->second.second, r.Right)};
    }
    constexpr std::uint8_t kTimeAxis = 255;
    for (const PixelRect& r : view.TimeLabelRects) texts.push_back({kTimeAxis, r});
    texts.push_back({kTimeAxis, view.TimeNameReach});
    for (const auto& [channel, r] : texts)
      EXPECT_FALSE(Meet(r, plot, 0)) << "axis text " << Show(r) << " of channel " << int(channel) << " inside the plot " << Show(plot);
    for (std::size_t a = 0; a < texts.size(); ++a)
      for (std::size_t b = a + 1; b < texts.size(); ++b)
        EXPECT_FALSE(Meet(texts[a].second, texts[b].second, 1))
            << "axis texts " << Show(texts[a].second) << " and " << Show(texts[b].second) << " touch";
    for (auto a = columns.begin(); a != columns.end(); ++a)
      for (auto b = std::next(a); b != columns.end(); ++b)
        EXPECT_TRUE(a->second.second < b->second.first || b->second.second < a->second.first)
            << "the label columns of kinds " << a->first << " and " << b->first << " share pixels";
    // The names of the axis beside the plot stand in the band above it, leaving its top labels to it.
    if (const auto axes = view.ValueAxisColumns(); !axes.empty()) {
      for (const PixelRect& line : view.AxisNameLines(axes.front()))
        EXPECT_LE(line.Bottom, plot.Top) << "axis name " << Show(line) << " below the plot's top " << plot.Top;
    }
    std::map<std::uint8_t, std::set<std::string>> written;
    for (std::size_t i = 0; i < view.ValueLabelTexts.size(); ++i)
      EXPECT_TRUE(written[view.ValueLabelChannels[i]].insert(view.ValueLabelTexts[i]).second)
          << "channel " << int(view.ValueLabelChannels[i]) << " labels \"" << view.ValueLabelTexts[i] << "\" twice";
  }

  // The value indicators of one screen share one left edge and width; each lies inside the strip kept for it,
  // so no curve is drawn over it.
  static void CheckIndicators(const GraphView& view) {
    std::optional<PixelRect> first;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      if (view.IndicatorShown[k] == 0) continue;
      const PixelRect& box = view.Channel(k).LabelRect;
      const PixelRect& strip = view.IndicatorStrips[k];
      EXPECT_TRUE(box.Left >= strip.Left && box.Right <= strip.Right && box.Top >= strip.Top && box.Bottom <= strip.Bottom)
          << "indicator " << k << " " << Show(box) << " outside its strip " << Show(strip);
      if (!first) first = box;
      EXPECT_TRUE(box.Left == first->Left && box.Right == first->Right)
          << "indicator " << k << " " << Show(box) << " not in line with " << Show(*first);
    }
  }

  void CheckControls(MainWindow& w) {
    const WindowRect client = w.Window().ClientRect();
    std::vector<std::pair<std::int32_t, WindowRect>> placed;
    if (w.Bytes.InfoScreenActive.load() != 0 && w.TickBoxCount != 0) placed.push_back({0, w.MainTickRect});
    for (platform::Control* c : w.Window().Controls()) {
      if (!c->IsVisible()) continue;
      const WindowRect r = c->Rect();
      EXPECT_TRUE(Inside(r, client)) << "control " << c->Id() << " " << Show(r) << " outside the client area";
      // The hint, menus, the settings panel and the sliders lie over other controls by design.
      const bool overlay = c->Id() == 75175 || dynamic_cast<MenuButtton*>(c) || dynamic_cast<StickButtonMod*>(c) ||
                           dynamic_cast<StickButton*>(c);
      if (!overlay) placed.push_back({c->Id(), r});
      if (c->Id() == 75001 || c->Id() == 75003) {
        const PixelRect& v = w.View->ViewRect;
        EXPECT_TRUE(Inside(r, {v.Left, v.Top, v.Right, v.Bottom})) << "scale slider " << c->Id() << " off the graph";
      }
      auto* b = dynamic_cast<AImageButton*>(c);
      if (b == nullptr || !b->Painted || r.IsEmpty()) continue;
      // A body at least a fifth of the button's height; the caption inside the button, its middle on the body.
      EXPECT_GE(b->BodyBox.Height() * 5, r.Height()) << "button " << c->Id() << " body " << Show(b->BodyBox);
      // The top bar's buttons are bodies that fill most of the bar, not strips.
      if (std::find(std::begin(kTopBar), std::end(kTopBar), c->Id()) != std::end(kTopBar)) {
        EXPECT_GE(b->BodyBox.Height() * 5, r.Height() * 3) << "top bar button " << c->Id() << " body " << Show(b->BodyBox);
      }
      if (const WindowRect& cap = b->CaptionBox; !cap.IsEmpty()) {
        EXPECT_TRUE(Inside(cap, {0, 0, r.Width(), r.Height()}, 1)) << "button " << c->Id() << " caption " << Show(cap);
        EXPECT_TRUE(Inside(cap, b->BodyBox, 1)) << "button " << c->Id() << " caption " << Show(cap) << " outside its body " << Show(b->BodyBox);
        const int middle = (cap.top + cap.bottom) / 2;
        EXPECT_TRUE(middle >= b->BodyBox.top && middle <= b->BodyBox.bottom)
            << "button " << c->Id() << " caption " << Show(cap) << " off its body " << Show(b->BodyBox);
      }
    }
    for (std::size_t a = 0; a < placed.size(); ++a)
      for (std::size_t b = a + 1; b < placed.size(); ++b)
        EXPECT_FALSE(placed[a].second.Intersects(placed[b].second)) << "controls " << placed[a].first << " and " << placed[b].first << " overlap";
  }

  void CheckStartScreen(MainWindow& w) {
    InfoPanel& panel = *parts->Panel;
    const WindowRect content = w.Panels[1]->ContentArea;
    const std::vector<WindowRect>& boxes = panel.LineBoxes;
    // Lines inside the panel; the menu row's items off its edges, the lines above a gap short of the row.
    const std::size_t menu = std::min(panel.MenuRowFirstBox, boxes.size());
    int menu_top = content.bottom;
    for (std::size_t i = menu; i < boxes.size(); ++i) {
      menu_top = std::min(menu_top, boxes[i].top);
      EXPECT_TRUE(boxes[i].left >= panel.WorkRect.left + 3 && boxes[i].right <= panel.WorkRect.right - 3)
          << "menu item " << Show(boxes[i]) << " at the edge of " << Show(panel.WorkRect);
    }
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      EXPECT_TRUE(Inside(boxes[i], content)) << "panel line " << Show(boxes[i]) << " outside " << Show(content);
      EXPECT_TRUE(i >= menu || boxes[i].bottom + 2 <= menu_top) << "line " << Show(boxes[i]) << " on the menu row";
    }
    // The frame's left edge runs down the button column unbroken: at most a few rows together (where an
    // outline's edge or a rule crosses it) show neither its colour nor a button's body.
    const PanelAnimation& frame = *w.Panels[1];
    const int x = frame.Area.left + 1, radius = static_cast<int>(15 * w.Metrics.UiScale) + 2;
    int run = 0, longest = 0;
    for (int y = frame.Area.top + radius; y < frame.Area.bottom - radius; ++y) {
      bool body = false;
      for (platform::Control* c : w.Window().Controls()) {
        auto* b = dynamic_cast<AImageButton*>(c);
        body = body || (b != nullptr && b->IsVisible() && Moved(b->BodyBox, c->Rect()).Contains({x, y}));
      }
      run = !body && Distance(Shown().GetPixel(x, y), 0x3F, 0x3C, 0x73) > 30 ? run + 1 : 0;
      longest = std::max(longest, run);
    }
    EXPECT_LE(longest, 3) << "rows together where the frame's left edge is broken";
    const StartScreenTitle& title = parts->Title;
    EXPECT_GE(frame.Area.top, title.TitleArea.bottom) << "the panel under the title band";
    EXPECT_TRUE(Inside(title.TitleTextBox, title.PanelArea, 1)) << "title " << Show(title.TitleTextBox) << " outside its panel";
    // A value box's unit inside its field, left of the link-quality bar; a second picture in its shape.
    for (const ValueInputBox* box : {&panel.Box1, &panel.Box2})
      EXPECT_TRUE(box->Rect.IsEmpty() || box->UnitBox.right <= box->UnitLimit) << "unit " << Show(box->UnitBox);
    if (const WindowRect& p = panel.SecondPictureRect; !p.IsEmpty() && panel.Picture2 != nullptr) {
      const double ratio = static_cast<double>(p.Width()) * panel.Picture2->Height() / (p.Height() * panel.Picture2->Width());
      EXPECT_NEAR(ratio, 1.0, 0.05) << "second picture " << Show(p);
    }
  }

  // The pictures fill their row: right of their own drawings the row carries their last columns, no white
  // block; a picture beside the pictured computer keeps its place and names its kind at the body text's height.
  void CheckPanelPictures(MainWindow& w) {
    const InfoPanel& panel = *parts->Panel;
    const WindowRect& row = panel.PictureRow;
    if (!row.IsEmpty() && panel.PicturesEnd < row.right) {
      int widest = 0;
      for (int y = row.top; y < row.bottom; y += 2) {
        int white = 0;
        for (int x = std::max(panel.PicturesEnd, row.left); x < row.right; ++x) white += Distance(Shown().GetPixel(x, y), 255, 255, 255) == 0;
        widest = std::max(widest, white);
      }
      EXPECT_LE(widest, 2) << "a white block right of the picture ending at " << panel.PicturesEnd << " in the row " << Show(row);
    }
    const std::uint8_t screen = panel.ScreenNumber();
    if (panel.Picture2 == nullptr || (screen != InfoPanel::kSensorInformation && screen != InfoPanel::kPreparation)) return;
    const WindowRect& picture = panel.SecondPictureRect;
    ASSERT_FALSE(picture.IsEmpty()) << "the kind's picture left out";
    const WindowRect content = w.Panels[1]->ContentArea;
    EXPECT_TRUE(Inside(picture, {panel.PictureRow.left, content.top, panel.PictureRow.right, content.bottom})) << "picture " << Show(picture);
    EXPECT_GE(panel.CaptionHeight, panel.BodyTextHeight()) << "the picture's caption " << Show(panel.CaptionBox);
    EXPECT_TRUE(Inside(panel.CaptionBox, picture, 1)) << "caption " << Show(panel.CaptionBox) << " off its picture " << Show(picture);
  }

  // A value box's value and unit inside its field and clear of its label; a refusal at the body text's
  // height in one colour on the panel, apart from the box and the page's lines.
  void CheckValueBoxes(MainWindow& w) {
    const InfoPanel& panel = *parts->Panel;
    if (panel.ScreenNumber() != InfoPanel::kPreparation) return;
    for (const ValueInputBox* box : {&panel.Box1, &panel.Box2}) {
      if (box->Shown == 0 || box->Rect.IsEmpty()) continue;
      for (const auto& [name, part] : {std::pair{"value", box->ValueBox}, std::pair{"unit", box->UnitBox}}) {
        if (part.IsEmpty()) continue;
        EXPECT_TRUE(Inside(part, box->FieldRect)) << name << " " << Show(part) << " outside its field " << Show(box->FieldRect);
        EXPECT_FALSE(part.Intersects(box->LabelBox)) << name << " " << Show(part) << " on the label " << Show(box->LabelBox);
      }
      EXPECT_TRUE(Inside(box->LabelBox, box->FieldRect, 1)) << "label " << Show(box->LabelBox);
      if (box->RefusalHeight == 0) continue;
      const WindowRect& notice = box->RefusalBox;
      const WindowRect body{panel.WorkRect.left, panel.WorkRect.top, panel.WorkRect.right, w.Panels[1]->ContentArea.bottom};
      EXPECT_GE(box->RefusalHeight, panel.BodyTextHeight()) << "refusal " << Show(notice);
      EXPECT_TRUE(Inside(notice, body)) << "refusal " << Show(notice) << " outside the panel " << Show(body);
      EXPECT_FALSE(notice.Intersects({box->Rect.left - 3, box->Rect.top - 3, box->Rect.right + 3, box->Rect.bottom + 3}))
          << "refusal " << Show(notice) << " on its box " << Show(box->Rect);
      for (const WindowRect& line : panel.LineBoxes) EXPECT_FALSE(notice.Intersects(line)) << "refusal on the line " << Show(line);
      // Every pixel of it lies between the panel's colour and the notice's own.
      int stray = 0;
      for (int y = notice.top; y < notice.bottom; ++y) {
        for (int x = notice.left; x < notice.right; ++x) {
          const platform::Colour p = Shown().GetPixel(x, y);
          const double t = std::clamp((255.0 - p.g) / (255.0 - 20.0), 0.0, 1.0);
          stray += Distance(p, static_cast<int>(249 + t * (200 - 249)), static_cast<int>(252 + t * (20 - 252)),
                            static_cast<int>(255 + t * (30 - 255))) > 40;
        }
      }
      EXPECT_LE(stray, 2) << "refusal " << Show(notice) << " in more than one colour";
    }
  }

  // The start page's first menu item keeps the margin it has at 1366x768, in proportion to the width.
  void CheckMenuMargin(MainWindow& w) {
    const InfoPanel& panel = *parts->Panel;
    if (panel.ScreenNumber() != InfoPanel::kStartPage || panel.MenuRowFirstBox >= panel.LineBoxes.size() || reference_scale <= 0) return;
    const int margin = panel.LineBoxes[panel.MenuRowFirstBox].left - panel.WorkRect.left;
    const double expected = reference_margin * w.Metrics.ScaleX / reference_scale;
    EXPECT_NEAR(margin, expected, 2.0) << "the first menu item's margin";
  }

  // The temperature sensor's value box refusing a finish without a number, a digit too many and a value
  // out of the sensor's range.
  void RefusalMessages(std::size_t i) {
    const auto id = 75163 + static_cast<std::int32_t>(i);
    if (FindImageButton(W().Window(), id)->State.load() != ControlFrame::kStateDown) Click(id);
    Settle();
    PaintAll();
    const ValueInputBox& box = parts->Panel->Box1;
    ASSERT_NE(box.Shown, 0);
    // The page's own first step takes the box over when it runs: the typing starts after it.
    const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (parts->Panel->Steps.StepPending != 0 && std::chrono::steady_clock::now() < watchdog) {
      Settle(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const platform::WindowPoint centre{(box.Rect.left + box.Rect.right) / 2, (box.Rect.top + box.Rect.bottom) / 2};
    rig->host.Window().DeliverMouse(platform::MouseKind::LeftDown, centre, 0);
    rig->host.Window().DeliverMouse(platform::MouseKind::LeftUp, centre, 0);
    const auto keys = [&](const std::string& typed) {
      for (char k : typed) W().OnKeyDown(k == '\n' ? platform::key::kEnter : k == '<' ? platform::key::kBackspace : static_cast<unsigned>(k), 1, 0);
      Settle(3);
    };
    keys(std::string(12, '<') + "\n");
    Shot("refusal-empty");
    EXPECT_EQ(box.LastRefusal, ValueInputBox::Refusal::Empty);
    keys("123456789");
    Shot("refusal-digits");
    EXPECT_EQ(box.LastRefusal, ValueInputBox::Refusal::TooLong);
    keys(std::string(12, '<') + "999\n");
    Shot("refusal-range");
    EXPECT_EQ(box.LastRefusal, ValueInputBox::Refusal::OutOfRange);
  }

  // The title band hovered, then left: the shapes keep off the title's letters; leaving gives the band back.
  void TitleHover() {
    const WindowRect band = parts->Title.TitleArea;
    const auto copy = [&] {
      std::vector<platform::Colour> pixels;
      for (int y = band.top; y < band.bottom; ++y)
        for (int x = band.left; x < band.right; ++x) pixels.push_back(Shown().GetPixel(x, y));
      return pixels;
    };
    const std::vector<platform::Colour> before = copy();
    parts->StartTitleTimer(0);
    Settle(20);
    Shot("title-hover");
    for (const TitleShape& shape : parts->Title.Shapes) {
      for (std::size_t i = 0; i < shape.PointCount; ++i) {
        const WindowRect& title = parts->Title.TitleTextBox;
        const double x = shape.DrawPoints[2 * i], y = shape.DrawPoints[2 * i + 1];
        EXPECT_FALSE(x >= title.left && x <= title.right && y >= title.top && y <= title.bottom) << "a shape over the title";
      }
    }
    parts->StartTitleTimer(1);
    Settle(20);
    Shot("title-left");
    EXPECT_TRUE(copy() == before) << "the title band changed by hovering it";
  }

  // The start screen, its menu items and the detected list; each unit's preparation page as its button opens it;
  // the information and preparation pages of the other families.
  void StartScreens(bool catalogue) {
    PaintAll();
    Shot("start");
    TitleHover();
    InfoPanel& panel = *parts->Panel;
    for (std::uint8_t item = 0; catalogue && item < 4; ++item) {
      panel.MenuSelection = item % 3;
      panel.SetScreen(item < 3 ? InfoPanel::kStartPage : InfoPanel::kDetectedSensors);
      PaintAll();
      Shot(item < 3 ? "start-menu" + std::to_string(item) : "detected");
    }
    if (catalogue) {
      // A catalogue row's page, with its sensor's picture.
      panel.MenuSelection = 1;
      panel.SetScreen(InfoPanel::kStartPage);
      PaintAll();
      SelectMenuItem(panel, 3);
      PaintAll();
      Shot("catalogue-row");
      panel.Body.SubSelection = 0;
      panel.MenuSelection = 0;
    }
    for (std::size_t i = 0; i < count; ++i) Choose(i, true);
    // Voltage, pH, conductivity, distance and pulse.
    for (std::uint16_t code : catalogue ? std::vector<std::uint16_t>{9, 5, 6, 64, 35, 34, 41} : std::vector<std::uint16_t>{}) {
      for (std::uint8_t screen : {InfoPanel::kSensorInformation, InfoPanel::kPreparation}) {
        panel.SensorCode = code;
        panel.Slot = nullptr;
        panel.SetScreen(screen);
        PaintAll();
        Shot((screen == InfoPanel::kPreparation ? "preparation-" : "information-") + std::to_string(code));
      }
    }
    panel.SetScreen(InfoPanel::kStartPage);
    W().MainButtonsShow();
    Settle();
  }

  // The accelerometer of unit `i`: its page after each of its first three positions is taken.
  void AccelerometerSteps(std::size_t i) {
    const auto id = 75163 + static_cast<std::int32_t>(i);
    if (FindImageButton(W().Window(), id)->State.load() != ControlFrame::kStateDown) Click(id);
    Settle();
    for (int step = 1; step <= 3; ++step) {
      Click(kActionButtonId);
      // The step waits its turn on the window's clock and for the unit's next samples, however
      // slowly a busy machine delivers them (the watchdog is against hangs only).
      const auto watchdog = std::chrono::steady_clock::now() + std::chrono::minutes(2);
      while (parts->Panel->Steps.StepPending != 0 && std::chrono::steady_clock::now() < watchdog) {
        Settle(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      if (parts->Panel->Steps.StepPending != 0) ADD_FAILURE() << "step " << step << ": " << apptest::PageHold(W(), *parts->Panel);
      Settle();
      PaintAll();
      Shot("accelerometer-step" + std::to_string(step));
    }
  }

  // Unit `i`'s preparation page opened by its button (unless open already), and the unit marked prepared.
  void Choose(std::size_t i, bool shot) {
    const auto id = 75163 + static_cast<std::int32_t>(i);
    if (FindImageButton(W().Window(), id)->State.load() != ControlFrame::kStateDown) Click(id);
    Settle();
    PaintAll();
    if (shot) Shot("unit-" + std::to_string(W().SensorButtons[i].SensorCode) + "-preparation");
    {
      std::lock_guard lock(W().Devices->TableLock);
      W().SlotBinder->MarkSlotForDevice(*W().Devices->DeviceTable[i]);
    }
    W().RefreshDevices(1);
    W().UpdateMeasureButton();
  }

  // The measurement screen recording the units of `prepared` (the first one's page opened last); with `everything` its menus, the settings panel,
  // the help pages and a hint.
  void MeasureScreen(const std::vector<std::size_t>& prepared, const std::string& name, bool everything) {
    MainWindow& w = W();
    Choose(prepared.front(), false);
    for (std::size_t i = 0; i < 4; ++i) w.Bytes.SensorPrepared[i] = 0;
    for (std::size_t i : prepared) w.SensorChosen[i] = w.Bytes.SensorPrepared[i] = 1;
    w.UpdateMeasureButton();
    Click(75172);
    Until([&] { return w.Bytes.MeasureScreenActive.load() == 1; });
    Settle();
    // Two and a half seconds of bus time and every recorded channel with samples of its own (a slow
    // unit may start late), the bus let on a tenth of a second at a time, whatever pace the threads
    // are given: the record stays short of a page, so the sweep never turns over to an empty one.
    const std::int64_t start = bus.NowUs();
    std::int64_t held = start + 500'000;
    clock.HoldBusAt(held);
    // A press while the device worker is busy with a search (a pause it could not take in time, which
    // the stepped clock makes short) finds no unit ready and starts nothing; a user presses again.
    for (int k = 0; k < 20 && w.View->Recording.load() == 0; ++k) {
      if (k != 0) Settle(3), std::this_thread::sleep_for(std::chrono::milliseconds(20));
      Until([&] { return w.Devices->Searching.load() == 0; });
      w.OnKeyDown(platform::key::kSpace, 1, 0);
    }
    if (w.View->Recording.load() == 0) {
      std::ostringstream seen;
      seen << "worker " << int(DeviceThreadState.load()) << ", connected " << int(ConnectedMask.load());
      {
        std::lock_guard lock(w.Devices->TableLock);
        for (const auto& unit : w.Devices->DeviceTable)
          if (unit) seen << "; unit " << (unit->IsOpen() ? "open" : "closed") << " status " << int(w.FindDeviceSlot(*unit, 5));
      }
      for (const DeviceSlot& slot : w.DeviceSlots)
        seen << "; slot in use " << int(slot.InUse) << " prepared " << int(slot.Prepared) << " assigned " << int(slot.AssignIndex)
             << " selected " << int(slot.SelectedForRecord) << " channels " << int(slot.CountChannels());
      FAIL() << "Space started no recording: " << seen.str();
    }
    const auto recorded = [&] {
      std::lock_guard lock(w.View->ViewLock);
      bool all = w.View->SampleCount >= 100;
      for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
        const VessamorChannel& channel = w.View->Channel(k);
        if (channel.Enabled != 0 && channel.Shown != 0) all = all && channel.CodeCount >= 20;
      }
      return all;
    };
    for (int k = 0; k < 60000 && (bus.NowUs() < start + 2'500'000 || !recorded()); ++k) {
      if (bus.NowUs() >= held && held - start < 4'000'000) clock.HoldBusAt(held += 100'000);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!recorded()) {
      // What the record reached, for a run that never got there.
      std::ostringstream seen;
      seen << "bus " << (bus.NowUs() - start) / 1000 << " ms on, held at " << (held - start) / 1000 << " ms; recording "
           << int(w.View->Recording.load()) << ", request " << int(w.Devices->RequestCode.load()) << ", searching "
           << int(w.Devices->Searching.load()) << ", connected " << int(ConnectedMask.load()) << ", poll " << int(PollResult.load());
      std::lock_guard lock(w.View->ViewLock);
      seen << "; " << w.View->SampleCount << " samples";
      for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k)
        seen << ", channel " << k << ": enabled " << int(w.View->Channel(k).Enabled) << " codes " << w.View->Channel(k).CodeCount;
      ADD_FAILURE() << "the record never reached its length: " << seen.str();
    }
    w.OnKeyDown(platform::key::kSpace, 1, 0);
    clock.ReleaseBus();
    Settle();
    PaintAll();
    Shot(name);
    apptest::ExpectSidePanels(w, Shown(), name);
    // Every recorded channel's curve is drawn in its colour on the plot (the value indicators, in the
    // same colours, left out).
    const PixelRect& plot = w.View->PlotRect;
    const auto indicator = [&](int x, int y) {
      const auto& strips = w.View->IndicatorStrips;
      return std::any_of(strips.begin(), strips.end(), [&](const PixelRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; });
    };
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& channel = w.View->Channel(k);
      if (channel.Enabled == 0 || channel.Shown == 0) continue;
      int inked = 0;
      for (int y = plot.Top; y < plot.Bottom; y += 2)
        for (int x = plot.Left; x < plot.Right; x += 2)
          inked += !indicator(x, y) && Distance(Shown().GetPixel(x, y), channel.Colour.R, channel.Colour.G, channel.Colour.B) < 60;
      EXPECT_GT(inked, 20) << "channel " << k << "'s curve";
    }
    for (std::int32_t id : everything ? std::vector<std::int32_t>{75010, 75011, 75012} : std::vector<std::int32_t>{}) {
      Click(id);
      Settle();
      Shot(name + "-menu" + std::to_string(id));
      Click(id);
      Settle();
    }
    if (everything) {
      Click(75037);  // the sensor settings panel
      Settle(20);
      Shot(name + "-settings");
      Click(75037);
      Settle(20);
      Click(75186);  // the help panel, page by page
      for (int page = 0; page < 4; ++page, w.Help.NextPage()) {
        Settle();
        PaintAll();
        Shot(name + "-help" + std::to_string(page));
      }
      Click(75186);
      Settle();
      const WindowRect file = FindImageButton(w.Window(), 75010)->Rect();
      rig->host.Window().DeliverMouse(platform::MouseKind::Move, {file.left + file.Width() / 2, file.top + file.Height() / 2}, 0);
      Settle(40);
      Shot(name + "-hint");
    }
    w.OnKeyDown(platform::key::kEscape, 1, 0);
    Until([&] { return w.Bytes.InfoScreenActive.load() == 1; });
    Settle();
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
  std::string dir;
  std::size_t count = 0;
  int shots = 0;
  // The first menu item's margin at 1366x768 and that size's horizontal scale (0: not known).
  int reference_margin = 0;
  double reference_scale = 0.0;
};

// The first menu item's margin from the panel's edge on the start page at 1366x768, with no unit attached.
std::pair<int, double> MenuMarginAt1366(bool english) {
  sim::Bus::Instance().Reset(sim::ClockMode::Virtual);
  apptest::Rig rig(1366, 768, true, 32, !english);
  std::shared_ptr<StartScreenParts> parts;
  rig.Create(english, [&](MainWindow& w) { parts = InstallStartScreenParts(w); });
  for (int k = 0; k < 400 && (rig.window->StartupInProgress != 0 || rig.window->Panels[1]->ContentShown == 0); ++k) rig.Step(33);
  parts->Panel->SetScreen(InfoPanel::kStartPage);
  parts->RebuildInfoPanel();
  const InfoPanel& panel = *parts->Panel;
  if (panel.MenuRowFirstBox >= panel.LineBoxes.size()) return {0, 0.0};
  return {panel.LineBoxes[panel.MenuRowFirstBox].left - panel.WorkRect.left, rig.window->Metrics.ScaleX};
}

TEST(ScreenSweep, EveryScreenAtEachSizeInBothLanguages) {
#ifdef __SANITIZE_ADDRESS__
  const char* fallback = "1366x768";  // the sanitizers' run keeps to one size
#else
  const char* fallback = "1366x768,1280x1024";
#endif
  std::stringstream sizes(Env("VESSAMOR_SWEEP_SIZES", fallback));
  const std::pair<int, double> margins[2] = {MenuMarginAt1366(false), MenuMarginAt1366(true)};
  const auto reference = [&](Sweep& sweep, bool english) {
    std::tie(sweep.reference_margin, sweep.reference_scale) = margins[english ? 1 : 0];
  };
  for (std::string item; std::getline(sizes, item, ',');) {
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(item.c_str(), "%dx%d", &width, &height), 2) << item;
    for (bool english : {false, true}) {
      {
        // A two-channel voltage sensor and a temperature sensor, whose page is opened last.
        Sweep sweep(width, height, english, "auto:kind=51:ramp|sine;wired:15/1063:sine");
        reference(sweep, english);
        sweep.StartScreens(true);
        sweep.MeasureScreen({1}, "measure-1ch", true);
        sweep.MeasureScreen({0, 1}, "measure-3ch", false);
        EXPECT_GE(sweep.shots, 25);
      }
      {
        Sweep sweep(width, height, english, "auto:kind=51:ramp|sine");
        sweep.StartScreens(false);
        sweep.MeasureScreen({0}, "measure-2ch", false);
      }
      // A wireless accelerometer (three channels) and a temperature sensor.
      {
        Sweep sweep(width, height, english, "auto:kind=7/3;wired:15/1063:sine");
        sweep.StartScreens(false);
        sweep.MeasureScreen({0, 1}, "measure-4ch", false);
      }
      {
        Sweep sweep(width, height, english, "wired:15/1063:sine");
        sweep.RefusalMessages(0);
      }
      // The accelerometer's page through its first positions.
      Sweep steps(width, height, english, "auto:kind=7/3");
      steps.AccelerometerSteps(0);
    }
  }
}

// One to four sensor kinds on one screen: temperature, voltage, breathing (a rate kind on a 0..1 axis) and flow,
// each kind's value axis in its own column.
TEST(ScreenSweep, ValueAxesOfOneToFourKinds) {
  std::stringstream sizes(Env("VESSAMOR_SWEEP_SIZES", "1366x768,1280x1024"));
  for (std::string item; std::getline(sizes, item, ',');) {
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(item.c_str(), "%dx%d", &width, &height), 2) << item;
    for (bool english : {false, true}) {
      Sweep sweep(width, height, english,
                  "wired:15/1063:sine;wired:04/1195:sine=2048,900,0.7;auto:kind=40:sine=2048,1200,0.4;auto:kind=48:ramp");
      for (std::size_t i = 0; i < 4; ++i) sweep.Choose(i, false);
      const std::vector<std::vector<std::size_t>> kinds{{2}, {0, 1}, {0, 1, 2}, {0, 1, 2, 3}};
      for (const std::vector<std::size_t>& prepared : kinds)
        sweep.MeasureScreen(prepared, "measure-kinds" + std::to_string(prepared.size()) + (prepared.size() == 1 ? "-rate" : ""), false);
    }
  }
}

}  // namespace
