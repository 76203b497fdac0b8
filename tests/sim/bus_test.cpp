// Tests of the simulated bus: listing, opening, plugging, EEPROM strings, logs, events and faults.
#include <cstring>
#include <string>

#include "acquisition/sensor_identification.h"
#include "sim/description.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, ListingWritesExactlyCountEntriesInPlugOrder) {
  sim::UnitId a = PlugWired({}, "15 first"), b = PlugWired({}, "04 second"), c = PlugWired({}, "39 third");
  auto location = [&](sim::UnitId id) { return bus.Info(id)->LocationId; };
  auto listed = [&] {
    const DWORD guard = 0xDEADBEEF;
    DWORD locations[6] = {guard, guard, guard, guard, guard, guard};
    DWORD count = 0;
    EXPECT_EQ(FT_ListDevices(locations, &count, FT_LIST_ALL | FT_OPEN_BY_LOCATION), FT_OK);
    EXPECT_EQ(locations[count], guard);  // nothing written past the count
    return std::vector<DWORD>(locations, locations + count);
  };
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(a), location(b), location(c)}));
  char buffers[3][64];
  char* pointers[4] = {buffers[0], buffers[1], buffers[2], nullptr};
  DWORD count = 0;
  ASSERT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_OK);
  EXPECT_STREQ(buffers[1], "04 second");
  EXPECT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(3), buffers[0], FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION),
            FT_DEVICE_NOT_FOUND);

  ASSERT_TRUE(bus.Reorder({c, a, b}));
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(c), location(a), location(b)}));
  EXPECT_FALSE(bus.Reorder({c, a, 999}));
  ASSERT_TRUE(bus.Unplug(c));
  sim::UnitInfo info;
  info.Description = "15 d";
  sim::UnitId d = bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{}), 0);
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(d), location(a), location(b)}));
}

TEST_F(BusTest, OpenIsExclusiveUntilClose) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE first = OpenAt(0), second = nullptr;
  EXPECT_EQ(FT_Open(0, &second), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(FT_Close(first), FT_OK);
  EXPECT_EQ(FT_Close(first), FT_INVALID_HANDLE);
  std::string serial = bus.Info(unit)->SerialNumber;
  ASSERT_EQ(FT_OpenEx(serial.data(), FT_OPEN_BY_SERIAL_NUMBER, &second), FT_OK);
  EXPECT_NE(second, first);  // handles are never reused
}

TEST_F(BusTest, UnpluggedUnitFailsEveryCallOfItsHandle) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  Write(handle, StartPacket(1, 1000));
  AdvanceUs(5000);
  ASSERT_TRUE(bus.Unplug(unit));
  std::uint8_t byte = sim::WiredStopByte;
  DWORD word = 0;
  ULONG status = 0;
  UCHAR latency = 0;
  FT_PROGRAM_DATA data{};
  data.Signature2 = 0xFFFFFFFFu;
  const std::pair<const char*, FT_STATUS> cases[] = {
      {"FT_Write", FT_Write(handle, &byte, 1, &word)},
      {"FT_Read", FT_Read(handle, &byte, 1, &word)},
      {"FT_GetQueueStatus", FT_GetQueueStatus(handle, &word)},
      {"FT_Purge", FT_Purge(handle, FT_PURGE_RX)},
      {"FT_SetBaudRate", FT_SetBaudRate(handle, 500000)},
      {"FT_GetLatencyTimer", FT_GetLatencyTimer(handle, &latency)},
      {"FT_GetModemStatus", FT_GetModemStatus(handle, &status)},
      {"FT_EE_Read", FT_EE_Read(handle, &data)},
      {"FT_Close", FT_Close(handle)},
  };
  for (const auto& [name, result] : cases) EXPECT_NE(result, FT_OK) << name;
  EXPECT_EQ(FT_Close(handle), FT_INVALID_HANDLE);  // the failed close still let the handle go
}

TEST_F(BusTest, EepromStringsAreTerminatedWithinTheirBuffers) {
  sim::UnitInfo info;
  info.Manufacturer = std::string(40, 'M');
  info.ManufacturerId = std::string(20, 'I');
  info.Description = std::string(70, 'D');
  info.SerialNumber = std::string(20, 'S');
  bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{}));
  FT_HANDLE handle = OpenAt(0);
  // Canary bytes follow each buffer; the read must never reach them.
  struct Buffer {
    int size;
    char bytes[96];
  } buffers[] = {{FtManufacturerSize, {}}, {FtManufacturerIdSize, {}}, {FtDescriptionSize, {}},
                 {FtSerialNumberSize, {}}};
  for (Buffer& buffer : buffers) std::memset(buffer.bytes, 0x5A, sizeof buffer.bytes);
  FT_PROGRAM_DATA data{};
  data.Signature2 = 0xFFFFFFFFu;
  data.Manufacturer = buffers[0].bytes;
  data.ManufacturerId = buffers[1].bytes;
  data.Description = buffers[2].bytes;
  data.SerialNumber = buffers[3].bytes;
  ASSERT_EQ(FT_EE_Read(handle, &data), FT_OK);
  for (const Buffer& buffer : buffers) {
    EXPECT_EQ(std::strlen(buffer.bytes), static_cast<size_t>(buffer.size - 1));
    EXPECT_EQ(buffer.bytes[buffer.size], 0x5A);
  }
  data.Signature2 = 0;  // a record not prepared as documented is refused
  EXPECT_EQ(FT_EE_Read(handle, &data), FT_INVALID_PARAMETER);
}

TEST_F(BusTest, DescriptionsIdentifyAsTheirKeys) {
  const std::pair<const char*, std::uint16_t> cases[] = {{"15", 1063}, {"04", 1195}, {"80", 1832}, {"21", 40}};
  for (const auto& [first_two, sum] : cases) {
    std::optional<std::string> text = sim::DescriptionForKey(first_two, sum);
    ASSERT_TRUE(text.has_value()) << first_two;
    EXPECT_LT(text->size(), static_cast<size_t>(FtDescriptionSize));
    EXPECT_EQ(sim::DescriptionKey(*text), SensorKey(first_two[0], first_two[1], sum));
  }
  // Bytes above 0x7F count negative: a sum past 0x7FFF needs them, one beyond 61 bytes has no text.
  EXPECT_EQ(sim::DescriptionKey("12\xFF") >> 16, 0xFFFFu);
  const std::optional<std::string> negative = sim::DescriptionForKey("15", 60000);
  ASSERT_TRUE(negative.has_value());
  EXPECT_EQ(sim::DescriptionKey(*negative) >> 16, 60000u);
  EXPECT_FALSE(sim::DescriptionForKey("15", 20000).has_value());
}

TEST_F(BusTest, LogsSetUpCallsAndWrittenBytesWithTimes) {
  PlugWired();
  FT_HANDLE handle = OpenAt(0);
  AdvanceUs(1000);
  ASSERT_EQ(FT_SetUSBParameters(handle, 256, 128), FT_OK);
  AdvanceUs(500);
  ASSERT_EQ(FT_SetBaudRate(handle, 500000), FT_OK);
  EXPECT_EQ(Queued(handle), 0u);  // polling calls are not logged
  Write(handle, StartPacket(2, 1000));
  const std::vector<sim::CallRecord> log = bus.Log(handle);
  const struct {
    const char* call;
    std::vector<std::uint32_t> args;
    std::int64_t time_us;
  } expected[] = {{"FT_Open", {bus.Info(bus.Units()[0])->LocationId}, 0},
                  {"FT_SetUSBParameters", {256, 128}, 1000},
                  {"FT_SetBaudRate", {500000}, 1500},
                  {"FT_Write", {6}, 1500}};
  ASSERT_EQ(log.size(), std::size(expected));
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].Call, expected[i].call) << i;
    EXPECT_EQ(log[i].Args, expected[i].args) << i;
    EXPECT_EQ(log[i].TimeUs, expected[i].time_us) << i;
  }
  EXPECT_EQ(log[3].Bytes, (Bytes{0xA7, 2, 0xA3, 0xE8, 0x03, 0xA5}));
  ASSERT_EQ(FT_Close(handle), FT_OK);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");  // kept after close
}

TEST_F(BusTest, NthCallOfANamedEntryPointFails) {
  PlugWired();
  FT_HANDLE handle = nullptr;
  bus.FailCall("FT_Open", 1, FT_DEVICE_NOT_FOUND);
  EXPECT_EQ(FT_Open(0, &handle), FT_DEVICE_NOT_FOUND);
  handle = OpenAt(0);
  bus.FailCall("FT_Write", 2);
  std::uint8_t byte = 0xB3;
  DWORD written = 0;
  const FT_STATUS expected[] = {FT_OK, FT_IO_ERROR, FT_OK};
  for (FT_STATUS status : expected) EXPECT_EQ(FT_Write(handle, &byte, 1, &written), status);
  EXPECT_EQ(bus.Written(handle).size(), 2u);  // the failed write never reached the unit
}

}  // namespace
}  // namespace simtest
