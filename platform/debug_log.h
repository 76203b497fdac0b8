// Diagnostics logs: files that are written only while open. In normal operation none is open and
// nothing is written.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace platform {

class DebugLog {
 public:
  DebugLog() = default;
  ~DebugLog() { Close(); }
  DebugLog(const DebugLog&) = delete;
  DebugLog& operator=(const DebugLog&) = delete;

  // Opens (truncates) the file; false when it cannot be created.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const;
  // One formatted line, flushed at once; nothing while the log is closed.
  void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  mutable std::mutex lock_;
  std::FILE* file_ = nullptr;
};

// The program's diagnostics log, the second one (record dumps) and the scale test's own file.
DebugLog& MainDebugLog();
DebugLog& SecondDebugLog();
DebugLog& ScaleTestLog();

}  // namespace platform
