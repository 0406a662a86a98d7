// Polygon stroker: offset sides, outer joins, inner sides through the vertex, caps (see
// stroker.h).
#include "render/stroker.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace render {

float deviceStrokeWidth(const StrokeStyle& style, const Matrix& m) {
    float w = 0.0f;
    switch (style.scaling) {
    case StrokeScaling::Normal:
        w = style.width * 0.5f * (m.scaleX() + m.scaleY());
        break;
    case StrokeScaling::NoHorizontal:
        w = style.width * m.scaleY();
        break;
    case StrokeScaling::NoVertical:
        w = style.width * m.scaleX();
        break;
    case StrokeScaling::None:
        w = style.width * style.unscaledFactor;
        break;
    }
    if (!(w >= kMinStrokeWidth)) {  // also NaN
        return kMinStrokeWidth;
    }
    return std::min(w, 2.0f * kMaxCoordinate);
}

namespace {

constexpr float kPi = 3.14159265358979f;

Point operator+(Point a, Point b) { return Point{a.x + b.x, a.y + b.y}; }
Point operator-(Point a, Point b) { return Point{a.x - b.x, a.y - b.y}; }
Point operator*(Point a, float s) { return Point{a.x * s, a.y * s}; }
float dot(Point a, Point b) { return a.x * b.x + a.y * b.y; }
float cross(Point a, Point b) { return a.x * b.y - a.y * b.x; }
Point perp(Point u) { return Point{-u.y, u.x}; }

Point unitDir(Point a, Point b) {
    Point d = b - a;
    float len = std::sqrt(dot(d, d));
    return len > 0.0f ? d * (1.0f / len) : Point{1.0f, 0.0f};
}

class Stroker {
public:
    Stroker(const StrokeStyle& style, float width, Polylines& out)
        : m_style(style), m_hw(0.5f * width), m_out(out) {
        // Arc step that keeps the chord within the flattening tolerance of the circle.
        float ratio = 1.0f - kFlattenTolerance / std::max(m_hw, kFlattenTolerance);
        m_arcStep = std::max(2.0f * std::acos(std::clamp(ratio, -1.0f, 1.0f)), 2.0f * kPi / 256.0f);
        m_limit = std::max(1.0f, std::isfinite(style.miterLimit) ? style.miterLimit : 1.0f);
    }

    void contour(const Point* p, std::uint32_t n, bool closed) {
        m_q.clear();
        for (std::uint32_t i = 0; i < n; ++i) {
            if (m_q.empty() || !near(m_q.back(), p[i])) {
                m_q.push_back(p[i]);
            }
        }
        if (closed && m_q.size() > 1 && near(m_q.front(), m_q.back())) {
            m_q.pop_back();
        }
        if (m_q.size() == 1) {
            dotShape(m_q[0]);
            return;
        }
        if (closed) {
            loop(m_q);
            m_rev.assign(m_q.rbegin(), m_q.rend());
            loop(m_rev);
        } else {
            open();
        }
    }

private:
    static bool near(Point a, Point b) { return std::fabs(a.x - b.x) < 1e-4f && std::fabs(a.y - b.y) < 1e-4f; }

    void begin() { m_start = static_cast<std::uint32_t>(m_out.points.size()); }
    void end() {
        auto e = static_cast<std::uint32_t>(m_out.points.size());
        if (e - m_start >= 3) {
            m_out.contours.push_back(Contour{m_start, e, true});
        } else {
            m_out.points.resize(m_start);
        }
    }
    void emit(Point p) { m_out.points.push_back(p); }

    // Points strictly between the start and the end of an arc of radius m_hw around c that
    // starts at direction `from` (a unit vector) and turns by `angle` radians.
    void arc(Point c, Point from, float angle) {
        int steps = static_cast<int>(std::ceil(std::fabs(angle) / m_arcStep));
        steps = std::clamp(steps, 1, 256);
        float base = std::atan2(from.y, from.x);
        for (int i = 1; i < steps; ++i) {
            float a = base + angle * static_cast<float>(i) / static_cast<float>(steps);
            emit(Point{c.x + m_hw * std::cos(a), c.y + m_hw * std::sin(a)});
        }
    }

    // Outline points between the offset end of the incoming segment (direction u0) and the
    // offset start of the outgoing one (u1) at vertex p, on the left side.
    void join(Point p, Point u0, Point u1) {
        float c = cross(u0, u1);
        float d = dot(u0, u1);
        if (c > 0.0f) {
            emit(p);  // inner side: through the vertex
            return;
        }
        if (c == 0.0f && d > 0.0f) {
            return;  // straight on
        }
        Point n0 = perp(u0);
        Point n1 = perp(u1);
        switch (m_style.join) {
        case LineJoin::Bevel:
            return;
        case LineJoin::Round:
            arc(p, n0, -std::acos(std::clamp(d, -1.0f, 1.0f)));
            return;
        case LineJoin::Miter: {
            float cosHalf = std::sqrt(std::max(0.0f, 0.5f * (1.0f + d)));
            float sinHalf = std::sqrt(std::max(0.0f, 0.5f * (1.0f - d)));
            if (cosHalf > 1e-6f && 1.0f / cosHalf <= m_limit) {
                Point bis = n0 + n1;
                float len = std::sqrt(dot(bis, bis));
                emit(p + bis * (m_hw / (len * cosHalf)));
            } else if (sinHalf > 1e-6f) {
                // Cut the miter off at m_limit * half width from the vertex.
                float t = (m_limit * m_hw - m_hw * cosHalf) / sinHalf;
                emit(p + n0 * m_hw + u0 * t);
                emit(p + n1 * m_hw - u1 * t);
            }
            return;
        }
        }
    }

    // From p + n to p - n around the end of a contour whose last direction is u.
    void cap(Point p, Point u, LineCap kind) {
        Point n = perp(u) * m_hw;
        switch (kind) {
        case LineCap::None:
            return;
        case LineCap::Square:
            emit(p + n + u * m_hw);
            emit(p - n + u * m_hw);
            return;
        case LineCap::Round:
            arc(p, perp(u), -kPi);
            return;
        }
    }

    // Every outline point at vertex p on the left side, between the segment coming in (direction
    // u0, length len0) and the one going out (u1, len1). Where the two offset lines meet close to
    // the join they replace (a gentle outer bend) or inside both segments (an inner bend), their
    // meeting point alone stands for the vertex: curves then cost one point per side and vertex.
    void vertex(Point p, Point u0, Point u1, float len0, float len1) {
        Point n0 = perp(u0);
        Point n1 = perp(u1);
        float d = dot(u0, u1);
        if (d > 0.0f) {
            float cosHalf = std::sqrt(0.5f * (1.0f + d));
            float sinHalf = std::sqrt(std::max(0.0f, 0.5f * (1.0f - d)));
            bool inner = cross(u0, u1) > 0.0f;
            bool meet = inner ? m_hw * sinHalf <= std::min(len0, len1) * cosHalf
                              : m_hw * (1.0f - cosHalf) <= 0.5f * kFlattenTolerance * cosHalf;
            if (meet) {
                Point bis = n0 + n1;
                float len = std::sqrt(dot(bis, bis));
                emit(p + bis * (m_hw / (len * cosHalf)));
                return;
            }
        }
        emit(p + n0 * m_hw);
        join(p, u0, u1);
        emit(p + n1 * m_hw);
    }

    // Directions and lengths of the segments of q; closed contours include the closing one.
    void measure(const std::vector<Point>& q, bool closed) {
        std::size_t m = q.size();
        std::size_t segs = closed ? m : m - 1;
        m_dir.resize(segs);
        m_len.resize(segs);
        for (std::size_t i = 0; i < segs; ++i) {
            Point a = q[i], b = q[(i + 1) % m];
            Point dd = b - a;
            m_len[i] = std::sqrt(dot(dd, dd));
            m_dir[i] = unitDir(a, b);
        }
    }

    // One side of an open contour, first offset point to last.
    void side(const std::vector<Point>& q) {
        std::size_t m = q.size();
        measure(q, false);
        emit(q[0] + perp(m_dir[0]) * m_hw);
        for (std::size_t i = 1; i + 1 < m; ++i) {
            vertex(q[i], m_dir[i - 1], m_dir[i], m_len[i - 1], m_len[i]);
        }
        emit(q[m - 1] + perp(m_dir[m - 2]) * m_hw);
    }

    void open() {
        std::size_t m = m_q.size();
        begin();
        side(m_q);
        cap(m_q[m - 1], unitDir(m_q[m - 2], m_q[m - 1]), m_style.endCap);
        m_rev.assign(m_q.rbegin(), m_q.rend());
        side(m_rev);
        cap(m_q[0], unitDir(m_q[1], m_q[0]), m_style.startCap);
        end();
    }

    void loop(const std::vector<Point>& q) {
        std::size_t m = q.size();
        measure(q, true);
        begin();
        for (std::size_t i = 0; i < m; ++i) {
            std::size_t prev = (i + m - 1) % m;
            vertex(q[i], m_dir[prev], m_dir[i], m_len[prev], m_len[i]);
        }
        end();
    }

    void dotShape(Point p) {
        LineCap kind = m_style.startCap;
        if (kind == LineCap::None) {
            return;
        }
        begin();
        if (kind == LineCap::Square) {
            emit(Point{p.x - m_hw, p.y - m_hw});
            emit(Point{p.x + m_hw, p.y - m_hw});
            emit(Point{p.x + m_hw, p.y + m_hw});
            emit(Point{p.x - m_hw, p.y + m_hw});
        } else {
            emit(Point{p.x + m_hw, p.y});
            arc(p, Point{1.0f, 0.0f}, 2.0f * kPi);
        }
        end();
    }

    const StrokeStyle& m_style;
    float m_hw;
    Polylines& m_out;
    float m_arcStep = 0.5f;
    float m_limit = 3.0f;
    std::uint32_t m_start = 0;
    std::vector<Point> m_q;
    std::vector<Point> m_rev;
    std::vector<Point> m_dir;
    std::vector<float> m_len;
};

}  // namespace

void strokePolylines(const Polylines& lines, const StrokeStyle& style, float deviceWidth,
                     Polylines& out) {
    if (!(deviceWidth > 0.0f)) {
        return;
    }
    Stroker s(style, deviceWidth, out);
    for (const Contour& c : lines.contours) {
        s.contour(lines.points.data() + c.begin, c.end - c.begin, c.closed);
    }
}

void strokeThrough(const Polylines& lines, const StrokeStyle& style, const Matrix& m, Polylines& out) {
    const float even = deviceStrokeWidth(style, m);
    // Singular values of the linear part: sMax * sMin = |det|.
    const float e = m.a * m.a + m.b * m.b + m.c * m.c + m.d * m.d;
    const float det = std::fabs(m.determinant());
    const float root = std::sqrt(std::max(0.0f, e * e - 4.0f * det * det));
    const float sMax = std::sqrt(0.5f * (e + root));
    const float sMin = sMax > 0.0f ? det / sMax : 0.0f;
    if (style.scaling != StrokeScaling::Normal || !(sMin > 0.0f) || sMax <= sMin * 1.001f ||
        !(style.width * sMin >= kMinStrokeWidth) || !std::isfinite(sMax)) {
        strokePolylines(lines, style, even, out);
        return;
    }
    // N = m / k with k = sqrt|det|: the stretch without the size.
    const float k = std::sqrt(det);
    const Matrix n{m.a / k, m.b / k, m.c / k, m.d / k, 0.0f, 0.0f};
    Matrix back;
    if (!n.invert(back)) {
        strokePolylines(lines, style, even, out);
        return;
    }
    Polylines local;
    local.contours = lines.contours;
    local.points.reserve(lines.points.size());
    for (const Point& p : lines.points) local.points.push_back(back.applyVector(p));
    const std::size_t first = out.points.size();
    strokePolylines(local, style, style.width * k, out);
    // A reflecting matrix turns the outline's winding round; the non-zero fill does not mind.
    for (std::size_t i = first; i < out.points.size(); ++i) out.points[i] = n.applyVector(out.points[i]);
}

}  // namespace render
