// The 50 Hz notch cascade, the integer band-pass chain and the designed integer notch of a channel.
#include "channels/mains_filters.h"

#include <cmath>
#include <numbers>

#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// Truncates a stage output; a value beyond 32 bits (which an unstable input could reach) is limited
// first, since converting it would be undefined.
std::int32_t TruncateStage(double y) {
  constexpr double kLow = std::numeric_limits<std::int32_t>::min();
  constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
  if (std::isnan(y)) return 0;
  return static_cast<std::int32_t>(std::clamp(y, kLow, kHigh));
}

std::int32_t LimitToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// Position of section s (1..7) in the band-pass history: y0, y1, y2 follow the code's x1, x2.
constexpr std::size_t SectionBase(std::size_t s) { return 2 + 3 * (s - 1); }

}  // namespace

void VessamorChannel::PrimeNotchCascade() {
  if (Filter.NotchPrimed != 0) return;
  // Starting from the present level keeps the cascade from ringing on the first samples.
  const double level = NewestCode();
  for (NotchStage& stage : Filter.Notch) {
    stage.X.fill(level);
    stage.Y.fill(level);
  }
  Filter.NotchPrimed = 1;
}

std::int32_t VessamorChannel::NotchCascade(std::int16_t code, std::uint8_t stages) {
  std::int32_t value = code;
  const std::size_t count = std::min<std::size_t>(stages, kNotchStages.size());
  for (std::size_t s = 0; s < count; ++s) {
    const NotchCoefficients& c = kNotchStages[s];
    NotchStage& st = Filter.Notch[s];
    st.X[0] = value;
    st.Y[0] = ((st.X[0] - c.C1 * st.X[1] + st.X[2]) * c.G + c.P1 * st.Y[1] - c.P2 * st.Y[2]) * c.K;
    st.X = {st.X[0], st.X[0], st.X[1]};
    st.Y = {st.Y[0], st.Y[0], st.Y[1]};
    value = TruncateStage(st.Y[0]);
  }
  return value;
}

void VessamorChannel::ResetNotchCascade() {
  Filter.Notch = {};
  Filter.NotchPrimed = 0;
}

void VessamorChannel::PrepareBandPass() {
  // The chain's state lives in the channel itself, so there is nothing to point at.
}

std::int32_t VessamorChannel::BandPass(std::int16_t code, std::uint8_t level) {
  auto& h = Filter.BandPassHistory;
  const std::uint8_t top = std::min<std::uint8_t>(level, 3);
  // Sections of each level: 1-2 band-pass, 3-5 band-pass, 6-7 notch.
  const std::size_t last_section = top == 0 ? 0 : (top == 1 ? 2 : (top == 2 ? 5 : 7));

  std::int64_t x = code;
  std::int64_t x1 = h[0];
  std::int64_t x2 = h[1];
  std::int32_t output = code;
  for (std::size_t s = 1; s <= last_section; ++s) {
    const std::size_t b = SectionBase(s);
    const std::int64_t y1 = h[b + 1];
    const std::int64_t y2 = h[b + 2];
    std::int64_t sum = 0;
    if (s <= 2) {
      sum = (x - x2) * kBandPassGainLevel1 + y1 * kBandPassFeedback1 - y2 * kBandPassFeedback2;
    } else if (s <= 5) {
      const std::int64_t d = s == 3 ? x - x1 : x - x2;
      sum = d * kBandPassGainLevel2 + y1 * kBandPassFeedback1 - y2 * kBandPassFeedback2;
    } else {
      sum = (x + x2) * 4096 - x1 * 6627 + y1 * 6211 - y2 * 3598;
    }
    const std::int32_t y = LimitToInt32(sum >> 12);  // arithmetic shift: the sign is kept
    h[b] = y;
    output = y;
    // The next section reads this one's history, taken before the shift below.
    x = y;
    x1 = y1;
    x2 = y2;
  }

  // Every history moves on by one sample, whether its section ran or not.
  h[1] = h[0];
  h[0] = code;
  for (std::size_t s = 1; s <= kBandPassSections; ++s) {
    const std::size_t b = SectionBase(s);
    h[b + 2] = h[b + 1];
    h[b + 1] = h[b];
  }
  return output;
}

void VessamorChannel::ResetBandPass() { Filter.BandPassHistory.fill(0); }

void VessamorChannel::FilterIncomingSamples(std::uint32_t first, std::uint32_t end) {
  if (IirOn == 0 || Codes == nullptr) return;
  end = std::min({end, CodeCount, CodeCapacity});
  PrepareBandPass();
  PrimeNotchCascade();
  for (std::uint32_t i = first; i < end; ++i) {
    std::int16_t code = Codes[i];
    if (NotchOn != 0) code = SaturateCode(NotchCascade(code, 3));
    if (BandPassOn != 0) code = SaturateCode(BandPass(code, 3));
    Codes[i] = code;
  }
}

void VessamorChannel::DesignMainsNotch(std::uint32_t rate) {
  Filter.DesignedHistory.fill(0);
  Filter.DesignedDivisor = kDesignedNotchDivisor;
  if (rate == 0) {
    // No rate, no mains frequency to place: the notch stays undesigned.
    Filter.DesignedGain = 0;
    Filter.DesignedB1 = 0;
    Filter.DesignedA1 = 0;
    Filter.DesignedA2 = 0;
    return;
  }
  const float w = 2.0f * std::numbers::pi_v<float> * 50.0f / static_cast<float>(rate);
  const float cosine = std::cos(w);
  Filter.DesignedGain = kDesignedNotchGain;
  Filter.DesignedB1 = static_cast<std::int32_t>(-2.0f * cosine * 4096.0f);
  Filter.DesignedA1 = static_cast<std::int32_t>(2.0f * 1.1f * cosine / -1.21f * 4096.0f);
  Filter.DesignedA2 = kDesignedNotchA2;
}
