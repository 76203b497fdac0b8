// The preparation page's calibration steps: zero setting, the accelerometer's six positions, optical density,
// the conductivity ranges, typed reference values and the gas-law pair.
#include "info/preparation_step.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <mutex>

#include "acquisition/device_manager.h"
#include "acquisition/ft_record_device.h"
#include "acquisition/worker_threads.h"
#include "channels/conversions.h"
#include "channels/device_slot.h"
#include "channels/main_window_services.h"
#include "channels/rate_detector.h"
#include "channels/sensor_kind_table.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"
#include "info/info_panel.h"

namespace {

constexpr std::int64_t kStepPeriodMs = 151;
constexpr std::uint8_t kModeFiveMilli = 0x57;
constexpr std::uint8_t kModeHundredMicro = 0x55;
constexpr std::uint16_t kConductivity = 6;
constexpr std::uint16_t kConductivityMicro = 19;
constexpr std::uint16_t kOpticalDensity = 34;
constexpr std::uint16_t kGasPressure = 26;
constexpr std::uint16_t kGasPartner = 46;

bool In(std::uint16_t code, std::initializer_list<std::uint16_t> codes) { return std::ranges::find(codes, code) != codes.end(); }
bool Accelerometer(std::uint16_t code) { return code == 7 || code == 8; }

// The newest screen column of the view: the sweep's column while the small graph plots, else 0 (the
// newest sample itself).
std::uint16_t NewestColumn(const GraphView& view) {
  if (view.MiniGraph.SmallGraph == 0) return 0;
  return static_cast<std::uint16_t>(std::min<std::uint32_t>(view.Sweep.ColumnPosition, 0xFFFF));
}

// The channel's newest sample, filtered as its curve is. The units go on writing codes while a page
// measures, and the filter looks ahead over what they have written: none is written meanwhile.
std::int32_t NewestFilteredCode(GraphView& view, std::size_t channel_index) {
  CodeLayoutHold layout(view.Devices);
  return view.RunChannelFilterOnce(channel_index);
}

std::int32_t LiveCodeOf(GraphView& view, const VessamorChannel& channel) {
  const std::uint16_t column = NewestColumn(view);
  if (column != 0 && channel.Columns != nullptr && column < channel.ColumnCapacity) return channel.Columns[column].MaxCode;
  return NewestFilteredCode(view, channel.ChannelIndex);
}

// The optical-density steps: the detector's code at the newest column, fractional codes as a fraction.
float DetectorCode(GraphView& view, const VessamorChannel& channel) {
  const std::int32_t code = LiveCodeOf(view, channel);
  if (channel.FractionalCodes == 0) return static_cast<float>(code);
  return static_cast<float>(code >> 8) + static_cast<float>(code & 0xFF) / 256.0f;
}

// A channel's live reading at the newest column: the rate a rate kind derives, else its value; zero
// while nothing has been taken since the page's measurement began (the columns may still hold
// another sensor's readings). The view's count, not the channel's, which the unit writes as it decodes.
float LiveValue(GraphView& view, const VessamorChannel& channel) {
  if (view.SampleCount == 0) return 0.0f;
  const std::uint16_t column = NewestColumn(view);
  if (channel.RateMode != 0 && channel.RateDisplayFn == &BreathRateDisplay) {
    // The breathing hook gives its rate on the measurement screen only; the page shows the same
    // rate, the entry of the step under way, while the channel is set up for the rate.
    if (channel.BreathRateShown != 0) return channel.RateDetector.Entry(channel.RateDetector.HistoryCount);
  }
  if (channel.RateMode != 0 && channel.RateDisplayFn != nullptr) return channel.RateDisplayFn(&channel, column);
  return channel.SampleValue(column);
}

void ShowLive(ValueInputBox& box, float value) {
  // What lies within the last decimal of zero is zero, without a sign: a zeroed input reads 0.000.
  if (std::fabs(value) < std::pow(10.0f, -static_cast<float>(std::min<std::uint32_t>(box.Decimals, 6)))) value = 0.0f;
  box.Value = TruncatedValue(value, box.Decimals);
  box.Text = FormatFixed(box.Value, static_cast<int>(box.Decimals));
}

}  // namespace

bool PreparedOnEntry(std::uint16_t code) {
  return code <= 5 || In(code, {26, 27, 32, 33, 35, 51, 52, 53, 54, 57, 59, 64, 65, 72, 73, 74, 77, 78, 79, 80}) ||
         (code >= 37 && code <= 46) || (code >= 83 && code <= 87);
}

float TruncatedValue(float value, std::uint32_t decimals) {
  const int places = static_cast<int>(std::min<std::uint32_t>(decimals, 6));
  std::string text = FormatFixed(value, places + 1);
  text.pop_back();
  double result = 0.0;
  std::from_chars(text.data(), text.data() + text.size(), result, std::chars_format::fixed);
  return static_cast<float>(result);
}

void ResetPreparationPage(InfoPanel& panel) {
  PreparationState& s = panel.Steps;
  s.StepIndex = 0;
  s.StepCount = In(panel.SensorCode, {kConductivity, kConductivityMicro, kOpticalDensity}) ? 1 : 0;
  // The accelerometer walks six positions: five steps, the sixth press completes.
  if (Accelerometer(panel.SensorCode)) s.StepCount = 5;
  s.StepMade = 0;
  s.StepPending = s.StepFromButton = PreparedOnEntry(panel.SensorCode) ? 1 : 0;
  s.StepButton = panel.SensorButton;
}

void PressActionButton(InfoPanel& panel) {
  panel.FinishValueInputs();
  PreparationState& s = panel.Steps;
  s.StepPending = 1;
  s.StepButton = panel.SensorButton;
  s.StepIndex = static_cast<std::uint8_t>(std::min<int>(s.StepIndex + 1, s.StepCount + 1));
}

void ApplyPreparationStep(InfoPanel& panel, GraphView& view, PreparationHost& host) {
  PreparationState& s = panel.Steps;
  const std::int64_t now = host.NowMs();
  // 1.
  if (panel.ScreenNumber() != InfoPanel::kPreparation || now - s.LastPreparationTick < kStepPeriodMs) return;
  ValueInputBox& box1 = panel.Box1;
  ValueInputBox& box2 = panel.Box2;
  const std::uint16_t code = panel.SensorCode;
  const bool english = panel.English();
  std::unique_lock lock(view.ViewLock);
  // 2.
  if (!box1.Editing() && box1.Channel != nullptr) box1.LiveCode = LiveCodeOf(view, *box1.Channel);
  if (panel.ButtonSet == 2 && box2.Channel != nullptr) box2.LiveCode = LiveCodeOf(view, *box2.Channel);

  if (s.StepPending == 0) {
    // 3.
    if (host.ActionButtonVisible()) s.PartialPaint = 0;
    if (s.StepMade == 0) s.PartialPaint = 1;
  } else {
    // 4.
    if (s.StepFromButton != 0) {
      s.StepButton = panel.SensorButton;
      box1.LiveCode = 0;
      s.StepIndex = static_cast<std::uint8_t>(s.StepCount + 1);
      if (code == kGasPartner) {
        s.StepIndex = 0;
        s.PairButton = panel.SensorButton;
        s.PairSlot = static_cast<std::int8_t>(panel.DeviceIndex);
        s.PairSerial = box1.Device != nullptr ? box1.Device->Serial : std::string();
        s.PairLocation = box1.Device != nullptr ? box1.Device->LocationId : 0;
        s.PairPending = 1;
        s.PairIndex = -1;
        for (int k = 0; k < 4; ++k) {
          if (s.PairIndex < 0 && host.SlotSensorCode(k) == kGasPartner) s.PairIndex = static_cast<std::int8_t>(k);
        }
        for (int k = 0; k < 4; ++k) {
          if (host.SlotSensorCode(k) == kGasPressure) {
            s.StepIndex = static_cast<std::uint8_t>(s.StepCount + 1);
            s.PairPending = 0;
            view.TwoChannelText = 1;
            break;
          }
        }
      }
    }
    // 5.
    if (s.StepIndex == 1 && code != kConductivity) {
      // The units' decoders read the gains as they write codes.
      CodeLayoutHold layout(view.Devices);
      if (box1.Channel != nullptr) {
        if (const std::uint32_t deviation = box1.Channel->ResetZeroOffset(); deviation != 0) box1.LiveCode = static_cast<std::int32_t>(deviation);
      }
      if (panel.ButtonSet == 2 && box2.Channel != nullptr) {
        if (const std::uint32_t deviation = box2.Channel->ResetZeroOffset(); deviation != 0) box2.LiveCode = static_cast<std::int32_t>(deviation);
      }
    }
    // 6.
    if (code == kOpticalDensity && box1.Channel != nullptr) {
      const float v = DetectorCode(view, *box1.Channel);
      if (s.StepIndex == 1) {
        box1.Channel->p_Uz = v;
        if (!english) {
          box1.Label = "Максимальный отклик";
          box2.DigitByDigit = 1;
        } else {
          panel.ActionCaption = "Signal in the absence of\n absorption";
          if (panel.Calls.PlaceActionButton) panel.Calls.PlaceActionButton(panel.ButtonRect, panel.ActionCaption);
        }
      } else {
        box1.Channel->p_UD = v;
        if (!english) {
          box1.Label = "Минимальный отклик";
          box2.DigitByDigit = 0;
        } else {
          panel.ActionCaption = "Backlight";
          if (panel.Calls.PlaceActionButton) panel.Calls.PlaceActionButton(panel.ButtonRect, panel.ActionCaption);
        }
      }
    } else if (Accelerometer(code) && box1.Channel != nullptr && s.StepFromButton == 0 && s.StepIndex >= 1) {
      VessamorChannel& channel = *box1.Channel;
      const float x = channel.SampleValue(NewestColumn(view));
      const std::uint8_t step = s.StepIndex;
      // Odd steps take the first reading of an axis, even ones the second, and calibrate it.
      // The unit's decoder reads the calibration (the gains' squares, the magnitude's zero codes)
      // as it writes codes.
      CodeLayoutHold layout(view.Devices);
      if (step % 2 == 1) {
        channel.ResetCalibration();
        channel.StoredCursorCode = channel.CursorCode();
        channel.ReadingA = channel.p_UD = x;
      } else {
        channel.ReadingB = channel.p_Uz = x;
        channel.CalibrateTwoPositions(step == 6);
        channel.StoredCursorCode = 0;
        const std::size_t next = step == 6 ? 0 : step / 2;
        if (next < GraphView::kLiveChannels) {
          box1.Channel = &view.Channel(next);
          if (step != 6) box1.Channel->ResetCalibration();
        }
      }
      box1.Label = AccelerometerLabel(step % 6, english);
      s.PartialPaint = 0;
      s.StepMade = 1;
    }
    // 7.
    if (!box1.Editing()) {
      if (s.StepButton != panel.SensorButton) {
        // Armed for another sensor's page: it waits for that page.
        s.LastPreparationTick = now;
        return;
      }
      if (code == kConductivity && box1.Channel != nullptr) {
        const bool to_milli = s.StepIndex == 0 || s.StepIndex > s.StepCount;
        FTRecordDevice* unit = box1.Device;
        lock.unlock();
        // The unit is found again under the device table's lock; a failed send has closed it.
        if (!host.SendModeByte(unit, to_milli ? kModeFiveMilli : kModeHundredMicro)) {
          s.StepPending = s.StepFromButton = 0;
          s.LastPreparationTick = now;
          return;
        }
        lock.lock();
        VessamorChannel& channel = *box1.Channel;
        box1.Label = ConductivityRangeLabel(!to_milli, english);
        view.AcquisitionMode = to_milli ? 2 : 1;
        view.SensorCode = to_milli ? kConductivity : kConductivityMicro;
        channel.SetZeroOffset(box1.LiveCode, false);
        channel.RangeChanged = 1;
        channel.SwitchSensorRange(static_cast<std::uint8_t>(view.SensorCode));
        box1.Decimals = std::min<std::uint32_t>(channel.Decimals, 6);
        box1.MaxLength = static_cast<std::uint32_t>(std::clamp(channel.ValueWidth, 1, 12));
        box1.Unit = channel.Unit;
        lock.unlock();
        host.RangeSwitched();
        lock.lock();
      } else if (s.StepFromButton == 0 && !Accelerometer(code) && code != kOpticalDensity) {
        if (box1.Channel != nullptr) {
          VessamorChannel& channel = *box1.Channel;
          if (In(code, {45, 85, 87})) {
            channel.ZeroOffset = channel.SampleValue(NewestColumn(view));
            channel.ZeroOffsetOn = 1;
          } else {
            channel.SetZeroOffset(box1.LiveCode, false);
          }
          // The gas kinds read past their usual axis once zeroed.
          if (code == 26 || code == 27) {
            channel.NoClamp = 1;
            channel.ScaleMappingPair = SensorKindRowFor(code).NoClampAxis;
          }
        }
        if (panel.ButtonSet == 2) {
          // The second box shows a channel of its own (the second quantity of a two-box sensor):
          // it is zeroed in that channel's own offset, the one its conversion reads.
          if (box2.Channel != nullptr && box2.Channel != box1.Channel) box2.Channel->SetZeroOffset(box2.LiveCode, false);
          if (view.Channels[2] != nullptr && view.Channel(2).Device != nullptr && view.Channel(2).Device == box1.Device) {
            VessamorChannel& third = view.Channel(2);
            third.SetZeroOffset(NewestFilteredCode(view, 2), false);
          }
        }
      }
    } else {
      // A typed value was finished.
      box1.EditState = 0;
      s.StepIndex = static_cast<std::uint8_t>(s.StepCount + 1);
      if (box1.Channel != nullptr && box1.Channel->EnteredValueSet != 0) {
        // The typed value is what the channel reads at this moment (a calibration bath's
        // temperature): the offset is the present reading, without the old offset, less that value.
        VessamorChannel& channel = *box1.Channel;
        channel.ZeroOffsetOn = 0;
        channel.ZeroOffset = channel.SampleValue(NewestColumn(view)) - channel.EnteredValue;
        channel.ZeroOffsetOn = 1;
        channel.EnteredValueSet = 0;
      }
    }
    // 8.
    if (s.StepIndex > s.StepCount) {
      s.StepIndex = 0;
      s.PreparedShown = 1;
      s.PartialPaint = 0;
      if (host.ActionButtonVisible()) s.ButtonImageDue = 1;
      view.MiniGraph.Refresh = 1;
      lock.unlock();
      host.MarkPrepared(panel.DeviceIndex, panel.SensorButton);
      if (code == kGasPressure && s.PairPending != 0) {
        // The partner counts only while it is still the listed unit it was.
        const int partner = host.FindUnitSlot(s.PairSerial, s.PairLocation);
        if (partner >= 0) {
          host.MarkPrepared(partner, s.PairButton);
          view.TwoChannelText = 1;
        }
      }
      s.PairPending = 0;
      host.SetMeasureButtonReady();
      lock.lock();
    }
    s.StepPending = s.StepFromButton = 0;
    host.ResetActionButton();
  }
  // 9.
  if (!box1.Editing() && !box2.Editing()) {
    if (code != kOpticalDensity) {
      if (box1.Channel != nullptr) ShowLive(box1, LiveValue(view, *box1.Channel));
      if (panel.ButtonSet == 2 && box2.Shown != 0 && box2.Channel != nullptr) ShowLive(box2, LiveValue(view, *box2.Channel));
    } else if (box1.Channel != nullptr) {
      VessamorChannel& channel = *box1.Channel;
      const bool prepared = panel.Slot != nullptr && panel.Slot->Prepared != 0;
      const float density = std::max(0.0f, channel.SampleValue(NewestColumn(view)));
      ValueInputBox& shown = english ? box1 : box2;
      if (s.StepIndex == 1) {
        ShowLive(shown, english ? 3.0f : 0.0f);
        if (!english) box2.DigitByDigit = 1;
      } else if (prepared) {
        ShowLive(shown, density);
        if (!english) box2.DigitByDigit = 0;
      } else {
        ShowLive(shown, 0.0f);
        if (!english) box2.DigitByDigit = 1;
      }
      if (!english) {
        const float v = DetectorCode(view, channel);
        const auto whole = static_cast<std::int16_t>(v);
        const float low = VoltsFromCode12(whole, &channel), high = VoltsFromCode12(static_cast<std::int16_t>(whole + 1), &channel);
        ShowLive(box1, low + (high - low) * (v - whole));
      }
    }
  }
  lock.unlock();
  // 10.
  host.RedrawPanel();
  s.LastPreparationTick = now;
}
