// The wired sensor unit family: start packet, stop and mode bytes in, two-byte sample frames out.
#pragma once

#include <array>
#include <vector>

#include "sim/signals.h"
#include "sim/unit_model.h"

namespace sim {

inline constexpr std::uint8_t WiredStartByte = 0xA7;
inline constexpr std::uint8_t WiredStartMarker = 0xA3;
inline constexpr std::uint8_t WiredStopByte = 0xB6;
inline constexpr int WiredStartPacketLength = 6;
inline constexpr int WiredMaxChannels = 4;

// The two bytes of one sample frame: bit 7 of the first clear, value bits 6..0; then the channel
// in bits 6..5 and value bits 11..7.
std::array<std::uint8_t, 2> EncodeWiredFrame(int channel, std::uint16_t code);

class WiredUnitModel : public UnitModel {
 public:
  struct StartPacket {
    std::int64_t TimeUs = 0;
    int Channels = 0;
    std::uint16_t PeriodUs = 0;
    std::uint8_t Mode = 0;
  };
  struct ModeByte {
    std::int64_t TimeUs = 0;
    std::uint8_t Value = 0;
  };

  explicit WiredUnitModel(std::vector<Signal> signals);

  std::string Family() const override { return "wired"; }
  void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) override;
  void Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) override;

  // The sensor's inputs from now on (a disc that stops, a bath that warms), one per channel.
  void SetSignals(std::vector<Signal> signals);
  bool Running() const { return running_; }
  const std::vector<StartPacket>& StartPackets() const { return starts_; }
  const std::vector<ModeByte>& ModeBytes() const { return modes_; }
  int StopCount() const { return stops_; }
  // Bytes of start packets that did not have the expected layout, dropped.
  int MalformedBytes() const { return malformed_; }
  // Sample sets (one frame per streamed channel) sent since the last start.
  std::uint64_t SamplesSent() const { return samples_sent_; }
  // Sample sets the unit has sent by `now_us` since the last start once the host has read up to
  // then (what it has sent so far lags until the next read).
  std::uint64_t SamplesDueAt(std::int64_t now_us) const {
    return running_ && now_us > start_us_ ? static_cast<std::uint64_t>(now_us - start_us_) / period_us_ : samples_sent_;
  }

 private:
  void Start(std::int64_t now_us);

  std::vector<Signal> signals_;
  std::vector<std::uint8_t> packet_;  // a start packet being received across writes
  bool running_ = false;
  int channels_ = 0;
  std::uint16_t period_us_ = 0;
  std::int64_t start_us_ = 0;
  std::uint64_t samples_sent_ = 0;
  std::vector<StartPacket> starts_;
  std::vector<ModeByte> modes_;
  int stops_ = 0;
  int malformed_ = 0;
};

}  // namespace sim
