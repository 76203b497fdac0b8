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
// them (fewer when a channel holds fewer). The caller holds ViewLock or the view is idle. A caller
// whose view changes only by codes added after the range may let the lock go for a moment at each
// `pause`, called between pieces of a few mebibytes of the codes.
std::vector<std::uint8_t> WriteBinaryRecord(const GraphView& view, const SaveRange& range,
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
