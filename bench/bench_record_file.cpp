// Benchmark of saving and loading ".out" records: the save, and the load at sizes up to the view's
// capacity, each beside a plain program doing the same (checked first to give the same file, or
// the same view contents), with a plain copy, a memcpy and a plain read of the bytes as further marks.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <span>
#include <thread>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "smoothing_yardstick.h"
#include "app/screen_metrics.h"
#include "channels/calibration_tables.h"
#include "channels/conversions.h"
#include "graph/graph_view.h"
#include "records/binary_record.h"
#include "records/file_write.h"
#include "records/loaded_record.h"

namespace {

// Four channels sharing eight million codes: a 16 MB file.
constexpr std::uint32_t kCapacity = 8'000'000;

// The codes the program's view holds where memory allows: four channels of fifteen million.
const std::uint32_t kProgramCapacity = SampleCapacityFor(std::numeric_limits<std::uint64_t>::max());

struct Record {
  explicit Record(std::uint32_t capacity = kCapacity, const char* name = "long.out") {
    view.Init(capacity, PixelRect{0, 0, 1200, 800}, 0, &window);
    for (std::size_t k = 0; k < 4; ++k) view.Channel(k).Enabled = 1;
    view.SetChannelFlags(4, 0);
    for (std::size_t k = 0; k < 4; ++k) {
      VessamorChannel& ch = view.Channel(k);
      ch.SensorCode = 1;
      while (ch.AppendCode(static_cast<std::int16_t>((ch.CodeCount * 7 + k) & 4095))) {
      }
    }
    view.SampleCount = view.ChannelCapacity;
    view.LastSampleIndex = view.ChannelCapacity - 1;
    const auto folder = std::filesystem::temp_directory_path() / "vessamor-bench-records";
    std::filesystem::create_directories(folder);
    path = (folder / name).string();
    copy_path = (folder / (std::string("copy-") + name)).string();
    bytes = records::WriteBinaryRecord(view, {0, view.ChannelCapacity});
    records::WriteFileAtomically(path, bytes, nullptr);
  }
  ~Record() {
    std::filesystem::remove(path);
    std::filesystem::remove(copy_path);
  }
  bench_support::HeadlessWindow window;
  GraphView view;
  std::string path;
  std::string copy_path;
  std::vector<std::uint8_t> bytes;
};

Record& TheRecord() {
  static Record record;
  return record;
}

// Four channels of 2500 codes: a 20 kB file.
Record& SmallRecord() {
  static Record record(4 * 2500, "small.out");
  return record;
}

void BM_SaveRecord(benchmark::State& state) {
  Record& r = TheRecord();
  for (auto _ : state) {
    const auto bytes = records::WriteBinaryRecord(r.view, {0, r.view.ChannelCapacity});
    if (!records::WriteFileAtomically(r.path, bytes, nullptr)) state.SkipWithError("write failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

void BM_LoadRecord(benchmark::State& state) {
  Record& r = TheRecord();
  for (auto _ : state) {
    const records::FileSource file(r.path);
    auto read = records::ReadBinaryRecord(file, kCapacity);
    benchmark::DoNotOptimize(read.Record.Channels[3].Codes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

// The save beside its yardstick in turn. The yardstick lays the bytes out by itself, as a plain
// program writing this file would: the header, each channel's block of settings field by field
// (little-endian, the four channels being of a kind without a rate history or a gain, whose blocks
// are all of 49 bytes), the counts, then each shown channel's codes copied whole; then it writes
// them to a file beside the target, flushed to the disk and renamed into place (and the folder's
// entry flushed), as a plain program that keeps the old file safe would. The two files are checked
// to be the same before anything is timed.
std::vector<std::uint8_t> PlainSerialize(const GraphView& view) {
  std::array<bool, 4> shown{};
  std::uint32_t samples = UINT32_MAX;
  std::size_t size = 10 + 4 * 49 + 8;
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    shown[k] = ch.Shown != 0 && ch.CodeCount > 0;
    if (shown[k]) samples = std::min(samples, std::min(ch.CodeCount, ch.CodeCapacity));
  }
  if (samples == UINT32_MAX) samples = 0;
  samples = std::min(samples, view.LastSampleIndex + 1);
  for (bool s : shown) size += s ? 2u * samples : 0u;
  std::vector<std::uint8_t> out(size);
  std::uint8_t* at = out.data();
  const auto put = [&at](const auto value) {
    std::memcpy(at, &value, sizeof value);
    at += sizeof value;
  };
  const auto flag = [&put](bool on) { put(static_cast<std::uint8_t>(on ? 1 : 0)); };
  const auto real = [&put](float v) { put(std::isfinite(v) ? v : 0.0f); };
  std::memcpy(at, "PELN2", 5);
  at += 5;
  put(view.RecordRate);
  put(static_cast<std::uint8_t>(std::count(shown.begin(), shown.end(), true)));
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    put(ch.DeviceTypeCode);
    put(static_cast<std::uint8_t>(std::min<std::uint16_t>(ch.SensorCode, 255)));
    put(shown[k] ? ch.CodeCount : 0u);
    real(ch.ZeroOffset);
    real(ch.ZeroOffset2);
    real(ch.EnteredValue);
    put(ch.FineOffset);
    put(ch.FineOffset2);
    flag(ch.FineOffsetOn != 0);
    flag(ch.FineOffset2On != 0);
    flag(ch.ZeroOffsetOn != 0);
    flag(ch.ZeroOffset2 != 0.0f);
    flag(ch.EnteredValueSet != 0 || ch.EnteredValue != 0.0f);
    flag(false);
    flag(ch.MedianOn != 0);
    flag(ch.SmoothingOn != 0);
    put(static_cast<std::uint16_t>(ch.MedianWindow));
    put(static_cast<std::uint16_t>(ch.SmoothingWindow));
    flag(ch.NoClamp != 0);
    put(static_cast<std::uint16_t>(ch.RunMax));
    put(static_cast<std::uint16_t>(ch.RunMin));
    flag(ch.CurveSmoothOn != 0);
    put(static_cast<std::uint8_t>(ch.CurveMode == 2 ? 2 : 1));
    put(0.0f);
  }
  put(samples);
  put(view.LastSampleIndex);
  for (std::size_t k = 0; k < 4; ++k) {
    if (!shown[k]) continue;
    std::memcpy(at, view.Channel(k).Codes, 2u * samples);
    at += 2u * samples;
  }
  return out;
}

void PlainSave(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  const std::string temp = path + ".plain-tmp";
  const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const ssize_t put = ::write(out, bytes.data(), bytes.size());
  ::fsync(out);
  ::close(out);
  std::filesystem::rename(temp, path);
  const int folder = ::open(std::filesystem::path(path).parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  ::fsync(folder);
  ::close(folder);
  if (put != static_cast<ssize_t>(bytes.size())) std::abort();
}

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(path));
  const int in = ::open(path.c_str(), O_RDONLY);
  const ssize_t got = ::read(in, bytes.data(), bytes.size());
  ::close(in);
  if (got != static_cast<ssize_t>(bytes.size())) bytes.clear();
  return bytes;
}

void BM_SaveBesidePlainWrite(benchmark::State& state) {
  Record& r = TheRecord();
  // As the program saves: the file streamed from the view, piece by piece, into its atomic writer.
  const auto save = [&r] {
    records::AtomicFileWriter writer(r.path);
    const auto write = [&](const void* data, std::size_t size) { return writer.Write(data, size); };
    return records::StreamBinaryRecord(r.view, {0, r.view.ChannelCapacity}, write) && writer.Commit();
  };
  const auto plain = [&r] { PlainSave(r.copy_path, PlainSerialize(r.view)); };
  save();
  plain();
  const std::vector<std::uint8_t> saved = FileBytes(r.path), copied = FileBytes(r.copy_path);
  bench_support::RequireSameOutput(".out save", std::string_view(reinterpret_cast<const char*>(saved.data()), saved.size()),
                                   std::string_view(reinterpret_cast<const char*>(copied.data()), copied.size()));
  // Both save on the calling thread.
  bench_support::PairedClocks clocks;
  for (auto _ : state) {
    bool saved_ok = true;
    const bench_support::Spent spent = bench_support::Measure([&] { saved_ok = save(); });
    if (!saved_ok) state.SkipWithError("write failed");
    clocks.Add(spent, bench_support::Measure(plain));
    state.SetIterationTime(spent.Wall);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
  clocks.Report(state, "ratio_to_plain_save");
}

// The same bytes read whole and written to another file, with nothing in between.
void BM_PlainCopy(benchmark::State& state) {
  Record& r = TheRecord();
  std::vector<std::uint8_t> buffer(r.bytes.size());
  for (auto _ : state) {
    const int in = ::open(r.path.c_str(), O_RDONLY);
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    ::close(in);
    const int out = ::open(r.copy_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const ssize_t put = ::write(out, buffer.data(), buffer.size());
    ::close(out);
    if (got != static_cast<ssize_t>(buffer.size()) || put != got) state.SkipWithError("copy failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

// The bytes of the long record copied from memory to memory: what a load cannot do with less.
void BM_MemcpyRecordBytes(benchmark::State& state) {
  Record& r = TheRecord();
  std::vector<std::uint8_t> buffer(r.bytes.size());
  for (auto _ : state) {
    std::memcpy(buffer.data(), r.bytes.data(), r.bytes.size());
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

void BM_LoadSmallRecord(benchmark::State& state) {
  Record& r = SmallRecord();
  for (auto _ : state) {
    const records::FileSource file(r.path);
    auto read = records::ReadBinaryRecord(file, 4 * 2500);
    benchmark::DoNotOptimize(read.Record.Channels[3].Codes.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

// The small file opened, read whole into memory and closed.
void BM_PlainReadSmall(benchmark::State& state) {
  Record& r = SmallRecord();
  std::vector<std::uint8_t> buffer(r.bytes.size());
  for (auto _ : state) {
    const int in = ::open(r.path.c_str(), O_RDONLY);
    const ssize_t got = ::read(in, buffer.data(), buffer.size());
    ::close(in);
    if (got != static_cast<ssize_t>(buffer.size())) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

// The load of the open command: the file checked and fetched, then its codes read into the view.
void LoadAsTheProgramDoes(GraphView& view, const std::string& path) {
  const records::FileSource file(path);
  records::BinaryRead read = records::CheckBinaryRecord(file, view.SampleCapacity);
  std::uint64_t from = file.Size(), to = 0;
  for (const records::LoadedChannel& c : read.Record.Channels) {
    if (c.FileCodes == 0) continue;
    from = std::min(from, c.FileCodesAt);
    to = std::max<std::uint64_t>(to, c.FileCodesAt + 2ull * c.FileCodes);
  }
  if (from < to) file.Fetch(from, to - from);
  records::ApplyLoadedRecord(view, std::move(read.Record), "long");
}

// The long record loaded into a view as the open command does: checked, then handed over. Besides
// the time, what one load into a fresh view holds at its peak beside what it keeps, measured in a
// fresh process each run.
void BM_LoadRecordIntoView(benchmark::State& state) {
  Record& r = TheRecord();
  bench_support::HeadlessWindow window;
  std::unique_ptr<GraphView> fresh;
  const bench_support::MemoryPeak memory = bench_support::PeakInChild(
      [&] {
        fresh = std::make_unique<GraphView>();
        fresh->Init(kCapacity, PixelRect{0, 0, 1200, 800}, 0, &window);
      },
      [&] { LoadAsTheProgramDoes(*fresh, r.path); });
  state.counters["kept_MiB"] = memory.Kept;
  state.counters["peak_over_kept"] = memory.Peak / std::max(memory.Kept, 1.0);
  for (auto _ : state) {
    LoadAsTheProgramDoes(r.view, r.path);
    benchmark::DoNotOptimize(r.view.Channel(3).Codes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

// The yardstick of a load: the header read with one read and its fields taken at their places,
// each channel's codes read straight into the view's buffers, then the first screen's columns of the
// smoothed channels reduced plainly and their plot points computed (the window's layout of them,
// its columns and value scale, is the program's). Only the fields the view's contents depend on are read.
struct PlainLoad {
  std::uint32_t rate = 0;
  std::uint32_t samples = 0;
  std::array<std::uint16_t, 4> smoothing{};
  std::array<std::uint16_t, 4> median{};
  std::array<bool, 4> present{};
  std::array<float, 4> zero{};
  std::array<std::int32_t, 4> fine{};
};

bool LoadPlainly(const std::string& path, GraphView& view, PlainLoad& out) {
  constexpr std::size_t kHead = 10, kBlock = 49, kCounts = 8;
  std::array<std::uint8_t, kHead + 4 * kBlock + kCounts> head{};
  const int in = ::open(path.c_str(), O_RDONLY);
  if (in < 0) return false;
  bool ok = ::pread(in, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) && std::memcmp(head.data(), "PELN", 4) == 0;
  const auto u16 = [&head](std::size_t at) { return static_cast<std::uint16_t>(head[at] | head[at + 1] << 8); };
  const auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | std::uint32_t{u16(at + 2)} << 16); };
  out.rate = u32(5);
  std::uint64_t at = head.size();
  out.samples = u32(kHead + 4 * kBlock);
  for (std::size_t k = 0; k < 4 && ok; ++k) {
    const std::size_t block = kHead + k * kBlock;
    // Only kinds without a rate history or a gain: their blocks are all of one length.
    ok = head[block + 1] == 1;
    out.present[k] = u32(block + 2) != 0;
    out.median[k] = head[block + 32] != 0 ? u16(block + 34) : 0;
    out.smoothing[k] = head[block + 33] != 0 ? u16(block + 36) : 0;
    const std::uint32_t zero = u32(block + 6);
    out.zero[k] = head[block + 28] != 0 ? std::bit_cast<float>(zero) : 0.0f;
    out.fine[k] = head[block + 26] != 0 ? static_cast<std::int32_t>(u32(block + 18)) : 0;
    VessamorChannel& channel = view.Channel(k);
    if (!out.present[k] || !ok) continue;
    const std::size_t bytes = 2u * out.samples;
    ok = out.samples <= channel.CodeCapacity &&
         ::pread(in, channel.Codes, bytes, static_cast<off_t>(at)) == static_cast<ssize_t>(bytes);
    channel.CodeCount = out.samples;
    at += bytes;
  }
  ::close(in);
  return ok;
}

// A column's highest and lowest rows, as the curve's painter reads them.
struct PlotPoint {
  std::int32_t High = 0;
  std::int32_t Low = 0;
};

// The plot points of a smoothed channel's reduced columns: each extreme (code x 256 + fraction)
// shifted by the fine offset, read between the two neighbouring entries of the kind's calibration
// table, less the zero offset, and given in rows of the view's value scale.
void PlotPointsPlainly(std::span<const float> table, float zero, std::int32_t fine, double per_pixel,
                       const std::vector<bench_support::ColumnExtremes>& columns, std::vector<PlotPoint>& out) {
  const auto top = static_cast<std::int64_t>(table.size()) - 1;
  const auto row = [&](std::int32_t extreme) {
    const auto code = static_cast<std::int32_t>(std::clamp<std::int64_t>(std::int64_t{extreme} + fine, INT32_MIN, INT32_MAX));
    const std::int32_t whole = code >> 8;
    const float low = table[std::clamp<std::int64_t>(whole, 0, top)];
    const float high = table[std::clamp<std::int64_t>(std::int64_t{whole} + 1, 0, top)];
    const float value = static_cast<float>(low + (high - low) * (code & 255) * 0.00390625) - zero;
    const double pixel = value / per_pixel;
    return std::isfinite(pixel) ? static_cast<std::int32_t>(std::clamp(pixel, -2.0e9, 2.0e9)) : 0;
  };
  out.resize(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i) out[i] = {row(columns[i].High), row(columns[i].Low)};
}

// A record of four channels of `samples` codes each, written once per size.
Record& RecordOfSize(std::uint32_t samples) {
  static std::map<std::uint32_t, std::unique_ptr<Record>> records;
  auto& r = records[samples];
  if (!r) r = std::make_unique<Record>(4 * samples, ("sized-" + std::to_string(samples) + ".out").c_str());
  return *r;
}

// Loading a record of four channels of range(0) codes into a view of the program's capacity (range(0)
// of a quarter of it fills it), as the open command does, beside a plain load into the same view's buffers.
// Work of both: the file's header read, four channels' codes read into the view, the first screen's columns reduced and their plot points computed.
void BM_LoadBesidePlainLoad(benchmark::State& state) {
  const auto samples = static_cast<std::uint32_t>(state.range(0));
  const Record& r = RecordOfSize(samples);
  bench_support::HeadlessWindow window;
  GraphView view;
  view.Init(kProgramCapacity, PixelRect{0, 0, 1200, 800}, 0, &window);
  const auto load = [&] { LoadAsTheProgramDoes(view, r.path); };
  load();
  const std::uint32_t first = view.FirstShownColumn, last = view.LastShownColumn;
  const ColumnRecord* time_base = view.Channel(0).TimeBase;
  // What the program's load left in the view, for the plain load to give again.
  std::array<std::vector<std::int16_t>, 4> codes;
  std::array<std::vector<ColumnRecord>, 4> columns;
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    codes[k].assign(ch.Codes, ch.Codes + ch.CodeCount);
    columns[k].assign(ch.Columns, ch.Columns + last + 1);
  }
  // The channels are reduced side by side where the first screen is long, as the program does.
  const std::uint64_t span = std::uint64_t{time_base[last].FirstSample} + time_base[last].SampleCount - time_base[first].FirstSample;
  const std::uint32_t threads = span * 4 >= 1'000'000 ? std::min(4u, std::max(1u, std::thread::hardware_concurrency())) : 1;
  // The kind of the record's channels reads its codes through the 4096-entry table.
  for (std::size_t k = 0; k < 4; ++k) {
    if (view.Channel(k).RawToValueFn != &LookupTable4096) {
      state.SkipWithError("the record's kind does not read through the 4096-entry table");
      return;
    }
  }
  const std::span<const float> table = CalibrationTables::Instance().Table(CalibrationTableId::Table4096);
  const double per_pixel = view.Scale.ValuePerPixel;
  std::array<std::vector<PlotPoint>, 4> points;
  PlainLoad header;
  std::vector<bench_support::SmoothedChannel> plain(4);
  const auto plain_load = [&] {
    if (!LoadPlainly(r.path, view, header)) std::abort();
    for (std::size_t k = 0; k < 4; ++k) {
      plain[k].Codes = view.Channel(k).Codes;
      plain[k].Smoothing = header.smoothing[k];
      plain[k].Median = header.median[k];
    }
    bench_support::ReduceSmoothed(plain, time_base, first, last, header.samples, threads);
    for (std::size_t k = 0; k < 4; ++k) PlotPointsPlainly(table, header.zero[k], header.fine[k], per_pixel, plain[k].Out, points[k]);
  };
  plain_load();
  for (std::size_t k = 0; k < 4; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    for (std::uint32_t c = first; c <= last; ++c) {
      const PlotPoint& p = points[k][c - first];
      if (columns[k][c].MaxPixel != p.High || columns[k][c].MinPixel != p.Low) {
        std::fprintf(stderr, ".out load: channel %zu column %u rows %d..%d in the program, %d..%d in the yardstick\n", k, c,
                     columns[k][c].MinPixel, columns[k][c].MaxPixel, p.Low, p.High);
        std::exit(1);
      }
    }
    bench_support::RequireSameOutput(".out load codes",
                                     std::string_view(reinterpret_cast<const char*>(codes[k].data()), 2u * codes[k].size()),
                                     std::string_view(reinterpret_cast<const char*>(ch.Codes), 2u * ch.CodeCount));
    if (ch.SmoothingOn == 0 || ch.MedianOn != (header.median[k] != 0 ? 1 : 0)) {
      state.SkipWithError("the loaded channels' filters differ from the file's");
      return;
    }
    bench_support::RequireSameColumns(".out load", k, columns[k].data(), first, plain[k].Out);
  }
  // Timed on the wall clock, which a user waits on, the CPU time of every thread beside it.
  bench_support::PairedClocks clocks;
  for (auto _ : state) {
    const bench_support::Spent spent = bench_support::Measure(load);
    clocks.Add(spent, bench_support::Measure(plain_load));
    state.SetIterationTime(spent.Wall);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
  state.counters["threads"] = threads;
  state.counters["first_screen_columns"] = last - first + 1;
  state.counters["first_screen_samples"] = static_cast<double>(span);
  state.SetLabel("yardstick shares: the kind's calibration table, the view's column layout and value scale");
  clocks.Report(state, "ratio_to_plain_load");
}

}  // namespace

// Throughput by the clock on the wall: the file system's time counts as much as our own.
BENCHMARK(BM_SaveRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveBesidePlainWrite)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemcpyRecordBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSmallRecord)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlainReadSmall)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LoadRecordIntoView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadBesidePlainLoad)
    ->ArgName("samples")
    ->Arg(1000)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Arg(5'000'000)
    ->Arg(SampleCapacityFor(std::numeric_limits<std::uint64_t>::max()) / 4)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();
