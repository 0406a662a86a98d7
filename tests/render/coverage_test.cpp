// Coverage stage: exact areas, fill rules, the aliased mode, horizontal clipping and the tiling
// property of the accumulation rasterizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "render/coverage.h"
#include "render/edges.h"
#include "render/flatten.h"

namespace render {
namespace {

// Rasterizes polygons (each closed implicitly) into a float grid of w x h coverage values.
std::vector<float> rasterize(const std::vector<std::vector<Point>>& polys, int w, int h,
                             FillRule rule, AntiAlias aa = AntiAlias::On) {
    Polylines lines;
    for (const auto& poly : polys) {
        Contour c{static_cast<std::uint32_t>(lines.points.size()), 0, true};
        lines.points.insert(lines.points.end(), poly.begin(), poly.end());
        c.end = static_cast<std::uint32_t>(lines.points.size());
        lines.contours.push_back(c);
    }
    std::vector<Edge> edges;
    IntRect region{0, 0, w, h};
    buildEdges(lines, region, edges);
    CoverageBuffer cb;
    cb.reset(w, h);
    cb.addEdges(edges, aa);
    std::vector<float> out(static_cast<std::size_t>(w) * h, 0.0f);
    for (int y = 0; y < h; ++y) {
        int x0 = 0, x1 = 0;
        cb.resolveRowFloat(y, rule, out.data() + static_cast<std::size_t>(y) * w, x0, x1);
    }
    return out;
}

std::vector<Point> rect(float x0, float y0, float x1, float y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

struct AreaCase {
    const char* name;
    std::vector<Point> poly;
    int px, py;
    float expected;
};

TEST(Coverage, MatchesAnalyticArea) {
    const AreaCase cases[] = {
        {"half covered by a vertical edge", rect(2.5f, 0, 8, 8), 2, 3, 0.5f},
        {"quarter covered by a vertical edge", rect(2.75f, 0, 8, 8), 2, 3, 0.25f},
        {"half covered by a horizontal edge", rect(0, 1.5f, 8, 8), 4, 1, 0.5f},
        {"corner pixel of a fractional rectangle", rect(1.5f, 1.25f, 8, 8), 1, 1, 0.5f * 0.75f},
        {"fully inside", rect(1, 1, 7, 7), 3, 3, 1.0f},
        {"outside", rect(1, 1, 3, 3), 5, 5, 0.0f},
        {"thin sliver", rect(3.2f, 0, 3.3f, 8), 3, 2, 0.1f},
        // Triangle (0,0)-(4,0)-(0,4): the diagonal pixel (1,2) is cut in half.
        {"diagonal cut", {{0, 0}, {4, 0}, {0, 4}}, 1, 2, 0.5f},
        {"below the diagonal", {{0, 0}, {4, 0}, {0, 4}}, 0, 1, 1.0f},
        // A steep edge crossing one pixel from (2.2, 0) to (2.6, 1): area right of it is 0.6.
        {"slanted edge in one pixel", {{2.2f, 0}, {8, 0}, {8, 1}, {2.6f, 1}}, 2, 0, 0.6f},
        // A shallow edge spanning pixels: (0,0)->(4,1); the strip below it, pixel 1 of row 0
        // holds the area below the line between x=1 and x=2: 1 - (0.25+0.5)/2 = 0.625.
        {"shallow edge over several pixels", {{0, 0}, {4, 1}, {4, 2}, {0, 2}}, 1, 0, 0.625f},
    };
    for (const auto& c : cases) {
        auto cov = rasterize({c.poly}, 8, 8, FillRule::NonZero);
        EXPECT_NEAR(cov[c.py * 8 + c.px], c.expected, 1e-4f) << c.name;
    }
}

TEST(Coverage, TotalEqualsPolygonArea) {
    // Sum of coverage equals the exact area for shapes inside the target.
    std::vector<Point> tri = {{1.3f, 0.7f}, {14.1f, 3.9f}, {5.2f, 12.6f}};
    float area = 0.5f * std::fabs((tri[1].x - tri[0].x) * (tri[2].y - tri[0].y) -
                                  (tri[2].x - tri[0].x) * (tri[1].y - tri[0].y));
    auto cov = rasterize({tri}, 16, 16, FillRule::NonZero);
    float sum = 0;
    for (float v : cov) sum += v;
    EXPECT_NEAR(sum, area, 1e-3f);
}

// Pentagram: the centre pentagon winds twice.
std::vector<Point> pentagram(float cx, float cy, float r) {
    std::vector<Point> p;
    for (int i = 0; i < 5; ++i) {
        float a = -1.5707963f + static_cast<float>(i) * 2.0f * 2.0f * 3.14159265f / 5.0f;
        p.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return p;
}

struct RuleCase {
    const char* name;
    std::vector<std::vector<Point>> polys;
    FillRule rule;
    int px, py;
    float expected;
};

// Exact area of a convex polygon inside the unit pixel (x, y): the polygon clipped against the
// pixel's four sides (Sutherland-Hodgman), then the shoelace formula, in double precision.
double pixelArea(const std::vector<Point>& poly, int x, int y) {
    std::vector<std::pair<double, double>> pts;
    for (const Point& p : poly) pts.emplace_back(p.x, p.y);
    auto clip = [&](auto inside, auto cross) {
        std::vector<std::pair<double, double>> out;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            auto a = pts[i], b = pts[(i + 1) % pts.size()];
            bool ia = inside(a), ib = inside(b);
            if (ia) out.push_back(a);
            if (ia != ib) out.push_back(cross(a, b));
        }
        pts = out;
    };
    auto atX = [](double cx) {
        return [cx](std::pair<double, double> a, std::pair<double, double> b) {
            double t = (cx - a.first) / (b.first - a.first);
            return std::make_pair(cx, a.second + t * (b.second - a.second));
        };
    };
    auto atY = [](double cy) {
        return [cy](std::pair<double, double> a, std::pair<double, double> b) {
            double t = (cy - a.second) / (b.second - a.second);
            return std::make_pair(a.first + t * (b.first - a.first), cy);
        };
    };
    clip([x](auto p) { return p.first >= x; }, atX(x));
    clip([x](auto p) { return p.first <= x + 1; }, atX(x + 1));
    clip([y](auto p) { return p.second >= y; }, atY(y));
    clip([y](auto p) { return p.second <= y + 1; }, atY(y + 1));
    double area = 0;
    for (std::size_t i = 0; i < pts.size(); ++i) {
        auto a = pts[i], b = pts[(i + 1) % pts.size()];
        area += a.first * b.second - b.first * a.second;
    }
    return std::fabs(area) * 0.5;
}

// Every pixel of a convex polygon (winding 0 or 1 everywhere) gets exactly its covered area,
// whatever the slope: steep edges inside one column per row, shallow ones crossing two, three or
// dozens of columns in a row, with ends on and off pixel boundaries.
TEST(Coverage, EveryPixelOfConvexPolygonsMatchesItsExactArea) {
    struct Case {
        const char* name;
        std::vector<Point> poly;
    };
    std::vector<Case> cases = {
        {"shallow sliver across many columns", {{0.3f, 2.2f}, {47.6f, 5.9f}, {47.6f, 7.1f}, {0.3f, 3.0f}}},
        {"two columns per row", {{10.25f, 1.5f}, {18.0f, 6.0f}, {12.0f, 14.75f}}},
        {"three columns per row", {{4.5f, 3.5f}, {30.7f, 12.1f}, {5.2f, 13.3f}}},
        {"ends on pixel corners", {{2, 2}, {26, 8}, {26, 12}, {2, 12}}},
        {"steep", {{20.1f, 0.4f}, {21.3f, 19.6f}, {19.2f, 19.6f}}},
    };
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> ux(0.0f, 48.0f), uy(0.0f, 20.0f);
    for (int k = 0; k < 20; ++k) {
        std::vector<Point> t = {{ux(rng), uy(rng)}, {ux(rng), uy(rng)}, {ux(rng), uy(rng)}};
        cases.push_back({"random triangle", t});
    }
    for (const Case& c : cases) {
        const std::vector<float> got = rasterize({c.poly}, 48, 20, FillRule::NonZero);
        double worst = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 48; ++x) {
                worst = std::max(worst, std::fabs(got[y * 48 + x] - pixelArea(c.poly, x, y)));
            }
        }
        EXPECT_LT(worst, 2e-4) << c.name;
    }
}

TEST(Coverage, FillRulesOnSelfCrossingPaths) {
    std::vector<Point> reversed = {{6, 6}, {6, 14}, {14, 14}, {14, 6}};
    const RuleCase cases[] = {
        {"pentagram centre, non-zero", {pentagram(16, 16, 14)}, FillRule::NonZero, 16, 16, 1.0f},
        {"pentagram centre, even-odd", {pentagram(16, 16, 14)}, FillRule::EvenOdd, 16, 16, 0.0f},
        {"pentagram point, even-odd", {pentagram(16, 16, 14)}, FillRule::EvenOdd, 16, 9, 1.0f},
        {"same-direction overlap, non-zero", {rect(2, 2, 12, 12), rect(6, 6, 14, 14)},
         FillRule::NonZero, 8, 8, 1.0f},
        {"same-direction overlap, even-odd", {rect(2, 2, 12, 12), rect(6, 6, 14, 14)},
         FillRule::EvenOdd, 8, 8, 0.0f},
        {"opposite-direction overlap, non-zero", {rect(2, 2, 12, 12), reversed},
         FillRule::NonZero, 8, 8, 0.0f},
        {"opposite-direction outside the hole", {rect(2, 2, 12, 12), reversed},
         FillRule::NonZero, 3, 3, 1.0f},
        // Figure eight: (2,2)->(20,20)->(20,2)->(2,20) crosses itself at (11,11).
        {"bow tie lobe", {{{2, 2}, {20, 20}, {20, 2}, {2, 20}}}, FillRule::NonZero, 18, 11, 1.0f},
        {"bow tie gap", {{{2, 2}, {20, 20}, {20, 2}, {2, 20}}}, FillRule::EvenOdd, 11, 4, 0.0f},
    };
    for (const auto& c : cases) {
        auto cov = rasterize(c.polys, 32, 32, c.rule);
        EXPECT_NEAR(cov[c.py * 32 + c.px], c.expected, 1e-4f) << c.name;
    }
}

TEST(Coverage, AliasedModeSamplesPixelCentres) {
    // Left edge at x = 2.4: pixel 2's centre (2.5) is inside; at x = 2.6 it is not.
    auto a = rasterize({rect(2.4f, 0, 6, 4)}, 8, 4, FillRule::NonZero, AntiAlias::Off);
    auto b = rasterize({rect(2.6f, 0, 6, 4)}, 8, 4, FillRule::NonZero, AntiAlias::Off);
    EXPECT_EQ(a[8 + 2], 1.0f);
    EXPECT_EQ(b[8 + 2], 0.0f);
    EXPECT_EQ(a[8 + 5], 1.0f);
    EXPECT_EQ(a[8 + 6], 0.0f);
    // Every value is 0 or 1.
    auto p = rasterize({pentagram(16, 16, 14)}, 32, 32, FillRule::EvenOdd, AntiAlias::Off);
    for (float v : p) EXPECT_TRUE(v == 0.0f || v == 1.0f);
    EXPECT_EQ(p[16 * 32 + 16], 0.0f);
}

TEST(Coverage, ClipsShapesThatLeaveTheRegion) {
    // A rectangle from x = -50 to x = 3.5 and one from 5.5 to 500: the visible parts keep
    // their exact coverage.
    auto cov = rasterize({rect(-50, 1, 3.5f, 3), rect(5.5f, 1, 500, 3)}, 8, 4, FillRule::NonZero);
    EXPECT_NEAR(cov[8 + 0], 1.0f, 1e-4f);
    EXPECT_NEAR(cov[8 + 3], 0.5f, 1e-4f);
    EXPECT_NEAR(cov[8 + 4], 0.0f, 1e-4f);
    EXPECT_NEAR(cov[8 + 5], 0.5f, 1e-4f);
    EXPECT_NEAR(cov[8 + 7], 1.0f, 1e-4f);
    // A slanted edge that crosses the left side of the region.
    auto tri = rasterize({{{-4, 0}, {4, 8}, {-4, 8}}}, 8, 8, FillRule::NonZero);
    EXPECT_NEAR(tri[7 * 8 + 0], 1.0f, 1e-4f);
    EXPECT_NEAR(tri[2 * 8 + 0], 0.0f, 1e-4f);
    EXPECT_NEAR(tri[4 * 8 + 0], 0.5f, 1e-4f);
}

TEST(Coverage, TrianglesFanningFromARandomCentreTileTheRectangle) {
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> pos(0.5f, 23.5f);
    for (int round = 0; round < 20; ++round) {
        const int w = 24, h = 24;
        Point c{pos(rng), pos(rng)};
        // Points along the rectangle border, at random positions on each side.
        std::vector<Point> border;
        auto add = [&](Point a, Point b) {
            border.push_back(a);
            float t = pos(rng) / 24.0f;
            border.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        };
        add({0, 0}, {24, 0});
        add({24, 0}, {24, 24});
        add({24, 24}, {0, 24});
        add({0, 24}, {0, 0});
        std::vector<float> sum(w * h, 0.0f);
        for (std::size_t i = 0; i < border.size(); ++i) {
            Point a = border[i], b = border[(i + 1) % border.size()];
            auto cov = rasterize({{c, a, b}}, w, h, FillRule::NonZero);
            for (int k = 0; k < w * h; ++k) sum[k] += cov[k];
        }
        for (int k = 0; k < w * h; ++k) {
            ASSERT_NEAR(sum[k], 1.0f, 2e-3f) << "round " << round << " pixel " << k;
        }
    }
}

TEST(Coverage, ResetAfterAnUnresolvedUseLeavesNoResidue) {
    Polylines lines;
    lines.points = rect(1, 1, 5, 5);
    lines.contours.push_back({0, 4, true});
    std::vector<Edge> edges;
    buildEdges(lines, IntRect{0, 0, 8, 8}, edges);
    CoverageBuffer cb;
    cb.reset(8, 8);
    cb.addEdges(edges, AntiAlias::On);
    cb.reset(6, 6);  // rows never resolved
    std::vector<float> row(6, -1.0f);
    for (int y = 0; y < 6; ++y) {
        int x0 = 0, x1 = 0;
        cb.resolveRowFloat(y, FillRule::NonZero, row.data(), x0, x1);
        EXPECT_GE(x0, x1) << y;
    }
}

// Edges of every walk (at most one, at most two and more pixels sideways per row) against the
// exact area, on regions whose rows end just past the cells the walks may write (width + 3 a
// multiple of the chunk size), with shapes pressed against the right side. The same buffer is
// reused, so a cell left behind by one shape shows up as a wrong pixel of the next, or as a
// non-empty row once everything is resolved.
TEST(Coverage, EdgeWalksMatchExactAreaAtTheRightSide) {
    struct Case {
        const char* name;
        float slope;  // pixels sideways per row
    };
    const Case cases[] = {
        {"steep", 0.6f}, {"one pixel per row", 1.0f}, {"between one and two", 1.4f},
        {"two pixels per row", 2.0f}, {"just over two", 2.1f}, {"flat", 5.5f},
    };
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    CoverageBuffer cb;
    for (const Case& c : cases) {
        for (int w : {5, 13, 21}) {
            const int h = 9;
            for (int round = 0; round < 8; ++round) {
                // A triangle with its right corner on the right side: one edge of the given
                // slope running into it from the left, one vertical-ish edge back.
                const float ty = 0.5f + 2.0f * unit(rng);
                const float by = ty + std::min(h - 1.0f - ty, (w - 0.5f) / c.slope) * (0.5f + 0.5f * unit(rng));
                const float rx = static_cast<float>(w) - (round % 2 ? 0.0f : 0.3f * unit(rng));
                const std::vector<Point> poly = {{rx - c.slope * (by - ty), ty}, {rx, by}, {rx - 0.25f, ty}};
                Polylines lines;
                lines.points = poly;
                lines.contours.push_back({0, 3, true});
                std::vector<Edge> edges;
                buildEdges(lines, IntRect{0, 0, w, h}, edges);
                cb.reset(w, h);
                cb.addEdges(edges, AntiAlias::On);
                std::vector<float> row(w);
                double worst = 0;
                for (int y = 0; y < h; ++y) {
                    std::fill(row.begin(), row.end(), 0.0f);
                    int x0 = 0, x1 = 0;
                    cb.resolveRowFloat(y, FillRule::NonZero, row.data(), x0, x1);
                    for (int x = 0; x < w; ++x) {
                        worst = std::max(worst, std::fabs(row[x] - pixelArea(poly, x, y)));
                    }
                }
                EXPECT_LT(worst, 2e-4) << c.name << ", width " << w << ", round " << round;
            }
        }
    }
    // Everything was resolved, so the buffer must be empty.
    cb.reset(24, 9);
    std::vector<float> row(24);
    for (int y = 0; y < 9; ++y) {
        int x0 = 0, x1 = 0;
        cb.resolveRowFloat(y, FillRule::NonZero, row.data(), x0, x1);
        EXPECT_GE(x0, x1) << "row " << y << " kept cells";
    }
}

// The span form the renderer paints from (constant runs, per-pixel runs trimmed of zeros at
// their ends, short gaps folded in) must give every pixel the value the plain row resolution
// gives, on widths that end inside a chunk and with shapes cut by the region's sides.
TEST(Coverage, SpansAgreeWithPlainResolution) {
    std::mt19937 rng(99);
    for (int round = 0; round < 60; ++round) {
        const int w = 9 + static_cast<int>(rng() % 60), h = 12;
        std::uniform_real_distribution<float> ux(-6.0f, w + 6.0f), uy(-2.0f, h + 2.0f);
        Polylines lines;
        for (int k = 0; k < 5; ++k) {
            lines.points.push_back({ux(rng), uy(rng)});
        }
        lines.contours.push_back({0, 5, true});
        std::vector<Edge> edges;
        buildEdges(lines, IntRect{0, 0, w, h}, edges);
        const FillRule rule = round % 2 ? FillRule::EvenOdd : FillRule::NonZero;
        CoverageBuffer spans, plain;
        spans.reset(w, h);
        plain.reset(w, h);
        spans.addEdges(edges, AntiAlias::On);
        plain.addEdges(edges, AntiAlias::On);
        std::vector<std::uint8_t> bytes(w + CoverageBuffer::kRowSlack);
        std::vector<CoverageSpan> out(w + 1);
        std::vector<float> ref(w);
        for (int y = 0; y < h; ++y) {
            const int n = spans.resolveSpans(y, rule, bytes.data(), out.data());
            std::vector<int> got(w, 0);
            int end = 0;
            for (int k = 0; k < n; ++k) {
                const CoverageSpan& sp = out[k];
                ASSERT_GE(sp.x, end) << "spans overlap or run backwards, round " << round;
                ASSERT_LE(sp.x + sp.length, w);
                for (int i = 0; i < sp.length; ++i) {
                    got[sp.x + i] = sp.perPixel ? sp.perPixel[i] : sp.coverage;
                }
                end = sp.x + sp.length;
            }
            std::fill(ref.begin(), ref.end(), 0.0f);
            int x0 = 0, x1 = 0;
            plain.resolveRowFloat(y, rule, ref.data(), x0, x1);
            for (int x = 0; x < w; ++x) {
                ASSERT_NEAR(got[x], ref[x] * 255.0f, 0.51f) << "round " << round << " at " << x << "," << y;
            }
        }
    }
}

TEST(Flatten, CurvesStayWithinTolerance) {
    Path p;
    p.moveTo(0, 0);
    p.quadTo(50, 100, 100, 0);
    Polylines out;
    flattenPath(p, Matrix{}, out);
    ASSERT_EQ(out.contours.size(), 1u);
    // Every flattened point lies on the curve, and every chord's midpoint stays close to it.
    for (std::uint32_t i = out.contours[0].begin; i + 1 < out.contours[0].end; ++i) {
        Point a = out.points[i], b = out.points[i + 1];
        float mx = 0.5f * (a.x + b.x);
        float t = mx / 100.0f;
        float cy = 2.0f * (1 - t) * t * 100.0f;
        EXPECT_LE(std::fabs(0.5f * (a.y + b.y) - cy), kFlattenTolerance * 1.5f);
    }
    // Non-finite coordinates drop the contour instead of poisoning the edges.
    Path bad;
    bad.moveTo(0, 0);
    bad.lineTo(NAN, 4);
    bad.lineTo(4, 4);
    Polylines none;
    flattenPath(bad, Matrix{}, none);
    EXPECT_TRUE(none.contours.empty());
}

}  // namespace
}  // namespace render
