// The bus under concurrent use: a polling reader, a writer of mode bytes and a plugging thread.
#include <atomic>
#include <thread>

#include "sim_test_support.h"

namespace simtest {
namespace {

TEST_F(BusTest, ConcurrentPollingPluggingAndClockSteps) {
  sim::UnitId unit = PlugWired();
  FT_HANDLE handle = OpenAt(0);
  Write(handle, StartPacket(2, 100));
  std::atomic<size_t> received{0};
  std::thread reader([&] {
    std::uint8_t buffer[4096];
    for (;;) {
      DWORD queued = 0, got = 0;
      if (FT_GetQueueStatus(handle, &queued) != FT_OK) break;
      if (FT_Read(handle, buffer, std::min<DWORD>(queued, sizeof buffer), &got) != FT_OK) break;
      received += got;
    }
  });
  std::thread writer([&] {
    std::uint8_t mode = 0xB3;
    DWORD written = 0;
    for (int i = 0; i < 200; ++i) FT_Write(handle, &mode, 1, &written);
  });
  std::thread plugger([&] {
    for (int i = 0; i < 50; ++i) {
      sim::UnitId extra = PlugWired({}, "04 extra");
      DWORD count = 0;
      FT_ListDevices(&count, nullptr, FT_LIST_NUMBER_ONLY);
      bus.Unplug(extra);
    }
  });
  for (int i = 0; i < 200; ++i) {
    AdvanceUs(1000);
    std::this_thread::yield();
  }
  plugger.join();
  writer.join();
  ASSERT_TRUE(bus.Unplug(unit));  // the reader's next call fails and it ends
  reader.join();
  EXPECT_LE(received.load(), 200u * 10 * 2 * 2);  // never more than was sent
}

}  // namespace
}  // namespace simtest
