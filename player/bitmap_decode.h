#pragma once
// Decoding the bitmap characters into premultiplied pixmaps: the lossless bitmaps of
// DefineBitsLossless and DefineBitsLossless2, and the JPEG (or, from SWF 8, PNG and GIF) data of
// DefineBits, DefineBitsJPEG2, DefineBitsJPEG3 and DefineBitsJPEG4.
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

// DefineBits holds a JPEG stream without its tables, which the movie's one JPEGTables tag
// (`tables`, may be null) provides. DefineBitsJPEG2-4 carry complete JPEG streams, or PNG or GIF
// files. Versions 3 and 4 add a zlib-compressed alpha plane (one byte per pixel) for a JPEG
// picture: the colours are premultiplied by it, a plane that ends early leaves the remaining
// pixels transparent, and an empty one leaves the picture opaque. PNG and GIF pictures bring
// their own transparency and ignore the plane. Deblocking (version 4) is not applied. Any
// damage in the picture data is an error: nothing of the bitmap is drawn.
core::Result<render::Pixmap> decodeJpegBits(const swf::DefineBitsJpeg& bits, const swf::JpegTables* tables);

}  // namespace player
