// Signed-area accumulation rasterizer with a prefix sum per row (see coverage.h for the
// algorithm and its aliased variant).
#include "render/coverage.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace render {

namespace {

// floor and ceil for values known to lie in [0, 2^31): plain truncation, no library call.
inline int floorNonNeg(float v) { return static_cast<int>(v); }
inline int ceilNonNeg(float v) {
    int i = static_cast<int>(v);
    return static_cast<float>(i) < v ? i + 1 : i;
}

// Records cells [x0, x1] of row y. Where a contour's edges meet, the next edge starts on the
// row the previous one ended on, usually over the same cells: the last range then grows instead
// of a new one being stored, which spares sorting and visiting a duplicate.
template <typename Entry>
inline void addRange(Entry* entries, std::size_t& count, int y, int x0, int x1) {
    if (count > 0) {
        Entry& last = entries[count - 1];
        if (last.y == y && x0 <= last.x1 + 1 && x1 >= last.x0 - 1) {
            last.x0 = std::min(last.x0, x0);
            last.x1 = std::max(last.x1, x1);
            return;
        }
    }
    entries[count++] = Entry{y, x0, x1};
}

}  // namespace

void CoverageBuffer::reset(int width, int height) {
    // Clear whatever a previous use left unresolved, with that use's layout. Zeroing cells that
    // were resolved already is harmless.
    if (m_count > 0 && (!m_grouped || m_pendingRows > 0)) {
        for (std::size_t i = 0; i < m_count; ++i) {
            const Entry& e = m_entries[i];
            float* r = row(e.y);
            std::fill(r + e.x0, r + e.x1 + 1, 0.0f);
        }
    }
    m_count = 0;
    m_grouped = false;
    m_pendingRows = 0;
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_stride = m_width + 2;
    std::size_t cells = static_cast<std::size_t>(m_stride) * m_height;
    if (m_acc.size() < cells) {
        m_acc.resize(cells, 0.0f);
    }
}

void CoverageBuffer::groupByRow() {
    m_rowStart.assign(static_cast<std::size_t>(m_height) + 1, 0);
    for (std::size_t i = 0; i < m_count; ++i) {
        ++m_rowStart[m_entries[i].y + 1];
    }
    m_pendingRows = 0;
    for (int y = 0; y < m_height; ++y) {
        m_pendingRows += m_rowStart[y + 1] > 0;
        m_rowStart[y + 1] += m_rowStart[y];
    }
    if (m_byRow.size() < m_count) {
        m_byRow.resize(m_count);
    }
    // Scatter with a moving cursor per row (m_rowStart[y] advances, then is restored).
    for (std::size_t i = 0; i < m_count; ++i) {
        const Entry& e = m_entries[i];
        m_byRow[m_rowStart[e.y]++] = CellRange{e.x0, e.x1};
    }
    for (int y = m_height; y > 0; --y) {
        m_rowStart[y] = m_rowStart[y - 1];
    }
    m_rowStart[0] = 0;
    m_rowCount.resize(m_height);
    for (int y = 0; y < m_height; ++y) {
        m_rowCount[y] = m_rowStart[y + 1] - m_rowStart[y];
    }
    m_grouped = true;
}

void CoverageBuffer::addEdges(const std::vector<Edge>& edges, AntiAlias aa) {
    m_grouped = false;
    if (aa == AntiAlias::On) {
        for (const Edge& e : edges) {
            lineAntiAliased(e);
        }
    } else {
        for (const Edge& e : edges) {
            lineAliased(e);
        }
    }
}

// Deposits the edge's area row by row. Within one row the edge runs from lo to hi (its x range
// there) over a height dy; the share of that row strip right of the edge, integrated over pixel
// column j, is G(j + 1) - G(j) with G(x) = integral of clamp((x - lo) / (hi - lo), 0, 1). Each
// cell gets the difference of consecutive columns' shares so the prefix sum restores them.
// G is quadratic on [lo, hi], so the share grows by the same 1 / (hi - lo) from one fully crossed
// column to the next: only the first and the last crossed columns need the quadratic, the ones
// between get one constant each.
void CoverageBuffer::lineAntiAliased(const Edge& e) {
    float x0 = e.x0, y0 = e.y0, x1 = e.x1, y1 = e.y1;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    // Edge building keeps both ends inside [0, width], so x stays within the ends' range; the
    // clamp only absorbs rounding (and turns NaN from a degenerate slope into xmin).
    const float xmin = std::min(x0, x1);
    const float xmax = std::max(x0, x1);
    const float dxdy = (x1 - x0) / (y1 - y0);
    auto xAt = [&](float v) {
        float x = x0 + (v - y0) * dxdy;
        return x > xmin ? (x < xmax ? x : xmax) : xmin;
    };
    const float fh = static_cast<float>(m_height);
    const int ystart = static_cast<int>(std::clamp(std::floor(y0), 0.0f, fh));
    const int yend = static_cast<int>(std::clamp(std::ceil(y1), 0.0f, fh));
    if (yend <= ystart) {
        return;
    }
    reserveEntries(static_cast<std::size_t>(yend - ystart));
    Entry* entries = m_entries.data();
    std::size_t count = m_count;
    float ya = std::max(static_cast<float>(ystart), y0);
    float xa = xAt(ya);
    float* acc = row(ystart);
    for (int y = ystart; y < yend; ++y, acc += m_stride) {
        const float yb = std::min(static_cast<float>(y) + 1.0f, y1);
        const float xb = xAt(yb);
        const float dy = yb - ya;
        const float xPrev = xa;
        ya = yb;
        xa = xb;
        if (dy <= 0.0f) {
            continue;
        }
        const float d = dy * dir;
        const float lo = std::min(xPrev, xb);
        const float hi = std::max(xPrev, xb);
        const int i0 = floorNonNeg(lo);
        const float loFloor = static_cast<float>(i0);
        if (hi <= loFloor + 1.0f) {
            // Inside one pixel column: the pixel holds the part right of the mean x.
            const float frac = 0.5f * (lo + hi) - loFloor;
            const float right = d * frac;
            acc[i0] += d - right;
            acc[i0 + 1] += right;
            addRange(entries, count, y, i0, i0 + 1);
            continue;
        }
        const int i1 = ceilNonNeg(hi);  // one past the last column the edge crosses
        const float inv = 1.0f / (hi - lo);
        // Shares of the crossed columns i0 .. i1 - 1: the first is t0^2 / 2 / (hi - lo) with t0
        // the part of it right of lo; the ones crossed from side to side are
        // (j + 0.5 - lo) / (hi - lo), one 1 / (hi - lo) apart; the last is 1 - u^2 / 2 / (hi - lo)
        // with u the part of it left of hi.
        const float t0 = loFloor + 1.0f - lo;
        const float first = 0.5f * t0 * t0 * inv;
        acc[i0] += d * first;
        float prevShare = first;
        if (i1 - i0 > 2) {
            const float second = (t0 + 0.5f) * inv;
            acc[i0 + 1] += d * (second - first);
            const float step = d * inv;
            for (int j = i0 + 2; j < i1 - 1; ++j) {
                acc[j] += step;
            }
            prevShare = (t0 + static_cast<float>(i1 - i0 - 2) - 0.5f) * inv;
        }
        const float u = hi - static_cast<float>(i1 - 1);
        const float beyond = 0.5f * u * u * inv;  // 1 - the last column's share
        acc[i1 - 1] += d * (1.0f - beyond - prevShare);
        acc[i1] += d * beyond;
        addRange(entries, count, y, i0, i1);
    }
    m_count = count;
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
    for (int y = ystart; y < yend; ++y) {
        float cy = static_cast<float>(y) + 0.5f;
        float x = x0 + dx * std::clamp((cy - y0) * invDy, 0.0f, 1.0f);
        float fc = std::ceil(x - 0.5f);
        int col = fc > 0.0f ? (fc < static_cast<float>(m_width) ? static_cast<int>(fc) : m_width) : 0;
        row(y)[col] += dir;
        touch(y, col, col);
    }
}

namespace {

inline std::uint8_t toCoverage8(float c) { return static_cast<std::uint8_t>(c * 255.0f + 0.5f); }

inline float foldNonZero(float w) { return std::min(1.0f, std::fabs(w)); }

inline float foldEvenOdd(float w) {
    float a = std::fabs(w);
    float h = std::min(a * 0.5f, 1.0e9f);
    float t = a - 2.0f * static_cast<float>(static_cast<int>(h));
    return t > 1.0f ? 2.0f - t : t;
}

}  // namespace

void CoverageBuffer::sortRanges(CellRange* rs, int n) {
    // Rows hold a handful of ranges; insertion sort beats a general sort there.
    auto less = [](const CellRange& a, const CellRange& b) { return a.x0 < b.x0; };
    if (n <= 24) {
        for (int i = 1; i < n; ++i) {
            CellRange v = rs[i];
            int j = i;
            for (; j > 0 && less(v, rs[j - 1]); --j) rs[j] = rs[j - 1];
            rs[j] = v;
        }
    } else {
        std::sort(rs, rs + n, less);
    }
}

template <typename Cell, typename Run>
void CoverageBuffer::walkRow(int y, FillRule rule, Cell cell, Run run) {
    if (!m_grouped) {
        groupByRow();
    }
    CellRange* const rs = m_byRow.data() + m_rowStart[y];
    const int n = m_rowCount[y];
    if (n == 0) {
        return;
    }
    sortRanges(rs, n);
    const bool nonZero = rule == FillRule::NonZero;
    float* acc = row(y);
    float sum = 0.0f;
    float c = 0.0f;
    int next = 0;  // first cell not yet summed
    bool started = false;
    for (int k = 0; k < n; ++k) {
        const CellRange& r = rs[k];
        int a = std::max(r.x0, next);
        if (r.x1 < a) {
            continue;  // inside cells already summed
        }
        if (started && a > next && next < m_width) {
            run(next, std::min(a, m_width), c);
        }
        for (int x = a; x <= r.x1; ++x) {
            sum += acc[x];
            acc[x] = 0.0f;
            c = nonZero ? foldNonZero(sum) : foldEvenOdd(sum);
            if (x < m_width) {
                cell(x, c);
            }
        }
        next = r.x1 + 1;
        started = true;
    }
    // Right of the last touched cell the winding stays constant; it is non-zero only when edges
    // right of the region were dropped by clipping.
    if (next < m_width && c > 1.0f / 512.0f) {
        run(next, m_width, c);
    }
    m_rowCount[y] = 0;  // resolved: the row's ranges are spent
    --m_pendingRows;
}

template <bool kNonZero>
int CoverageBuffer::spansOfRow(int y, std::uint8_t* rowCoverage, CoverageSpan* out) {
    CellRange* const rs = m_byRow.data() + m_rowStart[y];
    const int n = m_rowCount[y];
    sortRanges(rs, n);
    float* acc = row(y);
    float sum = 0.0f;
    float c = 0.0f;
    int next = 0;
    int count = 0;
    bool started = false;
    for (int k = 0; k < n; ++k) {
        const CellRange& r = rs[k];
        const int a = std::max(r.x0, next);
        if (r.x1 < a) {
            continue;
        }
        if (started && a > next && next < m_width) {
            std::uint8_t v = toCoverage8(c);
            if (v != 0) {
                out[count++] = CoverageSpan{next, std::min(a, m_width) - next, v, nullptr};
            }
        }
        const int last = std::min(r.x1, m_width - 1);  // last cell inside the row
        // Cells inside the row write coverage; the closing cell past the right side only sums.
        const int inside = std::min(r.x1, last);
        int x = a;
        for (; x <= inside; ++x) {
            sum += acc[x];
            acc[x] = 0.0f;
            c = kNonZero ? foldNonZero(sum) : foldEvenOdd(sum);
            rowCoverage[x] = toCoverage8(c);
        }
        for (; x <= r.x1; ++x) {
            sum += acc[x];
            acc[x] = 0.0f;
            c = kNonZero ? foldNonZero(sum) : foldEvenOdd(sum);
        }
        if (a <= last) {
            CoverageSpan* prev = count > 0 ? &out[count - 1] : nullptr;
            if (prev && prev->perPixel && prev->x + prev->length == a) {
                prev->length += last + 1 - a;
            } else {
                out[count++] = CoverageSpan{a, last + 1 - a, 0, rowCoverage + a};
            }
        }
        next = r.x1 + 1;
        started = true;
    }
    if (next < m_width && c > 1.0f / 512.0f) {
        std::uint8_t v = toCoverage8(c);
        if (v != 0) {
            out[count++] = CoverageSpan{next, m_width - next, v, nullptr};
        }
    }
    m_rowCount[y] = 0;
    --m_pendingRows;
    return count;
}

int CoverageBuffer::resolveSpans(int y, FillRule rule, std::uint8_t* rowCoverage, CoverageSpan* out) {
    if (!m_grouped) {
        groupByRow();
    }
    if (m_rowCount[y] == 0) {
        return 0;
    }
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
