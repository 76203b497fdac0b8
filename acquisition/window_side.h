// The calls the device layer makes into the window side (slot reconciliation, preparation steps, slot look-up).
#pragma once

#include <atomic>
#include <cstdint>

class FTRecordDevice;

// Where the window thread leaves its answer to a queued request. Ticket and result share one word,
// so the worker never pairs a result with another request.
class WindowAnswer {
 public:
  // Window thread: the request `ticket` was carried out (`done`) or found the window busy.
  void Store(std::uint32_t ticket, bool done) {
    word_.store((static_cast<std::uint64_t>(ticket) << 1) | (done ? 1u : 0u));
    if (!done) return;
    std::uint32_t seen = reconciled_.load();
    while (seen < ticket && !reconciled_.compare_exchange_weak(seen, ticket)) {
    }
  }
  // 0 while `ticket` has no answer, 1 when it was carried out, 2 when the window was busy.
  std::uint8_t AnswerTo(std::uint32_t ticket) const {
    const std::uint64_t word = word_.load();
    if ((word >> 1) != ticket) return 0;
    return (word & 1u) != 0 ? 1 : 2;
  }
  // The latest ticket that was carried out; every earlier request counts as superseded by it.
  std::uint32_t Reconciled() const { return reconciled_.load(); }

 private:
  std::atomic<std::uint64_t> word_{0};
  std::atomic<std::uint32_t> reconciled_{0};
};

// The main window and the information screens as the device layer sees them. The requests marked
// "queued" are posted to the window thread and return at once: nothing on a worker blocks on the
// window, and nothing on a worker touches the window system.
class WindowSide {
 public:
  virtual ~WindowSide() = default;

  // Queued (device worker, after each search): reconcile the DeviceSlots with the manager's
  // DeviceTable (read under its table lock), bind new units to free slots, drop every pointer to a
  // unit that is no longer in the table, and choose the start-page text. The window thread then
  // stores its answer under `ticket`: carried out, or busy (the worker asks again).
  virtual void ChooseStartScreenText(std::uint32_t ticket, WindowAnswer& answer) = 0;
  // Queued (acquisition tick): run the pending calibration step of a sensor preparation page.
  virtual void ApplyPreparationStep() = 0;
  // Window thread: status of the DeviceSlot that matches the unit; the low two bits are the slot's
  // index, the bits above are status bits by detail (4 in use, 8 described, 16 indexed, 32 new
  // slot, 64 has channels); 0 when no slot matches.
  virtual std::uint8_t FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t detail) = 0;
  // Window thread, at shutdown after both workers have ended: every slot forgets its unit, before
  // the units are deleted.
  virtual void ForgetUnits() = 0;
};
