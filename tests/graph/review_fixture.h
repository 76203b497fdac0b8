// A graph view holding a stopped record under review: 1000 plot columns, channel 0 with a code ramp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "fakes/fake_main_window.h"
#include "fakes/stepped_clock.h"
#include "graph/graph_view.h"

inline float Hundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

class ReviewFixture : public ::testing::Test {
 protected:
  static constexpr std::uint16_t kColumns = 1000;

  // A record of `samples` codes at `rate` Hz, shown from sample `start` at 1 s per division.
  void Record(std::uint32_t samples, std::uint32_t rate = 1000, double start = 0.0) {
    ASSERT_TRUE(view.Init(200000, PixelRect{0, 0, 1100, 800}, 0, &window));
    view.TickClock = &clock;
    view.SetViewRect(PixelRect{0, 0, 1100 + kColumns - view.PlotWidth, 800}, 0);
    ASSERT_EQ(view.PlotWidth, kColumns);
    VessamorChannel& channel = view.Channel(0);
    channel.Enabled = 1;
    channel.SmoothingOn = 0;
    channel.RawToValueFn = &Hundredths;
    channel.ConfigureFilter();
    view.SetChannelFlags(4, 0);
    const std::uint32_t stored = std::min(samples, channel.CodeCapacity);
    for (std::uint32_t i = 0; i < stored; ++i) channel.Codes[i] = static_cast<std::int16_t>(i % 1000);
    channel.CodeCount = stored;
    view.SampleCount = samples;
    view.LastSampleIndex = samples - 1;
    view.RecordRate = view.RateSetting = rate;
    view.RecordViewable = 1;
    view.Scale.SecondsPerDivision = 0.0;
    view.SetScales(1.0f, 0.5f, 1);
    view.ShowFromStart(start);
  }

  // Sample range that the shown columns cover.
  std::uint32_t FirstShownSample() const { return view.Channel(0).TimeBase[view.FirstShownColumn].FirstSample; }
  std::uint32_t LastShownSample() const {
    const ColumnRecord& last = view.Channel(0).TimeBase[view.LastShownColumn];
    return last.FirstSample + (last.SampleCount > 0 ? last.SampleCount - 1 : 0);
  }

  FakeMainWindow window{1280, 994};
  GraphView view;
  SteppedClock clock;
};
