#pragma once
// PNG encoding over zlib: 8-bit RGBA, no interlace, one IDAT chunk.

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "render/image.h"

namespace render {

core::Result<std::vector<std::uint8_t>> encodePng(const RgbaImage& image);
// Unpremultiplies the pixmap and writes it as a PNG file.
core::Status writePng(const Pixmap& pixmap, const std::string& path);

}  // namespace render
