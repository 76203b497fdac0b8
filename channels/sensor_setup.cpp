// The view's sensor-kind set-up: which kind and channels a call concerns, the display reset, and the row dispatch.
#include "channels/sensor_setup.h"

#include <algorithm>

#include "channels/main_window_services.h"
#include "channels/multi_kind_setup.h"
#include "channels/sensor_kind_table.h"
#include "channels/vessamor_channel.h"
#include "graph/graph_view.h"

namespace {

// Live channels are 0..3; an index from a request or a caller is held to that range.
std::size_t LiveIndex(std::int32_t index) {
  return static_cast<std::size_t>(std::clamp<std::int32_t>(index, 0, GraphView::kLiveChannels - 1));
}

using SetupTarget = SensorSetupTarget;

void ApplyRow(GraphView& view, const SetupTarget& target, const SensorKindRow& row) {
  const std::size_t index = row.FirstRequestedChannel && target.RequestPending
                                ? LiveIndex(view.SetupRequest.SetupRequestChannels[0])
                                : target.Channel;
  VessamorChannel& channel = view.Channel(index);
  WriteSensorKindRow(channel, row, target.Kind, target.English);
  if (row.Filter && !row.FilterAfterRate) channel.ConfigureFilter();
  std::uint32_t rate = row.Rate;
  if (rate == kRateByOpenUnits) {
    // A single unit can run the distance sensor slowly; with more units it keeps their common rate.
    const std::uint32_t open_units = view.CountDevices ? view.CountDevices() : 0;
    rate = open_units == 1 ? 200 : 1000;
  }
  if (rate != kRateUntouched) view.SetKindRate(rate);
  if (row.Filter && row.FilterAfterRate) channel.ConfigureFilter();
}

void SetupKind(GraphView& view, const SetupTarget& target) {
  switch (target.Kind) {
    case 7:
    case 8:
      SetupAccelerometer(view, target);
      break;
    case 11:
    case 20:
    case 21:
    case 22:
    case 23:
    case 25:
    case 42:
    case 51:
    case 80:
    case 88:
      SetupTwoQuantityKind(view, target);
      break;
    case 35:
    case 37:
    case 39:
    case 40:
    case 73:
    case 77:
      SetupRateKind(view, target);
      break;
    case 44:
    case 78:
    case 79:
      SetupHighRateSignal(view, target);
      break;
    case 45:
      SetupGasVolume(view, target);
      break;
    case 48:
    case 49:
    case 50:
      SetupFlow(view, target);
      break;
    case 52:
    case 55:
    case 56:
    case 57:
      SetupMotion(view, target);
      break;
    default:
      ApplyRow(view, target, SensorKindRowFor(target.Kind));
      break;
  }
}

}  // namespace

void GraphView::SetKindRate(std::uint32_t rate) {
  if (KindRateHeld != 0) return;
  RateSetting = rate;
  if (RecordViewable == 0) RecordRate = rate;
}

void GraphView::ResetChannelDisplay(VessamorChannel* channel, bool all) {
  auto reset = [](VessamorChannel& c) {
    c.RateMode = 0;
    c.SymbolCaption = 0;
    c.ExtraValueShown = 0;
    c.SmoothingOn = 1;
    c.ConfigureFilter();
    // The indicator is laid out again for the new texts, and a rate detector starts afresh.
    c.IndicatorLaidOut = 0;
    c.RateDetector.Started = 0;
  };
  if (all) {
    for (auto& live : Channels) reset(*live);
  } else if (channel != nullptr) {
    reset(*channel);
  }
}

void GraphView::SetupChannels(std::uint8_t take_view_code, std::int32_t channel_index) {
  SetupTarget target;
  target.English = MainWindow != nullptr && MainWindow->EnglishUi();
  if (SetupRequest.SetupRequestPending == 0) {
    if (channel_index < 0) {
      target.Kind = SensorCode;
      for (std::size_t k : {1u, 3u}) {
        Channels[k]->PlotGainOn = 0;
        Channels[k]->PlotGain = 1.0f;
      }
      ResetChannelDisplay(nullptr, true);
      target.Channel = 0;
    } else {
      target.Channel = LiveIndex(channel_index);
      target.Kind = take_view_code != 0 ? SensorCode : Channels[target.Channel]->SensorCode;
      ResetChannelDisplay(Channels[target.Channel].get(), false);
      if (target.Channel + 1 < kLiveChannels) ResetChannelDisplay(Channels[target.Channel + 1].get(), false);
    }
  } else {
    target.RequestPending = true;
    target.Kind = SetupRequest.SetupRequestCode;
    target.SecondChannelOn = SetupRequest.SetupRequestCount != 1;
    const std::size_t count = std::min<std::size_t>(SetupRequest.SetupRequestCount, kLiveChannels);
    for (std::size_t k = 0; k < count; ++k) {
      VessamorChannel& requested = *Channels[LiveIndex(SetupRequest.SetupRequestChannels[k])];
      ResetChannelDisplay(&requested, false);
      // A channel that held a pair's second quantity before takes this kind's gain or none: a gain
      // left behind would lift or sink its curve off its own axis.
      requested.PlotGainOn = 0;
      requested.PlotGain = 1.0f;
      requested.PlotGainAxisKind = 0;
    }
    target.Channel = LiveIndex(channel_index);
  }
  SetupKind(*this, target);
  SetupRequest.SetupRequestPending = 0;
}
