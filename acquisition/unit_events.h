// What a sensor unit asks of the recording it feeds, and the clock it waits on.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

// The wireless link as the recording sees it; cleared when a recording starts.
struct RadioLinkState {
  std::uint8_t LinkUp = 0;
  std::uint8_t LastSequence = 15;
  std::uint32_t PacketCount = 0;
  std::uint32_t LostCount = 0;
  std::uint8_t AutoMode = 0;
  // Set once a one-shot record has all its bytes; no samples are stored while it is set.
  std::uint8_t FullPacket = 0;
};

// The recording control of the graph view, as far as the units call it. Units hold a pointer to
// it (null before a view exists) and call it on the device worker.
class UnitEvents {
 public:
  virtual ~UnitEvents() = default;

  // A cyclic record wrapped: every live channel starts again at sample 0.
  virtual void ResetRecordingBuffers() = 0;
  // Mirror of the bytes a unit has received since the start (or since the last wrap).
  virtual void SetReceivedBytes(std::uint32_t bytes) = 0;
  // The last open unit closed (or any unit, when the recording asks for that): stop recording.
  virtual void StopRecordingOnDeviceEnd() = 0;
  // A unit closed (pulled out, or failing) while it was recording; `name` is its sensor's name.
  virtual void UnitLostWhileRecording(const std::string& name) { (void)name; }
  // A two-byte link message of the wireless receiver; 01 00 and 02 00 end the recording.
  virtual void OnRadioLinkMessage(std::uint8_t first, std::uint8_t second) = 0;
  virtual RadioLinkState& RadioLink() = 0;
};

// Milliseconds and sleeps for the units that wait (the type-6 probe, the radio receiver's pause),
// so tests can step time instead of sleeping.
class UnitClock {
 public:
  virtual ~UnitClock() = default;
  virtual std::uint32_t NowMs() = 0;
  virtual void SleepMs(std::uint32_t ms) = 0;
};

class SteadyUnitClock final : public UnitClock {
 public:
  std::uint32_t NowMs() override {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
  void SleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

// The process's real clock, the default of every unit.
inline UnitClock& SystemUnitClock() {
  static SteadyUnitClock clock;
  return clock;
}
