// The program's own binary record file (".out"): its writer and its checked reader.
#include "records/binary_record.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "graph/graph_view.h"
#include "records/export_plan.h"

namespace records {

namespace {

// Codes are copied to and from the file in bulk, which holds them little-endian.
static_assert(std::endian::native == std::endian::little, "record files are read and written little-endian");

constexpr char kMagic[4] = {'P', 'E', 'L', 'N'};
constexpr std::uint16_t kAccelerometerKinds[] = {7, 8};
constexpr std::size_t kHeaderBytes = 10;
constexpr std::size_t kLargestBlockBytes = 57;

bool IsAccelerometer(std::uint16_t code) {
  return code == kAccelerometerKinds[0] || code == kAccelerometerKinds[1];
}

class ByteWriter {
 public:
  explicit ByteWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void U8(std::uint32_t v) { out_.push_back(static_cast<std::uint8_t>(v)); }
  void U16(std::uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(std::uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  // A value that is not finite would make the file unreadable: it is written as 0.
  void F32(float v) { U32(std::bit_cast<std::uint32_t>(std::isfinite(v) ? v : 0.0f)); }
  void Flag(std::uint32_t v) { U8(v != 0 ? 1 : 0); }
  void Bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }

 private:
  std::vector<std::uint8_t>& out_;
};

// Reads a file front to back. The header's many small fields come from one read of its first
// bytes; the long runs of codes go straight from the source to where they are kept.
class ByteReader {
 public:
  // A small file is held whole after its first read, unless only its header is wanted; of a larger
  // one the stretch the header needs.
  ByteReader(const ByteSource& source, bool header_only)
      : source_(source),
        held_size_(source.Size() <= kWholeFileBytes && !header_only
                       ? std::max<std::size_t>(static_cast<std::size_t>(source.Size()), kHeldBytes)
                       : kHeldBytes),
        held_bytes_(new std::uint8_t[held_size_]) {}
  bool Bytes(void* out, std::size_t size) {
    if (pos_ < held_at_ || pos_ - held_at_ > held_ || size > held_ - (pos_ - held_at_)) {
      if (size >= held_size_) {
        if (!source_.ReadAt(pos_, out, size)) return false;
        pos_ += size;
        return true;
      }
      // The next stretch of the file, as much of it as the buffer takes.
      held_at_ = pos_;
      held_ = static_cast<std::size_t>(std::min<std::uint64_t>(held_size_, Remaining()));
      if (held_ < size || !source_.ReadAt(held_at_, held_bytes_.get(), held_)) {
        held_ = 0;
        return false;
      }
    }
    if (size > 0) std::memcpy(out, held_bytes_.get() + (pos_ - held_at_), size);
    pos_ += size;
    return true;
  }
  bool U8(std::uint8_t& v) { return Bytes(&v, 1); }
  bool U16(std::uint16_t& v) {
    std::uint8_t b[2];
    if (!Bytes(b, 2)) return false;
    v = static_cast<std::uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  bool I16(std::int16_t& v) {
    std::uint16_t u = 0;
    if (!U16(u)) return false;
    v = static_cast<std::int16_t>(u);
    return true;
  }
  bool U32(std::uint32_t& v) {
    std::uint8_t b[4];
    if (!Bytes(b, 4)) return false;
    v = static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    return true;
  }
  bool I32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (!U32(u)) return false;
    v = static_cast<std::int32_t>(u);
    return true;
  }
  bool F32(float& v) {
    std::uint32_t u = 0;
    if (!U32(u)) return false;
    v = std::bit_cast<float>(u);
    return true;
  }
  // Reads up to count 16-bit values; the number read (fewer when the file ends first).
  template <typename T>
  std::size_t Words(std::vector<T>& out, std::uint64_t count) {
    const std::uint64_t left = Remaining() / 2;
    const auto n = static_cast<std::size_t>(std::min(count, left));
    out.resize(n);
    if (n > 0 && !Bytes(out.data(), n * 2)) out.clear();
    return out.size();
  }
  void Skip(std::uint64_t bytes) { pos_ = bytes > Remaining() ? source_.Size() : pos_ + bytes; }
  std::uint64_t Position() const { return pos_; }
  std::uint64_t Remaining() const { return pos_ < source_.Size() ? source_.Size() - pos_ : 0; }

 private:
  const ByteSource& source_;
  std::uint64_t pos_ = 0;
  // Bytes held from the file at held_at_ on: the whole header of any version fits.
  static constexpr std::size_t kHeldBytes = 512;
  static_assert(kHeaderBytes + 4 * kLargestBlockBytes + 8 <= kHeldBytes);
  static constexpr std::uint64_t kWholeFileBytes = 64 * 1024;
  std::size_t held_size_;
  std::unique_ptr<std::uint8_t[]> held_bytes_;
  std::uint64_t held_at_ = 0;
  std::size_t held_ = 0;
};

struct HistoryPart {
  std::uint32_t First = 0;
  std::uint32_t Count = 0;
};

// The history entries a save writes: all for a whole record, else those of the range's windows.
// The breathing and radioactivity kinds count into the entry of the window that runs when the record
// ends, and show that count: a whole record keeps it too, so its last seconds read as they did.
HistoryPart HistoryToSave(const GraphView& view, const VessamorChannel& ch, const SaveRange& range, bool whole) {
  if (!SavedChannel(ch)) return {};
  const std::uint32_t window = view.RecordRate * RateWindowSeconds(ch.SensorCode);
  const bool running_entry = ch.SensorCode == 37 || ch.SensorCode == 40;
  if (whole && running_entry && window != 0) {
    const std::uint64_t covered = (std::uint64_t{range.Count} + window - 1) / window;
    return {0, static_cast<std::uint32_t>(std::min<std::uint64_t>(covered, ch.RateDetector.History.size()))};
  }
  if (whole) return {0, ch.RateDetector.HistoryCount};
  if (window == 0) return {};
  return {range.First / window, range.Count / window};
}

void WriteBlock(ByteWriter& w, const GraphView& view, const VessamorChannel& ch, const SaveRange& range, bool whole) {
  w.U8(ch.DeviceTypeCode);
  w.U8(std::min<std::uint16_t>(ch.SensorCode, 255));
  // The codes of the channel that the file holds: a unit that sent a few more than the record's
  // length, or a part of the record, has no more in the file, and a load gives it no more.
  w.U32(SavedChannel(ch) ? range.Count : 0);
  w.F32(ch.ZeroOffset);
  w.F32(ch.ZeroOffset2);
  w.F32(ch.EnteredValue);
  w.I32(ch.FineOffset);
  w.I32(ch.FineOffset2);
  w.Flag(ch.FineOffsetOn);
  w.Flag(ch.FineOffset2On);
  w.Flag(ch.ZeroOffsetOn);
  // The channel keeps no switch for these two values: a value that is there is in force.
  w.Flag(ch.ZeroOffset2 != 0.0f);
  w.Flag(ch.EnteredValueSet != 0 || ch.EnteredValue != 0.0f);
  w.Flag(0);
  w.Flag(ch.MedianOn);
  w.Flag(ch.SmoothingOn);
  w.U16(ch.MedianWindow);
  w.U16(ch.SmoothingWindow);
  w.Flag(ch.NoClamp);
  w.U16(static_cast<std::uint32_t>(ch.RunMax));
  w.U16(static_cast<std::uint32_t>(ch.RunMin));
  w.Flag(ch.CurveSmoothOn);
  w.U8(ch.CurveMode == 2 ? 2 : 1);
  // A kind without a rate window has no derived rate, whatever the channel measured before.
  const bool rate_kind = RateWindowSeconds(ch.SensorCode) != 0;
  w.F32(rate_kind ? ch.RateDetector.Rate : 0.0f);
  if (rate_kind) {
    const HistoryPart part = HistoryToSave(view, ch, range, whole);
    w.U32(part.Count);
    // A loaded record keeps the capacity its file gave, whatever history the load sized for it.
    const RateDetectorState& d = ch.RateDetector;
    w.U32(SavedChannel(ch) ? d.CarriedCapacity.value_or(static_cast<std::uint32_t>(d.History.size())) : 0);
  } else if (IsAccelerometer(ch.SensorCode)) {
    w.F32(ch.Gain);
  }
}

// Reads one channel block of the given version; false when the file ends inside it.
bool ReadBlock(ByteReader& r, std::uint8_t version, LoadedChannel& channel, std::uint32_t& sample_count) {
  RecordChannelSettings& s = channel.Settings;
  std::uint8_t code = 0;
  bool ok = r.U8(s.DeviceTypeCode) && r.U8(code) && r.U32(sample_count) && r.F32(s.ZeroOffset) &&
            r.F32(s.ZeroOffset2) && r.F32(s.EnteredValue) && r.I32(s.FineOffset) && r.I32(s.FineOffset2) &&
            r.U8(s.FineOffsetOn) && r.U8(s.FineOffset2On) && r.U8(s.ZeroOffsetOn) && r.U8(s.ZeroOffset2On) &&
            r.U8(s.EnteredValueOn) && r.U8(s.CalibrationOn) && r.U8(s.MedianOn) && r.U8(s.SmoothingOn) &&
            r.U16(s.MedianWindow) && r.U16(s.SmoothingWindow) && r.U8(s.AltRange);
  s.SensorCode = code;
  s.HasRunRange = version >= '1';
  if (ok && s.HasRunRange) ok = r.I16(s.RunMax) && r.I16(s.RunMin);
  if (ok && version >= '2') ok = r.U8(s.CurveSmoothOn) && r.U8(s.CurveMode);
  ok = ok && r.F32(s.DerivedRate);
  if (ok && RateWindowSeconds(code) != 0) ok = r.U32(s.HistoryCount) && r.U32(s.HistoryCapacity);
  if (ok && IsAccelerometer(code)) ok = r.F32(s.Gain);
  channel.HasSettings = true;
  channel.Present = sample_count != 0;
  return ok;
}

}  // namespace

bool StreamBinaryRecord(const GraphView& view, const SaveRange& requested, const BytesSink& write,
                        const std::function<void()>& pause) {
  SaveRange range = requested;
  std::uint8_t shown = 0;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    shown += SavedChannel(ch) ? 1 : 0;
    // Every saved channel gives the same count, and none reads past its codes.
    if (SavedChannel(ch)) {
      const std::uint32_t held = ch.CodeCount > range.First ? ch.CodeCount - range.First : 0;
      range.Count = std::min(range.Count, std::min(held, ch.CodeCapacity));
    }
  }
  const bool whole = requested.First == 0 && requested.Count == view.LastSampleIndex + 1;
  std::vector<std::uint8_t> head;
  head.reserve(kHeaderBytes + GraphView::kLiveChannels * kLargestBlockBytes + 8);
  ByteWriter w(head);
  w.Bytes(kMagic, sizeof kMagic);
  w.U8(kBinaryRecordVersion);
  w.U32(view.RecordRate);
  w.U8(shown);
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) WriteBlock(w, view, view.Channel(k), range, whole);
  w.U32(range.Count);
  w.U32(view.LastSampleIndex);
  if (!write(head.data(), head.size())) return false;
  // The codes go out as they stand in the view, a few mebibytes at a time.
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    if (!SavedChannel(ch)) continue;
    constexpr std::uint32_t kCodesAtOnce = std::uint32_t{1} << 20;
    for (std::uint32_t done = 0; done < range.Count; done += kCodesAtOnce) {
      if (done > 0 && pause) pause();
      if (!write(ch.Codes + range.First + done, 2u * std::min(kCodesAtOnce, range.Count - done))) return false;
    }
  }
  std::vector<std::uint8_t> history;
  ByteWriter h(history);
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    if (RateWindowSeconds(ch.SensorCode) == 0) continue;
    const HistoryPart part = HistoryToSave(view, ch, range, whole);
    for (std::uint32_t i = 0; i < part.Count; ++i) h.U16(ch.RateDetector.Entry(part.First + i));
  }
  return history.empty() || write(history.data(), history.size());
}

std::vector<std::uint8_t> WriteBinaryRecord(const GraphView& view, const SaveRange& range) {
  std::vector<std::uint8_t> out;
  std::size_t size = kHeaderBytes + GraphView::kLiveChannels * kLargestBlockBytes + 8;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    const VessamorChannel& ch = view.Channel(k);
    const std::uint32_t held = ch.CodeCount > range.First ? ch.CodeCount - range.First : 0;
    if (SavedChannel(ch)) size += 2u * std::min(range.Count, held) + 2u * ch.RateDetector.HistoryCount;
  }
  out.reserve(size);
  StreamBinaryRecord(view, range, [&](const void* data, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out.insert(out.end(), p, p + bytes);
    return true;
  });
  return out;
}

BinaryRead CheckBinaryRecord(const ByteSource& source, std::uint32_t sample_capacity) {
  BinaryRead result;
  ByteReader r(source, true);
  char magic[4] = {};
  std::uint8_t version = 0;
  if (!r.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 || !r.U8(version) ||
      version < '0' || version > '2') {
    return result;
  }
  result.Outcome = ReadOutcome::Refused;
  LoadedRecord& record = result.Record;
  if (!r.U32(record.Rate) || !r.U8(record.ChannelCount)) return result;
  std::array<std::uint32_t, 4> counts{};
  std::uint32_t present = 0;
  for (std::size_t k = 0; k < record.Channels.size(); ++k) {
    if (!ReadBlock(r, version, record.Channels[k], counts[k])) return result;
    present += record.Channels[k].Present ? 1 : 0;
  }
  std::uint32_t n = 0;
  std::uint32_t last_index = 0;
  if (!r.U32(n) || !r.U32(last_index)) return result;
  record.FileSamples = n;
  if (record.Rate == 0 || record.Rate > kHighestRecordRate) record.Rate = kDefaultRecordRate;

  // Each channel's share of the buffer bounds what is kept; the rest of its codes is passed over.
  // The codes stay in the file: each channel's place and count there are measured against its size.
  record.CodeSource = &source;
  const std::uint32_t capacity = sample_capacity / std::max<std::uint32_t>(present, 1);
  const std::uint32_t keep = n <= capacity ? n : (capacity > 0 ? capacity - 1 : 0);
  bool short_read = false;
  for (LoadedChannel& c : record.Channels) {
    if (!c.Present) continue;
    if (short_read || n == 0) {
      c.Present = false;
      continue;
    }
    c.FileCodesAt = r.Position();
    c.FileCodes = static_cast<std::uint32_t>(std::min<std::uint64_t>(keep, r.Remaining() / 2));
    short_read = c.FileCodes < keep;
    r.Skip(2ull * n);
  }
  for (LoadedChannel& c : record.Channels) {
    const std::uint32_t count = c.Settings.HistoryCount;
    const std::uint32_t window = record.Rate * RateWindowSeconds(c.Settings.SensorCode);
    if (short_read || !c.Present || window == 0 || count == 0) continue;
    const std::uint32_t entries = capacity / window;
    const std::uint32_t wanted = std::min(count, entries);
    short_read = r.Words(c.History, wanted) < wanted;
    r.Skip(2ull * (count - wanted));
  }
  record.Damaged = short_read;
  if (ValidateLoadedRecord(record, sample_capacity)) result.Outcome = ReadOutcome::Loaded;
  return result;
}

BinaryRead ReadBinaryRecord(const ByteSource& source, std::uint32_t sample_capacity) {
  BinaryRead result = CheckBinaryRecord(source, sample_capacity);
  LoadedRecord& record = result.Record;
  if (result.Outcome != ReadOutcome::Loaded) return result;
  // The codes the check measured, into the record's own vectors.
  for (LoadedChannel& c : record.Channels) {
    c.Codes.resize(c.FileCodes);
    if (c.FileCodes > 0 && !source.ReadAt(c.FileCodesAt, c.Codes.data(), 2u * c.FileCodes)) {
      result.Outcome = ReadOutcome::Refused;
      return result;
    }
    c.FileCodes = 0;
  }
  record.CodeSource = nullptr;
  return result;
}

}  // namespace records
