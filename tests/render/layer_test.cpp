// Layers: blend mode arithmetic on known pixel pairs, layer compositing, box blur against a
// direct convolution, filter margins and layer boxes, shadows and glows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include <cmath>
#include <vector>

#include "render/blend_modes.h"
#include "render/filters.h"

namespace render {
namespace {

struct BlendCase {
    const char* name;
    BlendMode mode;
    Pixel src, dst, expected;
};

constexpr Pixel px(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) { return packPixel(r, g, b, a); }

// Expected values worked out by hand from the formulas over 255 (rounded to nearest).
const BlendCase kBlendCases[] = {
    {"normal half over blue", BlendMode::Normal, px(128, 0, 0, 128), px(0, 0, 255, 255), px(128, 0, 127, 255)},
    {"layer is normal", BlendMode::Layer, px(128, 0, 0, 128), px(0, 0, 255, 255), px(128, 0, 127, 255)},
    {"multiply", BlendMode::Multiply, px(255, 128, 0, 255), px(128, 128, 255, 255), px(128, 64, 0, 255)},
    {"multiply on transparent keeps the source", BlendMode::Multiply, px(100, 50, 0, 128), 0, px(100, 50, 0, 128)},
    {"multiply half source", BlendMode::Multiply, px(0, 0, 0, 128), px(200, 100, 50, 255), px(100, 50, 25, 255)},
    {"screen", BlendMode::Screen, px(255, 128, 0, 255), px(128, 128, 255, 255), px(255, 192, 255, 255)},
    {"lighten", BlendMode::Lighten, px(255, 128, 0, 255), px(128, 100, 255, 255), px(255, 128, 255, 255)},
    {"darken", BlendMode::Darken, px(255, 128, 0, 255), px(128, 100, 255, 255), px(128, 100, 0, 255)},
    {"difference", BlendMode::Difference, px(255, 128, 0, 255), px(128, 128, 255, 255), px(127, 0, 255, 255)},
    {"add saturates", BlendMode::Add, px(200, 100, 50, 255), px(100, 100, 250, 255), px(255, 200, 255, 255)},
    {"subtract floors at zero", BlendMode::Subtract, px(100, 50, 10, 255), px(200, 40, 250, 255), px(100, 0, 240, 255)},
    {"invert", BlendMode::Invert, px(9, 9, 9, 255), px(200, 40, 250, 255), px(55, 215, 5, 255)},
    {"invert half", BlendMode::Invert, px(0, 0, 0, 128), px(200, 0, 255, 255), px(128, 128, 127, 255)},
    {"alpha keeps the destination by source alpha", BlendMode::Alpha, px(0, 0, 0, 128), px(200, 40, 250, 255), px(100, 20, 125, 128)},
    {"erase removes by source alpha", BlendMode::Erase, px(7, 7, 7, 255), px(200, 40, 250, 255), 0},
    {"erase quarter", BlendMode::Erase, px(0, 0, 0, 64), px(200, 40, 252, 255), px(150, 30, 189, 191)},
    // Overlay decides on the destination (40 dark, 200 light), hard light on the source.
    {"overlay", BlendMode::Overlay, px(100, 100, 0, 255), px(40, 200, 255, 255), px(31, 188, 255, 255)},
    {"hard light", BlendMode::HardLight, px(40, 200, 255, 255), px(100, 100, 0, 255), px(31, 188, 255, 255)},
};

TEST(BlendModes, KnownPixelPairs) {
    for (const BlendCase& c : kBlendCases) {
        SCOPED_TRACE(c.name);
        const Pixel got = blendPixel(c.mode, c.src, c.dst);
        EXPECT_EQ(pixelR(got), pixelR(c.expected));
        EXPECT_EQ(pixelG(got), pixelG(c.expected));
        EXPECT_EQ(pixelB(got), pixelB(c.expected));
        EXPECT_EQ(pixelA(got), pixelA(c.expected));
    }
}

TEST(BlendModes, ResultsStayPremultiplied) {
    // Colour never exceeds alpha, whatever the inputs.
    const Pixel samples[] = {0, px(255, 255, 255, 255), px(10, 20, 30, 40), px(128, 0, 64, 128), px(0, 255, 0, 255),
                             px(3, 3, 3, 3)};
    for (int m = 0; m <= static_cast<int>(BlendMode::HardLight); ++m)
        for (Pixel s : samples)
            for (Pixel d : samples) {
                const Pixel out = blendPixel(static_cast<BlendMode>(m), s, d);
                EXPECT_LE(pixelR(out), pixelA(out)) << m;
                EXPECT_LE(pixelG(out), pixelA(out)) << m;
                EXPECT_LE(pixelB(out), pixelA(out)) << m;
            }
}

TEST(BlendModes, CompositeAppliesTransformRoundedClipAndOffset) {
    // Layer pixel x lands on dst pixel x - 1; the layer's first and last pixels fall outside.
    Pixmap dst(4, 1), layer(6, 1);
    dst.fill(Color{255, 255, 255, 255});
    for (int x = 0; x < 6; ++x) layer.set(x, 0, px(0, 0, 127, 127));
    layer.set(4, 0, 0);
    layer.set(5, 0, px(255, 0, 0, 255));
    ColorTransform cx;
    cx.mulA = 76.0f / 256.0f;  // 127 * 0.297 = 37.7: rounds to 38
    Mask clip(4, 1);
    clip.clear(255);
    clip.row(0)[1] = 0;
    clip.row(0)[2] = 128;
    compositeLayer(dst, layer, IntRect{0, 0, 6, 1}, -1, 0, BlendMode::Normal, cx, &clip);
    EXPECT_EQ(dst.at(0, 0), px(217, 217, 255, 255));
    EXPECT_EQ(dst.at(1, 0), px(255, 255, 255, 255));  // clipped away
    EXPECT_EQ(pixelR(dst.at(2, 0)), 236);             // half way between 255 and 217
    EXPECT_EQ(dst.at(3, 0), px(255, 255, 255, 255));  // empty layer pixel
}

// Direct convolution with a box `width` pixels wide (end taps weighted by what is left over),
// `passes` times, in doubles.
std::vector<double> referenceBlur(std::vector<double> v, double width, int passes) {
    const double half = (width - 1) / 2;
    const int reach = static_cast<int>(std::ceil(half));
    for (int p = 0; p < passes; ++p) {
        std::vector<double> out(v.size(), 0.0);
        for (int i = 0; i < static_cast<int>(v.size()); ++i)
            for (int k = -reach; k <= reach; ++k) {
                const double weight = std::abs(k) <= std::floor(half) ? 1.0 : half - std::floor(half);
                if (i + k >= 0 && i + k < static_cast<int>(v.size())) out[i] += v[i + k] * weight / width;
            }
        v = out;
    }
    return v;
}

TEST(Blur, BoxPassesMatchDirectConvolution) {
    struct Case {
        float width;
        int passes;
    } cases[] = {{3, 1}, {5, 1}, {5, 2}, {7, 3}, {15, 2}, {2, 1}, {6.5f, 2}, {20, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "width=" << c.width << " passes=" << c.passes);
        const int n = 60;
        for (int channels : {1, 4}) {
            std::vector<std::uint8_t> data(n * channels, 0);
            std::vector<double> ref(n, 0.0);
            for (int i = 25; i < 32; ++i) ref[i] = 255;
            ref[40] = 100;
            for (int i = 0; i < n; ++i) data[i * channels + channels - 1] = static_cast<std::uint8_t>(ref[i]);
            FilterScratch scratch;
            // Along a row, then the same line as a column.
            boxBlur(data.data(), n * channels, n, 1, channels, c.width, 0, c.passes, scratch);
            std::vector<std::uint8_t> column(n * channels, 0);
            for (int i = 0; i < n; ++i) column[i * channels + channels - 1] = static_cast<std::uint8_t>(ref[i]);
            boxBlur(column.data(), channels, 1, n, channels, 0, c.width, c.passes, scratch);
            const std::vector<double> want = referenceBlur(ref, c.width, c.passes);
            for (int i = 0; i < n; ++i) {
                EXPECT_NEAR(data[i * channels + channels - 1], want[i], c.passes) << "row at " << i;
                EXPECT_NEAR(column[i * channels + channels - 1], want[i], c.passes) << "column at " << i;
            }
        }
    }
}

// A picture blurred across equals each of its rows blurred alone (and down, each column), for
// sizes that are not whole blocks of the transposes inside.
TEST(Blur, PicturesBlurRowByRowAndColumnByColumn) {
    for (const auto& [w, h] : {std::pair{37, 23}, std::pair{64, 9}, std::pair{5, 70}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        std::vector<std::uint8_t> picture(static_cast<std::size_t>(w) * h * 4);
        std::uint32_t seed = 12345;
        for (auto& b : picture) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
        FilterScratch scratch;
        std::vector<std::uint8_t> across = picture, down = picture;
        boxBlur(across.data(), w * 4, w, h, 4, 7.5f, 0, 2, scratch);
        boxBlur(down.data(), w * 4, w, h, 4, 0, 5, 1, scratch);
        for (int y = 0; y < h; ++y) {
            std::vector<std::uint8_t> row(picture.begin() + y * w * 4, picture.begin() + (y + 1) * w * 4);
            boxBlur(row.data(), w * 4, w, 1, 4, 7.5f, 0, 2, scratch);
            ASSERT_TRUE(std::equal(row.begin(), row.end(), across.begin() + y * w * 4)) << "row " << y;
        }
        for (int x = 0; x < w; ++x) {
            std::vector<std::uint8_t> column(static_cast<std::size_t>(h) * 4);
            for (int y = 0; y < h; ++y) std::memcpy(&column[y * 4], &picture[(y * w + x) * 4], 4);
            boxBlur(column.data(), 4, 1, h, 4, 0, 5, 1, scratch);
            for (int y = 0; y < h; ++y)
                ASSERT_EQ(0, std::memcmp(&column[y * 4], &down[(y * w + x) * 4], 4)) << "column " << x << " row " << y;
        }
    }
}

TEST(Blur, FilterRadiusAndQualityInDevicePixels) {
    // A one-pixel cross through (15, 15): blur 5 spreads each line 2 pixels at quality 1 and 6
    // at quality 3 (the tails of three passes are faint but not zero); blur 2 reaches one pixel
    // with half weight.
    struct Case {
        float blur;
        int passes, reach;
    } cases[] = {{5, 1, 2}, {5, 3, 6}, {4, 2, 4}, {2, 1, 1}, {1, 1, 0}, {0, 3, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "blur=" << c.blur << " passes=" << c.passes);
        Pixmap p(31, 31);
        for (int i = 0; i < 31; ++i) p.set(15, i, px(255, 255, 255, 255)), p.set(i, 15, px(255, 255, 255, 255));
        Filter f;
        f.kind = FilterKind::Blur;
        f.blurX = f.blurY = c.blur;
        f.passes = c.passes;
        FilterScratch s;
        applyFilter(p, IntRect{0, 0, 31, 31}, f, s);
        EXPECT_GT(pixelA(p.at(15 + c.reach, 3)), 0);
        EXPECT_EQ(pixelA(p.at(15 + c.reach + 1, 3)), 0);
        EXPECT_GT(pixelA(p.at(3, 15 - c.reach)), 0);
        EXPECT_EQ(pixelA(p.at(3, 15 - c.reach - 1)), 0);
        if (c.reach == 2 && c.passes == 1) {
            EXPECT_EQ(pixelA(p.at(17, 3)), 51);  // 255 / 5
        }
        const FilterMargin m = filterMargin(std::span<const Filter>(&f, 1));
        EXPECT_EQ(m.left, c.reach);
        EXPECT_EQ(m.bottom, c.reach);
    }
}

TEST(LayerBox, FiltersWidenTheContentBoxWithinTheLimit) {
    Filter blur;
    blur.kind = FilterKind::Blur;
    blur.blurX = 10;
    blur.blurY = 4;
    blur.passes = 2;
    Filter shadow;
    shadow.kind = FilterKind::DropShadow;
    shadow.distance = 4;  // angle 0: to the right
    Filter innerGlow;
    innerGlow.kind = FilterKind::Glow;
    innerGlow.blurX = innerGlow.blurY = 30;
    innerGlow.inner = true;
    Filter bevel;
    bevel.kind = FilterKind::Bevel;
    bevel.distance = 3;
    bevel.angle = 3.14159265f / 2;  // downwards: both sides grow vertically

    const IntRect limit{0, 0, 200, 100};
    const Rect content{50.5f, 40.2f, 80.0f, 60.0f};
    EXPECT_EQ(layerBox(content, {}, limit).x0, 49);  // one pixel of anti-aliasing
    const Filter both[] = {blur, shadow};
    const IntRect b = layerBox(content, both, limit);
    EXPECT_EQ(b.x0, 50 - 1 - 10);
    EXPECT_EQ(b.x1, 80 + 1 + 10 + 4);
    EXPECT_EQ(b.y0, 40 - 1 - 4);
    EXPECT_EQ(b.y1, 60 + 1 + 4);
    const IntRect g = layerBox(content, std::span<const Filter>(&innerGlow, 1), limit);
    EXPECT_EQ(g.x0, 49);
    EXPECT_EQ(g.x1, 81);
    const IntRect v = layerBox(content, std::span<const Filter>(&bevel, 1), limit);
    EXPECT_EQ(v.y0, 40 - 1 - 3);
    EXPECT_EQ(v.y1, 60 + 1 + 3);
    EXPECT_EQ(v.x1, 81);
    // Cut to the limit, empty when outside it or when there is no content.
    EXPECT_EQ(layerBox(Rect{-500, -20, 500, 300}, both, limit).x1, 200);
    EXPECT_TRUE(layerBox(Rect{300, 10, 320, 20}, {}, limit).isEmpty());
    EXPECT_TRUE(layerBox(Rect{}, both, limit).isEmpty());
    EXPECT_TRUE(layerBox(Rect{0, 0, NAN, 5}, both, limit).isEmpty());
}

// A 5x5 opaque white square in the middle of a 21x21 layer.
Pixmap square() {
    Pixmap p(21, 21);
    for (int y = 8; y < 13; ++y)
        for (int x = 8; x < 13; ++x) p.set(x, y, px(255, 255, 255, 255));
    return p;
}

TEST(Shadows, OuterInnerKnockoutAndHidden) {
    Filter f;
    f.kind = FilterKind::DropShadow;
    f.color = Color{0, 0, 0, 255};
    f.distance = 6;  // angle 0: straight right, no blur
    FilterScratch s;
    const IntRect all{0, 0, 21, 21};

    Pixmap p = square();
    applyFilter(p, all, f, s);
    EXPECT_EQ(p.at(10, 10), px(255, 255, 255, 255));  // the object stays on top
    EXPECT_EQ(p.at(16, 10), px(0, 0, 0, 255));        // shadow beside it
    EXPECT_EQ(p.at(5, 10), 0u);

    f.knockout = true;
    p = square();
    applyFilter(p, all, f, s);
    EXPECT_EQ(p.at(10, 10), 0u);
    EXPECT_EQ(p.at(16, 10), px(0, 0, 0, 255));

    f.knockout = false;
    f.hideObject = true;
    f.distance = 2;
    p = square();
    applyFilter(p, all, f, s);
    EXPECT_EQ(p.at(11, 10), px(0, 0, 0, 255));  // shadow where the object was
    EXPECT_EQ(p.at(9, 10), 0u);

    Filter glow;
    glow.kind = FilterKind::Glow;
    glow.inner = true;
    glow.color = Color{255, 0, 0, 255};
    glow.blurX = glow.blurY = 3;
    glow.strength = 2;
    p = square();
    applyFilter(p, all, glow, s);
    EXPECT_EQ(p.at(5, 10), 0u);                        // nothing outside
    EXPECT_GT(pixelG(p.at(10, 10)), pixelG(p.at(8, 10)));  // red strongest at the edge
    EXPECT_EQ(pixelA(p.at(8, 10)), 255);
}

TEST(Filters, ColourMatrixAndConvolution) {
    Filter m;
    m.kind = FilterKind::ColorMatrix;
    // Swap red and blue, halve alpha, add 10 to green.
    m.matrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 10, 1, 0, 0, 0, 0, 0, 0, 0, 0.5f, 0};
    Pixmap p(1, 1);
    p.set(0, 0, px(200, 100, 50, 255));
    FilterScratch s;
    applyFilter(p, IntRect{0, 0, 1, 1}, m, s);
    EXPECT_EQ(p.at(0, 0), premultiply(Color{50, 110, 200, 128}));

    Filter c;
    c.kind = FilterKind::Convolution;
    c.cols = 3;
    c.rows = 1;
    c.matrix = {1, 0, 1};
    c.divisor = 2;
    c.clamp = false;
    c.defaultColor = Color{0, 0, 0, 0};
    c.preserveAlpha = false;
    Pixmap q(3, 1);
    q.set(0, 0, px(255, 255, 255, 255));
    applyFilter(q, IntRect{0, 0, 3, 1}, c, s);
    EXPECT_EQ(q.at(1, 0), premultiply(Color{128, 128, 128, 128}));  // average of both neighbours
    EXPECT_EQ(q.at(0, 0), 0u);                                      // neighbours empty
}

}  // namespace
}  // namespace render
