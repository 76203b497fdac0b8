// The plain arithmetic of the graph painting: label thinning, record name, indicator restore.
#include "graph/paint_rules.h"

#include <algorithm>
#include <cmath>

namespace paint_rules {

int ValueLabelStride(double label_height, int tick_count, double grid_height) {
  const double needed = label_height * tick_count;
  if (needed / 2.0 > 0.8 * grid_height) return 3;
  if (needed > grid_height + 10.0) return 2;
  return 1;
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
