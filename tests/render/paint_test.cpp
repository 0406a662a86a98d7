// Paints: gradient tables, spreads, the focal point, linear-RGB mixing, bitmap sampling, and the
// colour transform arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/paint.h"

namespace render {
namespace {

struct TransformCase {
    const char* name;
    ColorTransform cx;
    Color in;
    Color expected;
};

TEST(ColorTransform, MultipliesAddsAndClamps) {
    const TransformCase cases[] = {
        {"identity", {}, {10, 20, 30, 40}, {10, 20, 30, 40}},
        {"halve red", {0.5f, 1, 1, 1, 0, 0, 0, 0}, {201, 20, 30, 255}, {100, 20, 30, 255}},
        {"add clamps high", {1, 1, 1, 1, 100, 0, 0, 0}, {200, 0, 0, 255}, {255, 0, 0, 255}},
        {"add clamps low", {1, 1, 1, 1, 0, -50, 0, 0}, {0, 20, 0, 255}, {0, 0, 0, 255}},
        {"alpha multiply", {1, 1, 1, 0.5f, 0, 0, 0, 0}, {9, 9, 9, 255}, {9, 9, 9, 127}},
        {"alpha add", {1, 1, 1, 1, 0, 0, 0, -255}, {9, 9, 9, 255}, {9, 9, 9, 0}},
        {"negative multiply with add", {-1, 1, 1, 1, 255, 0, 0, 0}, {55, 0, 0, 255}, {200, 0, 0, 255}},
        {"multiply above one clamps", {4, 1, 1, 1, 0, 0, 0, 0}, {100, 0, 0, 255}, {255, 0, 0, 255}},
        {"fixed-point k/256 truncates", {100.0f / 256, 1, 1, 1, 0, 0, 0, 0}, {255, 0, 0, 255}, {99, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cx.apply(c.in), c.expected) << c.name;
    }
}

TEST(ColorTransform, ConcatAppliesInnerFirst) {
    ColorTransform inner{0.5f, 1, 1, 1, 10, 0, 0, 0};
    ColorTransform outer{2.0f, 1, 1, 1, -30, 0, 0, 0};
    ColorTransform both = outer.concat(inner);
    Color c{100, 0, 0, 255};
    // (100 * 0.5 + 10) * 2 - 30 = 90
    EXPECT_EQ(both.apply(c).r, 90);
    EXPECT_EQ(outer.apply(inner.apply(c)).r, 90);
}

TEST(Premultiply, RoundTripsOpaqueAndRoundsTranslucent) {
    EXPECT_EQ(premultiply(Color{255, 128, 0, 128}), packPixel(128, 64, 0, 128));
    EXPECT_EQ(unpremultiply(packPixel(128, 64, 0, 128)), (Color{255, 128, 0, 128}));
    EXPECT_EQ(unpremultiply(packPixel(0, 0, 0, 0)), (Color{0, 0, 0, 0}));
}

TEST(Gradient, StopsMapToTheTable) {
    GradientPaint g;
    g.stops = {{0.0f, {255, 0, 0, 255}}, {0.5f, {0, 255, 0, 255}}, {1.0f, {0, 0, 255, 255}}};
    std::array<Pixel, kGradientLutSize> lut{};
    buildGradientLut(g, ColorTransform{}, lut);
    EXPECT_EQ(lut[0], packPixel(255, 0, 0, 255));
    EXPECT_EQ(lut[255], packPixel(0, 0, 255, 255));
    // t = 64/255 lies halfway between the first two stops (almost).
    EXPECT_NEAR(pixelR(lut[64]), 127, 2);
    EXPECT_NEAR(pixelG(lut[64]), 128, 2);
    // Stops inside the range: before the first and after the last the end colours hold.
    GradientPaint inner;
    inner.stops = {{0.25f, {10, 10, 10, 255}}, {0.75f, {250, 250, 250, 255}}};
    buildGradientLut(inner, ColorTransform{}, lut);
    EXPECT_EQ(lut[10], packPixel(10, 10, 10, 255));
    EXPECT_EQ(lut[250], packPixel(250, 250, 250, 255));
    // Equal ratios make a hard step.
    GradientPaint step;
    step.stops = {{0.0f, {0, 0, 0, 255}}, {0.5f, {0, 0, 0, 255}}, {0.5f, {255, 255, 255, 255}},
                  {1.0f, {255, 255, 255, 255}}};
    buildGradientLut(step, ColorTransform{}, lut);
    EXPECT_EQ(lut[127], packPixel(0, 0, 0, 255));
    EXPECT_EQ(lut[128], packPixel(255, 255, 255, 255));
    // The colour transform applies to the stops.
    ColorTransform dim{0.5f, 0.5f, 0.5f, 1, 0, 0, 0, 0};
    buildGradientLut(inner, dim, lut);
    EXPECT_EQ(lut[0], packPixel(5, 5, 5, 255));
}

// The table holds, at entry i, the colour at ratio i truncated as an integer mix of the stops
// would be; the gradient square is split into 256 equal parts, part i taking entry i.
TEST(Gradient, EntriesTruncateAndTheSquareSplitsIntoEqualParts) {
    struct Row {
        const char* name;
        Color from, to;
        int pixels;  // the gradient's length on screen
    };
    const Row rows[] = {
        {"falling over 24 pixels", {255, 197, 0, 255}, {255, 161, 0, 255}, 24},
        {"rising over 100 pixels", {0, 0, 0, 255}, {255, 255, 255, 255}, 100},
        {"rising over 512 pixels", {10, 20, 30, 255}, {250, 120, 31, 255}, 512},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        GradientPaint g;
        g.stops = {{0.0f, r.from}, {1.0f, r.to}};
        std::array<Pixel, kGradientLutSize> lut{};
        buildGradientLut(g, ColorTransform{}, lut);
        auto mix = [](int a, int b, int i) { return (a * (255 - i) + b * i) / 255; };
        for (int i = 0; i < kGradientLutSize; ++i) {
            ASSERT_EQ(pixelR(lut[i]), mix(r.from.r, r.to.r, i)) << i;
            ASSERT_EQ(pixelG(lut[i]), mix(r.from.g, r.to.g, i)) << i;
            ASSERT_EQ(pixelB(lut[i]), mix(r.from.b, r.to.b, i)) << i;
        }
        g.matrix = Matrix::scale(static_cast<float>(r.pixels), 1);  // t = x / pixels
        PaintContext ctx;
        ASSERT_TRUE(ctx.prepare(g, Matrix{}, ColorTransform{}));
        std::vector<Pixel> row(static_cast<std::size_t>(r.pixels));
        ctx.fillSpan(0, 0, r.pixels, row.data());
        for (int x = 0; x < r.pixels; ++x) {
            const int i = std::min(255, static_cast<int>((x + 0.5) * 256 / r.pixels));
            ASSERT_EQ(row[static_cast<std::size_t>(x)], lut[static_cast<std::size_t>(i)]) << x;
            Pixel one = 0;
            ctx.fillSpan(x, 0, 1, &one);  // the single-pixel path agrees with the span
            ASSERT_EQ(one, lut[static_cast<std::size_t>(i)]) << x;
        }
    }
}

TEST(Gradient, TranslucentStopsArePremultiplied) {
    GradientPaint g;
    g.stops = {{0.0f, {255, 255, 255, 0}}, {1.0f, {255, 255, 255, 255}}};
    std::array<Pixel, kGradientLutSize> lut{};
    buildGradientLut(g, ColorTransform{}, lut);
    EXPECT_EQ(lut[0], 0u);
    for (Pixel p : lut) EXPECT_LE(pixelR(p), pixelA(p));
}

TEST(Gradient, LinearRgbMixesInLinearLight) {
    GradientPaint g;
    g.stops = {{0.0f, {0, 0, 0, 255}}, {1.0f, {255, 255, 255, 255}}};
    std::array<Pixel, kGradientLutSize> lut{};
    buildGradientLut(g, ColorTransform{}, lut);
    EXPECT_NEAR(pixelR(lut[128]), 128, 1);
    g.interpolation = Interpolation::LinearRgb;
    buildGradientLut(g, ColorTransform{}, lut);
    // Half intensity in linear light is sRGB 188.
    EXPECT_NEAR(pixelR(lut[128]), 188, 2);
    EXPECT_EQ(pixelR(lut[0]), 0);
    EXPECT_EQ(pixelR(lut[255]), 255);
}

struct SpreadCase {
    Spread spread;
    float t;
    float expected;
};

TEST(Gradient, SpreadModes) {
    const SpreadCase cases[] = {
        {Spread::Pad, -0.5f, 0.0f},    {Spread::Pad, 0.3f, 0.3f},      {Spread::Pad, 1.7f, 1.0f},
        {Spread::Repeat, 1.25f, 0.25f}, {Spread::Repeat, -0.25f, 0.75f}, {Spread::Reflect, 1.25f, 0.75f},
        {Spread::Reflect, -0.25f, 0.25f}, {Spread::Reflect, 2.25f, 0.25f}, {Spread::Pad, NAN, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(applySpread(c.t, c.spread), c.expected, 1e-6f)
            << static_cast<int>(c.spread) << " " << c.t;
    }
}

// A black-to-white gradient: its table entry i holds the grey i.
GradientPaint ramp(GradientKind kind) {
    GradientPaint g;
    g.kind = kind;
    g.stops = {{0.0f, {0, 0, 0, 255}}, {1.0f, {255, 255, 255, 255}}};
    return g;
}

int sampleRed(const Paint& p, const Matrix& toDevice, int x, int y) {
    PaintContext ctx;
    EXPECT_TRUE(ctx.prepare(p, toDevice, ColorTransform{}));
    Pixel px = 0;
    ctx.fillSpan(x, y, 1, &px);
    return pixelR(px);
}

TEST(Gradient, LinearAlongTheMatrix) {
    GradientPaint g = ramp(GradientKind::Linear);
    g.matrix = Matrix::scale(100, 100);  // t from 0 at x = 0 to 1 at x = 100
    EXPECT_NEAR(sampleRed(g, Matrix{}, 49, 7), 126, 1);  // t = 0.495
    EXPECT_EQ(sampleRed(g, Matrix{}, 150, 7), 255);
    g.spread = Spread::Repeat;
    EXPECT_NEAR(sampleRed(g, Matrix{}, 124, 7), 62, 1);  // t = 1.245 -> 0.245
    g.spread = Spread::Reflect;
    EXPECT_NEAR(sampleRed(g, Matrix{}, 124, 7), 193, 1);  // -> 0.755
    // The path matrix moves the gradient along with the shape.
    g.spread = Spread::Pad;
    EXPECT_NEAR(sampleRed(g, Matrix::translate(50, 0), 99, 0), 126, 1);
}

TEST(Gradient, RadialWithFocalPoint) {
    GradientPaint g = ramp(GradientKind::Radial);
    g.matrix = Matrix::translate(100, 100) * Matrix::scale(50, 50);
    EXPECT_NEAR(sampleRed(g, Matrix{}, 99, 99), 4, 1);  // pixel centre (99.5, 99.5): r ~ 0.014
    EXPECT_NEAR(sampleRed(g, Matrix{}, 124, 99), 125, 1);  // r ~ 0.49
    EXPECT_EQ(sampleRed(g, Matrix{}, 170, 99), 255);
    g.focal = 0.5f;  // focal point at (125, 100)
    EXPECT_LE(sampleRed(g, Matrix{}, 124, 99), 3);
    // On the circle t is 1 whatever the focal point.
    EXPECT_NEAR(sampleRed(g, Matrix{}, 100, 50), 255, 3);
    EXPECT_NEAR(sampleRed(g, Matrix{}, 50, 100), 255, 3);
    // Halfway from the focal point to the circle on the far side: t = 0.5.
    EXPECT_NEAR(sampleRed(g, Matrix{}, 87, 99), 128, 4);
    // A singular matrix draws nothing rather than dividing by zero.
    g.matrix = Matrix::scale(0, 0);
    PaintContext ctx;
    EXPECT_FALSE(ctx.prepare(g, Matrix{}, ColorTransform{}));
}

TEST(Gradient, OverflowingParametersStayInsideTheTable) {
    // The inverse maps x to 1e37 * (x - y): pixels far from the diagonal overflow to +-inf and
    // those on it to inf - inf = NaN. Each must read an end of the table, never outside it.
    for (Spread spread : {Spread::Pad, Spread::Reflect, Spread::Repeat}) {
        for (GradientKind kind : {GradientKind::Linear, GradientKind::Radial}) {
            GradientPaint g = ramp(kind);
            g.spread = spread;
            g.matrix = Matrix{1e-37f, 0.0f, 1e26f, 1e26f, 0.0f, 0.0f};
            PaintContext ctx;
            ASSERT_TRUE(ctx.prepare(g, Matrix{}, ColorTransform{}));
            for (int y : {0, 100, 200}) {
                std::vector<Pixel> run(7);
                ctx.fillSpan(98, y, 7, run.data());
                for (int i = 0; i < 7; ++i) {
                    Pixel one = 0;
                    ctx.fillSpan(98 + i, y, 1, &one);
                    EXPECT_EQ(run[i], one);
                    EXPECT_TRUE(one == premultiply(g.stops.front().color) ||
                                one == premultiply(g.stops.back().color))
                        << "spread " << static_cast<int>(spread) << " kind " << static_cast<int>(kind)
                        << " pixel " << 98 + i << "," << y;
                }
            }
        }
    }
}

TEST(Bitmap, NearestAndSmoothClampedAndRepeating) {
    Pixmap img(2, 1);
    img.set(0, 0, packPixel(0, 0, 0, 255));
    img.set(1, 0, packPixel(200, 200, 200, 255));
    BitmapPaint b;
    b.image = &img;
    b.matrix = Matrix::scale(10, 10);  // each texel covers 10 x 10 pixels
    b.filter = BitmapFilter::Nearest;
    b.wrap = BitmapWrap::Repeat;
    EXPECT_EQ(sampleRed(b, Matrix{}, 5, 5), 0);
    EXPECT_EQ(sampleRed(b, Matrix{}, 15, 5), 200);
    EXPECT_EQ(sampleRed(b, Matrix{}, 25, 5), 0);      // repeats
    b.wrap = BitmapWrap::Clamp;
    EXPECT_EQ(sampleRed(b, Matrix{}, 25, 5), 200);    // edge texel extends
    EXPECT_EQ(sampleRed(b, Matrix{}, -5, 5), 0);
    b.filter = BitmapFilter::Smooth;
    // 0.45 and 0.55 of the way from the first texel centre (x = 5) to the second (x = 15).
    EXPECT_NEAR(sampleRed(b, Matrix{}, 9, 5), 90, 1);
    EXPECT_NEAR(sampleRed(b, Matrix{}, 10, 5), 110, 1);
    EXPECT_EQ(sampleRed(b, Matrix{}, 2, 5), 0);
}

TEST(Bitmap, ColourTransformAppliesToTexels) {
    Pixmap img(1, 1);
    img.set(0, 0, packPixel(200, 100, 50, 255));
    BitmapPaint b;
    b.image = &img;
    PaintContext ctx;
    ASSERT_TRUE(ctx.prepare(b, Matrix{}, ColorTransform{0.5f, 1, 1, 0.5f, 0, 20, 0, 0}));
    Pixel px = 0;
    ctx.fillSpan(0, 0, 1, &px);
    Color c = unpremultiply(px);
    EXPECT_NEAR(c.r, 100, 1);
    EXPECT_NEAR(c.g, 120, 1);
    EXPECT_EQ(pixelA(px), 127);
    BitmapPaint none;
    EXPECT_FALSE(ctx.prepare(none, Matrix{}, ColorTransform{}));
}

}  // namespace
}  // namespace render

namespace render {
namespace {

// A long span is painted in blocks (four pixels at a time where the machine allows); every
// pixel must match painting it alone.
TEST(Paint, SpansMatchSinglePixels) {
    Pixmap img(3, 2);
    for (int i = 0; i < 6; ++i) img.set(i % 3, i / 3, premultiply(Color{static_cast<std::uint8_t>(40 * i), 90, 200, 255}));
    std::vector<Paint> paints;
    for (Spread spread : {Spread::Pad, Spread::Reflect, Spread::Repeat}) {
        for (GradientKind kind : {GradientKind::Linear, GradientKind::Radial}) {
            for (float focal : {0.0f, -0.6f}) {
                GradientPaint g = ramp(kind);
                g.spread = spread;
                g.focal = focal;
                g.matrix = Matrix::translate(20, 10) * Matrix::rotate(0.3f) * Matrix::scale(13, 7);
                paints.push_back(g);
            }
        }
    }
    for (BitmapFilter filter : {BitmapFilter::Nearest, BitmapFilter::Smooth}) {
        BitmapPaint b;
        b.image = &img;
        b.filter = filter;
        b.matrix = Matrix::rotate(0.2f) * Matrix::scale(3.3f, 2.1f);
        paints.push_back(b);
    }
    for (std::size_t p = 0; p < paints.size(); ++p) {
        PaintContext ctx;
        ASSERT_TRUE(ctx.prepare(paints[p], Matrix::scale(1.5f, 1.5f), ColorTransform{}));
        for (int y : {0, 7, 19}) {
            std::vector<Pixel> run(37);
            ctx.fillSpan(-3, y, 37, run.data());
            for (int i = 0; i < 37; ++i) {
                Pixel one = 0;
                ctx.fillSpan(-3 + i, y, 1, &one);
                ASSERT_EQ(run[i], one) << "paint " << p << " row " << y << " pixel " << i;
            }
        }
    }
}

}  // namespace
}  // namespace render
