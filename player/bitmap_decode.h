#pragma once
// Decoding the lossless bitmaps of DefineBitsLossless and DefineBitsLossless2 into premultiplied
// pixmaps.
//
// Formats (after zlib): 3 is colour-mapped (a table of colorTableSize RGB or RGBA entries,
// then one index byte per pixel, rows padded to 4 bytes); 4 is 15-bit RGB (two bytes per pixel,
// big-endian 0RRRRRGGGGGBBBBB, rows padded to 4 bytes; version 1 only); 5 is 32 bits per pixel,
// a pad byte and RGB in version 1, ARGB in version 2. SWF stores the alpha bitmaps already
// premultiplied; channels above their alpha are clamped so the pixmap stays valid.

#include "core/result.h"
#include "render/pixmap.h"
#include "swf/tags.h"

namespace player {

// Bitmaps with more pixels than this are refused.
inline constexpr std::size_t kMaxBitmapPixels = 8192u * 8192u;

core::Result<render::Pixmap> decodeLossless(const swf::DefineBitsLossless& bits);

}  // namespace player
