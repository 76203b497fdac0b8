// The behaviour of one simulated unit family: what it does with the bytes written to it, what it sends.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sim {

// One model object per attached unit. The bus calls it under its own lock, with its clock's time
// in microseconds; a model never looks at a clock itself.
class UnitModel {
 public:
  virtual ~UnitModel() = default;

  // The family name used in the unit list ("wired", ...).
  virtual std::string Family() const = 0;
  // Bytes the host wrote, in one FT_Write.
  virtual void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) = 0;
  // Appends the bytes the unit has sent since the last call, up to `now_us`.
  virtual void Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) = 0;
  // The RTS line set or cleared by the host.
  virtual void OnRts(bool /*on*/, std::int64_t /*now_us*/) {}
  // Modem status bits (CTS, DSR, RI, DCD); the bus raises a modem-status event when they change.
  virtual std::uint8_t ModemStatus() const { return 0; }
};

}  // namespace sim
