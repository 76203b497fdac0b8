// The type-6 family: answers the probe written after its port set-up with a configurable reply, or not at all.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/unit_model.h"

namespace sim {

inline constexpr std::array<std::uint8_t, 5> TypeSixProbe = {0xA7, 0x00, 0x88, 0x00, 0x00};
inline constexpr std::uint8_t TypeSixStartByte = 0xA7;
inline constexpr std::uint8_t TypeSixStartMarker = 0x88;
inline constexpr std::uint8_t TypeSixStopByte = 0xB6;
inline constexpr int TypeSixPacketLength = 5;

// Keeps what the host sends: probes, start packets (A7 88 00, then the period) and stop bytes.
// Its reply format is not known, so the unit stays silent unless a test gives it a reply.
class TypeSixUnit : public UnitModel {
 public:
  struct StartPacket {
    std::int64_t TimeUs = 0;
    std::uint16_t PeriodUs = 0;
  };

  std::string Family() const override { return "typesix"; }
  void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) override;
  void Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) override;

  // --- Control ---
  // Bytes sent `delay_us` after each probe; none (the default) keeps the unit silent.
  void SetProbeReply(std::optional<std::vector<std::uint8_t>> reply, std::int64_t delay_us = 0);

  // --- State ---
  int ProbeCount() const { return probes_; }
  const std::vector<StartPacket>& StartPackets() const { return starts_; }
  int StopCount() const { return stops_; }
  // Bytes that were neither a probe, a start packet nor the stop byte.
  int UnknownBytes() const { return unknown_; }

 private:
  void PacketComplete(std::int64_t now_us);

  std::vector<std::uint8_t> packet_;
  std::optional<std::vector<std::uint8_t>> reply_;
  std::int64_t reply_delay_us_ = 0;
  std::vector<std::int64_t> replies_due_;  // times at which a reply is owed
  int probes_ = 0;
  std::vector<StartPacket> starts_;
  int stops_ = 0;
  int unknown_ = 0;
};

}  // namespace sim
