// Documents shipped with the program, found beside its executable.
#include "platform/program_documents.h"

#include <filesystem>
#include <system_error>

namespace platform {

std::string ShippedDocumentAddress(std::string_view name) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error || program.empty()) return {};
  const fs::path folder = program.parent_path();
  for (const fs::path& place : {folder / "doc", folder.parent_path() / "doc"}) {
    const fs::path file = place / fs::path(name);
    if (fs::is_regular_file(file, error)) return "file://" + fs::weakly_canonical(file, error).string();
  }
  return {};
}

}  // namespace platform
