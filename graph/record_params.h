// The record parameters that the start of all units takes: owner, per-slot bindings, record length.
#pragma once

#include <array>
#include <cstdint>

class GraphView;
class VessamorChannel;

struct RecordSlotParams {
  std::uint8_t ChannelCount = 0;
  std::array<VessamorChannel*, 4> Channels{};
  std::array<std::int16_t*, 4> RawArrays{};
  std::array<std::uint32_t, 4> Words{};
  std::array<std::uint16_t, 4> CodeOffsets{};
};

struct RecordParams {
  GraphView* Owner = nullptr;
  std::array<RecordSlotParams, 4> Slots{};
  std::uint32_t RecordBytesPerChannel = 0;  // 2 x ChannelCapacity

  void Clear() { *this = RecordParams{}; }
};

// Clears the whole block and sets what the live start reads: the owner and the record length.
inline void InitRecordParams(RecordParams& params, GraphView* owner, std::uint32_t record_bytes_per_channel) {
  params.Clear();
  params.Owner = owner;
  params.RecordBytesPerChannel = record_bytes_per_channel;
}
