// Code page 1251 <-> UTF-8 conversion for bytes that come from a file, the wire or the drawing surface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The Unicode code point of one code page 1251 byte (0x98, unassigned, maps to U+FFFD).
char32_t Cp1251ToUnicode(std::uint8_t byte);

// The code page 1251 byte of a code point, or '?' when the code page has none.
std::uint8_t UnicodeToCp1251(char32_t code_point);

std::string Cp1251ToUtf8(std::string_view bytes);

// Malformed UTF-8 sequences and characters outside the code page become '?'.
std::string Utf8ToCp1251(std::string_view utf8);

// Decodes the next code point of `utf8` at `pos` and advances `pos`; a malformed sequence yields
// U+FFFD and advances by one byte, so decoding always terminates.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);

}  // namespace platform
