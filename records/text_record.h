// The text record: the bilingual column export and the import of the older code-word layout.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/export_plan.h"
#include "records/record_writers.h"

class GraphView;

namespace records {

// The export of `range` as code page 1251 text with CR LF line ends, ready to be written as it is.
std::string WriteTextRecord(const GraphView& view, SaveRange range, bool english);
// The two-channel record's export: per-second rows, or (per_sample) one row per sample.
std::string WriteTextRecordAlt(const GraphView& view, SaveRange range, bool english, bool per_sample);

// The export of `range` (the two-channel record's when the view holds one) handed over piece by
// piece in order, so that no more than a piece of it is held; false when the sink refused a piece.
// With `codes_lock` (the view's lock, not held by the caller) the view is read only under it: the
// head whole, the codes a few tens of thousands at a time (CellReader); the cells are worked out and
// formatted, and the pieces handed over, with the lock free. Without it the caller holds the lock or
// nothing else touches the view.
bool StreamTextRecord(const GraphView& view, SaveRange range, bool english, const TextPieceSink& sink,
                      std::mutex* codes_lock = nullptr);

// A text record as read, before it touches the view.
struct TextRecordImport {
  std::uint16_t SensorCode = 0;
  std::uint32_t Rate = 0;
  // One code array per channel, all of the same length, and each channel's sensor kind.
  std::vector<std::vector<std::int16_t>> Codes;
  std::vector<std::uint16_t> Kinds;
  // The file holds more rows than were read: the rows end at the last whole row within the
  // limit. FileRows counts the file's rows when the bytes held all of them, else it is 0.
  bool Cut = false;
  std::uint32_t FileRows = 0;
};

// Reads a record of the older layout; none for a file that is not one. At most `sample_capacity`
// codes are read in all. With `file_goes_on` the bytes are the file's beginning only: a row they
// end inside is not read.
std::optional<TextRecordImport> ParseTextRecord(std::string_view bytes, std::uint32_t sample_capacity,
                                                bool file_goes_on = false);

// Loads a text record into the view: the number of channels read (0 when nothing was changed), and
// whether the file held more than the record took (see TextRecordImport).
TextImportResult ReadTextRecord(GraphView& view, std::string_view bytes, const std::string& title, bool file_goes_on = false);

}  // namespace records
