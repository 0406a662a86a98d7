// Signed-area accumulation rasterizer with a prefix sum per row (see coverage.h for the
// algorithm and its aliased variant).
#include "render/coverage.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace render {

void CoverageBuffer::reset(int width, int height) {
    // Clear whatever a previous use left unresolved, with that use's layout.
    for (int y = 0; y < m_height; ++y) {
        if (m_rowMax[y] >= m_rowMin[y]) {
            float* r = row(y);
            std::fill(r + m_rowMin[y], r + m_rowMax[y] + 1, 0.0f);
        }
    }
    m_width = std::max(0, width);
    m_height = std::max(0, height);
    m_stride = m_width + 2;
    std::size_t cells = static_cast<std::size_t>(m_stride) * m_height;
    if (m_acc.size() < cells) {
        m_acc.resize(cells, 0.0f);
    }
    m_rowMin.assign(m_height, INT_MAX);
    m_rowMax.assign(m_height, INT_MIN);
}

void CoverageBuffer::addEdges(const std::vector<Edge>& edges, AntiAlias aa) {
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

// Deposits the edge's area row by row. Within one row the edge runs from xa to xb over a height
// dy; the share of that row strip right of the edge, integrated over pixel column j, is
// G(j + 1) - G(j) with G(x) = integral of clamp((x - xmin) / (xmax - xmin), 0, 1). Each cell gets
// the difference of consecutive columns' shares so the prefix sum restores them.
void CoverageBuffer::lineAntiAliased(const Edge& e) {
    float x0 = e.x0, y0 = e.y0, x1 = e.x1, y1 = e.y1;
    float dir = 1.0f;
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -1.0f;
    }
    const float dxdy = (x1 - x0) / (y1 - y0);
    const float maxX = static_cast<float>(m_width);
    int ystart = std::max(0, static_cast<int>(std::floor(y0)));
    int yend = std::min(m_height, static_cast<int>(std::ceil(y1)));
    for (int y = ystart; y < yend; ++y) {
        float fy = static_cast<float>(y);
        float ya = std::max(fy, y0);
        float yb = std::min(fy + 1.0f, y1);
        float dy = yb - ya;
        if (dy <= 0.0f) {
            continue;
        }
        float xa = std::clamp(x0 + (ya - y0) * dxdy, 0.0f, maxX);
        float xb = std::clamp(x0 + (yb - y0) * dxdy, 0.0f, maxX);
        float d = dy * dir;
        float lo = std::min(xa, xb);
        float hi = std::max(xa, xb);
        float* acc = row(y);
        float loFloor = std::floor(lo);
        int i0 = static_cast<int>(loFloor);
        if (hi <= loFloor + 1.0f) {
            // Inside one pixel column: the pixel holds the part right of the mean x.
            float frac = 0.5f * (lo + hi) - loFloor;
            acc[i0] += d * (1.0f - frac);
            acc[i0 + 1] += d * frac;
            touch(y, i0, i0 + 1);
            continue;
        }
        int i1 = static_cast<int>(std::ceil(hi));  // one past the last column the edge crosses
        float inv = 1.0f / (hi - lo);
        float half = 0.5f * (hi - lo);
        auto g = [&](float x) {
            if (x <= lo) return 0.0f;
            if (x >= hi) return half + (x - hi);
            float t = x - lo;
            return 0.5f * t * t * inv;
        };
        float prevShare = 0.0f;
        float gj = 0.0f;  // g(i0) is 0 because i0 <= lo
        for (int j = i0; j < i1; ++j) {
            float gn = g(static_cast<float>(j + 1));
            float share = gn - gj;
            acc[j] += d * (share - prevShare);
            prevShare = share;
            gj = gn;
        }
        acc[i1] += d * (1.0f - prevShare);
        touch(y, i0, i1);
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
    const float dxdy = (x1 - x0) / (y1 - y0);
    // Rows whose centre y + 0.5 lies in [y0, y1).
    int ystart = std::max(0, static_cast<int>(std::ceil(y0 - 0.5f)));
    int yend = std::min(m_height, static_cast<int>(std::ceil(y1 - 0.5f)));
    for (int y = ystart; y < yend; ++y) {
        float cy = static_cast<float>(y) + 0.5f;
        float x = x0 + (cy - y0) * dxdy;
        int col = static_cast<int>(std::ceil(x - 0.5f));
        col = std::clamp(col, 0, m_width);
        row(y)[col] += dir;
        touch(y, col, col);
    }
}

namespace {

inline float foldNonZero(float w) { return std::min(1.0f, std::fabs(w)); }

inline float foldEvenOdd(float w) {
    float a = std::fabs(w);
    float t = a - 2.0f * std::floor(a * 0.5f);
    return t > 1.0f ? 2.0f - t : t;
}

template <typename Fold, typename Out>
void resolve(float* acc, int width, int& rmin, int& rmax, Fold fold, Out out, int& x0, int& x1) {
    if (rmax < rmin) {
        x0 = x1 = 0;
        return;
    }
    int start = rmin;
    int last = std::min(rmax, width + 1);
    float sum = 0.0f;
    int end = std::min(last + 1, width);
    for (int x = start; x < end; ++x) {
        sum += acc[x];
        acc[x] = 0.0f;
        out(x, fold(sum));
    }
    for (int x = end; x <= last; ++x) {
        sum += acc[x];
        acc[x] = 0.0f;
    }
    // Right of the last touched cell the winding stays constant; it is non-zero only when edges
    // right of the region were dropped by clipping.
    float tail = fold(sum);
    if (end < width && tail > 1.0f / 512.0f) {
        for (int x = end; x < width; ++x) {
            out(x, tail);
        }
        end = width;
    }
    x0 = start;
    x1 = std::max(start, end);
    rmin = INT_MAX;
    rmax = INT_MIN;
}

}  // namespace

void CoverageBuffer::resolveRow(int y, FillRule rule, std::uint8_t* out, int& x0, int& x1) {
    auto put = [out](int x, float c) { out[x] = static_cast<std::uint8_t>(c * 255.0f + 0.5f); };
    if (rule == FillRule::NonZero) {
        resolve(row(y), m_width, m_rowMin[y], m_rowMax[y], foldNonZero, put, x0, x1);
    } else {
        resolve(row(y), m_width, m_rowMin[y], m_rowMax[y], foldEvenOdd, put, x0, x1);
    }
}

void CoverageBuffer::resolveRowFloat(int y, FillRule rule, float* out, int& x0, int& x1) {
    auto put = [out](int x, float c) { out[x] = c; };
    if (rule == FillRule::NonZero) {
        resolve(row(y), m_width, m_rowMin[y], m_rowMax[y], foldNonZero, put, x0, x1);
    } else {
        resolve(row(y), m_width, m_rowMin[y], m_rowMax[y], foldEvenOdd, put, x0, x1);
    }
}

}  // namespace render
