// Source-over compositing in packed 32-bit lanes, plus the group accumulator (see blend.h).
#include "render/blend.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

inline Pixel over(Pixel src, Pixel dst) {
    std::uint32_t inv = 255u - pixelA(src);
    // Channel sums cannot overflow: premultiplied src + dst * (1 - a) stays within 255.
    return src + scalePixel(dst, inv);
}

}  // namespace

#if defined(__SSE2__)
namespace {

// Four pixels at once: each channel times the per-pixel factor in 16-bit lanes, /255 rounded.
// `f` holds one factor (0..255) per 32-bit pixel.
inline __m128i scale4(__m128i p, __m128i f) { return scalePixels4(p, f); }

inline __m128i over4(__m128i s, __m128i d) {
    __m128i inv = _mm_sub_epi32(_mm_set1_epi32(255), _mm_srli_epi32(s, 24));
    return _mm_add_epi8(s, scale4(d, inv));
}

}  // namespace
#endif

#if defined(__SSE2__)
namespace {

inline std::uint32_t load4Bytes(const std::uint8_t* cov) {
    std::uint32_t bytes;
    std::memcpy(&bytes, cov, sizeof bytes);
    return bytes;
}

// Four coverage bytes (packed as loaded) as one factor per 32-bit lane.
inline __m128i coverageLanes(std::uint32_t bytes) {
    const __m128i zero = _mm_setzero_si128();
    __m128i v = _mm_cvtsi32_si128(static_cast<int>(bytes));
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(v, zero), zero);
}

// Coverage bytes cov[0..3] as one factor per 32-bit lane.
inline __m128i load4Coverage(const std::uint8_t* cov) { return coverageLanes(load4Bytes(cov)); }

}  // namespace
#endif

void blendSpan(Pixel* dst, const Pixel* src, const std::uint8_t* coverage, int n) {
#if defined(__SSE2__)
    int k = 0;
    // No tests on the coverage: edge runs mix 0, 255 and partial values at random, and a
    // branch per four pixels mispredicts more than the arithmetic costs. Coverage 255 scales
    // exactly and coverage 0 leaves the target exactly as it was.
    for (; k + 4 <= n; k += 4) {
        __m128i s = scale4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k)),
                           load4Coverage(coverage + k));
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), over4(s, d));
    }
    dst += k;
    src += k;
    coverage += k;
    n -= k;
#endif
    for (int i = 0; i < n; ++i) {
        std::uint32_t c = coverage[i];
        if (c == 0) {
            continue;
        }
        Pixel s = c == 255 ? src[i] : scalePixel(src[i], c);
        std::uint32_t a = pixelA(s);
        if (a == 255) {
            dst[i] = s;
        } else if (a != 0) {
            dst[i] = over(s, dst[i]);
        }
    }
}

void blendSolidSpan(Pixel* dst, Pixel src, const std::uint8_t* coverage, int n) {
    if (pixelA(src) == 0) {
        return;
    }
    const bool opaque = pixelA(src) == 255;
#if defined(__SSE2__)
    int k = 0;
    const __m128i s4 = _mm_set1_epi32(static_cast<int>(src));
    // Branch-free for the reason given in blendSpan().
    for (; k + 4 <= n; k += 4) {
        __m128i* d = reinterpret_cast<__m128i*>(dst + k);
        _mm_storeu_si128(d, over4(scale4(s4, load4Coverage(coverage + k)), _mm_loadu_si128(d)));
    }
    dst += k;
    coverage += k;
    n -= k;
#endif
    for (int i = 0; i < n; ++i) {
        std::uint32_t c = coverage[i];
        if (c == 255) {
            dst[i] = opaque ? src : over(src, dst[i]);
        } else if (c != 0) {
            dst[i] = over(scalePixel(src, c), dst[i]);
        }
    }
}


void blendSpanConst(Pixel* dst, const Pixel* src, std::uint8_t coverage, int n) {
    int i0 = 0;
#if defined(__SSE2__)
    const __m128i cov = _mm_set1_epi32(coverage);
    if (coverage == 255) {
        // Fully covered: four opaque paint pixels replace the target without reading it.
        const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        for (; i0 + 4 <= n; i0 += 4) {
            __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i0));
            __m128i* d = reinterpret_cast<__m128i*>(dst + i0);
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), alphaMask)) == 0xFFFF) {
                _mm_storeu_si128(d, s);
            } else {
                _mm_storeu_si128(d, over4(s, _mm_loadu_si128(d)));
            }
        }
    }
    for (; i0 + 4 <= n; i0 += 4) {
        __m128i s = scale4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i0)), cov);
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i0), over4(s, d));
    }
#endif
    dst += i0;
    src += i0;
    n -= i0;
    if (coverage == 255) {
        for (int i = 0; i < n; ++i) {
            Pixel s = src[i];
            std::uint32_t a = pixelA(s);
            if (a == 255) {
                dst[i] = s;
            } else if (a != 0) {
                dst[i] = over(s, dst[i]);
            }
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        dst[i] = over(scalePixel(src[i], coverage), dst[i]);
    }
}

void blendSolidConst(Pixel* dst, Pixel src, std::uint8_t coverage, int n) {
    Pixel s = coverage == 255 ? src : scalePixel(src, coverage);
    std::uint32_t a = pixelA(s);
    if (a == 255) {
        int i = 0;
#if defined(__SSE2__)
        // The compiler leaves std::fill on 32-bit pixels a scalar loop.
        const __m128i s4 = _mm_set1_epi32(static_cast<int>(s));
        for (; i + 4 <= n; i += 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s4);
        }
#endif
        std::fill(dst + i, dst + n, s);
    } else if (a != 0) {
        int i = 0;
#if defined(__SSE2__)
        const __m128i s4 = _mm_set1_epi32(static_cast<int>(s));
        const __m128i inv = _mm_set1_epi32(static_cast<int>(255u - a));
        for (; i + 4 <= n; i += 4) {
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_add_epi8(s4, scale4(d, inv)));
        }
#endif
        for (; i < n; ++i) {
            dst[i] = over(s, dst[i]);
        }
    }
}

namespace {

inline void accumulate(std::uint16_t* a, Pixel s, std::uint32_t c) {
    for (int ch = 0; ch < 4; ++ch) {
        std::uint32_t v = a[ch] + ((s >> (8 * ch)) & 0xFFu) * c;
        a[ch] = static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 65535u));
    }
}

// round(v / 255) for v in 0..65025.
inline std::uint32_t div255(std::uint32_t v) {
    v += 128;
    return (v + (v >> 8)) >> 8;
}

#if defined(__SSE2__)
// Two pixels of paint times their coverage, added with saturation to their accumulators.
inline void accumulate2(std::uint16_t* a, __m128i src2, __m128i cov2) {
    const __m128i zero = _mm_setzero_si128();
    __m128i c16 = _mm_or_si128(cov2, _mm_slli_epi32(cov2, 16));
    __m128i f = _mm_unpacklo_epi32(c16, c16);
    __m128i prod = _mm_mullo_epi16(_mm_unpacklo_epi8(src2, zero), f);
    __m128i* p = reinterpret_cast<__m128i*>(a);
    _mm_storeu_si128(p, _mm_adds_epu16(_mm_loadu_si128(p), prod));
}
#endif

}  // namespace

void accumulateSpan(std::uint16_t* acc, const Pixel* src, const std::uint8_t* coverage, int n) {
    int i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i c = load4Coverage(coverage + i);
        accumulate2(acc + 4 * i, s, c);
        accumulate2(acc + 4 * i + 8, _mm_srli_si128(s, 8), _mm_srli_si128(c, 8));
    }
#endif
    for (; i < n; ++i) {
        if (coverage[i] != 0) {
            accumulate(acc + 4 * i, src[i], coverage[i]);
        }
    }
}

void accumulateSolidSpan(std::uint16_t* acc, Pixel src, const std::uint8_t* coverage, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i s = _mm_set1_epi32(static_cast<int>(src));
    for (; i + 4 <= n; i += 4) {
        __m128i c = load4Coverage(coverage + i);
        accumulate2(acc + 4 * i, s, c);
        accumulate2(acc + 4 * i + 8, s, _mm_srli_si128(c, 8));
    }
#endif
    for (; i < n; ++i) {
        if (coverage[i] != 0) {
            accumulate(acc + 4 * i, src, coverage[i]);
        }
    }
}

namespace {

inline void accumulate16(std::uint16_t* a, Pixel s, std::uint32_t c) {
    for (int ch = 0; ch < 4; ++ch) {
        std::uint32_t v = a[ch] + ((((s >> (8 * ch)) & 0xFFu) * c + 64u) >> 7);
        a[ch] = static_cast<std::uint16_t>(std::min<std::uint32_t>(v, 65535u));
    }
}

#if defined(__SSE2__)
// Two pixels of paint (8 channels in 16-bit lanes) times their coverage lanes, rounded and
// shifted right by 7, added with saturation to their accumulators. The 24-bit products are
// split: high word << 9, plus the low word >> 7, plus the rounding bit of the low 7 bits.
inline void accumulate2x16(std::uint16_t* a, __m128i s16, __m128i c16) {
    const __m128i lo = _mm_mullo_epi16(s16, c16);
    const __m128i hi = _mm_mulhi_epu16(s16, c16);
    const __m128i round = _mm_srli_epi16(_mm_add_epi16(_mm_and_si128(lo, _mm_set1_epi16(127)),
                                                       _mm_set1_epi16(64)), 7);
    const __m128i prod = _mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(hi, 9), _mm_srli_epi16(lo, 7)), round);
    __m128i* p = reinterpret_cast<__m128i*>(a);
    _mm_storeu_si128(p, _mm_adds_epu16(_mm_loadu_si128(p), prod));
}

// Coverage values c0, c1 spread over the four channel lanes of each pixel.
inline __m128i coverageLanes2(const std::uint16_t* c) {
    const __m128i v = _mm_unpacklo_epi16(_mm_cvtsi32_si128(c[0]), _mm_cvtsi32_si128(c[1]));
    const __m128i pair = _mm_shufflelo_epi16(v, _MM_SHUFFLE(1, 1, 0, 0));  // c0 c0 c1 c1
    return _mm_unpacklo_epi32(pair, pair);  // c0 c0 c0 c0 c1 c1 c1 c1 (by 32-bit pairs)
}
#endif

}  // namespace

void accumulateSpan16(std::uint16_t* acc, const Pixel* src, const std::uint16_t* coverage, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 2 <= n; i += 2) {
        const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i));
        accumulate2x16(acc + 4 * i, _mm_unpacklo_epi8(s, zero), coverageLanes2(coverage + i));
    }
#endif
    for (; i < n; ++i) {
        accumulate16(acc + 4 * i, src[i], coverage[i]);
    }
}

void accumulateSolidSpan16(std::uint16_t* acc, Pixel src, const std::uint16_t* coverage, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i s2 = _mm_set1_epi32(static_cast<int>(src));
    const __m128i s16 = _mm_unpacklo_epi8(s2, _mm_setzero_si128());
    for (; i + 2 <= n; i += 2) {
        accumulate2x16(acc + 4 * i, s16, coverageLanes2(coverage + i));
    }
#endif
    for (; i < n; ++i) {
        accumulate16(acc + 4 * i, src, coverage[i]);
    }
}

void accumulateSpanFull(std::uint16_t* acc, const Pixel* src, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255);
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        __m128i* p = reinterpret_cast<__m128i*>(acc + 4 * i);
        const __m128i lo = _mm_mullo_epi16(_mm_unpacklo_epi8(s, zero), k255);
        const __m128i hi = _mm_mullo_epi16(_mm_unpackhi_epi8(s, zero), k255);
        _mm_storeu_si128(p, _mm_adds_epu16(_mm_loadu_si128(p), lo));
        _mm_storeu_si128(p + 1, _mm_adds_epu16(_mm_loadu_si128(p + 1), hi));
    }
#endif
    for (; i < n; ++i) {
        accumulate(acc + 4 * i, src[i], 255);
    }
}

void accumulateSolidFull(std::uint16_t* acc, Pixel src, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i s = _mm_set1_epi32(static_cast<int>(src));
    const __m128i add = _mm_mullo_epi16(_mm_unpacklo_epi8(s, _mm_setzero_si128()), _mm_set1_epi16(255));
    for (; i + 2 <= n; i += 2) {
        __m128i* p = reinterpret_cast<__m128i*>(acc + 4 * i);
        _mm_storeu_si128(p, _mm_adds_epu16(_mm_loadu_si128(p), add));
    }
#endif
    for (; i < n; ++i) {
        accumulate(acc + 4 * i, src, 255);
    }
}

void applyMask16(std::uint16_t* coverage, const std::uint8_t* mask, int n) {
    for (int i = 0; i < n; ++i) {
        coverage[i] = static_cast<std::uint16_t>((coverage[i] * std::uint32_t{mask[i]} + 127u) / 255u);
    }
}

namespace {

// One accumulated pixel: the sum is 255 times the premultiplied colour (see blend.h).
inline void compositeOne(Pixel* dst, std::uint16_t* a) {
    if ((a[0] | a[1] | a[2] | a[3]) == 0) {
        return;
    }
    if (a[3] > 65025u) {
        // Opaque fills whose rounded coverages add up to more than one pixel (two halves both
        // rounded up): scale back to full coverage so the colour stays exact.
        for (int ch = 0; ch < 3; ++ch) {
            a[ch] = static_cast<std::uint16_t>((a[ch] * 65025u + a[3] / 2) / a[3]);
        }
        a[3] = 65025u;
    }
    std::uint32_t alpha = div255(a[3]);
    std::uint32_t r = std::min(alpha, div255(std::min<std::uint32_t>(a[0], 65025u)));
    std::uint32_t g = std::min(alpha, div255(std::min<std::uint32_t>(a[1], 65025u)));
    std::uint32_t b = std::min(alpha, div255(std::min<std::uint32_t>(a[2], 65025u)));
    *dst = over(packPixel(r, g, b, alpha), *dst);
    a[0] = a[1] = a[2] = a[3] = 0;
}

}  // namespace

void compositeAccumulated(Pixel* dst, std::uint16_t* acc, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi16(static_cast<short>(65025));
    const __m128i half = _mm_set1_epi16(128);
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    for (; i + 4 <= n; i += 4) {
        __m128i* p = reinterpret_cast<__m128i*>(acc + 4 * i);
        __m128i lo = _mm_loadu_si128(p);
        __m128i hi = _mm_loadu_si128(p + 1);
        __m128i over65025 = _mm_or_si128(_mm_subs_epu16(lo, limit), _mm_subs_epu16(hi, limit));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(over65025, zero)) != 0xFFFF) {
            for (int k = 0; k < 4; ++k) {
                compositeOne(dst + i + k, acc + 4 * (i + k));
            }
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_or_si128(lo, hi), zero)) == 0xFFFF) {
            continue;  // nothing accumulated: the target stays, the sums are zero already
        }
        lo = _mm_add_epi16(lo, half);
        hi = _mm_add_epi16(hi, half);
        lo = _mm_srli_epi16(_mm_add_epi16(lo, _mm_srli_epi16(lo, 8)), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(hi, _mm_srli_epi16(hi, 8)), 8);
        __m128i s = _mm_packus_epi16(lo, hi);
        __m128i* d = reinterpret_cast<__m128i*>(dst + i);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphaMask), alphaMask)) == 0xFFFF) {
            _mm_storeu_si128(d, s);  // four opaque sums replace the target without reading it
        } else {
            _mm_storeu_si128(d, over4(s, _mm_loadu_si128(d)));
        }
        _mm_storeu_si128(p, zero);
        _mm_storeu_si128(p + 1, zero);
    }
#endif
    for (; i < n; ++i) {
        compositeOne(dst + i, acc + 4 * i);
    }
}

void applyMask(std::uint8_t* coverage, const std::uint8_t* mask, int n) {
    for (int i = 0; i < n; ++i) {
        coverage[i] = static_cast<std::uint8_t>(mulDiv255(coverage[i], mask[i]));
    }
}

}  // namespace render
