// The control unit's RTS answer and its check of the reset message.
#include "sim/control_unit.h"

namespace sim {

void ControlUnit::OnRts(bool on, std::int64_t) {
  if (on && !rts_) ++rts_raises_;
  rts_ = on;
}

std::uint8_t ControlUnit::ModemStatus() const {
  return answers_ && rts_ ? static_cast<std::uint8_t>(FT_MODEM_STATUS_CTS) : 0;
}

void ControlUnit::OnWrite(std::span<const std::uint8_t> bytes, std::int64_t) {
  for (std::uint8_t byte : bytes) {
    if (byte == ControlResetMessage[matched_]) {
      if (++matched_ < ControlResetMessage.size()) continue;
      ++resets_;
      if (rts_) ++resets_while_rts_;
      matched_ = 0;
      continue;
    }
    if (byte == ControlResetMessage[0] && matched_ == ControlResetMessage.size() - 1) {
      ++unexpected_;  // one 01 too many: the last ten may still end well
      continue;
    }
    // A broken message: its bytes so far are unexpected, and this byte may start a new one.
    unexpected_ += static_cast<int>(matched_);
    matched_ = 0;
    if (byte == ControlResetMessage[0]) {
      matched_ = 1;
    } else {
      ++unexpected_;
    }
  }
}

}  // namespace sim
