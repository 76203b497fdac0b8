// The event timer family (ultrasonic distance sensors): start packet in, 6-byte frames of timer counts out.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/signals.h"
#include "sim/unit_model.h"

namespace sim {

inline constexpr std::uint8_t TimerStartByte = 0xA7;
inline constexpr std::uint8_t TimerStartMarker = 0xA3;
inline constexpr std::uint8_t TimerStopByte = 0xB6;
inline constexpr int TimerStartPacketLength = 6;
inline constexpr int TimerFrameLength = 6;
// Byte 1 of the start packet: 5 for the 3 m sensor (a frame every 50 ms), else 7 (every 10 ms).
inline constexpr std::uint8_t TimerLongRangeSelector = 5;
inline constexpr std::int64_t TimerLongFramePeriodUs = 50000;
inline constexpr std::int64_t TimerShortFramePeriodUs = 10000;
// The counts at which a frame's end still counts as on time, per range.
inline constexpr std::uint16_t TimerLongThreshold = 49776;
inline constexpr std::uint16_t TimerShortThreshold = 9776;
// Generated frames: the echo delay is the signal's code times this (counts of 1 µs); t3 follows
// the echo by a settling margin.
inline constexpr int TimerCountsPerCode = 5;
inline constexpr int TimerSettleCounts = 200;

// Three 16-bit counts: t1 at the trigger, t2 at the echo, t3 at the end of the frame.
struct TimerFrame {
  std::uint16_t T1 = 0;
  std::uint16_t T2 = 0;
  std::uint16_t T3 = 0;
};

// The six bytes of a frame: t1, t2, t3, most significant byte first.
std::array<std::uint8_t, TimerFrameLength> EncodeTimerFrame(const TimerFrame& frame);

class EventTimerUnit : public UnitModel {
 public:
  struct StartPacket {
    std::int64_t TimeUs = 0;
    std::uint8_t Selector = 0;
    std::uint16_t PeriodUs = 0;
    std::uint8_t Mode = 0;
  };

  // The first signal gives the echo delay of generated frames.
  explicit EventTimerUnit(std::vector<Signal> signals);

  std::string Family() const override { return "timer"; }
  void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) override;
  void Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) override;

  // --- Control ---
  // Frames sent in place of generated ones, one per frame period, in order.
  void QueueFrames(const std::vector<TimerFrame>& frames);
  // The trigger count t1 of generated frames; a high one makes t2 wrap past 65535.
  void SetTriggerCount(std::uint16_t count) { trigger_ = count; }

  // --- State ---
  bool Running() const { return running_; }
  const std::vector<StartPacket>& StartPackets() const { return starts_; }
  int StopCount() const { return stops_; }
  // Bytes of start packets that did not have the expected layout, and other stray bytes.
  int MalformedBytes() const { return malformed_; }
  std::uint64_t FramesSent() const { return frames_sent_; }
  std::int64_t FramePeriodUs() const;
  std::uint16_t Threshold() const;
  // The frame generated for frame `index` since the start.
  TimerFrame GeneratedFrame(std::uint64_t index) const;

 private:
  void Start(std::int64_t now_us);

  std::vector<Signal> signals_;
  std::vector<std::uint8_t> packet_;
  std::deque<TimerFrame> queued_;
  std::uint16_t trigger_ = 100;
  bool running_ = false;
  std::uint8_t selector_ = 0;
  std::int64_t start_us_ = 0;
  std::uint64_t frames_sent_ = 0;
  std::vector<StartPacket> starts_;
  int stops_ = 0;
  int malformed_ = 0;
};

}  // namespace sim
