// The window's device slots: matching units, attaching them to slots and channels, reconciling after a search.
#include "app/device_slots.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "acquisition/ft_record_device.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

constexpr std::size_t kSlots = 4;

std::string CutAtNul(const char* text, std::size_t capacity) { return std::string(text, strnlen(text, capacity)); }

// A live channel no unit feeds: no offsets, no calibration, no scale of its own.
void Idle(VessamorChannel& channel) {
  channel.CodeOffsetOn = 0;
  channel.FineOffsetOn = 0;
  channel.FineOffset2On = 0;
  channel.ZeroOffsetOn = 0;
  channel.EnteredValueSet = 0;
  channel.ZeroOffset = 0.0f;
  channel.ZeroOffset2 = 0.0f;
  channel.CalibrationMid = 0.0f;
  channel.EnteredValue = 0.0f;
  channel.ScaleRatio = 1.0f;
  channel.OwnScale = 0;
  channel.SensorCode = 0;
  channel.Device = nullptr;
  channel.SetGain(1.0f);
}

bool Holds(const DeviceSlot& slot, const VessamorChannel* channel) {
  return std::find(slot.Channels.begin(), slot.Channels.end(), channel) != slot.Channels.end();
}

void DropChannels(DeviceSlot& slot) {
  for (VessamorChannel*& channel : slot.Channels) {
    if (channel != nullptr) channel->Device = nullptr;
    channel = nullptr;
  }
}

std::uint8_t Wrapped(std::uint8_t counter) { return static_cast<std::uint8_t>((counter + 1) % kSlots); }

}  // namespace

bool IsTwoChannelCode(std::uint8_t code) {
  static constexpr std::uint8_t kCodes[] = {7, 8, 11, 20, 21, 22, 23, 25, 42, 45, 51, 52, 57, 78, 79, 80, 88};
  return std::find(std::begin(kCodes), std::end(kCodes), code) != std::end(kCodes);
}

DeviceSlot DeviceSlotBinder::Probe(const FTRecordDevice& unit) const {
  DeviceSlot probe;
  probe.Clear();
  probe.Description = CutAtNul(unit.Description.data(), unit.Description.size());
  probe.SerialNumber = unit.Serial;
  probe.DeviceTypeCode = unit.DeviceTypeCode;
  probe.Location = unit.LocationId;
  probe.SensorCode = unit.SensorCode;
  probe.InUse = 1;
  probe.AssignIndex = SlotAssignCounter;
  return probe;
}

int DeviceSlotBinder::FindMatchingSlot(const DeviceSlot& probe) const {
  for (std::size_t s = 0; s < kSlots; ++s) {
    const DeviceSlot& slot = slots_[s];
    if (slot.Description == probe.Description && slot.SerialNumber == probe.SerialNumber &&
        slot.Location == probe.Location && slot.DeviceTypeCode == probe.DeviceTypeCode) {
      return static_cast<int>(s);
    }
  }
  return -1;
}

bool DeviceSlotBinder::Matches(const DeviceSlot& slot, const FTRecordDevice& unit) const {
  return slot.Location == unit.LocationId && slot.DeviceTypeCode == unit.DeviceTypeCode && slot.SerialNumber == unit.Serial;
}

std::uint8_t DeviceSlotBinder::FindDeviceSlot(const FTRecordDevice& unit, std::uint8_t detail) const {
  const int found = FindMatchingSlot(Probe(unit));
  if (found < 0) return 0;
  const DeviceSlot& slot = slots_[static_cast<std::size_t>(found)];
  std::uint8_t status = static_cast<std::uint8_t>(found);
  if (detail >= 1 && slot.InUse != 0) status |= 4;
  if (detail >= 2 && slot.Prepared != 0) status |= 8;
  if (detail >= 3 && slot.AssignIndex >= 0) status |= 16;
  if (detail >= 4 && slot.SelectedForRecord != 0) status |= 32;
  if (detail >= 5 && slot.CountChannels() > 0) status |= 64;
  return status;
}

void DeviceSlotBinder::MarkSlotForDevice(const FTRecordDevice& unit) {
  const int found = FindMatchingSlot(Probe(unit));
  if (found < 0) return;
  DeviceSlot& slot = slots_[static_cast<std::size_t>(found)];
  if (slot.Prepared != 0) return;
  slot.PreparedOrder = CountUsedSlots();
  slot.Prepared = 1;
}

std::uint8_t DeviceSlotBinder::CountUsedSlots() const {
  return static_cast<std::uint8_t>(std::count_if(slots_.begin(), slots_.end(), [](const DeviceSlot& s) { return s.Complete(); }));
}

void DeviceSlotBinder::LinkChannel(VessamorChannel& channel, FTRecordDevice& unit) const {
  channel.Device = &unit;
  channel.LocationId = unit.LocationId;
  channel.DeviceTypeCode = unit.DeviceTypeCode;
  channel.SensorCode = unit.SensorCode;
}

bool DeviceSlotBinder::AttachDeviceToSlot(FTRecordDevice& unit, std::uint32_t connected) {
  std::lock_guard lock(view_.ViewLock);
  const DeviceSlot probe = Probe(unit);
  const int found = FindMatchingSlot(probe);
  int target = found;
  if (found < 0) {
    for (std::size_t s = 0; s < kSlots && target < 0; ++s) {
      if (slots_[s].InUse == 0 || slots_[s].Device == nullptr) target = static_cast<int>(s);
    }
    if (target < 0) return false;
  }
  DeviceSlot& slot = slots_[static_cast<std::size_t>(target)];
  const bool two_channel = IsTwoChannelCode(unit.SensorCode);
  const std::size_t unit_channels = std::min<std::size_t>(unit.ChannelCount, kSlots);
  const std::size_t wanted = two_channel ? (unit_channels < 3 ? 2 : unit_channels) : 1;

  // Room among the shared live channels is checked before anything changes; the slot's own
  // channels count as free, since re-attaching releases them.
  std::array<bool, kSlots> free{};
  if (connected >= 2) {
    std::size_t taken = 0, linked = 0;
    for (std::size_t k = 0; k < kSlots; ++k) {
      const VessamorChannel& channel = view_.Channel(k);
      free[k] = channel.Device == nullptr || Holds(slot, &channel);
      taken += free[k] ? 0 : 1;
    }
    for (std::size_t s = 0; s < kSlots; ++s) {
      if (static_cast<int>(s) == target || !slots_[s].Complete()) continue;
      for (const VessamorChannel* channel : slots_[s].Channels) linked += channel != nullptr && channel->Device != nullptr ? 1 : 0;
    }
    if (linked >= kSlots || taken >= kSlots || kSlots - taken < wanted) return false;
  }

  if (found >= 0) {
    if (connected == 1) SlotAssignCounter = 0;
    slot.Device = &unit;
    slot.Location = unit.LocationId;
    slot.DeviceTypeCode = unit.DeviceTypeCode;
    slot.Attached = 0;
    slot.Prepared = 0;
    DropChannels(slot);
  } else {
    slot.Reset();
    slot = probe;
    slot.Device = &unit;
    slot.Prepared = 0;
    NextFreeSlot = static_cast<std::uint8_t>(std::min<int>(target + 1, kSlots - 1));
  }
  for (std::size_t k = 0; k < kSlots; ++k) {
    VessamorChannel& channel = view_.Channel(k);
    channel.Enabled = channel.Shown = channel.SavedShown = 0;
  }

  std::size_t bound = 0;
  auto bind = [&](VessamorChannel& channel) {
    LinkChannel(channel, unit);
    if (bound == 0) {
      if (channel.ReceiveBytes.size() < FTRecordDevice::kReceiveBufferSize) {
        channel.ReceiveBytes.assign(FTRecordDevice::kReceiveBufferSize, 0);
      }
      slot.ReceiveBuffer = channel.ReceiveBytes.data();
      slot.FillCounter = &channel.ReceivedCount;
    }
    slot.Channels[bound] = &channel;
    unit.Channels[bound] = &channel;
    ++bound;
  };
  if (connected == 0) {
    for (VessamorChannel* channel : slot.Channels) {
      if (channel != nullptr) bind(*channel);
    }
  } else if (connected == 1) {
    // One unit owns the whole view: the channels it does not feed carry its code, unlinked.
    unit.Channels = {};
    for (std::size_t k = 0; k < kSlots; ++k) {
      VessamorChannel& channel = view_.Channel(k);
      if (k < wanted) {
        bind(channel);
      } else {
        LinkChannel(channel, unit);
        channel.Device = nullptr;
      }
    }
    SlotAssignCounter = Wrapped(SlotAssignCounter);
  } else {
    unit.Channels = {};
    for (std::size_t k = 0; k < kSlots && bound < wanted; ++k) {
      if (free[k]) bind(view_.Channel(k));
    }
    SlotAssignCounter = Wrapped(SlotAssignCounter);
  }
  for (VessamorChannel* channel : slot.Channels) {
    if (channel != nullptr) channel->SavedShown = 1;
  }
  return true;
}

void DeviceSlotBinder::ReleaseUnpreparedSlots() {
  std::lock_guard lock(view_.ViewLock);
  for (DeviceSlot& slot : slots_) {
    if (slot.InUse != 0 && slot.AssignIndex >= 0 && slot.Prepared == 0) DropChannels(slot);
  }
}

std::uint8_t DeviceSlotBinder::ReconcileDeviceSlots(const UnitList& table, std::uint32_t connected, bool unlink_live, bool settled) {
  std::lock_guard lock(view_.ViewLock);
  // 1. Prepared slots keep their channels; the slots ticked for the record are the candidates.
  std::array<bool, kSlots> keeps_binding{};
  for (std::size_t s = 0; s < kSlots; ++s) {
    DeviceSlot& slot = slots_[s];
    if (slot.InUse == 0 || slot.AssignIndex < 0) continue;
    if (slot.Prepared != 0) keeps_binding[s] = slot.SelectedForRecord != 0;
    else DropChannels(slot);
  }
  // 3. No unit at all.
  if (connected == 0 && settled) {
    for (DeviceSlot& slot : slots_) slot.Reset();
    if (unlink_live) {
      for (std::size_t k = 0; k < kSlots; ++k) view_.Channel(k).Device = nullptr;
    }
    view_.ResetViewState();
  }
  // 4. A slot stays while the table lists its unit, and takes the listed object: the search may
  // have replaced the one it held.
  NextFreeSlot = 0;
  SlotAssignCounter = 0;
  std::uint8_t kept = 0;
  for (std::size_t s = 0; s < kSlots; ++s) {
    DeviceSlot& slot = slots_[s];
    FTRecordDevice* listed = nullptr;
    for (FTRecordDevice* unit : table) {
      if (unit != nullptr && listed == nullptr && Matches(slot, *unit)) listed = unit;
    }
    if (listed == nullptr && !settled && slot.InUse != 0) listed = slot.Device;
    if (listed == nullptr) {
      slot.Reset();
      continue;
    }
    slot.Device = listed;
    for (VessamorChannel* channel : slot.Channels) {
      if (channel != nullptr) channel->Device = listed;
    }
    NextFreeSlot = static_cast<std::uint8_t>(std::min<std::size_t>(NextFreeSlot + 1u, kSlots - 1));
    SlotAssignCounter = Wrapped(SlotAssignCounter);
    kept += keeps_binding[s] ? 1 : 0;
  }
  // 5. Packed from slot 0; a vacated slot is cleared so that no unit sits in two.
  for (std::size_t s = 0; s < kSlots; ++s) {
    if (slots_[s].Device != nullptr) continue;
    for (std::size_t later = s + 1; later < kSlots; ++later) {
      if (slots_[later].Device == nullptr) continue;
      slots_[s] = slots_[later];
      slots_[later].Clear();
      break;
    }
  }
  // 6.
  for (std::size_t k = 0; k < kSlots; ++k) {
    VessamorChannel& channel = view_.Channel(k);
    const bool held = std::any_of(slots_.begin(), slots_.end(), [&](const DeviceSlot& slot) {
      return slot.InUse != 0 && slot.Device != nullptr && Holds(slot, &channel);
    });
    if (!held) Idle(channel);
  }
  return kept;
}

void ApplyScaleRatio(VessamorChannel& channel, const VessamorChannel& lead, const GraphView& view) {
  const std::uint16_t l = lead.SensorCode, c = channel.SensorCode;
  double ratio = 1.0;
  if (c != l) {
    const double fs_lead = view.ScaleSpan(l), fs_own = view.ScaleSpan(c);
    double numerator = fs_lead, denominator = fs_own;
    // The pressure and humidity kinds read on their second conversion against their own spans.
    const bool pressure = l == 26 || c == 26;
    if (pressure || l == 27 || c == 27) {
      const double alternative = view.ScaleSpan(pressure ? 60 : 61);
      if (channel.AltConversion != 0) denominator = alternative;
      else if (lead.AltConversion != 0) numerator = alternative;
    }
    ratio = numerator / denominator;
    if (!(numerator > 0.0) || !(denominator > 0.0) || !std::isfinite(ratio)) ratio = 1.0;
  }
  const bool own = ratio < 0.9999 || ratio > 1.0001;
  channel.ScaleRatio = own ? static_cast<float>(ratio) : 1.0f;
  channel.OwnScale = own ? 1 : 0;
}

std::uint8_t DeviceSlotBinder::MarkFirstChannelPerSensor() {
  view_.FirstOfSensorCount = 0;
  for (std::size_t k = 0; k < kSlots; ++k) view_.Channel(k).FirstOfSensor = 0;
  const auto chosen = [](const DeviceSlot& slot) { return slot.Complete() && slot.SelectedForRecord != 0; };
  int lead = -1;
  for (const DeviceSlot& slot : slots_) {
    if (!chosen(slot)) continue;
    for (std::size_t p = 0; p < kSlots; ++p) {
      VessamorChannel* channel = slot.Channels[p];
      if (channel == nullptr) continue;
      if (lead < 0) lead = channel->ChannelIndex;
      // A kind already marked, on another channel or at this place of a slot, is not marked again.
      bool marked = false;
      for (const DeviceSlot& other : slots_) {
        if (!chosen(other)) continue;
        const VessamorChannel* same_place = other.Channels[p];
        for (const VessamorChannel* o : other.Channels) {
          if (o == nullptr || o == channel || o->SensorCode != channel->SensorCode) continue;
          marked = marked || o->FirstOfSensor != 0 || (same_place != nullptr && same_place->FirstOfSensor != 0);
        }
      }
      channel->FirstOfSensor = marked ? 0 : 1;
      view_.FirstOfSensorCount += marked ? 0 : 1;
    }
  }
  const std::uint8_t index = lead < 0 || lead > 3 ? 0 : static_cast<std::uint8_t>(lead);
  view_.LeadChannel = index;
  if (view_.FirstOfSensorCount == 0) {
    view_.Channel(index).FirstOfSensor = 1;
    view_.FirstOfSensorCount = 1;
  }
  return index;
}

void DeviceSlotBinder::PrepareSlotsForGraph(std::uint8_t mode, bool english, const std::function<void()>& setup_header) {
  if (mode == 0) {
    ResetAll();
    view_.ResetViewState();
    view_.LeadChannel = 255;
    view_.TwoChannelText = 0;
    if (setup_header) setup_header();
    return;
  }
  {
    std::lock_guard lock(view_.ViewLock);
    for (std::size_t k = 0; k < kSlots; ++k) view_.Channel(k).SavedShown = 0;
    const VessamorChannel* first = nullptr;
    for (const DeviceSlot& slot : slots_) {
      if (slot.InUse != 0 && first == nullptr) first = slot.Channels[0];  // packed: the first bound one
      if (!slot.Complete() || slot.SelectedForRecord == 0) continue;
      for (VessamorChannel* channel : slot.Channels) {
        if (channel != nullptr) channel->SavedShown = 1;
      }
    }
    if (first != nullptr) view_.SensorCode = first->SensorCode;
    else view_.ResetViewState();
    const VessamorChannel& lead = view_.Channel(MarkFirstChannelPerSensor());
    view_.SensorCode = lead.SensorCode;
    // The rate is the measurement's own: the lead sensor's default, which the set-up of the channels
    // in it may change, not that of the sensor whose page was opened last. A rate the user chose
    // stays.
    if (first != nullptr && view_.RateChosen == 0) {
      view_.DefaultSampleRate(lead.DeviceTypeCode);
      view_.SetKindRate(view_.RateSetting);
    }
    view_.FirstOfSensorCount = std::min<std::uint16_t>(view_.FirstOfSensorCount, 4);
    // The files' layout is this measurement's: a pair's page opened earlier sets none of it.
    view_.DecideTwoChannelText();
    for (const DeviceSlot& slot : slots_) {
      if (!slot.Complete() || slot.SelectedForRecord == 0) continue;
      for (VessamorChannel* channel : slot.Channels) {
        if (channel != nullptr) ApplyScaleRatio(*channel, lead, view_);
      }
    }
  }
  if (setup_header) setup_header();
  const std::uint16_t needed = view_.TwoChannelText != 0 ? 3 : 2;
  if (view_.FirstOfSensorCount >= needed && mode >= 2) {
    view_.CaptionNumber = 256;
    view_.GraphTitle = english ? "Measurement" : "Измерение";
  }
}

void DeviceSlotBinder::RebindSlotDevices(const UnitList& table, int which) {
  for (std::size_t s = 0; s < kSlots; ++s) {
    DeviceSlot& slot = slots_[s];
    if ((which != 0 && static_cast<int>(s) != which) || slot.InUse == 0 || slot.AssignIndex < 0) continue;
    slot.Device = nullptr;
    for (FTRecordDevice* unit : table) {
      if (unit != nullptr && slot.Device == nullptr && Matches(slot, *unit)) slot.Device = unit;
    }
    // The channels follow, so none keeps a unit the device layer has dropped.
    std::lock_guard lock(view_.ViewLock);
    for (VessamorChannel* channel : slot.Channels) {
      if (channel != nullptr) channel->Device = slot.Device;
    }
  }
}

void DeviceSlotBinder::ResetAll() {
  std::lock_guard lock(view_.ViewLock);
  for (DeviceSlot& slot : slots_) slot.Reset();
  NextFreeSlot = 0;
  SlotAssignCounter = 0;
}
