// The wireless receiver family: link messages and 124-byte radio packets of an accelerometer or pulse sensor.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/signals.h"
#include "sim/unit_model.h"

namespace sim {

inline constexpr std::uint8_t RadioStartByte = 0xA7;
inline constexpr int RadioStartPacketLength = 5;
inline constexpr std::uint8_t RadioStopByte = 0x00;
inline constexpr int RadioPacketLength = 124;
inline constexpr std::uint8_t RadioPacketStart = 0x05;
// The period a start packet carries when a pulse sensor is behind the receiver.
inline constexpr std::uint16_t RadioPulsePeriodMarker = 59999;
// Accelerometer packets: the newest block and the five before it, each 5 groups of 4 bytes.
inline constexpr int RadioGroupsPerBlock = 5;
inline constexpr int RadioBlocksPerPacket = 6;
inline constexpr int RadioBlockBytes = 20;
// Pulse packets: 24 groups of 5 bytes; of their 96 sample places the last two carry status.
inline constexpr int RadioPulseGroups = 24;
inline constexpr int RadioPulseSamples = 94;
// The pulse sensor samples at 1000 Hz, the rate the program records a pulse at, whatever period the
// start packet carries: a packet of 94 samples every 94 ms.
inline constexpr std::int64_t RadioPulseSamplePeriodUs = 1000;
inline constexpr int RadioQualityOffset = 122;
inline constexpr int RadioNoiseOffset = 123;
inline constexpr int RadioPulseFlagOffset = 119;
inline constexpr int RadioPulseStatusOffset = 120;
inline constexpr std::uint16_t RadioMaxCode = 1023;

// Link messages of two bytes, sent while no packet is under way.
inline constexpr std::array<std::uint8_t, 2> RadioLinkUp = {0x02, 0x01};
inline constexpr std::array<std::uint8_t, 2> RadioLinkDown = {0x02, 0x00};

enum class RadioLayout { Accelerometer, Pulse };

// A 10-bit sample of a signal: its code, clamped to 1023.
std::uint16_t RadioCode(const Signal& signal, double seconds, std::uint64_t index);
// One accelerometer group: X, Y, Z high bytes, then their low two bits in bits 7..6, 5..4, 3..2.
std::array<std::uint8_t, 4> EncodeAccelerometerGroup(std::uint16_t x, std::uint16_t y, std::uint16_t z);
// One pulse group: four high bytes, then the four low two-bit parts from bits 7..6 down to 1..0.
std::array<std::uint8_t, 5> EncodePulseGroup(const std::array<std::uint16_t, 4>& samples);

class RadioReceiverUnit : public UnitModel {
 public:
  struct StartPacket {
    std::int64_t TimeUs = 0;
    std::uint16_t PeriodUs = 0;
  };

  // Accelerometer signals are X, Y, Z; the pulse sensor uses the first.
  RadioReceiverUnit(RadioLayout layout, std::vector<Signal> signals);

  std::string Family() const override { return "radio"; }
  void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) override;
  void Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) override;

  // --- Control ---
  // Whether a start brings the link up at once with a link-up message (the default).
  void SetAutoLinkUp(bool on) { auto_link_up_ = on; }
  void QueueLinkUp();
  void QueueLinkDown();
  // Any two-byte message (01 xx, 04 xx, ...), sent as it stands; the link state is left alone.
  void QueueMessage(std::uint8_t first, std::uint8_t second);
  // Bytes sent as they stand between two packets.
  void QueueGarbage(const std::vector<std::uint8_t>& bytes);
  // The next `count` packets are lost on the air: numbered, but never received.
  void DropPackets(int count) { drop_ += count; }
  // The next packet arrives twice.
  void DuplicateNextPacket() { ++duplicate_; }
  // The sequence number (0..15) of the next packet.
  void SetNextSequence(int sequence) { sequence_ = sequence & 0x0F; }
  void SetQuality(std::uint8_t quality) { quality_ = quality; }
  void SetNoise(std::uint8_t noise) { noise_ = noise; }
  void SetPulseFlag(std::uint8_t flag) { pulse_flag_ = flag; }

  // --- State ---
  RadioLayout Layout() const { return layout_; }
  bool Running() const { return running_; }
  bool LinkUp() const { return link_up_; }
  const std::vector<StartPacket>& StartPackets() const { return starts_; }
  int StopCount() const { return stops_; }
  // Bytes written that were neither a start packet nor the stop byte.
  int UnknownBytes() const { return unknown_; }
  // Packets sent (duplicates included) and lost on the air since the last start.
  std::uint64_t PacketsSent() const { return packets_sent_; }
  std::uint64_t PacketsDropped() const { return packets_dropped_; }

  // The packet with sequence number `sequence` that carries the samples of packet `index` since
  // the start (and, for the accelerometer, of the five packets before it).
  std::vector<std::uint8_t> BuildPacket(std::uint64_t index, int sequence) const;
  // The X, Y, Z codes of accelerometer sample `index`, or the pulse code (all three the same).
  std::array<std::uint16_t, 3> SampleAt(std::uint64_t index) const;

 private:
  void Start(std::int64_t now_us);
  std::int64_t SamplePeriodUs() const;
  std::int64_t PacketPeriodUs() const;

  RadioLayout layout_;
  std::vector<Signal> signals_;
  std::vector<std::uint8_t> packet_;  // a start packet being received across writes
  std::vector<std::uint8_t> pending_;  // messages and garbage to send before the next packet
  bool auto_link_up_ = true;
  bool running_ = false;
  bool link_up_ = false;
  std::uint16_t period_us_ = 0;
  std::int64_t start_us_ = 0;
  std::uint64_t packets_due_ = 0;  // packets of the stream handled so far, sent or not
  int sequence_ = 0;
  int drop_ = 0;
  int duplicate_ = 0;
  std::uint8_t quality_ = 230;
  std::uint8_t noise_ = 12;
  std::uint8_t pulse_flag_ = 0;
  std::vector<StartPacket> starts_;
  int stops_ = 0;
  int unknown_ = 0;
  std::uint64_t packets_sent_ = 0;
  std::uint64_t packets_dropped_ = 0;
};

}  // namespace sim
