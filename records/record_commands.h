// The save and load commands of the measurement screen, with their dialogs, checks and messages.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "records/record_writers.h"

class GraphView;

namespace platform {
class HostServices;
}

namespace records {

inline constexpr const char* kNoRoomMessage = "недостаточно места для записи";
inline constexpr const char* kNoRoomMessageEnglish = "not enough disk space for the record";
inline constexpr const char* kDamagedMessage = "Ошибка - файл повреждён";
inline constexpr const char* kDamagedMessageEnglish = "Error - the file is damaged";
inline constexpr const char* kWriteErrorMessage = "Ошибка записи файла";
inline constexpr const char* kWriteErrorMessageEnglish = "File write error";

// What the commands need of the main window. The menu closes its drop-down list before it calls
// a command and lets its File button up after it.
struct RecordCommandContext {
  GraphView& View;
  platform::HostServices& Host;
  // The main window's part of the record to save, and the title of the record's file.
  SaveRange& Range;
  std::string& RecordFileTitle;
  bool EnglishUi = false;
  const RecordFormats* Formats = nullptr;  // none: InstalledFormats()
  // Bytes free to the user on the disk that holds the path; none when unknown. Empty: the file
  // system is asked.
  std::function<std::optional<std::uint64_t>(const std::string& path)> FreeBytes;
};

// Saves the record, or with the view's SaveSelection the part between the markers, as the file
// the user names: ".out" in the binary layout, ".txt" as text, any other name as a spreadsheet.
// Ends with SaveSelection cleared, whatever happened.
void SaveRecord(RecordCommandContext& context);

// Loads the file the user names: a binary record, or any other name through the text import.
void OpenRecord(RecordCommandContext& context);

// The part of the record a save covers: the whole record, or with SaveSelection the samples from
// the first set marker's column to the second's (to the record's end with only one), ascending.
// Clears SaveSelection when no marker is set.
SaveRange ChooseSaveRange(GraphView& view);

}  // namespace records
