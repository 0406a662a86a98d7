#pragma once
// A file loader for PlayerOptions::loadFile that reads files in the folder of a movie file.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace player {

// Files larger than this are not loaded.
inline constexpr std::uintmax_t kMaxLoadedFileBytes = 64u << 20;

using LocalFileLoader = std::function<std::optional<std::vector<std::uint8_t>>(const std::string& relativePath)>;

// Reads `relativePath` (only plain relative paths, see ScriptHost::isSafeLocalPath) from the
// folder holding `moviePath`; regular files only.
LocalFileLoader filesBeside(const std::string& moviePath);

}  // namespace player
