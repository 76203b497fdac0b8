// Writing a surface to a PNG file, for tests and inspection.
#pragma once

#include <string>

#include "platform/surface.h"

namespace platform {

// Writes RGBA; returns false (and leaves no partial file) when the file cannot be written.
bool WritePng(const Surface& surface, const std::string& path);

}  // namespace platform
