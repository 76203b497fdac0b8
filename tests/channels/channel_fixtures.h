// Small shared helpers for the channel tests: a lone channel over its own codes and a set-up view.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"

inline float LinearHundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }
inline float Identity(std::int16_t code, const VessamorChannel*) { return code; }

inline float AxisAt(const VessamorChannel& channel, float fraction) {
  return channel.ScaleMappingPair.Inverse(&fraction);
}

// A channel over its own codes; columns from 1 on hold `per_column` samples each (0: columns bare).
struct LoneChannel {
  explicit LoneChannel(std::vector<std::int16_t> data = std::vector<std::int16_t>(16, 0), std::uint32_t per_column = 0,
                       std::uint32_t column_count = 8)
      : codes(std::move(data)) {
    const auto count = static_cast<std::uint32_t>(codes.size());
    if (per_column != 0) column_count = (count + per_column - 1) / per_column + 1;
    columns.assign(column_count, ColumnRecord{});
    base = columns;
    for (std::uint32_t c = 1; per_column != 0 && c < column_count; ++c) {
      base[c].FirstSample = (c - 1) * per_column;
      base[c].SampleCount = std::min(per_column, count - base[c].FirstSample);
    }
    channel.RawToValueFn = &LinearHundredths;
    channel.Codes = codes.data();
    channel.CodeCapacity = count;
    channel.CodeCount = per_column != 0 ? count : 0;
    channel.Columns = columns.data();
    channel.TimeBase = per_column != 0 ? base.data() : columns.data();
    channel.ColumnCapacity = column_count;
    channel.Scale = &scale;
  }
  std::uint16_t LastColumn() const { return static_cast<std::uint16_t>(columns.size() - 1); }
  std::vector<std::int16_t> codes;
  std::vector<ColumnRecord> columns, base;
  ScaleState scale;
  VessamorChannel channel;
};

// A view set up as at start-up, with helpers that set channels up as the program does.
struct SetupView {
  explicit SetupView(bool english = false) {
    window.Bytes.EnglishUi = english ? 1 : 0;
    view.Init(100000, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
  }
  VessamorChannel& Ch(std::size_t k) { return view.Channel(k); }
  void SetDeviceType(std::uint8_t type) {
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).DeviceTypeCode = type;
  }
  void Request(std::uint8_t code, const std::vector<std::uint8_t>& channels, std::uint8_t count = 0) {
    view.SetupRequest.SetupRequestCode = code;
    view.SetupRequest.SetupRequestCount = count != 0 ? count : static_cast<std::uint8_t>(channels.size());
    for (std::size_t k = 0; k < channels.size() && k < 4; ++k) view.SetupRequest.SetupRequestChannels[k] = channels[k];
    view.SetupRequest.SetupRequestPending = 1;
  }
  // As the sensor information page asks for a unit's channels.
  void SetupUnit(std::uint8_t code, const std::vector<std::uint8_t>& channels, std::uint8_t count = 0) {
    Request(code, channels, count);
    view.SetupChannels(1, channels.empty() ? 0 : channels[0]);
  }
  // One channel from its own code, as a record or a range menu would.
  void SetupOwn(std::size_t channel, std::uint16_t code) {
    view.Channel(channel).SensorCode = code;
    view.SetupChannels(0, static_cast<std::int32_t>(channel));
  }
  // All channels from the view's code.
  void SetupAll(std::uint16_t code) {
    view.SensorCode = code;
    view.SetupChannels(0, -1);
  }
  FakeMainWindow window;
  GraphView view;
};
