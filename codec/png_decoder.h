#pragma once
// PNG decoding: every colour type and bit depth of the format (grey 1-16, RGB 8/16, palette
// 1-8, grey+alpha 8/16, RGBA 8/16), Adam7 interlace and tRNS transparency. Ancillary chunks
// (gamma, colour profiles, text) are ignored; CRCs are not checked. A stream whose image data
// is damaged or ends early is an error.

#include <cstdint>
#include <span>

#include "codec/image.h"
#include "core/result.h"

namespace codec {

core::Result<Image> decodePng(std::span<const std::uint8_t> data);

}  // namespace codec
