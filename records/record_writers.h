// The record writers and the text import that the save and load commands choose among, by file name.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class GraphView;

namespace records {

// The part of the record a save writes: first sample and sample count.
struct SaveRange {
  std::uint32_t First = 0;
  std::uint32_t Count = 0;
};

// Builds a record file's bytes from the view, taking the view's lock `view_lock` (which the caller
// does not hold) to read the view; false when nothing can be written.
using RecordWriterFn = bool (*)(const GraphView& view, const SaveRange& range, bool english,
                                std::vector<std::uint8_t>& out, std::mutex* view_lock);
// Takes one piece of an export as it is written (about a quarter of a mebibyte, whole rows), with
// the rows written so far and the rows in all; false stops the export.
using TextPieceSink = std::function<bool(std::string_view piece, std::uint64_t rows_done, std::uint64_t rows_total)>;
// Writes an export piece by piece into the sink, taking the view's lock `view_lock` (which the
// caller does not hold) only to read the view; false when the sink refused a piece.
using RecordStreamFn = bool (*)(const GraphView& view, const SaveRange& range, bool english, const TextPieceSink& sink,
                                std::mutex* view_lock);
// What a text import took: the channels read (0 when nothing changed), and whether the file held
// more rows than the record took, with the rows it holds (0 when not all of it was read).
struct TextImportResult {
  std::uint32_t Channels = 0;
  bool Cut = false;
  std::uint32_t FileRows = 0;
};
// Reads a text record into the view from the file's bytes, which are its beginning only when
// `file_goes_on`.
using TextImportFn = TextImportResult (*)(GraphView& view, std::span<const std::uint8_t> file, bool file_goes_on,
                                          const std::string& title);

// The text and spreadsheet formats; an empty entry is a format this build cannot handle, whose
// save reports a write error and whose load changes nothing.
struct RecordFormats {
  RecordWriterFn WriteText = nullptr;
  RecordWriterFn WriteSheet = nullptr;
  TextImportFn ImportText = nullptr;
  // The text export in pieces, so that a long record's text is never held whole; none: WriteText.
  RecordStreamFn StreamText = nullptr;
};

// The formats the save and load commands use (records/record_writers.cpp fills them).
const RecordFormats& InstalledFormats();

}  // namespace records
