// Path storage: verbs and their points in two arrays, as compact path types usually keep them.
#include "render/path.h"

#include <algorithm>

namespace render {

void Path::moveTo(float x, float y) {
    m_verbs.push_back(Verb::Move);
    m_points.push_back(Point{x, y});
    m_open = true;
}

void Path::lineTo(float x, float y) {
    if (!m_open) {
        moveTo(m_points.empty() ? 0.0f : m_points.back().x, m_points.empty() ? 0.0f : m_points.back().y);
    }
    m_verbs.push_back(Verb::Line);
    m_points.push_back(Point{x, y});
}

void Path::quadTo(float cx, float cy, float x, float y) {
    if (!m_open) {
        moveTo(m_points.empty() ? 0.0f : m_points.back().x, m_points.empty() ? 0.0f : m_points.back().y);
    }
    m_verbs.push_back(Verb::Quad);
    m_points.push_back(Point{cx, cy});
    m_points.push_back(Point{x, y});
}

void Path::close() {
    if (m_open) {
        m_verbs.push_back(Verb::Close);
        m_open = false;
    }
}

void Path::clear() {
    m_verbs.clear();
    m_points.clear();
    m_open = false;
}

void Path::addRect(float x0, float y0, float x1, float y1) {
    moveTo(x0, y0);
    lineTo(x1, y0);
    lineTo(x1, y1);
    lineTo(x0, y1);
    close();
}

Rect boundsOf(std::span<const Point> points) {
    if (points.empty()) {
        return Rect{};
    }
    Rect r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        r.x0 = std::min(r.x0, p.x);
        r.y0 = std::min(r.y0, p.y);
        r.x1 = std::max(r.x1, p.x);
        r.y1 = std::max(r.y1, p.y);
    }
    return r;
}

Rect Path::bounds() const { return boundsOf(m_points); }

Path Path::transformed(const Matrix& m) const {
    Path out = *this;
    for (Point& p : out.m_points) {
        p = m.apply(p);
    }
    return out;
}

}  // namespace render
