// What a sensor unit asks of the recording it feeds, and the clock it waits on.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
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

// A wake-up for a thread that waits at rest: each Wake moves the count on, and a wait ends when
// the count is no longer the one the waiter saw before it looked at what it waits for.
class WakeSignal {
 public:
  std::uint64_t Count() const { return count_.load(); }
  void Wake() {
    {
      std::lock_guard lock(mutex_);
      count_.fetch_add(1);
    }
    woken_.notify_all();
  }
  // Waits at most ms for a Wake after `seen` was read.
  void WaitFor(std::uint32_t ms, std::uint64_t seen) {
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return count_.load() != seen; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  std::atomic<std::uint64_t> count_{0};
};

// Milliseconds and sleeps for the units that wait (the type-6 probe, the radio receiver's pause),
// so tests can step time instead of sleeping.
class UnitClock {
 public:
  virtual ~UnitClock() = default;
  virtual std::uint32_t NowMs() = 0;
  virtual void SleepMs(std::uint32_t ms) = 0;
  // Rests up to ms, ending early at a Wake of `wake` after `seen`. A clock whose time passes only
  // in its sleeps sleeps one step of at most step_ms, as a pass of a polling loop would.
  virtual void RestMs(std::uint32_t ms, std::uint32_t step_ms, WakeSignal& wake, std::uint64_t seen) {
    (void)wake;
    (void)seen;
    SleepMs(std::min(ms, step_ms));
  }
};

class SteadyUnitClock final : public UnitClock {
 public:
  std::uint32_t NowMs() override {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
  void SleepMs(std::uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void RestMs(std::uint32_t ms, std::uint32_t, WakeSignal& wake, std::uint64_t seen) override { wake.WaitFor(ms, seen); }
};

// The process's real clock, the default of every unit.
inline UnitClock& SystemUnitClock() {
  static SteadyUnitClock clock;
  return clock;
}
