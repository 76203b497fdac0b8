// The sensor unit: driver calls, polling with its byte limit and cyclic wrap, the two-byte frame decoder.
#include "acquisition/ft_record_device.h"

#include <algorithm>
#include <cstring>

#include "acquisition/device_status.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/worker_threads.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// The lowest rate a unit is asked for, and the fixed rate of the units that have only one.
constexpr std::uint32_t kMinimumRate = 125;
constexpr std::uint32_t kFixedRate = 1000;

// A pulse sample counts as high above this level (codes, and converted values for the mean).
constexpr std::int32_t kPulseLevel = 9;

std::uint32_t PeriodUs(const GraphView* view) {
  const std::uint32_t rate = view != nullptr && view->RateSetting != 0 ? view->RateSetting : kFixedRate;
  return 1000000u / rate;
}

}  // namespace

std::uint8_t ModeCommandByte(std::uint8_t acquisition_mode) {
  switch (acquisition_mode) {
    case 0: return 0xA5;
    case 1: return 0xB3;
    case 2: return 0xD5;
    default: return 0x00;
  }
}

FTRecordDevice::FTRecordDevice() = default;

FTRecordDevice::~FTRecordDevice() {
  // The owner normally closes first; a handle still open here is released, never leaked.
  if (Handle != nullptr) {
    Ftdi.FT_Close(Handle);
    Handle = nullptr;
  }
}

std::uint8_t FTRecordDevice::SelectMode() {
  if (View == nullptr) {
    ModeCommand = 0x00;
    return ModeCommand;
  }
  if (View->Recording != 0) {
    if (View->AcquisitionMode == 1) ModeCommand = 0x55;
    else if (View->AcquisitionMode == 0) ModeCommand = 0x00;
    SendModeByte();
  } else if (View->AcquisitionMode <= 2) {
    static constexpr std::array<std::uint8_t, 3> kIdleModes = {0x00, 0xB3, 0xD5};
    ModeCommand = kIdleModes[View->AcquisitionMode];
  }
  return ModeCommand;
}

void FTRecordDevice::ClampRate(std::uint32_t& rate, std::uint8_t shown_channels) const {
  if (DeviceTypeCode == 3) {
    rate = kFixedRate;
    return;
  }
  std::uint32_t cap = 0;
  if (DeviceTypeCode == 7) {
    cap = shown_channels == 1 || SensorCode == 79 ? 200000 : 100000;
  } else {
    switch (shown_channels) {
      case 1: cap = 25000; break;
      case 2: cap = 10000; break;
      case 3:
      case 4: cap = 5000; break;
      default: rate = kFixedRate; return;
    }
  }
  if (rate > cap) rate = cap;
  else if (rate < kMinimumRate) rate = kMinimumRate;
}

void FTRecordDevice::SetStopCommand() { StopCommand = kWiredStopByte; }

void FTRecordDevice::BuildStartPacket() {
  std::uint8_t bound = 0;
  for (const VessamorChannel* channel : Channels) bound += channel != nullptr ? 1 : 0;
  const std::uint32_t period = PeriodUs(View);
  StartPacket = {kStartByte,
                 bound,
                 kStartMarker,
                 static_cast<std::uint8_t>(period & 0xFF),
                 static_cast<std::uint8_t>((period >> 8) & 0xFF),
                 ModeCommandByte(View != nullptr ? View->AcquisitionMode : 0)};
}

void FTRecordDevice::PrepareModeByte() {}

void FTRecordDevice::StopAndReset() {
  if (ReceiveFill != nullptr) *ReceiveFill = 0;
  SendStop();
}

bool FTRecordDevice::SendStop() {
  bool sent = false;
  if (Handle != nullptr) sent = Succeeded(Ftdi.FT_Write(Handle, &StopCommand, 1, &ByteCount));
  Running = 0;
  return sent;
}

void FTRecordDevice::Poll() {
  if (Handle == nullptr) return;
  if (!Succeeded(Ftdi.FT_GetQueueStatus(Handle, &ByteCount))) return;
  const bool queued = ByteCount >= 2;
  if (!queued) NoDataFlag = 1;
  if (ReceiveBuffer == nullptr || ReceiveFill == nullptr) return;
  // Frames kept over a cyclic wrap are decoded by the next poll even when nothing new has come:
  // a unit that has sent its last bytes must not leave them waiting for more.
  if (!queued && *ReceiveFill < 2) return;

  std::uint32_t fill = std::min(*ReceiveFill, ReceiveCapacity);
  // Never more than the buffer holds; the rest stays in the driver's queue for the next poll.
  const DWORD wanted = queued ? std::min<DWORD>(ByteCount, ReceiveCapacity - fill) : 0;
  DWORD got = 0;
  if (wanted > 0) {
    if (!Succeeded(Ftdi.FT_Read(Handle, ReceiveBuffer + fill, wanted, &ByteCount))) return;
    got = std::min(ByteCount, wanted);
  }
  ByteCount = got;
  fill += got;
  BytesReceived += got;

  if (BytesReceived > ByteLimit && CyclicRecording() && PollPass::Current() != nullptr) {
    // The bytes within the limit end this cycle; the rest waits in the buffer for the wrap that
    // the next pass makes for every unit at once.
    const std::uint32_t overflow = std::min(BytesReceived - ByteLimit, fill);
    *ReceiveFill = fill - overflow;
    if (PollResult.load() != 2) PollResult = 1;
    ParseStream();
    const std::uint32_t left = std::min(*ReceiveFill, fill - overflow);
    std::memmove(ReceiveBuffer + left, ReceiveBuffer + (fill - overflow), overflow);
    *ReceiveFill = left + overflow;
    PollPass::Current()->DeferWrap();
    if (View != nullptr && View->RecordingState > 1) {
      PollResult = 2;
      View->RecordingState = 3;
    }
    return;
  }
  if (BytesReceived > ByteLimit) {
    if (CyclicRecording()) {
      std::uint32_t overflow = BytesReceived - ByteLimit;
      if (overflow > ByteLimit) overflow = 2;
      overflow = std::min(overflow, fill);
      std::memmove(ReceiveBuffer, ReceiveBuffer + (fill - overflow), overflow);
      fill = overflow;
      WrapRecording(overflow);
    } else {
      PollResult = 2;
      const std::uint32_t excess = std::min<std::uint32_t>(BytesReceived - ByteLimit, got);
      fill -= excess;
      ByteCount -= excess;
      BytesReceived = ByteLimit;
      if (Events != nullptr) Events->SetReceivedBytes(ByteLimit);
    }
  }
  if (PollResult.load() != 2) PollResult = 1;
  if (View != nullptr && View->RecordingState > 1) {
    PollResult = 2;
    View->RecordingState = 3;
  }
  *ReceiveFill = fill;
  if (fill != 0) ParseStream();
}

bool FTRecordDevice::HasRoom() const { return BytesReceived < ByteLimit; }

void FTRecordDevice::ParseStream() {
  if (ReceiveBuffer == nullptr || ReceiveFill == nullptr) return;
  std::uint8_t* const buffer = ReceiveBuffer;
  const std::uint32_t fill = std::min(*ReceiveFill, ReceiveCapacity);
  std::uint32_t pos = 0;
  while (fill - pos >= 2) {
    const std::uint8_t low = buffer[pos];
    const std::uint8_t high = buffer[pos + 1];
    const unsigned index = (high >> 5) & 3u;
    VessamorChannel* channel = Channels[index];
    if ((low & 0x80) != 0 || channel == nullptr) {
      ++pos;
      ++ResyncCount;
      continue;
    }
    const std::uint16_t value = static_cast<std::uint16_t>((low & 0x7F) | ((high & 0x1F) << 7));
    const auto code = static_cast<std::int16_t>(static_cast<std::uint16_t>(value + CodeOffsets[index]));
    if (StoreSample(*channel, code) && channel->PulseOn != 0) IntegratePulse(*channel, code);
    pos += 2;
  }
  const std::uint32_t left = fill - pos;
  if (left == 1) buffer[0] = buffer[pos];
  *ReceiveFill = left;
}

void FTRecordDevice::IntegratePulse(VessamorChannel& channel, std::int16_t code) {
  const bool offset_mode = channel.FineOffsetOn != 0;
  const std::int32_t shift = offset_mode ? (channel.FineOffset >> 8) : 0;
  auto value_of = [&](std::int16_t raw) -> double {
    const auto shifted = static_cast<std::int16_t>(raw + shift);
    return channel.RawToValueFn != nullptr ? channel.RawToValueFn(shifted, &channel) : shifted;
  };
  if (code + shift > kPulseLevel) {
    if (channel.PulseHigh == 0) channel.PulseSum = 0.0;
    channel.PulseHigh = 1;
    channel.PulseSum += value_of(code);
    return;
  }
  // In offset mode a pulse ends only when the mean of the last three samples has fallen too.
  if (offset_mode && channel.PulseHigh != 0 && channel.CodeCount >= 3) {
    const std::int16_t* last = channel.Codes + channel.CodeCount;
    const double mean = (value_of(last[-1]) + value_of(last[-2]) + value_of(last[-3])) / 3.0;
    if (mean > kPulseLevel) {
      channel.PulseSum += value_of(code);
      return;
    }
  }
  channel.PulseHigh = 0;
}

bool FTRecordDevice::ConfigurePort() {
  if (Handle == nullptr) return false;
  return Succeeded(Ftdi.FT_SetDivisor(Handle, 0));
}

bool FTRecordDevice::SendModeByte() {
  if (Handle == nullptr) return false;
  return Succeeded(Ftdi.FT_Write(Handle, &ModeCommand, 1, &ByteCount));
}

void FTRecordDevice::Close(std::uint8_t /*reason*/) {
  if (Handle == nullptr) return;
  // The manager only borrows handles during a search; the search itself keeps the slot bits.
  if (Manager == 0 && SlotIndex < kSensorSlots) ConnectedMask.fetch_and(BitClearTable[SlotIndex]);
  Ftdi.FT_Close(Handle);
  Handle = nullptr;
  if (Manager != 0 || Events == nullptr) return;
  const bool recording = Running != 0 && StopOnAnyDeviceClose.load() != 0;
  if (ConnectedMask.load() == 0 || StopOnAnyDeviceClose.load() != 0) Events->StopRecordingOnDeviceEnd();
  if (recording) Events->UnitLostWhileRecording(NameLine2.empty() ? NameLine1 : NameLine1 + " " + NameLine2);
}

bool FTRecordDevice::OpenByIndex(int index) {
  if (index < 0 || index > 255) return false;
  FT_HANDLE handle = nullptr;
  if (Ftdi.FT_Open(index, &handle) != FT_OK || handle == nullptr) return false;
  Handle = handle;
  Opened = 1;
  const auto at = static_cast<std::size_t>(index);
  LocationId = at < DeviceListing.size() ? DeviceListing[at] : 0;
  if (Manager == 0 && at < kSensorSlots) ConnectedMask.fetch_or(static_cast<std::uint8_t>(1u << at));
  return true;
}

void FTRecordDevice::BindChannel(std::size_t index, VessamorChannel* channel) {
  if (index >= kChannels) return;
  Channels[index] = channel;
  RawCodes[index] = channel != nullptr ? channel->Codes : nullptr;
  CodeOffsets[index] = channel != nullptr ? static_cast<std::uint16_t>(channel->CodeOffset) : 0;
}

void FTRecordDevice::SetReceiveBuffer(std::uint8_t* buffer, std::uint32_t* fill, std::uint32_t capacity) {
  ReceiveBuffer = buffer;
  ReceiveFill = fill;
  ReceiveCapacity = buffer != nullptr ? capacity : 0;
}

bool FTRecordDevice::Succeeded(FT_STATUS status) {
  if (status == FT_OK) return true;
  Close(0);
  return false;
}

bool FTRecordDevice::ConfigureSerialPort(const PortSettings& settings) {
  if (Handle == nullptr) return false;
  if (!Succeeded(Ftdi.FT_SetUSBParameters(Handle, settings.InTransfer, settings.OutTransfer))) return false;
  if (!Succeeded(Ftdi.FT_SetTimeouts(Handle, 500, 500))) return false;
  if (!Succeeded(Ftdi.FT_SetDataCharacteristics(Handle, FT_BITS_8, settings.StopBits, FT_PARITY_NONE))) return false;
  if (!Succeeded(Ftdi.FT_SetFlowControl(Handle, FT_FLOW_NONE, 0, 0))) return false;
  if (!Succeeded(Ftdi.FT_SetBaudRate(Handle, settings.BaudRate))) return false;
  StartPacketLength = settings.PacketLength;
  return true;
}

bool FTRecordDevice::CyclicRecording() const { return View != nullptr && View->Continuous != 0; }

void FTRecordDevice::RestartCycle(std::uint32_t bytes_kept) {
  BytesReceived = bytes_kept;
  if (Events != nullptr) Events->SetReceivedBytes(bytes_kept);
  OnCyclicWrap();
}

void FTRecordDevice::WrapRecording(std::uint32_t bytes_kept) {
  // Within a poll pass every running unit wraps with this one.
  if (PollPass* pass = PollPass::Current()) {
    pass->WrapNow(*this, bytes_kept);
    return;
  }
  if (Events != nullptr) {
    Events->ResetRecordingBuffers();
  } else {
    for (VessamorChannel* channel : Channels) {
      if (channel != nullptr) channel->CodeCount = 0;
    }
  }
  BytesReceived = bytes_kept;
  if (Events != nullptr) Events->SetReceivedBytes(bytes_kept);
  OnCyclicWrap();
}

bool FTRecordDevice::StoreCode(VessamorChannel& channel, std::int16_t code) {
  if (channel.AppendCode(code)) return true;
  if (channel.Codes == nullptr || channel.CodeCapacity == 0) return false;
  if (!CyclicRecording()) {
    PollResult = 2;
    return false;
  }
  WrapRecording(0);
  return channel.AppendCode(code);
}

bool FTRecordDevice::StoreSample(VessamorChannel& channel, std::int16_t code) {
  if (!StoreCode(channel, code)) return false;
  if (channel.TrackingOn != 0) {
    if (channel.RunReset != 0) channel.PulseSum = 0.0;
    channel.TrackMinMax(code);
  }
  return true;
}
