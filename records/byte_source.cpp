// Random-access reading of a file's bytes, from memory or from an open file, never past its end.
#include "records/byte_source.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace records {

bool MemorySource::ReadAt(std::uint64_t offset, void* out, std::size_t size) const {
  if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
  if (size > 0) std::memcpy(out, bytes_.data() + offset, size);
  return true;
}

std::size_t MemorySource::ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size() - offset));
  if (n > 0) std::memcpy(out, bytes_.data() + offset, n);
  return n;
}

FileSource::FileSource(const std::string& path) {
  // A pipe would hold the open until a writer comes: it is opened without waiting, then refused.
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) return;
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
}

FileSource::~FileSource() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileSource::ReadAt(std::uint64_t offset, void* out, std::size_t size) const {
  if (fd_ < 0 || offset > size_ || size > size_ - offset) return false;
  return ReadUpTo(offset, out, size) == size;
}

std::size_t FileSource::ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const {
  if (fd_ < 0) return 0;
  auto* p = static_cast<std::uint8_t*>(out);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    // A file that shrank while being read ends the read like a short file.
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void FileSource::Fetch(std::uint64_t offset, std::uint64_t size) const {
  if (fd_ < 0 || offset >= size_) return;
  size = std::min(size, size_ - offset);
  // The file's pages handed to the null device: the system reads them into its cache and drops
  // the hand-over; a failure leaves the read that follows to wait for the disk itself.
  const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (sink < 0) return;
  auto at = static_cast<off_t>(offset);
  const auto end = static_cast<off_t>(offset + size);
  while (at < end) {
    const ssize_t n = ::sendfile(sink, fd_, &at, static_cast<std::size_t>(end - at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
  }
  ::close(sink);
}

}  // namespace records
