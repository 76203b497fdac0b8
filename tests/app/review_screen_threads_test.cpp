// Reviewing on the assembled window: the display hold, the value indicator, the value axes, the
// drop-down menus and the start screen after leaving, read back as pictures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "controls/aimage_button.h"
#include "graph/graph_paint_host.h"
#include "platform/gdi.h"
#include "records/record_commands.h"
#include "controls/stick_button.h"
#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
namespace key = platform::key;

platform::WindowRect RectOf(MainWindow& w, std::int32_t id) { return FindMainControl(w.Window(), id)->Rect(); }

// Enter and "||" while recording: the button shows it is down and the plot stands still however
// many samples come, until the hold is let go.
TEST(ReviewScreen, HoldFreezesThePlotAndShowsTheButtonDown) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  rig.StartRecording();
  rig.Until([&] { return rig.Samples() > 1500; });
  rig.Step(40);
  for (bool by_key : {true, false}) {
    SCOPED_TRACE(by_key ? "Enter" : "click");
    const platform::WindowRect pause = RectOf(w, 74999);
    const Picture up = rig.Screen();
    by_key ? rig.Key(key::kEnter) : rig.Press(74999);
    rig.Mouse(platform::MouseKind::Move, rig.Plot().left + 5, rig.Plot().bottom - 5);
    for (int k = 0; k < 10; ++k) rig.Step(33);
    const Picture held = rig.Screen();
    EXPECT_GT(held.Differences(up, pause), pause.Width() * pause.Height() / 40);
    const std::uint32_t at = rig.Samples();
    rig.Until([&] { return rig.Samples() > at + 1500; });
    for (int k = 0; k < 10; ++k) rig.Step(33);
    EXPECT_EQ(rig.Screen().Differences(held, rig.ViewArea()), 0);
    by_key ? rig.Key(key::kEnter) : rig.Press(74999);
    rig.Mouse(platform::MouseKind::Move, rig.Plot().left + 5, rig.Plot().bottom - 5);
    // The sweep goes on from where the recording is: some later paint shows another screen.
    rig.Until([&] {
      rig.Step(33);
      return rig.Screen().Differences(held, rig.ViewArea()) > 0;
    });
    const Picture running = rig.Screen();
    EXPECT_GT(running.Differences(held, pause), pause.Width() * pause.Height() / 40);
  }
}

// Copies of `r` of a surface compared pixel by pixel.
int Changed(const platform::Surface& a, const platform::Surface& b, const PixelRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += a.GetPixel(x, y) == b.GetPixel(x, y) ? 0 : 1;
  return n;
}

// The sweep's new columns under an indicator are framed again between two of its moves: the
// reframe, clipped to a band of those columns, leaves the box as its last full draw left it, so
// no band of the face cuts through the digits (also the last reframe after a stop).
TEST(ReviewScreen, IndicatorReframeKeepsItsDigits) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  rig.Record(1.5);
  GraphView& view = rig.View();
  VessamorChannel& channel = view.Channel(0);
  agg_ren& renderer = view.PaintHost->Renderer();
  platform::Surface& picture = view.PaintHost->Picture();
  const auto copy = [&] {
    platform::Surface kept(picture.Width(), picture.Height());
    platform::Blit(kept, 0, 0, picture.Width(), picture.Height(), picture, 0, 0);
    return kept;
  };
  const platform::Surface plot = copy();
  rig.Window().DrawValueIndicator(channel, renderer, 0, 0, 1);
  const platform::Surface full = copy();
  const PixelRect box = channel.LabelRect;
  ASSERT_GT(box.Width(), 20);
  for (int band = 0; band < 4; ++band) {
    // As the paint does: the new columns first, then the box framed over them.
    const int left = box.Left + band * box.Width() / 4, width = box.Width() / 6;
    platform::Blit(picture, left, box.Top, width, box.Height(), plot, left, box.Top);
    renderer.Base()->clip_box(left, box.Top, left + width - 1, box.Bottom - 1);
    rig.Window().DrawValueIndicator(channel, renderer, 0, 2, 200);
    renderer.Base()->reset_clipping(true);
    EXPECT_EQ(Changed(picture, full, box), 0) << band;
  }
}

bool Shown(MainWindow& w, std::int32_t id) { return FindMainControl(w.Window(), id)->IsVisible(); }
std::uint8_t StateOf(MainWindow& w, std::int32_t id) { return FindImageButton(w.Window(), id)->State.load(); }

// The row `row` of the open drop-down list of `rows` rows, clicked.
void ClickRow(ReviewRig& rig, int row, int rows) {
  const platform::WindowRect r = FindMainControl(rig.Window().Window(), 75009)->Rect();
  rig.Click(platform::MouseButton::Left, r.left + r.Width() / 2, r.top + (2 * row + 1) * r.Height() / (2 * rows));
}

// A command of a list ends it: the list is gone from the screen, its button up, whatever the
// command showed meanwhile (the headless host cancels the file dialogs).
TEST(ReviewScreen, ListsCloseWithTheirCommand) {
  ReviewRig rig(1366, 768, true, "wired:04/1195:sine=2048,1500,1;wired:04/1195:sine=2048,1500,1");
  rig.EnterMeasureScreen();
  rig.Record(1.5);
  MainWindow& w = rig.Window();
  for (int row : {1, 2, 3, 0}) {
    SCOPED_TRACE(row);
    const Picture before = rig.Screen();
    rig.Press(75010);
    ASSERT_TRUE(Shown(w, 75009));
    const platform::WindowRect list = FindMainControl(w.Window(), 75009)->Rect();
    ClickRow(rig, row, 5);
    for (int k = 0; k < 10; ++k) rig.Step(33);
    EXPECT_FALSE(Shown(w, 75009));
    EXPECT_EQ(StateOf(w, 75010), 1);
    // No remnant of the list ("New" clears the record under it, so the picture changes there).
    EXPECT_TRUE(row == 0 || rig.Screen().Differences(before, list) == 0);
  }
  // The sensors' list, then Help: the list goes with its button.
  rig.Press(75011);
  ASSERT_TRUE(Shown(w, 75009));
  rig.Press(75186);
  for (int k = 0; k < 10; ++k) rig.Step(33);
  EXPECT_FALSE(Shown(w, 75009));
  EXPECT_EQ(StateOf(w, 75011), 1);
}

// The narrowest gap of rows without ink between two bands of inked rows of `r`; -1 with one band.
int NarrowestGap(const Picture& p, const platform::WindowRect& r) {
  int narrowest = -1, last = -1;
  for (int y = r.top; y < r.bottom; ++y) {
    bool ink = false;
    for (int x = r.left; x < r.right && !ink; ++x) ink = p.At(x, y)[0] < 90 && p.At(x, y)[1] < 90 && p.At(x, y)[2] < 90;
    if (!ink) continue;
    if (last >= 0 && y - last > 1) narrowest = narrowest < 0 ? y - last - 1 : std::min(narrowest, y - last - 1);
    last = y;
  }
  return narrowest;
}

// A sensor's row in the sensors' list shows its two name lines apart, at both sizes.
TEST(ReviewScreen, SensorListRowsKeepTheirTwoLinesApart) {
  for (const auto& [width, height] : {std::pair{1366, 768}, std::pair{1920, 1080}}) {
    ReviewRig rig(width, height, false, "wired:15/1063:sine");
    rig.EnterMeasureScreen();
    rig.Press(75011);
    MainWindow& w = rig.Window();
    ASSERT_TRUE(Shown(w, 75009));
    const platform::WindowRect r = FindMainControl(w.Window(), 75009)->Rect();
    // Inside the frame, the two lines stand apart by a few rows of the face.
    const int gap = NarrowestGap(rig.Screen(), {r.left + r.Width() / 8, r.top + 3, r.right - r.Width() / 4, r.bottom - 3});
    EXPECT_GE(gap, 3) << width;
  }
}

// Left by Escape, the start screen takes the first click on its buttons, also when a file dialog
// took the release of the press that opened it (the File list's "Open" opens it on the press),
// and when the search reconciles the window during the click. A cancelled "Open file" comes back.
TEST(ReviewScreen, StartScreenTakesTheFirstClickAfterEscape) {
  ReviewRig rig(1366, 768, false);
  rig.EnterMeasureScreen();
  MainWindow& w = rig.Window();
  for (std::int32_t id : {75172, 75185}) {
    SCOPED_TRACE(id);
    rig.Press(75010);
    const platform::WindowRect list = FindMainControl(w.Window(), 75009)->Rect();
    const int y = list.top + 3 * list.Height() / 10;
    rig.Mouse(platform::MouseKind::Move, list.left + 20, y);
    w.Window().DeliverMouse(platform::MouseKind::LeftDown, {list.left + 20, y}, platform::kMouseLeft);
    rig.Key(key::kEscape);
    rig.Until([&] { return w.Bytes.MeasureScreenActive.load() == 0; });
    // As a teacher waits for "Measurements" to light up again once the units are found; a search's
    // reconciling between the press and its release leaves the click whole.
    if (id == 75172) rig.Until([&] { return w.MeasureButtonReady != 0; });
    const platform::WindowRect button = FindMainControl(w.Window(), id)->Rect();
    const int x = (button.left + button.right) / 2, y_mid = (button.top + button.bottom) / 2;
    rig.Mouse(platform::MouseKind::Move, x, y_mid);
    rig.Mouse(platform::MouseKind::LeftDown, x, y_mid);
    w.UpdateMeasureButton();
    const int dialogs = rig.Host().OpenDialogs;
    rig.Mouse(platform::MouseKind::LeftUp, x, y_mid);
    if (id == 75172) {
      rig.Until([&] { return w.Bytes.MeasureScreenActive.load() == 1; });
      continue;
    }
    // "Open file" asked for a file; cancelled, it leaves the teacher on the start screen.
    EXPECT_EQ(rig.Host().OpenDialogs, dialogs + 1);
    EXPECT_EQ(w.Bytes.InfoScreenActive.load(), 1);
    EXPECT_EQ(w.Bytes.MeasureScreenActive.load(), 0);
  }
}

// Every unit chosen, then all ticked for the record together, so their channels share the screen.
void EnterWithAllUnits(ReviewRig& rig, std::int32_t units) {
  MainWindow& w = rig.Window();
  for (std::int32_t i = units - 1; i >= 0; --i) {
    rig.Press(75163 + i);
    std::lock_guard lock(w.Devices->TableLock);
    w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[static_cast<std::size_t>(i)]);
  }
  w.RefreshDevices(1);
  for (std::int32_t i = 0; i < units; ++i) w.Bytes.SensorPrepared[static_cast<std::size_t>(i)] = 1;
  w.UpdateMeasureButton();
  rig.Press(75172);
  for (int k = 0; k < 10; ++k) rig.Step(33);
}

// Ink (dark or coloured, not the white background) in a column or row of `r`.
bool Inked(const Picture& p, int x, int y) {
  const std::uint8_t* c = p.At(x, y);
  return std::min({c[0], c[1], c[2]}) < 200;
}

// The value labels of every sensor kind stand whole between the window's left edge and the plot,
// and the top one below the caption strip.
TEST(ReviewScreen, ValueAxesOfEveryKindStayInside) {
  const struct {
    int width, height;
    bool english;
    const char* units;
    int columns;
  } cases[] = {{1920, 1080, true, "wired:04/1195:sine;wired:04/1195:sine;wired:04/1195:sine", 1},
               {1366, 768, false, "wired:15/1063:sine;wired:04/1195:sine", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    ReviewRig rig(c.width, c.height, c.english, c.units);
    EnterWithAllUnits(rig, c.columns == 1 ? 3 : 2);
    rig.Record(1.0);
    const Picture p = rig.Screen();
    const platform::WindowRect view = rig.ViewArea(), plot = rig.Plot();
    const int caption_bottom = view.top + rig.View().CaptionHeight;
    // Columns of labels left of the plot, below the axis names: inked columns apart by more than a
    // character's height.
    const int apart = rig.View().Style.SmallFont.Height;
    int bands = 0, first = -1, last = -apart - 1;
    for (int x = view.left; x < plot.left - 4; ++x) {
      bool ink = false;
      for (int y = plot.top + plot.Height() / 4; y < plot.bottom && !ink; ++y) ink = Inked(p, x, y);
      if (!ink) continue;
      if (first < 0) first = x;
      bands += x - last > apart ? 1 : 0;
      last = x;
    }
    EXPECT_GT(first, view.left + 2);
    EXPECT_EQ(bands, c.columns);
    for (int x = first; x < plot.left - 4; ++x) EXPECT_FALSE(Inked(p, x, caption_bottom + 1)) << x;
  }
}

// The rig's host, with file dialogs that name one file.
class NamingHost final : public platform::HostServices {
 public:
  NamingHost(platform::HostServices& host, std::string path) : host_(host), path_(std::move(path)) {}
  bool SetDeviceArrivalHandler(platform::DeviceArrivalHandler handler) override {
    return host_.SetDeviceArrivalHandler(std::move(handler));
  }
  platform::HostWindow& Window() override { return host_.Window(); }
  void SetWindowTitle(std::string_view title) override { host_.SetWindowTitle(title); }
  void ShowWindow() override { host_.ShowWindow(); }
  int RunEventLoop() override { return 0; }
  void ShowMessage(std::string_view text, std::string_view caption) override { host_.ShowMessage(text, caption); }
  std::optional<platform::FileDialogResult> OpenFileDialog(const platform::FileDialogRequest&) override {
    return platform::FileDialogResult{path_};
  }
  std::optional<platform::FileDialogResult> SaveFileDialog(const platform::FileDialogRequest&) override {
    return platform::FileDialogResult{path_};
  }
  bool OpenAddress(std::string_view) override { return false; }
  bool UserLocaleIsRussian() const override { return host_.UserLocaleIsRussian(); }
  platform::ScreenInfo Screen() const override { return host_.Screen(); }
  std::string CommandLine() const override { return host_.CommandLine(); }

 private:
  platform::HostServices& host_;
  std::string path_;
};

// The sampling-rate slider of the settings panel moves with a record loaded from a file as it
// does live, also when the record has fewer channels than the sensors plugged: the new rate is
// for the next recording, which the live set-up makes; the record keeps its own rate.
TEST(ReviewScreen, RateSliderWorksWithALoadedRecord) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vessamor_rate_slider_" + std::to_string(::getpid()) + ".out");
  const std::string path = file.string();
  records::SaveRange range;
  std::string title;
  {
    ReviewRig rig(1366, 768, false);
    rig.EnterMeasureScreen();
    rig.Record(1.0);
    NamingHost host(rig.Host(), path);
    records::RecordCommandContext context{rig.View(), host, range, title, false, nullptr, {}};
    records::SaveRecord(context);
  }
  ReviewRig rig(1366, 768, false, "wired:15/1063:sine;wired:04/1195:sine");
  EnterWithAllUnits(rig, 2);
  GraphView& view = rig.View();
  NamingHost host(rig.Host(), path);
  records::RecordCommandContext context{view, host, range, title, false, nullptr, {}};
  records::OpenRecord(context);
  rig.Settle();
  ASSERT_EQ(view.RecordViewable, 1);
  const std::uint32_t record_rate = view.RecordRate;
  rig.Press(75037);
  ASSERT_TRUE(Shown(rig.Window(), 75008));
  const platform::WindowRect r = FindMainControl(rig.Window().Window(), 75008)->Rect();
  auto* slider = dynamic_cast<StickButton*>(FindMainControl(rig.Window().Window(), 75008));
  const std::int32_t before = slider->MarkerPosition();
  rig.Drag(platform::MouseButton::Left, r.left + 2 * r.Width() / 5, (r.top + r.bottom) / 2, r.left + 3 * r.Width() / 5,
           (r.top + r.bottom) / 2);
  EXPECT_NE(slider->MarkerPosition(), before);
  EXPECT_NE(view.RateSetting, 1000u);
  EXPECT_FLOAT_EQ(slider->GetValue(), static_cast<float>(view.RateSetting) / 1000.0f);
  EXPECT_EQ(view.RecordRate, record_rate);
  EXPECT_FALSE(Shown(rig.Window(), kHintWindowId));
  // A unit in use with no channel to record takes its fixed rate only: the slider goes back to it
  // and the hint says so.
  for (auto& kept : view.ReferenceChannels) kept->SavedShown = 0;
  rig.Drag(platform::MouseButton::Left, r.left + r.Width() / 5, (r.top + r.bottom) / 2, r.left + 4 * r.Width() / 5,
           (r.top + r.bottom) / 2);
  EXPECT_EQ(view.RateSetting, 1000u);
  EXPECT_FLOAT_EQ(slider->GetValue(), 1.0f);
  EXPECT_TRUE(Shown(rig.Window(), kHintWindowId));
  std::filesystem::remove(file);
}

// Fitted, a voltage and a temperature share the plot: both curves inside it, filling most of its
// height on the voltage's axis, where the temperature stands at its fraction of its own axis.
TEST(ReviewScreen, FitKeepsEveryKindOfCurveInsideThePlot) {
  ReviewRig rig(1920, 1080, true, "wired:15/1063:sine=2000,300,0.1;wired:04/1195:sine=2048,1500,1");
  EnterWithAllUnits(rig, 2);
  rig.Record(7.0);
  rig.Press(75013);
  const Picture p = rig.Screen();
  const platform::WindowRect plot = rig.Plot();
  const auto indicator = [&](int x, int y) {
    const auto& strips = rig.View().IndicatorStrips;
    return std::any_of(strips.begin(), strips.end(), [&](const PixelRect& r) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; });
  };
  int top = plot.bottom, bottom = plot.top;
  for (std::size_t k = 0; k < 2; ++k) {
    const Rgba ink = rig.View().Channel(k).Colour;
    for (int y = plot.top + 1; y < plot.bottom - 1; ++y)
      for (int x = plot.left + 1; x < plot.right - 1; ++x)
        if (p.At(x, y)[2] == ink.R && p.At(x, y)[1] == ink.G && p.At(x, y)[0] == ink.B && !indicator(x, y))
          top = std::min(top, y), bottom = std::max(bottom, y);
  }
  EXPECT_GT(top, plot.top + 3) << "a curve runs along the plot's top";
  EXPECT_LT(bottom, plot.bottom - 3) << "a curve runs along the plot's bottom";
  EXPECT_GT(bottom - top, plot.Height() * 7 / 10) << "the curves fill " << bottom - top << " of " << plot.Height() << " rows";
}

}  // namespace

namespace {

// The window loses the mouse while a marker is dragged: coming back, the marker is put down and
// the graph drawn whole, as a paint of the whole window draws it.
TEST(ReviewScreen, ActivationPutsADraggedMarkerDownAndRedrawsTheGraph) {
  ReviewRig rig;
  rig.EnterMeasureScreen();
  rig.Record(2.0);
  GraphView& view = rig.View();
  const platform::WindowRect p = rig.Plot();
  const int x = p.left + p.Width() / 3, y = (p.top + p.bottom) / 2;
  rig.Click(platform::MouseButton::Right, x, y);
  ASSERT_EQ(view.CountMarkedPoints(), 1u);
  rig.Mouse(platform::MouseKind::RightDown, x, y);
  rig.Mouse(platform::MouseKind::Move, x + 40, y);
  ASSERT_EQ(view.MarkerDragActive, 1);
  rig.Host().Window().DeliverActivate(false);
  rig.Host().Window().DeliverActivate(true);
  rig.Settle();
  EXPECT_EQ(view.MarkerDragActive, 0);
  for (const MarkerRecord& marker : view.Markers) EXPECT_EQ(marker.Dragging, 0);
  const Picture shown = rig.Screen();
  rig.Host().Window().Invalidate();
  EXPECT_EQ(shown.Differences(rig.Screen(), rig.ViewArea()), 0);
}

}  // namespace
