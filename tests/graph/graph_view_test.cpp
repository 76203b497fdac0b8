// Tests of the graph view's set-up: buffer and its split, column tables, settings, rate clamp, scales.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

float LinearHundredths(std::int16_t code, const VessamorChannel*) { return code * 0.01f; }

// Allocation limit for the fallback tests, in codes.
std::size_t g_allocation_limit = 0;

std::vector<std::int16_t> LimitedAllocator(std::size_t codes) {
  if (codes > g_allocation_limit) throw std::bad_alloc();
  return std::vector<std::int16_t>(codes);
}

std::vector<std::int16_t> FailingAllocator(std::size_t) { throw std::bad_alloc(); }

TEST(GraphViewInit, BufferHistoryAndColumnTablesFollowCapacityAndScreen) {
  struct Case {
    std::uint32_t capacity;
    std::int32_t screen_width;
  };
  const std::array<Case, 3> cases{{{100000, 1280}, {250000, 1920}, {70000, 800}}};
  for (const Case& c : cases) {
    FakeMainWindow window(c.screen_width, 994);
    GraphView view;
    ASSERT_TRUE(view.Init(c.capacity, kGraphRect, 0xFF, &window));
    EXPECT_EQ(view.CodeBufferSize(), c.capacity + GraphView::kCodeReserve);
    EXPECT_EQ(view.SampleCapacity, c.capacity);
    EXPECT_TRUE(view.History.Empty());
    EXPECT_EQ(view.History.CurrentIndex, -1);
    EXPECT_EQ(view.History.LastIndex, ViewHistory::kEntries - 1);
    const std::uint32_t per_channel = static_cast<std::uint32_t>(c.screen_width) + 1;
    EXPECT_EQ(view.ColumnsPerChannel(), per_channel);
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      const VessamorChannel& channel = view.Channel(k);
      EXPECT_EQ(channel.ColumnCapacity, per_channel);
      EXPECT_EQ(channel.Columns, view.Channel(0).Columns + k * per_channel);
      EXPECT_EQ(channel.TimeBase, view.Channel(0).Columns);
      EXPECT_EQ(channel.Colour, view.ChannelColours[k]);
      EXPECT_EQ(channel.PenWidth, 3);
      EXPECT_EQ(channel.SmoothingOn, 1);
      EXPECT_EQ(channel.SmoothingWindow, 20);
      EXPECT_EQ(channel.FractionalCodes, 1);
      EXPECT_EQ(channel.MainWindow, &window);
    }
  }
}

TEST(GraphViewInit, PlotWidthNeverExceedsTheColumnTables) {
  FakeMainWindow window(800, 600);
  GraphView view;
  view.Init(100000, PixelRect{0, 0, 2000, 500}, 0xFF, &window);
  EXPECT_EQ(view.PlotWidth, 800);
  view.SetViewRect(PixelRect{100, 0, 400, 500}, 0);
  EXPECT_EQ(view.PlotWidth, 300);
  EXPECT_EQ(view.ClampPlotWidth(-5), 0);
  EXPECT_EQ(view.ClampPlotWidth(70000), 800);
}

TEST(GraphViewInit, ScalesAndTicksOfTheDefaultView) {
  FakeMainWindow window;
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  const ScaleState& s = view.Scale;
  EXPECT_DOUBLE_EQ(s.SecondsPerDivision, 1.0);
  EXPECT_DOUBLE_EQ(s.ValuePerDivision, 0.5);
  EXPECT_DOUBLE_EQ(s.TopValue, 2.0);
  EXPECT_DOUBLE_EQ(s.BottomValue, -2.0);
  EXPECT_DOUBLE_EQ(s.ValuePerPixel, 8 * 0.5 / kGraphRect.Height());
  EXPECT_NEAR(s.SamplesPerColumn, 10.0 * 1000 / kGraphRect.Width(), 1e-4);
  ASSERT_EQ(s.TimeTickCount, 11);
  ASSERT_EQ(s.ValueTickCount, 9);
  EXPECT_FLOAT_EQ(s.ValueTicks[8].Value, -2.0f);
  EXPECT_EQ(s.ValueTicks[8].Pixel, kGraphRect.Height());
  EXPECT_EQ(s.ZeroLinePixel, kGraphRect.Height() / 2);
  EXPECT_NEAR(s.TimeTicks[10].Pixel, kGraphRect.Width(), 1);
}

TEST(GraphViewInit, LabelBoxesStackDownTheRightEdge) {
  FakeMainWindow window(1920, 1080);
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  const float s = window.UiScale();
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& channel = view.Channel(k);
    const std::int32_t top = kGraphRect.Top + static_cast<std::int32_t>(90 * k) + 5;
    EXPECT_EQ(channel.LabelRect.Left, kGraphRect.Right - static_cast<std::int32_t>(390.0f * s));
    EXPECT_EQ(channel.LabelRect.Right, kGraphRect.Right - 1);
    EXPECT_EQ(channel.LabelRect.Top, top);
    EXPECT_EQ(channel.LabelRect.Bottom, top + static_cast<std::int32_t>(80.0f * s));
    EXPECT_EQ(channel.LabelBox.Width, channel.LabelRect.Right - channel.LabelRect.Left);
    EXPECT_EQ(channel.LabelBox.Height, channel.LabelRect.Bottom - channel.LabelRect.Top);
  }
  EXPECT_EQ(view.Style.SmallFont.Height, static_cast<std::int32_t>(20.0f * s));
  EXPECT_EQ(view.Style.LargeFont.Height, static_cast<std::int32_t>(30.0f * window.ScaleY()));
  EXPECT_EQ(view.Style.SmallFont.Face, "Tahoma");
}

TEST(GraphViewAllocation, ShortMemoryHalvesTheCapacityDownToTheMinimum) {
  struct Case {
    std::uint32_t requested;
    std::size_t limit;
    std::uint32_t expected;
  };
  const std::uint32_t min = GraphView::kMinimumSampleCapacity;
  const std::array<Case, 4> cases{{
      {1000000, 1000000 + GraphView::kCodeReserve, 1000000},
      {1000000, 300000 + GraphView::kCodeReserve, 250000},
      {1000000, min + GraphView::kCodeReserve, min},
      {3 * min, 2 * min, 3 * min / 2},
  }};
  FakeMainWindow window;
  for (const Case& c : cases) {
    g_allocation_limit = c.limit;
    GraphView view(&LimitedAllocator);
    EXPECT_TRUE(view.Init(c.requested, kGraphRect, 0xFF, &window));
    EXPECT_EQ(view.SampleCapacity, c.expected);
    EXPECT_EQ(view.CodeBufferSize(), c.expected + GraphView::kCodeReserve);
    view.ApplyChannelSettings(StartupSettings{});
    EXPECT_EQ(view.Channel(0).CodeCapacity, c.expected);
  }
}

TEST(GraphViewAllocation, NoMemoryLeavesEveryChannelClosedToWriters) {
  FakeMainWindow window;
  GraphView view(&FailingAllocator);
  EXPECT_FALSE(view.Init(1000000, kGraphRect, 0xFF, &window));
  EXPECT_EQ(view.SampleCapacity, 0u);
  view.ApplyChannelSettings(StartupSettings{});
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    EXPECT_FALSE(view.Channel(k).AppendCode(1));
    EXPECT_EQ(view.Channel(k).NewestCode(), 0);
  }
  // The column tables do not depend on the code buffer.
  EXPECT_EQ(view.ColumnsPerChannel(), 1281u);
}

TEST(GraphViewSettings, ChannelZeroIsForcedOnWhenNoneIsEnabled) {
  FakeMainWindow window;
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  StartupSettings settings;
  settings.ChannelShown = {0, 1, 1, 1};
  settings.Rate = 5000;
  settings.Cyclic = 1;
  view.ApplyChannelSettings(settings);
  EXPECT_EQ(view.Channel(0).Enabled, 1);
  EXPECT_EQ(view.Channel(0).SavedShown, 1);
  for (std::size_t k = 1; k < 4; ++k) EXPECT_EQ(view.Channel(k).Enabled, 0);
  EXPECT_EQ(view.RecordRate, 5000u);
  EXPECT_EQ(view.RateSetting, 5000u);
  EXPECT_EQ(view.Continuous, 1);
  EXPECT_EQ(view.Channel(0).CodeCapacity, 100000u);
}

TEST(GraphViewSettings, EnabledChannelsAreKeptAsGiven) {
  FakeMainWindow window;
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  StartupSettings settings;
  settings.ChannelEnabled = {0, 0, 1, 0};
  settings.ChannelShown = {0, 0, 1, 0};
  view.ApplyChannelSettings(settings);
  EXPECT_EQ(view.Channel(0).Enabled, 0);
  EXPECT_EQ(view.Channel(0).SavedShown, 0);
  EXPECT_EQ(view.Channel(2).Enabled, 1);
  EXPECT_EQ(view.Channel(2).CodeCapacity, 100000u);
}

TEST(GraphViewBufferSplit, EnabledChannelsGetConsecutiveSlices) {
  FakeMainWindow window;
  GraphView view;
  view.Init(3000000, kGraphRect, 0xFF, &window);
  const std::array<std::uint8_t, 4> enabled{1, 0, 1, 1};
  for (std::size_t k = 0; k < 4; ++k) view.Channel(k).Enabled = enabled[k];
  view.SetChannelFlags(4, 0);
  EXPECT_EQ(view.ChannelCapacity, 1000000u);
  EXPECT_EQ(view.RecordBytesPerChannel, 2000000u);
  const std::int16_t* base = view.CodeBufferData();
  EXPECT_EQ(view.Channel(0).Codes, base);
  EXPECT_EQ(view.Channel(1).Codes, base);
  EXPECT_EQ(view.Channel(2).Codes, base + 1000000);
  EXPECT_EQ(view.Channel(3).Codes, base + 2000000);
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(view.Channel(k).Shown, enabled[k]);
    EXPECT_EQ(view.Channel(k).CodeCapacity, enabled[k] != 0 ? 1000000u : 0u);
  }
}

TEST(GraphViewBufferSplit, DisabledChannelNeverWritesIntoTheFirstSlice) {
  FakeMainWindow window;
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  view.ApplyChannelSettings(StartupSettings{});  // channel 0 on, the rest off
  VessamorChannel& live = view.Channel(0);
  VessamorChannel& disabled = view.Channel(1);
  ASSERT_EQ(disabled.Codes, live.Codes);
  ASSERT_TRUE(live.AppendCode(1234));
  EXPECT_FALSE(disabled.AppendCode(-1));
  EXPECT_EQ(disabled.CodeCount, 0u);
  EXPECT_EQ(live.Codes[0], 1234);
  view.SampleCount = 1;
  EXPECT_EQ(disabled.NewestCode(), 0);
}

TEST(GraphViewNewestCode, FollowsTheViewsSampleCount) {
  FakeMainWindow window;
  GraphView view;
  view.Init(100000, kGraphRect, 0xFF, &window);
  view.ApplyChannelSettings(StartupSettings{});
  VessamorChannel& channel = view.Channel(0);
  channel.RawToValueFn = &LinearHundredths;
  channel.AppendCode(500);
  channel.AppendCode(600);
  struct Case {
    std::uint32_t count;
    std::int16_t newest;
  };
  for (const Case& c : std::array<Case, 3>{{{0, 0}, {1, 500}, {2, 600}}}) {
    view.SampleCount = c.count;
    EXPECT_EQ(channel.NewestCode(), c.newest) << c.count;
    EXPECT_FLOAT_EQ(channel.SampleValue(0), LinearHundredths(c.newest, nullptr)) << c.count;
  }
}

TEST(GraphViewCursor, CursorCodeReadsTheCursorColumnWithinTheTable) {
  FakeMainWindow window(640, 480);
  GraphView view;
  view.Init(100000, PixelRect{0, 0, 640, 480}, 0xFF, &window);
  VessamorChannel& channel = view.Channel(1);
  channel.Columns[12].MaxCode = 777;
  view.CursorColumn = 12;
  EXPECT_EQ(channel.CursorCode(), 777);
  view.CursorColumn = 641;
  EXPECT_EQ(channel.CursorCode(), 0);
}

TEST(GraphViewRateClamp, UnitsInUseLimitTheRateByTheirShownChannels) {
  struct Case {
    std::uint32_t rate;
    std::uint8_t shown;
    std::uint8_t described;
    std::uint32_t expected;
    bool unchanged;
  };
  const std::array<Case, 4> cases{{
      {8000, 3, 1, 5000, false},
      {100, 2, 1, 125, false},
      {1000, 2, 1, 1000, true},
      {8000, 3, 0, 8000, true},  // a slot not yet described is not asked
  }};
  for (const Case& c : cases) {
    FakeMainWindow window;
    GraphView view;
    view.Init(100000, kGraphRect, 0xFF, &window);
    DeviceSlot& slot = window.DeviceSlots[1];
    slot.Present = 1;
    slot.InUse = 1;
    slot.Described = c.described;
    slot.DeviceTypeCode = 11;
    for (std::uint8_t k = 0; k < 4; ++k) {
      slot.Channels[k] = &view.Channel(k);
      view.Channel(k).SavedShown = k < c.shown ? 1 : 0;
    }
    view.RateSetting = c.rate;
    EXPECT_EQ(view.ClampRateToDevices(), c.unchanged);
    EXPECT_EQ(view.RateSetting, c.expected);
  }
}

TEST(GraphViewScaleSpans, TableIsIndexedByKindAndClampsBeyondIt) {
  GraphView view;
  struct Case {
    std::uint16_t code;
    float span;
  };
  const std::array<Case, 7> cases{{{0, 4}, {15, 4096}, {60, 220}, {61, 109}, {71, 0.5f}, {88, 200}, {89, 200}}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(view.ScaleSpan(c.code), c.span) << c.code;
  EXPECT_FLOAT_EQ(view.ScaleSpan(65535), view.ScaleSpans[88]);
  for (float span : view.ScaleSpans) EXPECT_GT(span, 0.0f);
}

}  // namespace
