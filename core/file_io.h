#pragma once
// Whole-file reading and writing with errors as values.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace core {

// Opens a file named by a UTF-8 path, like std::fopen. On Windows the name goes through the
// wide-character API, so names outside the ANSI code page open too.
std::FILE* openFile(const std::string& path, const char* mode);

// Files larger than `maxBytes` are refused with ErrorCode::TooLarge before anything is read.
Result<std::vector<std::uint8_t>> readFile(const std::string& path,
                                           std::uint64_t maxBytes = 256u << 20);
Status writeFile(const std::string& path, std::span<const std::uint8_t> data);

}  // namespace core
