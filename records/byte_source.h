// Random-access reading of a file's bytes, from memory or from an open file, never past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace records {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Copies size bytes from offset; false, with nothing promised of out, when they are not all there.
  virtual bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const = 0;
  // Copies as many of size bytes from offset as are there: the number copied, fewer than size when
  // the source ends first (a file that shrank since it was opened ends where it now ends).
  virtual std::size_t ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const {
    return ReadAt(offset, out, size) ? size : 0;
  }
  // Makes size bytes from offset quick to read: a file's are brought from the disk into memory.
  virtual void Fetch(std::uint64_t offset, std::uint64_t size) const {
    (void)offset;
    (void)size;
  }
};

class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const override;
  std::size_t ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// A file opened for reading; Ok() is false when it could not be opened.
class FileSource final : public ByteSource {
 public:
  explicit FileSource(const std::string& path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool Ok() const { return fd_ >= 0; }
  std::uint64_t Size() const override { return size_; }
  bool ReadAt(std::uint64_t offset, void* out, std::size_t size) const override;
  std::size_t ReadUpTo(std::uint64_t offset, void* out, std::size_t size) const override;
  // Waits for the disk, copying nothing into the program: a read of the bytes after it is a copy
  // from the system's cache alone.
  void Fetch(std::uint64_t offset, std::uint64_t size) const override;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

}  // namespace records
