#pragma once
// Reading skin files: a strict parser from text to skin::Skin. Anything it does not
// understand is an error value; the caller then keeps the plain look.

#include <cstddef>
#include <filesystem>
#include <string_view>

#include "core/result.h"
#include "skin/skin.h"

namespace skin {

inline constexpr std::size_t kMaxSkinFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxLineBytes = 512;
inline constexpr int kSkinFormat = 1;

// Parses the text of a skin file. Errors carry the byte offset of the offending line and a
// message that names its line number.
core::Result<Skin> parseSkin(std::string_view text);

// Reads and parses a skin file; NotFound, IoError or TooLarge when the file cannot be had.
core::Result<Skin> loadSkinFile(const std::filesystem::path& path);

// True for a bitmap name a skin may refer to: a plain relative name ending in ".bmp", no
// drive, no leading separator, no "..", at most 100 characters of [A-Za-z0-9 ._-/\].
bool isSafeImageName(std::string_view name);

}  // namespace skin
