// Writing a file whole through a temporary file beside it, renamed into place only when every byte got there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace records {

// A file being written: bytes go to a temporary file in the target's folder; Commit checks the
// close and renames it over the target. Until then, and after any failure, the target is as it
// was, and the temporary file is removed when the writer goes. A symbolic link is followed: the
// file it leads to is replaced and the link stays. A replaced file keeps its owner and
// permissions, and the data are on the disk before the rename.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once anything failed; Error() then says what.
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // The system's error number of the first failure; 0 while Ok().
  int ErrorNumber() const { return error_number_; }

  // Appends bytes; a short or failed write makes the writer fail. Returns Ok().
  bool Write(std::span<const std::uint8_t> bytes);
  bool Write(const void* data, std::size_t size);
  // Closes the temporary file and renames it into place; false (and the target untouched) when
  // any write, the close or the rename failed.
  bool Commit();

 private:
  void Fail(const char* what, int error_number);
  void Discard();

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
  bool committed_ = false;
  std::string error_;
  int error_number_ = 0;
};

// Writes bytes as the whole content of path; false with *error (when given) set on failure, the
// old file then left as it was.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error);

}  // namespace records
