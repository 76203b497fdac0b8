// The event timer's protocol and its frames of trigger, echo and end counts.
#include "sim/event_timer_unit.h"

#include <algorithm>

namespace sim {

std::array<std::uint8_t, TimerFrameLength> EncodeTimerFrame(const TimerFrame& frame) {
  return {static_cast<std::uint8_t>(frame.T1 >> 8), static_cast<std::uint8_t>(frame.T1 & 0xFF),
          static_cast<std::uint8_t>(frame.T2 >> 8), static_cast<std::uint8_t>(frame.T2 & 0xFF),
          static_cast<std::uint8_t>(frame.T3 >> 8), static_cast<std::uint8_t>(frame.T3 & 0xFF)};
}

EventTimerUnit::EventTimerUnit(std::vector<Signal> signals) : signals_(std::move(signals)) {
  // About a metre away, drifting slowly to and fro.
  if (signals_.empty()) signals_.push_back(Signal::Sine(1200.0, 400.0, 0.2));
}

void EventTimerUnit::OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) {
  for (std::uint8_t byte : bytes) {
    if (!packet_.empty()) {
      if (packet_.size() == 2 && byte != TimerStartMarker) {
        malformed_ += static_cast<int>(packet_.size()) + 1;
        packet_.clear();
        continue;
      }
      packet_.push_back(byte);
      if (packet_.size() == TimerStartPacketLength) Start(now_us);
    } else if (byte == TimerStartByte) {
      packet_.push_back(byte);
    } else if (byte == TimerStopByte) {
      running_ = false;
      ++stops_;
    } else {
      ++malformed_;
    }
  }
}

void EventTimerUnit::Start(std::int64_t now_us) {
  StartPacket start;
  start.TimeUs = now_us;
  start.Selector = packet_[1];
  start.PeriodUs = static_cast<std::uint16_t>(packet_[3] | (packet_[4] << 8));
  start.Mode = packet_[5];
  packet_.clear();
  starts_.push_back(start);
  selector_ = start.Selector;
  running_ = true;
  start_us_ = now_us;
  frames_sent_ = 0;
}

void EventTimerUnit::QueueFrames(const std::vector<TimerFrame>& frames) {
  queued_.insert(queued_.end(), frames.begin(), frames.end());
}

std::int64_t EventTimerUnit::FramePeriodUs() const {
  return selector_ == TimerLongRangeSelector ? TimerLongFramePeriodUs : TimerShortFramePeriodUs;
}

std::uint16_t EventTimerUnit::Threshold() const {
  return selector_ == TimerLongRangeSelector ? TimerLongThreshold : TimerShortThreshold;
}

TimerFrame EventTimerUnit::GeneratedFrame(std::uint64_t index) const {
  double seconds = static_cast<double>(index) * static_cast<double>(FramePeriodUs()) * 1e-6;
  int delay = signals_.front().CodeAt(seconds, index) * TimerCountsPerCode;
  TimerFrame frame;
  frame.T1 = trigger_;
  frame.T2 = static_cast<std::uint16_t>(trigger_ + delay);
  // The frame ends after the echo, but never later than the range allows.
  frame.T3 = static_cast<std::uint16_t>(std::min<int>(trigger_ + delay + TimerSettleCounts, Threshold()));
  return frame;
}

void EventTimerUnit::Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) {
  if (!running_ || now_us <= start_us_) return;
  std::uint64_t due = static_cast<std::uint64_t>((now_us - start_us_) / FramePeriodUs());
  constexpr std::uint64_t kMaxCatchUp = 4096;
  if (due - frames_sent_ > kMaxCatchUp) frames_sent_ = due - kMaxCatchUp;
  for (; frames_sent_ < due; ++frames_sent_) {
    TimerFrame frame = GeneratedFrame(frames_sent_);
    if (!queued_.empty()) {
      frame = queued_.front();
      queued_.pop_front();
    }
    auto bytes = EncodeTimerFrame(frame);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
}

}  // namespace sim
