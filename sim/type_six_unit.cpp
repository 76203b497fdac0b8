// The type-6 unit's probe, start and stop handling.
#include "sim/type_six_unit.h"

#include <algorithm>

namespace sim {

void TypeSixUnit::SetProbeReply(std::optional<std::vector<std::uint8_t>> reply, std::int64_t delay_us) {
  reply_ = std::move(reply);
  reply_delay_us_ = std::max<std::int64_t>(delay_us, 0);
}

void TypeSixUnit::OnWrite(std::span<const std::uint8_t> bytes, std::int64_t now_us) {
  for (std::uint8_t byte : bytes) {
    if (!packet_.empty()) {
      packet_.push_back(byte);
      if (packet_.size() == TypeSixPacketLength) PacketComplete(now_us);
    } else if (byte == TypeSixStartByte) {
      packet_.push_back(byte);
    } else if (byte == TypeSixStopByte) {
      ++stops_;
    } else {
      ++unknown_;
    }
  }
}

void TypeSixUnit::PacketComplete(std::int64_t now_us) {
  if (std::equal(packet_.begin(), packet_.end(), TypeSixProbe.begin())) {
    ++probes_;
    if (reply_) replies_due_.push_back(now_us + reply_delay_us_);
  } else if (packet_[1] == TypeSixStartMarker && packet_[2] == 0x00) {
    starts_.push_back({now_us, static_cast<std::uint16_t>(packet_[3] | (packet_[4] << 8))});
  } else {
    unknown_ += TypeSixPacketLength;
  }
  packet_.clear();
}

void TypeSixUnit::Produce(std::int64_t now_us, std::vector<std::uint8_t>& out) {
  auto owed = std::remove_if(replies_due_.begin(), replies_due_.end(), [&](std::int64_t due) {
    if (due > now_us || !reply_) return false;
    out.insert(out.end(), reply_->begin(), reply_->end());
    return true;
  });
  replies_due_.erase(owed, replies_due_.end());
}

}  // namespace sim
