// Blend modes on premultiplied RGBA8, one pixel at a time with integer arithmetic (see
// blend_modes.h). Layers can be as large as the frame, so the common composite (normal mode, no
// clip, no transform or a fade) has a fast path four pixels at a time; the rest goes pixel by
// pixel.
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

namespace {

// Channel sums held at 255.
Pixel addSaturated(Pixel x, Pixel y) {
    const U even = (x & 0x00FF00FFu) + (y & 0x00FF00FFu);
    const U odd = ((x >> 8) & 0x00FF00FFu) + ((y >> 8) & 0x00FF00FFu);
    const U evenMax = ((even >> 8) & 0x00010001u) * 0xFF;
    const U oddMax = ((odd >> 8) & 0x00010001u) * 0xFF;
    return ((even | evenMax) & 0x00FF00FFu) | (((odd | oddMax) & 0x00FF00FFu) << 8);
}

// Source-over held at 255 per channel, as blendPixel's normal mode; premultiplied sources never
// reach the limit.
Pixel overPixel(Pixel s, Pixel d) { return addSaturated(s, scalePixel(d, 255 - pixelA(s))); }

// Source-over of n layer pixels onto d. Transparent sources leave the target, opaque ones
// replace it.
void overRow(Pixel* d, const Pixel* s, int n) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; x + 4 <= n; x += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(p, zero)) == 0xFFFF) continue;
        __m128i* q = reinterpret_cast<__m128i*>(d + x);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(p, alpha), alpha)) == 0xFFFF) {
            _mm_storeu_si128(q, p);
        } else {
            _mm_storeu_si128(q, _mm_adds_epu8(p, scalePixels4(_mm_loadu_si128(q), inverseAlpha4(p))));
        }
    }
#endif
    for (; x < n; ++x)
        if (s[x] != 0) d[x] = overPixel(s[x], d[x]);
}

// A multiply-only transform without alpha gain, as four byte tables (see transformLayerPixel).
struct ScaleTables {
    explicit ScaleTables(const ColorTransform& cx) {
        const float a = std::max(cx.mulA, 0.0f);
        const float m[3] = {std::max(cx.mulR, 0.0f), std::max(cx.mulG, 0.0f), std::max(cx.mulB, 0.0f)};
        for (U v = 0; v < 256; ++v) {
            for (int i = 0; i < 3; ++i) channel[i][v] = static_cast<std::uint8_t>(roundClamp(static_cast<float>(v) * m[i] * a));
            channel[3][v] = static_cast<std::uint8_t>(roundClamp(static_cast<float>(v) * a));
        }
    }
    Pixel apply(Pixel p) const {
        const U a = channel[3][pixelA(p)];
        return packPixel(std::min<U>(channel[0][pixelR(p)], a), std::min<U>(channel[1][pixelG(p)], a),
                         std::min<U>(channel[2][pixelB(p)], a), a);
    }
    std::uint8_t channel[4][256];
};

}  // namespace

void compositeLayer(Pixmap& dst, const Pixmap& layer, const IntRect& box, int dx, int dy, BlendMode mode,
                    const ColorTransform& cx, const Mask* clip) {
    if (clip && (clip->width() != dst.width() || clip->height() != dst.height())) clip = nullptr;
    // Layer pixels inside box and the layer, whose place in dst lies inside dst.
    const int x0 = std::max({box.x0, 0, -dx}), y0 = std::max({box.y0, 0, -dy});
    const int x1 = std::min({box.x1, layer.width(), dst.width() - dx});
    const int y1 = std::min({box.y1, layer.height(), dst.height() - dy});
    if (x0 >= x1 || y0 >= y1) return;
    const bool identity = cx.isIdentity();
    const bool normal = mode == BlendMode::Normal || mode == BlendMode::Layer;
    if (normal && !clip && (identity || (cx.isMultiplyOnly() && cx.mulA <= 1.0f))) {
        if (identity) {
            for (int y = y0; y < y1; ++y) overRow(dst.row(y + dy) + dx + x0, layer.row(y) + x0, x1 - x0);
            return;
        }
        const ScaleTables tables(cx);
        constexpr int kChunk = 256;
        Pixel faded[kChunk];
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; x += kChunk) {
                const int n = std::min(kChunk, x1 - x);
                const Pixel* s = layer.row(y) + x;
                for (int i = 0; i < n; ++i) faded[i] = s[i] ? tables.apply(s[i]) : 0;
                overRow(dst.row(y + dy) + dx + x, faded, n);
            }
        return;
    }
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
            const Pixel out = normal ? overPixel(p, d[x]) : blendPixel(mode, p, d[x]);
            if (c && c[x] != 255) {
                U mixed[4];
                for (int i = 0; i < 4; ++i) {
                    const U a = chan(d[x], i), b = chan(out, i);
                    mixed[i] = b >= a ? a + mul(b - a, c[x]) : a - mul(a - b, c[x]);
                }
                d[x] = packPixel(mixed[0], mixed[1], mixed[2], mixed[3]);
            } else {
                d[x] = out;
            }
        }
    }
}

}  // namespace render
