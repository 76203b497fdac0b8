// The record writers and the text import that the save and load commands choose among, by file name.
#include "records/record_writers.h"

#include <string_view>

#include "records/sheet_record.h"
#include "records/text_record.h"

namespace records {
namespace {

bool WriteTextBytes(const GraphView& view, const SaveRange& range, bool english, std::vector<std::uint8_t>& out,
                    std::mutex* view_lock) {
  const std::string bytes = [&] {
    const std::unique_lock lock = view_lock != nullptr ? std::unique_lock(*view_lock) : std::unique_lock<std::mutex>();
    return WriteTextRecord(view, range, english);
  }();
  out.assign(bytes.begin(), bytes.end());
  return true;
}

bool WriteSheetBytes(const GraphView& view, const SaveRange& range, bool english, std::vector<std::uint8_t>& out,
                     std::mutex* view_lock) {
  const std::string bytes = WriteSheetRecordAside(view, range, english, view_lock);
  out.assign(bytes.begin(), bytes.end());
  return true;
}

TextImportResult ImportText(GraphView& view, std::span<const std::uint8_t> file, bool file_goes_on, const std::string& title) {
  return ReadTextRecord(view, std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), title, file_goes_on);
}

bool StreamText(const GraphView& view, const SaveRange& range, bool english, const TextPieceSink& sink,
                std::mutex* view_lock) {
  return StreamTextRecord(view, range, english, sink, view_lock);
}

}  // namespace

const RecordFormats& InstalledFormats() {
  static const RecordFormats formats{&WriteTextBytes, &WriteSheetBytes, &ImportText,
                                     &StreamText};
  return formats;
}

}  // namespace records
