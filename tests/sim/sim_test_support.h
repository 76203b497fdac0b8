// Helpers shared by the simulator tests: a fresh virtual-clock bus, opening, writing and reading a unit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "sim/bus.h"
#include "sim/d2xx.h"

namespace simtest {

using namespace sim::d2xx;
using Bytes = std::vector<std::uint8_t>;

class BusTest : public ::testing::Test {
 protected:
  void SetUp() override { bus.Reset(sim::ClockMode::Virtual); }
  void TearDown() override { bus.Reset(sim::ClockMode::Virtual); }

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
