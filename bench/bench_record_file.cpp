// Benchmark of saving and loading ".out" records: a long one beside a plain copy and a memcpy of the
// same bytes, a small one beside a plain read of its file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "graph/graph_view.h"
#include "records/binary_record.h"
#include "records/file_write.h"
#include "records/loaded_record.h"

namespace {

// Four channels sharing eight million codes: a 16 MB file.
constexpr std::uint32_t kCapacity = 8'000'000;

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

// Resident and peak resident memory of this process in MiB; the peak can be started afresh.
double StatusMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field))) / 1024.0;
  }
  return 0.0;
}
bool RestartPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear);
}

// The long record loaded into a view as the open command does: read, then handed over. Besides
// the time, what one load into a fresh view holds at its peak beside what it keeps.
void BM_LoadRecordIntoView(benchmark::State& state) {
  Record& r = TheRecord();
  // Measured once, on the first run: later runs' views reuse memory an earlier load touched.
  static double kept = 0.0, peak_over_kept = 0.0;
  if (kept == 0.0) {
    bench_support::HeadlessWindow window;
    GraphView fresh;
    fresh.Init(kCapacity, PixelRect{0, 0, 1200, 800}, 0, &window);
    const double before = StatusMiB("VmRSS:");
    const bool peak_known = RestartPeak();
    {
      const records::FileSource file(r.path);
      records::ApplyLoadedRecord(fresh, records::ReadBinaryRecord(file, kCapacity).Record, "long");
    }
    kept = StatusMiB("VmRSS:") - before;
    peak_over_kept = peak_known ? (StatusMiB("VmHWM:") - before) / std::max(kept, 1.0) : 0.0;
  }
  state.counters["kept_MiB"] = kept;
  state.counters["peak_over_kept"] = peak_over_kept;
  for (auto _ : state) {
    const records::FileSource file(r.path);
    records::ApplyLoadedRecord(r.view, records::ReadBinaryRecord(file, kCapacity).Record, "long");
    benchmark::DoNotOptimize(r.view.Channel(3).Codes);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * r.bytes.size()));
}

}  // namespace

// Throughput by the clock on the wall: the file system's time counts as much as our own.
BENCHMARK(BM_SaveRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemcpyRecordBytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadSmallRecord)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlainReadSmall)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LoadRecordIntoView)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
