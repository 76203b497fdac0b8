// Benchmark of the text and spreadsheet exports of a 1,000,000-sample record, in rows per second, for
// each filter form, beside plain writers of the same bytes from the same codes: each value worked out
// from the codes by the yardstick's own filters and conversion, then std::to_chars for the text,
// whole cell records for the sheet. Each yardstick's output is checked against the program's before
// anything is timed, and the two run in turn, their ratio taken pair by pair.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bench_support.h"
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
  ExportRecord(std::uint32_t channels, const Form& form) : form(form) {
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
  Form form;
  bench_support::HeadlessWindow window;
  GraphView view;
};

// The program's export of the whole record.
template <std::string (*Write)(const GraphView&, records::SaveRange, bool)>
std::string Program(const ExportRecord& record) {
  return Write(record.view, {0, kSamples}, false);
}

// The yardsticks' own reading of the codes, written apart from the program's filters: each row's
// value worked out from the codes and the volts per code alone. The median over the last `median`
// codes takes the code nearest the middle of the window's range (odd windows; the earlier arrival
// on a tie) or the mean of the two nearest (even ones), from a sorted copy of the window; the
// trailing RMS is the root of the mean square of the last `smoothing` medians (or codes), in 1/256
// code, and its value lies between those of the codes either side.
class PlainFilteredValues {
 public:
  PlainFilteredValues(const std::int16_t* codes, const Form& form)
      : codes_(codes),
        median_(form.median_on != 0 ? form.median_window : 0u),
        smoothing_(form.smoothing_on != 0 ? form.smoothing_window : 0u),
        squares_(smoothing_) {}

  // The value of sample i; samples are read in rising order from 0.
  float Next(std::uint32_t i) {
    const std::int32_t code = median_ != 0 ? MedianAt(i) : codes_[i];
    if (smoothing_ == 0) return Volts(code);
    const std::int64_t square = std::int64_t{code} * code;
    if (i >= smoothing_) sum_ -= squares_[i % smoothing_];
    squares_[i % smoothing_] = square;
    sum_ += square;
    const std::uint32_t count = std::min(i + 1, smoothing_);
    const auto fine = static_cast<std::int32_t>(std::sqrt(static_cast<double>(sum_) / count) * 256.0);
    const std::int32_t whole = fine >> 8;
    const float low = Volts(whole), high = Volts(whole + 1);
    return static_cast<float>(low + (high - low) * static_cast<float>(fine & 255) / 256.0);
  }

 private:
  static float Volts(std::int32_t code) { return static_cast<float>(static_cast<std::int16_t>(code)) * kVoltsPerCode; }

  std::int32_t MedianAt(std::uint32_t i) {
    if (i >= median_) sorted_.erase(std::lower_bound(sorted_.begin(), sorted_.end(), codes_[i - median_]));
    sorted_.insert(std::upper_bound(sorted_.begin(), sorted_.end(), codes_[i]), codes_[i]);
    if (sorted_.size() == 1) return sorted_.front();
    const std::int32_t middle = (std::int32_t{sorted_.front()} + sorted_.back()) >> 1;
    const auto split = std::upper_bound(sorted_.begin(), sorted_.end(), middle);
    // Codes below the middle (or at it) from `split` down, codes above it from `split` up.
    auto below = split, above = split;
    const auto distance = [middle](std::int32_t code) { return code > middle ? code - middle : middle - code; };
    const std::uint32_t first = i + 1 >= median_ ? i + 1 - median_ : 0;
    // The earliest `need` arrivals in the window of the codes a and b.
    const auto earliest = [&](std::int32_t a, std::int32_t b, int need) {
      std::int32_t sum = 0;
      for (std::uint32_t k = first; k <= i && need > 0; ++k) {
        if (codes_[k] == a || codes_[k] == b) sum += codes_[k], --need;
      }
      return sum;
    };
    int need = median_ % 2 != 0 ? 1 : 2;
    std::int32_t sum = 0;
    while (need > 0 && (below != sorted_.begin() || above != sorted_.end())) {
      const bool has_low = below != sorted_.begin(), has_high = above != sorted_.end();
      const std::int32_t low = has_low ? *(below - 1) : 0, high = has_high ? *above : 0;
      if (has_low && has_high && distance(low) == distance(high)) {
        sum += earliest(low, high, need);
        need = 0;
        break;
      }
      const bool take_low = has_low && (!has_high || distance(low) < distance(high));
      if (take_low) {
        sum += low, --below;
      } else {
        sum += high, ++above;
      }
      --need;
    }
    return median_ % 2 != 0 ? sum : sum >> 1;
  }

  const std::int16_t* codes_;
  std::uint32_t median_;
  std::uint32_t smoothing_;
  std::vector<std::int16_t> sorted_;
  std::vector<std::int64_t> squares_;
  std::int64_t sum_ = 0;
};

// Every channel's values, row after row.
struct RowValues {
  RowValues(const ExportRecord& record, std::uint32_t channels) {
    for (std::uint32_t k = 0; k < channels; ++k) filters.emplace_back(record.view.Channel(k).Codes, record.form);
  }
  float At(std::uint32_t k, std::uint32_t i) { return filters[k].Next(i); }
  std::vector<PlainFilteredValues> filters;
};

// The head of an export (its lines or records before the first row) and its end, taken from the
// program's output: a few dozen bytes of names, beside the megabytes of rows the yardstick writes.
struct Frame {
  std::string head;
  std::string tail;
};

// The text's head is its first four lines; its end the last line.
Frame TextFrame(const std::string& text) {
  std::size_t at = 0;
  for (int line = 0; line < 4; ++line) at = text.find("\r\n", at) + 2;
  const std::size_t last = text.rfind("\r\n", text.size() - 3) + 2;
  return {text.substr(0, at), text.substr(last)};
}

// The yardstick of the text: each row's time with five decimals and four blanks, each value with
// one decimal more than its channel shows, filled to eight characters (one blank at least), CR LF,
// by std::to_chars alone.
std::string TextYardstick(const ExportRecord& record, std::uint32_t channels, const Frame& frame) {
  RowValues values(record, channels);
  std::vector<int> decimals;
  for (std::uint32_t k = 0; k < channels; ++k) decimals.push_back(std::min<int>(record.view.Channel(k).Decimals, 8) + 1);
  const double rate = record.view.RecordRate;
  std::string out = frame.head;
  char cell[400];
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    out.append(cell, std::to_chars(cell, cell + sizeof cell, static_cast<double>(i) / rate, std::chars_format::fixed, 5).ptr);
    out.append(4, ' ');
    for (std::uint32_t k = 0; k < channels; ++k) {
      const auto end = std::to_chars(cell, cell + sizeof cell, static_cast<double>(values.At(k, i)), std::chars_format::fixed, decimals[k]).ptr;
      out.append(cell, end);
      out.append(end - cell < 8 ? static_cast<std::size_t>(8 - (end - cell)) : 1, ' ');
    }
    out += "\r\n";
  }
  out += frame.tail;
  return out;
}

// The sheet's head runs up to the first number cell of the data rows (row 5); its end is the end record.
Frame SheetFrame(const std::string& sheet) {
  std::size_t at = 0;
  const auto word = [&sheet](std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(sheet[i]) | static_cast<std::uint8_t>(sheet[i + 1]) << 8);
  };
  while (at + 8 <= sheet.size() && !(word(at) == 0x0003 && word(at + 4) >= 5)) at += 4 + word(at + 2);
  return {sheet.substr(0, at), sheet.substr(sheet.size() - 4)};
}

// The yardstick of the sheet: the time column, then each channel's column, as number records of 19
// bytes laid out whole, each value the double nearest the shortest decimal of its float (as a sheet
// shows 9.99 for 9.99f), into room taken once.
std::string SheetYardstick(const ExportRecord& record, std::uint32_t channels, const Frame& frame) {
  constexpr std::uint32_t kRows = 65530;
  RowValues values(record, channels);
  const double rate = record.view.RecordRate;
  std::string out;
  out.reserve(frame.head.size() + std::size_t{kRows} * (channels + 1) * 19 + frame.tail.size());
  out = frame.head;
  const auto put = [&out](std::uint32_t row, std::uint32_t column, double value) {
    char cell[19] = {0x03, 0x00, 15, 0};
    cell[4] = static_cast<char>(row & 0xFF);
    cell[5] = static_cast<char>(row >> 8);
    cell[6] = static_cast<char>(column & 0xFF);
    cell[7] = static_cast<char>(column >> 8);
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    for (int i = 11; i < 19; ++i, bits >>= 8) cell[i] = static_cast<char>(bits & 0xFF);
    out.append(cell, sizeof cell);
  };
  for (std::uint32_t i = 0; i < kRows; ++i) put(5 + i, 0, i / rate);
  char text[32];
  for (std::uint32_t k = 0; k < channels; ++k) {
    for (std::uint32_t i = 0; i < kRows; ++i) {
      const float value = values.At(k, i);
      double number = value;
      std::from_chars(text, std::to_chars(text, text + sizeof text, value).ptr, number);
      put(5 + i, k + 1, number);
    }
  }
  out += frame.tail;
  return out;
}

// The export and its yardstick in turn, each timed on the wall clock and on the process's CPU
// clock; rows per second of the export, and the ratios of the two pair by pair.
template <std::string (*Write)(const GraphView&, records::SaveRange, bool),
          std::string (*Yardstick)(const ExportRecord&, std::uint32_t, const Frame&), Frame (*Framing)(const std::string&)>
void BM_ExportBesideYardstick(benchmark::State& state) {
  const auto channels = static_cast<std::uint32_t>(state.range(0));
  ExportRecord record(channels, kForms[state.range(1)]);
  const std::string program = Program<Write>(record);
  const Frame frame = Framing(program);
  bench_support::RequireSameOutput(Write == &records::WriteSheetRecord ? "sheet" : "text", program,
                                   Yardstick(record, channels, frame));
  // Both write on the calling thread, as the program's export does.
  bench_support::PairedClocks clocks;
  double program_seconds = 0.0;
  for (auto _ : state) {
    std::string out, plain;
    const bench_support::Spent spent = bench_support::Measure([&] { out = Program<Write>(record); });
    benchmark::DoNotOptimize(out.data());
    const bench_support::Spent plain_spent = bench_support::Measure([&] { plain = Yardstick(record, channels, frame); });
    benchmark::DoNotOptimize(plain.data());
    program_seconds += spent.Wall;
    clocks.Add(spent, plain_spent);
    state.SetIterationTime(spent.Wall);
  }
  // The sheet holds at most 65530 data rows.
  const std::uint32_t rows = Write == &records::WriteSheetRecord ? 65530 : kSamples;
  state.counters["rows/s"] = static_cast<double>(rows) * static_cast<double>(state.iterations()) / program_seconds;
  state.counters["bytes"] = static_cast<double>(program.size());
  state.SetLabel("yardstick shares: the program's head (names) and last line or record of the output, not its rows");
  clocks.Report(state, "ratio_to_yardstick");
}

// The full record's text written to a file as a save writes it: whole, then streamed in pieces.
// Beside the file's size, the peak of the memory one such save takes beyond the record, measured in
// a fresh process.
void BM_TextFile(benchmark::State& state) {
  const bool streamed = state.range(1) != 0;
  ExportRecord record(static_cast<std::uint32_t>(state.range(0)), kForms[0]);
  const std::string path = "/tmp/vessamor-bench-export-" + std::to_string(::getpid()) + ".txt";
  std::uint64_t bytes = 0;
  const auto save = [&] {
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
  };
  const bench_support::MemoryPeak peak = bench_support::PeakInChild([] {}, save);
  for (auto _ : state) save();
  ::unlink(path.c_str());
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kSamples) * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
  state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
  state.counters["peak_beyond_record_MiB"] = peak.Peak;
}

// The full record's text saved to a file whole and streamed, with the memory one save takes.
BENCHMARK(BM_TextFile)->ArgNames({"channels", "streamed"})->ArgsProduct({{4}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(2);

// The text export beside a plain writer that filters, converts and formats the same codes itself.
BENCHMARK_TEMPLATE(BM_ExportBesideYardstick, &records::WriteTextRecord, &TextYardstick, &TextFrame)
    ->ArgNames({"channels", "form"})
    ->ArgsProduct({{1, 4}, {0, 1, 2, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// The sheet export beside a plain writer of the same cells that filters and converts the codes itself.
BENCHMARK_TEMPLATE(BM_ExportBesideYardstick, &records::WriteSheetRecord, &SheetYardstick, &SheetFrame)
    ->ArgNames({"channels", "form"})
    ->ArgsProduct({{1, 4}, {0, 3}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
