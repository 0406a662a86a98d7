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

std::uint8_t toByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<std::uint8_t>(v + 0.5f);
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
    std::vector<Stop> stops;
    stops.reserve(n);
    const bool linear = g.interpolation == Interpolation::LinearRgb;
    float prev = 0.0f;
    for (const GradientStop& s : g.stops) {
        Color c = cx.apply(s.color);
        Stop st;
        // Ratios out of order are raised to their predecessor so the search stays monotonic.
        st.ratio = std::max(prev, std::clamp(std::isfinite(s.ratio) ? s.ratio : 0.0f, 0.0f, 1.0f));
        prev = st.ratio;
        float rgb[3] = {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f};
        for (int k = 0; k < 3; ++k) {
            st.c[k] = linear ? srgbToLinear(rgb[k]) : rgb[k];
        }
        st.c[3] = c.a / 255.0f;
        stops.push_back(st);
    }
    std::size_t k = 0;
    for (int i = 0; i < kGradientLutSize; ++i) {
        float t = static_cast<float>(i) / static_cast<float>(kGradientLutSize - 1);
        float c[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (t <= stops.front().ratio) {
            std::copy(stops.front().c, stops.front().c + 4, c);
        } else if (t >= stops.back().ratio) {
            std::copy(stops.back().c, stops.back().c + 4, c);
        } else {
            while (k + 1 < n && stops[k + 1].ratio <= t) {
                ++k;
            }
            const Stop& a = stops[k];
            const Stop& b = stops[std::min(k + 1, n - 1)];
            float span = b.ratio - a.ratio;
            float f = span > 0.0f ? (t - a.ratio) / span : 1.0f;
            for (int ch = 0; ch < 4; ++ch) {
                c[ch] = a.c[ch] + (b.c[ch] - a.c[ch]) * f;
            }
        }
        if (linear) {
            for (int ch = 0; ch < 3; ++ch) {
                c[ch] = linearToSrgb(std::clamp(c[ch], 0.0f, 1.0f));
            }
        }
        Color out{toByte(c[0] * 255.0f), toByte(c[1] * 255.0f), toByte(c[2] * 255.0f),
                  toByte(c[3] * 255.0f)};
        lut[i] = premultiply(out);
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

void PaintContext::fillLinear(float gx, float, int n, Pixel* out) const {
    const float scale = static_cast<float>(kGradientLutSize - 1);
    const float dt = m_inverse.a;
    if (m_spread == Spread::Pad) {
        for (int i = 0; i < n; ++i) {
            float t = gx + dt * static_cast<float>(i);
            float f = std::clamp(t, 0.0f, 1.0f) * scale + 0.5f;
            out[i] = m_lut[static_cast<int>(f)];
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        float t = applySpread(gx + dt * static_cast<float>(i), m_spread);
        out[i] = m_lut[static_cast<int>(t * scale + 0.5f)];
    }
}

namespace {

// The radial loops, one instance per spread mode so the inner loop has no switch.
template <Spread kSpread>
void radialLoop(const std::array<Pixel, kGradientLutSize>& lut, float gx, float gy, float dx,
                float dy, float focal, int n, Pixel* out) {
    const float scale = static_cast<float>(kGradientLutSize - 1);
#if defined(__SSE2__)
    if (focal == 0.0f) {
        // Four square roots at a time; the table lookups stay scalar.
        const __m128i steps = _mm_set_epi32(3, 2, 1, 0);
        const __m128 fsteps = _mm_cvtepi32_ps(steps);
        alignas(16) float t4[4];
        int i = 0;
        for (; i + 4 <= n; i += 4) {
            __m128 fi = _mm_add_ps(_mm_set1_ps(static_cast<float>(i)), fsteps);
            __m128 x = _mm_add_ps(_mm_set1_ps(gx), _mm_mul_ps(_mm_set1_ps(dx), fi));
            __m128 y = _mm_add_ps(_mm_set1_ps(gy), _mm_mul_ps(_mm_set1_ps(dy), fi));
            _mm_store_ps(t4, _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(x, x), _mm_mul_ps(y, y))));
            for (int k = 0; k < 4; ++k) {
                out[i + k] = lut[static_cast<int>(applySpread(t4[k], kSpread) * scale + 0.5f)];
            }
        }
        gx += dx * static_cast<float>(i);
        gy += dy * static_cast<float>(i);
        out += i;
        n -= i;
    }
#endif
    if (focal == 0.0f) {
        for (int i = 0; i < n; ++i) {
            float fi = static_cast<float>(i);
            float x = gx + dx * fi;
            float y = gy + dy * fi;
            float t = applySpread(std::sqrt(x * x + y * y), kSpread);
            out[i] = lut[static_cast<int>(t * scale + 0.5f)];
        }
        return;
    }
    const float c = 1.0f - focal * focal;
    const float invC = 1.0f / c;
    for (int i = 0; i < n; ++i) {
        float fi = static_cast<float>(i);
        float ddx = gx + dx * fi - focal;
        float ddy = gy + dy * fi;
        float b = focal * ddx;
        float t = (b + std::sqrt(b * b + c * (ddx * ddx + ddy * ddy))) * invC;
        t = applySpread(t, kSpread);
        out[i] = lut[static_cast<int>(t * scale + 0.5f)];
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
