#pragma once
// GIF87a/GIF89a decoding of the first image of a file: global and local colour tables,
// interlaced rows, the transparent index of a Graphic Control Extension, and a variable-length
// LZW decoder of its own. The picture has the logical screen's size; pixels the image does not
// cover are transparent. Damaged or truncated image data is an error.

#include <cstdint>
#include <span>

#include "codec/image.h"
#include "core/result.h"

namespace codec {

core::Result<Image> decodeGif(std::span<const std::uint8_t> data);

}  // namespace codec
