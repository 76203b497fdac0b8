// Rebuilding the channels' column extremes: a long range filters the channels side by side.
#include <algorithm>
#include <thread>
#include <vector>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"

namespace {

// Below this many samples in all, a thread costs more than it saves.
constexpr std::uint64_t kSamplesForThreads = 1'000'000;

// Asked once: the count is read from the system's files, too slow for every tick of a recording.
std::size_t Cores() {
  static const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return cores;
}

}  // namespace

bool GraphView::RefitIsLong(std::uint64_t samples) const {
  if (samples >= kTwoStepFitSamples) return true;
  std::size_t enabled = 0, median = 0;
  for (const auto& channel : Channels) {
    if (!channel || channel->Enabled == 0) continue;
    ++enabled;
    if (channel->MedianOn != 0 && channel->MedianWindow > 1 && MedianSwitch != 0) ++median;
  }
  if (median == 0) return false;
  // The channels share the cores; the median channels of the busiest lane set the time.
  const std::size_t lanes = std::min(enabled, Cores());
  const std::uint64_t per_lane = (median + lanes - 1) / lanes;
  return samples * per_lane >= kLongMedianSamples;
}

bool GraphView::DeferLongRebuild() {
  if (MainWindow == nullptr || Recording.load() != 0 || ColumnTables.empty() || LastShownColumn >= ColumnTables.size() ||
      FirstShownColumn > LastShownColumn) {
    return false;
  }
  const ColumnRecord& from = ColumnTables[FirstShownColumn];
  const ColumnRecord& to = ColumnTables[LastShownColumn];
  const std::uint64_t end = to.FirstSample + std::uint64_t{to.SampleCount};
  if (end <= from.FirstSample || !RefitIsLong(end - from.FirstSample)) return false;
  RebuildPending = 1;
  ShowPreparingData();
  MainWindow->SetWindowTimer(kFitTimerId, kFitTimerMs);
  return true;
}

int GraphView::RunPendingRebuild() {
  std::lock_guard lock(ViewLock);
  if (RebuildPending == 0) return -1;
  RebuildPending = 0;
  // A record that has gone meanwhile is only redrawn, which takes the box away.
  if (Recording.load() != 0 || RecordViewable == 0) {
    HidePreparingData();
    return 0;
  }
  RedrawRequested = 1;
  RebuildColumnTable(FirstShownColumn, LastShownColumn);
  HidePreparingData();
  return std::any_of(Markers.begin(), Markers.end(), [](const MarkerRecord& m) { return m.Set != 0; }) ? 1 : 0;
}

void GraphView::UpdateEnabledChannelColumns(std::uint16_t first, std::uint16_t last) {
  std::vector<VessamorChannel*> enabled;
  for (auto& channel : Channels) {
    if (channel && channel->Enabled != 0) enabled.push_back(channel.get());
  }
  if (enabled.empty()) return;
  // Each channel reduces its own codes into its own records and filter state; they share only
  // what the view reads, so they run at once where the range is long and cores are free.
  std::uint64_t samples = 0;
  if (first <= last && last < ColumnTables.size()) {
    const ColumnRecord& from = ColumnTables[first];
    const ColumnRecord& to = ColumnTables[last];
    if (to.FirstSample + std::uint64_t{to.SampleCount} > from.FirstSample) {
      samples = to.FirstSample + std::uint64_t{to.SampleCount} - from.FirstSample;
    }
  }
  const std::size_t cores = Cores();
  const std::size_t helpers = std::min(enabled.size(), cores) - 1;
  if (helpers == 0 || samples * enabled.size() < kSamplesForThreads) {
    for (VessamorChannel* channel : enabled) channel->UpdateChannelColumns(first, last);
    return;
  }
  // Channels are dealt out in turn: this thread takes the first share, each helper one more.
  const std::size_t shares = helpers + 1;
  const auto reduce_share = [&](std::size_t share) {
    for (std::size_t k = share; k < enabled.size(); k += shares) enabled[k]->UpdateChannelColumns(first, last);
  };
  std::vector<std::jthread> threads;
  threads.reserve(helpers);
  for (std::size_t share = 1; share < shares; ++share) threads.emplace_back(reduce_share, share);
  reduce_share(0);
}
