// The decisions of the graph painting that are plain arithmetic: value steps and label thinning, the record name
// in the caption, the indicator background restore and its throttle.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace paint_rules {

// Every how many value ticks a label is written (1, 2 or 3): labels of height h over count ticks
// in a grid area of the given height.
int ValueLabelStride(double label_height, int tick_count, double grid_height);

// The value grid's label step for a value span per division, and the decimals that write it.
struct AxisStep {
  double Step = 0.0;
  std::uint8_t Decimals = 0;
};
AxisStep ValueGridStep(double per_division);

// The smallest round step (1, 2, 2.5 or 5 times a power of ten) of at least `least`, with the
// decimals that write it.
AxisStep RoundStepAtLeast(double least);

// Every how many ticks a label is written so that the labels stay evenly spaced and never crowd:
// at least `rule_stride`, and enough ticks apart that two labels of height h keep a 2-pixel gap
// wherever the ticks' pixel rows lie (`rows`, in order).
int EvenLabelStride(int rule_stride, double label_height, std::span<const std::int32_t> rows);

// The first tick (below `stride`) to label: the first whose value is a multiple of the labelled
// step (stride times the tick step), so that thinned labels read round values; else 0.
std::size_t RoundLabelPhase(std::span<const double> values, int stride);

// The multiples of `step` from `top` down to `bottom` (either way round), top first; none when the
// step is not a positive number or would give more than `limit` of them.
std::vector<double> RoundTicks(double top, double bottom, double step, std::size_t limit = 96);

// Which of the time ticks 0..n-1 get their label; `lefts` and `widths` are the label boxes as
// placed, `span` the width from the plot's left edge to the grid area's right edge.
std::vector<bool> TimeLabelsShown(std::span<const double> lefts, std::span<const double> widths, double span);

// A name of 31 or more characters becomes its first 27 and "..."; characters are UTF-8 ones.
std::string CaptionRecordName(const std::string& name);

// Whether the indicator boxes' background is restored in this paint.
bool RestoreIndicators(bool restore_request, bool alt_request, bool recording, std::uint32_t last_sample_index);

// The boxes move once 241 ms have passed since they last moved; between, they stay.
constexpr std::uint32_t kIndicatorHoldMs = 241;
bool IndicatorsMove(std::uint32_t now_ms, std::uint32_t last_move_ms, bool moved_before);

}  // namespace paint_rules
