// Rebuilding the channels' column extremes: a long range filters the channels side by side.
#include <algorithm>
#include <thread>
#include <vector>

#include "graph/graph_view.h"

namespace {

// Below this many samples in all, a thread costs more than it saves.
constexpr std::uint64_t kSamplesForThreads = 1'000'000;

}  // namespace

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
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
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
