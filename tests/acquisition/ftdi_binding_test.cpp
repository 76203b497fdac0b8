// Tests of the D2XX binding: look-up order, required and optional names, stubs for absent names.
#include "acquisition/ftdi_binding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sim/bus.h"
#include "sim/d2xx.h"
#include "sim/wired_unit.h"

namespace {

// Resolves through the simulator but hides the names in `missing` and notes every look-up.
struct RecordingResolver {
  std::set<std::string> missing;
  std::vector<std::string> looked_up;
  FtdiResolver Get() {
    return [this](const char* name) -> void* {
      looked_up.push_back(name);
      return missing.count(name) ? nullptr : sim::d2xx::Resolve(name);
    };
  }
};

class FtdiBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bus_.Reset(sim::ClockMode::Virtual);
    sim::UnitInfo info;
    info.Description = "15 unit";
    bus_.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{}));
  }
  void TearDown() override {
    ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
    bus_.Reset(sim::ClockMode::Virtual);
  }
  static DWORD Listed() {
    DWORD count = 0;
    EXPECT_EQ(Ftdi.FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
    return count;
  }
  sim::Bus& bus_ = sim::Bus::Instance();
};

TEST_F(FtdiBindingTest, MissingRequiredNameStopsTheLookUpsAndKeepsTheOldBinding) {
  ASSERT_TRUE(BindFtdiLibrary(sim::d2xx::Resolve));
  int required = 0;
  for (size_t i = 0; i < std::size(FtdiEntryPointTable); ++i) {
    if (!FtdiEntryPointTable[i].Required) continue;
    ++required;
    SCOPED_TRACE(FtdiEntryPointTable[i].Name);
    RecordingResolver resolver;
    resolver.missing = {FtdiEntryPointTable[i].Name};
    EXPECT_FALSE(BindFtdiLibrary(resolver.Get()));
    // The missing name is the last one asked for.
    EXPECT_EQ(resolver.looked_up.size(), i + 1);
    EXPECT_EQ(Listed(), 1u);
  }
  EXPECT_EQ(required, 15);
}

TEST_F(FtdiBindingTest, MissingOptionalNamesBindAndTheirCallsFail) {
  RecordingResolver resolver;
  for (const FtdiEntryPointInfo& entry : FtdiEntryPointTable) {
    if (!entry.Required) resolver.missing.insert(entry.Name);
  }
  ASSERT_TRUE(BindFtdiLibrary(resolver.Get()));
  std::vector<std::string> names;  // every name is asked for, in table order
  for (const FtdiEntryPointInfo& entry : FtdiEntryPointTable) names.push_back(entry.Name);
  EXPECT_EQ(resolver.looked_up, names);
  EXPECT_EQ(Listed(), 1u);

  FT_HANDLE handle = nullptr;
  ASSERT_EQ(Ftdi.FT_Open(0, &handle), FT_OK);
  FT_PROGRAM_DATA data{};
  EXPECT_NE(Ftdi.FT_EE_Read(handle, &data), FT_OK);
  EXPECT_NE(Ftdi.FT_SetRts(handle), FT_OK);
  EXPECT_NE(Ftdi.FT_SetEventNotification(handle, FT_EVENT_MODEM_STATUS, nullptr), FT_OK);
  DWORD rx = 0, tx = 0, events = 0;
  EXPECT_NE(Ftdi.FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
  // Required calls still reach the library.
  EXPECT_EQ(Ftdi.FT_SetDivisor(handle, 0), FT_OK);
  EXPECT_EQ(Ftdi.FT_Close(handle), FT_OK);
}

}  // namespace
