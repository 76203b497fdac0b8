// libFuzzer target: any bytes through the binary record reader, and what it accepts onto a view.
#include <cstddef>
#include <cstdint>
#include <span>

#include "graph/graph_view.h"
#include "records/binary_record.h"

namespace {

constexpr std::uint32_t kFuzzCapacity = 70000;

GraphView& FuzzView() {
  static GraphView* view = [] {
    static GraphView v;
    v.Init(kFuzzCapacity, PixelRect{0, 0, 400, 300}, 0, nullptr);
    return &v;
  }();
  return *view;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const records::MemorySource source(std::span<const std::uint8_t>(data, size));
  const records::BinaryRead read = records::ReadBinaryRecord(source, kFuzzCapacity);
  if (read.Outcome == records::ReadOutcome::Loaded) records::ApplyLoadedRecord(FuzzView(), read.Record, "fuzz.out");
  return 0;
}
