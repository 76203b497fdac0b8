// The wireless receiver's protocol: start and stop, link messages, radio packets and their faults.
#include "sim/radio_receiver_unit.h"

#include <algorithm>

namespace sim {

std::uint16_t RadioCode(const Signal& signal, double seconds, std::uint64_t index) {
  return std::min(signal.CodeAt(seconds, index), RadioMaxCode);
}

std::array<std::uint8_t, 4> EncodeAccelerometerGroup(std::uint16_t x, std::uint16_t y, std::uint16_t z) {
  return {static_cast<std::uint8_t>(x >> 2), static_cast<std::uint8_t>(y >> 2), static_cast<std::uint8_t>(z >> 2),
          static_cast<std::uint8_t>(((x & 3) << 6) | ((y & 3) << 4) | ((z & 3) << 2))};
}

std::array<std::uint8_t, 5> EncodePulseGroup(const std::array<std::uint16_t, 4>& samples) {
  std::array<std::uint8_t, 5> group{};
  for (int i = 0; i < 4; ++i) {
    group[i] = static_cast<std::uint8_t>(samples[i] >> 2);
    group[4] = static_cast<std::uint8_t>(group[4] | ((samples[i] & 3) << (6 - 2 * i)));
  }
  return group;
}

RadioReceiverUnit::RadioReceiverUnit(RadioLayout layout, std::vector<Signal> signals)
    : layout_(layout), signals_(std::move(signals)) {
  if (signals_.empty()) {
    // At rest the axes read their middle code, the pulse a slow rise and fall.
    if (layout_ == RadioLayout::Accelerometer) {
      signals_ = {Signal::Sine(512.0, 120.0, 0.5), Signal::Constant(512.0), Signal::Constant(700.0)};
    } else {
      signals_ = {Signal::Sine(500.0, 300.0, 1.2)};
    }
  }
}

void RadioReceiverUnit::OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) {
  for (std::uint8_t byte : bytes) {
    if (!packet_.empty()) {
      packet_.push_back(byte);
      if (packet_.size() == RadioStartPacketLength) Start(now_us);
    } else if (byte == RadioStartByte) {
      packet_.push_back(byte);
    } else if (byte == RadioStopByte) {
      running_ = false;
      link_up_ = false;
      ++stops_;
    } else {
      ++unknown_;
    }
  }
}

void RadioReceiverUnit::Start(std::int64_t now_us) {
  period_us_ = static_cast<std::uint16_t>(packet_[1] | (packet_[2] << 8));
  packet_.clear();
  starts_.push_back({now_us, period_us_});
  running_ = period_us_ > 0;
  start_us_ = now_us;
  packets_due_ = 0;
  packets_sent_ = 0;
  packets_dropped_ = 0;
  sequence_ = 0;
  link_up_ = false;
  if (running_ && auto_link_up_) QueueLinkUp();
}

void RadioReceiverUnit::QueueLinkUp() {
  QueueMessage(RadioLinkUp[0], RadioLinkUp[1]);
  link_up_ = true;
}

void RadioReceiverUnit::QueueLinkDown() {
  QueueMessage(RadioLinkDown[0], RadioLinkDown[1]);
  link_up_ = false;
}

void RadioReceiverUnit::QueueMessage(std::uint8_t first, std::uint8_t second) {
  pending_.push_back(first);
  pending_.push_back(second);
}

void RadioReceiverUnit::QueueGarbage(const std::vector<std::uint8_t>& bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
}

std::int64_t RadioReceiverUnit::SamplePeriodUs() const {
  return layout_ == RadioLayout::Pulse ? RadioPulseSamplePeriodUs : period_us_;
}

std::int64_t RadioReceiverUnit::PacketPeriodUs() const {
  int samples = layout_ == RadioLayout::Pulse ? RadioPulseSamples : RadioGroupsPerBlock;
  return SamplePeriodUs() * samples;
}

std::array<std::uint16_t, 3> RadioReceiverUnit::SampleAt(std::uint64_t index) const {
  double seconds = static_cast<double>(index) * static_cast<double>(SamplePeriodUs()) * 1e-6;
  std::array<std::uint16_t, 3> codes{};
  for (size_t axis = 0; axis < codes.size(); ++axis) {
    codes[axis] = RadioCode(signals_[std::min(axis, signals_.size() - 1)], seconds, index);
  }
  if (layout_ == RadioLayout::Pulse) codes[1] = codes[2] = codes[0];
  return codes;
}

std::vector<std::uint8_t> RadioReceiverUnit::BuildPacket(std::uint64_t index, int sequence) const {
  std::vector<std::uint8_t> packet(RadioPacketLength, 0);
  packet[0] = RadioPacketStart;
  packet[1] = static_cast<std::uint8_t>((sequence & 0x0F) << 4);
  if (layout_ == RadioLayout::Accelerometer) {
    // Block b repeats packet index - b; before the first packet the receiver repeats sample 0.
    for (int block = 0; block < RadioBlocksPerPacket; ++block) {
      bool before_start = index < static_cast<std::uint64_t>(block);
      for (int group = 0; group < RadioGroupsPerBlock; ++group) {
        std::uint64_t sample = before_start ? 0 : (index - block) * RadioGroupsPerBlock + group;
        auto codes = SampleAt(sample);
        auto bytes = EncodeAccelerometerGroup(codes[0], codes[1], codes[2]);
        std::copy(bytes.begin(), bytes.end(), packet.begin() + 2 + block * RadioBlockBytes + group * 4);
      }
    }
  } else {
    for (int group = 0; group < RadioPulseGroups; ++group) {
      std::array<std::uint16_t, 4> samples{};
      for (int i = 0; i < 4; ++i) {
        int place = group * 4 + i;
        if (place < RadioPulseSamples) samples[i] = SampleAt(index * RadioPulseSamples + place)[0];
      }
      auto bytes = EncodePulseGroup(samples);
      std::copy(bytes.begin(), bytes.end(), packet.begin() + 2 + group * 5);
    }
    packet[RadioPulseFlagOffset] = static_cast<std::uint8_t>(255 - pulse_flag_);
    packet[RadioPulseStatusOffset] = 0;
  }
  packet[RadioQualityOffset] = static_cast<std::uint8_t>(255 - quality_);
  packet[RadioNoiseOffset] = noise_;
  return packet;
}

void RadioReceiverUnit::Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) {
  out.insert(out.end(), pending_.begin(), pending_.end());
  pending_.clear();
  if (!running_ || now_us <= start_us_) return;
  std::uint64_t due = static_cast<std::uint64_t>((now_us - start_us_) / PacketPeriodUs());
  // A host that has not read for ages finds the receiver's own buffer overrun: older packets are lost.
  constexpr std::uint64_t kMaxCatchUp = 512;
  if (due - packets_due_ > kMaxCatchUp) packets_due_ = due - kMaxCatchUp;
  for (; packets_due_ < due; ++packets_due_) {
    if (!link_up_) continue;  // nothing is numbered while the link is down
    int sequence = sequence_;
    sequence_ = (sequence_ + 1) & 0x0F;
    if (drop_ > 0) {
      --drop_;
      ++packets_dropped_;
      continue;
    }
    std::vector<std::uint8_t> packet = BuildPacket(packets_due_, sequence);
    int copies = 1;
    if (duplicate_ > 0) {
      --duplicate_;
      copies = 2;
    }
    for (int i = 0; i < copies; ++i) out.insert(out.end(), packet.begin(), packet.end());
    packets_sent_ += copies;
  }
}

}  // namespace sim
