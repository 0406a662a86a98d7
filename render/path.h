#pragma once
// Paths of straight lines and quadratic curves. Coordinates are floats in whatever space the
// caller chooses; the renderer transforms them with a matrix into device pixels before it
// flattens them.

#include <span>
#include <vector>

#include "render/matrix.h"

namespace render {

enum class Verb : unsigned char { Move, Line, Quad, Close };

struct Rect {
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;

    bool isEmpty() const { return !(x1 > x0) || !(y1 > y0); }
};

// The smallest rectangle holding every point (empty for no points).
Rect boundsOf(std::span<const Point> points);

class Path {
public:
    void moveTo(float x, float y);
    void lineTo(float x, float y);
    void quadTo(float cx, float cy, float x, float y);
    // Closes the current contour with a straight line back to its start.
    void close();
    void clear();

    // Adds a closed axis-aligned rectangle.
    void addRect(float x0, float y0, float x1, float y1);

    bool isEmpty() const { return m_verbs.empty(); }
    const std::vector<Verb>& verbs() const { return m_verbs; }
    // One point for Move and Line, two (control, end) for Quad, none for Close.
    const std::vector<Point>& points() const { return m_points; }

    // Bounds of all points (control points included), empty for an empty path.
    Rect bounds() const;
    Path transformed(const Matrix& m) const;

private:
    std::vector<Verb> m_verbs;
    std::vector<Point> m_points;
    bool m_open = false;  // a Move started a contour that is not closed yet
};

}  // namespace render
