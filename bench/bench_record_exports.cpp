// Benchmark of the text and spreadsheet exports of a 1,000,000-sample record, in rows per second.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench_support.h"
#include "graph/graph_view.h"
#include "records/sheet_record.h"
#include "records/text_record.h"

namespace {

constexpr std::uint32_t kSamples = 1'000'000;

// Channels 0..channels-1 of the rate-converting kind, each a slow ramp; smoothing as the set-up leaves it.
struct ExportRecord {
  explicit ExportRecord(std::uint32_t channels) {
    view.Init(kSamples * channels, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
    for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = k < channels ? 1 : 0;
    view.SetChannelFlags(static_cast<std::uint8_t>(channels), 0);
    for (std::uint32_t k = 0; k < channels; ++k) {
      VessamorChannel& ch = view.Channel(k);
      ch.Symbol = "U";
      ch.Unit = "В";
      ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * 0.0032258064516f; };
      for (std::uint32_t i = 0; i < kSamples; ++i) ch.AppendCode(static_cast<std::int16_t>((i / 7 + k * 100) % 1024));
    }
    view.RecordRate = 1000;
    view.LastSampleIndex = kSamples - 1;
  }
  bench_support::HeadlessWindow window;
  GraphView view;
};

template <std::string (*Write)(const GraphView&, records::SaveRange, bool)>
void BM_Export(benchmark::State& state) {
  ExportRecord record(static_cast<std::uint32_t>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string out = Write(record.view, {0, kSamples}, false);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  // The sheet holds at most 65530 data rows.
  const std::uint32_t rows = Write == &records::WriteSheetRecord ? 65530 : kSamples;
  const double written = static_cast<double>(rows) * static_cast<double>(state.iterations());
  state.counters["rows/s"] = benchmark::Counter(written, benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK_TEMPLATE(BM_Export, &records::WriteTextRecord)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, &records::WriteSheetRecord)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
