// Bitmap filters on layers (see filters.h). Algorithms: moving-sum box blur, separable and run
// `passes` times; shadows and glows blur a plane of alpha (inverted for inner ones), scale it by
// the strength and colour it with one colour or a 256-entry gradient table; bevels take the
// difference of the blurred alpha on either side of the light direction.
#include "render/filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

using U = std::uint32_t;

// A blur of b pixels is a box b pixels wide: 2r + 1 whole taps and, when b - 1 is not an even
// whole number, one more tap each side weighted by what is left (fw / 256).
struct Box {
    int r = 0;
    U fw = 0;
    int reach() const { return r + (fw > 0 ? 1 : 0); }
};

Box boxOf(float blur) {
    if (!(blur > 1.0f)) return {};
    const float half = (std::min(blur, 255.0f) - 1.0f) / 2.0f;
    Box b{static_cast<int>(half), static_cast<U>(std::lround((half - std::floor(half)) * 256.0f))};
    if (b.fw >= 256) b = Box{b.r + 1, 0};
    return b;
}

int passesOf(const Filter& f) { return std::clamp(f.passes, 1, 3); }

struct Offset {
    int dx = 0, dy = 0;
};

Offset offsetOf(const Filter& f) {
    if (f.kind == FilterKind::Glow || f.kind == FilterKind::GradientGlow) return {};
    const float d = std::clamp(f.distance, -4096.0f, 4096.0f);
    const float a = std::isfinite(f.angle) ? f.angle : 0.0f;
    if (!std::isfinite(d)) return {};
    return {static_cast<int>(std::lround(std::cos(a) * d)), static_cast<int>(std::lround(std::sin(a) * d))};
}

bool isInner(const Filter& f) {
    if (f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel) return f.inner && !f.onTop;
    return f.inner;
}

// Channel sums held at 255.
Pixel add(Pixel x, Pixel y) {
    const U even = (x & 0x00FF00FFu) + (y & 0x00FF00FFu);          // 9-bit sums in 16-bit lanes
    const U odd = ((x >> 8) & 0x00FF00FFu) + ((y >> 8) & 0x00FF00FFu);
    const U evenMax = ((even >> 8) & 0x00010001u) * 0xFF;           // 0xFF in lanes that overflowed
    const U oddMax = ((odd >> 8) & 0x00010001u) * 0xFF;
    return ((even | evenMax) & 0x00FF00FFu) | (((odd | oddMax) & 0x00FF00FFu) << 8);
}

Pixel over(Pixel top, Pixel below) { return add(top, scalePixel(below, 255 - pixelA(top))); }

U strengthen(U v, float strength) {
    const float s = v * strength;
    return s >= 255.0f ? 255 : (s > 0.0f ? static_cast<U>(s + 0.5f) : 0);
}

// Premultiplied colours of a gradient at 256 positions.
void gradientTable(const std::vector<FilterStop>& stops, Pixel* out) {
    for (int i = 0; i < 256; ++i) {
        if (stops.empty()) {
            out[i] = 0;
            continue;
        }
        std::size_t k = 0;
        while (k < stops.size() && stops[k].ratio < i) ++k;
        Color c;
        if (k == 0) {
            c = stops.front().color;
        } else if (k == stops.size()) {
            c = stops.back().color;
        } else {
            const FilterStop& a = stops[k - 1];
            const FilterStop& b = stops[k];
            const int span = b.ratio - a.ratio;
            const int t = span > 0 ? (i - a.ratio) * 256 / span : 256;
            auto mix = [t](int x, int y) { return static_cast<std::uint8_t>(x + (y - x) * t / 256); };
            c = Color{mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
                      mix(a.color.a, b.color.a)};
        }
        out[i] = premultiply(c);
    }
}

// Copies a w x h area of CH-byte pixels into `out` transposed (h x w, rows h pixels long).
template <typename Px>
void transpose(const std::uint8_t* in, int inStride, int w, int h, std::uint8_t* out, int outStride) {
    // In blocks, each output row written in order while the reads stride down the input.
    constexpr int kBlock = 32;
    for (int by = 0; by < h; by += kBlock)
        for (int bx = 0; bx < w; bx += kBlock)
            for (int x = bx; x < std::min(bx + kBlock, w); ++x) {
                std::uint8_t* dst = out + static_cast<std::ptrdiff_t>(x) * outStride;
                const std::uint8_t* src = in + x * sizeof(Px);
                for (int y = by; y < std::min(by + kBlock, h); ++y)
                    std::memcpy(dst + y * sizeof(Px), src + static_cast<std::ptrdiff_t>(y) * inStride, sizeof(Px));
            }
}

#if defined(__SSE2__)
// transpose() of single bytes, 16 x 16 at a time: each of four rounds of interleaving register i
// with register i + 8 rotates the 8-bit (row, column) index of every byte by one bit, so four
// rounds make a transpose.
void transposeBytes(const std::uint8_t* in, int inStride, int w, int h, std::uint8_t* out, int outStride) {
    const int w16 = w & ~15, h16 = h & ~15;
    for (int by = 0; by < h16; by += 16)
        for (int bx = 0; bx < w16; bx += 16) {
            __m128i v[16], t[16];
            for (int k = 0; k < 16; ++k)
                v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + static_cast<std::ptrdiff_t>(by + k) * inStride + bx));
            auto round = [](const __m128i* from, __m128i* to) {
                for (int k = 0; k < 8; ++k) {
                    to[2 * k] = _mm_unpacklo_epi8(from[k], from[k + 8]);
                    to[2 * k + 1] = _mm_unpackhi_epi8(from[k], from[k + 8]);
                }
            };
            round(v, t);
            round(t, v);
            round(v, t);
            round(t, v);
            for (int k = 0; k < 16; ++k)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + static_cast<std::ptrdiff_t>(bx + k) * outStride + by), v[k]);
        }
    // The right and bottom edges a byte at a time.
    auto one = [&](int x, int y) { out[static_cast<std::ptrdiff_t>(x) * outStride + y] = in[static_cast<std::ptrdiff_t>(y) * inStride + x]; };
    for (int y = 0; y < h16; ++y)
        for (int x = w16; x < w; ++x) one(x, y);
    for (int y = h16; y < h; ++y)
        for (int x = 0; x < w; ++x) one(x, y);
}
#endif

void transpose8(const std::uint8_t* in, int inStride, int w, int h, std::uint8_t* out, int outStride) {
#if defined(__SSE2__)
    transposeBytes(in, inStride, w, h, out, outStride);
#else
    transpose<std::uint8_t>(in, inStride, w, h, out, outStride);
#endif
}

// Box sums divided by the width with one 32-bit multiply: (sum + w / 2) * ceil(2^23 / w) >> 23
// rounds to nearest within 1/16 for any width up to 2049 and never overflows. For wide boxes
// with end taps, the rounded-up reciprocal takes a full box (all 255) to 256: held at 255.
struct Divider {
    explicit Divider(U width) : half(width / 2), inv(((U{1} << 23) + width - 1) / width) {}
    std::uint8_t operator()(U sum) const { return static_cast<std::uint8_t>(std::min<U>(((sum + half) * inv) >> 23, 255)); }
    U half, inv;
};

#if defined(__SSE2__)
// Sixteen columns of a vertical pass: outputs from the sums, then the sums moved on by the row
// entering and the one leaving. Divider's ((x * inv) >> 23) is taken apart into 16-bit
// multiplies that give exactly the same quotient (see the comments in each branch); packing to
// bytes holds a quotient of 256 at 255 as Divider does.
class ColumnStep {
public:
    ColumnStep(U half, U inv, U fw) : m_fw(fw) {
        if (fw) {
            // x = 256 * sum + fw * (above + in) + half < 2^24 and x * inv < 2^31 + 2^24. With
            // x split into its 16-bit halves:
            //   (x * inv) >> 23 = ((x >> 16) * inv + (((x & 0xFFFF) * inv) >> 16)) >> 7,
            // where every term is below 2^16 (the quotient is at most 256). The halves are put
            // together in 16-bit lanes: the low half wraps, and each carry out of it goes to the
            // high half.
            m_inv = _mm_set1_epi16(static_cast<short>(inv));
            m_half = _mm_set1_epi16(static_cast<short>(half));
            m_weight = _mm_set1_epi16(static_cast<short>(fw));
        } else {
            // x = sum + half < 2^16 and inv < 2^22. With inv = high * 2^16 + low:
            //   (x * inv) >> 23 = (x * high + ((x * low) >> 16)) >> 7, all terms below 2^15.
            m_invHigh = _mm_set1_epi16(static_cast<short>(inv >> 16));
            m_inv = _mm_set1_epi16(static_cast<short>(inv & 0xFFFF));
            m_half = _mm_set1_epi16(static_cast<short>(half));
        }
    }

    // Sixteen outputs from sums s0 (bytes 0..7) and s1 (bytes 8..15), which then move on by the
    // bytes entering and leaving the window; `above` is the byte before the leaving one.
    [[gnu::always_inline]] __m128i operator()(__m128i& s0, __m128i& s1, __m128i entering, __m128i leaving, __m128i above) const {
        const __m128i zero = _mm_setzero_si128();
        const __m128i in0 = _mm_unpacklo_epi8(entering, zero), in1 = _mm_unpackhi_epi8(entering, zero);
        __m128i q;
        if (m_fw) {
            const __m128i ends0 = _mm_add_epi16(_mm_unpacklo_epi8(above, zero), in0);
            const __m128i ends1 = _mm_add_epi16(_mm_unpackhi_epi8(above, zero), in1);
            q = _mm_packus_epi16(quotient(s0, ends0), quotient(s1, ends1));
        } else {
            q = _mm_packus_epi16(quotient(s0), quotient(s1));
        }
        s0 = _mm_sub_epi16(_mm_add_epi16(s0, in0), _mm_unpacklo_epi8(leaving, zero));
        s1 = _mm_sub_epi16(_mm_add_epi16(s1, in1), _mm_unpackhi_epi8(leaving, zero));
        return q;
    }

    // Nothing in the window nor at its ends: the outputs are zero, as are the bytes there already
    // (they lie in the window), and the sums stay (the leaving bytes are in the window too).
    static bool idle(__m128i s0, __m128i s1, __m128i entering, __m128i above) {
        const __m128i any = _mm_or_si128(_mm_or_si128(s0, s1), _mm_or_si128(entering, above));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) == 0xFFFF;
    }

    [[gnu::always_inline]] void operator()(std::uint16_t* sums, std::uint8_t* out, const std::uint8_t* in,
                                           const std::uint8_t* old, const std::uint8_t* above) const {
        auto load = [](const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
        __m128i* s = reinterpret_cast<__m128i*>(sums);
        __m128i s0 = _mm_loadu_si128(s), s1 = _mm_loadu_si128(s + 1);
        const __m128i entering = load(in), before = load(above);
        if (idle(s0, s1, entering, before)) return;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), (*this)(s0, s1, entering, load(old), before));
        _mm_storeu_si128(s, s0);
        _mm_storeu_si128(s + 1, s1);
    }

private:
    [[gnu::always_inline]] __m128i quotient(__m128i sum) const {
        const __m128i x = _mm_add_epi16(sum, m_half);
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(x, m_invHigh), _mm_mulhi_epu16(x, m_inv)), 7);
    }

    // The same with end taps: x = 256 * sum + fw * ends + half.
    [[gnu::always_inline]] __m128i quotient(__m128i sum, __m128i ends) const {
        // Unsigned 16-bit sum and, per lane, -1 without a carry out or 0 with one.
        auto add = [](__m128i a, __m128i b, __m128i& noCarry) {
            const __m128i total = _mm_add_epi16(a, b);
            noCarry = _mm_cmpeq_epi16(_mm_adds_epu16(a, b), total);
            return total;
        };
        __m128i noCarry1, noCarry2;
        const __m128i taps = add(_mm_mullo_epi16(ends, m_weight), m_half, noCarry1);  // fw * ends < 2^17
        const __m128i low = add(_mm_slli_epi16(sum, 8), taps, noCarry2);
        __m128i high = _mm_add_epi16(_mm_srli_epi16(sum, 8), _mm_mulhi_epu16(ends, m_weight));
        high = _mm_add_epi16(_mm_add_epi16(high, _mm_set1_epi16(2)), _mm_add_epi16(noCarry1, noCarry2));
        return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(high, m_inv), _mm_mulhi_epu16(low, m_inv)), 7);
    }

    U m_fw;
    __m128i m_inv, m_half, m_invHigh = _mm_setzero_si128(), m_weight = _mm_setzero_si128();
};
#endif

// One vertical pass, all columns at once: running column sums, and a ring of the last r + 2
// original rows (the rows leaving the window have been overwritten by then).
void blurColumns(std::uint8_t* data, int stride, int rowBytes, int h, Box b, FilterScratch& s) {
    const int r = b.r;
    const U fw = b.fw;
    const Divider div(fw ? 256 * (2 * static_cast<U>(r) + 1) + 2 * fw : 2 * static_cast<U>(r) + 1);
    const int ringRows = r + 2;
    s.sums.assign(static_cast<std::size_t>(rowBytes), 0);
    s.ring.resize(static_cast<std::size_t>(rowBytes) * (ringRows + 1));
    std::uint8_t* zero = s.ring.data() + static_cast<std::size_t>(rowBytes) * ringRows;
    std::fill(zero, zero + rowBytes, 0);
    std::uint16_t* __restrict sums = s.sums.data();
    auto row = [&](int y) { return data + static_cast<std::ptrdiff_t>(y) * stride; };
    auto saved = [&](int y) { return s.ring.data() + static_cast<std::size_t>(y % ringRows) * rowBytes; };
    for (int y = 0; y <= r && y < h; ++y) {
        const std::uint8_t* __restrict in = row(y);
        for (int i = 0; i < rowBytes; ++i) sums[i] = static_cast<std::uint16_t>(sums[i] + in[i]);
    }
#if defined(__SSE2__)
    const ColumnStep step(div.half, div.inv, fw);
#endif
    for (int y = 0; y < h; ++y) {
        std::uint8_t* __restrict out = row(y);
        std::copy(out, out + rowBytes, saved(y));
        // The row entering the window and the one leaving it (zeros past either end); one pass
        // writes the output and moves the sums on.
        const std::uint8_t* __restrict in = y + r + 1 < h ? row(y + r + 1) : zero;
        const std::uint8_t* __restrict old = y - r >= 0 ? saved(y - r) : zero;
        const std::uint8_t* __restrict above = y - r - 1 >= 0 ? saved(y - r - 1) : zero;
        int i = 0;
#if defined(__SSE2__)
        for (; i + 16 <= rowBytes; i += 16) step(sums + i, out + i, in + i, old + i, above + i);
#endif
        for (; i < rowBytes; ++i) {
            const U sum = sums[i];
            out[i] = fw ? div(sum * 256 + fw * (U{above[i]} + in[i])) : div(sum);
            sums[i] = static_cast<std::uint16_t>(sum + in[i] - old[i]);
        }
    }
}

#if defined(__SSE2__)
// Horizontal passes over 32-bit pixels, four rows at a time, without transposing the picture:
// pixel x of the four rows makes one register (16 bytes, the layout of one step of the column
// pass), and a ring of the last 2r + 3 such registers keeps the originals the window still needs
// after they are overwritten.
void blurRows4(std::uint8_t* data, int stride, int w, int h, Box b, int passes, FilterScratch& s) {
    const int r = b.r, ringSize = 2 * r + 3;
    const U fw = b.fw;
    const Divider div(fw ? 256 * (2 * static_cast<U>(r) + 1) + 2 * fw : 2 * static_cast<U>(r) + 1);
    const ColumnStep step(div.half, div.inv, fw);
    s.ring.resize(static_cast<std::size_t>(ringSize) * 16);
    s.transposed.resize(static_cast<std::size_t>(w) * 4);  // stands in for rows past the bottom
    // Unaligned access throughout: vector storage is only 8-byte aligned on 32-bit Windows.
    std::uint8_t* ring = s.ring.data();
    auto slot = [&](int i) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(ring + 16 * i)); };
    auto store = [&](int i, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(ring + 16 * i), v); };
    for (int y = 0; y < h; y += 4) {
        std::uint8_t* rows[4];
        for (int k = 0; k < 4; ++k) rows[k] = y + k < h ? data + static_cast<std::ptrdiff_t>(y + k) * stride : s.transposed.data();
        auto gather = [&](int x) {
            auto one = [&](int k) {
                int v;
                std::memcpy(&v, rows[k] + x * 4, 4);
                return _mm_cvtsi32_si128(v);
            };
            return _mm_unpacklo_epi64(_mm_unpacklo_epi32(one(0), one(1)), _mm_unpacklo_epi32(one(2), one(3)));
        };
        for (int pass = 0; pass < passes; ++pass) {
            // Slots of positions before the start read as zeros until positions that far on are
            // stored (r + 2 steps later than they are needed).
            std::fill(ring, ring + 16 * ringSize, 0);
            __m128i s0 = _mm_setzero_si128(), s1 = _mm_setzero_si128();
            for (int x = 0; x <= r && x < w; ++x) {
                const __m128i p = gather(x);
                store(x, p);
                s0 = _mm_add_epi16(s0, _mm_unpacklo_epi8(p, _mm_setzero_si128()));
                s1 = _mm_add_epi16(s1, _mm_unpackhi_epi8(p, _mm_setzero_si128()));
            }
            // Ring slots of positions x + r + 1 (entering), x - r (leaving) and x - r - 1.
            int in = r + 1, out = r > 0 ? ringSize - r : 0, above = ringSize - r - 1;
            for (int x = 0; x < w; ++x) {
                const __m128i entering = x + r + 1 < w ? gather(x + r + 1) : _mm_setzero_si128();
                store(in, entering);
                const __m128i before = slot(above);
                if (!ColumnStep::idle(s0, s1, entering, before)) {
                    const __m128i q = step(s0, s1, entering, slot(out), before);
                    const int v[4] = {_mm_cvtsi128_si32(q), _mm_cvtsi128_si32(_mm_srli_si128(q, 4)),
                                      _mm_cvtsi128_si32(_mm_srli_si128(q, 8)), _mm_cvtsi128_si32(_mm_srli_si128(q, 12))};
                    for (int k = 0; k < 4; ++k) std::memcpy(rows[k] + x * 4, &v[k], 4);
                }
                in = in + 1 == ringSize ? 0 : in + 1;
                out = out + 1 == ringSize ? 0 : out + 1;
                above = above + 1 == ringSize ? 0 : above + 1;
            }
        }
    }
}
#endif

}  // namespace

void boxBlur(std::uint8_t* data, int stride, int w, int h, int channels, float blurX, float blurY,
             int passes, FilterScratch& s) {
    if (w <= 0 || h <= 0 || (channels != 1 && channels != 4)) return;
    const Box bx = boxOf(blurX), by = boxOf(blurY);
    // Box passes commute, so all horizontal passes run first. 32-bit pixels move along the rows
    // four rows at a time; single bytes run as vertical passes over a transposed copy, where the
    // running sums move along whole rows, which vectorizes.
    if (bx.reach() > 0) {
#if defined(__SSE2__)
        if (channels == 4) {
            blurRows4(data, stride, w, h, bx, passes, s);
        } else
#endif
        {
            const int tStride = h * channels;
            s.transposed.resize(static_cast<std::size_t>(w) * tStride);
            if (channels == 4) {
                transpose<std::uint32_t>(data, stride, w, h, s.transposed.data(), tStride);
            } else {
                transpose8(data, stride, w, h, s.transposed.data(), tStride);
            }
            for (int pass = 0; pass < passes; ++pass) blurColumns(s.transposed.data(), tStride, tStride, w, bx, s);
            if (channels == 4) {
                transpose<std::uint32_t>(s.transposed.data(), tStride, h, w, data, stride);
            } else {
                transpose8(s.transposed.data(), tStride, h, w, data, stride);
            }
        }
    }
    if (by.reach() > 0)
        for (int pass = 0; pass < passes; ++pass) blurColumns(data, stride, w * channels, h, by, s);
}

FilterMargin filterMargin(std::span<const Filter> filters) {
    FilterMargin m;
    for (const Filter& f : filters) {
        int mx = 0, my = 0;
        Offset o;
        switch (f.kind) {
        case FilterKind::ColorMatrix: break;
        case FilterKind::Convolution:
            mx = std::clamp(f.cols, 0, 255) / 2;
            my = std::clamp(f.rows, 0, 255) / 2;
            break;
        default:
            if (isInner(f)) break;  // drawn inside the object only
            mx = boxOf(f.blurX).reach() * passesOf(f);
            my = boxOf(f.blurY).reach() * passesOf(f);
            if (f.kind != FilterKind::Blur) o = offsetOf(f);
            break;
        }
        const bool bevel = f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel;
        m.left += mx + (bevel ? std::abs(o.dx) : std::max(0, -o.dx));
        m.right += mx + (bevel ? std::abs(o.dx) : std::max(0, o.dx));
        m.top += my + (bevel ? std::abs(o.dy) : std::max(0, -o.dy));
        m.bottom += my + (bevel ? std::abs(o.dy) : std::max(0, o.dy));
    }
    return m;
}

IntRect layerBox(const Rect& content, std::span<const Filter> filters, const IntRect& limit) {
    if (content.isEmpty() || !std::isfinite(content.x0) || !std::isfinite(content.y0) ||
        !std::isfinite(content.x1) || !std::isfinite(content.y1))
        return {};
    const FilterMargin m = filterMargin(filters);
    auto clampF = [](float v) { return std::clamp(v, -1.0e6f, 1.0e6f); };
    IntRect r{static_cast<int>(std::floor(clampF(content.x0))) - 1 - m.left,
              static_cast<int>(std::floor(clampF(content.y0))) - 1 - m.top,
              static_cast<int>(std::ceil(clampF(content.x1))) + 1 + m.right,
              static_cast<int>(std::ceil(clampF(content.y1))) + 1 + m.bottom};
    r.x0 = std::max(r.x0, limit.x0);
    r.y0 = std::max(r.y0, limit.y0);
    r.x1 = std::min(r.x1, limit.x1);
    r.y1 = std::min(r.y1, limit.y1);
    if (r.isEmpty()) return {};
    return r;
}

namespace {

void colorMatrix(Pixmap& layer, const IntRect& box, const std::vector<float>& m) {
    if (m.size() < 20) return;
    for (int y = box.y0; y < box.y1; ++y) {
        Pixel* row = layer.row(y);
        for (int x = box.x0; x < box.x1; ++x) {
            const Color c = unpremultiply(row[x]);
            const float in[4] = {float(c.r), float(c.g), float(c.b), float(c.a)};
            std::uint8_t out[4];
            for (int i = 0; i < 4; ++i) {
                const float* k = &m[static_cast<std::size_t>(i) * 5];
                const float v = k[0] * in[0] + k[1] * in[1] + k[2] * in[2] + k[3] * in[3] + k[4];
                out[i] = v >= 255.0f ? 255 : (v > 0.0f ? static_cast<std::uint8_t>(v + 0.5f) : 0);
            }
            row[x] = premultiply(Color{out[0], out[1], out[2], out[3]});
        }
    }
}

void convolution(Pixmap& layer, const IntRect& box, const Filter& f, std::vector<Pixel>& copy) {
    const int cols = f.cols, rows = f.rows;
    // Larger kernels are rare and would cost seconds a frame; they are left out.
    if (cols <= 0 || rows <= 0 || cols * rows > 15 * 15 ||
        f.matrix.size() < static_cast<std::size_t>(cols * rows))
        return;
    const int w = box.width(), h = box.height();
    copy.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Color c = unpremultiply(layer.row(box.y0 + y)[box.x0 + x]);
            copy[static_cast<std::size_t>(y) * w + x] = packPixel(c.r, c.g, c.b, c.a);  // straight
        }
    const float div = (f.divisor != 0.0f && std::isfinite(f.divisor)) ? f.divisor : 1.0f;
    const Pixel outside = packPixel(f.defaultColor.r, f.defaultColor.g, f.defaultColor.b, f.defaultColor.a);
    for (int y = 0; y < h; ++y) {
        Pixel* row = layer.row(box.y0 + y);
        for (int x = 0; x < w; ++x) {
            float sum[4] = {0, 0, 0, 0};
            for (int j = 0; j < rows; ++j)
                for (int i = 0; i < cols; ++i) {
                    int sx = x + i - cols / 2, sy = y + j - rows / 2;
                    Pixel p;
                    if (sx >= 0 && sy >= 0 && sx < w && sy < h) {
                        p = copy[static_cast<std::size_t>(sy) * w + sx];
                    } else if (f.clamp) {
                        p = copy[static_cast<std::size_t>(std::clamp(sy, 0, h - 1)) * w + std::clamp(sx, 0, w - 1)];
                    } else {
                        p = outside;
                    }
                    const float k = f.matrix[static_cast<std::size_t>(j) * cols + i];
                    for (int c = 0; c < 4; ++c) sum[c] += k * static_cast<float>((p >> (8 * c)) & 0xFF);
                }
            std::uint8_t out[4];
            for (int c = 0; c < 4; ++c) {
                const float v = sum[c] / div + f.bias;
                out[c] = v >= 255.0f ? 255 : (v > 0.0f ? static_cast<std::uint8_t>(v + 0.5f) : 0);
            }
            if (f.preserveAlpha) out[3] = static_cast<std::uint8_t>(copy[static_cast<std::size_t>(y) * w + x] >> 24);
            row[box.x0 + x] = premultiply(Color{out[0], out[1], out[2], out[3]});
        }
    }
}

// How the effect meets the object: the effect weighted by the object's alpha (inner) or by
// what the object leaves uncovered, then the effect alone, the effect over the object, or the
// object over the effect.
struct EffectMix {
    bool inner = false, uncovered = false, replace = false, effectOnTop = false;

    Pixel operator()(Pixel effect, Pixel src) const {
        const U sa = pixelA(src);
        if (inner) {
            effect = scalePixel(effect, sa);
        } else if (uncovered) {
            effect = scalePixel(effect, 255 - sa);
        }
        if (replace) return effect;
        if (effect == 0) return src;
        if (effectOnTop) return over(effect, src);
        return sa != 255 ? over(src, effect) : src;
    }

#if defined(__SSE2__)
    // The same for four pixels (over() with saturating byte adds; scaling by 255 and adding zero
    // leave a pixel as it is, so no lanes need picking).
    __m128i operator()(__m128i effect, __m128i src) const {
        if (inner) {
            effect = scalePixels4(effect, _mm_srli_epi32(src, 24));
        } else if (uncovered) {
            effect = scalePixels4(effect, inverseAlpha4(src));
        }
        if (replace) return effect;
        if (effectOnTop) return _mm_adds_epu8(effect, scalePixels4(src, inverseAlpha4(effect)));
        return _mm_adds_epu8(src, scalePixels4(effect, inverseAlpha4(src)));
    }

    // Four pixels this mix leaves as they are whatever the effect: transparent ones under an
    // inner effect, opaque ones over an outer one.
    bool keeps(__m128i src) const {
        if (replace) return false;
        if (inner) return _mm_movemask_epi8(_mm_cmpeq_epi32(src, _mm_setzero_si128())) == 0xFFFF;
        if (effectOnTop) return false;
        const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
        return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(src, alpha), alpha)) == 0xFFFF;
    }
#endif
};

// Mixes a row of effects computed by effectAt(x) into the object's row; effects are looked up
// only for pixels the mix can change.
template <typename EffectAt>
void mixRow(Pixel* row, int w, const EffectMix& mix, EffectAt effectAt) {
    int x = 0;
#if defined(__SSE2__)
    for (; x + 4 <= w; x += 4) {
        const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
        if (mix.keeps(src)) continue;
        const Pixel e0 = effectAt(x), e1 = effectAt(x + 1), e2 = effectAt(x + 2), e3 = effectAt(x + 3);
        if (!mix.replace && (e0 | e1 | e2 | e3) == 0) continue;  // no effect: the object as it is
        const __m128i effect = _mm_set_epi32(static_cast<int>(e3), static_cast<int>(e2), static_cast<int>(e1), static_cast<int>(e0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), mix(effect, src));
    }
#endif
    for (; x < w; ++x) row[x] = mix(effectAt(x), row[x]);
}

// Drop shadow, glow, gradient glow, bevel and gradient bevel.
void shadowFilter(Pixmap& layer, const IntRect& box, const Filter& f, FilterScratch& s) {
    const int w = box.width(), h = box.height();
    const bool bevel = f.kind == FilterKind::Bevel || f.kind == FilterKind::GradientBevel;
    const bool gradient = f.kind == FilterKind::GradientGlow || f.kind == FilterKind::GradientBevel;
    const bool inner = isInner(f);
    const bool full = bevel && f.onTop;
    Offset o = offsetOf(f);
    // The alpha plane: shifted by the offset for shadows, inverted for inner shadows and glows.
    // Bevels read it on both sides of each pixel, so its rows get |dx| zeros either side (an
    // offset of the plane's width or more reads only zeros, as does one of exactly the width).
    const int dx = bevel ? 0 : o.dx, dy = bevel ? 0 : o.dy;
    if (bevel) o = Offset{std::clamp(o.dx, -w, w), std::clamp(o.dy, -h, h)};
    const int pad = bevel ? std::abs(o.dx) : 0, stride = w + 2 * pad;
    const std::uint8_t outside = inner && !bevel ? 255 : 0;
    s.a.assign(static_cast<std::size_t>(stride) * h, outside);
    std::uint8_t* plane = s.a.data() + pad;
    const int x0 = std::clamp(dx, 0, w), x1 = std::clamp(w + dx, 0, w);
    for (int y = std::clamp(dy, 0, h); y < std::clamp(h + dy, 0, h); ++y) {
        const Pixel* src = layer.row(box.y0 + y - dy) + box.x0 - dx;
        std::uint8_t* out = plane + static_cast<std::size_t>(y) * stride;
        for (int x = x0; x < x1; ++x) out[x] = static_cast<std::uint8_t>(pixelA(src[x]) ^ outside);
    }
    boxBlur(plane, stride, w, h, 1, f.blurX, f.blurY, passesOf(f), s);

    Pixel table[256];
    if (gradient) gradientTable(f.stops, table);
    const Pixel shadowColor = premultiply(f.color), highlightColor = premultiply(f.highlight);
    const EffectMix mix{inner, !inner && !full && (f.knockout || bevel), f.knockout || f.hideObject, inner || full};
    if (!bevel) {
        // Shadows and glows: the colour for each blurred alpha value, strength applied.
        Pixel effectOf[256];
        for (U v = 0; v < 256; ++v) {
            const U k = strengthen(v, f.strength);
            effectOf[v] = gradient ? table[k] : scalePixel(shadowColor, k);
        }
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* a = plane + static_cast<std::size_t>(y) * stride;
            mixRow(layer.row(box.y0 + y) + box.x0, w, mix, [&](int x) { return effectOf[a[x]]; });
        }
        return;
    }
    // Bevels: the colour for each difference of the blurred alpha across the light direction.
    Pixel bevelOf[511];
    for (int lit = -255; lit <= 255; ++lit) {
        const U high = strengthen(static_cast<U>(std::max(lit, 0)), f.strength);
        const U dark = strengthen(static_cast<U>(std::max(-lit, 0)), f.strength);
        bevelOf[lit + 255] = gradient ? table[std::clamp(128 + (static_cast<int>(dark) - static_cast<int>(high)) / 2, 0, 255)]
                                      : add(scalePixel(highlightColor, high), scalePixel(shadowColor, dark));
    }
    // Rows of the plane past its top or bottom read as zeros (the blur is done with the ring).
    s.ring.assign(static_cast<std::size_t>(stride), 0);
    const std::uint8_t* zeros = s.ring.data() + pad;
    auto planeRow = [&](int y) {
        return y >= 0 && y < h ? plane + static_cast<std::ptrdiff_t>(y) * stride : zeros;
    };
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* lit = planeRow(y + o.dy) + o.dx;
        const std::uint8_t* shade = planeRow(y - o.dy) - o.dx;
        const Pixel* colours = bevelOf + 255;
        mixRow(layer.row(box.y0 + y) + box.x0, w, mix, [&](int x) { return colours[int{lit[x]} - int{shade[x]}]; });
    }
}

}  // namespace

void applyFilter(Pixmap& layer, const IntRect& area, const Filter& f, FilterScratch& s) {
    IntRect box{std::max(area.x0, 0), std::max(area.y0, 0), std::min(area.x1, layer.width()),
                std::min(area.y1, layer.height())};
    if (box.isEmpty()) return;
    switch (f.kind) {
    case FilterKind::Blur: {
        auto* base = reinterpret_cast<std::uint8_t*>(layer.row(box.y0) + box.x0);
        boxBlur(base, layer.width() * 4, box.width(), box.height(), 4, f.blurX, f.blurY, passesOf(f), s);
        break;
    }
    case FilterKind::ColorMatrix: colorMatrix(layer, box, f.matrix); break;
    case FilterKind::Convolution: convolution(layer, box, f, s.pixels); break;
    default: shadowFilter(layer, box, f, s); break;
    }
}

}  // namespace render
