// USB arrival names: the interface-name form the arrival check matches on.
#include "platform/usb_arrivals.h"

#include <gtest/gtest.h>

namespace {

TEST(UsbArrivals, NamesAreLowerCaseFourDigitHexAndParseOnlyAsSuch) {
  EXPECT_EQ(platform::UsbInterfaceName(0x15A2, 0x005A), "vid_15a2&pid_005a");
  EXPECT_EQ(platform::UsbInterfaceName(0, 0xFFFF), "vid_0000&pid_ffff");
  const struct {
    const char* text;
    bool ok;
    std::uint16_t id;
  } cases[] = {{"15A2", true, 0x15A2}, {"005a", true, 0x005A}, {"15a", false, 0}, {"15a20", false, 0},
               {"1g00", false, 0},     {"", false, 0},         {nullptr, false, 0}};
  for (const auto& c : cases) {
    std::uint16_t id = 0;
    EXPECT_EQ(platform::ParseUsbId(c.text, id), c.ok) << (c.text ? c.text : "null");
    if (c.ok) {
      EXPECT_EQ(id, c.id);
    }
  }
  platform::UsbArrivalMonitor monitor;  // never started: inert
  EXPECT_EQ(monitor.Descriptor(), -1);
  int calls = 0;
  monitor.Drain([&](const std::string&, int) { ++calls; });
  EXPECT_EQ(calls, 0);
}

}  // namespace
