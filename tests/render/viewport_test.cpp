// ShowAll fitting and picture comparison.
#include <gtest/gtest.h>

#include <cmath>

#include "render/image_compare.h"
#include "render/renderer.h"
#include "render/viewport.h"

namespace render {
namespace {

struct FitCase {
    const char* name;
    float stageW, stageH;
    int targetW, targetH;
    float scale, x0, y0, x1, y1;
};

TEST(Viewport, ShowAllScalesUniformlyAndCentres) {
    const FitCase cases[] = {
        {"same size", 550, 400, 550, 400, 1.0f, 0, 0, 550, 400},
        {"bars left and right", 400, 300, 1920, 1080, 3.6f, 240, 0, 1680, 1080},
        {"bars above and below", 400, 100, 800, 800, 2.0f, 0, 300, 800, 500},
        {"shrink", 1000, 1000, 100, 50, 0.05f, 25, 0, 75, 50},
    };
    for (const auto& c : cases) {
        Viewport v = showAll(c.stageW, c.stageH, c.targetW, c.targetH);
        EXPECT_FLOAT_EQ(v.scale, c.scale) << c.name;
        EXPECT_NEAR(v.x0, c.x0, 1e-3f) << c.name;
        EXPECT_NEAR(v.y0, c.y0, 1e-3f) << c.name;
        EXPECT_NEAR(v.x1, c.x1, 1e-3f) << c.name;
        EXPECT_NEAR(v.y1, c.y1, 1e-3f) << c.name;
        Point far = v.stageToTarget.apply(Point{c.stageW, c.stageH});
        EXPECT_NEAR(far.x, c.x1, 1e-3f) << c.name;
        EXPECT_NEAR(far.y, c.y1, 1e-3f) << c.name;
    }
    Viewport bad = showAll(0, 100, 640, 480);
    EXPECT_EQ(bad.stageToTarget, Matrix{});
    Viewport nan = showAll(NAN, 100, 640, 480);
    EXPECT_EQ(nan.stageToTarget, Matrix{});
}

TEST(Viewport, LetterboxedStageLeavesTheBarsInTheBackground) {
    // A stage of 40 x 20 filled red, shown in 40 x 40 over a blue background: bars of 10 rows.
    Pixmap pm(40, 40);
    pm.fill(Color{0, 0, 255, 255});
    Viewport v = showAll(40, 20, 40, 40);
    Renderer r(pm);
    Path stage;
    stage.addRect(0, 0, 40, 20);
    r.fillPath(stage, v.stageToTarget, FillRule::NonZero, SolidPaint{{255, 0, 0, 255}});
    EXPECT_EQ(pm.at(20, 9), packPixel(0, 0, 255, 255));
    EXPECT_EQ(pm.at(20, 10), packPixel(255, 0, 0, 255));
    EXPECT_EQ(pm.at(20, 29), packPixel(255, 0, 0, 255));
    EXPECT_EQ(pm.at(20, 30), packPixel(0, 0, 255, 255));
}

RgbaImage solidImage(int w, int h, std::uint8_t v) {
    RgbaImage img;
    img.width = w;
    img.height = h;
    img.rgba.assign(static_cast<std::size_t>(w) * h * 4, v);
    return img;
}

TEST(ImageCompare, CountsChannelOutliersAndPsnr) {
    RgbaImage a = solidImage(4, 4, 100);
    RgbaImage b = a;
    ImageDiff same = compareImages(a, b, 0);
    EXPECT_TRUE(same.sameSize);
    EXPECT_EQ(same.outliers, 0u);
    EXPECT_TRUE(std::isinf(same.psnr));
    b.rgba[0] = 103;  // one channel off by 3
    b.rgba[5] = 90;   // one channel off by 10
    EXPECT_EQ(compareImages(a, b, 0).outliers, 2u);
    EXPECT_EQ(compareImages(a, b, 3).outliers, 1u);
    EXPECT_EQ(compareImages(a, b, 10).outliers, 0u);
    ImageDiff d = compareImages(a, b, 2);
    EXPECT_EQ(d.maxDifference, 10);
    // MSE = (9 + 100) / 64.
    EXPECT_NEAR(d.psnr, 10.0 * std::log10(255.0 * 255.0 * 64.0 / 109.0), 1e-9);
    EXPECT_FALSE(compareImages(a, solidImage(4, 5, 100), 0).sameSize);
}

}  // namespace
}  // namespace render
