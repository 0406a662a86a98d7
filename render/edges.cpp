// Edge building with horizontal clipping by splitting at the region's sides (see edges.h).
#include "render/edges.h"

#include <algorithm>
#include <cmath>

namespace render {

IntRect regionOf(const Rect& r, const IntRect& clip) {
    if (!(r.x1 >= r.x0 && r.y1 >= r.y0)) {
        return IntRect{};
    }
    auto lo = [](float v) { return static_cast<int>(std::clamp(std::floor(v), -1.0e8f, 1.0e8f)); };
    auto hi = [](float v) { return static_cast<int>(std::clamp(std::ceil(v), -1.0e8f, 1.0e8f)); };
    IntRect out{std::max(clip.x0, lo(r.x0)), std::max(clip.y0, lo(r.y0)),
                std::min(clip.x1, hi(r.x1)), std::min(clip.y1, hi(r.y1))};
    if (out.isEmpty()) {
        return IntRect{};
    }
    return out;
}

namespace {

class EdgeSink {
public:
    EdgeSink(float width, float height, std::vector<Edge>& out) : m_w(width), m_h(height), m_out(out) {}

    void segment(float x0, float y0, float x1, float y1) {
        if (!(std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))) {
            return;
        }
        // Stroke geometry can reach past the flattener's clamp (wide pens, long miters).
        constexpr float kLimit = 4.0f * kMaxCoordinate;
        x0 = std::clamp(x0, -kLimit, kLimit);
        y0 = std::clamp(y0, -kLimit, kLimit);
        x1 = std::clamp(x1, -kLimit, kLimit);
        y1 = std::clamp(y1, -kLimit, kLimit);
        if (y0 == y1) {
            return;
        }
        if ((y0 <= 0.0f && y1 <= 0.0f) || (y0 >= m_h && y1 >= m_h)) {
            return;
        }
        if (x0 >= 0.0f && x1 >= 0.0f && x0 <= m_w && x1 <= m_w && x0 + x1 < 2.0f * m_w) {
            // Wholly inside the region's columns (the usual case: regions are the bounds of
            // what they draw): no split, nothing to clamp.
            m_out.push_back(Edge{x0, y0, x1, y1});
            return;
        }
        if (x0 >= m_w && x1 >= m_w) {
            return;
        }
        if (x0 <= 0.0f && x1 <= 0.0f) {
            emit(0.0f, y0, 0.0f, y1);
            return;
        }
        // Split where the segment crosses x = 0 and x = width, then place each piece.
        float ts[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        int n = 1;
        float dx = x1 - x0;
        if (dx != 0.0f) {
            float t0 = (0.0f - x0) / dx;
            float t1 = (m_w - x0) / dx;
            if (t0 > 0.0f && t0 < 1.0f) ts[n++] = t0;
            if (t1 > 0.0f && t1 < 1.0f) ts[n++] = t1;
            if (n == 3 && ts[1] > ts[2]) std::swap(ts[1], ts[2]);
        }
        ts[n] = 1.0f;
        float dy = y1 - y0;
        float px = x0, py = y0;
        for (int i = 1; i <= n; ++i) {
            float t = ts[i];
            float qx = i == n ? x1 : x0 + dx * t;
            float qy = i == n ? y1 : y0 + dy * t;
            float mid = 0.5f * (px + qx);
            if (mid < m_w) {
                emit(std::clamp(px, 0.0f, m_w), py, std::clamp(qx, 0.0f, m_w), qy);
            }
            px = qx;
            py = qy;
        }
    }

private:
    void emit(float x0, float y0, float x1, float y1) {
        if (y0 != y1) {
            m_out.push_back(Edge{x0, y0, x1, y1});
        }
    }

    float m_w, m_h;
    std::vector<Edge>& m_out;
};

}  // namespace

void buildEdges(const Polylines& lines, const IntRect& region, std::vector<Edge>& out) {
    if (region.isEmpty()) {
        return;
    }
    EdgeSink sink(static_cast<float>(region.width()), static_cast<float>(region.height()), out);
    float ox = static_cast<float>(region.x0);
    float oy = static_cast<float>(region.y0);
    for (const Contour& c : lines.contours) {
        const Point* p = lines.points.data() + c.begin;
        std::uint32_t n = c.end - c.begin;
        for (std::uint32_t i = 0; i < n; ++i) {
            const Point& a = p[i];
            const Point& b = p[i + 1 == n ? 0 : i + 1];
            sink.segment(a.x - ox, a.y - oy, b.x - ox, b.y - oy);
        }
    }
}

}  // namespace render
