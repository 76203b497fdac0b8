// Records of one to several sensor kinds on the review screen: after "Overview" every curve lies in
// the plot where its own axis labels say, a gained second quantity only on its pair's axis, and the
// difference rows name their quantities.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "review_rig.h"

namespace {

using apptest::Picture;
using apptest::ReviewRig;
using platform::MouseButton;

constexpr std::int32_t kFit = 75013;

// The value and the pixel row (from the plot's top) of a channel's axis labels, as written.
struct Label {
  double Value;
  double Row;
};

std::vector<Label> LabelsOf(const GraphView& view, std::size_t column_channel) {
  std::vector<Label> labels;
  for (std::size_t i = 0; i < view.ValueLabelTexts.size(); ++i) {
    if (view.ValueLabelChannels[i] != column_channel) continue;
    const PixelRect& r = view.ValueLabelRects[i];
    // The outermost labels may be pushed off their rows to stay clear of the frame.
    if (r.Top <= view.PlotRect.Top - 10 || r.Bottom >= view.PlotRect.Bottom) continue;
    labels.push_back({std::strtod(view.ValueLabelTexts[i].c_str(), nullptr), (r.Top + r.Bottom) / 2.0 - view.PlotRect.Top});
  }
  return labels;
}

// The label column a channel is read on: the first shown channel of its kind.
std::size_t ColumnChannel(const GraphView& view, std::size_t k) {
  for (std::size_t j = 0; j < GraphView::kLiveChannels; ++j) {
    const VessamorChannel& c = view.Channel(j);
    if (c.Enabled != 0 && c.Shown != 0 && c.SensorCode == view.Channel(k).SensorCode) return j;
  }
  return k;
}

// Rows of the plot in the channel's colour across the right half of the plot.
int InkedRows(const Picture& p, const PixelRect& plot, const Rgba& c) {
  int rows = 0;
  for (int y = plot.Top; y < plot.Bottom; ++y) {
    bool inked = false;
    for (int x = plot.Left + plot.Width() / 2; x < plot.Right - 4 && !inked; ++x)
      inked = p.At(x, y)[2] == c.R && p.At(x, y)[1] == c.G && p.At(x, y)[0] == c.B;
    rows += inked ? 1 : 0;
  }
  return rows;
}

TEST(MixedKindsFit, EveryCurveLiesInThePlotWhereItsAxisSays) {
  struct Case {
    const char* units;
    std::set<std::uint16_t> gained;  // kinds whose plot gain is in force
    bool second_alone_first = false;  // every unit's page opened, the second unit measured alone, then every unit
    std::set<std::uint16_t> flat{};  // kinds read as a constant: their curve lies on one value line
  } cases[] = {
      // The axis is the first shown channel's (the last unit's): the gas volume's temperature is
      // gained on the volume's axis only.
      {"auto:kind=40:sine=2048,1200,0.3;auto:kind=1:sine=2048,900,0.3;auto:kind=45:sine=2048,1000,0.4", {46}},
      {"auto:kind=45:sine=2048,1000,0.4;auto:kind=1:sine=2048,900,0.3", {}},
      {"auto:kind=45:sine=2048,1000,0.4;auto:kind=40:sine=2048,1200,0.3", {}},
      {"auto:kind=80:sine=2048,1500,0.5", {81}},
      {"auto:kind=80:sine=2048,1500,0.5;auto:kind=1:sine=2048,900,0.3", {}},
      {"auto:kind=11:sine=2048,1500,0.5", {10}},
      // A temperature measured alone, then beside voltages.
      {"wired:04/1195:sine;wired:15/1063:sine=2048,900,0.3;wired:04/1195:sine=2048,500,3", {}, true},
      // The angle pair's page opened on channels 0 and 1, then the temperature measured alone: the
      // pair comes to channels 1 and 2, and the first angle is plotted without the narrower one's gain.
      {"auto:kind=25;wired:15/1063:sine", {25}, true, {24, 25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.units);
    ReviewRig rig(1366, 768, true, c.units, 0, true);
    if (c.second_alone_first) {
      MainWindow& w = rig.Window();
      // Every unit's page opened in turn, then the second one's (unless open already), only it prepared.
      const auto units = std::count(c.units, c.units + std::strlen(c.units), ';') + 1;
      for (std::int32_t button = 75163; button < 75163 + units; ++button) rig.Press(button);
      if (units > 2) rig.Press(75164);
      {
        std::lock_guard lock(w.Devices->TableLock);
        w.SlotBinder->MarkSlotForDevice(*w.Devices->DeviceTable[1]);
      }
      w.RefreshDevices(1);
      w.Bytes.SensorPrepared[1] = 1;
      w.UpdateMeasureButton();
      rig.Press(75172);
      ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 1);
      rig.Press(75050);
      ASSERT_EQ(w.Bytes.MeasureScreenActive.load(), 0);
    }
    rig.EnterWithEveryUnit();
    rig.Record(6.0);
    {
      // Before any fit, as recorded on the header's range: what lies in the plot lies where its
      // own axis labels say.
      GraphView& view = rig.View();
      for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
        const VessamorChannel& ch = view.Channel(k);
        if (ch.Enabled == 0 || ch.Shown == 0) continue;
        SCOPED_TRACE(ch.SensorCode);
        const std::optional<double> base = ch.CurveBasePixel();
        const std::vector<Label> labels = LabelsOf(view, ColumnChannel(view, k));
        if (!base || labels.size() < 2 || labels.front().Value == labels.back().Value) continue;
        const Label& a = labels.front();
        const Label& b = labels.back();
        int off_labels = 0, inside = 0;
        for (std::uint32_t i = 1; i <= view.LastShownColumn; ++i) {
          const ColumnRecord& col = ch.Columns[i];
          const double row = *base - col.MaxPixel;
          if (row <= view.PlotRect.Top + 1 || row >= view.PlotRect.Bottom - 1) continue;
          ++inside;
          const double expected = view.PlotRect.Top + a.Row + (ch.ChannelValueOfCode(col.MaxCode, 2) - a.Value) /
                                                                  (b.Value - a.Value) * (b.Row - a.Row);
          off_labels += std::fabs(expected - row) > 3.0 ? 1 : 0;
        }
        EXPECT_EQ(off_labels, 0) << "before the fit";
        // Each voltage, temperature and constant reading lies within its kind's own range: its curve shows.
        if (ch.SensorCode == 2 || ch.SensorCode == 9 || c.flat.count(ch.SensorCode) == 1) {
          EXPECT_GT(inside, 0) << "before the fit";
        }
      }
    }
    rig.Press(kFit);
    const Picture fitted = rig.Screen();
    GraphView& view = rig.View();
    const PixelRect& plot = view.PlotRect;
    int shown = 0;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& ch = view.Channel(k);
      if (ch.Enabled == 0 || ch.Shown == 0) continue;
      SCOPED_TRACE(ch.SensorCode);
      ++shown;
      EXPECT_EQ(ch.PlotGainApplies(), c.gained.count(ch.SensorCode) == 1);
      const std::optional<double> base = ch.CurveBasePixel();
      ASSERT_TRUE(base.has_value());
      const std::vector<Label> labels = LabelsOf(view, ColumnChannel(view, k));
      ASSERT_GE(labels.size(), 2u);
      const Label& a = labels.front();
      const Label& b = labels.back();
      ASSERT_NE(a.Value, b.Value);
      int off_labels = 0;
      double highest = plot.Bottom, lowest = plot.Top;
      for (std::uint32_t i = 1; i <= view.LastShownColumn; ++i) {
        const ColumnRecord& col = ch.Columns[i];
        for (const auto& [code, pixel] : {std::pair{col.MaxCode, col.MaxPixel}, std::pair{col.MinCode, col.MinPixel}}) {
          const double row = *base - pixel;
          EXPECT_GE(row, plot.Top - 1.0) << i;
          EXPECT_LE(row, plot.Bottom + 1.0) << i;
          highest = std::min(highest, row);
          lowest = std::max(lowest, row);
          // Read on the channel's own labels, the value lies where the curve is drawn.
          const double value = ch.ChannelValueOfCode(code, 2);
          const double expected = plot.Top + a.Row + (value - a.Value) / (b.Value - a.Value) * (b.Row - a.Row);
          off_labels += std::fabs(expected - row) > 3.0 ? 1 : 0;
        }
      }
      EXPECT_EQ(off_labels, 0);
      // The curve swings over the plot rather than lying flat on an edge, and shows.
      if (c.flat.count(ch.SensorCode) == 0) {
        EXPECT_GT(lowest - highest, plot.Height() / 8.0);
      }
      EXPECT_GT(InkedRows(fitted, plot, ch.Colour), 5);
    }
    EXPECT_GE(shown, 2);

    // Two markers: each difference row names its quantity as the captions do, but the breathing row,
    // which has no name.
    const platform::WindowRect p = rig.Plot();
    for (const int at : {p.left + p.Width() / 5, p.left + p.Width() / 2}) rig.Click(MouseButton::Right, at, (p.top + p.bottom) / 2);
    ASSERT_EQ(view.CountMarkedPoints(), 2u);
    const auto rows = view.DifferenceRowTexts(0, 1);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(shown));
    for (const auto& row : rows) {
      const VessamorChannel& ch = view.Channel(row.Channel);
      EXPECT_FALSE(ch.Symbol.empty());
      EXPECT_EQ(row.Value.rfind(ch.SensorCode == 40 ? std::string(" =") : ch.Symbol + "=", 0), 0u) << row.Value;
    }
  }
}

}  // namespace
