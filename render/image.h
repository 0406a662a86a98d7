#pragma once
// Straight (non-premultiplied) RGBA8 images, the form PNG files hold and pictures are compared in.

#include <cstdint>
#include <vector>

#include "render/pixmap.h"

namespace render {

struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // width * height * 4 bytes, rows top to bottom

    const std::uint8_t* pixel(int x, int y) const {
        return rgba.data() + (static_cast<std::size_t>(y) * width + x) * 4;
    }
};

RgbaImage toStraightRgba(const Pixmap& p);
// Premultiplies an image into a pixmap (for bitmap fills and tests).
Pixmap fromStraightRgba(const RgbaImage& img);

}  // namespace render
