#pragma once
// Conversion of the strings stored in a movie to UTF-8. SWF 6 and later store UTF-8; older
// movies store text in the author's ANSI code page, which we take to be Windows-1252 (the
// code page of the systems those movies were made on in the great majority of cases).

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Appends the UTF-8 form of one code point (below 0x110000).
void appendUtf8(std::string& out, std::uint32_t cp);

// Windows-1252 bytes to UTF-8. Bytes the code page leaves undefined map to U+FFFD.
std::string cp1252ToUtf8(std::string_view bytes);

// Keeps valid UTF-8 as is and replaces every invalid sequence with U+FFFD.
std::string sanitizeUtf8(std::string_view bytes);

// A movie string of the given SWF version as UTF-8.
std::string movieStringToUtf8(std::string_view bytes, unsigned swfVersion);

}  // namespace core
