// libFuzzer target: any bytes through the binary record reader, and what it accepts round the whole
// record path: onto a view, reduced to columns, painted, exported as text and sheet, saved and read
// back, where every saved channel must bring back the codes the view holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "graph/graph_view.h"
#include "platform/surface.h"
#include "records/binary_record.h"
#include "records/export_plan.h"
#include "records/sheet_record.h"
#include "records/text_record.h"
#include "render/agg_ren.h"

namespace {

constexpr std::uint32_t kFuzzCapacity = 70000;

GraphView& FuzzView() {
  static GraphView* view = [] {
    static GraphView v;
    v.Init(kFuzzCapacity, PixelRect{0, 0, 400, 300}, 0, nullptr);
    v.InstallSetupHooks();  // a load sets the view's header up as the program's does
    return &v;
  }();
  return *view;
}

void Paint(GraphView& view) {
  static platform::Surface surface(400, 300);
  static agg_ren ren;
  ren.Attach(surface);
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    if (ch.Shown == 0) continue;
    ch.UpdateChannelColumns(1, view.LastShownColumn);
    ch.ComputePlotPoints(1, view.LastShownColumn);
  }
  view.DrawChannels(ren);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const records::MemorySource source(std::span<const std::uint8_t>(data, size));
  const records::BinaryRead read = records::ReadBinaryRecord(source, kFuzzCapacity);
  if (read.Outcome != records::ReadOutcome::Loaded) return 0;
  GraphView& view = FuzzView();
  records::ApplyLoadedRecord(view, read.Record, "fuzz.out");
  Paint(view);
  const records::SaveRange whole{0, view.LastSampleIndex + 1};
  (void)records::WriteTextRecord(view, whole, false);
  (void)records::WriteSheetRecord(view, whole, true);

  const std::vector<std::uint8_t> saved = records::WriteBinaryRecord(view, whole);
  const records::BinaryRead again = records::ReadBinaryRecord(records::MemorySource(saved), kFuzzCapacity);
  bool any = false;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) any = any || records::SavedChannel(view.Channel(k));
  if (!any) return 0;
  if (again.Outcome != records::ReadOutcome::Loaded || again.Record.Damaged) std::abort();
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    const std::vector<std::int16_t>& codes = again.Record.Channels[k].Codes;
    if (!records::SavedChannel(ch)) {
      if (!codes.empty()) std::abort();
      continue;
    }
    // Every saved channel holds the record's samples, as the first file gave them.
    if (codes.size() != view.LastSampleIndex + 1u || codes.size() > ch.CodeCount) std::abort();
    for (std::size_t i = 0; i < codes.size(); ++i) {
      if (codes[i] != ch.Codes[i] || codes[i] != read.Record.Channels[k].Codes[i]) std::abort();
    }
  }
  return 0;
}
