// Process-wide status bytes of the device layer and the driver's device listing.
#include "acquisition/device_status.h"

std::atomic<std::uint8_t> ConnectedMask{0};
std::atomic<std::uint8_t> PollResult{0};
std::atomic<std::uint8_t> NoDataFlag{0};
std::atomic<std::uint8_t> StopOnAnyDeviceClose{0};
std::atomic<std::uint8_t> ClosingFlag{0};
std::vector<DWORD> DeviceListing;

void ResetDeviceStatus() {
  ConnectedMask = 0;
  PollResult = 0;
  NoDataFlag = 0;
  StopOnAnyDeviceClose = 0;
  ClosingFlag = 0;
  DeviceListing.clear();
}
