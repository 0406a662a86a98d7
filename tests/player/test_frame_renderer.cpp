// Drawing frames: clip layers, ShowAll letterboxing, quality levels, colour transforms, bitmap
// and gradient fills, static text, and what the report counts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "codec/jpeg_decoder.h"
#include "core/inflate.h"
#include "shape_builder.h"

namespace {

using shapes::Pen;

const render::Color kWhite{255, 255, 255, 255};
const render::Color kRed{255, 0, 0, 255};
const render::Color kBlue{0, 0, 255, 255};

swf::DefineShape rectShape(std::uint16_t id, double x0, double y0, double x1, double y1, swf::FillStyle f) {
    swf::DefineShape s = shapes::shapeWith(id, {f});
    Pen(s.shape.records).style(x0, y0, 0, 1).rect(x0, y0, x1, y1);
    return s;
}

TEST(FrameRenderer, ClipLayersMaskTheDepthsTheyCover) {
    swf::MovieWriter w(8, 100, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rectShape(1, 0, 0, 50, 100, shapes::solid(0, 255, 0)));  // the mask (never drawn)
    w.add(rectShape(2, 0, 0, 100, 100, shapes::solid(255, 0, 0)));
    w.add(rectShape(3, 0, 0, 100, 10, shapes::solid(0, 0, 255)));
    w.add(rectShape(4, 0, 40, 100, 60, shapes::solid(0, 0, 0)));
    swf::PlaceObject mask = shapes::placeAt(1, 1);
    mask.clipDepth = 3;
    // A second mask nested inside the first: depth 3 shows only where both cover.
    swf::PlaceObject inner = shapes::placeAt(2, 4);
    inner.clipDepth = 3;
    w.add(mask).add(inner).add(shapes::placeAt(3, 2)).add(shapes::placeAt(4, 3)).showFrame();
    const render::Pixmap p = shapes::draw(w);
    ASSERT_FALSE(p.isEmpty());
    struct Probe {
        int x, y;
        render::Color c;
    };
    const Probe probes[] = {
        {25, 50, kRed},    // inside both masks
        {25, 20, kWhite},  // inside the outer mask only
        {75, 50, kWhite},  // inside the inner mask only
        {75, 5, kBlue},    // depth 4 is beyond the clip depth
        {25, 5, kBlue},
    };
    for (const Probe& pr : probes) EXPECT_EQ(shapes::at(p, pr.x, pr.y), pr.c) << pr.x << "," << pr.y;
}

TEST(FrameRenderer, ShowAllLetterboxesInTheBackgroundColour) {
    struct Row {
        int w, h;
        int barX, barY;      // a pixel in a bar
        int stageX, stageY;  // a pixel inside the stage near its corner
    };
    const Row rows[] = {
        {200, 200, 100, 25, 1, 51},   // bars above and below
        {300, 100, 25, 50, 51, 1},    // bars left and right
        {400, 200, -1, -1, 1, 1},     // exact fit, no bars
    };
    swf::MovieWriter w(8, 100, 50);
    w.add(swf::SetBackgroundColor{{0, 0, 255, 255}});
    w.add(rectShape(1, 0, 0, 100, 50, shapes::solid(255, 0, 0))).add(shapes::placeAt(1, 1)).showFrame();
    for (const Row& r : rows) {
        const render::Pixmap p = shapes::draw(w, r.w, r.h);
        ASSERT_EQ(p.width(), r.w);
        ASSERT_EQ(p.height(), r.h);
        if (r.barX >= 0) {
            EXPECT_EQ(shapes::at(p, r.barX, r.barY), kBlue) << r.w << "x" << r.h;
        }
        EXPECT_EQ(shapes::at(p, r.stageX, r.stageY), kRed) << r.w << "x" << r.h;
        EXPECT_EQ(shapes::at(p, r.w / 2, r.h / 2), kRed);
    }
}

TEST(FrameRenderer, LowQualityDrawsNoPartialPixels) {
    swf::MovieWriter w(8, 40, 40);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rectShape(1, 10.5, 10.25, 30.5, 29.75, shapes::solid(0, 0, 0))).add(shapes::placeAt(1, 1)).showFrame();
    int partialHigh = 0, partialLow = 0;
    const render::Pixmap high = shapes::draw(w, 0, 0, player::Quality::High);
    const render::Pixmap low = shapes::draw(w, 0, 0, player::Quality::Low);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const auto h = shapes::at(high, x, y).r, l = shapes::at(low, x, y).r;
            partialHigh += h != 0 && h != 255;
            partialLow += l != 0 && l != 255;
        }
    EXPECT_GT(partialHigh, 40);
    EXPECT_EQ(partialLow, 0);
}

TEST(FrameRenderer, ColourTransformsConcatenateThroughSprites) {
    swf::MovieWriter w(8, 20, 20);
    w.add(rectShape(1, 0, 0, 20, 20, shapes::solid(200, 100, 50)));
    swf::DefineSprite sprite;
    sprite.id = 2;
    sprite.frameCount = 1;
    swf::PlaceObject inner = shapes::placeAt(1, 1);
    swf::ColorTransform half;
    half.rMul = 128;
    inner.colorTransform = half;
    sprite.tags = {swf::makeTag(inner), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(sprite);
    swf::PlaceObject outer = shapes::placeAt(1, 2);
    swf::ColorTransform add;
    add.gAdd = 100;
    add.bAdd = 300;  // clamps
    outer.colorTransform = add;
    w.add(outer).showFrame();
    const render::Pixmap p = shapes::draw(w);
    EXPECT_EQ(shapes::at(p, 10, 10), (render::Color{100, 200, 255, 255}));
}

swf::DefineBitsLossless checkerBitmap(std::uint16_t id) {
    // 2x2 pixels, 24-bit: red, green / blue, white.
    swf::DefineBitsLossless b;
    b.id = id;
    b.version = 1;
    b.format = 5;
    b.width = 2;
    b.height = 2;
    const std::vector<std::uint8_t> raw = {0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 255, 255, 255};
    b.zlibData = core::deflateZlib(raw);
    return b;
}

TEST(FrameRenderer, BitmapFillsScaleTheBitmapByTheFillMatrix) {
    swf::MovieWriter w(8, 40, 40);
    w.add(checkerBitmap(1));
    swf::FillStyle f;
    f.kind = swf::FillKind::NonSmoothedClippedBitmap;
    f.bitmapId = 1;
    f.matrix = swf::Matrix{200, 0, 0, 200, 0, 0};  // 20 twips per pixel, 10 pixels per texel
    w.add(rectShape(2, 0, 0, 20, 20, f)).add(shapes::placeAt(1, 2, 10, 10)).showFrame();
    player::RenderReport rep;
    const render::Pixmap p = shapes::draw(w, 0, 0, player::Quality::High, 1, &rep);
    EXPECT_EQ(shapes::at(p, 15, 15), kRed);
    EXPECT_EQ(shapes::at(p, 25, 15), (render::Color{0, 255, 0, 255}));
    EXPECT_EQ(shapes::at(p, 15, 25), kBlue);
    EXPECT_EQ(shapes::at(p, 25, 25), kWhite);
    EXPECT_TRUE(rep.brokenBitmaps.empty());
}

TEST(FrameRenderer, BrokenJpegBitmapsAreCountedAndDrawNothing) {
    swf::MovieWriter w(8, 40, 40);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    swf::DefineBitsJpeg jpeg;
    jpeg.id = 1;
    jpeg.version = 2;
    jpeg.imageData = {0xFF, 0xD8, 0xFF, 0xD9};
    w.add(jpeg);
    swf::FillStyle f;
    f.kind = swf::FillKind::ClippedBitmap;
    f.bitmapId = 1;
    f.matrix = swf::Matrix{20, 0, 0, 20, 0, 0};
    w.add(rectShape(2, 0, 0, 20, 20, f)).add(shapes::placeAt(1, 2)).showFrame();
    player::RenderReport rep;
    const render::Pixmap p = shapes::draw(w, 0, 0, player::Quality::High, 1, &rep);
    EXPECT_EQ(rep.brokenBitmaps.size(), 1u);
    EXPECT_EQ(shapes::at(p, 10, 10), kWhite);
}

TEST(FrameRenderer, DefineBitsDrawsWithTheMovieJpegTables) {
    // grey.jpg (61x37, a smooth grey picture) split into the JPEGTables tag and a DefineBits.
    std::ifstream in(std::string(VFS_SOURCE_DIR) + "/tests/codec/data/grey.jpg", std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(file.size(), 100u);
    swf::JpegTables tables{{0xFF, 0xD8}};
    swf::DefineBitsJpeg jpeg;
    jpeg.id = 1;
    jpeg.version = 1;
    jpeg.imageData = {0xFF, 0xD8};
    for (std::size_t p = 2; p + 4 <= file.size();) {
        const std::size_t len = 2 + (std::size_t{file[p + 2]} << 8 | file[p + 3]);
        const bool table = file[p + 1] == 0xDB || file[p + 1] == 0xC4;
        auto& to = table ? tables.data : jpeg.imageData;
        to.insert(to.end(), file.begin() + p, file[p + 1] == 0xDA ? file.end() : file.begin() + p + len);
        if (file[p + 1] == 0xDA) break;
        p += len;
    }
    tables.data.insert(tables.data.end(), {0xFF, 0xD9});
    auto expected = codec::decodeJpeg(file);
    ASSERT_TRUE(expected);

    swf::MovieWriter w(8, 61, 37);
    w.add(swf::SetBackgroundColor{{255, 0, 0, 255}});
    w.add(tables).add(jpeg);
    swf::FillStyle f;
    f.kind = swf::FillKind::ClippedBitmap;
    f.bitmapId = 1;
    f.matrix = swf::Matrix{20, 0, 0, 20, 0, 0};
    w.add(rectShape(2, 0, 0, 61, 37, f)).add(shapes::placeAt(1, 2)).showFrame();
    player::RenderReport rep;
    const render::Pixmap p = shapes::draw(w, 0, 0, player::Quality::High, 1, &rep);
    EXPECT_TRUE(rep.brokenBitmaps.empty());
    for (auto [x, y] : {std::pair{5, 5}, std::pair{30, 18}, std::pair{55, 30}}) {
        const int grey = expected->rgba[(static_cast<std::size_t>(y) * 61 + x) * 4];
        const render::Color c = shapes::at(p, x, y);
        EXPECT_NEAR(c.r, grey, 6) << x << "," << y;
        EXPECT_EQ(c.r, c.b) << x << "," << y;  // grey: the red background shows nowhere
    }
}

TEST(FrameRenderer, GradientStopsEachTakeAnEntryOfTheirOwn) {
    struct Row {
        std::vector<std::uint8_t> ratios;
        std::vector<float> expected;  // in 1/255 units; fewer when stops fall off the end
    };
    const Row rows[] = {
        {{0, 128, 255}, {0, 128, 255}},
        {{0, 0, 255, 255}, {0, 1, 255}},
        {{70, 70, 140, 140}, {70, 71, 140, 141}},
        {{200, 100}, {200, 201}},  // out of order: pushed after its predecessor
        {{254, 254, 254}, {254, 255}},
    };
    for (const Row& r : rows) {
        std::vector<swf::GradientStop> in;
        for (std::uint8_t v : r.ratios) in.push_back(swf::GradientStop{v, {}});
        const auto out = player::gradientStops(in);
        ASSERT_EQ(out.size(), r.expected.size());
        for (std::size_t i = 0; i < out.size(); ++i) EXPECT_FLOAT_EQ(out[i].ratio * 255.0f, r.expected[i]);
    }
}

TEST(FrameRenderer, LinearGradientSpansTheGradientSquare) {
    // The gradient square scaled to 100 px wide and centred: black at x = 0, white at x = 100.
    swf::MovieWriter w(8, 100, 10);
    swf::FillStyle f;
    f.kind = swf::FillKind::LinearGradient;
    const double k = 2000.0 / 32768.0;
    f.matrix = swf::Matrix{k, 0, 0, k, 1000, 0};
    f.gradient.stops = {{0, {0, 0, 0, 255}}, {255, {255, 255, 255, 255}}};
    w.add(rectShape(1, 0, 0, 100, 10, f)).add(shapes::placeAt(1, 1)).showFrame();
    const render::Pixmap p = shapes::draw(w);
    EXPECT_LE(shapes::at(p, 0, 5).r, 3);
    EXPECT_NEAR(shapes::at(p, 50, 5).r, 128, 4);
    EXPECT_GE(shapes::at(p, 99, 5).r, 252);
}

TEST(FrameRenderer, StaticTextDrawsGlyphShapes) {
    // One glyph: a square filling the EM box's left half above the baseline.
    swf::DefineFont font;
    font.id = 1;
    font.version = 1;
    swf::Shape glyph;
    Pen(glyph.records).style(0, -51.2, 0, 1).rect(0, -51.2, 25.6, 0);  // 512 x 1024 units ... in px
    font.glyphs = {glyph};
    swf::DefineText text;
    text.id = 2;
    text.bounds = {0, 2000, 0, 2000};
    swf::TextRecord rec;
    rec.fontId = 1;
    rec.height = 20 * 20;  // 20 px: the EM square of 1024 units becomes 20 px
    rec.color = swf::Rgba{255, 0, 0, 255};
    rec.xOffset = 100;
    rec.yOffset = 600;
    rec.glyphs = {{0, 400}, {0, 400}};
    text.records = {rec};
    swf::MovieWriter w(8, 100, 50);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(font).add(text).add(shapes::placeAt(1, 2)).showFrame();
    const render::Pixmap p = shapes::draw(w);
    // Glyph units: 1024 twips-units = 51.2 px in the shape, scaled by 20/1024 per unit: the
    // square is 10 x 20 px, at x = 5 and x = 25, baseline y = 30.
    EXPECT_EQ(shapes::at(p, 9, 20), kRed);
    EXPECT_EQ(shapes::at(p, 29, 20), kRed);
    EXPECT_EQ(shapes::at(p, 20, 20), kWhite);
    EXPECT_EQ(shapes::at(p, 9, 35), kWhite);
}

}  // namespace

namespace {

TEST(FrameRenderer, BorderedTextFieldsGetAPixelFrame) {
    swf::DefineEditText field;
    field.id = 1;
    field.bounds = {0, 100, 0, 60};  // 5 x 3 px
    field.border = true;
    swf::DefineEditText plain = field;
    plain.id = 2;
    plain.border = false;
    swf::MovieWriter w(8, 20, 10);
    w.add(swf::SetBackgroundColor{{0, 255, 0, 255}});
    w.add(field).add(plain).add(shapes::placeAt(1, 1, 2, 2)).add(shapes::placeAt(2, 2, 12, 2)).showFrame();
    const render::Pixmap p = shapes::draw(w, 0, 0, player::Quality::Low);
    // Rows 2..5, columns 2..7: the frame, its bottom-right corner left out, white inside.
    const char* expected[] = {
        "######",
        "#....#",
        "#....#",
        "#####.",
    };
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 6; ++col) {
            const render::Color c = shapes::at(p, 2 + col, 2 + row);
            const render::Color want = expected[row][col] == '#'   ? render::Color{0, 0, 0, 255}
                                       : (row == 3 && col == 5) ? render::Color{0, 255, 0, 255}
                                                                  : render::Color{255, 255, 255, 255};
            EXPECT_EQ(c, want) << col << "," << row;
        }
    // A field without a border draws nothing yet.
    EXPECT_EQ(shapes::at(p, 14, 3), (render::Color{0, 255, 0, 255}));
}

}  // namespace

namespace {

// A bordered field's box: its corner and its size are rounded each on its own, so a scaled
// field whose right edge falls at x.7 keeps the rounded width rather than reaching one pixel
// further.
TEST(FrameRenderer, TextFieldBoxesRoundTheirCornerAndSizeApart) {
    struct Row {
        double scale, tx;  // the field's placement: scale and x offset in twips
        int target;        // the picture's size (the stage is 100 x 100 px)
        int left, right;   // the frame's first and last column
    };
    const Row rows[] = {
        {1.36497, 764, 200, 76, 103},  // 76.4 .. 103.7: width 27.3 rounds to 27
        {1.36497, 764, 100, 38, 52},   // 38.2 .. 51.85: width 13.65 rounds to 14
        {1.0, 105, 200, 10, 30},       // halves round down
        {1.0, 100, 100, 5, 15},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        swf::DefineEditText field;
        field.id = 1;
        field.bounds = {0, 200, 0, 200};
        field.border = true;
        swf::MovieWriter w(8, 100, 100);
        w.add(swf::SetBackgroundColor{{0, 255, 0, 255}});
        swf::PlaceObject place = shapes::placeAt(1, 1);
        place.matrix = swf::Matrix{r.scale, 0, 0, r.scale, static_cast<std::int32_t>(r.tx), 0};
        w.add(field).add(place).showFrame();
        const render::Pixmap p = shapes::draw(w, r.target, r.target, player::Quality::High);
        const int y = 5;
        const render::Color black{0, 0, 0, 255};
        EXPECT_NE(shapes::at(p, r.left - 1, y), black);
        EXPECT_EQ(shapes::at(p, r.left, y), black);
        EXPECT_EQ(shapes::at(p, r.right, y), black);
        EXPECT_NE(shapes::at(p, r.right + 1, y), black);
    }
}

}  // namespace
