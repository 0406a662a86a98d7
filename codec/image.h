#pragma once
// Decoded pictures as the image decoders hand them out, and the guess of a stream's format from
// its first bytes. The decoders know nothing of where their input came from.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"

namespace codec {

// Straight (not premultiplied) RGBA8, rows top to bottom without padding.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4 bytes
};

// Pictures with a side longer than this, or more pixels than kMaxImagePixels, are refused
// before any pixel memory is reserved.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::size_t kMaxImagePixels = 8192u * 8192u;

enum class ImageFormat { Unknown, Jpeg, Png, Gif };

// Recognises PNG and GIF by their signatures and JPEG by a leading marker (FF D8, or the
// FF D9 FF D8 pair some writers put in front of it).
ImageFormat sniffFormat(std::span<const std::uint8_t> data);

// An error unless width x height is a picture the decoders accept.
core::Status checkImageSize(std::uint32_t width, std::uint32_t height);

}  // namespace codec
