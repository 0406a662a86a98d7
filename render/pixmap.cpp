// Pixmap and mask storage; the mask's union and intersection use exact /255 rounding.
#include "render/pixmap.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

bool validSize(int w, int h) { return w > 0 && h > 0 && w <= kMaxPixmapSide && h <= kMaxPixmapSide; }

}  // namespace

Pixmap::Pixmap(int width, int height) {
    if (validSize(width, height)) {
        m_width = width;
        m_height = height;
        m_pixels.assign(static_cast<std::size_t>(width) * height, 0);
    }
}

void Pixmap::fill(Pixel p) {
    if (m_pixels.empty()) {
        return;
    }
    const std::uint32_t low = p & 0xFFu;
    if (p == low * 0x01010101u) {
        // All four bytes alike (transparent, opaque white): one memset, the fastest store loop.
        std::memset(m_pixels.data(), static_cast<int>(low), m_pixels.size() * sizeof(Pixel));
        return;
    }
    std::size_t i = 0;
    const std::size_t n = m_pixels.size();
    Pixel* d = m_pixels.data();
#if defined(__SSE2__)
    const __m128i v = _mm_set1_epi32(static_cast<int>(p));
    for (; i + 4 <= n; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), v);
    }
#endif
    std::fill(d + i, d + n, p);
}

Mask::Mask(int width, int height) {
    if (validSize(width, height)) {
        m_width = width;
        m_height = height;
        m_data.assign(static_cast<std::size_t>(width) * height, 0);
    }
}

void Mask::clear(std::uint8_t value) { std::fill(m_data.begin(), m_data.end(), value); }

void Mask::addSpan(int y, int x, int n, const std::uint8_t* coverage) {
    if (y < 0 || y >= m_height || x < 0 || n <= 0 || x + n > m_width) {
        return;
    }
    std::uint8_t* m = row(y) + x;
    for (int i = 0; i < n; ++i) {
        std::uint32_t a = m[i];
        std::uint32_t c = coverage[i];
        m[i] = static_cast<std::uint8_t>(a + c - mulDiv255(a, c));
    }
}

void Mask::intersect(const Mask& other) {
    if (other.m_width != m_width || other.m_height != m_height) {
        clear(0);
        return;
    }
    for (std::size_t i = 0; i < m_data.size(); ++i) {
        m_data[i] = static_cast<std::uint8_t>(mulDiv255(m_data[i], other.m_data[i]));
    }
}

}  // namespace render
