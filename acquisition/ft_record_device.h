// One FTDI-connected sensor unit: driver handle, identity, command bytes, channel binding, two-byte stream.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "acquisition/ftdi_api.h"
#include "acquisition/unit_events.h"

class GraphView;
class MainWindowServices;
class VessamorChannel;

inline constexpr std::uint8_t kStartByte = 0xA7;
inline constexpr std::uint8_t kStartMarker = 0xA3;
inline constexpr std::uint8_t kWiredStopByte = 0xB6;

// The mode byte of a start packet for the view's acquisition mode 0, 1, 2 (anything else: 0).
std::uint8_t ModeCommandByte(std::uint8_t acquisition_mode);

class FTRecordDevice {
 public:
  // Bytes of the staging buffer a slot's first channel lends the unit.
  static constexpr std::uint32_t kReceiveBufferSize = 65536;
  static constexpr std::size_t kChannels = 4;
  // EEPROM string buffers; one more byte than the driver may fill, kept zero as a terminator.
  static constexpr std::size_t kStringBuffer = 64;
  static constexpr std::size_t kSerialBuffer = 16;

  FTRecordDevice();
  virtual ~FTRecordDevice();
  FTRecordDevice(const FTRecordDevice&) = delete;
  FTRecordDevice& operator=(const FTRecordDevice&) = delete;

  // --- The fourteen operations, in slot order ---
  // Chooses the mode byte from the view; sends it only while the view records.
  virtual std::uint8_t SelectMode();
  // Lowers (or raises to 125 Hz) a sampling rate to what the unit delivers for that many shown channels.
  virtual void ClampRate(std::uint32_t& rate, std::uint8_t shown_channels) const;
  virtual void SetStopCommand();
  virtual void BuildStartPacket();
  virtual void PrepareModeByte();
  virtual void StopAndReset();
  // Writes the stop byte; a failure closes the unit. The unit is no longer running either way.
  virtual bool SendStop();
  // Reads what is queued (at most the receive buffer's free room) and decodes it.
  virtual void Poll();
  virtual bool HasRoom() const;
  virtual void ParseStream();
  // Port set-up after every open; stops at the first failed call, closes the unit and returns false.
  virtual bool ConfigurePort();
  // Writes the mode byte; a failure closes the unit.
  virtual bool SendModeByte();
  // reason: 0 after an error or a search, 1 at destruction.
  virtual void Close(std::uint8_t reason);
  virtual bool OpenByIndex(int index);

  // Reads the EEPROM strings and identifies the sensor from the description (device manager only).
  bool IdentifySensor(bool read_eeprom);

  // Binds channel `index` of the unit: its pointer, raw array and a copy of its code offset.
  void BindChannel(std::size_t index, VessamorChannel* channel);
  void SetReceiveBuffer(std::uint8_t* buffer, std::uint32_t* fill, std::uint32_t capacity = kReceiveBufferSize);
  bool IsOpen() const { return Handle != nullptr; }
  // A new cycle of a cyclic record: the byte count at what is kept, and the family's decoding state.
  void RestartCycle(std::uint32_t bytes_kept);

  GraphView* View = nullptr;
  std::array<VessamorChannel*, kChannels> Channels{};
  MainWindowServices* MainWindow = nullptr;
  // The view's recording control; null until a view takes the unit.
  UnitEvents* Events = nullptr;
  UnitClock* Clock = &SystemUnitClock();
  std::uint8_t SlotNumber = 0;

  std::array<char, kStringBuffer + 1> Manufacturer{};
  std::array<char, kStringBuffer + 1> ManufacturerId{};
  std::array<char, kStringBuffer + 1> Description{};
  std::array<char, kSerialBuffer + 1> SerialNumber{};

  std::uint8_t Manager = 0;
  FT_HANDLE Handle = nullptr;
  std::uint8_t Opened = 0;
  // The driver's in/out count of the last queue-status, read or write call.
  DWORD ByteCount = 0;
  std::uint32_t StartPacketLength = 6;
  // Bytes the decoder skipped to find a frame start.
  std::uint32_t ResyncCount = 0;
  std::uint32_t StartTick = 0;
  std::array<std::uint8_t, 6> StartPacket{kStartByte, 0, kStartMarker, 0, 0, 0xA5};
  std::uint8_t ModeCommand = 0;
  std::uint8_t StopCommand = kWiredStopByte;
  // Wireless receiver only: 0 accelerometer, 1 two channels, 2 pulse; and the pulse sensor's status.
  std::uint8_t PulseMode = 0;
  std::uint8_t PulseFlag = 0;
  std::uint8_t DeviceTypeCode = 0;
  // Set when a start carried mode 0xD5 for the demonstration mechanics; the stop switches back.
  std::uint8_t SwitchBack = 0;
  // The ConnectedMask bit of the unit.
  std::uint8_t SlotIndex = 0;
  // Written by the device worker's decoding, read by the preparation page's paint.
  std::atomic<std::uint8_t> LinkQuality{50};
  std::uint8_t ChannelCount = 1;
  std::string NameLine1 = "датчик";
  std::string NameLine2;
  std::uint8_t TwoLines = 0;
  std::string Model;
  std::string Serial;

  std::array<std::int16_t*, kChannels> RawCodes{};
  std::array<std::uint16_t, kChannels> CodeOffsets{};

  std::uint8_t* ReceiveBuffer = nullptr;
  std::uint32_t* ReceiveFill = nullptr;
  std::uint32_t ReceiveCapacity = kReceiveBufferSize;
  std::uint32_t ByteLimit = 0;
  std::uint32_t BytesReceived = 0;

  // For the device worker: 1/1 start, 2/2 stop.
  std::array<std::uint8_t, 2> Request{};
  std::uint8_t Running = 0;

  std::uint8_t SensorCode = 0;
  std::uint32_t LocationId = 0;
  std::uint8_t LinkState = 0;
  std::uint8_t Present = 0;

 protected:
  // Serial port settings of a unit family.
  struct PortSettings {
    ULONG InTransfer = 256;
    ULONG OutTransfer = 128;
    UCHAR StopBits = FT_STOP_BITS_1;
    ULONG BaudRate = 0;
    std::uint32_t PacketLength = 6;
  };

  // True on FT_OK; any other status closes the unit.
  bool Succeeded(FT_STATUS status);
  // USB transfer sizes, time-outs, framing, no flow control, baud rate: in that order.
  bool ConfigureSerialPort(const PortSettings& settings);

  // Appends one code to a channel, checking its capacity: a full one-shot record reports
  // PollResult 2 and drops the code; a full cyclic record wraps first.
  bool StoreCode(VessamorChannel& channel, std::int16_t code);
  // StoreCode, then the channel's min/max tracking when it is on.
  bool StoreSample(VessamorChannel& channel, std::int16_t code);
  bool CyclicRecording() const;
  // Starts a cyclic record over: every live channel at sample 0, the received-bytes count at
  // what was kept of the stream.
  void WrapRecording(std::uint32_t bytes_kept);
  // Lets a family reset its own decoding state when a cyclic record wraps.
  virtual void OnCyclicWrap() {}
  std::uint32_t Fill() const { return ReceiveFill != nullptr ? *ReceiveFill : 0; }

 private:
  void IntegratePulse(VessamorChannel& channel, std::int16_t code);
};
