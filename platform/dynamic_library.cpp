// Run-time library loading through dlopen/dlsym.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace platform {

std::unique_ptr<DynamicLibrary> DynamicLibrary::Open(const std::string& name, std::string* error) {
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    if (error != nullptr) {
      const char* message = dlerror();
      *error = message != nullptr ? message : "dlopen failed";
    }
    return nullptr;
  }
  return std::make_unique<DynamicLibrary>(Token{}, handle);
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::Symbol(const char* name) const { return dlsym(handle_, name); }

}  // namespace platform
