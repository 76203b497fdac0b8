// Helpers shared by the simulator tests: a fresh virtual-clock bus, frame decoding, start packets.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/wired_unit.h"

namespace simtest {

using namespace sim::d2xx;
using Bytes = std::vector<std::uint8_t>;

struct Frame {
  int Channel;
  int Code;
};

// Decodes whole two-byte frames.
inline std::vector<Frame> DecodeFrames(const Bytes& bytes) {
  std::vector<Frame> frames;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    frames.push_back({(bytes[i + 1] >> 5) & 3, bytes[i] | ((bytes[i + 1] & 0x1F) << 7)});
  }
  return frames;
}

inline Bytes StartPacket(int channels, int period_us, std::uint8_t mode = 0xA5) {
  return {sim::WiredStartByte, static_cast<std::uint8_t>(channels), sim::WiredStartMarker,
          static_cast<std::uint8_t>(period_us & 0xFF), static_cast<std::uint8_t>(period_us >> 8), mode};
}

class BusTest : public ::testing::Test {
 protected:
  void SetUp() override { bus.Reset(sim::ClockMode::Virtual); }
  void TearDown() override { bus.Reset(sim::ClockMode::Virtual); }

  sim::UnitId PlugWired(std::vector<sim::Signal> signals = {}, const char* description = "15 unit") {
    sim::UnitInfo info;
    info.Description = description;
    return bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::move(signals)));
  }
  FT_HANDLE OpenAt(int index) {
    FT_HANDLE handle = nullptr;
    EXPECT_EQ(FT_Open(index, &handle), FT_OK);
    return handle;
  }
  void Write(FT_HANDLE handle, Bytes bytes) {
    DWORD written = 0;
    ASSERT_EQ(FT_Write(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written), FT_OK);
    ASSERT_EQ(written, bytes.size());
  }
  DWORD Queued(FT_HANDLE handle) {
    DWORD count = 0;
    EXPECT_EQ(FT_GetQueueStatus(handle, &count), FT_OK);
    return count;
  }
  Bytes ReadAll(FT_HANDLE handle) {
    Bytes bytes(Queued(handle));
    DWORD got = 0;
    EXPECT_EQ(FT_Read(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &got), FT_OK);
    bytes.resize(got);
    return bytes;
  }
  void AdvanceUs(std::int64_t us) { bus.Advance(std::chrono::microseconds(us)); }

  sim::Bus& bus = sim::Bus::Instance();
};

}  // namespace simtest
