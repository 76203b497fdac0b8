// The control unit family: raising RTS raises a modem-status event; it then expects the reset message.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "acquisition/ftdi_api.h"
#include "sim/unit_model.h"

namespace sim {

// Ten 01 bytes and FF.
inline constexpr std::array<std::uint8_t, 11> ControlResetMessage = {0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
                                                                     0x01, 0x01, 0x01, 0x01, 0xFF};

// The unit answers RTS with CTS, so each raise and each fall of RTS changes the modem status.
class ControlUnit : public UnitModel {
 public:
  std::string Family() const override { return "control"; }
  void OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) override;
  void Produce(std::int64_t, std::vector<std::uint8_t>&) override {}
  void OnRts(bool on, std::int64_t now_us) override;
  std::uint8_t ModemStatus() const override;

  // --- Control ---
  // A unit that does not answer leaves the modem status alone, so no event comes.
  void SetAnswersRts(bool answers) { answers_ = answers; }

  // --- State ---
  bool Rts() const { return rts_; }
  int RtsRaises() const { return rts_raises_; }
  // Complete reset messages received, and bytes that did not belong to one.
  int ResetMessages() const { return resets_; }
  int UnexpectedBytes() const { return unexpected_; }
  // Reset messages that arrived while RTS was up, as the reset cycle sends them.
  int ResetsWhileRts() const { return resets_while_rts_; }

 private:
  bool answers_ = true;
  bool rts_ = false;
  int rts_raises_ = 0;
  size_t matched_ = 0;  // bytes of the reset message received so far
  int resets_ = 0;
  int resets_while_rts_ = 0;
  int unexpected_ = 0;
};

}  // namespace sim
