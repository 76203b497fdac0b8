// Writing a file whole through a temporary file beside it, renamed into place only when every byte got there.
#include "records/file_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace records {

namespace {

// A name beside the target that no other writer of this process or another one picks.
std::string TemporaryName(const std::string& path, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(attempt);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    temp_path_ = TemporaryName(path_, attempt);
    // 0666 less the umask, as any new file of the user's would have.
    fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) {
    Fail("cannot create", errno);
    temp_path_.clear();
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  if (!committed_) Discard();
}

void AtomicFileWriter::Fail(const char* what, int error_number) {
  if (!error_.empty()) return;
  error_number_ = error_number;
  error_ = std::string(what) + " " + (temp_path_.empty() ? path_ : temp_path_) + ": " + std::strerror(error_number);
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
  temp_path_.clear();
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
  if (!Ok()) return false;
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write of nothing with no error is a full disk as well.
      Fail("cannot write", n < 0 ? errno : ENOSPC);
      Discard();
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFileWriter::Write(std::span<const std::uint8_t> bytes) { return Write(bytes.data(), bytes.size()); }

bool AtomicFileWriter::Commit() {
  if (!Ok() || committed_) return Ok() && committed_;
  // A delayed write error shows at the close; the rename waits for it.
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    Fail("cannot close", errno);
    Discard();
    return false;
  }
  if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
    Fail("cannot replace", errno);
    Discard();
    return false;
  }
  committed_ = true;
  temp_path_.clear();
  return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
  AtomicFileWriter writer(path);
  writer.Write(bytes);
  const bool ok = writer.Commit();
  if (!ok && error != nullptr) *error = writer.Error();
  return ok;
}

}  // namespace records
