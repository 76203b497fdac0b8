// The save and load commands of the measurement screen, with their dialogs, checks and messages.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "records/record_writers.h"

class GraphView;

namespace platform {
class HostServices;
}

namespace records {

// What a save or a load tells the user when it cannot do what was asked.
enum class RecordMessage {
  NoRoom,             // the free space is too small for the record
  WriteFailed,        // the file could not be written, for a reason not named below
  NoFolder,           // the folder of the named file does not exist
  FolderNotWritable,  // the folder may not be written
  DiskFull,           // the disk filled while the file was written
  NotAFile,           // the name is a folder or a special file, not a file that can hold a record
  CannotOpen,         // the file to load could not be opened
  NotARecord,         // the file holds no record this program reads
  Damaged,            // the record is damaged: nothing, or only what was read, is loaded
  DamagedNothingRead, // the record could not be read after its check, and the one shown before is gone
  NothingToSave,      // no record is on show (none taken yet, or after New)
  TooShortToSave,     // the record holds too few samples to be worth a file
};

// The message in the interface's language.
std::string_view RecordMessageText(RecordMessage message, bool english);

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
// the user names (a record too short, or none, is told instead of the dialog): ".out" in the binary layout, ".txt" as text, any other name as a spreadsheet.
// Only a regular file or a new name in a folder that exists is written, and every failure is
// told; the file is replaced whole or not at all. Ends with SaveSelection cleared, whatever happened.
// True when a file was written.
bool SaveRecord(RecordCommandContext& context);

// Loads the file the user names: a binary record, or any other name through the text import. A
// file that cannot be opened, holds no record or is damaged is told, and the view keeps its record.
bool OpenRecord(RecordCommandContext& context);

// The part of the record a save covers: the whole record, or with SaveSelection the samples from
// the first set marker's column to the second's (to the record's end with only one), ascending.
// Clears SaveSelection when no marker is set.
SaveRange ChooseSaveRange(GraphView& view);

}  // namespace records
