// Strokes: widths and the hairline minimum, caps, joins and the miter limit, closed contours,
// and the width scaling modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "render/renderer.h"

namespace render {
namespace {

const Paint kWhite = SolidPaint{Color{255, 255, 255, 255}};

Pixmap strokeOf(const Path& path, const StrokeStyle& style, const Matrix& m = Matrix{}, int size = 80) {
    Pixmap pm(size, size);
    Renderer r(pm);
    r.strokePath(path, m, style, kWhite);
    return pm;
}

int alphaAt(const Pixmap& pm, int x, int y) { return pixelA(pm.at(x, y)); }

Path hline(float x0, float x1, float y) {
    Path p;
    p.moveTo(x0, y);
    p.lineTo(x1, y);
    return p;
}

TEST(Stroke, ColumnCoverageEqualsTheWidth) {
    for (float width : {1.0f, 2.0f, 3.0f, 4.0f, 7.5f, 12.25f}) {
        StrokeStyle s;
        s.width = width;
        Pixmap pm = strokeOf(hline(10, 60, 40.3f), s);
        int sum = 0;
        for (int y = 0; y < 80; ++y) sum += alphaAt(pm, 30, y);
        EXPECT_NEAR(sum / 255.0, width, 0.02) << width;
    }
}

TEST(Stroke, HairlinesAreOnePixelWide) {
    struct Case {
        const char* name;
        float width;
        Matrix m;
    };
    const Case cases[] = {
        {"zero width", 0.0f, Matrix{}},
        {"thin width", 0.1f, Matrix{}},
        {"scaled down", 20.0f, Matrix::scale(0.01f, 0.01f)},
    };
    for (const auto& c : cases) {
        StrokeStyle s;
        s.width = c.width;
        Path p = hline(1000, 6000, 4000);  // scaled down: (10..60, 40)
        Path q = c.m == Matrix{} ? hline(10, 60, 40) : p;
        Pixmap pm = strokeOf(q, s, c.m);
        int sum = 0;
        for (int y = 0; y < 80; ++y) sum += alphaAt(pm, 30, y);
        EXPECT_NEAR(sum / 255.0, 1.0, 0.02) << c.name;
    }
}

TEST(Stroke, Caps) {
    struct Case {
        LineCap cap;
        int beforeStart;  // alpha at (17, 29): 2-3 px before the start, inside the pen
        int corner;       // alpha at (15, 25): the square cap's corner, outside a round cap
    };
    const Case cases[] = {
        {LineCap::None, 0, 0},
        {LineCap::Square, 255, 255},
        {LineCap::Round, 255, 0},
    };
    for (const auto& c : cases) {
        StrokeStyle s;
        s.width = 10;
        s.startCap = s.endCap = c.cap;
        Pixmap pm = strokeOf(hline(20, 40, 30), s);
        EXPECT_EQ(alphaAt(pm, 17, 29), c.beforeStart) << static_cast<int>(c.cap);
        EXPECT_EQ(alphaAt(pm, 15, 25), c.corner) << static_cast<int>(c.cap);
        EXPECT_EQ(alphaAt(pm, 30, 29), 255);
        // The end cap mirrors the start cap.
        EXPECT_EQ(alphaAt(pm, 42, 30), c.beforeStart) << static_cast<int>(c.cap);
    }
}

TEST(Stroke, DotsFromZeroLengthLines) {
    StrokeStyle s;
    s.width = 6;
    Pixmap round = strokeOf(hline(20, 20, 20), s);
    EXPECT_EQ(alphaAt(round, 20, 20), 255);
    EXPECT_LT(alphaAt(round, 17, 17), 30);  // only a sliver of the circle reaches this pixel
    s.startCap = s.endCap = LineCap::Square;
    Pixmap square = strokeOf(hline(20, 20, 20), s);
    EXPECT_EQ(alphaAt(square, 17, 17), 255);
    s.startCap = s.endCap = LineCap::None;
    Pixmap none = strokeOf(hline(20, 20, 20), s);
    EXPECT_EQ(alphaAt(none, 20, 20), 0);
}

TEST(Stroke, JoinsAndMiterLimit) {
    // A right angle at (40, 40) with a 10 px pen: the outer corner points at (45, 45).
    Path corner;
    corner.moveTo(10, 40);
    corner.lineTo(40, 40);
    corner.lineTo(40, 10);
    struct Case {
        const char* name;
        LineJoin join;
        float limit;
        int tip;   // alpha at (44, 44)
        int near;  // alpha at (42, 42)
    };
    const Case cases[] = {
        {"miter", LineJoin::Miter, 3.0f, 255, 255},
        {"miter cut by the limit", LineJoin::Miter, 1.1f, 0, 255},
        {"round", LineJoin::Round, 3.0f, 0, 255},
        {"bevel", LineJoin::Bevel, 3.0f, 0, 128},
    };
    for (const auto& c : cases) {
        StrokeStyle s;
        s.width = 10;
        s.startCap = s.endCap = LineCap::None;
        s.join = c.join;
        s.miterLimit = c.limit;
        Pixmap pm = strokeOf(corner, s);
        EXPECT_NEAR(alphaAt(pm, 44, 44), c.tip, 1) << c.name;
        EXPECT_NEAR(alphaAt(pm, 42, 42), c.near, 1) << c.name;
        // The inner side of the bend is filled, not notched.
        EXPECT_EQ(alphaAt(pm, 36, 36), 255) << c.name;
    }
}

TEST(Stroke, ClosedContourLeavesTheInsideEmpty) {
    Path sq;
    sq.addRect(20, 20, 60, 60);
    StrokeStyle s;
    s.width = 4;
    s.join = LineJoin::Miter;
    Pixmap pm = strokeOf(sq, s);
    EXPECT_EQ(alphaAt(pm, 40, 40), 0);
    EXPECT_EQ(alphaAt(pm, 40, 19), 255);
    EXPECT_EQ(alphaAt(pm, 40, 20), 255);
    EXPECT_EQ(alphaAt(pm, 40, 22), 0);
    EXPECT_EQ(alphaAt(pm, 61, 61), 255);  // mitred corner, including where the contour closes
    EXPECT_EQ(alphaAt(pm, 18, 18), 255);
    // Same with the contour drawn the other way round.
    Path rev;
    rev.moveTo(20, 20);
    rev.lineTo(20, 60);
    rev.lineTo(60, 60);
    rev.lineTo(60, 20);
    rev.close();
    Pixmap pr = strokeOf(rev, s);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
            ASSERT_NEAR(alphaAt(pr, x, y), alphaAt(pm, x, y), 1) << x << "," << y;
        }
    }
}

TEST(Stroke, WidthScalingModes) {
    struct Case {
        StrokeScaling scaling;
        float expected;
    };
    const Matrix m = Matrix::scale(2, 3);
    const Case cases[] = {
        {StrokeScaling::Normal, 10.0f},      // mean of 2 and 3, times 4
        {StrokeScaling::NoHorizontal, 12.0f},
        {StrokeScaling::NoVertical, 8.0f},
        {StrokeScaling::None, 6.0f},         // unscaledFactor 1.5
    };
    for (const auto& c : cases) {
        StrokeStyle s;
        s.width = 4;
        s.scaling = c.scaling;
        s.unscaledFactor = 1.5f;
        EXPECT_FLOAT_EQ(deviceStrokeWidth(s, m), c.expected) << static_cast<int>(c.scaling);
    }
    StrokeStyle tiny;
    tiny.width = 4;
    tiny.scaling = StrokeScaling::None;
    tiny.unscaledFactor = 0.01f;
    EXPECT_FLOAT_EQ(deviceStrokeWidth(tiny, m), kMinStrokeWidth);
    tiny.width = NAN;
    EXPECT_FLOAT_EQ(deviceStrokeWidth(tiny, m), kMinStrokeWidth);
}

// A normally scaled pen under a matrix that stretches one way more than another is the
// stretched circle: a line across the stretch is as thick as its width times the stretch. Pens
// thinner than a pixel somewhere keep the even pen (the mean scale).
TEST(Stroke, StretchedPensThickenLinesAcrossTheStretch) {
    struct Row {
        const char* name;
        Matrix m;
        float across, along;  // thickness of a horizontal line and of a vertical one, pixels
    };
    const Row rows[] = {
        {"taller", Matrix::scale(2, 3), 12, 8},
        {"wider", Matrix::scale(3, 2), 8, 12},
        {"mirrored", Matrix{-2, 0, 0, 3, 80, 0}, 12, 8},
        {"even", Matrix::scale(2, 2), 8, 8},
        {"too thin one way", Matrix::scale(0.2f, 3), 6.4f, 6.4f},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        StrokeStyle s;
        s.width = 4;
        s.startCap = s.endCap = LineCap::None;
        const Point mid = r.m.apply(Point{10, 10});
        // A horizontal and a vertical line through local (10, 10), long enough on screen.
        Path h, v;
        h.moveTo(10 - 30 / r.m.scaleX(), 10);
        h.lineTo(10 + 30 / r.m.scaleX(), 10);
        v.moveTo(10, 10 - 30 / r.m.scaleY());
        v.lineTo(10, 10 + 30 / r.m.scaleY());
        const Matrix shift = Matrix::translate(40 - mid.x, 40 - mid.y) * r.m;
        Pixmap ph = strokeOf(h, s, shift);
        Pixmap pv = strokeOf(v, s, shift);
        int sumH = 0, sumV = 0;
        for (int i = 0; i < 80; ++i) {
            sumH += alphaAt(ph, 45, i);
            sumV += alphaAt(pv, i, 45);
        }
        EXPECT_NEAR(sumH / 255.0, r.across, 0.05);
        EXPECT_NEAR(sumV / 255.0, r.along, 0.05);
    }
}

TEST(Stroke, CurvesKeepAnEvenWidth) {
    // A stroked quarter circle made of a curve: every pixel well inside the band is full and
    // nothing lies beyond it.
    Path arc;
    arc.moveTo(60, 20);
    arc.quadTo(60, 60, 20, 60);
    StrokeStyle s;
    s.width = 6;
    Pixmap pm = strokeOf(arc, s);
    // The curve's midpoint is (50, 50); the normal there is diagonal.
    EXPECT_EQ(alphaAt(pm, 49, 49), 255);
    EXPECT_EQ(alphaAt(pm, 54, 54), 0);
    EXPECT_EQ(alphaAt(pm, 45, 45), 0);
}

}  // namespace
}  // namespace render

namespace render {
namespace {

float distanceToSegment(Point p, Point a, Point b) {
    float dx = b.x - a.x, dy = b.y - a.y;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0f, 1.0f) : 0.0f;
    float ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

// With round caps and joins a stroke is every point within half the width of the polyline:
// pixels wholly inside that band are fully covered, pixels wholly outside are untouched. Sharp
// turns, reversals and self-crossings are where a stroker's outline goes wrong.
TEST(Stroke, RoundStrokesMatchTheDistanceBand) {
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> pos(8.0f, 56.0f);
    std::uniform_real_distribution<float> width(1.0f, 14.0f);
    for (int round = 0; round < 120; ++round) {
        std::vector<Point> pts(3 + rng() % 6);
        if (round % 2 == 0) {
            for (Point& p : pts) p = Point{pos(rng), pos(rng)};
        } else {
            // A walk of short steps: segments shorter than the pen, as on flattened curves.
            std::uniform_real_distribution<float> step(-5.0f, 5.0f);
            pts.resize(pts.size() * 2);
            Point p{32, 32};
            for (Point& q : pts) {
                p = Point{std::clamp(p.x + step(rng), 8.0f, 56.0f), std::clamp(p.y + step(rng), 8.0f, 56.0f)};
                q = p;
            }
        }
        Path path;
        path.moveTo(pts[0].x, pts[0].y);
        for (std::size_t i = 1; i < pts.size(); ++i) path.lineTo(pts[i].x, pts[i].y);
        const bool closed = round % 3 == 0;
        if (closed) path.close();
        StrokeStyle s;
        s.width = width(rng);
        const float hw = 0.5f * s.width;
        Pixmap pm = strokeOf(path, s, Matrix{}, 64);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                Point c{x + 0.5f, y + 0.5f};
                float d = 1e9f;
                for (std::size_t i = 0; i + 1 < pts.size(); ++i) d = std::min(d, distanceToSegment(c, pts[i], pts[i + 1]));
                if (closed) d = std::min(d, distanceToSegment(c, pts.back(), pts.front()));
                // 0.71 is half the pixel diagonal; 0.25 leaves room for the polygonal arcs.
                if (d < hw - 0.71f - 0.25f) {
                    ASSERT_EQ(alphaAt(pm, x, y), 255) << "round " << round << " at " << x << "," << y;
                } else if (d > hw + 0.71f) {
                    ASSERT_EQ(alphaAt(pm, x, y), 0) << "round " << round << " at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace render
