// Tests of the built libftd2xx.so: loaded with dlopen, bound, the default units listed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

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

}  // namespace
