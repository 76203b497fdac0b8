// The measurement screen on the simulated bus with real workers: choosing a sensor, entering, recording by key, leaving.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>

#include "acquisition/worker_threads.h"
#include "app/start_screen_parts.h"
#include "app/measure_toolbar.h"
#include "app/toolbar_rules.h"
#include "app_test_support.h"
#include "controls/aimage_button.h"
#include "controls/stick_button.h"
#include "fast_clock.h"
#include "platform/png_writer.h"
#include "sim/unit_list.h"

namespace {

using apptest::Rig;
using platform::WindowRect;
namespace key = platform::key;

class MeasureScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::DefaultUnits()) ASSERT_TRUE(sim::AttachUnit(bus, unit));
  }
  void TearDown() override {
    clock.ReleaseBus();
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with both units' buttons up; `during_intro` runs before the intro has ended.
  MainWindow& Open(int width, int height, bool english, const std::function<void(MainWindow&)>& during_intro = {}) {
    rig.reset();  // the old window and its workers gone before the new one starts
    rig = std::make_unique<Rig>(width, height);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) { parts = InstallStartScreenParts(created); });
    if (during_intro) during_intro(w);
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Until(w, [&] { return w.SensorButtons[0].Unit != nullptr && w.SensorButtons[1].Unit != nullptr; });
    return w;
  }
  template <typename Done>
  void Until(MainWindow&, Done done) {
    bool met = done();
    for (int k = 0; k < 60000 && !met; ++k) {
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      met = done();
    }
    ASSERT_TRUE(met);
  }
  // A click as the button reports it: its state toggled, then the press.
  void Click(MainWindow& w, std::int32_t id) {
    ASSERT_TRUE(apptest::PressButton(w, id)) << id;
  }
  // The sensor of entry `i` chosen by the mouse, its page's measurement running, then marked prepared.
  void Choose(MainWindow& w, std::size_t i) {
    MouseClick(w, 75163 + static_cast<std::int32_t>(i));
    EXPECT_EQ(w.Controls.SensorButtons[i]->State.load(), 2);
    EXPECT_EQ(parts->Panel->ScreenNumber(), 11);
    EXPECT_EQ(w.View->Recording.load(), 1);
    {
      std::lock_guard lock(w.Devices->TableLock);
      w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[i]);
    }
    w.RefreshDevices(1);
    w.UpdateMeasureButton();
  }
  static std::uint32_t Samples(MainWindow& w) {
    std::lock_guard lock(w.View->ViewLock);
    return w.View->SampleCount;
  }
  // A left click in the middle of a shown control, as the host delivers it: the button takes its
  // pressed look as a user sees it.
  void MouseClick(MainWindow& w, std::int32_t id) {
    const platform::Control* control = FindMainControl(w.Window(), id);
    ASSERT_TRUE(control != nullptr && control->IsVisible()) << id;
    const WindowRect r = control->Rect();
    for (const platform::MouseKind kind : {platform::MouseKind::Move, platform::MouseKind::LeftDown, platform::MouseKind::LeftUp}) {
      rig->host.Window().DeliverMouse(kind, {(r.left + r.right) / 2, (r.top + r.bottom) / 2},
                                      kind == platform::MouseKind::LeftDown ? platform::kMouseLeft : 0u);
    }
    rig->host.Pump();
  }
  // The window's pixels over each sensor button.
  std::vector<std::vector<std::uint8_t>> SensorButtonPixels(MainWindow& w) {
    std::vector<std::vector<std::uint8_t>> shown;
    const platform::Surface& s = w.Window().Pixels();
    for (const AImageButton* sensor : w.Controls.SensorButtons) {
      std::vector<std::uint8_t>& bytes = shown.emplace_back();
      if (sensor == nullptr || !sensor->IsVisible()) continue;
      const WindowRect r = sensor->Rect();
      for (int y = std::max(r.top, 0); y < std::min(r.bottom, s.Height()); ++y) {
        bytes.insert(bytes.end(), s.Row(y) + std::clamp(r.left, 0, s.Width()) * 4, s.Row(y) + std::clamp(r.right, 0, s.Width()) * 4);
      }
    }
    return shown;
  }
  std::set<std::int32_t> Visible(MainWindow& w) {
    std::set<std::int32_t> shown;
    for (platform::Control* c : w.Window().Controls())
      if (c->IsVisible() && dynamic_cast<AImageButton*>(c) != nullptr) shown.insert(c->Id());
    return shown;
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(MeasureScreen, ChooseEnterRecordBySpaceAndLeaveByEscape) {
  MainWindow& w = Open(1280, 994, false);
  const std::set<std::int32_t> start_set = Visible(w);
  // Every sensor button up, as the start page first shows them.
  const auto up = SensorButtonPixels(w);
  ASSERT_FALSE(up[0].empty());
  ASSERT_FALSE(up[1].empty());
  // The second, then the first, which stays down.
  Choose(w, 1);
  Choose(w, 0);
  EXPECT_NE(SensorButtonPixels(w)[0], up[0]) << "the chosen sensor's button down";
  ASSERT_EQ(w.MeasureButtonReady, 1);
  MouseClick(w, 75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  const std::span<const std::int32_t> ids = MeasureScreenIds();
  EXPECT_EQ(Visible(w), std::set<std::int32_t>(ids.begin(), ids.end()));
  EXPECT_EQ(w.View->Recording.load(), 0);
  // A held Space starts once; the second press stops and keeps the record.
  w.OnKeyDown(key::kSpace, 1, 0);
  w.OnKeyDown(key::kSpace, 1, key::kFlagRepeat);
  EXPECT_EQ(w.View->Recording.load(), 1);
  Until(w, [&] { return Samples(w) > 200; });
  w.OnKeyDown(key::kSpace, 1, 0);
  EXPECT_EQ(w.View->Recording.load(), 0);
  const std::uint32_t kept = Samples(w);
  EXPECT_GT(kept, 200u);
  // A held Escape returns once and does not close the program.
  w.OnKeyDown(key::kEscape, 1, 0);
  w.OnKeyDown(key::kEscape, 1, key::kFlagRepeat);
  EXPECT_FALSE(w.Window().IsClosed());
  rig->host.Pump();
  EXPECT_EQ(w.Bytes.InfoScreenActive.load(), 1);
  EXPECT_EQ(w.View->Sweep.GraphScreen.load(), 0);
  EXPECT_EQ(Samples(w), kept);
  for (AImageButton* sensor : w.Controls.SensorButtons) EXPECT_EQ(sensor->State.load(), 1);
  // The first frame of the start page shows every sensor button up.
  const auto left = SensorButtonPixels(w);
  for (std::size_t i = 0; i < 2; ++i) {
    ASSERT_EQ(left[i].size(), up[i].size()) << "sensor button " << i;
    EXPECT_TRUE(std::equal(left[i].begin(), left[i].end(), up[i].begin())) << "sensor button " << i;
  }
  EXPECT_EQ(w.MeasureButtonReady, 1);
  EXPECT_EQ(Visible(w), start_set);
}

TEST_F(MeasureScreen, StartPageCommandsAndKeys) {
  MainWindow& w = Open(1366, 768, false, [](MainWindow& opening) {
    opening.OnButtonPress(0, 0, 75167);  // during the intro a click is dropped
    EXPECT_FALSE(opening.Window().IsClosed());
  });
  // "Measurements" while no sensor is prepared only pops up; Space on the start page does nothing.
  Click(w, 75172);
  EXPECT_EQ(FindImageButton(w.Window(), 75172)->State.load(), 1);
  w.OnKeyDown(key::kSpace, 1, 0);
  EXPECT_EQ(w.Bytes.MeasureScreenActive.load() + w.View->Recording.load(), 0);
  // A refused attach (every live channel taken) and a button without a unit both stay up, the worker searching.
  for (std::size_t k = 0; k < 4; ++k) w.View->Channel(k).Device = w.Devices->DeviceTable[1].get();
  for (std::int32_t id : {75163, 75165}) {
    Click(w, id);
    EXPECT_EQ(FindImageButton(w.Window(), id)->State.load(), 1) << id;
    EXPECT_EQ(DeviceThreadState.load(), kDeviceSearch) << id;
  }
  for (std::size_t k = 0; k < 4; ++k) w.View->Channel(k).Device = nullptr;
  // A second sensor stops the first page's recording; the first keeps its marks only when ready.
  for (std::int32_t id : {75163, 75164}) Click(w, id);
  EXPECT_EQ(w.View->Recording.load(), 1);
  EXPECT_EQ(w.SensorChosen[0] + w.Bytes.SensorPrepared[0].load(), 0);
  Choose(w, 0);
  Click(w, 75164);
  EXPECT_EQ(w.SensorChosen[0] * w.Bytes.SensorPrepared[0].load(), 1);
  // Pressed again, a sensor button goes up: the information page without the preparation buttons.
  Click(w, 75164);
  EXPECT_EQ(parts->Panel->ScreenNumber(), 1);
  for (std::int32_t id : {75173, 75174}) EXPECT_FALSE(FindMainControl(w.Window(), id)->IsVisible()) << id;
  // "Open file" asks for a file; cancelled, the start screen stays. The close button stops the
  // workers and closes.
  const int dialogs = rig->host.OpenDialogs;
  Click(w, 75185);
  EXPECT_EQ(rig->host.OpenDialogs, dialogs + 1);
  EXPECT_EQ(w.Bytes.InfoScreenActive.load(), 1);
  Click(w, 75167);
  Until(w, [&] { return w.Window().IsClosed(); });
}

TEST_F(MeasureScreen, ToolbarCommandsOnTheLiveScreen) {
  MainWindow& w = Open(1366, 768, false);
  Choose(w, 0);
  Click(w, 75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  auto* rate = dynamic_cast<StickButton*>(FindMainControl(w.Window(), 75008));
  ASSERT_NE(rate, nullptr);
  // A fixed-rate channel ends at 1000 Hz and the slider at 1.0.
  w.DeviceSlots[w.View->ViewDeviceSlot].Channels[0]->NotchOn = 1;
  rate->SetValue(0.5f);
  w.OnButtonPress(0, 0, 75008);
  EXPECT_EQ(w.View->RateSetting, 1000u);
  EXPECT_FLOAT_EQ(rate->GetValue(), 1.0f);
  // One channel: record buttons 2 to 4 pop back up.
  for (std::int32_t id : {75022, 75027, 75032}) {
    Click(w, id);
    EXPECT_EQ(FindImageButton(w.Window(), id)->State.load(), 1) << id;
  }
}

TEST_F(MeasureScreen, CloseDuringARecordingEndsTheWorkersAndSavesNothing) {
  MainWindow& w = Open(1366, 768, false);
  Choose(w, 1);
  Choose(w, 0);
  Click(w, 75172);
  w.OnKeyDown(key::kSpace, 1, 0);
  Until(w, [&] { return Samples(w) > 500; });
  w.OnButtonPress(0, 0, 75016);
  Until(w, [&] { return w.Window().IsClosed(); });
  // The recording stopped at the press, before the question about it ("don't save"); then the workers end.
  EXPECT_EQ(rig->host.SaveQuestions.size(), 1u);
  EXPECT_EQ(DeviceThreadState.load(), kDeviceEnded);
  // Nothing asked where to save, nothing said.
  EXPECT_EQ(rig->host.SaveDialogs, 0);
  EXPECT_TRUE(rig->host.Messages.empty());
  rig.reset();  // both workers joined
}

TEST_F(MeasureScreen, IndicatorWithValueUnitAndTimeLineToPng) {
  MainWindow& w = Open(1366, 768, false);
  Choose(w, 0);
  Click(w, 75172);
  w.OnKeyDown(key::kSpace, 1, 0);
  Until(w, [&] { return Samples(w) > 1500; });
  w.OnKeyDown(key::kSpace, 1, 0);
  rig->host.Pump();
  platform::Surface& picture = w.BackBuffer(0);
  picture.Fill(platform::Colour{255, 255, 255, 255});
  VessamorChannel& channel = w.View->Channel(0);
  w.View->IndicatorStrips[0] = PixelRect{400, 200, 900, 320};
  channel.IndicatorStyle = 1;
  w.DrawValueIndicator(channel, w.Renderer0(), 0, 0, 20);
  const PixelRect box = channel.LabelRect;
  ASSERT_GT(box.Right, box.Left);
  // The rounded frame's top edge, in translucent navy over white.
  const platform::Colour frame = picture.GetPixel((box.Left + box.Right) / 2, box.Top + 1);
  EXPECT_TRUE(frame.b > frame.r && frame.r < 140) << int(frame.r) << " " << int(frame.b);
  int coloured = 0, grey = 0;
  for (int y = box.Top; y < box.Bottom; ++y) {
    for (int x = box.Left; x < box.Right; ++x) {
      const platform::Colour c = picture.GetPixel(x, y);
      coloured += c.r > 200 && c.g < 60 && c.b < 60;
      grey += c.r == 100 && c.g == 100 && c.b == 100;
    }
  }
  EXPECT_GT(coloured, 20);  // the value's digits in the channel's red
  EXPECT_GT(grey, 5);       // the separator and the time line
  EXPECT_TRUE(platform::WritePng(picture, std::string(VESSAMOR_TEST_OUTPUT_DIR) + "/value_indicator.png"));
}

// A value box is drawn again only when it would look otherwise: its text (a value shown to other
// decimals), its colour or its box changes; drawn again as it stands, from glyphs rasterised by an
// earlier draw, it is the picture a first draw gives.
TEST_F(MeasureScreen, IndicatorIsDrawnAgainOnlyWhenItWouldLookOtherwise) {
  MainWindow& w = Open(1366, 768, false);
  Choose(w, 0);
  Click(w, 75172);
  w.OnKeyDown(key::kSpace, 1, 0);
  Until(w, [&] { return Samples(w) > 1500; });
  w.OnKeyDown(key::kSpace, 1, 0);
  rig->host.Pump();
  platform::Surface& picture = w.BackBuffer(0);
  VessamorChannel& channel = w.View->Channel(0);
  const PixelRect strip{400, 200, 900, 320};
  const auto draw = [&] {
    w.View->IndicatorStrips[0] = strip;
    std::lock_guard lock(w.View->ViewLock);
    w.DrawValueIndicator(channel, w.Renderer0(), 0, 0, 20);
  };
  const auto changes = [&] {
    std::lock_guard lock(w.View->ViewLock);
    return w.IndicatorFaceChanges(channel, 20);
  };
  picture.Fill(platform::Colour{255, 255, 255, 255});
  w.Renderer0().SetGlyphRasterCache(false);
  draw();
  const platform::Surface fresh = [&] {
    platform::Surface copy(picture.Width(), picture.Height());
    for (int y = 0; y < picture.Height(); ++y) std::copy_n(picture.Row(y), 4 * picture.Width(), copy.Row(y));
    return copy;
  }();
  w.Renderer0().SetGlyphRasterCache(true);
  draw();
  picture.Fill(platform::Colour{255, 255, 255, 255});
  draw();  // every glyph from the kept rasters
  int differing = 0;
  for (int y = strip.Top - 4; y < strip.Bottom + 4; ++y) {
    for (int x = strip.Left - 4; x < strip.Right + 4; ++x) differing += picture.GetPixel(x, y) != fresh.GetPixel(x, y);
  }
  EXPECT_EQ(differing, 0);

  EXPECT_FALSE(changes()) << "the same value in the same box";
  struct Row {
    const char* change;
    std::function<void()> apply, undo;
  };
  const std::uint16_t decimals = channel.Decimals;
  const auto colour = channel.Colour;
  const Row rows[] = {
      {"another decimal", [&] { channel.Decimals = static_cast<std::uint16_t>(decimals + 1); }, [&] { channel.Decimals = decimals; }},
      {"another colour", [&] { channel.Colour.G ^= 0x40; }, [&] { channel.Colour = colour; }},
      {"a wider box", [&] { w.View->IndicatorStrips[0].Right += 40; }, [&] { w.View->IndicatorStrips[0] = strip; }},
  };
  for (const Row& row : rows) {
    row.apply();
    EXPECT_TRUE(changes()) << row.change;
    row.undo();
    EXPECT_FALSE(changes()) << "back from " << row.change;
  }
}

// While a recording sweeps the plot and its value boxes change, every paint leaves the window
// showing the graph's picture wherever no control stands: no changed area is left out, none is stale.
TEST_F(MeasureScreen, RecordingFramesShowTheGraphsPictureEverywhereTheyChangedIt) {
  MainWindow& w = Open(1366, 768, false);
  Choose(w, 1);
  Choose(w, 0);
  Click(w, 75172);
  w.OnKeyDown(key::kSpace, 1, 0);
  Until(w, [&] { return Samples(w) > 200; });
  const PixelRect view = w.View->ViewRect;
  std::uint32_t checked = 0;
  for (int frame = 0; frame < 60; ++frame) {
    const std::uint32_t before = Samples(w);
    Until(w, [&] { return Samples(w) > before + 40; });
    rig->host.Pump();
    const platform::Surface& shown = w.Window().Pixels();
    const platform::Surface& picture = w.BackBuffer(0);
    std::vector<platform::WindowRect> controls;
    for (const platform::Control* c : w.Window().Controls()) {
      if (c->IsVisible()) controls.push_back(c->Rect());
    }
    int stale = 0;
    for (int y = view.Top; y < view.Bottom; ++y) {
      for (int x = view.Left; x < view.Right; ++x) {
        if (std::any_of(controls.begin(), controls.end(), [&](const platform::WindowRect& r) { return r.Contains({x, y}); })) continue;
        stale += shown.GetPixel(x, y) != picture.GetPixel(x, y);
      }
    }
    ASSERT_EQ(stale, 0) << "frame " << frame;
    ++checked;
  }
  EXPECT_EQ(checked, 60u);
}

}  // namespace
