// A record saved as ".out", loaded and saved again is the same file, byte for byte, for every
// kind of channel block: whatever the view held before the load, nothing of it reaches the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "review_rig.h"

namespace {

using apptest::Folder;
using apptest::ReviewRig;
namespace fs = std::filesystem;

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Where two files first differ, as a byte offset and the two bytes, for the failure's message.
std::string FirstDifference(const std::string& a, const std::string& b) {
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  std::ostringstream out;
  out << "sizes " << a.size() << " and " << b.size() << ", first difference at byte " << i;
  if (i < a.size() && i < b.size()) out << ": " << int(std::uint8_t(a[i])) << " and " << int(std::uint8_t(b[i]));
  return out.str();
}

void FileCommand(ReviewRig& rig, int row, const fs::path& file) {
  rig.Host().DialogAnswers.push_back({file.string(), 1});
  rig.Window().MenuNotification(0, row, rig.View());
  rig.Settle();
}

// What each shown channel's curve reads at fifty places along the record.
std::vector<float> CurveValues(GraphView& view) {
  std::lock_guard lock(view.ViewLock);
  std::vector<float> values;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    if (ch.Shown == 0 || ch.CodeCount == 0) continue;
    for (std::uint32_t i = 0; i < 50; ++i) values.push_back(ch.CurveValueAt(view.LastSampleIndex * i / 49));
  }
  return values;
}

TEST(RecordRoundTrip, LoadedAndSavedAgainIsTheSameFileAndReadsAsRecorded) {
  using Step = std::function<void(ReviewRig&)>;
  const Step every_unit = [](ReviewRig& rig) { rig.EnterWithEveryUnit(); };
  // The first unit zeroed on its page where its signal stands at codes 3000 to 3199.
  const Step zeroed = [](ReviewRig& rig) {
    rig.ZeroOnPage(0, [](std::int32_t code) { return code >= 3000 && code < 3200; });
    rig.ReleaseBus();
    rig.EnterMeasureScreen(true);
    const VessamorChannel& ch = rig.View().Channel(0);
    ASSERT_NE(ch.FineOffsetOn + ch.CodeOffsetOn + ch.ZeroOffsetOn, 0) << "zeroed";
  };
  const Step hide_second = [](ReviewRig& rig) { apptest::PressButton(rig.Window(), 75039); };
  const Step averaging_off = [](ReviewRig& rig) {
    rig.ChannelPanel(0, StickButtonMod::kAveraging, [](StickButtonMod& p) { p.AveragingOn = 0; });
  };
  const Step median_without_averaging = [&](ReviewRig& rig) {
    averaging_off(rig);
    rig.ChannelPanel(0, StickButtonMod::kMedian, [](StickButtonMod& p) { p.MedianOn = 1, p.Sliders[0].Value = 9; });
  };
  const Step curve_smoothing = [](ReviewRig& rig) {
    rig.ChannelPanel(0, StickButtonMod::kSmoothing, [](StickButtonMod& p) { p.SmoothingOn = 1; });
  };
  const char* const voltage_and_temperature = "wired:04/1195:ramp=0,4095,0.5;wired:15/1063:sine=2048,900,0.3";
  const struct {
    const char* units;
    double seconds;
    Step prepare;  // up to the measurement screen, ready to record
    Step after;    // what the user changes on the record before saving it
  } cases[] = {
      // A voltage beside a temperature; the temperature hidden; the voltage's filters changed.
      {voltage_and_temperature, 2.0, every_unit, {}},
      {voltage_and_temperature, 2.0, every_unit, hide_second},
      {voltage_and_temperature, 2.0, every_unit, median_without_averaging},
      {voltage_and_temperature, 2.0, every_unit, curve_smoothing},
      // The voltage zeroed with averaging on, then off on the record; a kind measured without
      // averaging zeroed by its value.
      {voltage_and_temperature, 2.0, zeroed, {}},
      {voltage_and_temperature, 2.0, zeroed, averaging_off},
      {"auto:kind=54:ramp=0,4095,0.5", 2.0, zeroed, {}},
      // An accelerometer's gain.
      {"auto:kind=7:sine=2048,600,1|sine=2048,500,0.7|sine=2048,400,0.4", 2.0, every_unit, {}},
      // The pulse shorter than its window (no history entry), and over two windows (two entries).
      {"auto:kind=35:sine=2048,1000,1.2", 3.0, every_unit, {}},
      {"auto:kind=35:sine=2048,1000,1.2", 11.0, every_unit, {}},
      // Radioactivity and breathing, each within its first window and beyond it.
      {"auto:kind=37:square=0,2000,2", 3.0, every_unit, {}},
      {"auto:kind=37:square=0,2000,2", 41.0, every_unit, {}},
      {"auto:kind=40:sine=2048,1200,0.3", 4.0, every_unit, {}},
      {"auto:kind=40:sine=2048,1200,0.3", 16.0, every_unit, {}},
      // A pulse beside a voltage, with and without history entries, and hidden; a rotation.
      {"auto:kind=35:sine=2048,1000,1.2;wired:04/1195:sine=2048,1500,1", 3.0, every_unit, {}},
      {"auto:kind=35:sine=2048,1000,1.2;wired:04/1195:sine=2048,1500,1", 6.0, every_unit, {}},
      {"wired:04/1195:sine=2048,1500,1;auto:kind=35:sine=2048,1000,1.2", 6.0, every_unit, hide_second},
      {"auto:kind=77:square=0,4095,8", 2.0, every_unit, {}},
  };
  Folder folder("record-round-trip");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.units) + " for " + std::to_string(c.seconds) + " s, case " + std::to_string(++n));
    ReviewRig rig(1366, 768, false, c.units, 0, true);
    c.prepare(rig);
    rig.Record(c.seconds);
    if (c.after) c.after(rig);
    const std::vector<float> recorded_values = CurveValues(rig.View());
    const std::string name = std::to_string(n);
    const fs::path recorded = folder.path / (name + "-recorded.out"), once = folder.path / (name + "-once.out"),
                   twice = folder.path / (name + "-twice.out");
    FileCommand(rig, 2, recorded);
    FileCommand(rig, 1, recorded);
    EXPECT_EQ(CurveValues(rig.View()), recorded_values) << "loaded, the curves read as recorded";
    FileCommand(rig, 2, once);
    FileCommand(rig, 1, once);
    FileCommand(rig, 2, twice);
    EXPECT_TRUE(rig.Host().Messages.empty());
    const std::string a = Bytes(recorded), b = Bytes(once), d = Bytes(twice);
    ASSERT_GT(a.size(), 100u);
    EXPECT_TRUE(a == b) << "recorded, then loaded and saved: " << FirstDifference(a, b);
    EXPECT_TRUE(b == d) << "loaded and saved twice: " << FirstDifference(b, d);
  }
}

}  // namespace
