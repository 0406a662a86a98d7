// Flattening: quadratic Bezier curves are replaced by uniform parameter steps whose count follows
// from the curve's second difference (see flatten.h); lines pass through unchanged.
#include "render/flatten.h"

#include <algorithm>
#include <cmath>

namespace render {

Rect Polylines::bounds() const { return boundsOf(points); }

namespace {

class Flattener {
public:
    Flattener(const Matrix& m, Polylines& out) : m_m(m), m_out(out) {}

    void move(Point p) {
        finish(false);
        m_start = static_cast<std::uint32_t>(m_out.points.size());
        m_open = true;
        m_bad = false;
        push(p);
    }
    void line(Point p) { push(p); }
    void quad(Point c, Point e) {
        if (!m_open || m_bad) {
            return;
        }
        Point p0 = m_out.points.back();
        Point p1 = xf(c);
        Point p2 = xf(e);
        if (m_bad) {
            return;
        }
        float ddx = p0.x - 2.0f * p1.x + p2.x;
        float ddy = p0.y - 2.0f * p1.y + p2.y;
        float dd = std::sqrt(ddx * ddx + ddy * ddy);
        int n = static_cast<int>(std::ceil(std::sqrt(dd / (4.0f * kFlattenTolerance))));
        n = std::clamp(n, 1, kMaxCurveSegments);
        float step = 1.0f / static_cast<float>(n);
        for (int i = 1; i < n; ++i) {
            float t = step * static_cast<float>(i);
            float u = 1.0f - t;
            float w0 = u * u, w1 = 2.0f * u * t, w2 = t * t;
            m_out.points.push_back(
                Point{w0 * p0.x + w1 * p1.x + w2 * p2.x, w0 * p0.y + w1 * p1.y + w2 * p2.y});
        }
        m_out.points.push_back(p2);
    }
    void finish(bool closed) {
        if (!m_open) {
            return;
        }
        auto end = static_cast<std::uint32_t>(m_out.points.size());
        if (m_bad || end - m_start < 2) {
            m_out.points.resize(m_start);
        } else {
            m_out.contours.push_back(Contour{m_start, end, closed});
        }
        m_open = false;
    }

private:
    Point xf(Point p) {
        Point q = m_m.apply(p);
        if (!std::isfinite(q.x) || !std::isfinite(q.y)) {
            m_bad = true;
            return Point{};
        }
        q.x = std::clamp(q.x, -kMaxCoordinate, kMaxCoordinate);
        q.y = std::clamp(q.y, -kMaxCoordinate, kMaxCoordinate);
        return q;
    }
    void push(Point p) {
        if (!m_open || m_bad) {
            return;
        }
        Point q = xf(p);
        if (!m_bad) {
            m_out.points.push_back(q);
        }
    }

    const Matrix& m_m;
    Polylines& m_out;
    std::uint32_t m_start = 0;
    bool m_open = false;
    bool m_bad = false;
};

}  // namespace

void flattenPath(const Path& path, const Matrix& m, Polylines& out) {
    Flattener f(m, out);
    const std::vector<Point>& pts = path.points();
    std::size_t pi = 0;
    for (Verb v : path.verbs()) {
        switch (v) {
        case Verb::Move:
            f.move(pts[pi++]);
            break;
        case Verb::Line:
            f.line(pts[pi++]);
            break;
        case Verb::Quad:
            f.quad(pts[pi], pts[pi + 1]);
            pi += 2;
            break;
        case Verb::Close:
            f.finish(true);
            break;
        }
    }
    f.finish(false);
}

}  // namespace render
