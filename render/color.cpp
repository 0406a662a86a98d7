// Colour arithmetic: premultiplication with exact rounding and the colour transform.
#include "render/color.h"

#include <algorithm>
#include <cmath>

namespace render {

Pixel premultiply(Color c) {
    if (c.a == 255) {
        return packPixel(c.r, c.g, c.b, 255);
    }
    return packPixel(mulDiv255(c.r, c.a), mulDiv255(c.g, c.a), mulDiv255(c.b, c.a), c.a);
}

Color unpremultiply(Pixel p) {
    std::uint32_t a = pixelA(p);
    if (a == 0) {
        return Color{0, 0, 0, 0};
    }
    if (a == 255) {
        return Color{pixelR(p), pixelG(p), pixelB(p), 255};
    }
    auto un = [a](std::uint32_t v) {
        std::uint32_t r = (v * 255 + a / 2) / a;
        return static_cast<std::uint8_t>(std::min<std::uint32_t>(r, 255));
    };
    return Color{un(pixelR(p)), un(pixelG(p)), un(pixelB(p)), static_cast<std::uint8_t>(a)};
}

bool ColorTransform::isIdentity() const {
    return mulR == 1.0f && mulG == 1.0f && mulB == 1.0f && mulA == 1.0f && isMultiplyOnly();
}

bool ColorTransform::isMultiplyOnly() const {
    return addR == 0.0f && addG == 0.0f && addB == 0.0f && addA == 0.0f;
}

namespace {

std::uint8_t channel(std::uint8_t c, float mul, float add) {
    float v = std::floor(static_cast<float>(c) * mul) + add;
    if (!(v > 0.0f)) {  // also catches NaN
        return 0;
    }
    if (v >= 255.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(v);
}

}  // namespace

Color ColorTransform::apply(Color c) const {
    return Color{channel(c.r, mulR, addR), channel(c.g, mulG, addG), channel(c.b, mulB, addB),
                 channel(c.a, mulA, addA)};
}

Pixel ColorTransform::applyPremultiplied(Pixel p) const {
    return premultiply(apply(unpremultiply(p)));
}

ColorTransform ColorTransform::concat(const ColorTransform& inner) const {
    ColorTransform r;
    r.mulR = mulR * inner.mulR;
    r.mulG = mulG * inner.mulG;
    r.mulB = mulB * inner.mulB;
    r.mulA = mulA * inner.mulA;
    r.addR = inner.addR * mulR + addR;
    r.addG = inner.addG * mulG + addG;
    r.addB = inner.addB * mulB + addB;
    r.addA = inner.addA * mulA + addA;
    return r;
}

}  // namespace render
