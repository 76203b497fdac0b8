// The system's available physical memory, as the kernel reports it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// The "MemAvailable" line of a /proc/meminfo text, in bytes; none when absent or malformed.
std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo);
// Available physical memory in bytes; 0 when the kernel does not say.
std::uint64_t AvailablePhysicalMemory();

}  // namespace platform
