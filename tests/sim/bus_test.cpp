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

}  // namespace
}  // namespace simtest
