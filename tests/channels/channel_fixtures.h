// Small shared helpers for the channel tests: a lone channel, a set-up view, a plot surface.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "channels/vessamor_channel.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"
#include "graph/scale_state.h"
#include "platform/gdi.h"
#include "render/agg_ren.h"
#include "render/render_probe.h"

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

// A 400 x 260 surface round a plot at (40, 30)-(340, 230): half a unit per pixel, zero at row 130.
struct PlotSurface : ::testing::Test {
  static constexpr PixelRect kPlot{40, 30, 340, 230};
  static constexpr std::uint32_t kColumns = 321;  // more records than the plot has columns

  void SetUp() override {
    ren.Attach(surface);
    Configure();
  }
  void Configure() {
    surface.Fill({255, 255, 255, 255});
    view.ViewRect = PixelRect{0, 0, 400, 260};
    view.PlotRect = kPlot;
    view.PlotWidth = static_cast<std::uint16_t>(kPlot.Width());
    view.TimeOriginPixel = kPlot.Left;
    view.ValueOriginPixel = view.Scale.TopPixel = kPlot.Top;
    view.Scale.BottomPixel = kPlot.Bottom;
    view.Scale.ValuePerPixel = 0.5;
    view.Scale.TopValue = 50.0;
    view.Scale.ZeroLinePixel = 130;
  }
  // Gives channel k a column table of one code per column, reduced to plot coordinates by the channel.
  VessamorChannel& Link(std::size_t k, std::int32_t (*code_of)(std::uint32_t)) {
    VessamorChannel& ch = view.Channel(k);
    tables[k].assign(kColumns, ColumnRecord{});
    for (std::uint32_t i = 0; i < kColumns; ++i) {
      tables[k][i].MaxCode = tables[k][i].MinCode = code_of(i);
      tables[k][i].FirstSample = i * 10;
    }
    ch.RawToValueFn = [](std::int16_t code, const VessamorChannel*) { return code * 0.5f; };
    ch.View = &view;
    ch.Scale = &view.Scale;
    ch.Columns = tables[k].data();
    ch.TimeBase = tables[0].empty() ? tables[k].data() : tables[0].data();
    ch.ColumnCapacity = kColumns;
    ch.CodeCount = ch.Shown = 1;
    ch.PlotGainOn = 0;
    ch.PenWidth = 3;
    ch.Colour = view.ChannelColours[k];
    ch.ComputePlotPoints(0, kColumns - 1);
    return ch;
  }
  int X(std::uint32_t column) const { return view.TimeOriginPixel - 1 + static_cast<int>(column); }
  int Row(std::int32_t pixel) const { return view.Scale.ZeroLinePixel - pixel; }
  bool AnyInk() const { return probe::Ink(surface).Any(); }

  platform::Surface surface{400, 260};
  agg_ren ren;
  FakeMainWindow window;
  GraphView view;
  std::vector<ColumnRecord> tables[4];
};
