#pragma once
// PNG decoding over zlib's inflate, enough to read reference pictures: colour types grey, RGB,
// palette, grey+alpha and RGBA; bit depths 1-16 where the format allows them; no interlace.

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "render/image.h"

namespace render {

core::Result<RgbaImage> decodePng(const std::uint8_t* data, std::size_t size);
core::Result<RgbaImage> readPng(const std::string& path);

}  // namespace render
