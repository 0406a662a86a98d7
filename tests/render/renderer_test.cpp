// Renderer: seamless fills of one shape, source-over compositing, colour transforms on fills,
// clip masks, the aliased mode and draws that leave the target.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <random>

#include "render/renderer.h"

namespace render {
namespace {

Path triangle(Point a, Point b, Point c) {
    Path p;
    p.moveTo(a.x, a.y);
    p.lineTo(b.x, b.y);
    p.lineTo(c.x, c.y);
    p.close();
    return p;
}

TEST(Renderer, TwoFillsOfOneShapeLeaveNoSeam) {
    const Color fill{200, 50, 50, 255};
    const Color back{255, 255, 255, 255};
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> jitter(0.0f, 1.0f);
    for (int round = 0; round < 10; ++round) {
        Pixmap pm(64, 64);
        pm.fill(back);
        Renderer r(pm);
        // A square split along its diagonal, placed at sub-pixel offsets.
        float ox = 5 + jitter(rng), oy = 5 + jitter(rng);
        Point a{ox, oy}, b{ox + 50, oy}, c{ox + 50, oy + 50.3f}, d{ox, oy + 50.3f};
        if (round % 2) {
            r.beginGroup(Rect{a.x, a.y, c.x, c.y});  // a box that fits the shape
        } else {
            r.beginGroup();
        }
        r.fillPath(triangle(a, b, c), Matrix{}, FillRule::NonZero, SolidPaint{fill});
        r.fillPath(triangle(a, c, d), Matrix{}, FillRule::NonZero, SolidPaint{fill});
        r.endGroup();
        for (int y = 7; y < 55; ++y) {
            for (int x = 7; x < 55; ++x) {
                ASSERT_EQ(pm.at(x, y), premultiply(fill)) << "round " << round << " at " << x << "," << y;
            }
        }
    }
}

TEST(Renderer, GroupOfTranslucentDisjointFills) {
    Pixmap pm(20, 10);
    Renderer r(pm);
    Path left, right;
    left.addRect(0, 0, 10.5f, 10);
    right.addRect(10.5f, 0, 20, 10);
    r.beginGroup();
    r.fillPath(left, Matrix{}, FillRule::NonZero, SolidPaint{{255, 0, 0, 128}});
    r.fillPath(right, Matrix{}, FillRule::NonZero, SolidPaint{{255, 0, 0, 128}});
    r.endGroup();
    for (int x = 0; x < 20; ++x) {
        EXPECT_NEAR(pixelA(pm.at(x, 5)), 128, 1) << x;
    }
}

struct BlendCase {
    const char* name;
    Color dst;
    Color src;
    Color expected;
};

TEST(Renderer, SourceOverBlending) {
    const BlendCase cases[] = {
        {"opaque replaces", {0, 0, 255, 255}, {255, 0, 0, 255}, {255, 0, 0, 255}},
        {"half alpha over opaque", {0, 0, 255, 255}, {255, 0, 0, 128}, {128, 0, 127, 255}},
        {"transparent leaves", {10, 20, 30, 255}, {255, 255, 255, 0}, {10, 20, 30, 255}},
        {"over transparent", {0, 0, 0, 0}, {255, 0, 0, 128}, {255, 0, 0, 128}},
        {"half over half", {0, 0, 255, 128}, {255, 0, 0, 128}, {170, 0, 85, 192}},
    };
    for (const auto& c : cases) {
        Pixmap pm(4, 4);
        pm.fill(c.dst);
        Renderer r(pm);
        Path p;
        p.addRect(0, 0, 4, 4);
        r.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{c.src});
        Color got = unpremultiply(pm.at(2, 2));
        EXPECT_NEAR(got.r, c.expected.r, 1) << c.name;
        EXPECT_NEAR(got.g, c.expected.g, 1) << c.name;
        EXPECT_NEAR(got.b, c.expected.b, 1) << c.name;
        EXPECT_NEAR(got.a, c.expected.a, 1) << c.name;
    }
}

TEST(Renderer, PartialCoverageBlendsWithTheBackground) {
    Pixmap pm(8, 2);
    pm.fill(Color{0, 0, 0, 255});
    Renderer r(pm);
    Path p;
    p.addRect(2.5f, 0, 8, 2);
    r.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    EXPECT_EQ(pixelR(pm.at(1, 0)), 0);
    EXPECT_EQ(pixelR(pm.at(2, 0)), 128);
    EXPECT_EQ(pixelR(pm.at(3, 0)), 255);
}

TEST(Renderer, ColourTransformAppliesToFills) {
    Pixmap pm(4, 4);
    Renderer r(pm);
    Path p;
    p.addRect(0, 0, 4, 4);
    ColorTransform cx{0.5f, 1, 1, 1, 0, 0, 100, 0};
    r.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{{200, 10, 200, 255}}, cx);
    EXPECT_EQ(pm.at(1, 1), packPixel(100, 10, 255, 255));
    // A transform that makes the paint transparent draws nothing.
    Pixmap pm2(4, 4);
    pm2.fill(Color{1, 2, 3, 255});
    Renderer r2(pm2);
    r2.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{{200, 10, 200, 255}},
                ColorTransform{1, 1, 1, 0, 0, 0, 0, 0});
    EXPECT_EQ(pm2.at(1, 1), premultiply(Color{1, 2, 3, 255}));
}

TEST(Renderer, ClipMasksLaterDraws) {
    Pixmap pm(32, 32);
    Renderer r(pm);
    Mask left(32, 32);
    Path l;
    l.addRect(0, 0, 16.5f, 32);
    r.fillMask(left, l, Matrix{}, FillRule::NonZero);
    r.setClip(&left);
    Path all;
    all.addRect(0, 0, 32, 32);
    r.fillPath(all, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    EXPECT_EQ(pixelA(pm.at(3, 3)), 255);
    EXPECT_EQ(pixelA(pm.at(16, 3)), 128);
    EXPECT_EQ(pixelA(pm.at(20, 3)), 0);

    // Nested clip: the intersection with a top half mask leaves one quadrant.
    Mask top(32, 32);
    Path t;
    t.addRect(0, 0, 32, 16);
    r.fillMask(top, t, Matrix{}, FillRule::NonZero);
    top.intersect(left);
    Pixmap pm2(32, 32);
    Renderer r2(pm2);
    r2.setClip(&top);
    r2.fillPath(all, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    EXPECT_EQ(pixelA(pm2.at(3, 3)), 255);
    EXPECT_EQ(pixelA(pm2.at(3, 20)), 0);
    EXPECT_EQ(pixelA(pm2.at(20, 3)), 0);

    // Shapes of a clip layer are united.
    Mask both(32, 32);
    Path a, b;
    a.addRect(0, 0, 8, 8);
    b.addRect(24, 24, 32, 32);
    r.fillMask(both, a, Matrix{}, FillRule::NonZero);
    r.fillMask(both, b, Matrix{}, FillRule::NonZero);
    EXPECT_EQ(both.at(4, 4), 255);
    EXPECT_EQ(both.at(28, 28), 255);
    EXPECT_EQ(both.at(16, 16), 0);

    // A mask of the wrong size hides everything instead of reading out of bounds.
    Mask small(8, 8);
    small.clear(255);
    Pixmap pm3(32, 32);
    Renderer r3(pm3);
    r3.setClip(&small);
    r3.fillPath(all, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    EXPECT_EQ(pixelA(pm3.at(3, 3)), 0);
}

TEST(Renderer, AliasedModeWritesOnlyFullPixels) {
    Pixmap pm(40, 40);
    Renderer r(pm);
    r.setAntiAlias(AntiAlias::Off);
    Path p;
    p.moveTo(3.3f, 2.1f);
    p.quadTo(38.7f, 5.2f, 20.2f, 37.9f);
    p.lineTo(1.4f, 30.6f);
    p.close();
    r.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    int full = 0;
    for (Pixel px : pm.pixels()) {
        ASSERT_TRUE(pixelA(px) == 0 || pixelA(px) == 255);
        full += pixelA(px) == 255;
    }
    EXPECT_GT(full, 400);
}

TEST(Renderer, DrawsPartlyOrWhollyOutsideTheTarget) {
    Pixmap pm(16, 16);
    Renderer r(pm);
    Path big;
    big.addRect(-1e6f, -1e6f, 1e6f, 1e6f);
    r.fillPath(big, Matrix{}, FillRule::NonZero, SolidPaint{{0, 255, 0, 255}});
    for (Pixel px : pm.pixels()) ASSERT_EQ(px, packPixel(0, 255, 0, 255));
    Path away;
    away.addRect(100, 100, 200, 200);
    Pixmap pm2(16, 16);
    Renderer r2(pm2);
    r2.fillPath(away, Matrix{}, FillRule::NonZero, SolidPaint{{0, 255, 0, 255}});
    r2.strokePath(away, Matrix::scale(NAN, 1), StrokeStyle{}, SolidPaint{{0, 255, 0, 255}});
    for (Pixel px : pm2.pixels()) ASSERT_EQ(px, 0u);
}

TEST(Renderer, GradientFillFollowsThePathMatrix) {
    Pixmap pm(100, 10);
    Renderer r(pm);
    Path p;
    p.addRect(0, 0, 50, 5);
    GradientPaint g;
    g.stops = {{0.0f, {0, 0, 0, 255}}, {1.0f, {255, 255, 255, 255}}};
    g.matrix = Matrix::scale(50, 1);  // spans the rectangle in path space
    r.fillPath(p, Matrix::scale(2, 2), FillRule::NonZero, g);
    // Device x = 2 * path x, so the ramp spans the whole 100 pixels.
    EXPECT_LE(pixelR(pm.at(0, 5)), 2);
    EXPECT_NEAR(pixelR(pm.at(50, 5)), 129, 2);
    EXPECT_GE(pixelR(pm.at(99, 5)), 253);
}

}  // namespace
}  // namespace render

namespace render {
namespace {

// Reference source-over with coverage, one channel at a time.
Pixel referenceOver(Pixel dst, Pixel src, std::uint8_t cov) {
    Pixel s = 0;
    for (int ch = 0; ch < 4; ++ch) {
        s |= mulDiv255((src >> (8 * ch)) & 0xFF, cov) << (8 * ch);
    }
    std::uint32_t inv = 255 - pixelA(s);
    Pixel out = 0;
    for (int ch = 0; ch < 4; ++ch) {
        std::uint32_t v = ((s >> (8 * ch)) & 0xFF) + mulDiv255((dst >> (8 * ch)) & 0xFF, inv);
        out |= v << (8 * ch);
    }
    return out;
}

TEST(Blend, EveryRunFormMatchesTheReference) {
    std::mt19937 rng(11);
    auto randomPremultiplied = [&] {
        Color c{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng())};
        switch (rng() % 4) {
        case 0: c.a = 255; break;
        case 1: c.a = 0; break;
        default: break;
        }
        return premultiply(c);
    };
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(rng() % 13);  // lengths around the 4-pixel blocks
        std::vector<Pixel> dst(n), src(n);
        std::vector<std::uint8_t> cov(n);
        for (int i = 0; i < n; ++i) {
            dst[i] = randomPremultiplied();
            src[i] = randomPremultiplied();
            std::uint32_t pick = rng() % 4;
            cov[i] = pick == 0 ? 0 : pick == 1 ? 255 : static_cast<std::uint8_t>(rng());
        }
        const std::uint8_t constCov = cov[0];
        std::vector<Pixel> a = dst, b = dst, c = dst, d = dst;
        blendSpan(a.data(), src.data(), cov.data(), n);
        blendSpanConst(b.data(), src.data(), constCov, n);
        blendSolidSpan(c.data(), src[0], cov.data(), n);
        blendSolidConst(d.data(), src[0], constCov, n);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(a[i], referenceOver(dst[i], src[i], cov[i])) << round << ":" << i;
            ASSERT_EQ(b[i], referenceOver(dst[i], src[i], constCov)) << round << ":" << i;
            ASSERT_EQ(c[i], referenceOver(dst[i], src[0], cov[i])) << round << ":" << i;
            ASSERT_EQ(d[i], referenceOver(dst[i], src[0], constCov)) << round << ":" << i;
        }
    }
}

}  // namespace
}  // namespace render

namespace render {
namespace {

TEST(Renderer, TallShapesCrossRasterBands) {
    // Taller than one band of rows: rows on both sides of every band border come out the same.
    Pixmap pm(40, 1100);
    Renderer r(pm);
    Path rect;
    rect.addRect(3.5f, 0.25f, 30.5f, 1099.75f);
    r.fillPath(rect, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    EXPECT_EQ(pixelA(pm.at(10, 0)), 191);
    EXPECT_EQ(pixelA(pm.at(10, 1099)), 191);
    for (int y = 1; y < 1099; ++y) {
        ASSERT_EQ(pixelA(pm.at(3, y)), 128) << y;
        ASSERT_EQ(pixelA(pm.at(4, y)), 255) << y;
        ASSERT_EQ(pixelA(pm.at(30, y)), 128) << y;
        ASSERT_EQ(pixelA(pm.at(31, y)), 0) << y;
    }
    // A slanted seam between two fills of one shape across all bands.
    Pixmap seam(40, 1100);
    seam.fill(Color{0, 0, 0, 255});
    Renderer rs(seam);
    rs.beginGroup();
    rs.fillPath(triangle({0, 0}, {40, 0}, {40, 1100}), Matrix{}, FillRule::NonZero, SolidPaint{{0, 200, 0, 255}});
    rs.fillPath(triangle({0, 0}, {40, 1100}, {0, 1100}), Matrix{}, FillRule::NonZero, SolidPaint{{0, 200, 0, 255}});
    rs.endGroup();
    for (Pixel p : seam.pixels()) ASSERT_EQ(p, packPixel(0, 200, 0, 255));
}

}  // namespace
}  // namespace render

namespace render {
namespace {

TEST(Blend, GroupAccumulationMatchesPixelByPixel) {
    std::mt19937 rng(5);
    for (int round = 0; round < 100; ++round) {
        const int n = 1 + static_cast<int>(rng() % 15);
        std::vector<std::uint16_t> accRun(4 * n, 0);
        std::vector<Pixel> dst(n);
        for (Pixel& p : dst) p = premultiply(Color{static_cast<std::uint8_t>(rng()), 7, 99, static_cast<std::uint8_t>(rng())});
        // Two or three fills per pixel whose coverages add up to at most about one pixel.
        const int fills = 2 + static_cast<int>(rng() % 2);
        std::vector<std::vector<Pixel>> src(fills, std::vector<Pixel>(n));
        std::vector<std::vector<std::uint8_t>> cov(fills, std::vector<std::uint8_t>(n));
        for (int i = 0; i < n; ++i) {
            int left = 256;  // may exceed 255 by one, as rounding does on shared edges
            for (int f = 0; f < fills; ++f) {
                const auto alpha = static_cast<std::uint8_t>(rng() % 2 ? 255 : rng() % 256);
                src[f][i] = premultiply(Color{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                                              static_cast<std::uint8_t>(rng()), alpha});
                int c = f + 1 == fills ? std::min(left, 255) : static_cast<int>(rng() % std::min(left, 256));
                cov[f][i] = static_cast<std::uint8_t>(c);
                left -= c;
            }
        }
        std::vector<std::uint16_t> accOne = accRun;
        for (int f = 0; f < fills; ++f) {
            if (f == 0) {
                accumulateSolidSpan(accRun.data(), src[f][0], cov[f].data(), n);
                for (int i = 0; i < n; ++i) accumulateSolidSpan(accOne.data() + 4 * i, src[f][0], &cov[f][i], 1);
            } else {
                accumulateSpan(accRun.data(), src[f].data(), cov[f].data(), n);
                for (int i = 0; i < n; ++i) accumulateSpan(accOne.data() + 4 * i, &src[f][i], &cov[f][i], 1);
            }
        }
        ASSERT_EQ(accRun, accOne) << round;
        std::vector<Pixel> a = dst, b = dst;
        compositeAccumulated(a.data(), accRun.data(), n);
        for (int i = 0; i < n; ++i) compositeAccumulated(b.data() + i, accOne.data() + 4 * i, 1);
        ASSERT_EQ(a, b) << round;
        for (std::uint16_t v : accRun) ASSERT_EQ(v, 0) << "accumulator not cleared";
        for (Pixel p : a) {
            ASSERT_LE(pixelR(p), pixelA(p));
            ASSERT_LE(pixelB(p), pixelA(p));
        }
    }
}

}  // namespace
}  // namespace render

namespace render {
namespace {

TEST(Renderer, GroupBoxLimitsItsDraws) {
    Pixmap pm(32, 32);
    Renderer r(pm);
    r.beginGroup(Rect{8, 8, 16.5f, 24});
    Path all;
    all.addRect(0, 0, 32, 32);
    r.fillPath(all, Matrix{}, FillRule::NonZero, SolidPaint{{255, 255, 255, 255}});
    r.endGroup();
    EXPECT_EQ(pixelA(pm.at(7, 10)), 0);
    EXPECT_EQ(pixelA(pm.at(8, 10)), 255);
    EXPECT_EQ(pixelA(pm.at(16, 10)), 255);  // the box grows to whole pixels
    EXPECT_EQ(pixelA(pm.at(17, 10)), 0);
    EXPECT_EQ(pixelA(pm.at(10, 24)), 0);
    // The accumulator is left clean: a second group elsewhere adds nothing from the first.
    r.beginGroup(Rect{20, 0, 32, 8});
    r.endGroup();
    EXPECT_EQ(pixelA(pm.at(25, 4)), 0);
}

}  // namespace
}  // namespace render

namespace render {
namespace {

// One fill alone in a group must look as if drawn directly (the group sums a single term).
TEST(Renderer, SingleFillGroupMatchesDirectDrawing) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> pos(-5.0f, 45.0f);
    for (int round = 0; round < 40; ++round) {
        Path p;
        p.moveTo(pos(rng), pos(rng));
        for (int i = 0; i < 5; ++i) {
            if (rng() % 2) {
                p.lineTo(pos(rng), pos(rng));
            } else {
                float cx = pos(rng), cy = pos(rng);
                p.quadTo(cx, cy, pos(rng), pos(rng));
            }
        }
        p.close();
        Paint paint = SolidPaint{{static_cast<std::uint8_t>(rng()), 80, 160, static_cast<std::uint8_t>(rng())}};
        if (round % 2) {
            GradientPaint g;
            g.kind = GradientKind::Radial;
            g.stops = {{0.0f, {255, 0, 0, 200}}, {1.0f, {0, 0, 255, 90}}};
            g.matrix = Matrix::translate(20, 20) * Matrix::scale(25, 25);
            paint = g;
        }
        FillRule rule = round % 3 ? FillRule::NonZero : FillRule::EvenOdd;
        Pixmap direct(40, 40), grouped(40, 40);
        direct.fill(Color{30, 200, 30, 255});
        grouped.fill(Color{30, 200, 30, 255});
        Renderer rd(direct), rg(grouped);
        rd.fillPath(p, Matrix{}, rule, paint);
        rg.beginGroup(p.bounds());
        rg.fillPath(p, Matrix{}, rule, paint);
        rg.endGroup();
        for (int i = 0; i < 40 * 40; ++i) {
            Pixel a = direct.pixels()[i], b = grouped.pixels()[i];
            for (int sh = 0; sh < 32; sh += 8) {
                ASSERT_NEAR(static_cast<int>((a >> sh) & 0xFF), static_cast<int>((b >> sh) & 0xFF), 1)
                    << "round " << round << " pixel " << i;
            }
        }
    }
}

}  // namespace
}  // namespace render

namespace render {
namespace {

// Groups are accumulated and composited a strip of rows at a time; the strip height follows the
// box width, so these boxes give tall strips, many short ones, and strips that do not divide the
// box evenly.
TEST(Renderer, GroupSeamsVanishAcrossAccumulatorStrips) {
    struct Case {
        int w, h;
        bool wholeTarget;  // beginGroup() rather than a box of the shape
    };
    const Case cases[] = {{40, 1100, true}, {2000, 300, true}, {1500, 260, false}, {700, 900, false}};
    const Pixel green = packPixel(0, 200, 0, 255);
    for (const Case& c : cases) {
        Pixmap pm(c.w, c.h);
        pm.fill(Color{0, 0, 0, 255});
        Renderer r(pm);
        const Point a{0, 0}, b{static_cast<float>(c.w), 0}, d{0, static_cast<float>(c.h)};
        const Point e{static_cast<float>(c.w), static_cast<float>(c.h)};
        if (c.wholeTarget) {
            r.beginGroup();
        } else {
            r.beginGroup(Rect{0, 0, static_cast<float>(c.w), static_cast<float>(c.h)});
        }
        r.fillPath(triangle(a, b, e), Matrix{}, FillRule::NonZero, SolidPaint{{0, 200, 0, 255}});
        r.fillPath(triangle(a, e, d), Matrix{}, FillRule::NonZero, SolidPaint{{0, 200, 0, 255}});
        r.endGroup();
        // Where the split crosses a pixel the two coverages add up to exactly full: not one
        // level of the background may show.
        auto off = [&](Pixel p) { return p != green; };
        int wrong = 0;
        for (int y = 0; y < c.h; ++y) {
            for (int x = 0; x < c.w; ++x) {
                if (off(pm.at(x, y)) && wrong++ == 0) {
                    ADD_FAILURE() << c.w << "x" << c.h << ": first wrong pixel at " << x << "," << y
                                  << ": " << std::hex << pm.at(x, y);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << c.w << "x" << c.h;
    }
}

// Many fills meeting in one pixel: triangles fanning out from a random centre tile a square.
// Coverage rounded per fill could add up to several levels short there (or at any pixel two of
// the spokes cross); the group's sums must give the fill colour exactly everywhere, also for
// gradient paint and under a clip.
TEST(Renderer, FanOfFillsInAGroupAddsUpExactly) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> pos(3.0f, 29.0f);
    const Color colour{30, 200, 90, 255};
    GradientPaint flat;  // a gradient of one colour: the paint path of gradients
    flat.stops = {{0.0f, colour}, {1.0f, colour}};
    for (int round = 0; round < 12; ++round) {
        Pixmap pm(32, 32);
        pm.fill(Color{255, 255, 255, 255});
        Renderer r(pm);
        Mask clip(32, 32);
        clip.clear(255);
        if (round % 3 == 2) r.setClip(&clip);
        const Point c{pos(rng), pos(rng)};
        std::vector<Point> ring;
        for (int k = 0; k < 4; ++k) {
            // Two random points on each side of the square [1, 31].
            float t0 = pos(rng) / 32.0f, t1 = pos(rng) / 32.0f;
            if (t0 > t1) std::swap(t0, t1);
            const Point corners[4] = {{1, 1}, {31, 1}, {31, 31}, {1, 31}};
            const Point a = corners[k], b = corners[(k + 1) % 4];
            ring.push_back(a);
            ring.push_back({a.x + (b.x - a.x) * t0, a.y + (b.y - a.y) * t0});
            ring.push_back({a.x + (b.x - a.x) * t1, a.y + (b.y - a.y) * t1});
        }
        r.beginGroup();
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const Path p = triangle(c, ring[k], ring[(k + 1) % ring.size()]);
            if (round % 2) {
                r.fillPath(p, Matrix{}, FillRule::NonZero, flat);
            } else {
                r.fillPath(p, Matrix{}, FillRule::NonZero, SolidPaint{colour});
            }
        }
        r.endGroup();
        for (int y = 1; y < 31; ++y) {
            for (int x = 1; x < 31; ++x) {
                ASSERT_EQ(pm.at(x, y), premultiply(colour)) << "round " << round << " at " << x << "," << y;
            }
        }
    }
}

TEST(Renderer, GroupedDrawsKeepTheClipAndQualityTheyWereDrawnWith) {
    Pixmap pm(32, 32);
    Renderer r(pm);
    Mask left(32, 32);
    Path leftHalf;
    leftHalf.addRect(0, 0, 16, 32);
    r.fillMask(left, leftHalf, Matrix{}, FillRule::NonZero);
    Path top, bottom;
    top.addRect(0, 0, 32, 16);
    bottom.addRect(0.5f, 16, 32, 32);
    r.beginGroup();
    r.setClip(&left);
    r.fillPath(top, Matrix{}, FillRule::NonZero, SolidPaint{{255, 0, 0, 255}});
    r.setClip(nullptr);
    r.setAntiAlias(AntiAlias::Off);
    r.fillPath(bottom, Matrix{}, FillRule::NonZero, SolidPaint{{0, 0, 255, 255}});
    r.setAntiAlias(AntiAlias::On);
    r.endGroup();
    EXPECT_EQ(pm.at(4, 4), packPixel(255, 0, 0, 255));    // top, inside the clip
    EXPECT_EQ(pixelA(pm.at(24, 4)), 0);                     // top, clipped away
    EXPECT_EQ(pm.at(24, 24), packPixel(0, 0, 255, 255));  // bottom, unclipped
    // Aliased: the pixel whose centre lies inside the half-covered column is fully painted.
    EXPECT_EQ(pm.at(0, 24), packPixel(0, 0, 255, 255));
}

TEST(Renderer, EmptyAndOffTargetGroupsDrawNothing) {
    Pixmap pm(16, 16);
    pm.fill(Color{10, 20, 30, 255});
    const std::vector<Pixel> before = pm.pixels();
    Renderer r(pm);
    Path square;
    square.addRect(2, 2, 14, 14);
    r.beginGroup(Rect{100, 100, 200, 200});  // off the target: its draws cannot reach it
    r.fillPath(square, Matrix{}, FillRule::NonZero, SolidPaint{{255, 0, 0, 255}});
    r.endGroup();
    r.beginGroup();
    r.endGroup();
    EXPECT_EQ(pm.pixels(), before);
    // The renderer is usable as before after both.
    r.fillPath(square, Matrix{}, FillRule::NonZero, SolidPaint{{255, 0, 0, 255}});
    EXPECT_EQ(pm.at(8, 8), packPixel(255, 0, 0, 255));
}

}  // namespace
}  // namespace render
