// Tests of the simulated bus: listing, opening, plugging, EEPROM strings, logs, events and faults.
#include <cstring>
#include <string>

#include "sim/description.h"
#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, ListingWritesExactlyCountEntries) {
  sim::UnitId a = PlugWired({}, "15 first");
  sim::UnitId b = PlugWired({}, "04 second");
  sim::UnitId c = PlugWired({}, "39 third");
  DWORD count = 99;
  ASSERT_EQ(FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY), FT_OK);
  ASSERT_EQ(count, 3u);

  const DWORD guard = 0xDEADBEEF;
  DWORD locations[5] = {guard, guard, guard, guard, guard};
  count = 0;
  ASSERT_EQ(FT_ListDevices(locations, &count, FT_LIST_ALL | FT_OPEN_BY_LOCATION), FT_OK);
  ASSERT_EQ(count, 3u);
  sim::UnitId ids[] = {a, b, c};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(locations[i], bus.Info(ids[i])->LocationId);
  EXPECT_EQ(locations[3], guard);
  EXPECT_EQ(locations[4], guard);

  char buffers[3][64];
  char* pointers[4] = {buffers[0], buffers[1], buffers[2], nullptr};
  ASSERT_EQ(FT_ListDevices(pointers, &count, FT_LIST_ALL | FT_OPEN_BY_DESCRIPTION), FT_OK);
  EXPECT_STREQ(buffers[1], "04 second");

  char serial[64];
  ASSERT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(2), serial, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
  EXPECT_EQ(serial, bus.Info(c)->SerialNumber);
  EXPECT_EQ(FT_ListDevices(reinterpret_cast<PVOID>(3), serial, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER),
            FT_DEVICE_NOT_FOUND);
}

TEST_F(BusTest, OpenIsExclusiveUntilClose) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE first = OpenAt(0);
  FT_HANDLE second = nullptr;
  EXPECT_EQ(FT_Open(0, &second), FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(FT_OpenEx(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(bus.Info(unit)->LocationId)),
                      FT_OPEN_BY_LOCATION, &second),
            FT_DEVICE_NOT_OPENED);
  EXPECT_EQ(FT_Close(first), FT_OK);
  EXPECT_EQ(FT_Close(first), FT_INVALID_HANDLE);
  std::string serial = bus.Info(unit)->SerialNumber;
  ASSERT_EQ(FT_OpenEx(serial.data(), FT_OPEN_BY_SERIAL_NUMBER, &second), FT_OK);
  EXPECT_NE(second, first);  // handles are never reused
  EXPECT_EQ(FT_Close(second), FT_OK);
}

TEST_F(BusTest, UnpluggedUnitFailsEveryCallOfItsHandle) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  ASSERT_TRUE(bus.Unplug(unit));
  std::uint8_t byte = sim::WiredStopByte;
  DWORD word = 0;
  ULONG status = 0;
  UCHAR latency = 0;
  FT_PROGRAM_DATA data{};
  data.Signature2 = 0xFFFFFFFFu;
  struct Case {
    const char* name;
    FT_STATUS result;
  } cases[] = {
      {"FT_Write", FT_Write(handle, &byte, 1, &word)},
      {"FT_Read", FT_Read(handle, &byte, 1, &word)},
      {"FT_GetQueueStatus", FT_GetQueueStatus(handle, &word)},
      {"FT_Purge", FT_Purge(handle, FT_PURGE_RX)},
      {"FT_SetBaudRate", FT_SetBaudRate(handle, 500000)},
      {"FT_SetUSBParameters", FT_SetUSBParameters(handle, 256, 128)},
      {"FT_GetLatencyTimer", FT_GetLatencyTimer(handle, &latency)},
      {"FT_GetModemStatus", FT_GetModemStatus(handle, &status)},
      {"FT_SetRts", FT_SetRts(handle)},
      {"FT_EE_Read", FT_EE_Read(handle, &data)},
      {"FT_Close", FT_Close(handle)},
  };
  for (const Case& c : cases) EXPECT_NE(c.result, FT_OK) << c.name;
  // The failed close still let the handle go.
  EXPECT_EQ(FT_Close(handle), FT_INVALID_HANDLE);
}

TEST_F(BusTest, PlugUnplugAndReorderChangeTheListingOrder) {
  sim::UnitId a = PlugWired({}, "15 a");
  sim::UnitId b = PlugWired({}, "15 b");
  sim::UnitId c = PlugWired({}, "15 c");
  auto listed = [&] {
    DWORD locations[8] = {};
    DWORD count = 0;
    FT_ListDevices(locations, &count, FT_LIST_ALL | FT_OPEN_BY_LOCATION);
    return std::vector<DWORD>(locations, locations + count);
  };
  auto location = [&](sim::UnitId id) { return bus.Info(id)->LocationId; };
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(a), location(b), location(c)}));
  ASSERT_TRUE(bus.Reorder({c, a, b}));
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(c), location(a), location(b)}));
  EXPECT_FALSE(bus.Reorder({c, a, 999}));
  ASSERT_TRUE(bus.Unplug(c));
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(a), location(b)}));
  sim::UnitInfo info;
  info.Description = "15 d";
  sim::UnitId d = bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{}), 0);
  EXPECT_EQ(listed(), (std::vector<DWORD>{location(d), location(a), location(b)}));
}

TEST_F(BusTest, EepromStringsAreTheUnitsAndTerminatedWithinTheirBuffers) {
  sim::UnitInfo info;
  info.Manufacturer = std::string(40, 'M');
  info.ManufacturerId = std::string(20, 'I');
  info.Description = std::string(70, 'D');
  info.SerialNumber = std::string(20, 'S');
  bus.Plug(info, std::make_unique<sim::WiredUnitModel>(std::vector<sim::Signal>{}));
  FT_HANDLE handle = OpenAt(0);

  // Each buffer is followed by canary bytes the read must never reach.
  struct Buffer {
    int size;
    char bytes[96];
  } buffers[] = {{FtManufacturerSize, {}}, {FtManufacturerIdSize, {}}, {FtDescriptionSize, {}},
                 {FtSerialNumberSize, {}}};
  for (Buffer& buffer : buffers) std::memset(buffer.bytes, 0x5A, sizeof buffer.bytes);
  FT_PROGRAM_DATA data{};
  data.Signature1 = 0;
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
  EXPECT_EQ(data.VendorId, 0x15A2);

  data.Signature2 = 0;  // a record not prepared as documented is refused
  EXPECT_EQ(FT_EE_Read(handle, &data), FT_INVALID_PARAMETER);
}

TEST_F(BusTest, DescriptionsIdentifyAsTheirKeys) {
  struct Case {
    const char* first_two;
    std::uint16_t sum;
  } cases[] = {{"15", 1063}, {"04", 1195}, {"39", 987}, {"80", 1832}, {"00", 1246}, {"65", 1357}, {"21", 40}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first_two) + "/" + std::to_string(c.sum));
    std::optional<std::string> text = sim::DescriptionForKey(c.first_two, c.sum);
    ASSERT_TRUE(text.has_value());
    EXPECT_LT(text->size(), static_cast<size_t>(FtDescriptionSize));
    std::uint32_t expected = (static_cast<std::uint32_t>(c.sum) << 16) |
                             (static_cast<std::uint8_t>(c.first_two[0]) << 8) |
                             static_cast<std::uint8_t>(c.first_two[1]);
    EXPECT_EQ(sim::DescriptionKey(*text), expected);
    for (char ch : *text) EXPECT_TRUE(ch >= 0x20 && ch < 0x7F);
  }
  // Bytes above 0x7F count as negative, so a sum past 0x7FFF is reached with such bytes; one
  // beyond what 61 bytes can carry has no text.
  EXPECT_EQ(sim::DescriptionKey("12\xFF") >> 16, 0xFFFFu);
  EXPECT_EQ(sim::DescriptionKey("1"), 0x3100u);
  const std::optional<std::string> negative = sim::DescriptionForKey("15", 60000);
  ASSERT_TRUE(negative.has_value());
  EXPECT_EQ(sim::DescriptionKey(*negative) >> 16, 60000u);
  EXPECT_FALSE(sim::DescriptionForKey("15", 20000).has_value());
}

TEST_F(BusTest, LogsPortSetUpAndWrittenBytesWithTimes) {
  PlugWired();
  FT_HANDLE handle = OpenAt(0);
  AdvanceUs(1000);
  ASSERT_EQ(FT_SetUSBParameters(handle, 256, 128), FT_OK);
  ASSERT_EQ(FT_SetTimeouts(handle, 500, 500), FT_OK);
  AdvanceUs(500);
  ASSERT_EQ(FT_SetDataCharacteristics(handle, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE), FT_OK);
  ASSERT_EQ(FT_SetFlowControl(handle, FT_FLOW_NONE, 0, 0), FT_OK);
  ASSERT_EQ(FT_SetBaudRate(handle, 500000), FT_OK);
  EXPECT_EQ(Queued(handle), 0u);  // polling calls are not logged
  WriteBytes(handle, StartPacket(2, 1000));
  WriteBytes(handle, std::array<std::uint8_t, 1>{sim::WiredStopByte});

  std::vector<sim::CallRecord> log = bus.Log(handle);
  struct Expected {
    const char* call;
    std::vector<std::uint32_t> args;
    std::int64_t time_us;
  } expected[] = {
      {"FT_Open", {bus.Info(bus.Units()[0])->LocationId}, 0},
      {"FT_SetUSBParameters", {256, 128}, 1000},
      {"FT_SetTimeouts", {500, 500}, 1000},
      {"FT_SetDataCharacteristics", {8, 0, 0}, 1500},
      {"FT_SetFlowControl", {0, 0, 0}, 1500},
      {"FT_SetBaudRate", {500000}, 1500},
      {"FT_Write", {6}, 1500},
      {"FT_Write", {1}, 1500},
  };
  ASSERT_EQ(log.size(), std::size(expected));
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].Call, expected[i].call) << i;
    EXPECT_EQ(log[i].Args, expected[i].args) << i;
    EXPECT_EQ(log[i].TimeUs, expected[i].time_us) << i;
    EXPECT_EQ(log[i].Status, FT_OK) << i;
  }
  EXPECT_EQ(log[6].Bytes, (std::vector<std::uint8_t>{0xA7, 2, 0xA3, 0xE8, 0x03, 0xA5}));
  EXPECT_EQ(bus.Written(handle), (std::vector<std::uint8_t>{0xA7, 2, 0xA3, 0xE8, 0x03, 0xA5, 0xB6}));
  ASSERT_EQ(FT_Close(handle), FT_OK);
  EXPECT_EQ(bus.Log(handle).back().Call, "FT_Close");  // kept after close
}

TEST_F(BusTest, ModemStatusChangeSignalsTheEventRecord) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  EVENT_HANDLE event;
  pthread_mutex_init(&event.eMutex, nullptr);
  pthread_cond_init(&event.eCondVar, nullptr);
  event.iVar = 0;
  ASSERT_EQ(FT_SetEventNotification(handle, FT_EVENT_MODEM_STATUS, &event), FT_OK);
  bus.SetModemStatus(unit, FT_MODEM_STATUS_CTS);
  EXPECT_EQ(event.iVar, 1);
  DWORD rx = 0, tx = 0, events = 0;
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(events, FT_EVENT_MODEM_STATUS);
  ASSERT_EQ(FT_GetStatus(handle, &rx, &tx, &events), FT_OK);
  EXPECT_EQ(events, 0u);  // read once, then cleared
  ASSERT_EQ(FT_SetEventNotification(handle, 0, nullptr), FT_OK);
  pthread_cond_destroy(&event.eCondVar);
  pthread_mutex_destroy(&event.eMutex);
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
  EXPECT_EQ(FT_Write(handle, &byte, 1, &written), FT_OK);
  EXPECT_EQ(FT_Write(handle, &byte, 1, &written), FT_IO_ERROR);
  EXPECT_EQ(FT_Write(handle, &byte, 1, &written), FT_OK);
  // The failed write never reached the unit, and the log shows the failure.
  EXPECT_EQ(bus.Written(handle).size(), 2u);
  std::vector<sim::CallRecord> log = bus.Log(handle);
  EXPECT_EQ(log[log.size() - 2].Status, FT_IO_ERROR);
  EXPECT_EQ(bus.CallCount("FT_Write"), 3);
}

}  // namespace
}  // namespace simtest
