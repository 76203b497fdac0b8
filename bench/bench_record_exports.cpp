// Benchmark of the text and spreadsheet exports of a 1,000,000-sample record, in rows per second, for
// each filter form, beside plain writers of the same filtered rows: std::to_chars for the text, the
// cell records alone for the sheet.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "channels/channel_filters.h"
#include "graph/graph_view.h"
#include "records/file_write.h"
#include "records/sheet_record.h"
#include "records/text_record.h"

namespace {

constexpr std::uint32_t kSamples = 1'000'000;

constexpr float kVoltsPerCode = 0.0032258064516f;

// Filter forms by benchmark argument: none, trailing RMS 100, median 100, median 100 then RMS 100.
struct Form {
  std::uint8_t median_on;
  std::uint16_t median_window;
  std::uint8_t smoothing_on;
  std::uint16_t smoothing_window;
};
constexpr Form kForms[] = {{0, 0, 0, 0}, {0, 0, 1, 100}, {1, 100, 0, 0}, {1, 100, 1, 100}};

// Channels 0..channels-1 of the rate-converting kind, each a slow ramp with some noise.
struct ExportRecord {
  ExportRecord(std::uint32_t channels, const Form& form) {
    view.Init(kSamples * channels, PixelRect{40, 60, 1240, 860}, 0xFF, &window);
    for (std::uint32_t k = 0; k < GraphView::kLiveChannels; ++k) view.Channel(k).Enabled = k < channels ? 1 : 0;
    view.SetChannelFlags(static_cast<std::uint8_t>(channels), 0);
    for (std::uint32_t k = 0; k < channels; ++k) {
      VessamorChannel& ch = view.Channel(k);
      ch.Symbol = "U";
      ch.Unit = "В";
      ch.RawToValueFn = [](std::int16_t c, const VessamorChannel*) { return c * kVoltsPerCode; };
      for (std::uint32_t i = 0; i < kSamples; ++i) {
        ch.AppendCode(static_cast<std::int16_t>((i / 7 + k * 100 + (i * 2654435761u >> 28)) % 1024));
      }
      ch.MedianOn = form.median_on;
      ch.MedianWindow = form.median_window;
      ch.SmoothingOn = form.smoothing_on;
      ch.SmoothingWindow = form.smoothing_window;
      ch.ConfigureFilter();
    }
    view.RecordRate = 1000;
    view.LastSampleIndex = kSamples - 1;
  }
  bench_support::HeadlessWindow window;
  GraphView view;
};

template <std::string (*Write)(const GraphView&, records::SaveRange, bool)>
void BM_Export(benchmark::State& state) {
  ExportRecord record(static_cast<std::uint32_t>(state.range(0)), kForms[state.range(1)]);
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

// Each channel's values as the exports read them, filtered by the form: what the yardsticks write,
// worked out before they are timed.
std::vector<std::vector<float>> FilteredValues(const GraphView& view, std::uint32_t channels, std::uint32_t rows) {
  std::vector<std::vector<float>> values(channels);
  for (std::uint32_t k = 0; k < channels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    FilteredSampleReader reader(ch);
    values[k].resize(rows);
    for (std::uint32_t i = 0; i < rows; ++i) values[k][i] = ch.ValueOfFilteredCode(reader.At(i));
  }
  return values;
}

// The yardstick of the text: the same filtered rows (time with five decimals and four blanks, each
// value with three decimals filled to eight characters, CR LF) written by std::to_chars alone.
void BM_ToCharsRows(benchmark::State& state) {
  const auto channels = static_cast<std::uint32_t>(state.range(0));
  ExportRecord record(channels, kForms[state.range(1)]);
  const std::vector<std::vector<float>> values = FilteredValues(record.view, channels, kSamples);
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out;
    char cell[64];
    for (std::uint32_t i = 0; i < kSamples; ++i) {
      out.append(cell, std::to_chars(cell, cell + sizeof cell, static_cast<double>(i) / 1000, std::chars_format::fixed, 5).ptr);
      out.append(4, ' ');
      for (std::uint32_t k = 0; k < channels; ++k) {
        const auto end = std::to_chars(cell, cell + sizeof cell, static_cast<double>(values[k][i]), std::chars_format::fixed, 3).ptr;
        out.append(cell, end);
        if (end - cell < 8) out.append(static_cast<std::size_t>(8 - (end - cell)), ' ');
      }
      out += "\r\n";
    }
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kSamples) * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(bytes);
}

// Kibibytes of a /proc/self/status line ("VmRSS", "VmHWM").
double StatusKiB(const std::string& key) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(key + ":", 0) == 0) return std::stod(line.substr(key.size() + 1));
  }
  return 0.0;
}

// The full record's text written to a file as a save writes it: whole, then streamed in pieces. The
// peak of the process's memory beyond what it held with the record made (the kernel's high-water
// mark, reset before the run) stands beside the file's size.
void BM_TextFile(benchmark::State& state) {
  const bool streamed = state.range(1) != 0;
  ExportRecord record(static_cast<std::uint32_t>(state.range(0)), kForms[0]);
  const std::string path = "/tmp/vessamor-bench-export-" + std::to_string(::getpid()) + ".txt";
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = StatusKiB("VmRSS");
  std::uint64_t bytes = 0;
  for (auto _ : state) {
    records::AtomicFileWriter writer(path);
    bytes = 0;
    if (streamed) {
      records::StreamTextRecord(record.view, {0, kSamples}, false, [&](std::string_view piece, std::uint64_t, std::uint64_t) {
        bytes += piece.size();
        return writer.Write(piece.data(), piece.size());
      });
    } else {
      const std::string out = records::WriteTextRecord(record.view, {0, kSamples}, false);
      const std::vector<std::uint8_t> copy(out.begin(), out.end());  // as the whole-file save held it
      bytes = copy.size();
      writer.Write(copy);
    }
    writer.Commit();
  }
  ::unlink(path.c_str());
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kSamples) * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
  state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["peak_beyond_record_MiB"] = (StatusKiB("VmHWM") - before) / 1024;
}

BENCHMARK(BM_TextFile)->ArgNames({"channels", "streamed"})->ArgsProduct({{4}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(2);

// The yardstick of the sheet: the same cells (the time, then each channel's filtered value) as
// number records of 19 bytes, column by column, with nothing else.
void BM_PlainSheetCells(benchmark::State& state) {
  constexpr std::uint32_t kRows = 65530;
  const auto channels = static_cast<std::uint32_t>(state.range(0));
  ExportRecord record(channels, kForms[state.range(1)]);
  const std::vector<std::vector<float>> values = FilteredValues(record.view, channels, kRows);
  const auto put = [](std::string& out, std::uint16_t row, std::uint16_t column, double value) {
    char cell[19] = {0x03, 0x00, 15, 0};
    cell[4] = static_cast<char>(row & 0xFF);
    cell[5] = static_cast<char>(row >> 8);
    cell[6] = static_cast<char>(column & 0xFF);
    cell[7] = static_cast<char>(column >> 8);
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 11; i < 19; ++i, bits >>= 8) cell[i] = static_cast<char>(bits & 0xFF);
    out.append(cell, sizeof cell);
  };
  for (auto _ : state) {
    std::string out;
    for (std::uint32_t i = 0; i < kRows; ++i) put(out, static_cast<std::uint16_t>(5 + i), 0, i / 1000.0);
    for (std::uint32_t k = 0; k < channels; ++k) {
      for (std::uint32_t i = 0; i < kRows; ++i) put(out, static_cast<std::uint16_t>(5 + i), static_cast<std::uint16_t>(k + 1), values[k][i]);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ToCharsRows)
    ->ArgNames({"channels", "form"})
    ->ArgsProduct({{1, 4}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSheetCells)->ArgNames({"channels", "form"})->ArgsProduct({{1, 4}, {0, 3}})->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, &records::WriteTextRecord)
    ->ArgNames({"channels", "form"})
    ->ArgsProduct({{1, 4}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Export, &records::WriteSheetRecord)
    ->ArgNames({"channels", "form"})
    ->ArgsProduct({{1, 4}, {0, 3}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
