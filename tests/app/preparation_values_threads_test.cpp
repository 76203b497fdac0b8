// What a preparation page's boxes read on the simulated bus with real workers: "Set 0" on the two-box
// pages, a typed reference, the accelerometer's and the distance sensors' live values, and a zeroed
// channel whose averaging is unticked and ticked again through recordings, saves and exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "channels/vessamor_channel.h"
#include "controls/aimage_button.h"
#include "controls/stick_button_mod.h"
#include "fast_clock.h"
#include "layout/main_controls.h"
#include "page_hold.h"
#include "records/binary_record.h"
#include "review_rig.h"
#include "sim/unit_list.h"

namespace {

namespace key = platform::key;
namespace fs = std::filesystem;

constexpr std::int32_t kSetZero = 75173;

class PreparationValues : public ::testing::Test {
 protected:
  void TearDown() override {
    rig.reset();
    bus.Reset(sim::ClockMode::Virtual);
  }
  // The start screen with the units of `units`, the first one's preparation page opened and measuring.
  MainWindow& OpenPage(const std::string& units, bool english = false) {
    bus.Reset(sim::ClockMode::Virtual);
    for (const sim::UnitSpec& unit : sim::ParseUnitList(units)) EXPECT_TRUE(sim::AttachUnit(bus, unit));
    rig.reset();
    rig = std::make_unique<apptest::Rig>(1366, 768, true, 32, !english);
    rig->environment.Clock = &clock;
    MainWindow& w = rig->Create(english, [this](MainWindow& created) {
      parts = InstallStartScreenParts(created);
      InstallPreparationSteps(created, parts);
    });
    for (int k = 0; k < 400 && w.Panels[1]->ContentShown == 0; ++k) rig->Step(33);
    Until([&] { return w.SensorButtons[bus.Units().size() - 1].Unit != nullptr; });
    Click(75163);
    Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    Run(600);
    return w;
  }
  // Pumps the window (timers, posted calls, paints) until `done`; the watchdog only guards against hangs.
  void Until(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); !done() && std::chrono::steady_clock::now() < end;) {
      rig->Step(20);
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(done()) << (parts && parts->Panel ? apptest::PageHold(*rig->window, Panel()) : std::string());
  }
  void Run(int ms) {
    for (int k = 0; k < ms / 20; ++k) {
      rig->Step(20);
      rig->host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  // A left click in the middle of a shown control, or at a point, as the host delivers it.
  void Click(std::int32_t id) {
    const platform::Control* control = FindMainControl(rig->host.Window(), id);
    ASSERT_TRUE(control != nullptr && control->IsVisible()) << id;
    const platform::WindowRect r = control->Rect();
    Click({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  }
  void Click(platform::WindowPoint at) {
    rig->host.Window().DeliverMouse(platform::MouseKind::Move, at, 0);
    rig->host.Window().DeliverMouse(platform::MouseKind::LeftDown, at, platform::kMouseLeft);
    rig->host.Window().DeliverMouse(platform::MouseKind::LeftUp, at, 0);
    rig->host.Pump();
  }
  void SetZero() {
    Click(kSetZero);
    Until([&] { return Panel().Steps.StepPending == 0; });
    Run(600);
  }
  void Type(const std::string& keys) {
    MainWindow& w = *rig->window;
    for (const char k : keys) w.OnKeyDown(k == ',' ? key::kComma : k == '-' ? key::kMinus : static_cast<unsigned>(k), 1, 0);
    w.OnKeyDown(key::kEnter, 1, 0);
    Until([&] { return Panel().Box1.EditState == 0 && Panel().Steps.StepPending == 0; });
    Run(600);
  }
  // Space, `seconds` of samples, Space: the bus let on a tenth of a second at a time.
  void Record(double seconds) {
    GraphView& view = *rig->window->View;
    clock.HoldBusAt(bus.NowUs() + 200'000);
    rig->window->OnKeyDown(key::kSpace, 1, 0);
    rig->host.Pump();
    ASSERT_EQ(view.Recording.load(), 1);
    const auto recorded = [&] {
      std::lock_guard lock(view.ViewLock);
      return view.SampleCount >= seconds * view.RecordRate;
    };
    std::int64_t held = bus.NowUs();
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120); !recorded() && std::chrono::steady_clock::now() < end;) {
      if (bus.NowUs() >= held) clock.HoldBusAt(held += 100'000);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(recorded());
    rig->window->OnKeyDown(key::kSpace, 1, 0);
    clock.ReleaseBus();
    Until([&] { return view.Recording.load() == 0 && view.RecordViewable != 0; });
  }
  // The averaging option of a channel ticked or unticked in its settings panel, and the panel closed.
  void Averaging(std::size_t channel, bool on) {
    Click(75181 + static_cast<std::int32_t>(channel));
    Run(200);
    auto& panel = *dynamic_cast<StickButtonMod*>(FindMainControl(rig->host.Window(), 74998));
    ASSERT_TRUE(panel.IsVisible());
    // The panel places its items from its own corner.
    const platform::WindowRect box = panel.Placed().checks[StickButtonMod::kAveragingGroup];
    const platform::WindowRect at = panel.Rect();
    if ((panel.AveragingOn != 0) != on) Click({at.left + (box.left + box.right) / 2, at.top + (box.top + box.bottom) / 2});
    Run(200);
    EXPECT_EQ(rig->window->View->Channel(channel).SmoothingOn, on ? 1 : 0);
    Click(75181 + static_cast<std::int32_t>(channel));
    Run(200);
  }
  InfoPanel& Panel() { return *parts->Panel; }
  // A value box's text reads zero: digits all 0, no sign.
  static bool ReadsZero(const ValueInputBox& box) {
    return box.Value == 0.0f && !box.Text.empty() && box.Text.find_first_not_of("0.") == std::string::npos;
  }

  sim::Bus& bus = sim::Bus::Instance();
  apptest::FastClock clock;
  std::unique_ptr<apptest::Rig> rig;
  std::shared_ptr<StartScreenParts> parts;
};

TEST_F(PreparationValues, SetZeroReadsZeroInBothBoxesOfEveryTwoBoxKind) {
  // The inputs shorted, as the page asks: both quantities read zero. The gas volume's second box
  // is its temperature, which has no zero to set.
  const struct {
    int kind;
    bool second_zeroed;
  } kinds[] = {{11, true}, {20, true}, {21, true}, {22, true}, {23, true}, {25, true},
               {42, true}, {45, false}, {51, true}, {80, true}, {88, true}};
  for (const auto& c : kinds) {
    SCOPED_TRACE(c.kind);
    OpenPage("auto:kind=" + std::to_string(c.kind) + ":const=3000|const=1000");
    const ValueInputBox& first = Panel().Box1;
    const ValueInputBox& second = Panel().Box2;
    ASSERT_EQ(Panel().ButtonSet, 2);
    ASSERT_NE(first.Channel, second.Channel);
    const float before = second.Value;
    EXPECT_FALSE(ReadsZero(first) && ReadsZero(second)) << "the inputs read something before";
    SetZero();
    EXPECT_TRUE(ReadsZero(first)) << first.Text;
    if (c.second_zeroed) {
      EXPECT_TRUE(ReadsZero(second)) << second.Text;
    } else {
      EXPECT_FLOAT_EQ(second.Value, before);
    }
  }
}

TEST_F(PreparationValues, TypedReferenceIsWhatTheChannelReadsThen) {
  OpenPage("wired:15/1063:const=2000");
  ValueInputBox& box = Panel().Box1;
  const float live = box.Value;
  ASSERT_GT(std::fabs(live - 25.5f), 5.0f);
  const platform::WindowPoint inside{(box.Rect.left + box.Rect.right) / 2, (box.Rect.top + box.Rect.bottom) / 2};
  // 0 sets no reference: the channel goes on reading its own value.
  Click(inside);
  Type("0");
  EXPECT_EQ(box.Channel->ZeroOffsetOn, 0);
  EXPECT_NEAR(box.Value, live, 0.02f);
  Click(inside);
  Type("25,5");
  EXPECT_EQ(box.Text, "25.50");
  std::lock_guard lock(rig->window->View->ViewLock);
  EXPECT_NEAR(box.Channel->SampleValue(0), 25.5f, 0.01f);
}

TEST_F(PreparationValues, AccelerometerAndDistanceBoxesFollowTheirInput) {
  // The box's channel is fed a slow sine (an accelerometer's slot channel 0 takes the unit's third
  // stream); the box reads that channel at its newest column, over much of the sine's span.
  const struct {
    const char* units;
    std::int16_t low, high;  // the codes at the sine's ends, as the channel takes them
  } cases[] = {{"auto:kind=7:const=2048|const=2048|sine=2048,800,0.5", 1248, 2848},
               {"auto:kind=7/3:const=512|const=512|sine=512,200,0.5", 312, 712},
               // The echo delay is five timer counts a code.
               {"auto:kind=64:sine=1200,400,0.5", 4000, 8000},
               {"auto:kind=65:sine=1200,400,0.5", 4000, 8000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    MainWindow& w = OpenPage(c.units);
    GraphView& view = *w.View;
    const ValueInputBox& box = Panel().Box1;
    const VessamorChannel& channel = *box.Channel;
    const float span = std::fabs(channel.RawToValueFn(c.high, &channel) - channel.RawToValueFn(c.low, &channel));
    float low = 1e9f, high = -1e9f;
    std::uint32_t samples = 0;
    std::int64_t bus_us = 0;
    {
      std::lock_guard lock(view.ViewLock);
      samples = view.SampleCount;
      bus_us = bus.NowUs();
    }
    // Two periods of the sine on the bus's clock, a tenth of a second at a time, the box read after each.
    for (std::int64_t held = bus_us; held < bus_us + 4'000'000;) {
      clock.HoldBusAt(held += 100'000);
      for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60); bus.NowUs() < held && std::chrono::steady_clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      Run(160);
      low = std::min(low, box.Value);
      high = std::max(high, box.Value);
    }
    clock.ReleaseBus();
    EXPECT_GT(high - low, 0.7f * span) << low << " .. " << high;
    // The samples come at the rate the page records at, so its small graph moves at the page's pace.
    std::lock_guard lock(view.ViewLock);
    const double expected = (bus.NowUs() - bus_us) * 1e-6 * view.RateSetting;
    EXPECT_NEAR(view.SampleCount - samples, expected, 0.2 * expected + 2.0 * view.RateSetting / 10.0);
    EXPECT_GT(view.Sweep.ColumnPosition, 0u);
  }
}

TEST_F(PreparationValues, AveragingOffAndOnAgainKeepsTheZeroOnceInRecordsAndFiles) {
  apptest::Folder folder("preparation-values-averaging");
  // A constant input zeroed, and a ramp over the whole code range zeroed somewhere along it.
  MainWindow& w = OpenPage("auto:kind=11:const=900|ramp=0,4095,2");
  SetZero();
  ASSERT_TRUE(ReadsZero(Panel().Box1)) << Panel().Box1.Text;
  Until([&] { return w.MeasureButtonReady == 1; });
  Click(75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  GraphView& view = *w.View;
  for (const bool averaging : {false, true}) {
    SCOPED_TRACE(averaging ? "averaging ticked again" : "averaging unticked");
    for (std::size_t k = 0; k < 2; ++k) Averaging(k, averaging);
    Record(2.0);
    {
      std::lock_guard lock(view.ViewLock);
      for (std::size_t k = 0; k < 2; ++k) {
        const VessamorChannel& c = view.Channel(k);
        const auto [lowest, highest] = std::minmax_element(c.Codes, c.Codes + c.CodeCount);
        EXPECT_GE(*lowest, 0) << k;
        EXPECT_LE(*highest, 4095) << k;
      }
      // Half a code is the most a whole-code offset leaves of the zero.
      EXPECT_NEAR(view.Channel(0).ValueAtIndex(view.SampleCount / 2), 0.0f, averaging ? 0.0005f : 0.003f);
      EXPECT_NEAR(view.Channel(0).IndicatorShownValue, 0.0, averaging ? 0.0005 : 0.003);
    }
    const fs::path out = folder.path / (averaging ? "on.out" : "off.out");
    rig->host.DialogAnswers.push_back({out.string(), 1});
    w.MenuNotification(0, 2, view);
    rig->host.Pump();
    const records::BinaryRead read = records::ReadBinaryRecord(records::FileSource(out.string()), 10'000'000);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
    for (std::size_t k = 0; k < 2; ++k) {
      const std::vector<std::int16_t>& codes = read.Record.Channels[k].Codes;
      ASSERT_FALSE(codes.empty()) << k;
      EXPECT_GE(*std::min_element(codes.begin(), codes.end()), 0) << k;
      EXPECT_LE(*std::max_element(codes.begin(), codes.end()), 4095) << k;
    }
    // The text export's first channel reads the zero in every row.
    const fs::path text = folder.path / (averaging ? "on.txt" : "off.txt");
    rig->host.DialogAnswers.push_back({text.string(), 3});
    w.MenuNotification(0, 2, view);
    rig->host.Pump();
    std::ifstream in(text, std::ios::binary);
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
      std::istringstream row(line);
      double time = 0.0, value = 0.0;
      if (line.empty() || line[0] < '0' || line[0] > '9' || !(row >> time >> value)) continue;
      ++rows;
      EXPECT_NEAR(value, 0.0, averaging ? 0.0005 : 0.003) << line;
    }
    EXPECT_GT(rows, 100);
  }
}

TEST_F(PreparationValues, VolumeIsDrawnInsideItsBoxAndGoesWhenTheRecordStops) {
  // Gentle breaths through the spirometer: the flow's curve keeps low, clear of the value box.
  MainWindow& w = OpenPage("auto:kind=48:sine=40,30,0.5");
  // Taken as prepared: a zero set at some point of the breath would leave too little flow to count.
  {
    std::lock_guard lock(w.Devices->TableLock);
    w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[0]);
  }
  w.RefreshDevices(1);
  w.Bytes.SensorPrepared[0] = 1;
  w.UpdateMeasureButton();
  Click(75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  GraphView& view = *w.View;
  VessamorChannel& flow = view.Channel(0);
  // "Count the volume" in the channel's settings.
  Click(75181);
  Run(200);
  auto& panel = *dynamic_cast<StickButtonMod*>(FindMainControl(rig->host.Window(), 74998));
  const platform::WindowRect box = panel.Placed().checks[StickButtonMod::kVolumeOption];
  Click({panel.Rect().left + (box.left + box.right) / 2, panel.Rect().top + (box.top + box.bottom) / 2});
  Click(75181);
  Run(200);
  ASSERT_EQ(flow.VolumeOn, 1);
  // No stroke of the value's colour on the frame or outside it, beside the box.
  const auto text_inside = [&](const char* when) {
    const PixelRect r = flow.LabelRect;
    const platform::Surface& screen = rig->host.Window().Pixels();
    int outside = 0;
    for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, screen.Height()); ++y) {
      for (int x = std::max(r.Left - 40, 0); x < std::min(r.Left + 3, screen.Width()); ++x) {
        const platform::Colour c = screen.GetPixel(x, y);
        outside += c.r > 150 && c.g < 110 && c.b < 110 ? 1 : 0;
      }
    }
    EXPECT_EQ(outside, 0) << when;
  };
  clock.HoldBusAt(bus.NowUs() + 200'000);
  w.OnKeyDown(key::kSpace, 1, 0);
  ASSERT_EQ(view.Recording.load(), 1);
  const std::int64_t start = bus.NowUs();
  for (std::int64_t held = start; held < start + 4'000'000;) {
    clock.HoldBusAt(held += 100'000);
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60); bus.NowUs() < held && std::chrono::steady_clock::now() < end;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    clock.SleepMs(300);  // the indicator takes a new value a quarter of a second after the last
    Run(100);
    if (flow.IndicatorShownValue > 10.0) text_inside("while recording");
  }
  const double volume = flow.IndicatorShownValue;
  EXPECT_GT(volume, 10.0) << "seven decimals and more than one whole digit";
  w.OnKeyDown(key::kSpace, 1, 0);
  clock.ReleaseBus();
  Until([&] { return view.Recording.load() == 0 && view.RecordViewable != 0; });
  Run(400);
  // The box shows the flow again, in its own unit.
  EXPECT_NE(flow.IndicatorShownValue, volume) << "the volume text goes with the recording";
  EXPECT_EQ(flow.IndicatorShownVolume, 0);
  text_inside("after the stop");
}

}  // namespace
