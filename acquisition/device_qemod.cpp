// The event timer: 6-byte frames of three timer counts turned into echo delays, ordinary and late echoes.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "acquisition/device_families.h"
#include "acquisition/device_status.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// Delays above this are no echo at all.
constexpr std::int32_t kNoEchoDelay = 29990;
// Counts a late echo's delay is measured with beyond the third count.
constexpr std::int32_t kLateEchoBias = 144;
constexpr std::int32_t kSpikeMinimumBand = 70;
constexpr std::uint16_t kLongRangeSensor = 64;

std::uint16_t Count16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]); }

}  // namespace

void DeviceQEMod::BuildStartPacket() {
  const std::uint32_t rate = View != nullptr && View->RateSetting != 0 ? View->RateSetting : 1000;
  const std::uint32_t period = 1000000u / rate;
  StartPacket = {kStartByte,   0x05, kStartMarker, static_cast<std::uint8_t>(period & 0xFF),
                 static_cast<std::uint8_t>((period >> 8) & 0xFF), 0xA5};
}

bool DeviceQEMod::ConfigurePort() {
  PortSettings settings;
  settings.BaudRate = kTimerBaudRate;
  if (!ConfigureSerialPort(settings)) return false;
  Interval = 50.0;
  AlternateFrame = 0;
  Position = 0.0;
  LastCount = 0;
  LastValue = 0;
  SpikeFilter = 0;
  return true;
}

void DeviceQEMod::ResetTimingState() {
  Position = 0.0;
  AlternateFrame = 0;
  SpikeFilter = 0;
  Step = 1;
  LowerThreshold = LongRange() ? 49776 : 9776;
  CountScale = LongRange() ? 50000.0f : 10000.0f;
  IntervalRate = 0;
  FollowViewRate(View != nullptr ? View->RateSetting : 0);
  LastCount = 0;
  LastValue = 0;
}

bool DeviceQEMod::LongRange() const { return Channels[0] != nullptr && Channels[0]->SensorCode == kLongRangeSensor; }

void DeviceQEMod::FollowViewRate(std::uint32_t view_rate) {
  // The unit sends its frames on its own clock (every 50 ms over the long range, every 10 ms over
  // the short one), whatever period the start asked for: a frame stands for the samples the view
  // records in that time, also after a sensor's set-up has changed the rate of a running page.
  const std::uint32_t rate = view_rate != 0 ? view_rate : 1000;
  if (rate == IntervalRate) return;
  IntervalRate = rate;
  Interval = rate / (LongRange() ? 20.0 : 100.0);
  FilterStart = static_cast<std::uint32_t>(2.0 * Interval);
}

void DeviceQEMod::OnCyclicWrap() {
  Position = 0.0;
  LastCount = 0;
}

void DeviceQEMod::ParseStream() {
  if (ReceiveBuffer == nullptr || ReceiveFill == nullptr) return;
  std::uint8_t* const buffer = ReceiveBuffer;
  const std::uint32_t fill = std::min(*ReceiveFill, ReceiveCapacity);
  VessamorChannel* channel = Channels[0];
  std::uint32_t pos = 0;
  for (; fill - pos >= kTimerFrameSize; pos += kTimerFrameSize) {
    const std::uint16_t t1 = Count16(buffer + pos);
    const std::uint16_t t2 = Count16(buffer + pos + 2);
    const std::uint16_t t3 = Count16(buffer + pos + 4);
    if (channel == nullptr) continue;
    std::int32_t delay = static_cast<std::int16_t>(static_cast<std::uint16_t>(t2 - t1));
    double advance = Interval;
    if (delay >= 0 && t3 <= LowerThreshold) {
      if (delay > kNoEchoDelay) delay = 0;
      const std::uint32_t count = channel->CodeCount;
      if (SpikeFilter != 0 && count > FilterStart && count >= 2) {
        const std::int32_t previous = channel->Codes[count - 1];
        const std::int32_t before = channel->Codes[count - 2];
        const std::int32_t band = 3 * std::max(std::abs(previous - before), kSpikeMinimumBand) / 2;
        if (delay < previous - band || delay > previous + band) {
          delay = static_cast<std::int32_t>(
              std::sqrt((static_cast<double>(previous) * previous + static_cast<double>(before) * before) / 2.0));
        }
      }
    } else {
      // The echo came after the third count: the frame stands for several intervals.
      // Before any start has set the scale, a late frame stands for one interval.
      const double late = CountScale > 0.0f ? std::ceil((static_cast<double>(t3) - LowerThreshold) / CountScale) : 0.0;
      advance = (std::trunc(late) + 1.0) * Interval;
      delay = delay > kNoEchoDelay ? 0 : static_cast<std::int16_t>(static_cast<std::uint16_t>(t3 - t1 + kLateEchoBias));
    }
    const auto value = static_cast<std::int16_t>(delay);
    FillEntries(*channel, advance, value);
    LastCount = t1;
    LastValue = static_cast<std::uint16_t>(value);
    if (channel->TrackingOn != 0) channel->TrackMinMax(value);
  }
  const std::uint32_t left = fill - pos;
  if (left > 0 && pos > 0) std::memmove(buffer, buffer + pos, left);
  *ReceiveFill = left;
}

void DeviceQEMod::FillEntries(VessamorChannel& channel, double advance, std::int16_t value) {
  Position += advance;
  double target = std::floor(Position);
  if (target > channel.CodeCapacity) {
    // A frame may stand for several entries: check the whole run against the capacity first.
    if (CyclicRecording()) {
      WrapRecording(0);
      Position = advance;
      target = std::min(std::floor(Position), static_cast<double>(channel.CodeCapacity));
    } else {
      PollResult = 2;
      target = channel.CodeCapacity;
    }
  }
  while (channel.CodeCount < target && channel.AppendCode(value)) {
  }
}
