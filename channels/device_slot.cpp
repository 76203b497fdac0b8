// The device slot record's reset and channel counts.
#include "channels/device_slot.h"

#include "channels/vessamor_channel.h"

namespace {

bool IsAccelerometer(std::uint16_t code) { return code == 7 || code == 8; }
bool IsDistance(std::uint16_t code) { return code == 52 || code == 57; }

}  // namespace

void DeviceSlot::Clear() {
  // Description and serial number stay: a reset forgets the unit's place, not its name.
  Location = 0;
  DeviceTypeCode = 0;
  AssignIndex = -1;
  Prepared = 0;
  PreparedOrder = 0;
  DefaultA = 1000;
  Reserved = 0;
  DefaultB = 165;
  ChannelFlags = {};
  Channels = {};
  SensorCode = 0;
  Device = nullptr;
  InUse = 0;
  FillCounter = nullptr;
  ReceiveBuffer = nullptr;
  SelectedForRecord = 1;
  SensorName1.clear();
  SensorName2.clear();
}

void DeviceSlot::Reset() {
  for (VessamorChannel* channel : Channels) {
    if (channel != nullptr) channel->Device = nullptr;
  }
  Clear();
}

std::uint8_t DeviceSlot::CountChannels() const {
  std::uint8_t count = 0;
  for (const VessamorChannel* channel : Channels) count += channel != nullptr ? 1 : 0;
  return count;
}

std::uint8_t DeviceSlot::CountActiveChannels() const {
  const VessamorChannel* first = Channels[0];
  if (first == nullptr) return 0;
  if (IsAccelerometer(first->SensorCode)) return 3;
  std::uint8_t active = 0;
  bool distance = false;
  for (const VessamorChannel* channel : Channels) {
    if (channel == nullptr || channel->SavedShown == 0) continue;
    ++active;
    distance = distance || IsDistance(channel->SensorCode);
  }
  return distance ? 1 : active;
}
