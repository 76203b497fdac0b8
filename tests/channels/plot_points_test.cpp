// A column's plot points follow the value path of every other reader of its codes: the zeroed code,
// its conversion (a look-up table or a formula), the zero offset, the floor of the gas volume, the
// plot gain or the axis channel's scale, in rows of the value scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "channel_fixtures.h"

namespace {

std::int32_t RowOf(const VessamorChannel& ch, std::int32_t code, double per_pixel) {
  float value = ch.ChannelValueOfCode(code, 2);
  if (ch.SensorCode == 47 && ch.ZeroOffsetOn != 0 && value < 0.0f) value = 0.0f;
  const double row = ch.PlottedValueOn(value, ch.AxisChannel()) / per_pixel;
  return std::isfinite(row) ? static_cast<std::int32_t>(std::clamp(row, -2.0e9, 2.0e9)) : 0;
}

struct Case {
  const char* what;
  std::uint16_t axis_kind, kind;  // channel 0 sets the axis; channel 1 is plotted
  std::uint8_t fractional, code_offset_on, fine_offset_on, zero_offset_on, gain_on;
  float zero_offset = 1.5f;
};

TEST(ChannelPlotPoints, EveryColumnGivesTheRowsOfItsCodesValues) {
  const Case cases[] = {
      {"a table kind, whole codes", 1, 1, 0, 0, 0, 0, 0},
      {"a table kind, fractional codes with both offsets", 1, 1, 1, 1, 1, 1, 0},
      {"a whole-code offset on plain codes", 1, 1, 0, 1, 0, 0, 0},
      {"the gas volume held at zero", 47, 47, 1, 0, 0, 1, 0, 400.0f},
      {"a formula kind on its own axis", 9, 9, 1, 0, 1, 1, 0},
      {"another kind on the axis channel's scale", 1, 9, 1, 0, 0, 0, 0},
      {"a gained curve", 9, 9, 1, 0, 0, 0, 1},
  };
  // Codes below and beyond the tables, fractions, and the top of the 16-bit range.
  const std::vector<std::int32_t> codes = {-70000, -256, -1, 0, 128, 255, 257 * 256 + 77, 1023 * 256 + 255,
                                           4095 * 256 + 200, 5000 * 256, 32767 * 256 + 200, 2047, 4095, 40000};
  for (const Case& c : cases) {
    SetupView s;
    s.SetupOwn(0, c.axis_kind);
    s.SetupOwn(1, c.kind);
    VessamorChannel& ch = s.Ch(1);
    s.view.SensorCode = c.axis_kind;
    s.Ch(0).Enabled = s.Ch(0).Shown = ch.Enabled = ch.Shown = 1;
    ch.FractionalCodes = c.fractional;
    ch.CodeOffsetOn = c.code_offset_on, ch.CodeOffset = -3;
    ch.FineOffsetOn = c.fine_offset_on, ch.FineOffset = 300;
    ch.ZeroOffsetOn = c.zero_offset_on, ch.ZeroOffset = c.zero_offset;
    ch.PlotGainOn = c.gain_on, ch.PlotGain = 3.0f, ch.PlotGainAxisKind = c.axis_kind;
    s.view.Scale.ValuePerPixel = 0.013;
    ASSERT_GT(ch.ColumnCapacity, codes.size() / 2 + 1) << c.what;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      ColumnRecord& record = ch.Columns[1 + i / 2];
      (i % 2 == 0 ? record.MaxCode : record.MinCode) = codes[i];
    }
    const auto last = static_cast<std::uint32_t>(codes.size() / 2);
    ch.ComputePlotPoints(1, last);
    for (std::uint32_t col = 1; col <= last; ++col) {
      const ColumnRecord& record = ch.Columns[col];
      EXPECT_EQ(record.MaxPixel, RowOf(ch, record.MaxCode, 0.013)) << c.what << ", code " << record.MaxCode;
      EXPECT_EQ(record.MinPixel, RowOf(ch, record.MinCode, 0.013)) << c.what << ", code " << record.MinCode;
    }
  }
}

}  // namespace
