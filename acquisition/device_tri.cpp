// The wireless receiver: link messages, radio packets with sequence numbers, accelerometer and pulse layouts.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "acquisition/device_families.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

constexpr std::uint8_t kLinkDownMarker = 0x03;
constexpr std::uint8_t kLinkLostCode = 0x0A;
// The receiver needs a moment after a broken stream before it sends again.
constexpr std::uint32_t kLinkSettleMs = 100;

// Accelerometer blocks: 5 groups of X, Y, Z high bytes and their low bits; the newest at offset 2.
constexpr std::size_t kBlockOffset = 2;
constexpr std::size_t kBlockSize = 20;
constexpr std::size_t kGroupsPerBlock = 5;
// Pulse layout: 24 groups of four high bytes and one low-bits byte; the last two samples are status.
constexpr std::size_t kPulseGroups = 24;
constexpr std::size_t kPulseSamples = 94;
constexpr std::size_t kPulseStatusByte = 119;
constexpr std::size_t kQualityByte = 122;
constexpr std::size_t kNoiseByte = 123;
// Centre of a 10-bit axis code.
constexpr double kAxisCentre = 512.0;

std::int16_t TenBits(std::uint8_t high, std::uint8_t low_bits, int shift) {
  return static_cast<std::int16_t>((high << 2) | ((low_bits >> shift) & 3));
}

}  // namespace

DeviceTri::DeviceTri() { StopCommand = kRadioStopByte; }

void DeviceTri::SetStopCommand() { StopCommand = kRadioStopByte; }

void DeviceTri::BuildStartPacket() {
  const std::uint32_t rate = View != nullptr ? View->RateSetting : 1000;
  StartPacket = {kStartByte,
                 static_cast<std::uint8_t>(rate & 0xFF),
                 static_cast<std::uint8_t>((rate >> 8) & 0xFF),
                 0,
                 View != nullptr ? View->AcquisitionMode : std::uint8_t{0},
                 0};
}

bool DeviceTri::ConfigurePort() {
  PortSettings settings;
  settings.BaudRate = kRadioBaudRate;
  settings.PacketLength = 5;
  return ConfigureSerialPort(settings);
}

RadioLinkState& DeviceTri::Link() { return Events != nullptr ? Events->RadioLink() : OwnLink; }

void DeviceTri::Report(std::uint8_t first, std::uint8_t second) {
  if (Events != nullptr) Events->OnRadioLinkMessage(first, second);
}

namespace {

// Where two data packets in a row begin at or after `from`, numbered one after the other: the
// receiver is sending again. `fill` when the buffer holds no such pair.
std::uint32_t NextPacketPair(const std::uint8_t* buffer, std::uint32_t from, std::uint32_t fill) {
  for (std::uint32_t p = from; p + kRadioPacketSize + 1 < fill; ++p) {
    const std::uint8_t* next = buffer + p + kRadioPacketSize;
    if (buffer[p] == kRadioPacketStart && next[0] == kRadioPacketStart && (((buffer[p + 1] >> 4) + 1) & 15) == (next[1] >> 4)) {
      return p;
    }
  }
  return fill;
}

}  // namespace

void DeviceTri::ParseStream() {
  if (ReceiveBuffer == nullptr || ReceiveFill == nullptr) return;
  std::uint8_t* const buffer = ReceiveBuffer;
  const std::uint32_t fill = std::min(*ReceiveFill, ReceiveCapacity);
  RadioLinkState& link = Link();
  std::uint32_t pos = 0;
  while (fill - pos >= 2) {
    const std::uint8_t first = buffer[pos];
    const std::uint8_t second = buffer[pos + 1];
    if (link.LinkUp == 0) {
      bool drop_rest = false;
      switch (first) {
        case 0x02:
          if (second == 0x01) link.LinkUp = 1;
          if (second == 0x00) drop_rest = true;
          break;
        case 0x01: break;
        case 0x04:
          if (second == 0x01) link.AutoMode = 1;
          else if (second == 0x00 || second == 0x02) link.AutoMode = 0;
          break;
        default:
          // Data packets flow only while the receiver's link is up: a stream taken up after bytes
          // were lost (a host that could not read in time) picks up at the next whole pair of them.
          if (const std::uint32_t resume = NextPacketPair(buffer, pos, fill); resume < fill) {
            link.LinkUp = 1;
            pos = resume;
            continue;
          }
          // Not a link message: whatever follows cannot be trusted either.
          link.LinkUp = 0;
          LinkState = 0;
          Report(kLinkDownMarker, kLinkLostCode);
          pos = fill;
          continue;
      }
      // The message reports its own two bytes, so a link-down with data behind it still counts.
      LinkState = 0;
      Report(first, second);
      pos = drop_rest ? fill : pos + 2;
      continue;
    }
    if (first == kRadioPacketStart) {
      if (fill - pos < kRadioPacketSize) break;  // the rest of the packet comes with the next poll
      while (fill - pos >= kRadioPacketSize && buffer[pos] == kRadioPacketStart) {
        if (fill - pos > kRadioPacketSize && buffer[pos + kRadioPacketSize] != kRadioPacketStart) {
          // A packet cut short by lost bytes runs into the next one: none of it is stored, and the
          // stream resumes at the next whole pair, or the read goes as a broken one.
          const std::uint32_t resume = NextPacketPair(buffer, pos + 1, fill);
          pos = resume < fill ? resume : pos + 1;
          if (resume == fill) break;
          continue;
        }
        DecodePacket(buffer + pos, link);
        pos += static_cast<std::uint32_t>(kRadioPacketSize);
      }
      continue;
    }
    // Anything but a packet while the link is up: the stream is broken; drop it and let the
    // receiver settle before the next poll. A link-down message among it still ends the
    // recording: the receiver sends it once, and a recording left running would wait forever.
    if ((first == 0x01 || first == 0x02) && second == 0x00) Report(first, second);
    pos = fill;
    link.FullPacket = 0;
    link.LinkUp = 0;
    LinkState = 0;
    Clock->SleepMs(kLinkSettleMs);
  }
  const std::uint32_t left = fill - pos;
  if (left > 0 && pos > 0) std::memmove(buffer, buffer + pos, left);
  *ReceiveFill = left;
}

void DeviceTri::DecodePacket(const std::uint8_t* packet, RadioLinkState& link) {
  ++link.PacketCount;
  const std::uint8_t sequence = packet[1] >> 4;
  // Packets missing between the last sequence and this one, counted round the 16 numbers; the
  // same number again means a whole round was lost.
  const std::uint32_t lost = static_cast<std::uint32_t>(sequence - link.LastSequence - 1) & 15u;
  link.LastSequence = sequence;
  LinkQuality = static_cast<std::uint8_t>(255 - packet[kQualityByte]);
  RadioNoise = packet[kNoiseByte];
  if (!HasRoom() && !CyclicRecording()) link.FullPacket = 1;

  if (PulseMode == 0) {
    // The packet repeats its five older blocks: refill what was lost from them, oldest first.
    const std::uint32_t filled = std::min(lost, kRadioHistoryBlocks);
    link.LostCount += lost - filled;
    if (link.FullPacket != 0) return;
    for (std::uint32_t k = filled + 1; k-- > 0;) DecodeAccelerometerBlock(packet + kBlockOffset + kBlockSize * k);
    return;
  }
  link.LostCount += lost;
  PulseFlag = static_cast<std::uint8_t>(255 - packet[kPulseStatusByte]);
  if (link.FullPacket == 0) DecodePulseGroups(packet);
}

void DeviceTri::DecodeAccelerometerBlock(const std::uint8_t* block) {
  VessamorChannel* magnitude = Channels[3];
  for (std::size_t g = 0; g < kGroupsPerBlock; ++g) {
    const std::uint8_t* group = block + 4 * g;
    const std::array<std::int16_t, 3> axes = {TenBits(group[0], group[3], 6), TenBits(group[1], group[3], 4),
                                              TenBits(group[2], group[3], 2)};
    double sum = 0.0;
    for (std::size_t i = 0; i < axes.size(); ++i) {
      VessamorChannel* channel = Channels[i];
      if (channel == nullptr) continue;
      StoreSample(*channel, axes[i]);
      const double zero = magnitude != nullptr ? magnitude->AxisZeroCodes[i] : 0.0;
      const double centred = axes[i] - zero - kAxisCentre;
      sum += channel->GainSquared * centred * centred;
    }
    if (magnitude != nullptr) {
      StoreSample(*magnitude, MagnitudeCode(sum, kAxisCentre));
    }
  }
}

void DeviceTri::DecodePulseGroups(const std::uint8_t* packet) {
  std::size_t sample = 0;
  for (std::size_t g = 0; g < kPulseGroups && sample < kPulseSamples; ++g) {
    const std::uint8_t* group = packet + kBlockOffset + 5 * g;
    for (int j = 0; j < 4 && sample < kPulseSamples; ++j, ++sample) {
      // Two-channel mode alternates the samples between channels 0 and 1.
      VessamorChannel* channel = Channels[PulseMode == 1 ? sample % 2 : 0];
      if (channel != nullptr) StoreSample(*channel, TenBits(group[j], group[4], 6 - 2 * j));
    }
  }
}
