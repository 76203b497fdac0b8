// The program's own binary record file (".out"): its writer and its checked reader.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "records/byte_source.h"
#include "records/loaded_record.h"
#include "records/record_writers.h"

class GraphView;

namespace records {

// The version this program writes; '0' and '1' are read as well.
inline constexpr std::uint8_t kBinaryRecordVersion = '2';

// The file of the view's shown channels with codes, samples range.First onwards, range.Count of
// them (fewer when a channel holds fewer). The caller holds ViewLock or the view is idle.
std::vector<std::uint8_t> WriteBinaryRecord(const GraphView& view, const SaveRange& range);

// Takes each piece of a file in turn; false stops the file there.
using BytesSink = std::function<bool(const void* data, std::size_t size)>;
// The same file handed to `write` piece by piece, the codes straight from the view's buffer a few
// mebibytes at a time: false when a write failed. A caller whose view changes only by codes added
// after the range may let the view lock go for a moment at each `pause`, between pieces of codes.
bool StreamBinaryRecord(const GraphView& view, const SaveRange& range, const BytesSink& write,
                        const std::function<void()>& pause = {});

enum class ReadOutcome {
  NotARecord,  // no magic or an unknown version: the user is told, and nothing changes
  Refused,     // damaged beyond use: the user is told, and nothing changes
  Loaded,      // checked; Record.Damaged says whether a section ended early
};

struct BinaryRead {
  ReadOutcome Outcome = ReadOutcome::NotARecord;
  LoadedRecord Record;
};

// Reads and checks a record for a view of sample_capacity codes: the whole header, the history
// entries, and the place and count of each channel's codes, measured against the file's size. The
// codes stay in the file (Record.CodeSource is `source`), for the hand-over to read straight into
// the view. Never reads past the source's end and never keeps more codes or history entries than
// the view could hold.
BinaryRead CheckBinaryRecord(const ByteSource& source, std::uint32_t sample_capacity);
// The same with the codes read into the record's channels: a record that holds them itself.
BinaryRead ReadBinaryRecord(const ByteSource& source, std::uint32_t sample_capacity);

}  // namespace records
