// The wired sensor unit family's protocol and sample stream.
#include "sim/wired_unit.h"

#include <algorithm>

namespace sim {

std::array<std::uint8_t, 2> EncodeWiredFrame(int channel, std::uint16_t code) {
  return {static_cast<std::uint8_t>(code & 0x7F),
          static_cast<std::uint8_t>(((channel & 0x03) << 5) | ((code >> 7) & 0x1F))};
}

WiredUnitModel::WiredUnitModel(std::vector<Signal> signals) : signals_(std::move(signals)) {
  if (signals_.empty()) signals_.push_back(Signal::Constant(2048.0));
}

void WiredUnitModel::SetSignals(std::vector<Signal> signals) {
  if (!signals.empty()) signals_ = std::move(signals);
}

void WiredUnitModel::OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) {
  for (std::uint8_t byte : bytes) {
    if (!packet_.empty()) {
      // Byte 2 of a start packet is always A3; anything else means the packet is not one.
      if (packet_.size() == 2 && byte != WiredStartMarker) {
        malformed_ += static_cast<int>(packet_.size()) + 1;
        packet_.clear();
        continue;
      }
      packet_.push_back(byte);
      if (packet_.size() == WiredStartPacketLength) Start(now_us);
      continue;
    }
    if (byte == WiredStartByte) {
      packet_.push_back(byte);
    } else if (byte == WiredStopByte) {
      running_ = false;
      ++stops_;
    } else {
      modes_.push_back({now_us, byte});
    }
  }
}

void WiredUnitModel::Start(std::int64_t now_us) {
  StartPacket start;
  start.TimeUs = now_us;
  start.Channels = packet_[1];
  start.PeriodUs = static_cast<std::uint16_t>(packet_[3] | (packet_[4] << 8));
  start.Mode = packet_[5];
  packet_.clear();
  starts_.push_back(start);
  channels_ = std::min<int>(start.Channels, WiredMaxChannels);
  period_us_ = start.PeriodUs;
  // A zero period or no channel asks for nothing to be streamed.
  running_ = channels_ > 0 && period_us_ > 0;
  start_us_ = now_us;
  samples_sent_ = 0;
}

void WiredUnitModel::Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) {
  if (!running_ || now_us <= start_us_) return;
  // Whole periods since the start decide the samples due; the rate is exact in integer time.
  std::uint64_t due = static_cast<std::uint64_t>(now_us - start_us_) / period_us_;
  // A host that has not read for ages finds the unit's own buffer overrun: older samples are lost.
  constexpr std::uint64_t kMaxCatchUp = 65536;
  if (due - samples_sent_ > kMaxCatchUp) samples_sent_ = due - kMaxCatchUp;
  for (; samples_sent_ < due; ++samples_sent_) {
    double seconds = static_cast<double>(samples_sent_ * period_us_) * 1e-6;
    for (int channel = 0; channel < channels_; ++channel) {
      const Signal& signal = signals_[std::min<size_t>(channel, signals_.size() - 1)];
      auto frame = EncodeWiredFrame(channel, signal.CodeAt(seconds, samples_sent_));
      out.insert(out.end(), frame.begin(), frame.end());
    }
  }
}

}  // namespace sim
