// Documents shipped with the program, found beside its executable.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The file address ("file:///...") of the document `name` shipped with the program in "doc/" beside
// the executable or one folder up; empty when neither holds it.
std::string ShippedDocumentAddress(std::string_view name);

}  // namespace platform
