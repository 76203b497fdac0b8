// A shared library loaded at run time, closed when the object goes away.
#pragma once

#include <memory>
#include <string>

namespace platform {

class DynamicLibrary {
 public:
  // Loads the library by name or path; empty on failure (Error() then tells why).
  static std::unique_ptr<DynamicLibrary> Open(const std::string& name, std::string* error = nullptr);
  struct Token {};  // keeps construction inside Open
  DynamicLibrary(Token, void* handle) : handle_(handle) {}
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Address of an exported symbol, or null when the library lacks it.
  void* Symbol(const char* name) const;

 private:
  void* handle_;
};

}  // namespace platform
