// Channel classification, row planning and cell values shared by the text and spreadsheet exports.
#include "records/export_plan.h"

#include <algorithm>
#include <charconv>

#include "graph/graph_view.h"

namespace records {
namespace {

bool IsRateKind(std::uint16_t code) { return code == 35 || code == 37 || code == 40; }
bool IsFrequencyKind(std::uint16_t code) { return IsRateKind(code) || code == 46 || code == 47; }
// A breathing channel prepared for breath holding shows its signal, and its rows are the signal's.
bool ShowsSignal(const VessamorChannel& channel) { return channel.SensorCode == 40 && channel.BreathRateShown == 0; }

// Last sample of the record plus one, within what the channels can hold.
std::uint32_t RecordEnd(const GraphView& view) {
  return std::min<std::uint64_t>(std::uint64_t{view.LastSampleIndex} + 1, view.SampleCapacity);
}

// The smaller of two counts, as a 32-bit one.
std::uint32_t Least(std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>(std::min(a, b)); }

}  // namespace

std::uint32_t ExportRate(const GraphView& view) { return std::max<std::uint32_t>(view.RecordRate, 1); }

bool HasRateHistory(const VessamorChannel& channel) {
  return channel.RateMode != 0 && IsRateKind(channel.SensorCode) && !ShowsSignal(channel);
}

std::uint32_t SamplesPerEntry(const VessamorChannel& channel) {
  const RateDetectorState& d = channel.RateDetector;
  return std::max<std::uint32_t>(d.WindowLength != 0 ? d.WindowLength : d.Breath.StepLength, 1);
}

std::uint32_t SecondsPerEntry(const VessamorChannel& channel) {
  // A rate kind's entry spans its window, whatever step an earlier kind of the channel left behind.
  const RateDetectorState& d = channel.RateDetector;
  const bool windowed = d.WindowLength != 0 || d.Breath.StepLength != 0;
  if (!IsRateKind(channel.SensorCode) || !windowed || channel.View == nullptr) return channel.HistoryStepSeconds;
  return SamplesPerEntry(channel) / ExportRate(*channel.View);
}

std::uint32_t FrequencySeconds(const GraphView& view, const ExportPlan& plan) {
  return plan.FrequencyChannel ? SecondsPerEntry(view.Channel(*plan.FrequencyChannel)) : 0;
}

std::uint32_t CountMarkedPoints(const GraphView& view) {
  const std::size_t used = std::min<std::size_t>(view.MarkerCount, view.Markers.size());
  const auto set = [](const MarkerRecord& m) { return m.Set != 0; };
  return static_cast<std::uint32_t>(std::count_if(view.Markers.begin(), view.Markers.begin() + used, set));
}

bool SavedChannel(const VessamorChannel& channel) { return channel.Shown != 0 && channel.CodeCount > 0; }

ExportPlan ClassifyChannels(const GraphView& view) {
  ExportPlan plan;
  for (std::uint8_t c = 0; c < GraphView::kLiveChannels; ++c) {
    const VessamorChannel& channel = view.Channel(c);
    if (!SavedChannel(channel)) continue;
    plan.Shown.push_back(c);
    const std::uint16_t code = channel.SensorCode;
    const bool signal = ShowsSignal(channel);
    IsRateKind(code) && !signal ? ++plan.RateCount : ++plan.OtherCount;
    if (code == 46 || code == 47) plan.PerSecond = true;
    if (code == 64) plan.Decimation = 1;
    if (code == 65) plan.Decimation = 2;
    if (code == 49) plan.Volume = true;
    if (code == 73 || code == 77) plan.RateCount = 0;
    if (IsFrequencyKind(code) && !signal) plan.FrequencyChannel = c;
  }
  if (plan.OtherCount > 1) plan.Decimation = 0;
  if (plan.OtherCount > 2) plan.PerSecond = false;
  return plan;
}

ExportPlan ClassifyTwoChannel(const GraphView& view, bool per_sample) {
  ExportPlan plan;
  for (std::uint8_t c = 0; c < GraphView::kLiveChannels; ++c) {
    const VessamorChannel& channel = view.Channel(c);
    if (!SavedChannel(channel)) continue;
    plan.Shown.push_back(c);
    ++plan.OtherCount;
    if (channel.SensorCode == 48 || channel.SensorCode == 46) plan.FrequencyChannel = c;
  }
  plan.PerSecond = !per_sample;
  return plan;
}

ExportRows PlanRows(const GraphView& view, const ExportPlan& plan, SaveRange range, std::uint32_t row_limit,
                    bool whole_history) {
  // Nothing beyond the record is written, whatever the range says.
  const std::uint32_t record_end = RecordEnd(view);
  const std::uint32_t first = std::min(range.First, record_end);
  const std::uint32_t end = Least(std::uint64_t{first} + range.Count, record_end);
  const std::uint32_t rate = ExportRate(view);
  ExportRows rows;
  if (plan.PerSecond) {
    rows.RowKind = ExportRows::Kind::Seconds;
    rows.First = first / rate;
    rows.End = Least(std::max(end / rate, rows.First + 1), std::uint64_t{rows.First} + row_limit);
    return rows;
  }
  if (plan.HistorySheet() && plan.FrequencyChannel) {
    const VessamorChannel& channel = view.Channel(*plan.FrequencyChannel);
    const std::uint32_t per_entry = SamplesPerEntry(channel);
    rows.RowKind = ExportRows::Kind::History;
    rows.First = whole_history ? 0 : first / per_entry;
    rows.End = whole_history ? channel.RateDetector.HistoryCount : end / per_entry;
    rows.End = std::max(rows.First, Least(rows.End, std::uint64_t{rows.First} + row_limit));
    return rows;
  }
  if (plan.Decimation != 0) rows.Step = std::max<std::uint32_t>(rate / (plan.Decimation == 1 ? 20 : 100), 1);
  rows.First = first;
  rows.End = Least(end, first + std::uint64_t{row_limit} * rows.Step);
  return rows;
}

std::string FixedText(double value, int decimals) {
  char buffer[400];  // the widest double in fixed notation, with room for the decimals
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ec == std::errc{} ? result.ptr : buffer);
}

double RowTime(const GraphView& view, const ExportPlan& plan, const ExportRows& rows, std::uint32_t at) {
  switch (rows.RowKind) {
    case ExportRows::Kind::History:
      return static_cast<float>(static_cast<double>(FrequencySeconds(view, plan)) * (std::uint64_t{at} + 1));
    case ExportRows::Kind::Seconds:
      return static_cast<double>(at) + 1.0;
    case ExportRows::Kind::Samples:
      break;
  }
  return static_cast<double>(at) / ExportRate(view);
}

void CellReader::Cover(std::uint8_t index, std::uint32_t sample, FilteredSampleReader& reader) {
  // Codes copied at a time: 64 KiB of a channel, a few microseconds under the lock.
  constexpr std::uint32_t kCodesATake = 1u << 15;
  CodeCopy& copy = Copies.at(index);
  const std::uint32_t reach = reader.Reach();
  const std::uint32_t from = sample > reach ? sample - reach : 0;
  if (from >= copy.First && sample < copy.End) return;
  std::lock_guard lock(*CodesLock);
  const VessamorChannel& channel = View.Channel(index);
  // A sample beyond the channel's room is read as 0, without its codes.
  if (channel.Codes == nullptr || sample >= channel.CodeCapacity) return;
  const std::uint32_t end = static_cast<std::uint32_t>(std::min<std::uint64_t>(std::uint64_t{sample} + kCodesATake, channel.CodeCapacity));
  copy.Codes.assign(channel.Codes + from, channel.Codes + end);
  copy.First = from;
  copy.End = end;
  reader.ReadFrom(copy.Codes.data(), from);
}

float CellReader::Filtered(std::uint8_t index, std::uint32_t sample) {
  const VessamorChannel& channel = View.Channel(index);
  std::unique_ptr<FilteredSampleReader>& reader = Readers.at(index);
  if (!reader) reader = std::make_unique<FilteredSampleReader>(channel);
  if (CodesLock != nullptr) Cover(index, sample, *reader);
  return channel.ValueOfFilteredCode(reader->At(sample));
}

float CellReader::Value(std::uint8_t index, const ExportRows& rows, std::uint32_t at) {
  const GraphView& view = View;
  const VessamorChannel& channel = view.Channel(index);
  if (rows.RowKind == ExportRows::Kind::Seconds) {
    // The mean of the second's samples that the record holds; a negative mean is written as 0.
    const std::uint32_t rate = ExportRate(view);
    const std::uint64_t from = std::uint64_t{at} * rate;
    const std::uint64_t to = std::min<std::uint64_t>(from + rate, RecordEnd(view));
    if (from >= to) return 0.0f;
    float sum = 0.0f;
    for (std::uint64_t i = from; i < to; ++i) sum += Filtered(index, static_cast<std::uint32_t>(i));
    const float mean = sum / static_cast<float>(to - from);
    return mean < 0.0f ? 0.0f : mean;
  }
  if (!HasRateHistory(channel)) return Filtered(index, at);
  if (channel.RateValueAtFn == nullptr) return 0.0f;
  const std::uint32_t entry = rows.RowKind == ExportRows::Kind::History ? at : at / SamplesPerEntry(channel);
  const std::size_t last = std::max<std::size_t>(channel.RateDetector.History.size(), 1) - 1;
  return channel.RateValueAtFn(&channel, static_cast<std::uint32_t>(std::min<std::size_t>(entry, last)));
}

}  // namespace records
