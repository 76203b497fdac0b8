// Port set-up of the wired, control-unit and type-6 families, and the type-6 probe.
#include <algorithm>
#include <vector>

#include "acquisition/device_families.h"
#include "acquisition/ftdi_binding.h"

bool DeviceOne::ConfigurePort() {
  if (Handle == nullptr || !Succeeded(Ftdi.FT_SetDivisor(Handle, 0))) return false;
  StartPacketLength = 6;
  return true;
}

bool DeviceTwo::ConfigurePort() {
  PortSettings settings;
  settings.BaudRate = kWiredBaudRate;
  return ConfigureSerialPort(settings);
}

bool DeviceFour::ConfigurePort() {
  PortSettings settings;
  settings.BaudRate = kFastWiredBaudRate;
  return ConfigureSerialPort(settings);
}

bool DeviceFive::ConfigurePort() {
  PortSettings settings;
  settings.InTransfer = 64;
  settings.OutTransfer = 64;
  settings.StopBits = FT_STOP_BITS_2;
  settings.BaudRate = kControlBaudRate;
  return ConfigureSerialPort(settings);
}

void DeviceFive::Close(std::uint8_t /*reason*/) {
  if (Handle != nullptr) Ftdi.FT_Close(Handle);
  Handle = nullptr;
}

bool DeviceSix::ConfigurePort() {
  PortSettings settings;
  settings.BaudRate = kTypeSixBaudRate;
  settings.PacketLength = 5;
  if (!ConfigureSerialPort(settings)) return false;
  if (!Succeeded(Ftdi.FT_Purge(Handle, FT_PURGE_RX))) return false;
  return Probe();
}

bool DeviceSix::Probe() {
  ProbeAnswered = 0;
  std::copy(kTypeSixProbe.begin(), kTypeSixProbe.end(), StartPacket.begin());
  if (!Succeeded(Ftdi.FT_Write(Handle, StartPacket.data(), kTypeSixProbe.size(), &ByteCount))) return false;
  if (ByteCount == 0) return true;
  // The reply's content tells nothing the unit needs; a silent unit is kept all the same, but the
  // wait for it is bounded so the search goes on.
  const std::uint32_t start = Clock->NowMs();
  for (;;) {
    if (!Succeeded(Ftdi.FT_GetQueueStatus(Handle, &ByteCount))) return false;
    if (ByteCount >= 2) {
      std::vector<std::uint8_t> scratch(std::min<DWORD>(ByteCount, kReceiveBufferSize));
      if (!Succeeded(Ftdi.FT_Read(Handle, scratch.data(), static_cast<DWORD>(scratch.size()), &ByteCount))) {
        return false;
      }
      ProbeAnswered = 1;
      return true;
    }
    if (Clock->NowMs() - start >= kProbeReplyWaitMs) return true;
    Clock->SleepMs(kProbePollMs);
  }
}
