// Paint span generators: gradients read a 256-entry premultiplied colour table indexed by the
// spread-mapped parameter t (linear: t is affine in x, so it steps by a constant per pixel;
// radial with focal point: t solves |F + (P - F) / t| = 1); bitmaps sample the inverse-mapped
// pixel centre, nearest or bilinear on premultiplied texels, clamped or repeating.
#include "render/paint.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

float srgbToLinear(float c) {
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

float linearToSrgb(float c) {
    return c <= 0.0031308f ? c * 12.92f : 1.055f * std::pow(c, 1.0f / 2.4f) - 0.055f;
}

// v truncated into 0..255 (NaN gives 0) without branches: table entries mix all three cases.
// Entries truncate as an integer mix of the stops does; the small bias keeps float error
// (a stop's own 153 coming back as 152.99998) from losing a step.
std::uint8_t toByte(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return static_cast<std::uint8_t>(static_cast<int>(v + 0.001f));
}

// Converts a float coordinate to int without overflow for any finite or infinite input.
int safeFloor(float v) {
    if (!(v > -1.0e8f)) return -100000000;
    if (v > 1.0e8f) return 100000000;
    int i = static_cast<int>(v);
    return static_cast<float>(i) > v ? i - 1 : i;
}

bool finiteMatrix(const Matrix& m) {
    return std::isfinite(m.a) && std::isfinite(m.b) && std::isfinite(m.c) && std::isfinite(m.d) &&
           std::isfinite(m.tx) && std::isfinite(m.ty) && std::fabs(m.tx) < 1.0e12f &&
           std::fabs(m.ty) < 1.0e12f;
}

}  // namespace

void buildGradientLut(const GradientPaint& g, const ColorTransform& cx,
                      std::array<Pixel, kGradientLutSize>& lut) {
    const std::size_t n = g.stops.size();
    if (n == 0) {
        lut.fill(0);
        return;
    }
    struct Stop {
        float ratio;
        float c[4];  // r, g, b in 0..1 (linear light in LinearRgb mode), alpha 0..1
    };
    // A frame builds one table per gradient fill: the usual stop counts live on the stack.
    constexpr std::size_t kInline = 16;
    Stop inlineStops[kInline];
    std::vector<Stop> heapStops;
    Stop* stops = inlineStops;
    if (n > kInline) {
        heapStops.resize(n);
        stops = heapStops.data();
    }
    const bool linear = g.interpolation == Interpolation::LinearRgb;
    float prev = 0.0f;
    for (std::size_t k = 0; k < n; ++k) {
        const GradientStop& s = g.stops[k];
        Color c = cx.apply(s.color);
        Stop& st = stops[k];
        // Ratios out of order are raised to their predecessor so the search stays monotonic.
        st.ratio = std::max(prev, std::clamp(std::isfinite(s.ratio) ? s.ratio : 0.0f, 0.0f, 1.0f));
        prev = st.ratio;
        float rgb[3] = {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f};
        for (int ch = 0; ch < 3; ++ch) {
            st.c[ch] = linear ? srgbToLinear(rgb[ch]) : rgb[ch];
        }
        st.c[3] = c.a / 255.0f;
    }
    auto entry = [&](const float* c) {
        float v[3] = {c[0], c[1], c[2]};
        if (linear) {
            for (int ch = 0; ch < 3; ++ch) {
                v[ch] = linearToSrgb(std::clamp(v[ch], 0.0f, 1.0f));
            }
        }
        const std::uint32_t r = toByte(v[0] * 255.0f), gr = toByte(v[1] * 255.0f);
        const std::uint32_t b = toByte(v[2] * 255.0f), a = toByte(c[3] * 255.0f);
        // premultiply(), inline.
        return a == 255 ? packPixel(r, gr, b, 255)
                        : packPixel(mulDiv255(r, a), mulDiv255(gr, a), mulDiv255(b, a), a);
    };
    // t = i / 255 by division, as the ratios of file stops are: a stop at k / 255 is met exactly.
    static const std::array<float, kGradientLutSize> kT = [] {
        std::array<float, kGradientLutSize> t{};
        for (int i = 0; i < kGradientLutSize; ++i) {
            t[i] = static_cast<float>(i) / static_cast<float>(kGradientLutSize - 1);
        }
        return t;
    }();
    const Stop& front = stops[0];
    const Stop& back = stops[n - 1];
    const Pixel frontPixel = entry(front.c);
    const Pixel backPixel = entry(back.c);
    int i = 0;
    // The first stop's colour up to its ratio, then each stop interval in turn, then the last
    // stop's colour; within an interval t lies in [a.ratio, b.ratio) with b.ratio > a.ratio.
    for (; i < kGradientLutSize && kT[i] <= front.ratio; ++i) {
        lut[i] = frontPixel;
    }
    std::size_t k = 0;
    for (; i < kGradientLutSize; ++i) {
        const float t = kT[i];
        if (t >= back.ratio) {
            break;
        }
        while (k + 1 < n && stops[k + 1].ratio <= t) {
            ++k;
        }
        const Stop& a = stops[k];
        const Stop& b = stops[std::min(k + 1, n - 1)];
        const float span = b.ratio - a.ratio;
        const float f = span > 0.0f ? (t - a.ratio) / span : 1.0f;
        float c[4];
        for (int ch = 0; ch < 4; ++ch) {
            c[ch] = a.c[ch] + (b.c[ch] - a.c[ch]) * f;
        }
        lut[i] = entry(c);
    }
    for (; i < kGradientLutSize; ++i) {
        lut[i] = backPixel;
    }
}

bool PaintContext::prepare(const Paint& paint, const Matrix& toDevice, const ColorTransform& cx) {
    m_cx = cx;
    m_inverse = Matrix{};
    m_cxIdentity = cx.isIdentity();
    if (const auto* s = std::get_if<SolidPaint>(&paint)) {
        m_kind = Kind::Solid;
        m_solid = premultiply(cx.apply(s->color));
        return true;
    }
    if (const auto* g = std::get_if<GradientPaint>(&paint)) {
        if (g->stops.empty() || !(toDevice * g->matrix).invert(m_inverse)) {
            return false;
        }
        if (!finiteMatrix(m_inverse)) {
            return false;
        }
        m_kind = g->kind == GradientKind::Linear ? Kind::Linear : Kind::Radial;
        m_spread = g->spread;
        m_focal = std::isfinite(g->focal) ? std::clamp(g->focal, -0.998f, 0.998f) : 0.0f;
        buildGradientLut(*g, cx, m_lut);
        return true;
    }
    const auto& b = std::get<BitmapPaint>(paint);
    if (b.image == nullptr || b.image->isEmpty() || !(toDevice * b.matrix).invert(m_inverse)) {
        return false;
    }
    if (!finiteMatrix(m_inverse)) {
        return false;
    }
    m_kind = Kind::Bitmap;
    m_image = b.image;
    m_wrap = b.wrap;
    m_filter = b.filter;
    return true;
}

void PaintContext::fillSpan(int x, int y, int n, Pixel* out) const {
    float px = static_cast<float>(x) + 0.5f;
    float py = static_cast<float>(y) + 0.5f;
    Point g = m_inverse.apply(Point{px, py});
    switch (m_kind) {
    case Kind::Solid:
        std::fill(out, out + n, m_solid);
        return;
    case Kind::Linear:
        fillLinear(g.x, g.y, n, out);
        return;
    case Kind::Radial:
        fillRadial(g.x, g.y, n, out);
        return;
    case Kind::Bitmap:
        if (m_filter == BitmapFilter::Nearest) {
            fillBitmapNearest(g.x, g.y, n, out);
        } else {
            fillBitmapSmooth(g.x, g.y, n, out);
        }
        if (!m_cxIdentity) {
            for (int i = 0; i < n; ++i) {
                out[i] = m_cx.applyPremultiplied(out[i]);
            }
        }
        return;
    }
}

namespace {

const float kLutParts = static_cast<float>(kGradientLutSize);
const float kLutLast = static_cast<float>(kGradientLutSize - 1);

// Table index of a spread-mapped t: the gradient square splits into 256 equal parts, part i
// taking entry i. NaN (from inf - inf in extreme matrices) and anything out of 0..1 land in
// the table; a plain clamp would pass NaN on and index outside it.
inline int lutIndex(float t) {
    t = t > 0.0f ? t : 0.0f;  // NaN gives 0
    t = t < 1.0f ? t : 1.0f;
    return std::min(static_cast<int>(t * kLutParts), kGradientLutSize - 1);
}

#if defined(__SSE2__)
// Floor of four floats known to lie in +-2^31 (truncation plus a correction, as the scalar code).
inline __m128 floor4(__m128 v) {
    __m128 f = _mm_cvtepi32_ps(_mm_cvttps_epi32(v));
    return _mm_sub_ps(f, _mm_and_ps(_mm_cmpgt_ps(f, v), _mm_set1_ps(1.0f)));
}

// applySpread() on four lanes with the same arithmetic, so the results are bit-identical.
template <Spread kSpread>
inline __m128 spread4(__m128 t) {
    if (kSpread != Spread::Pad) {
        t = _mm_and_ps(t, _mm_cmpord_ps(t, t));  // NaN gives 0
        t = _mm_min_ps(_mm_max_ps(t, _mm_set1_ps(-1.0e6f)), _mm_set1_ps(1.0e6f));
    }
    const __m128 one = _mm_set1_ps(1.0f);
    switch (kSpread) {
    case Spread::Pad:
        // max() returns its second operand for NaN, so NaN gives 0 here too.
        return _mm_min_ps(_mm_max_ps(t, _mm_setzero_ps()), one);
    case Spread::Repeat:
        return _mm_sub_ps(t, floor4(t));
    case Spread::Reflect: {
        __m128 f = floor4(_mm_mul_ps(t, _mm_set1_ps(0.5f)));
        __m128 m = _mm_sub_ps(t, _mm_mul_ps(_mm_set1_ps(2.0f), f));
        __m128 above = _mm_cmpgt_ps(m, one);
        return _mm_or_ps(_mm_and_ps(above, _mm_sub_ps(_mm_set1_ps(2.0f), m)),
                         _mm_andnot_ps(above, m));
    }
    }
    return t;
}

// Looks up four spread-mapped parameters in the colour table and stores the pixels.
inline void lookup4(const std::array<Pixel, kGradientLutSize>& lut, __m128 t, Pixel* out) {
    __m128i idx = _mm_cvttps_epi32(_mm_min_ps(_mm_mul_ps(t, _mm_set1_ps(kLutParts)), _mm_set1_ps(kLutLast)));
    // Four scalar table reads stored one by one: assembling a vector from them costs more.
    out[0] = lut[static_cast<std::size_t>(_mm_cvtsi128_si32(idx))];
    out[1] = lut[static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(idx, 1)))];
    out[2] = lut[static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(idx, 2)))];
    out[3] = lut[static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_shuffle_epi32(idx, 3)))];
}

inline __m128 laneSteps(int i) {
    return _mm_add_ps(_mm_set1_ps(static_cast<float>(i)), _mm_set_ps(3.0f, 2.0f, 1.0f, 0.0f));
}
#endif

// t = gx + dt * i for pixel i; four pixels per step, then the scalar tail.
template <Spread kSpread>
void linearLoop(const std::array<Pixel, kGradientLutSize>& lut, float gx, float dt, int n,
                Pixel* out) {
    int i = 0;
#if defined(__SSE2__)
    const __m128 gx4 = _mm_set1_ps(gx);
    const __m128 dt4 = _mm_set1_ps(dt);
    for (; i + 4 <= n; i += 4) {
        __m128 t = _mm_add_ps(gx4, _mm_mul_ps(dt4, laneSteps(i)));
        lookup4(lut, spread4<kSpread>(t), out + i);
    }
#endif
    for (; i < n; ++i) {
        float t = gx + dt * static_cast<float>(i);
        out[i] = lut[lutIndex(kSpread == Spread::Pad ? t : applySpread(t, kSpread))];
    }
}

}  // namespace

void PaintContext::fillLinear(float gx, float, int n, Pixel* out) const {
    const float dt = m_inverse.a;
    switch (m_spread) {
    case Spread::Pad:
        linearLoop<Spread::Pad>(m_lut, gx, dt, n, out);
        return;
    case Spread::Reflect:
        linearLoop<Spread::Reflect>(m_lut, gx, dt, n, out);
        return;
    case Spread::Repeat:
        linearLoop<Spread::Repeat>(m_lut, gx, dt, n, out);
        return;
    }
}

namespace {

// The radial loops, one instance per spread mode so the inner loop has no switch. Without a
// focal point t = |P|; with one, t solves |F + (P - F) / t| = 1.
template <Spread kSpread>
void radialLoop(const std::array<Pixel, kGradientLutSize>& lut, float gx, float gy, float dx,
                float dy, float focal, int n, Pixel* out) {
    const float c = 1.0f - focal * focal;
    const float invC = 1.0f / c;
    int i = 0;
#if defined(__SSE2__)
    const __m128 gx4 = _mm_set1_ps(gx), gy4 = _mm_set1_ps(gy);
    const __m128 dx4 = _mm_set1_ps(dx), dy4 = _mm_set1_ps(dy);
    if (focal == 0.0f) {
        for (; i + 4 <= n; i += 4) {
            __m128 fi = laneSteps(i);
            __m128 x = _mm_add_ps(gx4, _mm_mul_ps(dx4, fi));
            __m128 y = _mm_add_ps(gy4, _mm_mul_ps(dy4, fi));
            __m128 t = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y)));
            lookup4(lut, spread4<kSpread>(t), out + i);
        }
    } else {
        const __m128 f4 = _mm_set1_ps(focal), c4 = _mm_set1_ps(c), invC4 = _mm_set1_ps(invC);
        for (; i + 4 <= n; i += 4) {
            __m128 fi = laneSteps(i);
            __m128 ddx = _mm_sub_ps(_mm_add_ps(gx4, _mm_mul_ps(dx4, fi)), f4);
            __m128 ddy = _mm_add_ps(gy4, _mm_mul_ps(dy4, fi));
            __m128 b = _mm_mul_ps(f4, ddx);
            __m128 r2 = _mm_add_ps(_mm_mul_ps(ddx, ddx), _mm_mul_ps(ddy, ddy));
            __m128 t = _mm_mul_ps(
                _mm_add_ps(b, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(b, b), _mm_mul_ps(c4, r2)))), invC4);
            lookup4(lut, spread4<kSpread>(t), out + i);
        }
    }
#endif
    if (focal == 0.0f) {
        for (; i < n; ++i) {
            float fi = static_cast<float>(i);
            float x = gx + dx * fi;
            float y = gy + dy * fi;
            out[i] = lut[lutIndex(applySpread(std::sqrt(x * x + y * y), kSpread))];
        }
        return;
    }
    for (; i < n; ++i) {
        float fi = static_cast<float>(i);
        float ddx = gx + dx * fi - focal;
        float ddy = gy + dy * fi;
        float b = focal * ddx;
        float t = (b + std::sqrt(b * b + c * (ddx * ddx + ddy * ddy))) * invC;
        out[i] = lut[lutIndex(applySpread(t, kSpread))];
    }
}

}  // namespace

void PaintContext::fillRadial(float gx, float gy, int n, Pixel* out) const {
    const float dx = m_inverse.a;
    const float dy = m_inverse.b;
    switch (m_spread) {
    case Spread::Pad:
        radialLoop<Spread::Pad>(m_lut, gx, gy, dx, dy, m_focal, n, out);
        return;
    case Spread::Reflect:
        radialLoop<Spread::Reflect>(m_lut, gx, gy, dx, dy, m_focal, n, out);
        return;
    case Spread::Repeat:
        radialLoop<Spread::Repeat>(m_lut, gx, gy, dx, dy, m_focal, n, out);
        return;
    }
}

Pixel PaintContext::texel(int ix, int iy) const {
    const int w = m_image->width();
    const int h = m_image->height();
    if (m_wrap == BitmapWrap::Repeat) {
        ix %= w;
        iy %= h;
        if (ix < 0) ix += w;
        if (iy < 0) iy += h;
    } else {
        ix = std::clamp(ix, 0, w - 1);
        iy = std::clamp(iy, 0, h - 1);
    }
    return m_image->at(ix, iy);
}

void PaintContext::fillBitmapNearest(float u, float v, int n, Pixel* out) const {
    const float du = m_inverse.a;
    const float dv = m_inverse.b;
    for (int i = 0; i < n; ++i) {
        float fi = static_cast<float>(i);
        out[i] = texel(safeFloor(u + du * fi), safeFloor(v + dv * fi));
    }
}

void PaintContext::fillBitmapSmooth(float u, float v, int n, Pixel* out) const {
    const float du = m_inverse.a;
    const float dv = m_inverse.b;
    for (int i = 0; i < n; ++i) {
        float fi = static_cast<float>(i);
        float su = u + du * fi - 0.5f;
        float sv = v + dv * fi - 0.5f;
        int ix = safeFloor(su);
        int iy = safeFloor(sv);
        float fu = su - static_cast<float>(ix);
        float fv = sv - static_cast<float>(iy);
        std::uint32_t wx = std::isfinite(fu) ? static_cast<std::uint32_t>(std::clamp(fu, 0.0f, 1.0f) * 256.0f) : 0;
        std::uint32_t wy = std::isfinite(fv) ? static_cast<std::uint32_t>(std::clamp(fv, 0.0f, 1.0f) * 256.0f) : 0;
        Pixel p00 = texel(ix, iy), p10 = texel(ix + 1, iy);
        Pixel p01 = texel(ix, iy + 1), p11 = texel(ix + 1, iy + 1);
        std::uint32_t w00 = (256 - wx) * (256 - wy), w10 = wx * (256 - wy);
        std::uint32_t w01 = (256 - wx) * wy, w11 = wx * wy;
        Pixel r = 0;
        for (int sh = 0; sh < 32; sh += 8) {
            std::uint32_t c = ((p00 >> sh) & 0xFF) * w00 + ((p10 >> sh) & 0xFF) * w10 +
                              ((p01 >> sh) & 0xFF) * w01 + ((p11 >> sh) & 0xFF) * w11;
            r |= ((c + 32768) >> 16) << sh;
        }
        out[i] = r;
    }
}

}  // namespace render
