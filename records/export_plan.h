// What the text and spreadsheet exports share: channel classification, the rows to write and each cell's value.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "channels/channel_filters.h"
#include "records/record_writers.h"

class GraphView;
class VessamorChannel;

namespace records {

// How the shown channels shape an export.
struct ExportPlan {
  std::vector<std::uint8_t> Shown;  // live-channel indexes, ascending
  std::uint32_t RateCount = 0;      // shown channels with a rate history
  std::uint32_t OtherCount = 0;
  bool PerSecond = false;
  std::uint8_t Decimation = 0;  // 1: rows at rate / 20, 2: at rate / 100
  bool Volume = false;
  std::optional<std::uint8_t> FrequencyChannel;

  bool HistorySheet() const { return OtherCount == 0 && RateCount == 1; }
};

// The rows of an export: history entries, whole seconds or samples (every Step-th).
struct ExportRows {
  enum class Kind { History, Seconds, Samples };
  Kind RowKind = Kind::Samples;
  std::uint32_t First = 0;
  std::uint32_t End = 0;  // exclusive
  std::uint32_t Step = 1;
};

// Calls visit(at, row) for each row: `at` the entry, second or sample, `row` counted from 0.
template <class Visit>
void ForEachRow(const ExportRows& rows, Visit visit) {
  std::uint32_t row = 0;
  for (std::uint64_t at = rows.First; at < rows.End; at += rows.Step) visit(static_cast<std::uint32_t>(at), row++);
}

// A channel every save writes: shown and holding samples (a sensor left out of the recording holds none).
bool SavedChannel(const VessamorChannel& channel);

ExportPlan ClassifyChannels(const GraphView& view);
// The two-channel record: every shown channel averaged per second, or one row per sample.
ExportPlan ClassifyTwoChannel(const GraphView& view, bool per_sample);

// Rows for `range`, at most `row_limit` of them; a whole-record history sheet takes the history's length.
ExportRows PlanRows(const GraphView& view, const ExportPlan& plan, SaveRange range, std::uint32_t row_limit,
                    bool whole_history);

// The sampling rate the exports divide by; never 0.
std::uint32_t ExportRate(const GraphView& view);
bool HasRateHistory(const VessamorChannel& channel);
std::uint32_t SamplesPerEntry(const VessamorChannel& channel);
std::uint32_t SecondsPerEntry(const VessamorChannel& channel);
// The seconds per entry of the plan's frequency channel, 0 without one.
std::uint32_t FrequencySeconds(const GraphView& view, const ExportPlan& plan);
std::uint32_t CountMarkedPoints(const GraphView& view);

// "%.*f" in the "C" convention, whatever the locale.
std::string FixedText(double value, int decimals);

// Column 0 of a row: the sample's time, the second's end or the history entry's end.
double RowTime(const GraphView& view, const ExportPlan& plan, const ExportRows& rows, std::uint32_t at);
// Reads the cells of an export row after row; each channel's filter windows are carried from one
// sample to the next. Without `codes_lock` the codes are read where they stand in the view (the
// caller holds the view lock, or nothing else touches the view); with it, from copies of a few
// tens of thousands of codes at a time, each taken under that lock, so that a reader formatting
// the cells beside the window holds the view lock only while it copies. The channels' settings and
// rate histories are read as they stand: the save that exports holds the window's input, and no
// recording runs, so nothing changes them meanwhile.
class CellReader {
 public:
  explicit CellReader(const GraphView& view, std::mutex* codes_lock = nullptr) : View(view), CodesLock(codes_lock) {}
  // A channel's value in a row, as both exports write it.
  float Value(std::uint8_t channel, const ExportRows& rows, std::uint32_t at);

 private:
  // Codes of one channel copied from the view: samples First up to End.
  struct CodeCopy {
    std::vector<std::int16_t> Codes;
    std::uint32_t First = 0;
    std::uint32_t End = 0;
  };
  float Filtered(std::uint8_t channel, std::uint32_t index);
  // Makes the channel's copy hold what its reader reads for `sample`.
  void Cover(std::uint8_t channel, std::uint32_t sample, FilteredSampleReader& reader);

  const GraphView& View;
  std::mutex* CodesLock;
  std::array<std::unique_ptr<FilteredSampleReader>, 4> Readers;
  std::array<CodeCopy, 4> Copies;
};

}  // namespace records
