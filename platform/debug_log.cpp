// Diagnostics logs: files that are written only while open.
#include "platform/debug_log.h"

#include <cstdarg>

namespace platform {

bool DebugLog::Open(const std::string& path) {
  std::lock_guard lock(lock_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "w");
  return file_ != nullptr;
}

void DebugLog::Close() {
  std::lock_guard lock(lock_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool DebugLog::IsOpen() const {
  std::lock_guard lock(lock_);
  return file_ != nullptr;
}

void DebugLog::Write(const char* format, ...) {
  std::lock_guard lock(lock_);
  if (file_ == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(file_, format, arguments);
  va_end(arguments);
  std::fflush(file_);
}

DebugLog& MainDebugLog() {
  static DebugLog log;
  return log;
}

DebugLog& SecondDebugLog() {
  static DebugLog log;
  return log;
}

DebugLog& ScaleTestLog() {
  static DebugLog log;
  return log;
}

}  // namespace platform
