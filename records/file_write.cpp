// Writing a file whole through a temporary file beside it, renamed into place only when every byte got there.
#include "records/file_write.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
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

// The file a name leads to: a symbolic link is followed (to a target that may not exist yet), so
// that a save replaces the target and leaves the link as it is.
std::string FollowLinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    if (n <= 0) return path;
    const std::string link(target, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    path = link.front() == '/' || slash == std::string::npos ? link : path.substr(0, slash + 1) + link;
  }
  return path;
}

// Flushes the folder's entry of a renamed file; a file system that cannot is left as it is.
void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(FollowLinks(std::move(path))) {
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    temp_path_ = TemporaryName(path_, attempt);
    // 0666 less the umask, as any new file of the user's would have.
    fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0 || errno != EEXIST) break;
  }
  if (fd_ < 0) {
    Fail("cannot create", errno);
    temp_path_.clear();
    return;
  }
  // A file that is replaced keeps its owner and its permissions.
  struct stat old {};
  if (::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0) {
      // Only its owner or the administrator may give a file away; the group alone may still go.
      [[maybe_unused]] const int ignored = ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
    }
    [[maybe_unused]] const int kept = ::fchmod(fd_, old.st_mode & 07777);
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
  // The data are on the disk before the name points at them, so a crash leaves the old file or
  // the new one whole; a delayed write error shows here or at the close, and the rename waits for it.
  const int fd = fd_;
  fd_ = -1;
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    const int error = errno;
    ::close(fd);
    Fail("cannot write", error);
    Discard();
    return false;
  }
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
  SyncFolderOf(path_);
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
