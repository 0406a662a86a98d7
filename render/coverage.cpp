// Signed-area accumulation rasterizer with a prefix sum per row (see coverage.h for the
// algorithm and its aliased variant).
#include "render/coverage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

constexpr int kChunkShift = 3;  // log2 of CoverageBuffer::kChunk
static_assert(CoverageBuffer::kChunk == 1 << kChunkShift);

// floor and ceil for values known to lie in [0, 2^31): plain truncation, no library call.
inline int floorNonNeg(float v) { return static_cast<int>(v); }
inline int ceilNonNeg(float v) {
    int i = static_cast<int>(v);
    return static_cast<float>(i) < v ? i + 1 : i;
}

// min and max as single instructions: the compiler turns std::min on floats into branches,
// which mispredict at random on edge data. The intrinsics would do, but GCC moves each operand
// through a general register to clear the vector's upper lanes; a one-instruction asm keeps the
// values in place.
inline float minf(float a, float b) {
#if defined(__SSE2__)
    asm("minss %1, %0" : "+x"(a) : "x"(b));  // a < b ? a : b, so NaN in a gives b
    return a;
#else
    return a < b ? a : b;
#endif
}

inline float maxf(float a, float b) {
#if defined(__SSE2__)
    asm("maxss %1, %0" : "+x"(a) : "x"(b));  // a > b ? a : b, so NaN in a gives b
    return a;
#else
    return a > b ? a : b;
#endif
}

// `yes` where `cond` > 0, else `no`, by masking rather than branching.
inline float selectIfPositive(float cond, float yes, float no) {
#if defined(__SSE2__)
    float mask = 0.0f;
    asm("cmpltss %1, %0" : "+x"(mask) : "x"(cond));  // all ones where 0 < cond
    asm("andps %1, %0" : "+x"(yes) : "x"(mask));
    asm("andnps %1, %0" : "+x"(mask) : "x"(no));
    asm("orps %1, %0" : "+x"(yes) : "x"(mask));
    return yes;
#else
    return cond > 0.0f ? yes : no;
#endif
}

// Marks the chunks holding cells [x0, x1] of a row as touched (x0 <= x1).
inline void markCells(std::uint64_t* bits, int x0, int x1) {
    x0 >>= kChunkShift;
    x1 >>= kChunkShift;
    const int w0 = x0 >> 6;
    const int w1 = x1 >> 6;
    const std::uint64_t first = ~std::uint64_t{0} << (x0 & 63);
    const std::uint64_t last = ~std::uint64_t{0} >> (63 - (x1 & 63));
    if (w0 == w1) {
        bits[w0] |= first & last;
        return;
    }
    bits[w0] |= first;
    for (int w = w0 + 1; w < w1; ++w) {
        bits[w] = ~std::uint64_t{0};
    }
    bits[w1] |= last;
}

}  // namespace

void CoverageBuffer::reset(int width, int height) {
    // Clear whatever a previous use left unresolved, with that use's layout.
    clearRows(m_dirtyY0, m_dirtyY1);
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    // The edge walk may touch three cells right of the last column; rows are whole chunks.
    m_stride = (m_width + 4 + kChunk - 1) & ~(kChunk - 1);
    m_words = (m_stride / kChunk + 63) / 64;
    const std::size_t cells = static_cast<std::size_t>(m_stride) * m_height;
    if (m_acc.size() < cells) {
        m_acc.resize(cells, 0.0f);
    }
    const std::size_t words = static_cast<std::size_t>(m_words) * m_height;
    if (m_bits.size() < words) {
        m_bits.resize(words, 0);
    }
    m_dirtyY0 = m_dirtyY1 = 0;
}

void CoverageBuffer::clearRows(int y0, int y1) {
    for (int y = y0; y < y1; ++y) {
        std::uint64_t* bits = rowBits(y);
        float* acc = row(y);
        for (int w = 0; w < m_words; ++w) {
            std::uint64_t b = bits[w];
            bits[w] = 0;
            while (b != 0) {
                std::fill_n(acc + (w * 64 + __builtin_ctzll(b)) * kChunk, kChunk, 0.0f);
                b &= b - 1;
            }
        }
    }
}

void CoverageBuffer::addEdges(const std::vector<Edge>& edges, AntiAlias aa) {
    if (m_height > 0 && !edges.empty()) {
        // Rows the edges may mark; reset() clears whichever the caller leaves unresolved.
        m_dirtyY0 = m_dirtyY1 > m_dirtyY0 ? m_dirtyY0 : m_height;
        float top = static_cast<float>(m_height), bottom = 0.0f;
        for (const Edge& e : edges) {
            top = minf(minf(e.y0, e.y1), top);  // a NaN end leaves the bound as it was
            bottom = maxf(maxf(e.y0, e.y1), bottom);
        }
        const float fh = static_cast<float>(m_height);
        m_dirtyY0 = std::min(m_dirtyY0, static_cast<int>(std::clamp(std::floor(top) - 1.0f, 0.0f, fh)));
        m_dirtyY1 = std::max(m_dirtyY1, static_cast<int>(std::clamp(std::ceil(bottom) + 1.0f, 0.0f, fh)));
    }
    if (aa == AntiAlias::Off) {
        for (const Edge& e : edges) {
            lineAliased(e);
        }
        return;
    }
    // Edges are sorted by their walk first, without a branch, so the choice of walk is not
    // guessed wrong at random edge after edge.
    const std::size_t n = edges.size();
    if (m_sorted.size() < 3 * n) {
        m_sorted.resize(3 * n);
    }
    Edge* const byWalk[3] = {m_sorted.data(), m_sorted.data() + n, m_sorted.data() + 2 * n};
    std::size_t count[3] = {0, 0, 0};
    for (const Edge& e : edges) {
        const float dx = std::fabs(e.x1 - e.x0);
        const float dy = std::fabs(e.y1 - e.y0);
        const int walk = static_cast<int>(dx > dy) + static_cast<int>(dx > 2.0f * dy);
        byWalk[walk][count[walk]++] = e;
    }
    for (std::size_t i = 0; i < count[0]; ++i) {
        lineAntiAliased<kWalkSteep>(byWalk[0][i]);
    }
    for (std::size_t i = 0; i < count[1]; ++i) {
        lineAntiAliased<kWalkNarrow>(byWalk[1][i]);
    }
    for (std::size_t i = 0; i < count[2]; ++i) {
        lineAntiAliased<kWalkWide>(byWalk[2][i]);
    }
}

// Deposits the edge's area row by row. Within one row the edge runs from lo to hi (its x range
// there) over a height dy; the share of that row strip right of the edge, integrated over pixel
// column j, is G(j + 1) - G(j) with G(x) = integral of clamp((x - lo) / (hi - lo), 0, 1). Each
// cell gets the difference of consecutive columns' shares so the prefix sum restores them.
// G is quadratic on [lo, hi], so the share grows by the same 1 / (hi - lo) from one fully crossed
// column to the next: only the first and the last crossed columns need the quadratic, the ones
// between get one constant each.
//
// The area is the share times dy, and dy / (hi - lo) = |dy/dx| is the same on every row, partial
// or full: the quadratic terms take it per edge, so no row divides, and the first and last
// (partial) rows go through the same loop as the others. The last cell of a row gets dy minus
// what the others got, so every row deposits exactly its dy and the winding returns to zero
// right of the edge whatever the rounding.
template <int kWalk>
void CoverageBuffer::lineAntiAliased(const Edge& e) {
    float x0 = e.x0, y0 = e.y0, x1 = e.x1, y1 = e.y1;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    const float fh = static_cast<float>(m_height);
    if (!(y1 > 0.0f && y0 < fh)) {
        return;  // wholly above or below the region (or not a number)
    }
    const int ystart = y0 > 0.0f ? floorNonNeg(y0) : 0;
    const int yend = y1 < fh ? ceilNonNeg(y1) : m_height;
    // Edge building keeps both ends inside [0, width], so x stays within the ends' range; the
    // clamp only absorbs rounding (and turns NaN from a degenerate slope into an end).
    const float xmin = minf(x0, x1);
    const float xmax = maxf(x0, x1);
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float dxdy = dx / dy;
    auto xAt = [&](float v) {
        float x = x0 + (v - y0) * dxdy;
        return maxf(minf(x, xmax), xmin);  // NaN gives xmax: minss returns its second operand
    };
    float ya = maxf(static_cast<float>(ystart), y0);
    float xa = xAt(ya);
    float* acc = row(ystart);
    std::uint64_t* bits = rowBits(ystart);
    const int stride = m_stride;
    const int words = m_words;
    // The bottom of the current row as a float, counted along (whole numbers are exact) rather
    // than converted from the row index every row.
    float rowBottom = static_cast<float>(ystart) + 1.0f;
    if constexpr (kWalk == kWalkSteep) {
        // A steep edge moves at most one pixel sideways per row, so on each row it lies within
        // two columns i0 and i0 + 1 around the boundary m = i0 + 1. The areas right of it of
        // those columns are, with t0 = m - lo, a = max(m - hi, 0), u = max(hi - m, 0) and
        // q = dir / (2 |dx/dy|): d (t0 + a) / 2 and d when it stays left of m, q t0^2 and
        // d - q u^2 when it crosses m. Both forms are computed and one is selected, without a
        // branch: which one applies changes from row to row at random.
        const float q = dir * 0.5f / maxf(std::fabs(dxdy), 1.0e-20f);
        for (int y = ystart; y < yend; ++y, acc += stride, bits += words, rowBottom += 1.0f) {
            const float yb = minf(rowBottom, y1);
            const float xb = xAt(yb);
            const float d = (yb - ya) * dir;
            ya = yb;
            const float lo = minf(xa, xb);
            const float hi = maxf(xa, xb);
            xa = xb;
            const int i0 = floorNonNeg(lo);
            const float m = static_cast<float>(i0) + 1.0f;
            const float t0 = m - lo;
            const float a = maxf(m - hi, 0.0f);
            const float u = maxf(hi - m, 0.0f);
            const float a0 = selectIfPositive(a, 0.5f * d * (t0 + a), q * t0 * t0);
            const float a1 = d - q * u * u;
            float* p = acc + i0;
            p[0] += a0;
            p[1] += a1 - a0;
            p[2] += d - a1;
            // The cells span at most two chunks. The third cell receives something only when the
            // edge crosses m (u > 0); otherwise it gets zero and its chunk need not be visited.
            const int c0 = i0 >> kChunkShift;
            const int c2 = (i0 + 1 + static_cast<int>(u > 0.0f)) >> kChunkShift;
            bits[c0 >> 6] |= std::uint64_t{1} << (c0 & 63);
            bits[c2 >> 6] |= std::uint64_t{1} << (c2 & 63);
        }
        return;
    }
    // A shallow edge: k = dir |dy/dx| is the area one fully crossed column adds over the last.
    const float k = dir * std::fabs(dy / dx);
    const float halfK = 0.5f * k;
    if constexpr (kWalk == kWalkNarrow) {
        // At most two pixels sideways per row: on each row the edge lies within the three
        // columns i0 .. i0 + 2, whose boundaries are m1, m2 and m3. The area right of the edge
        // up to boundary b, with p = b - lo and q = max(b - hi, 0), is k (p - q)(p + q) / 2 on
        // either side of hi; a column that lies wholly right of hi has area d exactly, so the
        // cells after the edge get exact zeros. Branch-free, as the steep walk, and most
        // shallow rows of an outline are of this kind.
        for (int y = ystart; y < yend; ++y, acc += stride, bits += words, rowBottom += 1.0f) {
            const float yb = minf(rowBottom, y1);
            const float xb = xAt(yb);
            const float d = (yb - ya) * dir;
            ya = yb;
            const float lo = minf(xa, xb);
            const float hi = maxf(xa, xb);
            xa = xb;
            const int i0 = floorNonNeg(lo);
            const float m1 = static_cast<float>(i0) + 1.0f;
            const float m2 = m1 + 1.0f;
            const float m3 = m1 + 2.0f;
            auto areaTo = [&](float b) {
                const float p = b - lo;
                const float q = maxf(b - hi, 0.0f);
                return halfK * (p - q) * (p + q);
            };
            const float g1 = areaTo(m1);
            const float g2 = areaTo(m2);
            const float a1 = selectIfPositive(hi - m1, g2 - g1, d);
            const float a2 = selectIfPositive(hi - m2, areaTo(m3) - g2, d);
            float* p = acc + i0;
            p[0] += g1;
            p[1] += a1 - g1;
            p[2] += a2 - a1;
            p[3] += d - a2;
            // The last cell that can receive something follows the last column the edge reaches.
            const int c0 = i0 >> kChunkShift;
            const int c3 = (i0 + 1 + static_cast<int>(hi > m1) + static_cast<int>(hi > m2)) >> kChunkShift;
            bits[c0 >> 6] |= std::uint64_t{1} << (c0 & 63);
            bits[c3 >> 6] |= std::uint64_t{1} << (c3 & 63);
        }
        return;
    }
    for (int y = ystart; y < yend; ++y, acc += stride, bits += words, rowBottom += 1.0f) {
        const float yb = minf(rowBottom, y1);
        const float xb = xAt(yb);
        const float rowDy = yb - ya;
        const float xPrev = xa;
        ya = yb;
        xa = xb;
        if (rowDy <= 0.0f) {
            continue;
        }
        const float d = rowDy * dir;
        const float lo = minf(xPrev, xb);
        const float hi = maxf(xPrev, xb);
        const int i0 = floorNonNeg(lo);
        const float loFloor = static_cast<float>(i0);
        if (hi <= loFloor + 1.0f) {
            // Within one pixel column: the pixel holds the part right of the mean x.
            const float frac = 0.5f * (lo + hi) - loFloor;
            const float right = d * frac;
            acc[i0] += d - right;
            acc[i0 + 1] += right;
            markCells(bits, i0, i0 + 1);
            continue;
        }
        const int i1 = ceilNonNeg(hi);  // one past the last column the edge crosses
        // Areas of the crossed columns i0 .. i1 - 1: the first is k t0^2 / 2 with t0 the part of
        // it right of lo; the ones crossed from side to side are k (j + 0.5 - lo), one k apart;
        // the last is d - k u^2 / 2 with u the part of it left of hi.
        const float t0 = loFloor + 1.0f - lo;
        const float first = halfK * t0 * t0;
        acc[i0] += first;
        float prev = first;
        if (i1 - i0 > 2) {
            const float second = k * (t0 + 0.5f);
            acc[i0 + 1] += second - first;
            for (int j = i0 + 2; j < i1 - 1; ++j) {
                acc[j] += k;
            }
            prev = k * (t0 + static_cast<float>(i1 - i0 - 2) - 0.5f);
        }
        const float u = hi - static_cast<float>(i1 - 1);
        const float beyond = halfK * u * u;  // d - the last column's area
        acc[i1 - 1] += d - beyond - prev;
        acc[i1] += beyond;
        markCells(bits, i0, i1);
    }
}

void CoverageBuffer::lineAliased(const Edge& e) {
    float x0 = e.x0, y0 = e.y0, x1 = e.x1, y1 = e.y1;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    const float dx = x1 - x0;
    const float invDy = 1.0f / (y1 - y0);
    // Rows whose centre y + 0.5 lies in [y0, y1).
    const float fh = static_cast<float>(m_height);
    int ystart = static_cast<int>(std::clamp(std::ceil(y0 - 0.5f), 0.0f, fh));
    int yend = static_cast<int>(std::clamp(std::ceil(y1 - 0.5f), 0.0f, fh));
    const float fw = static_cast<float>(m_width);
    float* acc = row(ystart);
    std::uint64_t* bits = rowBits(ystart);
    float cy = static_cast<float>(ystart) + 0.5f;  // the row's centre line, counted along
    for (int y = ystart; y < yend; ++y, acc += m_stride, bits += m_words, cy += 1.0f) {
        const float x = x0 + dx * minf(maxf((cy - y0) * invDy, 0.0f), 1.0f);
        // ceil(x - 0.5) clamped to [0, width], without a library call: x - 0.5 is clamped
        // into [0, width] first, where truncation plus a correction is ceil.
        const float v = minf(maxf(x - 0.5f, 0.0f), fw);
        const int col = ceilNonNeg(v);
        acc[col] += dir;
        const int c = col >> kChunkShift;
        bits[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
}

namespace {

// Constant stretches shorter than this between touched cells are resolved per pixel.
constexpr int kShortRun = 16;

inline std::uint8_t toCoverage8(float c) { return static_cast<std::uint8_t>(c * 255.0f + 0.5f); }

// Coverage 0..1 in the 8-bit or the 16-bit form.
template <typename T>
inline T toCoverage(float c) {
    if constexpr (sizeof(T) == 1) {
        return toCoverage8(c);
    } else {
        return static_cast<T>(c * static_cast<float>(kFullCoverage16) + 0.5f);
    }
}

// minss without a branch: edge cells alternate between full and partial coverage at random.
inline float foldNonZero(float w) { return minf(std::fabs(w), 1.0f); }

inline float foldEvenOdd(float w) {
    float a = std::fabs(w);
    float h = std::min(a * 0.5f, 1.0e9f);
    float t = a - 2.0f * static_cast<float>(static_cast<int>(h));
    return t > 1.0f ? 2.0f - t : t;
}

}  // namespace

// Calls fn(a, b) for each run [a, b] of consecutive touched cells of a row, left to right, and
// clears the row's bits.
template <typename Fn>
inline void forEachTouchedRun(std::uint64_t* bits, int words, Fn fn) {
    int w = 0;
    while (w < words) {
        std::uint64_t b = bits[w];
        if (b == 0) {
            ++w;
            continue;
        }
        const int a = w * 64 + __builtin_ctzll(b);
        // The run ends at the first clear bit after a, possibly words later.
        std::uint64_t rest = ~b & (~std::uint64_t{0} << (a & 63));
        while (rest == 0) {
            bits[w] = 0;
            if (++w == words) {
                fn(a, words * 64 - 1);
                return;
            }
            rest = ~bits[w];
        }
        const int end = w * 64 + __builtin_ctzll(rest);  // first untouched cell
        bits[w] &= ~std::uint64_t{0} << (end & 63);        // drop the run's bits of this word
        fn(a, end - 1);
    }
}

template <typename Cell, typename Run>
void CoverageBuffer::walkRow(int y, FillRule rule, Cell cell, Run run) {
    const bool nonZero = rule == FillRule::NonZero;
    float* acc = row(y);
    float sum = 0.0f;
    float c = 0.0f;
    int next = 0;  // first cell not yet summed
    bool started = false;
    forEachTouchedRun(rowBits(y), m_words, [&](int ca, int cb) {
        const int a = ca * kChunk;
        const int b = cb * kChunk + kChunk - 1;
        if (started && a > next && next < m_width) {
            run(next, std::min(a, m_width), c);
        }
        for (int x = a; x <= b; ++x) {
            sum += acc[x];
            acc[x] = 0.0f;
            c = nonZero ? foldNonZero(sum) : foldEvenOdd(sum);
            if (x < m_width) {
                cell(x, c);
            }
        }
        next = b + 1;
        started = true;
    });
    // Right of the last touched cell the winding stays constant; it is non-zero only when edges
    // right of the region were dropped by clipping.
    if (next < m_width && c > 1.0f / 512.0f) {
        run(next, m_width, c);
    }
}

namespace {

#if defined(__SSE2__)
// Prefix sums of four cells plus the running sum `carry`, which moves on to the last of them.
inline __m128 prefix4(__m128 v, __m128& carry) {
    v = _mm_add_ps(v, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 4)));
    v = _mm_add_ps(v, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(v), 8)));
    v = _mm_add_ps(v, carry);
    carry = _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3));
    return v;
}

// The fill rule's coverage of four winding sums, times `full` and rounded, as 32-bit integers.
template <bool kNonZero>
inline __m128i coverage4(__m128 w, __m128 full) {
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 a = _mm_andnot_ps(_mm_set1_ps(-0.0f), w);  // |w|
    if (kNonZero) {
        a = _mm_min_ps(a, one);
    } else {
        // |w| modulo 2 folded into a triangle wave, as foldEvenOdd().
        const __m128 h = _mm_min_ps(_mm_mul_ps(a, _mm_set1_ps(0.5f)), _mm_set1_ps(1.0e9f));
        const __m128 t = _mm_sub_ps(a, _mm_mul_ps(_mm_set1_ps(2.0f), _mm_cvtepi32_ps(_mm_cvttps_epi32(h))));
        a = _mm_min_ps(t, _mm_sub_ps(_mm_set1_ps(2.0f), t));
    }
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(a, full), _mm_set1_ps(0.5f)));
}
#endif

// Sums one chunk of cells into `sum`, clears them and writes their coverage. Returns one bit per
// pixel of the chunk whose coverage is zero.
template <bool kNonZero, typename T>
inline unsigned resolveChunk(float* cells, float& sum, T* coverage) {
#if defined(__SSE2__)
    __m128 carry = _mm_set1_ps(sum);
    const __m128 lo = prefix4(_mm_loadu_ps(cells), carry);
    const __m128 hi = prefix4(_mm_loadu_ps(cells + 4), carry);
    _mm_storeu_ps(cells, _mm_setzero_ps());
    _mm_storeu_ps(cells + 4, _mm_setzero_ps());
    sum = _mm_cvtss_f32(carry);
    const __m128 full = _mm_set1_ps(sizeof(T) == 1 ? 255.0f : static_cast<float>(kFullCoverage16));
    // Both forms fit signed 16-bit lanes (kFullCoverage16 < 32768).
    const __m128i words = _mm_packs_epi32(coverage4<kNonZero>(lo, full), coverage4<kNonZero>(hi, full));
    const __m128i zero = _mm_setzero_si128();
    if constexpr (sizeof(T) == 1) {
        const __m128i bytes = _mm_packus_epi16(words, words);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(coverage), bytes);
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, zero))) & 0xFFu;
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coverage), words);
        const __m128i zeros = _mm_cmpeq_epi16(words, zero);
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(zeros, zeros))) & 0xFFu;
    }
#else
    float s = sum;
    unsigned zeros = 0;
    for (int i = 0; i < CoverageBuffer::kChunk; ++i) {
        s += cells[i];
        cells[i] = 0.0f;
        coverage[i] = toCoverage<T>(kNonZero ? foldNonZero(s) : foldEvenOdd(s));
        zeros |= static_cast<unsigned>(coverage[i] == 0) << i;
    }
    sum = s;
    return zeros;
#endif
}

}  // namespace

template <bool kNonZero, typename T>
int CoverageBuffer::spansOfRow(int y, T* rowCoverage, BasicCoverageSpan<T>* out) {
    using Span = BasicCoverageSpan<T>;
    // Everything lives in locals: the coverage bytes and spans written here may alias any
    // memory, so state held in members would be reloaded after every store.
    float* const acc = row(y);
    std::uint64_t* const bits = rowBits(y);
    const int width = m_width;
    const int words = m_words;
    float sum = 0.0f;
    int next = -1;         // first cell not yet summed; -1 until the first touched chunk
    int count = 0;
    int pixelEnd = -1;     // where the last span ends if it is a per-pixel one
    int trailingZeros = 0;  // pixels of zero coverage at the end of that span
    // A per-pixel span that meets uncovered pixels gives up the zero pixels at its end, as far
    // as its length stays a multiple of four (blending works on four pixels at a time).
    auto trimEnd = [&]() {
        Span& last = out[count - 1];
        const int kept = (std::max(last.length - trailingZeros, 0) + 3) & ~3;
        if (kept == 0) {
            --count;
        } else if (kept < last.length) {
            last.length = kept;
        }
    };
    for (int w = 0; w < words; ++w) {
        std::uint64_t bw = bits[w];
        if (bw == 0) {
            continue;
        }
        bits[w] = 0;
        do {
            const int x = (w * 64 + __builtin_ctzll(bw)) * kChunk;
            bw &= bw - 1;
            if (next >= 0 && x > next && next < width) {
                // The stretch since the last touched chunk has the coverage reached there.
                const int gapEnd = std::min(x, width);
                const T v = toCoverage<T>(kNonZero ? foldNonZero(sum) : foldEvenOdd(sum));
                if (gapEnd - next < kShortRun && pixelEnd == next) {
                    // A short stretch between touched chunks (the inside of a thin stroke)
                    // joins the per-pixel span: one blend call instead of three.
                    std::fill(rowCoverage + next, rowCoverage + gapEnd, v);
                    out[count - 1].length += gapEnd - next;
                    pixelEnd = gapEnd;
                    trailingZeros = v == 0 ? trailingZeros + (gapEnd - next) : 0;
                } else {
                    if (v == 0 && pixelEnd == next) {
                        trimEnd();
                    }
                    if (v != 0) {
                        out[count++] = Span{next, gapEnd - next, v, nullptr};
                    }
                    pixelEnd = -1;
                }
            }
            const unsigned zeros = resolveChunk<kNonZero, T>(acc + x, sum, rowCoverage + x);
            next = x + kChunk;
            if (x < width) {
                const int end = std::min(next, width);
                // Zero pixels at the end of the chunk's part inside the row.
                const unsigned covered = ~zeros & ((1u << (end - x)) - 1u);
                const int chunkTrailing = covered != 0 ? end - x - 1 - (31 - __builtin_clz(covered)) : end - x;
                if (pixelEnd == x) {
                    out[count - 1].length += end - x;
                    pixelEnd = end;
                    trailingZeros = covered != 0 ? chunkTrailing : trailingZeros + chunkTrailing;
                } else {
                    // A span that starts after uncovered pixels skips the zero pixels it starts
                    // with (the left part of a chunk that an edge enters), four at a time.
                    const int leading = zeros != 0xFFu ? __builtin_ctz(~zeros) & ~3 : kChunk;
                    if (x + leading < end) {
                        out[count++] = Span{x + leading, end - x - leading, 0, rowCoverage + x + leading};
                        pixelEnd = end;
                        trailingZeros = chunkTrailing;
                    } else {
                        pixelEnd = -1;
                    }
                }
            }
        } while (bw != 0);
    }
    // Right of the last touched chunk the winding stays constant; it is non-zero only when edges
    // right of the region were dropped by clipping.
    const float c = kNonZero ? foldNonZero(sum) : foldEvenOdd(sum);
    const T v = next >= 0 && next < width && c > 1.0f / 512.0f ? toCoverage<T>(c) : T{0};
    if (v != 0) {
        out[count++] = Span{next, width - next, v, nullptr};
    } else if (pixelEnd >= 0 && pixelEnd == std::min(next, width)) {
        trimEnd();
    }
    return count;
}

int CoverageBuffer::resolveSpans(int y, FillRule rule, std::uint8_t* rowCoverage, CoverageSpan* out) {
    if (rule == FillRule::NonZero) {
        return spansOfRow<true>(y, rowCoverage, out);
    }
    return spansOfRow<false>(y, rowCoverage, out);
}

int CoverageBuffer::resolveSpans(int y, FillRule rule, std::uint16_t* rowCoverage, CoverageSpan16* out) {
    if (rule == FillRule::NonZero) {
        return spansOfRow<true>(y, rowCoverage, out);
    }
    return spansOfRow<false>(y, rowCoverage, out);
}

void CoverageBuffer::resolveRow(int y, FillRule rule, std::uint8_t* out, int& x0, int& x1) {
    x0 = INT_MAX;
    x1 = INT_MIN;
    auto note = [&](int a, int b) {
        x0 = std::min(x0, a);
        x1 = std::max(x1, b);
    };
    walkRow(
        y, rule,
        [&](int x, float c) {
            out[x] = toCoverage8(c);
            note(x, x + 1);
        },
        [&](int a, int b, float c) {
            std::fill(out + a, out + b, toCoverage8(c));
            note(a, b);
        });
    if (x1 < x0) {
        x0 = x1 = 0;
    }
}

void CoverageBuffer::resolveRowFloat(int y, FillRule rule, float* out, int& x0, int& x1) {
    x0 = INT_MAX;
    x1 = INT_MIN;
    auto note = [&](int a, int b) {
        x0 = std::min(x0, a);
        x1 = std::max(x1, b);
    };
    walkRow(
        y, rule,
        [&](int x, float c) {
            out[x] = c;
            note(x, x + 1);
        },
        [&](int a, int b, float c) {
            std::fill(out + a, out + b, c);
            note(a, b);
        });
    if (x1 < x0) {
        x0 = x1 = 0;
    }
}

}  // namespace render
