// Tests of the built libftd2xx.so: loaded with dlopen, bound, default units listed, real-time stream.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/ftdi_binding.h"
#include "acquisition/sensor_identification.h"
#include "platform/dynamic_library.h"
#include "sim/d2xx.h"
#include "sim/description.h"

namespace {

class SharedLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    unsetenv("VESSAMOR_SIM_UNITS");  // none named: the two default units
    std::string error;
    library_ = platform::DynamicLibrary::Open(std::string(VESSAMOR_SIM_LIBRARY_DIR) + "/libftd2xx.so", &error);
    ASSERT_TRUE(library_) << error;
  }
  static void TearDownTestSuite() {
    BindFtdiLibrary(sim::d2xx::Resolve);  // the table must not outlive the library
    library_.reset();
  }
  void SetUp() override {
    ASSERT_TRUE(library_);
    ASSERT_TRUE(BindFtdiLibrary([](const char* name) { return library_->Symbol(name); }));
  }
  static std::unique_ptr<platform::DynamicLibrary> library_;
};

std::unique_ptr<platform::DynamicLibrary> SharedLibraryTest::library_;

TEST_F(SharedLibraryTest, ListsTheDefaultUnitsWithIdentifyingDescriptions) {
  DWORD count = 0;
  ASSERT_EQ(Ftdi.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_EQ(count, 2u);
  const std::uint32_t keys[] = {SensorKey('1', '5', 1063), SensorKey('0', '4', 1195)};
  for (int index = 0; index < 2; ++index) {
    FT_HANDLE handle = nullptr;
    ASSERT_EQ(Ftdi.FT_Open(index, &handle), FT_OK);
    char manufacturer[64] = {}, manufacturer_id[64] = {}, description[64] = {}, serial[16] = {};
    FT_PROGRAM_DATA data{};
    data.Signature2 = 0xFFFFFFFFu;
    data.Manufacturer = manufacturer;
    data.ManufacturerId = manufacturer_id;
    data.Description = description;
    data.SerialNumber = serial;
    ASSERT_EQ(Ftdi.FT_EE_Read(handle, &data), FT_OK);
    EXPECT_EQ(sim::DescriptionKey(description), keys[index]);
    EXPECT_EQ(Ftdi.FT_Close(handle), FT_OK);
  }
}

TEST_F(SharedLibraryTest, StreamsFramesAtTheRequestedRateInRealTime) {
  FT_HANDLE handle = nullptr;
  ASSERT_EQ(Ftdi.FT_Open(1, &handle), FT_OK);
  ASSERT_EQ(Ftdi.FT_Purge(handle, FT_PURGE_RX), FT_OK);
  const int rate_hz = 2000, period_us = 1000000 / rate_hz;
  std::uint8_t start[] = {0xA7, 1, 0xA3, static_cast<std::uint8_t>(period_us & 0xFF),
                          static_cast<std::uint8_t>(period_us >> 8), 0xA5};
  DWORD written = 0;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Ftdi.FT_Write(handle, start, sizeof start, &written), FT_OK);
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 30; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    DWORD queued = 0, got = 0;
    ASSERT_EQ(Ftdi.FT_GetQueueStatus(handle, &queued), FT_OK);
    std::vector<std::uint8_t> chunk(queued);
    ASSERT_EQ(Ftdi.FT_Read(handle, chunk.data(), queued, &got), FT_OK);
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ASSERT_EQ(Ftdi.FT_Close(handle), FT_OK);
  // Frame count against the wall time that passed, with generous bounds for scheduling.
  const double frames = static_cast<double>(bytes.size() / 2), expected = seconds * rate_hz;
  EXPECT_GT(frames, 0.5 * expected - 100);
  EXPECT_LT(frames, 1.1 * expected + 10);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) ASSERT_EQ((bytes[i + 1] >> 5) & 3, 0);
}

}  // namespace
