// Preparation pages on the simulated bus with real workers, as a user meets them: the accelerometer's six
// positions, a typed reference finished three ways, the channels of a page left unprepared, what the
// boxes read ("Set 0" on two boxes, a typed reference, live accelerations and distances), a zeroed
// channel through its filters, recordings and files, and the spirometer's volume box.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include "app/preparation_steps.h"
#include "app/start_screen_parts.h"
#include "app_test_support.h"
#include "pages_fixture.h"
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

platform::WindowPoint Centre(const platform::WindowRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class PreparationPages : public apptest::PagesFixture {
 protected:
  // The page's body as drawn: each line's text, and whether it is marked as the current step.
  std::vector<std::pair<std::string, int>> Body() {
    const TextBlock& body = Panel().Body;
    std::vector<std::pair<std::string, int>> lines;
    for (std::int32_t i = 0; i < body.Count(); ++i) lines.emplace_back(body.Text(i), body.StepStyle[static_cast<std::size_t>(i)]);
    return lines;
  }

  // The first unit's preparation page opened by its sensor button, measuring: its boxes read the
  // samples of the unit's first 0.6 s of bus time, however slowly the worker brings them.
  MainWindow& OpenPage(const std::string& units) {
    MainWindow& w = Open(units);
    Press(w, 75163);
    Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    const std::int64_t from = bus.NowUs();
    Until([&] {
      std::lock_guard lock(w.View->ViewLock);
      return bus.NowUs() - from >= 600'000 && w.View->SampleCount > 0;
    });
    RunPumped(600);
    return w;
  }
  // A left click as the host delivers it, to the control under the point.
  void ClickAt(platform::WindowPoint at) {
    for (const auto kind : {platform::MouseKind::Move, platform::MouseKind::LeftDown, platform::MouseKind::LeftUp})
      rig->host.Window().DeliverMouse(kind, at, kind == platform::MouseKind::LeftDown ? platform::kMouseLeft : 0u);
    rig->host.Pump();
  }
  void ClickControl(std::int32_t id) { ClickAt(Centre(FindMainControl(rig->host.Window(), id)->Rect())); }
  void Settle(std::function<bool()> done) {
    Until(std::move(done));
    RunPumped(600);
  }
  // An item of a channel's settings panel clicked, the panel opened and closed by its slot button.
  void ChannelOption(std::size_t channel, StickButtonMod::Option option) {
    ClickControl(75181 + static_cast<std::int32_t>(channel));
    RunPumped(200);
    const auto& panel = *dynamic_cast<StickButtonMod*>(FindMainControl(rig->host.Window(), 74998));
    const platform::WindowRect item = panel.Placed().checks[option], at = panel.Rect();
    ClickAt({at.left + (item.left + item.right) / 2, at.top + (item.top + item.bottom) / 2});
    ClickControl(75181 + static_cast<std::int32_t>(channel));
    RunPumped(200);
  }
  // The bus let on a tenth of a second at a time, `after` run on the window once it is there.
  void BusFor(std::int64_t us, const std::function<void()>& after) {
    const std::int64_t start = bus.NowUs();
    for (std::int64_t held = start; held < start + us;) {
      clock.HoldBusAt(held += 100'000);
      for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60); bus.NowUs() < held && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      after();
    }
    clock.ReleaseBus();
  }
  // Space, `seconds` of the bus, Space.
  void Record(MainWindow& w, double seconds) {
    clock.HoldBusAt(bus.NowUs() + 200'000);
    w.OnKeyDown(key::kSpace, 1, 0);
    ASSERT_EQ(w.View->Recording.load(), 1);
    BusFor(static_cast<std::int64_t>(seconds * 1e6), [&] { RunPumped(100); });
    w.OnKeyDown(key::kSpace, 1, 0);
    Until([&] { return w.View->Recording.load() == 0 && w.View->RecordViewable != 0; });
  }
  // A value box reads zero: its digits all 0, without a sign.
  static bool ReadsZero(const ValueInputBox& box) {
    return box.Value == 0.0f && !box.Text.empty() && box.Text.find_first_not_of("0.") == std::string::npos;
  }
};

TEST_F(PreparationPages, AccelerometerPageWalksItsSixPositions) {
  struct Position {
    const char* axis;
    std::set<int> marked;
  };
  // After each press: the axis to lay up and the lines of the next action; the sixth press
  // prepares the sensor and leads on to the measurement.
  const Position presses[] = {{"осью X", {3, 4}}, {"осью Y", {1, 2}}, {"осью Y", {3, 4}},
                           {"осью Z", {1, 2}}, {"осью Z", {3, 4}}, {"осью X", {6}}};
  // The wireless one also with a driver queue that overruns between reads: its stream resumes.
  const std::pair<const char*, std::size_t> units[] = {{"auto:kind=7", 0}, {"auto:kind=7/3", 0}, {"auto:kind=7/3", 700}};
  for (const auto& [unit, queue] : units) {
    SCOPED_TRACE(unit + std::string(" queue ") + std::to_string(queue));
    MainWindow& w = Open(unit);
    Press(w, 75163);
    ASSERT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
    Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    if (queue != 0) bus.SetQueueCapacity(bus.Units()[0], queue);
    Run(200);
    std::set<std::vector<std::pair<std::string, int>>> bodies{Body()};
    for (std::size_t k = 0; k < std::size(presses); ++k) {
      SCOPED_TRACE(k + 1);
      Press(w, 75173);
      Until([&] { return Panel().Steps.StepPending == 0; });
      if (Panel().Steps.StepPending != 0) ADD_FAILURE() << apptest::PageHold(w, Panel());
      Run(200);
      const auto body = Body();
      ASSERT_EQ(body.size(), k == 3 || k == 4 ? 6u : 7u);
      EXPECT_NE(body[1].first.find(presses[k].axis), std::string::npos) << body[1].first;
      for (std::size_t i = 0; i < body.size(); ++i) EXPECT_EQ(body[i].second, presses[k].marked.count(static_cast<int>(i))) << i;
      bodies.insert(body);
    }
    EXPECT_EQ(bodies.size(), 7u) << "every position reads differently";
    EXPECT_NE(w.DeviceSlots[0].Prepared, 0);
  }
}

TEST_F(PreparationPages, TypedReferenceIsKeptHoweverTheTypingEnds) {
  enum class End { Enter, SetZero, Activation };
  const struct {
    const char* keys;
    End end;
    float reads;
  } cases[] = {{"30", End::Enter, 30.0f}, {"30", End::SetZero, 30.0f}, {"30", End::Activation, 30.0f}, {"-0", End::Enter, 0.0f}};
  std::vector<float> readings;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.keys << " ending " << static_cast<int>(c.end));
    MainWindow& w = Open("wired:15/1063:const=2000");
    Press(w, 75163);
    ValueInputBox& box = Panel().Box1;
    Until([&] { return box.Shown != 0 && Panel().Steps.StepPending == 0; });
    Run(300);
    const float live = box.Value;
    Click(w, Centre(box.Rect));
    for (char k : std::string(c.keys)) w.OnKeyDown(k == '-' ? key::kMinus : static_cast<unsigned>(k), 1, 0);
    Run(100);
    ASSERT_EQ(box.EditState, 2);
    switch (c.end) {
      case End::Enter: w.OnKeyDown(key::kEnter, 1, 0); break;
      case End::SetZero: Press(w, 75173); break;
      case End::Activation: w.OnActivate(false); break;
    }
    Until([&] { return box.EditState == 0 && Panel().Steps.StepPending == 0; });
    Run(400);
    EXPECT_EQ(box.LastRefusal, ValueInputBox::Refusal::None);
    EXPECT_NE(box.Channel->ZeroOffsetOn, 0);
    // The typed value (a zero too) is what the channel reads from then on.
    EXPECT_NEAR(box.Channel->ZeroOffset, live - c.reads, 0.2f);
    EXPECT_NEAR(box.Value, c.reads, 0.02f);
    if (c.reads != 0.0f) readings.push_back(box.Value);
  }
  ASSERT_EQ(readings.size(), 3u);
  EXPECT_NEAR(readings[1], readings[0], 0.05f);
  EXPECT_NEAR(readings[2], readings[0], 0.05f);
}

TEST_F(PreparationPages, ATextWithoutADigitIsRefusedAsAnEmptyOne) {
  // A sign or a separator alone says no number: the empty box's message, and the reference stays.
  const struct {
    const char* keys;
    bool english;
  } cases[] = {{"-", false}, {",", true}, {".", false}, {"-,", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    MainWindow& w = Open("wired:15/1063:const=2000", c.english);
    Press(w, 75163);
    Settle([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    ValueInputBox& box = Panel().Box1;
    VessamorChannel& channel = *box.Channel;
    const float live = box.Value;
    const std::uint8_t offset_on = channel.ZeroOffsetOn;
    const float offset = channel.ZeroOffset;
    Click(w, Centre(box.Rect));
    for (const char k : std::string(c.keys)) w.OnKeyDown(k == '-' ? key::kMinus : k == ',' ? key::kComma : key::kPeriod, 1, 0);
    w.OnKeyDown(key::kEnter, 1, 0);
    RunPumped(600);
    EXPECT_EQ(box.LastRefusal, ValueInputBox::Refusal::Empty);
    EXPECT_EQ(box.RefusalText(c.english), c.english ? "Enter a number" : "Введите число");
    EXPECT_FALSE(box.RefusalBox.IsEmpty()) << "the message is drawn under the box";
    EXPECT_EQ(box.Text, c.keys) << "the text stays for correction";
    EXPECT_EQ(Panel().Steps.StepPending, 0);
    EXPECT_EQ(channel.EnteredValueSet, 0);
    EXPECT_EQ(channel.ZeroOffsetOn, offset_on);
    EXPECT_EQ(channel.ZeroOffset, offset);
    std::lock_guard lock(w.View->ViewLock);
    EXPECT_NEAR(channel.ValueAtIndex(w.View->SampleCount - 1), live, 0.2f);
  }
}

TEST_F(PreparationPages, ChoiceRightAfterAnUnpreparedAccelerometerPageIsAccepted) {
  // The accelerometer binds three channels; the two-channel sensor needs two of the four.
  MainWindow& w = Open("auto:kind=7;auto:kind=11");
  Press(w, 75163);
  ASSERT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
  Until([&] { return Panel().Box1.Shown != 0; });
  Run(200);
  Press(w, 75164);
  EXPECT_EQ(FindImageButton(w.Window(), 75164)->State.load(), ControlFrame::kStateDown);
  EXPECT_EQ(Panel().ScreenNumber(), InfoPanel::kPreparation);
  EXPECT_EQ(Panel().SensorCode, 11);
  EXPECT_TRUE(Panel().Notice.empty());
}

TEST_F(PreparationPages, SilentUnitShowsItsOwnUnitAndNoOtherSensorsValue) {
  // A type-6 force sensor sends no samples; before it, an accelerometer's page had shown its readings.
  for (const bool english : {false, true}) {
  MainWindow& w = Open("auto:kind=7;auto:kind=59;wired:15/1063:const=2000;auto:kind=7/3", english);
  ValueInputBox& box = Panel().Box1;
  Press(w, 75163);
  Until([&] { return box.Shown != 0 && Panel().Steps.StepPending == 0; });
  Run(400);
  // Two positions taken: the box has moved on to the accelerometer's second channel.
  for (int k = 0; k < 2; ++k) {
    Press(w, 75173);
    Until([&] { return Panel().Steps.StepPending == 0; });
  }
  Run(400);
  Press(w, 75164);
  ASSERT_EQ(Panel().SensorCode, 59);
  Until([&] { return w.MeasureButtonReady == 1; });
  Run(400);
  EXPECT_EQ(box.Unit, english ? "N" : "Н");
  EXPECT_EQ(box.Decimals, 2u);
  EXPECT_FLOAT_EQ(box.Value, 0.0f);
  EXPECT_EQ(box.Text, "0.00");
  }
}

TEST_F(PreparationPages, TickBoxHintFollowsAClickUnderThePointer) {
  MainWindow& w = Open("wired:15/1063:const=2000");
  Press(w, 75163);
  Until([&] { return w.MeasureButtonReady == 1 && Panel().Steps.StepPending == 0; });
  // The sensor released, its page left: the prepared sensor's tick box stands beside its button.
  Press(w, 75163);
  Run(200);
  Until([&] { return w.SensorChosen[0] != 0 && !w.SensorTickRects[0].IsEmpty(); });
  const platform::WindowPoint tick = Centre(w.SensorTickRects[0]);
  const AImageButton& hint = *FindImageButton(w.Window(), 75175);
  rig->host.Window().DeliverMouse(platform::MouseKind::Move, tick, 0);
  Run(1200);
  ASSERT_TRUE(hint.IsVisible());
  const std::string used = hint.Caption();
  EXPECT_NE(used.find("будет использоваться"), std::string::npos) << used;
  // Unticked under the pointer: the hint says so at once, and again when ticked.
  Click(w, tick);
  EXPECT_EQ(w.Bytes.SensorPrepared[0].load(), 0);
  EXPECT_NE(hint.Caption().find("не используется"), std::string::npos) << hint.Caption();
  Run(100);
  EXPECT_TRUE(hint.IsVisible());
  Click(w, tick);
  EXPECT_EQ(hint.Caption(), used);
}

TEST_F(PreparationPages, WhileNoStepIsMadeOnlyTheValueBoxesArePaintedAgain) {
  MainWindow& w = Open("wired:15/1063:const=2000");
  Press(w, 75163);
  ValueInputBox& box = Panel().Box1;
  Until([&] { return box.Shown != 0 && Panel().Steps.StepPending == 0 && Panel().Steps.PartialPaint != 0; });
  Run(400);
  // Marks in the composed panel: in the heading band and inside the value box.
  const platform::WindowRect content = w.Panels[1]->ContentArea;
  const platform::WindowPoint heading{content.left + 40, content.top + 12};
  const platform::WindowPoint inside = Centre(box.Rect);
  constexpr platform::Colour kMark{255, 0, 255, 255};
  platform::Surface& composed = w.BackBuffer(0);
  for (const platform::WindowPoint p : {heading, inside}) composed.SetPixel(p.x, p.y, kMark);
  RunPumped(600);
  EXPECT_EQ(composed.GetPixel(heading.x, heading.y), kMark) << "the page itself is not built again";
  EXPECT_NE(composed.GetPixel(inside.x, inside.y), kMark) << "the box is drawn again";
  // A request for the whole panel builds it again.
  RedrawInfoPanel(w);
  RunPumped(100);
  EXPECT_NE(composed.GetPixel(heading.x, heading.y), kMark);
}

TEST_F(PreparationPages, EnglishOpticalDensityButtonKeepsItsSecondCaption) {
  MainWindow& w = Open("auto:kind=34", true);
  Press(w, 75163);
  Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
  Run(300);
  const AImageButton& button = *FindImageButton(w.Window(), 75173);
  EXPECT_EQ(button.Caption(), "Backlight");
  Press(w, 75173);
  Until([&] { return Panel().Steps.StepPending == 0; });
  Run(600);
  EXPECT_EQ(button.Caption() + "|" + button.SecondLine, "Signal in the absence of| absorption");
  // Also through a whole new build of the page, as when the window is activated.
  w.OnActivate(true);
  Run(300);
  EXPECT_EQ(button.Caption() + "|" + button.SecondLine, "Signal in the absence of| absorption");
}

TEST_F(PreparationPages, SensorButtonDropsItsHoverLookWhenThePointerJumpsOntoTheCaption) {
  MainWindow& w = Open("wired:15/1063:const=2000");
  AImageButton& sensor = *FindImageButton(w.Window(), 75163);
  const AImageButton& caption = *FindImageButton(w.Window(), 75171);
  rig->host.Window().DeliverMouse(platform::MouseKind::Move, Centre(sensor.Rect()), 0);
  Run(200);
  ASSERT_EQ(sensor.TargetLook(), AImageButton::kHover);
  rig->host.Window().DeliverMouse(platform::MouseKind::Move, Centre(caption.Rect()), 0);
  Run(200);
  EXPECT_EQ(sensor.TargetLook(), AImageButton::kNormal);
}

TEST_F(PreparationPages, SetZeroOnTheGasPressurePageMeasuresTheIncrement) {
  // The absolute pressure sensor is prepared on entry; "Set 0" then makes it measure the increment,
  // which the measurement screen's scale ratio tells by the channel's alternative conversion.
  MainWindow& w = Open("auto:kind=26");
  Press(w, 75163);
  ValueInputBox& box = Panel().Box1;
  Until([&] { return box.Shown != 0 && Panel().Steps.StepPending == 0 && w.MeasureButtonReady == 1; });
  ASSERT_NE(box.Channel, nullptr);
  EXPECT_EQ(box.Channel->AltConversion, 0);
  Press(w, 75173);
  Until([&] { return Panel().Steps.StepPending == 0; });
  EXPECT_EQ(box.Channel->AltConversion, 1);
  const VessamorChannel& c = *box.Channel;
  EXPECT_TRUE(c.ZeroOffsetOn != 0 || c.CodeOffsetOn != 0 || c.FineOffsetOn != 0) << "zeroed";
}

TEST_F(PreparationPages, SetZeroReadsZeroInBothBoxesOfEveryTwoBoxKind) {
  // The inputs shorted, as the page asks: both quantities read zero. The gas volume's second box
  // is its temperature, which has no zero to set.
  const std::pair<int, bool> kinds[] = {{11, true}, {20, true}, {21, true}, {22, true}, {23, true}, {25, true},
                                        {42, true}, {45, false}, {51, true}, {80, true}, {88, true}};
  for (const auto& [kind, second_zeroed] : kinds) {
    SCOPED_TRACE(kind);
    MainWindow& w = OpenPage("auto:kind=" + std::to_string(kind) + ":const=3000|const=1000");
    const ValueInputBox &first = Panel().Box1, &second = Panel().Box2;
    ASSERT_EQ(Panel().ButtonSet, 2);
    ASSERT_NE(first.Channel, second.Channel);
    const float before = second.Value;
    EXPECT_FALSE(ReadsZero(first) && ReadsZero(second));
    Press(w, 75173);
    Settle([&] { return Panel().Steps.StepPending == 0; });
    EXPECT_TRUE(ReadsZero(first)) << first.Text;
    EXPECT_TRUE(second_zeroed ? ReadsZero(second) : second.Value == before) << second.Text;
  }
}

TEST_F(PreparationPages, TypedReferenceIsWhatTheChannelReadsThen) {
  MainWindow& w = OpenPage("wired:15/1063:const=2000");
  ValueInputBox& box = Panel().Box1;
  const float live = box.Value;
  ASSERT_GT(std::fabs(live - 25.5f), 5.0f);
  // Each typed value is what the channel reads from then on, the last one kept.
  for (const std::string typed : {"0", "25,5"}) {
    Click(w, Centre(box.Rect));
    for (const char k : typed) w.OnKeyDown(k == ',' ? key::kComma : static_cast<unsigned>(k), 1, 0);
    w.OnKeyDown(key::kEnter, 1, 0);
    Settle([&] { return box.EditState == 0 && Panel().Steps.StepPending == 0; });
  }
  EXPECT_EQ(box.Text, "25.50");
  std::lock_guard lock(w.View->ViewLock);
  EXPECT_NEAR(box.Channel->SampleValue(0), 25.5f, 0.01f);
}

TEST_F(PreparationPages, AccelerometerAndDistanceBoxesFollowTheirInput) {
  // The box's channel (an accelerometer's X) fed a slow sine (an echo delay is five timer counts a
  // code): over two periods the box reads most of the sine's span, and the samples come at the
  // rate the page records at.
  const struct {
    const char* units;
    std::int16_t low, high;
  } cases[] = {{"auto:kind=7:sine=2048,800,0.5|const=2048|const=2048", 1248, 2848},
               {"auto:kind=7/3:sine=512,200,0.5|const=512|const=512", 312, 712},
               {"auto:kind=64:sine=1200,400,0.5", 4000, 8000},
               {"auto:kind=65:sine=1200,400,0.5", 4000, 8000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.units);
    GraphView& view = *OpenPage(c.units).View;
    const ValueInputBox& box = Panel().Box1;
    const VessamorChannel& channel = *box.Channel;
    const float span = std::fabs(channel.RawToValueFn(c.high, &channel) - channel.RawToValueFn(c.low, &channel));
    float low = 1e9f, high = -1e9f;
    std::uint32_t samples = 0;
    const std::int64_t start = bus.NowUs();
    {
      std::lock_guard lock(view.ViewLock);
      samples = view.SampleCount;
    }
    BusFor(4'000'000, [&] {
      RunPumped(160);
      low = std::min(low, box.Value), high = std::max(high, box.Value);
    });
    EXPECT_GT(high - low, 0.7f * span) << low << " .. " << high;
    std::lock_guard lock(view.ViewLock);
    const double expected = (bus.NowUs() - start) * 1e-6 * view.RateSetting;
    EXPECT_NEAR(view.SampleCount - samples, expected, 0.2 * expected + view.RateSetting / 5.0);
    EXPECT_GT(view.Sweep.ColumnPosition, 0u);
  }
}

TEST_F(PreparationPages, AveragingOffAndOnAgainKeepsTheZeroOnceInRecordsAndFiles) {
  apptest::Folder folder("preparation-averaging");
  // A constant input zeroed, and a ramp over the whole code range zeroed somewhere along it.
  MainWindow& w = OpenPage("auto:kind=11:const=900|ramp=0,4095,2");
  Press(w, 75173);
  Settle([&] { return Panel().Steps.StepPending == 0 && w.MeasureButtonReady == 1; });
  ASSERT_TRUE(ReadsZero(Panel().Box1)) << Panel().Box1.Text;
  ClickControl(75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  GraphView& view = *w.View;
  const auto in_range = [](const std::int16_t* first, const std::int16_t* last) {
    const auto [low, high] = std::minmax_element(first, last);
    return first != last && *low >= 0 && *high <= 4095;
  };
  for (const bool averaging : {false, true}) {
    SCOPED_TRACE(averaging ? "averaging ticked again" : "averaging unticked");
    // Half a code is the most a whole-code offset leaves of the zero.
    const double zero = averaging ? 0.0005 : 0.003;
    for (std::size_t k = 0; k < 2; ++k) ChannelOption(k, StickButtonMod::kAveragingGroup);
    ASSERT_EQ(view.Channel(0).SmoothingOn, averaging ? 1 : 0);
    Record(w, 2.0);
    {
      std::lock_guard lock(view.ViewLock);
      for (std::size_t k = 0; k < 2; ++k) EXPECT_TRUE(in_range(view.Channel(k).Codes, view.Channel(k).Codes + view.Channel(k).CodeCount));
      EXPECT_NEAR(view.Channel(0).ValueAtIndex(view.SampleCount / 2), 0.0, zero);
      EXPECT_NEAR(view.Channel(0).IndicatorShownValue, 0.0, zero);
    }
    const std::string name = averaging ? "on" : "off";
    const std::filesystem::path out = folder.path / (name + ".out"), text = folder.path / (name + ".txt");
    for (const auto& [file, filter] : {std::pair{out, 1}, std::pair{text, 3}}) {
      rig->host.DialogAnswers.push_back({file.string(), filter});
      w.MenuNotification(0, 2, view);
      rig->host.Pump();
    }
    const records::BinaryRead read = records::ReadBinaryRecord(records::FileSource(out.string()), 10'000'000);
    ASSERT_EQ(read.Outcome, records::ReadOutcome::Loaded);
    for (std::size_t k = 0; k < 2; ++k) {
      const std::vector<std::int16_t>& codes = read.Record.Channels[k].Codes;
      EXPECT_TRUE(in_range(codes.data(), codes.data() + codes.size())) << k;
    }
    // The text export's first channel reads the zero in every row.
    std::ifstream in(text, std::ios::binary);
    int rows = 0;
    for (std::string line; std::getline(in, line);) {
      std::istringstream row(line);
      double time = 0.0, value = 0.0;
      if (line.empty() || line[0] < '0' || line[0] > '9' || !(row >> time >> value)) continue;
      ++rows;
      EXPECT_NEAR(value, 0.0, zero) << line;
    }
    EXPECT_GT(rows, 100);
  }
}

TEST_F(PreparationPages, RecordAfterAGasLawPairIsWrittenSampleBySample) {
  // The pair's files hold a row a second; the voltage recorded after it, in its own right, every
  // sample, however the pair's layout was met: its record measured and left, its pages only, or its
  // record opened on the measurement screen before the voltage's Start.
  enum class Pair { Measured, PagesOnly, RecordOpened };
  const std::pair<const char*, Pair> cases[] = {{"pair measured, then left out", Pair::Measured},
                                                {"pair's pages only, then left out", Pair::PagesOnly},
                                                {"pair's record opened, then Start", Pair::RecordOpened}};
  apptest::Folder folder("preparation-after-gas-pair");
  // The rows of a ".txt": a time and a value each; the number cells of a ".xls"'s time column.
  const auto text_rows = [](const std::filesystem::path& text) {
    std::ifstream in(text, std::ios::binary);
    std::uint32_t rows = 0;
    for (std::string line; std::getline(in, line);) {
      std::istringstream row(line);
      double time = 0.0, value = 0.0;
      if (!line.empty() && line[0] >= '0' && line[0] <= '9' && (row >> time >> value)) ++rows;
    }
    return rows;
  };
  const auto sheet_rows = [](const std::filesystem::path& sheet) {
    std::ifstream book(sheet, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(book)), std::istreambuf_iterator<char>());
    const auto word = [&](std::size_t at) {
      return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) | static_cast<std::uint8_t>(bytes[at + 1]) << 8);
    };
    std::uint32_t times = 0;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4u + word(at + 2)) {
      if (word(at) == 0x0003 && word(at + 2) == 15 && at + 8 <= bytes.size() && word(at + 6) == 0) ++times;
    }
    return times;
  };
  for (const auto& [trace, pair] : cases) {
    SCOPED_TRACE(trace);
    MainWindow& w = Open("auto:kind=26;auto:kind=46;wired:04/1195:sine=2048,1500,1");
    const auto file = [&](const char* stem, const char* extension) {
      return folder.path / (stem + std::to_string(static_cast<int>(pair)) + extension);
    };
    const auto save = [&](const char* stem, std::initializer_list<int> filters) {
      for (const int filter : filters) {
        rig->host.DialogAnswers.push_back({file(stem, filter == 1 ? ".out" : filter == 2 ? ".xls" : ".txt").string(), filter});
        w.MenuNotification(0, 2, *w.View);
        rig->host.Pump();
      }
    };
    const auto samples = [&] {
      std::lock_guard lock(w.View->ViewLock);
      return w.View->LastSampleIndex + 1;
    };
    // The pair's own record, measured or opened, keeps a row a second.
    const auto per_second = [&](const char* what) {
      ASSERT_GT(samples(), 100u) << what;
      save("pair", {2, 3});
      for (const std::uint32_t rows : {text_rows(file("pair", ".txt")), sheet_rows(file("pair", ".xls"))}) {
        EXPECT_GE(rows, 1u) << what;
        EXPECT_LE(rows, samples() / w.View->RecordRate + 1) << what;
      }
    };
    Press(w, 75163);
    Settle([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0 && w.MeasureButtonReady == 1; });
    Press(w, 75164);
    Settle([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    Press(w, 75173);
    Settle([&] { return Panel().Steps.StepPending == 0 && w.MeasureButtonReady == 1; });
    ASSERT_EQ(w.View->TwoChannelText, 1) << "the pair measures the isochoric process";
    if (pair == Pair::PagesOnly) {
      // The page left by its sensor button.
      Press(w, 75164);
      RunPumped(200);
    } else {
      ClickControl(75172);
      ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
      Record(w, 2.0);
      per_second("measured");
      save("pair", {1});
      w.OnKeyDown(key::kEscape, 1, 0);
    }
    // The pair unticked, the voltage's page and then its record.
    Settle([&] { return w.Bytes.InfoScreenActive.load() != 0 && w.StartScreenDirty == 0; });
    for (std::size_t i : {0u, 1u}) {
      Until([&] { return !w.SensorTickRects[i].IsEmpty(); });
      Click(w, Centre(w.SensorTickRects[i]));
      RunPumped(100);
      ASSERT_EQ(w.Bytes.SensorPrepared[i].load(), 0) << i;
    }
    Press(w, 75165);
    Settle([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
    Press(w, 75173);
    Settle([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0 && w.MeasureButtonReady == 1; });
    ClickControl(75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    GraphView& view = *w.View;
    if (pair == Pair::RecordOpened) {
      rig->host.DialogAnswers.push_back({file("pair", ".out").string(), 1});
      w.MenuNotification(0, 1, view);
      rig->host.Pump();
      ASSERT_EQ(view.RecordViewable, 1);
      per_second("opened");
    }
    Record(w, 2.0);
    ASSERT_GT(samples(), 100u);
    save("voltage", {2, 3});
    // One row a sample.
    EXPECT_EQ(text_rows(file("voltage", ".txt")), samples()) << ".txt";
    EXPECT_EQ(sheet_rows(file("voltage", ".xls")), samples()) << ".xls";
  }
}

TEST_F(PreparationPages, VolumeIsDrawnInsideItsBoxAndGoesWhenTheRecordStops) {
  // Gentle breaths through the spirometer, taken as prepared: the flow's curve keeps low, clear of the box.
  MainWindow& w = OpenPage("auto:kind=48:sine=40,30,0.5");
  {
    std::lock_guard lock(w.Devices->TableLock);
    w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[0]);
  }
  w.RefreshDevices(1);
  w.Bytes.SensorPrepared[0] = 1;
  w.UpdateMeasureButton();
  ClickControl(75172);
  ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
  VessamorChannel& flow = w.View->Channel(0);
  ChannelOption(0, StickButtonMod::kVolumeOption);
  ASSERT_EQ(flow.VolumeOn, 1);
  // No stroke of the value's colour on the frame's left edge or beyond it.
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
  BusFor(4'000'000, [&] {
    clock.SleepMs(300);  // the indicator takes a new value a quarter of a second after the last
    RunPumped(100);
    if (flow.IndicatorShownValue > 10.0) text_inside("while recording");
  });
  const double volume = flow.IndicatorShownValue;
  EXPECT_GT(volume, 10.0) << "seven decimals and more than one whole digit";
  w.OnKeyDown(key::kSpace, 1, 0);
  Settle([&] { return w.View->Recording.load() == 0 && w.View->RecordViewable != 0; });
  // The box shows the flow again, in its own unit.
  EXPECT_NE(flow.IndicatorShownValue, volume);
  EXPECT_EQ(flow.IndicatorShownVolume, 0);
  text_inside("after the stop");
}

TEST_F(PreparationPages, ASensorLeftOutOfTheMeasurementSetsNotItsRate) {
  // The gas-law pair (pressure and temperature, 125 Hz) prepared and then unticked, before or after
  // the ±10 V sensor's page: the voltage sensor measured alone records at its own 1000 Hz.
  const std::string voltage = "wired:04/1195:sine=2048,1500,1";
  for (const bool voltage_first : {false, true}) {
    SCOPED_TRACE(voltage_first ? "voltage prepared first" : "voltage prepared last");
    const std::string gas = "auto:kind=26:const=2000;auto:kind=46:const=2000";
    MainWindow& w = Open(voltage_first ? voltage + ";" + gas : gas + ";" + voltage);
    const std::int32_t first_gas = voltage_first ? 1 : 0, volts = voltage_first ? 0 : 2;
    const auto prepare = [&](std::int32_t unit) {
      Press(w, 75163 + unit);
      Until([&] { return Panel().Box1.Shown != 0 && Panel().Steps.StepPending == 0; });
      // The voltage sensor is prepared by "Set 0"; the gas-law pair on entry.
      if (unit == volts) Press(w, 75173);
      Settle([&] { return Panel().Steps.StepPending == 0 && w.Bytes.SensorPrepared[static_cast<std::size_t>(unit)] != 0; });
    };
    if (voltage_first) prepare(volts);
    prepare(first_gas);
    prepare(first_gas + 1);
    if (!voltage_first) prepare(volts);
    // The last page left by its sensor button; the start screen's tick boxes then take clicks.
    Press(w, 75163 + (voltage_first ? first_gas + 1 : volts));
    RunPumped(200);
    for (const std::int32_t unit : {first_gas, first_gas + 1}) {
      const auto i = static_cast<std::size_t>(unit);
      Until([&] { return !w.SensorTickRects[i].IsEmpty(); });
      Click(w, Centre(w.SensorTickRects[i]));
      RunPumped(100);
      ASSERT_EQ(w.Bytes.SensorPrepared[i].load(), 0) << unit;
    }
    ClickControl(75172);
    ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
    GraphView& view = *w.View;
    EXPECT_EQ(view.RateSetting, 1000u);
    Record(w, 1.0);
    std::lock_guard lock(view.ViewLock);
    EXPECT_EQ(view.RecordRate, 1000u);
    EXPECT_NEAR(view.SampleCount, 1000.0, 250.0);
  }
}

}  // namespace
