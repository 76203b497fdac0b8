// A headless window side for tests: answers slot reconciliation at once (or busy, or never), scripted slot status.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "acquisition/ft_record_device.h"
#include "acquisition/window_side.h"

class FakeWindowSide : public WindowSide {
 public:
  // Runs on the caller's thread (the device worker) as if the window thread had been quick.
  void ChooseStartScreenText(std::uint32_t ticket, WindowAnswer& answer) override {
    Requests.fetch_add(1);
    if (OnRequest) OnRequest(ticket);
    if (BusyAnswers.load() > 0) {
      BusyAnswers.fetch_sub(1);
      answer.Store(ticket, false);
      return;
    }
    if (Answering.load()) answer.Store(ticket, true);
  }
  void ApplyPreparationStep() override { PreparationSteps.fetch_add(1); }
  // A scripted status per unit; otherwise DefaultStatus with the unit's own slot number as index.
  std::uint8_t FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t /*detail*/) override {
    std::lock_guard lock(mutex_);
    auto found = SlotStatus.find(&unit);
    if (found != SlotStatus.end()) return found->second;
    return static_cast<std::uint8_t>(DefaultStatus | (unit.SlotNumber & 3));
  }
  void ForgetUnits() override {
    Forgets.fetch_add(1);
    if (OnForget) OnForget();
  }
  void SetSlotStatus(const FTRecordDevice* unit, std::uint8_t status) {
    std::lock_guard lock(mutex_);
    SlotStatus[unit] = status;
  }

  std::atomic<int> Requests{0};
  // The next this many requests are answered "busy".
  std::atomic<int> BusyAnswers{0};
  // False: requests are never answered, as by a window that is stuck.
  std::atomic<bool> Answering{true};
  std::atomic<int> PreparationSteps{0};
  std::atomic<int> Forgets{0};
  std::uint8_t DefaultStatus = 124;
  // Set before the workers start; called on the thread that makes the request.
  std::function<void(std::uint32_t)> OnRequest;
  std::function<void()> OnForget;

 private:
  std::mutex mutex_;
  std::map<const FTRecordDevice*, std::uint8_t> SlotStatus;
};
