// The unit families: each one's port set-up, stop byte and stream decoder over the common sensor unit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "acquisition/ft_record_device.h"

inline constexpr ULONG kWiredBaudRate = 500000;
inline constexpr ULONG kFastWiredBaudRate = 1250000;
// The wireless receiver's rate; very old systems needed 1250000, current ones take this.
inline constexpr ULONG kRadioBaudRate = 1220000;
inline constexpr ULONG kTimerBaudRate = 500000;
inline constexpr ULONG kTypeSixBaudRate = 400000;
inline constexpr ULONG kControlBaudRate = 20000;

inline constexpr std::uint8_t kRadioStopByte = 0x00;
inline constexpr std::uint8_t kRadioPacketStart = 0x05;
inline constexpr std::size_t kRadioPacketSize = 124;
// Older blocks an accelerometer packet repeats, so up to this many lost packets can be refilled.
inline constexpr std::uint32_t kRadioHistoryBlocks = 5;
inline constexpr std::size_t kTimerFrameSize = 6;

inline constexpr std::array<std::uint8_t, 5> kTypeSixProbe = {0xA7, 0x00, 0x88, 0x00, 0x00};
// How long the type-6 probe waits for its reply.
inline constexpr std::uint32_t kProbeReplyWaitMs = 500;
inline constexpr std::uint32_t kProbePollMs = 10;

// What the control worker writes to the control unit once RTS has raised its modem-status event.
inline constexpr std::array<std::uint8_t, 11> kControlResetMessage = {0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
                                                                      0x01, 0x01, 0x01, 0x01, 0xFF};

// A wired unit of the first kind: the divisor set-up only.
class DeviceOne : public FTRecordDevice {
 public:
  bool ConfigurePort() override;
};

// The ordinary wired sensor unit (types 1 and 11).
class DeviceTwo : public FTRecordDevice {
 public:
  bool ConfigurePort() override;
};

// The wireless receiver: link messages and 124-byte radio packets.
class DeviceTri : public FTRecordDevice {
 public:
  DeviceTri();
  void SetStopCommand() override;
  void BuildStartPacket() override;
  void ParseStream() override;
  bool ConfigurePort() override;

  // Noise byte of the last radio packet.
  std::uint8_t RadioNoise = 0;

 private:
  RadioLinkState& Link();
  void DecodePacket(const std::uint8_t* packet, RadioLinkState& link);
  void DecodeAccelerometerBlock(const std::uint8_t* block);
  void DecodePulseGroups(const std::uint8_t* packet);
  void Report(std::uint8_t first, std::uint8_t second);

  // Used only while no recording control is attached.
  RadioLinkState OwnLink;
};

// A wired unit of the fourth kind: the ordinary set-up at a higher baud rate.
class DeviceFour : public FTRecordDevice {
 public:
  bool ConfigurePort() override;
};

// The control unit: reset through its RTS line by the control worker; it holds no sensor slot.
class DeviceFive : public FTRecordDevice {
 public:
  bool ConfigurePort() override;
  // Closes the handle only: the control unit has no ConnectedMask bit and no recording of its own.
  void Close(std::uint8_t reason) override;
};

// The type-6 force sensor unit, which answers a probe after its port set-up. It binds no channels.
class DeviceSix : public FTRecordDevice {
 public:
  bool ConfigurePort() override;

  // Set when the last probe was answered within the wait.
  std::uint8_t ProbeAnswered = 0;

 private:
  bool Probe();
};

// The event timer of the ultrasonic distance sensors: 6-byte frames of three timer counts.
class DeviceQEMod : public FTRecordDevice {
 public:
  void BuildStartPacket() override;
  void ParseStream() override;
  bool ConfigurePort() override;
  // At the start of a recording: thresholds, interval and scale for the sensor, position 0.
  void ResetTimingState();
  // The samples a frame stands for follow the view's rate (the acquisition tick, under the view lock).
  void FollowViewRate(std::uint32_t view_rate);
  // The 3 m sensor: frames every 50 ms; the other every 10 ms.
  bool LongRange() const;

  std::uint8_t AlternateFrame = 0;
  std::uint32_t LowerThreshold = 0;
  std::uint8_t SpikeFilter = 0;
  std::uint32_t Step = 1;
  // Samples per timer frame, and the running sample position they add up to.
  double Interval = 0.0;
  double Position = 0.0;
  float CountScale = 0.0f;
  std::uint32_t FilterStart = 0;
  std::uint32_t LastCount = 0;
  std::uint16_t LastValue = 0;
  // The view's rate the interval was worked out for (0: none yet).
  std::uint32_t IntervalRate = 0;

 protected:
  void OnCyclicWrap() override;

 private:
  void FillEntries(VessamorChannel& channel, double advance, std::int16_t value);
};
