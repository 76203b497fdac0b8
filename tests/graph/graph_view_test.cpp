// Tests of the graph view's set-up: buffer and its split, column tables, settings, rate clamp, scales.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>
#include <vector>

#include "acquisition/ft_record_device.h"
#include "fakes/fake_main_window.h"
#include "graph/graph_view.h"

namespace {

constexpr PixelRect kGraphRect{40, 60, 1240, 860};

// Allocation limit for the fallback tests, in codes.
std::size_t g_allocation_limit = 0;

CodeVector LimitedAllocator(std::size_t codes) {
  if (codes > g_allocation_limit) throw std::bad_alloc();
  return CodeVector(codes);
}

TEST(GraphViewInit, BufferHistoryAndColumnTablesFollowCapacityAndScreen) {
  const std::pair<std::uint32_t, std::int32_t> cases[] = {{100000, 1280}, {250000, 1920}, {70000, 800}};
  for (const auto& [capacity, screen_width] : cases) {
    FakeMainWindow window(screen_width, 994);
    GraphView view;
    ASSERT_TRUE(view.Init(capacity, kGraphRect, 0xFF, &window));
    EXPECT_EQ(view.CodeBufferSize(), capacity + 4096u);
    EXPECT_TRUE(view.History.Empty());
    const std::uint32_t per_channel = static_cast<std::uint32_t>(screen_width) + 1;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
      EXPECT_EQ(view.Channel(k).ColumnCapacity, per_channel);
      EXPECT_EQ(view.Channel(k).Columns, view.Channel(0).Columns + k * per_channel);  // no overlap
    }
    // The plot never grows wider than the column tables.
    view.SetViewRect(PixelRect{0, 0, 3000, 500}, 0);
    EXPECT_EQ(view.PlotWidth, screen_width);
    EXPECT_EQ(view.ClampPlotWidth(-5), 0);
  }
}

// Of the pages that hold codes [first, first + count): how many are in memory, and how many there are.
std::pair<std::size_t, std::size_t> ResidentPages(const std::int16_t* base, std::size_t first, std::size_t count) {
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto from = reinterpret_cast<std::uintptr_t>(base + first) & ~(page - 1);
  const auto to = reinterpret_cast<std::uintptr_t>(base + first + count);
  std::vector<unsigned char> pages((to - from + page - 1) / page);
  if (mincore(reinterpret_cast<void*>(from), to - from, pages.data()) != 0) return {0, pages.size()};
  return {static_cast<std::size_t>(std::count_if(pages.begin(), pages.end(), [](unsigned char p) { return (p & 1) != 0; })), pages.size()};
}

// Codes made ready for a write have their pages taken, and keep what they held; pages beyond them,
// and beyond the buffer, are left to the system.
TEST(GraphViewCodePages, PreparedCodesHaveTheirPagesAndKeepTheirValues) {
  constexpr std::uint32_t kCapacity = 40'000'000;  // far beyond what the system hands out from a heap
  FakeMainWindow window;
  GraphView view;
  ASSERT_TRUE(view.Init(kCapacity, kGraphRect, 0xFF, &window));
  std::int16_t* codes = view.Channel(0).Codes;
  ASSERT_EQ(codes, view.CodeBufferData());
  for (std::size_t i = 0; i < 5000; ++i) codes[i] = static_cast<std::int16_t>(i * 7 - 100);
  const std::size_t size = view.CodeBufferSize();
  const std::size_t untouched = 20'000'000;
  // An allocator that hands out memory it has written already leaves nothing to see.
  if (ResidentPages(codes, untouched, 100'000).first != 0) GTEST_SKIP() << "the buffer's pages are taken from the start";
  const std::pair<std::size_t, std::size_t> ranges[] = {{0, 5000}, {3000, 10'000'000}, {size - 7, 1000}, {size + 100'000, 5}};
  for (const auto& [first, count] : ranges) {
    view.PrepareCodePages(first, count);
    if (first >= size) continue;
    const auto [resident, pages] = ResidentPages(codes, first, std::min(count, size - first));
    EXPECT_EQ(resident, pages) << first;
  }
  for (std::size_t i = 0; i < 5000; ++i) ASSERT_EQ(codes[i], static_cast<std::int16_t>(i * 7 - 100)) << i;
  EXPECT_TRUE(std::all_of(codes + 5000, codes + 10'003'000, [](std::int16_t c) { return c == 0; }));
  EXPECT_EQ(ResidentPages(codes, untouched, 100'000).first, 0u);
}

TEST(GraphViewAllocation, ShortMemoryHalvesTheCapacityDownToTheMinimum) {
  const std::uint32_t min = GraphView::kMinimumSampleCapacity;
  const struct {
    std::uint32_t requested;
    std::size_t limit;
    std::uint32_t expected;
  } cases[] = {
      {1000000, 1000000 + GraphView::kCodeReserve, 1000000},
      {1000000, 300000 + GraphView::kCodeReserve, 250000},
      {1000000, min + GraphView::kCodeReserve, min},
      {3 * min, 2 * min, 3 * min / 2},
  };
  FakeMainWindow window;
  for (const auto& c : cases) {
    g_allocation_limit = c.limit;
    GraphView view(&LimitedAllocator);
    EXPECT_TRUE(view.Init(c.requested, kGraphRect, 0xFF, &window));
    EXPECT_EQ(view.CodeBufferSize(), c.expected + GraphView::kCodeReserve);
    view.ApplyChannelSettings(StartupSettings{});
    EXPECT_EQ(view.Channel(0).CodeCapacity, c.expected);
  }
  // No memory at all: every channel stays closed to writers.
  g_allocation_limit = 0;
  GraphView view(&LimitedAllocator);
  EXPECT_FALSE(view.Init(1000000, kGraphRect, 0xFF, &window));
  view.ApplyChannelSettings(StartupSettings{});
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    EXPECT_FALSE(view.Channel(k).AppendCode(1));
    EXPECT_EQ(view.Channel(k).NewestCode(), 0);
  }
}

TEST(GraphViewSettings, ChannelZeroIsForcedOnOnlyWhenNoneIsEnabled) {
  const struct {
    std::array<std::uint8_t, 4> enabled;
    std::array<std::uint8_t, 4> on_after;
  } cases[] = {{{0, 0, 0, 0}, {1, 0, 0, 0}}, {{0, 0, 1, 0}, {0, 0, 1, 0}}};
  for (const auto& c : cases) {
    FakeMainWindow window;
    GraphView view;
    view.Init(100000, kGraphRect, 0xFF, &window);
    StartupSettings settings;
    settings.ChannelEnabled = c.enabled;
    settings.ChannelShown = {0, 1, 1, 1};
    settings.Rate = 5000;
    view.ApplyChannelSettings(settings);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(view.Channel(k).Enabled, c.on_after[k]) << k;
      EXPECT_EQ(view.Channel(k).CodeCapacity, c.on_after[k] ? 100000u : 0u) << k;
    }
    EXPECT_EQ(view.RateSetting, 5000u);
  }
}

TEST(GraphViewBufferSplit, EnabledChannelsGetConsecutiveSlicesAndDisabledOnesNeverWrite) {
  FakeMainWindow window;
  GraphView view;
  view.Init(3000000, kGraphRect, 0xFF, &window);
  const std::array<std::uint8_t, 4> enabled{1, 0, 1, 1};
  for (std::size_t k = 0; k < 4; ++k) view.Channel(k).Enabled = enabled[k];
  view.SetChannelFlags(4, 0);
  EXPECT_EQ(view.RecordBytesPerChannel, 2000000u);
  const std::int16_t* base = view.CodeBufferData();
  const std::int16_t* expected[] = {base, base, base + 1000000, base + 2000000};
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(view.Channel(k).Codes, expected[k]) << k;
    EXPECT_EQ(view.Channel(k).CodeCapacity, enabled[k] ? 1000000u : 0u) << k;
  }
  // Channel 1 shares channel 0's slice start but must never write into it.
  ASSERT_TRUE(view.Channel(0).AppendCode(1234));
  EXPECT_FALSE(view.Channel(1).AppendCode(-1));
  EXPECT_EQ(view.Channel(0).Codes[0], 1234);
  view.SampleCount = 1;
  EXPECT_EQ(view.Channel(1).NewestCode(), 0);
  EXPECT_EQ(view.Channel(0).NewestCode(), 1234);
  view.SampleCount = 0;
  EXPECT_EQ(view.Channel(0).NewestCode(), 0);
}

// With the rate flag only the enabled channels sampled at a rate of their own (not the view's 1000 Hz)
// share the buffer; the slices never pass its end, however few the shares.
TEST(GraphViewBufferSplit, RateFlagSharesTheBufferByTheChannelsOwnRates) {
  const struct {
    std::array<float, 4> periods;  // each channel's sample period; 0: none
    std::uint32_t capacity;        // per share
    std::array<std::uint32_t, 4> slices;
  } cases[] = {
      {{0.001f, 0.001f, 0.001f, 0.001f}, 1200000, {1200000, 0, 0, 0}},
      {{0.01f, 0.002f, 0.001f, 0.0f}, 600000, {600000, 600000, 0, 0}},
      {{0.01f, 0.002f, 0.004f, 0.005f}, 400000, {400000, 400000, 400000, 0}},
  };
  for (const auto& c : cases) {
    FakeMainWindow window;
    GraphView view;
    view.Init(1200000, kGraphRect, 0xFF, &window);
    view.RateSetting = 1000;
    const std::array<std::uint8_t, 4> enabled{1, 1, 1, 0};
    for (std::size_t k = 0; k < 4; ++k) {
      view.Channel(k).Enabled = enabled[k];
      view.Channel(k).RateDetector.SecondsPerSample = c.periods[k];
    }
    view.SetChannelFlags(4, 1);
    EXPECT_EQ(view.ChannelCapacity, c.capacity);
    std::uint32_t end = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(view.Channel(k).CodeCapacity, c.slices[k]) << k;
      if (c.slices[k] != 0) end = static_cast<std::uint32_t>(view.Channel(k).Codes - view.CodeBufferData()) + c.slices[k];
    }
    EXPECT_LE(end, 1200000u);
    // Without the flag every enabled channel is a share.
    view.SetChannelFlags(4, 0);
    EXPECT_EQ(view.ChannelCapacity, 400000u);
  }
}

TEST(GraphViewCursor, CursorCodeReadsOnlyWithinTheColumnTable) {
  FakeMainWindow window(640, 480);
  GraphView view;
  view.Init(100000, PixelRect{0, 0, 640, 480}, 0xFF, &window);
  view.Channel(1).Columns[12].MaxCode = 777;
  view.CursorColumn = 12;
  EXPECT_EQ(view.Channel(1).CursorCode(), 777);
  view.CursorColumn = 641;
  EXPECT_EQ(view.Channel(1).CursorCode(), 0);
}

TEST(GraphViewRateClamp, UnitsInUseLimitTheRateByTheirShownChannels) {
  const struct {
    std::uint32_t rate;
    std::uint8_t shown, described;
    std::uint32_t expected;
    bool unchanged;
    std::uint8_t ticked = 1;
  } cases[] = {
      {8000, 3, 1, 5000, false},
      {100, 2, 1, 125, false},
      {1000, 2, 1, 1000, true},
      {8000, 3, 0, 8000, true},      // a slot not yet prepared is not asked
      {8000, 0, 1, 8000, true, 0},   // nor one left out of the record
  };
  for (const auto& c : cases) {
    FakeMainWindow window;
    GraphView view;
    view.Init(100000, kGraphRect, 0xFF, &window);
    DeviceSlot& slot = window.DeviceSlots[1];
    FTRecordDevice unit;
    slot.Device = &unit;
    slot.InUse = 1;
    slot.Prepared = c.described;
    slot.SelectedForRecord = c.ticked;
    slot.DeviceTypeCode = unit.DeviceTypeCode = 11;
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
  const std::pair<std::uint16_t, float> cases[] = {{0, 4}, {15, 4096}, {61, 109}, {88, 200}, {89, 200}, {65535, 200}};
  for (const auto& [code, span] : cases) EXPECT_FLOAT_EQ(view.ScaleSpan(code), span) << code;
  for (float span : view.ScaleSpans) EXPECT_GT(span, 0.0f);
}

}  // namespace
