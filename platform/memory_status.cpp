// The system's available physical memory, as the kernel reports it.
#include "platform/memory_status.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace platform {

std::optional<std::uint64_t> ParseMemAvailable(std::string_view meminfo) {
  constexpr std::string_view kKey = "MemAvailable:";
  std::size_t at = meminfo.find(kKey);
  if (at == std::string_view::npos || (at != 0 && meminfo[at - 1] != '\n')) return std::nullopt;
  at += kKey.size();
  while (at < meminfo.size() && meminfo[at] == ' ') ++at;
  std::uint64_t kib = 0;
  const char* first = meminfo.data() + at;
  const char* last = meminfo.data() + meminfo.size();
  const auto [end, error] = std::from_chars(first, last, kib);
  if (error != std::errc() || end == first) return std::nullopt;
  // The kernel counts in KiB; a value beyond 64 bits in bytes is refused.
  if (kib > UINT64_MAX / 1024) return std::nullopt;
  return kib * 1024;
}

std::uint64_t AvailablePhysicalMemory() {
  std::ifstream file("/proc/meminfo");
  std::ostringstream text;
  text << file.rdbuf();
  return ParseMemAvailable(text.str()).value_or(0);
}

}  // namespace platform
