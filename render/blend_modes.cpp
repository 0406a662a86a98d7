// Blend modes on premultiplied RGBA8, one pixel at a time with integer arithmetic (see
// blend_modes.h). Layers are few and small next to the rest of a frame, so clarity wins over
// lane tricks here.
#include "render/blend_modes.h"

#include <algorithm>

namespace render {

namespace {

using U = std::uint32_t;

U mul(U x, U y) { return mulDiv255(x, y); }

// The part of the separable formula that does not depend on the mode.
U rest(U s, U d, U sa, U da) { return mul(s, 255 - da) + mul(d, 255 - sa); }

U separable(BlendMode mode, U s, U d, U sa, U da) {
    U b = 0;  // B(s, d) in premultiplied form, 0..sa*da/255
    switch (mode) {
    case BlendMode::Multiply: b = mul(s, d); break;
    case BlendMode::Screen: return std::min<U>(255, s + d - mul(s, d));
    case BlendMode::Lighten: b = std::max(mul(s, da), mul(d, sa)); break;
    case BlendMode::Darken: b = std::min(mul(s, da), mul(d, sa)); break;
    case BlendMode::Difference: {
        const U x = mul(s, da), y = mul(d, sa);
        b = x > y ? x - y : y - x;
        break;
    }
    case BlendMode::HardLight:
    case BlendMode::Overlay: {
        // Hard light decides on the source, overlay on the destination.
        const bool low = mode == BlendMode::HardLight ? 2 * s <= sa : 2 * d <= da;
        // One rounding for the whole term: 2sd, or sa*da - 2(sa - s)(da - d).
        if (low) {
            b = (2 * s * d + 127) / 255;
        } else {
            const U both = sa * da, off = 2 * (sa - std::min(s, sa)) * (da - std::min(d, da));
            b = both > off ? (both - off + 127) / 255 : 0;
        }
        break;
    }
    default: b = s; break;
    }
    return std::min<U>(255, b + rest(s, d, sa, da));
}

U chan(Pixel p, int i) { return (p >> (8 * i)) & 0xFF; }

U roundClamp(float v) { return v >= 255.0f ? 255 : (v > 0.0f ? static_cast<U>(v + 0.5f) : 0); }

}  // namespace

// A finished layer takes its colour transform rounded to nearest (the draws inside it truncate):
// a multiply-only transform scales the premultiplied channels directly.
Pixel transformLayerPixel(Pixel p, const ColorTransform& cx) {
    if (cx.isMultiplyOnly() && cx.mulA <= 1.0f) {
        const float a = std::max(cx.mulA, 0.0f);
        return packPixel(std::min(roundClamp(pixelR(p) * std::max(cx.mulR, 0.0f) * a), roundClamp(pixelA(p) * a)),
                         std::min(roundClamp(pixelG(p) * std::max(cx.mulG, 0.0f) * a), roundClamp(pixelA(p) * a)),
                         std::min(roundClamp(pixelB(p) * std::max(cx.mulB, 0.0f) * a), roundClamp(pixelA(p) * a)),
                         roundClamp(pixelA(p) * a));
    }
    const Color c = unpremultiply(p);
    return premultiply(Color{static_cast<std::uint8_t>(roundClamp(c.r * cx.mulR + cx.addR)),
                             static_cast<std::uint8_t>(roundClamp(c.g * cx.mulG + cx.addG)),
                             static_cast<std::uint8_t>(roundClamp(c.b * cx.mulB + cx.addB)),
                             static_cast<std::uint8_t>(roundClamp(c.a * cx.mulA + cx.addA))});
}

Pixel blendPixel(BlendMode mode, Pixel src, Pixel dst) {
    const U sa = pixelA(src), da = pixelA(dst);
    U out[4];
    switch (mode) {
    case BlendMode::Normal:
    case BlendMode::Layer:
        for (int i = 0; i < 4; ++i) out[i] = std::min<U>(255, chan(src, i) + mul(chan(dst, i), 255 - sa));
        break;
    case BlendMode::Add:
        for (int i = 0; i < 4; ++i) out[i] = std::min<U>(255, chan(src, i) + chan(dst, i));
        break;
    case BlendMode::Subtract:
        // The source's colour is taken from the destination's; alpha combines as source-over.
        for (int i = 0; i < 3; ++i) out[i] = chan(dst, i) > chan(src, i) ? chan(dst, i) - chan(src, i) : 0;
        out[3] = std::min<U>(255, sa + mul(da, 255 - sa));
        for (int i = 0; i < 3; ++i) out[i] = std::min(out[i], out[3]);
        break;
    case BlendMode::Invert:
        // Where the source covers, the destination's colour is inverted; the source's colour
        // does not matter.
        for (int i = 0; i < 3; ++i)
            out[i] = std::min(da, mul(da - std::min(chan(dst, i), da), sa) + mul(chan(dst, i), 255 - sa));
        out[3] = da;
        break;
    case BlendMode::Alpha:
        for (int i = 0; i < 4; ++i) out[i] = mul(chan(dst, i), sa);
        break;
    case BlendMode::Erase:
        for (int i = 0; i < 4; ++i) out[i] = mul(chan(dst, i), 255 - sa);
        break;
    default:
        for (int i = 0; i < 3; ++i) out[i] = separable(mode, chan(src, i), chan(dst, i), sa, da);
        out[3] = std::min<U>(255, sa + mul(da, 255 - sa));
        for (int i = 0; i < 3; ++i) out[i] = std::min(out[i], out[3]);
        break;
    }
    return packPixel(out[0], out[1], out[2], out[3]);
}

void compositeLayer(Pixmap& dst, const Pixmap& layer, const IntRect& box, int dx, int dy, BlendMode mode,
                    const ColorTransform& cx, const Mask* clip) {
    if (clip && (clip->width() != dst.width() || clip->height() != dst.height())) clip = nullptr;
    // Layer pixels inside box and the layer, whose place in dst lies inside dst.
    const int x0 = std::max({box.x0, 0, -dx}), y0 = std::max({box.y0, 0, -dy});
    const int x1 = std::min({box.x1, layer.width(), dst.width() - dx});
    const int y1 = std::min({box.y1, layer.height(), dst.height() - dy});
    const bool identity = cx.isIdentity();
    // An add term can make a transparent layer pixel visible; otherwise such pixels leave the
    // destination as it is, in every mode.
    const bool transformsEmpty = !cx.isMultiplyOnly();
    for (int y = y0; y < y1; ++y) {
        Pixel* d = dst.row(y + dy) + dx;  // indexed by layer x
        const Pixel* s = layer.row(y);
        const std::uint8_t* c = clip ? clip->row(y + dy) + dx : nullptr;
        for (int x = x0; x < x1; ++x) {
            Pixel p = s[x];
            if (p == 0 && !transformsEmpty) continue;
            if (!identity) p = transformLayerPixel(p, cx);
            if (p == 0) continue;
            Pixel out;
            if (mode == BlendMode::Normal || mode == BlendMode::Layer) {
                // The common case, kept out of blendPixel's switch.
                // Premultiplied channels stay within alpha, so the sums cannot carry.
                out = p + scalePixel(d[x], 255 - pixelA(p));
            } else {
                out = blendPixel(mode, p, d[x]);
            }
            if (c && c[x] != 255) {
                U mixed[4];
                for (int i = 0; i < 4; ++i) {
                    const U a = chan(d[x], i), b = chan(out, i);
                    mixed[i] = b >= a ? a + mul(b - a, c[x]) : a - mul(a - b, c[x]);
                }
                out = packPixel(mixed[0], mixed[1], mixed[2], mixed[3]);
            }
            d[x] = out;
        }
    }
}

}  // namespace render
