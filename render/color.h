#pragma once
// Colours of the renderer: straight (non-premultiplied) RGBA8 as callers describe paints, packed
// premultiplied RGBA8 as pixmaps store them, and the colour transform (multiply and add terms per
// channel, alpha included) that is applied to every paint before it is premultiplied.

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

// A straight RGBA colour, each channel 0..255.
struct Color {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    friend bool operator==(const Color&, const Color&) = default;
};

// Packed premultiplied pixel: byte 0 red, 1 green, 2 blue, 3 alpha in memory on the little-endian
// machines we build for (x86 and i686).
using Pixel = std::uint32_t;

constexpr Pixel packPixel(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}
constexpr std::uint8_t pixelR(Pixel p) { return static_cast<std::uint8_t>(p); }
constexpr std::uint8_t pixelG(Pixel p) { return static_cast<std::uint8_t>(p >> 8); }
constexpr std::uint8_t pixelB(Pixel p) { return static_cast<std::uint8_t>(p >> 16); }
constexpr std::uint8_t pixelA(Pixel p) { return static_cast<std::uint8_t>(p >> 24); }

// x * y / 255 rounded to nearest, exact for x, y in 0..255.
constexpr std::uint32_t mulDiv255(std::uint32_t x, std::uint32_t y) {
    std::uint32_t t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// mulDiv255 of every channel of p by k (0..255), two channels per 32-bit multiply: each 16-bit
// lane holds x * k + 128 <= 65153, and adding its own high byte cannot carry into the next lane.
constexpr Pixel scalePixel(Pixel p, std::uint32_t k) {
    std::uint32_t even = (p & 0x00FF00FFu) * k + 0x00800080u;
    even = ((even + ((even >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    std::uint32_t odd = ((p >> 8) & 0x00FF00FFu) * k + 0x00800080u;
    odd = (odd + ((odd >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return even | odd;
}

#if defined(__SSE2__)
// scalePixel of four pixels at once, each by its own factor: `k` holds one factor (0..255) per
// 32-bit lane. Same rounding as scalePixel, in 16-bit lanes.
inline __m128i scalePixels4(__m128i p, __m128i k) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    const __m128i k16 = _mm_or_si128(k, _mm_slli_epi32(k, 16));
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi32(k16, k16)), half);
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi32(k16, k16)), half);
    lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
    hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
    return _mm_packus_epi16(lo, hi);
}

// 255 minus the alpha of each of four pixels, one per 32-bit lane.
inline __m128i inverseAlpha4(__m128i p) { return _mm_sub_epi32(_mm_set1_epi32(255), _mm_srli_epi32(p, 24)); }
#endif

Pixel premultiply(Color c);
Color unpremultiply(Pixel p);

// c' = clamp(floor(c * mul) + add) per channel, on straight colours. The multiply terms are
// usually k/256 from fixed-point sources; such products are exact in float.
struct ColorTransform {
    float mulR = 1.0f, mulG = 1.0f, mulB = 1.0f, mulA = 1.0f;
    float addR = 0.0f, addG = 0.0f, addB = 0.0f, addA = 0.0f;

    bool isIdentity() const;
    // Only multiplies, no add terms: premultiplied pixels can be scaled directly.
    bool isMultiplyOnly() const;
    Color apply(Color c) const;
    // Applies the transform to a premultiplied pixel (unpremultiply, transform, premultiply).
    Pixel applyPremultiplied(Pixel p) const;

    // The transform that applies `inner` first and then this one (as nested objects do).
    ColorTransform concat(const ColorTransform& inner) const;

    friend bool operator==(const ColorTransform&, const ColorTransform&) = default;
};

}  // namespace render
