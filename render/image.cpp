// Conversions between straight RGBA images and premultiplied pixmaps.
#include "render/image.h"

namespace render {

RgbaImage toStraightRgba(const Pixmap& p) {
    RgbaImage img;
    img.width = p.width();
    img.height = p.height();
    img.rgba.resize(static_cast<std::size_t>(img.width) * img.height * 4);
    std::uint8_t* out = img.rgba.data();
    for (Pixel px : p.pixels()) {
        Color c = unpremultiply(px);
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b;
        out[3] = c.a;
        out += 4;
    }
    return img;
}

Pixmap fromStraightRgba(const RgbaImage& img) {
    Pixmap p(img.width, img.height);
    if (p.isEmpty() || img.rgba.size() < static_cast<std::size_t>(img.width) * img.height * 4) {
        return Pixmap{};
    }
    const std::uint8_t* in = img.rgba.data();
    for (Pixel& px : p.pixels()) {
        px = premultiply(Color{in[0], in[1], in[2], in[3]});
        in += 4;
    }
    return p;
}

}  // namespace render
