// The plain arithmetic of the graph painting: label thinning, record name, indicator restore.
#include "graph/paint_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace paint_rules {

int ValueLabelStride(double label_height, int tick_count, double grid_height) {
  const double needed = label_height * tick_count;
  if (needed / 2.0 > 0.8 * grid_height) return 3;
  if (needed > grid_height + 10.0) return 2;
  return 1;
}

AxisStep RoundStepAtLeast(double least) {
  if (!std::isfinite(least) || least <= 0.0) return {1.0, 0};
  int power = static_cast<int>(std::floor(std::log10(least)));
  for (int round = 0; round < 3; ++round, ++power) {
    for (const double mantissa : {1.0, 2.0, 2.5, 5.0}) {
      const double step = mantissa * std::pow(10.0, power);
      if (step < least * (1.0 - 1e-9)) continue;
      // A quarter step needs a decimal more than its power of ten.
      const int decimals = std::max(0, -power) + (mantissa == 2.5 && power <= 0 ? 1 : 0);
      return {step, static_cast<std::uint8_t>(std::min(decimals, 6))};
    }
  }
  return {least, 0};
}

int EvenLabelStride(int rule_stride, double label_height, std::span<const std::int32_t> rows) {
  int stride = std::max(rule_stride, 1);
  if (rows.size() < 2) return stride;
  std::int32_t closest = std::abs(rows[1] - rows[0]);
  for (std::size_t i = 2; i < rows.size(); ++i) closest = std::min(closest, std::abs(rows[i] - rows[i - 1]));
  if (closest <= 0) return stride;
  const double needed = label_height + 2.0;
  while (stride * static_cast<double>(closest) < needed && stride < static_cast<int>(rows.size())) ++stride;
  return stride;
}

std::size_t RoundLabelPhase(std::span<const double> values, int stride) {
  if (stride <= 1 || values.size() < 2) return 0;
  const double labelled = std::fabs(values[1] - values[0]) * stride;
  if (!std::isfinite(labelled) || labelled <= 0.0) return 0;
  for (std::size_t i = 0; i < std::min<std::size_t>(static_cast<std::size_t>(stride), values.size()); ++i) {
    const double multiples = values[i] / labelled;
    if (std::fabs(multiples - std::round(multiples)) < 1e-6) return i;
  }
  return 0;
}

std::vector<double> RoundTicks(double top, double bottom, double step, std::size_t limit) {
  std::vector<double> ticks;
  if (!std::isfinite(top) || !std::isfinite(bottom) || !std::isfinite(step) || step <= 0.0) return ticks;
  if (top < bottom) std::swap(top, bottom);
  // A hair of tolerance so that an end lying on a multiple keeps its label.
  const double first = std::floor(top / step + 1e-9), last = std::ceil(bottom / step - 1e-9);
  if (first - last + 1.0 > static_cast<double>(limit)) return ticks;
  for (double k = first; k >= last; k -= 1.0) {
    // Multiples of the step by their index, so that no sum of steps drifts and zero is never "-0".
    ticks.push_back(k == 0.0 ? 0.0 : k * step);
  }
  return ticks;
}

std::vector<bool> TimeLabelsShown(std::span<const double> lefts, std::span<const double> widths, double span) {
  const std::size_t n = std::min(lefts.size(), widths.size());
  std::vector<bool> shown(n, false);
  if (n == 0) return shown;
  const std::size_t last = n - 1;
  shown[0] = true;
  shown[last] = true;
  if (n < 3) return shown;
  // The neighbours of the two ends give way when they would crowd them.
  const auto gap_before = [&](std::size_t i) { return lefts[i] - (lefts[i - 1] + widths[i - 1]); };
  shown[1] = last == 1 || gap_before(1) > 0.3 * widths[1];
  if (last - 1 > 1) shown[last - 1] = gap_before(last) > 0.3 * widths[last - 1];
  const double mean = (widths[0] + widths[1] + widths[last]) / 3.0;
  const double needed = mean * static_cast<double>(last);
  const std::size_t stride = needed > 1.5 * span ? 3 : needed > span - span / 6.0 ? 2 : 1;
  for (std::size_t i = 2; i + 2 <= last; ++i) shown[i] = i % stride == 0;
  return shown;
}

std::string CaptionRecordName(const std::string& name) {
  std::size_t characters = 0;
  std::size_t cut = name.size();
  for (std::size_t i = 0; i < name.size(); ++i) {
    if ((static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) continue;
    if (characters == 27) cut = i;
    ++characters;
  }
  return characters >= 31 ? name.substr(0, cut) + "..." : name;
}

bool RestoreIndicators(bool restore_request, bool alt_request, bool recording, std::uint32_t last_sample_index) {
  if (alt_request) return !recording;
  return restore_request && recording && last_sample_index > 0;
}

bool IndicatorsMove(std::uint32_t now_ms, std::uint32_t last_move_ms, bool moved_before) {
  return !moved_before || now_ms - last_move_ms >= kIndicatorHoldMs;
}

}  // namespace paint_rules
