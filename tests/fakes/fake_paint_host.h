// A headless main window for the graph painting: two back buffers, a renderer, panel strips, a
// scripted layout of the graph, the panel column and the area below, and value boxes it draws itself.
#pragma once

#include "fakes/fake_main_window.h"
#include "graph/graph_paint_host.h"
#include "graph/graph_view.h"
#include "platform/surface.h"
#include "render/agg_ren.h"
#include "resources/string_table.h"

class FakePaintWindow : public FakeMainWindow, public GraphPaintHost {
 public:
  FakePaintWindow(std::int32_t width, std::int32_t height)
      : FakeMainWindow(width, height), picture_(width, height), copies_(width, height), column_strip_(2, 28),
        below_strip_(2, 147) {
    column_strip_.Fill({205, 205, 225, 255});
    below_strip_.Fill({210, 212, 225, 255});
    renderer_.Attach(picture_);
  }

  platform::Surface& Picture() override { return picture_; }
  platform::Surface& Copies() override { return copies_; }
  agg_ren& Renderer() override { return renderer_; }
  const platform::Surface* PanelColumnStrip() override { return &column_strip_; }
  const platform::Surface* BelowGraphStrip() override { return &below_strip_; }
  PixelRect PanelColumn() const override { return {GraphRect().Right, 0, Width, Height}; }
  PixelRect BelowGraph() const override { return {0, GraphRect().Bottom, GraphRect().Right, Height}; }
  std::array<PixelRect, 4> ControlGroups() const override { return {}; }
  std::string_view PanelCaption(int id) const override { return LoadString(id, EnglishUi() ? 1033 : 1049); }

  // The graph area: the window less the panel column and the area below.
  PixelRect GraphRect() const {
    return {0, 0, Width - static_cast<std::int32_t>(250 * ScaleX()), Height - static_cast<std::int32_t>(147 * ScaleY())};
  }

  // A value box: the channel's colour round its laid-out box, the value of its newest column.
  void DrawValueIndicator(VessamorChannel& channel, agg_ren& surface, std::int32_t, std::uint8_t,
                          std::uint16_t column) override {
    channel.LayoutIndicator(channel.View->IndicatorStrips[channel.ChannelIndex], column);
    const PixelRect& r = channel.LabelRect;
    const rgba8 colour(channel.Colour.R, channel.Colour.G, channel.Colour.B, 255);
    surface.Base()->copy_bar(r.Left, r.Top, r.Right - 1, r.Bottom - 1, colour);
    surface.Base()->copy_bar(r.Left + 3, r.Top + 3, r.Right - 4, r.Bottom - 4, rgba8(250, 250, 255, 255));
    ++IndicatorDraws;
  }

  int IndicatorDraws = 0;

 private:
  platform::Surface picture_;
  platform::Surface copies_;
  platform::Surface column_strip_;
  platform::Surface below_strip_;
  agg_ren renderer_;
};

// Sets up `channels` channels of sensor kind `kind` with `samples` codes each from wave(channel,
// sample) at `rate` Hz, and shows the whole record as a loaded one.
template <class Wave>
void LoadWaveRecord(GraphView& view, std::uint16_t kind, std::size_t channels, std::uint32_t samples,
                    std::uint32_t rate, Wave wave) {
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    channel.SensorCode = kind, channel.DeviceTypeCode = 11;
    channel.Enabled = channel.SavedShown = channel.FirstOfSensor = k < channels ? 1 : 0;  // a sensor each
  }
  view.SensorCode = kind;
  view.FirstOfSensorCount = static_cast<std::uint16_t>(channels);
  view.SetChannelFlags(4, 0);
  view.SetupGraphHeader(false, nullptr, false);
  view.SetChannelFlags(4, 0);
  for (std::size_t k = 0; k < channels; ++k) {
    VessamorChannel& channel = view.Channel(k);
    channel.CodeCount = std::min(samples, channel.CodeCapacity);
    for (std::uint32_t i = 0; i < channel.CodeCount; ++i) channel.Codes[i] = wave(k, i);
  }
  view.RecordRate = view.RateSetting = rate;
  view.SampleCount = samples, view.LastSampleIndex = samples - 1, view.RecordViewable = 1;
  view.Scale.SecondsPerDivision = static_cast<double>(samples) / rate / view.TimeDivisions;
  view.ReapplyScales();
}

