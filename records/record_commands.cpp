// The save and load commands of the measurement screen, with their dialogs, checks and messages.
#include "records/record_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "channels/main_window_services.h"
#include "graph/graph_view.h"
#include "platform/aside_progress.h"
#include "platform/host_services.h"
#include "platform/window_core.h"
#include "records/binary_record.h"
#include "records/byte_source.h"
#include "records/export_plan.h"
#include "records/file_write.h"
#include "records/loaded_record.h"
#include "records/sheet_record.h"

namespace records {

namespace {

enum class RecordKind { Binary, Text, Sheet };

// The save dialog's filters in order; a name typed without an extension takes the chosen one's.
const char* const kFilterExtensions[] = {".out", ".xls", ".txt"};
// Bytes per sample of each shown channel, to judge the free space before writing.
constexpr std::uint64_t kBinaryBytesPerSample = 2;
constexpr std::uint64_t kTextBytesPerSample = 40;
constexpr std::uint64_t kSheetBytesPerSample = 19;
// Only this share of the free space may be used, in percent.
constexpr std::uint64_t kUsableSpacePercent = 70;
// A record of this many samples or fewer is not worth a file.
constexpr std::uint32_t kShortestSavedLastIndex = 10;
// The text import reads no further than this: far more rows than any view holds.
constexpr std::uint64_t kTextImportLimit = 256ull << 20;

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Seconds to a tenth, without the decimal when it is 0, in the "C" convention.
std::string FixedSeconds(double seconds) {
  char buffer[32];
  seconds = std::round(seconds * 10.0) / 10.0;
  const bool whole = seconds == std::floor(seconds);
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, whole ? 0 : 1).ptr;
  return std::string(buffer, end);
}

std::string FileTitle(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The last extension of the file name, lower case with its dot; empty when there is none.
std::string LastExtension(const std::string& path) {
  const std::string title = FileTitle(path);
  const std::size_t dot = title.find_last_of('.');
  if (dot == std::string::npos || dot == 0) return {};
  return Lower(title.substr(dot));
}

RecordKind KindOf(const std::string& path) {
  const std::string extension = LastExtension(path);
  if (extension == ".out") return RecordKind::Binary;
  if (extension == ".txt") return RecordKind::Text;
  return RecordKind::Sheet;
}

std::uint64_t BytesPerSample(RecordKind kind) {
  switch (kind) {
    case RecordKind::Binary: return kBinaryBytesPerSample;
    case RecordKind::Text: return kTextBytesPerSample;
    case RecordKind::Sheet: return kSheetBytesPerSample;
  }
  return kSheetBytesPerSample;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::optional<std::uint64_t> FileSystemFreeBytes(const std::string& path) {
  const std::string folder = FolderOf(path);
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

struct MessageRow {
  RecordMessage Id;
  std::string_view Ru;
  std::string_view En;
};

constexpr MessageRow kMessages[] = {
    {RecordMessage::NoRoom, "недостаточно места для записи", "Not enough room on the disk for the record"},
    {RecordMessage::WriteFailed, "Ошибка записи файла", "File write error"},
    {RecordMessage::NoFolder, "Ошибка записи файла: папка не существует", "File write error: the folder does not exist"},
    {RecordMessage::FolderNotWritable, "Ошибка записи файла: нет права записи в папку",
     "File write error: the folder may not be written"},
    {RecordMessage::DiskFull, "Ошибка записи файла: диск заполнен", "File write error: the disk is full"},
    {RecordMessage::NotAFile, "Ошибка записи файла: это не файл", "File write error: this is not a file"},
    {RecordMessage::CannotOpen, "Ошибка - файл не открывается", "Error - the file cannot be opened"},
    {RecordMessage::NotARecord, "Ошибка - в файле нет записи", "Error - the file holds no record"},
    {RecordMessage::Damaged, "Ошибка - файл повреждён", "Error - the file is damaged"},
    {RecordMessage::DamagedNothingRead, "Ошибка - файл повреждён: из него ничего не прочитано, прежняя запись закрыта",
     "Error - the file is damaged: nothing of it could be read, and the record shown before is closed"},
    {RecordMessage::NothingToSave, "Нет записи для сохранения", "There is no record to save"},
    {RecordMessage::TooShortToSave, "Запись слишком короткая: сохраняется запись длиннее 11 отсчётов",
     "The record is too short: only a record of more than 11 samples is saved"},
};

// Tells the user what failed, with the file's name under the message.
void Tell(RecordCommandContext& context, RecordMessage message, const std::string& path) {
  context.Host.ShowMessage(std::string(RecordMessageText(message, context.EnglishUi)) + "\n" + path, "");
}

// A load that ends with the message: nothing new is shown.
bool Refuse(RecordCommandContext& context, RecordMessage message, const std::string& path) {
  Tell(context, message, path);
  return false;
}

// Why a save to path cannot be tried: a name that is there must be a regular file, and a new
// name needs a folder that exists and may be written. Nothing of a file is read.
std::optional<RecordMessage> TargetProblem(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return RecordMessage::NotAFile;
  } else if (errno != ENOENT) {
    return errno == ENOTDIR ? RecordMessage::NoFolder : RecordMessage::WriteFailed;
  }
  const std::string folder = FolderOf(path);
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return RecordMessage::NoFolder;
  // A folder of the kernel's own (/proc, /sys) sits on a file system without room for any file.
  struct statvfs space {};
  const bool no_room_at_all = ::statvfs(folder.c_str(), &space) == 0 && space.f_blocks == 0;
  if (no_room_at_all || ::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) != 0) {
    return RecordMessage::FolderNotWritable;
  }
  return std::nullopt;
}

RecordMessage WriteProblem(int error_number) {
  switch (error_number) {
    case ENOENT:
    case ENOTDIR: return RecordMessage::NoFolder;
    case EACCES:
    case EPERM:
    case EROFS: return RecordMessage::FolderNotWritable;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return RecordMessage::DiskFull;
    case EISDIR: return RecordMessage::NotAFile;
    default: return RecordMessage::WriteFailed;
  }
}

void RedrawView(GraphView& view) {
  if (view.MainWindow != nullptr) view.MainWindow->InvalidateLocal(view.ViewRect);
}

const RecordFormats& FormatsOf(const RecordCommandContext& context) {
  return context.Formats != nullptr ? *context.Formats : InstalledFormats();
}

// The name the save dialog offers: the record's, without the extension of a record file.
std::string OfferedName(const std::string& record_name) {
  const std::string extension = LastExtension(record_name);
  if (extension == ".out" || extension == ".txt") return record_name.substr(0, record_name.size() - extension.size());
  return record_name;
}

// The filters restart on the next pass, so the saved record's columns are drawn afresh.
void RestartFilters(GraphView& view) {
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) {
    VessamorChannel& ch = view.Channel(k);
    if (ch.BandPassOn != 0) ch.ResetBandPass();
    if (ch.NotchOn != 0) ch.ResetNotchCascade();
    ch.ResetColumnReduction();
  }
}

// The bytes of a text or sheet file; false when this build has no writer for it. The writer holds the
// view lock only while it reads the view.
bool BuildFile(const RecordCommandContext& context, RecordKind kind, const SaveRange& range,
               std::vector<std::uint8_t>& bytes) {
  GraphView& view = context.View;
  {
    std::lock_guard lock(view.ViewLock);
    RestartFilters(view);
  }
  const RecordWriterFn writer = kind == RecordKind::Text ? FormatsOf(context).WriteText : FormatsOf(context).WriteSheet;
  return writer != nullptr && writer(view, range, context.EnglishUi, bytes, &view.ViewLock);
}

std::string_view SavingText(const RecordCommandContext& context) {
  return context.EnglishUi ? "Writing the file" : "Запись файла";
}

// The text export written piece by piece as it is made, each piece's rows counted in `progress`, so
// that a long record's text is never held whole. The stream holds the view lock only to copy what it
// reads of the view, and formats and writes with it free: a paint meanwhile never waits for a piece.
// Run aside; false when a piece could not be written.
bool StreamTextFile(RecordCommandContext& context, RecordStreamFn stream, AtomicFileWriter& writer,
                    platform::AsideProgress& progress) {
  GraphView& view = context.View;
  {
    std::lock_guard lock(view.ViewLock);
    RestartFilters(view);
  }
  const auto sink = [&](std::string_view piece, std::uint64_t done, std::uint64_t rows) {
    const bool ok = writer.Write(piece.data(), piece.size());
    const std::uint64_t total = std::max<std::uint64_t>(rows, 1);
    if (ok && done < total) progress.Set(done, total);
    return ok;
  };
  return stream(view, context.Range, context.EnglishUi, sink, &view.ViewLock);
}

// A file of that name is there: the user says whether it is replaced. Asked about the very name
// that is written, after the extension is added.
bool MayReplace(RecordCommandContext& context, const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return true;
  const std::string question = context.EnglishUi ? "The file " + path + " already exists.\nReplace it?"
                                                 : "Файл " + path + " уже существует.\nЗаменить его?";
  return context.Host.AskYesNo(question, "");
}

bool SaveChosenFile(RecordCommandContext& context, std::string path, int filter_index) {
  GraphView& view = context.View;
  if (view.LastSampleIndex <= kShortestSavedLastIndex) return false;
  if (LastExtension(path).empty() && filter_index >= 1 && filter_index <= 3) path += kFilterExtensions[filter_index - 1];
  const RecordKind kind = KindOf(path);
  if (const auto problem = TargetProblem(path)) {
    Tell(context, *problem, path);
    RedrawView(view);
    return false;
  }
  if (!MayReplace(context, path)) {
    RedrawView(view);
    return false;
  }

  std::uint8_t shown = 0;
  for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) shown += SavedChannel(view.Channel(k)) ? 1 : 0;
  const std::uint64_t estimate = shown * static_cast<std::uint64_t>(view.LastSampleIndex) * BytesPerSample(kind);
  const auto free_bytes = context.FreeBytes ? context.FreeBytes(path) : FileSystemFreeBytes(path);
  if (free_bytes && estimate > *free_bytes / 100 * kUsableSpacePercent) {
    Tell(context, RecordMessage::NoRoom, path);
    RedrawView(view);
    return false;
  }

  const RecordStreamFn stream = kind == RecordKind::Text ? FormatsOf(context).StreamText : nullptr;
  std::optional<AtomicFileWriter> writer;
  bool committed = false;
  // The text's rows are formatted and written aside, the window drawn meanwhile and the progress box
  // following the rows, and then the file's last bytes, its flush to the disk and its rename.
  if (stream != nullptr) {
    platform::AsideProgress progress;
    context.Host.RunAsideCounted(
        SavingText(context),
        [&] {
          writer.emplace(path);
          if (writer->Ok()) StreamTextFile(context, stream, *writer, progress);
          committed = writer->Commit();
        },
        progress);
    context.Host.ShowProgress(SavingText(context), 1, 1);
  } else if (kind == RecordKind::Binary) {
    // A record file goes out aside, its codes from the view in pieces, each copied under the view
    // lock and written with it free: a paint meanwhile waits for no write.
    context.Host.RunAside(SavingText(context), [&] {
      writer.emplace(path);
      {
        constexpr std::size_t kBytesATake = std::size_t{1} << 18;
        std::vector<std::uint8_t> piece;
        std::unique_lock lock(view.ViewLock);
        RestartFilters(view);
        const auto write = [&](const void* data, std::size_t size) {
          const auto* bytes = static_cast<const std::uint8_t*>(data);
          for (std::size_t done = 0; done < size;) {
            const std::size_t n = std::min(kBytesATake, size - done);
            piece.assign(bytes + done, bytes + done + n);
            lock.unlock();
            const bool ok = writer->Write(piece.data(), n);
            lock.lock();
            if (!ok) return false;
            done += n;
          }
          return true;
        };
        StreamBinaryRecord(view, context.Range, write);
      }
      committed = writer->Commit();
    });
  } else {
    // The file's bytes are made aside too, the view lock held only while the view is read.
    bool built = false;
    context.Host.RunAside(SavingText(context), [&] {
      std::vector<std::uint8_t> bytes;
      built = BuildFile(context, kind, context.Range, bytes);
      if (!built) return;
      writer.emplace(path);
      writer->Write(bytes);
      committed = writer->Commit();
    });
    if (!built) {
      Tell(context, RecordMessage::WriteFailed, path);
      RedrawView(view);
      return false;
    }
  }
  if (!committed) {
    Tell(context, WriteProblem(writer->ErrorNumber()), path);
    RedrawView(view);
    return false;
  }
  if (kind == RecordKind::Sheet) {
    const SheetRows rows = [&] {
      std::lock_guard lock(view.ViewLock);
      return CountSheetRows(view, context.Range);
    }();
    if (rows.Kept < rows.Wanted) {
      const std::string kept = std::to_string(rows.Kept), wanted = std::to_string(rows.Wanted);
      context.Host.ShowMessage(context.EnglishUi ? "The sheet holds the first " + kept + " rows of " + wanted + ":\n" + path
                                                 : "В таблицу записаны первые " + kept + " строк из " + wanted + ":\n" + path,
                               "");
    }
  }
  // The record takes the name of the file that now holds all of it.
  if (kind == RecordKind::Binary && view.SaveSelection == 0) {
    context.RecordFileTitle = FileTitle(path);
    view.RecordName = context.RecordFileTitle;
  }
  RedrawView(view);
  return true;
}

// A file longer than the view holds is shown from its start as far as the view reaches. The user is
// told how much (of how much, when the file's length in samples is known: not 0), and the record is
// named as the part it is, so that no save of it offers to replace the whole file.
void TellPartShown(RecordCommandContext& context, std::uint32_t file_samples, const std::string& path) {
  GraphView& view = context.View;
  const std::uint32_t shown = view.LastSampleIndex + 1u;
  const double rate = view.RecordRate != 0 ? view.RecordRate : kDefaultRecordRate;
  const auto seconds = [&](std::uint32_t samples) { return FixedSeconds(samples / rate); };
  const std::string part = seconds(shown);
  // A file read only in part (beyond the read limit) has a length the load does not know.
  const bool known = file_samples != 0;
  const std::string whole = known ? (context.EnglishUi ? " of " : " из ") + seconds(file_samples) + (context.EnglishUi ? " s" : " с") : "";
  const std::string counts =
      std::to_string(shown) + (known ? (context.EnglishUi ? " of " : " из ") + std::to_string(file_samples) : "");
  context.Host.ShowMessage(
      context.EnglishUi ? "The file is longer than the record can hold: the first " + part + " s" + whole + " are shown (" +
                              counts + " samples per channel).\n" + path
                        : "Файл длиннее, чем вмещает запись: показаны первые " + part + " с" + whole + " (" + counts +
                              " отсчётов на канал).\n" + path,
      "");
  const std::string title = FileTitle(path);
  const std::string extension = LastExtension(title);
  view.RecordName = title.substr(0, title.size() - extension.size()) + "_0-" + part + "s" + title.substr(title.size() - extension.size());
  context.RecordFileTitle = view.RecordName;
}

}  // namespace

std::string_view RecordMessageText(RecordMessage message, bool english) {
  for (const MessageRow& row : kMessages) {
    if (row.Id == message) return english ? row.En : row.Ru;
  }
  return {};
}

SaveRange ChooseSaveRange(GraphView& view) {
  const MarkerRecord* first = nullptr;
  const MarkerRecord* second = nullptr;
  for (const MarkerRecord& marker : view.Markers) {
    if (marker.Set == 0) continue;
    if (first == nullptr) {
      first = &marker;
    } else if (second == nullptr) {
      second = &marker;
    }
  }
  if (first == nullptr) view.SaveSelection = 0;
  if (view.SaveSelection == 0) return {0, view.LastSampleIndex + 1};
  // The part runs from the earlier marker's column to the end of the later one's, in whichever
  // order they were set.
  if (second != nullptr && second->Column < first->Column) std::swap(first, second);

  const VessamorChannel& time_base = view.Channel(0);
  auto column = [&](const MarkerRecord& marker) -> const ColumnRecord* {
    if (time_base.Columns == nullptr || marker.Column >= time_base.ColumnCapacity) return nullptr;
    return &time_base.Columns[marker.Column];
  };
  const ColumnRecord* from = column(*first);
  std::uint32_t start = from != nullptr ? from->FirstSample : 0;
  std::uint32_t end = view.LastSampleIndex;
  if (second != nullptr) {
    const ColumnRecord* to = column(*second);
    if (to != nullptr) end = to->FirstSample + (to->SampleCount > 0 ? to->SampleCount - 1 : 0);
  }
  start = std::min(start, view.LastSampleIndex);
  end = std::min(end, view.LastSampleIndex);
  if (end < start) std::swap(start, end);  // a column table that no longer matches the markers
  return {start, end + 1 - start};
}

bool SaveRecord(RecordCommandContext& context) {
  GraphView& view = context.View;
  // Nothing of the window's input reaches the record, the view or the channels while the file is
  // made, and a close waits for the save's end.
  const platform::InputHoldScope hold(context.Host.Window());
  bool written = false;
  if (view.RecordViewable == 0 || view.LastSampleIndex <= kShortestSavedLastIndex) {
    const RecordMessage why = view.RecordViewable == 0 ? RecordMessage::NothingToSave : RecordMessage::TooShortToSave;
    context.Host.ShowMessage(RecordMessageText(why, context.EnglishUi), "");
  } else {
    context.Range = ChooseSaveRange(view);
    platform::FileDialogRequest request;
    const bool english = context.EnglishUi;
    request.title = english ? "Save record" : "Сохранить запись";
    request.filters = {{english ? "Record" : "Запись", "*.out"}, {"Excel", "*.xls"}, {english ? "Text" : "Текст", "*.txt"}};
    request.filterIndex = 1;
    request.initialName = OfferedName(view.RecordName);
    // The dialog returns the name as typed; the save asks about the file it will write.
    request.confirmOverwrite = false;
    if (const auto chosen = context.Host.SaveFileDialog(request)) written = SaveChosenFile(context, chosen->path, chosen->filterIndex);
  }
  view.SaveSelection = 0;
  return written;
}

namespace {

// Brings the stretch of the file that holds the codes a load keeps into memory.
void FetchCodes(const ByteSource& file, const LoadedRecord& record) {
  std::uint64_t from = file.Size();
  std::uint64_t to = 0;
  for (const LoadedChannel& c : record.Channels) {
    if (c.FileCodes == 0) continue;
    from = std::min(from, c.FileCodesAt);
    to = std::max<std::uint64_t>(to, c.FileCodesAt + 2ull * c.FileCodes);
  }
  if (from < to) file.Fetch(from, to - from);
}

}  // namespace

bool OpenRecord(RecordCommandContext& context) {
  GraphView& view = context.View;
  // The units write into the channels while they record: a load would pull the buffer from under them.
  if (view.Recording.load() != 0) return false;
  // The window's input waits for the load's end, as it does for a save's.
  const platform::InputHoldScope hold(context.Host.Window());
  platform::FileDialogRequest request;
  request.title = context.EnglishUi ? "Load record" : "Загрузить запись";
  request.filters = {{context.EnglishUi ? "Record" : "Запись", "*.out"}};
  request.filterIndex = 1;
  request.defaultExtension = "out";
  const auto chosen = context.Host.OpenFileDialog(request);
  if (!chosen) return false;
  const std::string& path = chosen->path;
  FileSource file(path);
  if (!file.Ok()) return Refuse(context, RecordMessage::CannotOpen, path);
  const std::string title = FileTitle(path);

  if (LastExtension(path) != ".out") {
    const TextImportFn import = FormatsOf(context).ImportText;
    const bool goes_on = file.Size() > kTextImportLimit;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(file.Size(), kTextImportLimit)));
    if (!file.ReadAt(0, bytes.data(), bytes.size())) return Refuse(context, RecordMessage::CannotOpen, path);
    const TextImportResult read = import != nullptr ? import(view, bytes, goes_on, title) : TextImportResult{};
    if (read.Channels == 0) return Refuse(context, RecordMessage::NotARecord, path);
    context.RecordFileTitle = title;
    if (read.Cut) TellPartShown(context, read.FileRows, path);
    if (view.MainWindow != nullptr) {
      view.Sweep.FullRedraw = 1;
      view.MainWindow->InvalidateLocal();
    }
    return true;
  }

  // The file is checked and its codes read aside into a buffer of their own, the window drawn
  // meanwhile from the record it shows; the hand-over on the window thread then takes that buffer as
  // the view's. Without the memory for a second buffer the file's pages are brought from the disk and
  // the view's pages taken from the system aside, and the hand-over reads the codes, a copy alone.
  BinaryRead read;
  const std::uint32_t capacity = view.SampleCapacity;
  const std::string_view loading = context.EnglishUi ? "Loading the record" : "Загрузка записи";
  context.Host.RunAside(loading, [&] { read = CheckBinaryRecord(file, capacity); });
  if (read.Outcome == ReadOutcome::NotARecord) return Refuse(context, RecordMessage::NotARecord, path);
  if (read.Outcome == ReadOutcome::Refused) return Refuse(context, RecordMessage::Damaged, path);
  context.Host.RunAside(loading, [&] {
    ReadCodesAhead(view, read.Record);
    if (!read.Record.ReadyCodes.empty()) return;
    FetchCodes(file, read.Record);
    PrepareHandOver(view, read.Record);
  });
  const AppliedRecord applied = ApplyLoadedRecord(view, std::move(read.Record), title);
  if (applied.Emptied) {
    // The file shrank, or the disk failed, after the check: the screen shows that no record is left.
    if (view.MainWindow != nullptr) {
      view.Sweep.FullRedraw = 1;
      view.MainWindow->InvalidateLocal();
    }
    bool nothing_read = true;
    for (std::size_t k = 0; k < GraphView::kLiveChannels; ++k) nothing_read = nothing_read && view.Channel(k).CodeCount == 0;
    return Refuse(context, nothing_read ? RecordMessage::DamagedNothingRead : RecordMessage::Damaged, path);
  }
  if (applied.ViewSetUp && view.MainWindow != nullptr) {
    if (applied.MarkersCleared < 2) {
      view.MainWindow->InvalidateLocal(view.ViewRect);
    } else {
      view.Sweep.FullRedraw = 1;
      view.MainWindow->InvalidateLocal();
    }
  }
  // The buffer the view gave up goes back to the system aside, while the window draws the record.
  if (!read.Record.ReadyCodes.empty()) {
    context.Host.RunAside(loading, [&] {
      GiveBackPages(read.Record.ReadyCodes.data(), read.Record.ReadyCodes.size() * sizeof(std::int16_t));
      read.Record.ReadyCodes = CodeVector();
    });
  }
  // The message stands over the record as far as it was read.
  if (read.Record.Damaged || applied.ReadFailed) Tell(context, RecordMessage::Damaged, path);
  if (!applied.ViewSetUp) return false;
  context.RecordFileTitle = title;
  if (!read.Record.Damaged && !applied.ReadFailed && view.LastSampleIndex + 1u < read.Record.FileSamples) {
    TellPartShown(context, read.Record.FileSamples, path);
  }
  return true;
}

}  // namespace records
