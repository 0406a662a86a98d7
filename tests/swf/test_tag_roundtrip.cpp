// Each tag family written by the test writer and read back must come out as it went in.
#include <gtest/gtest.h>

#include "swf/movie.h"
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"
#include "swf/test_writer.h"

namespace {

using namespace swf;

ShapeRecord move(std::int32_t x, std::int32_t y, std::optional<std::uint16_t> fill0 = {},
                 std::optional<std::uint16_t> fill1 = {}, std::optional<std::uint16_t> line = {}) {
    ShapeRecord r;
    r.hasMove = true;
    r.dx = x;
    r.dy = y;
    r.hasFill0 = fill0.has_value();
    r.hasFill1 = fill1.has_value();
    r.hasLine = line.has_value();
    r.fill0 = fill0.value_or(0);
    r.fill1 = fill1.value_or(0);
    r.line = line.value_or(0);
    return r;
}

ShapeRecord edge(std::int32_t dx, std::int32_t dy) {
    ShapeRecord r;
    r.kind = ShapeRecord::Kind::StraightEdge;
    r.dx = dx;
    r.dy = dy;
    return r;
}

ShapeRecord curve(std::int32_t cx, std::int32_t cy, std::int32_t ax, std::int32_t ay) {
    ShapeRecord r;
    r.kind = ShapeRecord::Kind::CurvedEdge;
    r.controlDx = cx;
    r.controlDy = cy;
    r.dx = ax;
    r.dy = ay;
    return r;
}

Shape square(std::uint32_t fill1, std::uint32_t line) {
    Shape s;
    s.records = {move(-100, -100, std::nullopt, fill1, line), edge(200, 0), edge(0, 200),
                 curve(-100, 50, -100, -50), edge(0, -200)};
    return s;
}

FillStyle solid(Rgba c) {
    FillStyle f;
    f.color = c;
    return f;
}

FillStyle gradient(FillKind kind) {
    FillStyle f;
    f.kind = kind;
    f.matrix = Matrix{0.5, 0.25, -0.25, 0.5, 100, -200};
    f.gradient.spread = SpreadMode::Reflect;
    f.gradient.interpolation = InterpolationMode::LinearRgb;
    f.gradient.stops = {{0, {255, 0, 0, 255}}, {128, {0, 255, 0, 128}}, {255, {0, 0, 255, 0}}};
    if (kind == FillKind::FocalRadialGradient) f.gradient.focalPoint = -0.5;
    return f;
}

DefineShape shape4() {
    DefineShape s;
    s.id = 7;
    s.version = 4;
    s.bounds = {-120, 120, -110, 110};
    s.edgeBounds = {-100, 100, -100, 100};
    s.usesFillWindingRule = true;
    s.usesScalingStrokes = true;
    s.shape = square(1, 2);
    s.shape.styles.fills = {gradient(FillKind::FocalRadialGradient), solid({1, 2, 3, 4})};
    FillStyle bitmap;
    bitmap.kind = FillKind::NonSmoothedClippedBitmap;
    bitmap.bitmapId = 9;
    bitmap.matrix = Matrix{20, 0, 0, 20, 0, 0};
    s.shape.styles.fills.push_back(bitmap);
    LineStyle thin;
    thin.width = 20;
    thin.color = {9, 8, 7, 6};
    LineStyle fancy;
    fancy.width = 100;
    fancy.startCap = CapStyle::Square;
    fancy.endCap = CapStyle::None;
    fancy.join = JoinStyle::Miter;
    fancy.miterLimit = 2.5;
    fancy.noHScale = true;
    fancy.pixelHinting = true;
    fancy.noClose = true;
    fancy.fill = gradient(FillKind::LinearGradient);
    s.shape.styles.lines = {thin, fancy};
    // A style change with new style tables, then edges that use them.
    ShapeRecord change = move(0, 0, 1, std::nullopt, 1);
    change.newStyles = StyleTables{{solid({5, 5, 5, 255})}, {thin}};
    s.shape.records.push_back(change);
    s.shape.records.push_back(edge(-30, 40));
    return s;
}

DefineShape shape1() {
    DefineShape s;
    s.id = 1;
    s.version = 1;
    s.bounds = {0, 400, 0, 400};
    s.shape = square(1, 1);
    s.shape.styles.fills = {solid({10, 20, 30, 255})};
    LineStyle l;
    l.width = 40;
    l.color = {0, 0, 0, 255};
    s.shape.styles.lines = {l};
    return s;
}

DefineShape shapeManyStyles() {
    // More than 255 fill styles need the extended count of DefineShape2.
    DefineShape s;
    s.id = 3;
    s.version = 2;
    for (int i = 0; i < 300; ++i) s.shape.styles.fills.push_back(solid({std::uint8_t(i), 0, 0, 255}));
    s.shape.records = {move(0, 0, 300), edge(10, 0), edge(0, 10)};
    return s;
}

DefineMorphShape morph(unsigned version) {
    DefineMorphShape m;
    m.id = 12;
    m.version = version;
    m.startBounds = {0, 100, 0, 100};
    m.endBounds = {0, 300, 0, 200};
    if (version >= 2) {
        m.startEdgeBounds = {1, 99, 1, 99};
        m.endEdgeBounds = {1, 299, 1, 199};
        m.usesNonScalingStrokes = true;
    }
    MorphFillStyle solidFill{solid({255, 0, 0, 255}), solid({0, 0, 255, 128})};
    MorphFillStyle grad{gradient(FillKind::RadialGradient), gradient(FillKind::RadialGradient)};
    grad.end.matrix = Matrix{2, 0, 0, 2, 50, 50};
    grad.end.gradient.stops[1].ratio = 200;
    m.fills = {solidFill, grad};
    MorphLineStyle line;
    line.start.width = 20;
    line.end.width = 60;
    line.start.color = {1, 1, 1, 255};
    line.end.color = {2, 2, 2, 255};
    if (version >= 2) {
        line.start.join = JoinStyle::Bevel;
        line.start.noVScale = true;
        line.end.join = JoinStyle::Bevel;
        line.end.noVScale = true;
    }
    m.lines = {line};
    m.startEdges.records = {move(0, 0, std::nullopt, 1, 1), edge(100, 0), edge(0, 100), edge(-100, -100)};
    m.endEdges.records = {move(0, 0), edge(300, 0), curve(0, 100, 0, 100), edge(-300, -200)};
    return m;
}

PlaceObject place3() {
    PlaceObject p;
    p.version = 3;
    p.depth = 5;
    p.move = true;
    p.characterId = 7;
    p.matrix = Matrix{1.5, 0.5, -0.5, 1.5, 2000, -40};
    p.colorTransform = ColorTransform{128, 256, 300, 64, -10, 20, 255, -255};
    p.ratio = 32768;
    p.name = "clip\xC3\xA9";
    p.clipDepth = 9;
    p.className = "Foo";
    Filter shadow;
    shadow.kind = Filter::Kind::DropShadow;
    shadow.color = {0, 0, 0, 200};
    shadow.blurX = 4;
    shadow.blurY = 4.5;
    shadow.angle = 0.75;  // exact in 16.16 fixed point
    shadow.distance = 4;
    shadow.strength = 1;
    shadow.passes = 1;
    Filter blur;
    blur.kind = Filter::Kind::Blur;
    blur.blurX = 8;
    blur.blurY = 2;
    blur.passes = 3;
    Filter bevel;
    bevel.kind = Filter::Kind::GradientBevel;
    bevel.gradientColors = {{255, 255, 255, 255}, {0, 0, 0, 0}};
    bevel.gradientRatios = {0, 255};
    bevel.onTop = true;
    bevel.inner = true;
    bevel.passes = 2;
    Filter matrix;
    matrix.kind = Filter::Kind::ColorMatrix;
    for (int i = 0; i < 20; ++i) matrix.matrix.push_back(i * 0.5f);
    Filter conv;
    conv.kind = Filter::Kind::Convolution;
    conv.matrixX = 3;
    conv.matrixY = 1;
    conv.matrix = {1, 2, 1};
    conv.divisor = 4;
    conv.clamp = true;
    conv.defaultColor = {1, 2, 3, 4};
    p.filters = std::vector<Filter>{shadow, blur, bevel, matrix, conv};
    p.blendMode = BlendMode::Multiply;
    p.cacheAsBitmap = true;
    p.visible = false;
    p.backgroundColor = Rgba{10, 20, 30, 255};
    p.clipActions = {ClipAction{0x00000001, 0, {0x07, 0x00}},
                     ClipAction{0x00020000, 65, {0x06, 0x00}}};
    p.allEventFlags = 0x00020001;
    return p;
}

DefineFont font(unsigned version) {
    DefineFont f;
    f.id = 20;
    f.version = version;
    Shape g1;
    g1.records = {move(0, 0, std::nullopt, 1), edge(500, 0), edge(0, -700), edge(-500, 700)};
    Shape g2;
    g2.records = {move(10, 10, std::nullopt, 1), curve(100, -300, 100, 300), edge(-200, 0)};
    f.glyphs = {g1, g2};
    if (version >= 2) {
        f.name = "Sans";
        f.hasLayout = true;
        f.wideCodes = true;
        f.wideOffsets = version == 3;
        f.bold = true;
        f.language = 1;
        f.codes = {'A', 0x263A};
        f.layout.ascent = 900;
        f.layout.descent = 200;
        f.layout.leading = 40;
        f.layout.advances = {600, -5};
        f.layout.bounds = {{0, 500, -700, 0}, {10, 210, -290, 10}};
        f.layout.kerning = {{'A', 0x263A, -30}};
    }
    return f;
}

DefineText text(unsigned version) {
    DefineText t;
    t.id = 21;
    t.version = version;
    t.bounds = {0, 2000, -300, 100};
    t.matrix = Matrix{1, 0, 0, 1, 40, 400};
    TextRecord a;
    a.fontId = 20;
    a.height = 240;
    a.color = Rgba{255, 0, 0, version >= 2 ? std::uint8_t(128) : std::uint8_t(255)};
    a.xOffset = 10;
    a.yOffset = -20;
    a.glyphs = {{0, 300}, {1, -12}, {1, 0}};
    TextRecord b;
    b.yOffset = 300;
    b.glyphs = {{0, 1000}};
    t.records = {a, b};
    return t;
}

DefineEditText editText() {
    DefineEditText e;
    e.id = 30;
    e.bounds = {-40, 2000, -40, 400};
    e.wordWrap = e.multiline = e.readOnly = e.border = e.html = e.useOutlines = true;
    e.fontId = 20;
    e.fontHeight = 240;
    e.color = Rgba{0, 0, 0, 255};
    e.maxLength = 80;
    e.layout = DefineEditText::Layout{2, 20, 30, 5, -2};
    e.variableName = "_root.message";
    e.initialText = "<b>Hello</b>";
    return e;
}

DefineButton button(unsigned version) {
    DefineButton b;
    b.id = 40;
    b.version = version;
    b.trackAsMenu = version >= 2;
    ButtonRecord up;
    up.up = up.over = true;
    up.characterId = 1;
    up.depth = 1;
    up.matrix = Matrix{1, 0, 0, 1, 100, 100};
    ButtonRecord hit;
    hit.hitTest = true;
    hit.characterId = 2;
    hit.depth = 2;
    if (version >= 2) {
        up.colorTransform = ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
        hit.blendMode = BlendMode::Screen;
        Filter glow;
        glow.kind = Filter::Kind::Glow;
        glow.color = {255, 255, 0, 255};
        glow.blurX = glow.blurY = 6;
        glow.strength = 2;
        glow.knockout = true;
        hit.filters = {glow};
        b.actions = {ButtonCondAction{0x0008, {0x07, 0x00}}, ButtonCondAction{0x0001, {0x06, 0x00}}};
    } else {
        b.actions = {ButtonCondAction{0x0008, {0x81, 0x02, 0x00, 0x05, 0x00, 0x00}}};
    }
    b.records = {up, hit};
    return b;
}

struct RoundTrip {
    const char* name;
    TagBody body;
    unsigned swfVersion = 8;
};

class TagRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(TagRoundTrip, ParsesBackEqual) {
    const RoundTrip& c = GetParam();
    Tag original = makeTag(c.body);
    auto bytes = MovieWriter(c.swfVersion).add(original).showFrame().finish();
    auto movie = parseMovie(bytes);
    ASSERT_TRUE(movie.ok()) << movie.error().message;
    ASSERT_FALSE(movie->hasErrors()) << movie->firstError();
    ASSERT_EQ(movie->tags.size(), 3u);
    const Tag& back = movie->tags[0];
    EXPECT_EQ(back.code, original.code) << tagName(back.code);
    EXPECT_TRUE(back.body == original.body) << "tag " << tagName(back.code) << " changed";
    if (auto* p = std::get_if<PlaceObject>(&back.body)) {
        const auto& o = std::get<PlaceObject>(original.body);
        EXPECT_EQ(p->matrix, o.matrix);
        EXPECT_EQ(p->colorTransform, o.colorTransform);
        EXPECT_EQ(p->filters, o.filters);
        EXPECT_EQ(p->clipActions, o.clipActions);
        EXPECT_EQ(p->name, o.name);
    }
}

DefineSprite sprite() {
    DefineSprite s;
    s.id = 50;
    s.frameCount = 2;
    PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.matrix = Matrix{};
    s.tags = {makeTag(p), makeTag(ShowFrame{}), makeTag(FrameLabel{"second", false}),
              makeTag(RemoveObject{2, std::nullopt, 1}), makeTag(ShowFrame{}), makeTag(End{})};
    return s;
}

PlaceObject place1() {
    PlaceObject p;
    p.version = 1;
    p.characterId = 3;
    p.depth = 2;
    p.matrix = Matrix{1, 0, 0, 1, -20, 20};
    p.colorTransform = ColorTransform{128, 128, 128, 256, 10, 0, -10, 0};
    return p;
}

PlaceObject place2Swf5() {
    PlaceObject p;
    p.version = 2;
    p.depth = 3;
    p.characterId = 3;
    p.clipActions = {ClipAction{0x0004, 0, {0x07, 0x00}}};  // 16-bit event flags before SWF 6
    p.allEventFlags = 0x0004;
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Tags, TagRoundTrip,
    ::testing::Values(
        RoundTrip{"SetBackgroundColor", SetBackgroundColor{{12, 34, 56, 255}}},
        RoundTrip{"DefineShape", shape1()},
        RoundTrip{"DefineShape2_many_styles", shapeManyStyles()},
        RoundTrip{"DefineShape4", shape4()},
        RoundTrip{"DefineMorphShape", morph(1)},
        RoundTrip{"DefineMorphShape2", morph(2)},
        RoundTrip{"PlaceObject", place1()},
        RoundTrip{"PlaceObject2_swf5_clip_actions", place2Swf5(), 5},
        RoundTrip{"PlaceObject3", place3()},
        RoundTrip{"RemoveObject", RemoveObject{1, std::uint16_t{3}, 4}},
        RoundTrip{"RemoveObject2", RemoveObject{2, std::nullopt, 4}},
        RoundTrip{"FrameLabel_anchor", FrameLabel{"intro", true}},
        RoundTrip{"DefineSprite", sprite()},
        RoundTrip{"DefineBits", DefineBitsJpeg{4, 1, 0, {0xFF, 0xD8, 0xFF, 0xD9}, {}}},
        RoundTrip{"JPEGTables", JpegTables{{0xFF, 0xD8, 0xFF, 0xDB, 0xFF, 0xD9}}},
        RoundTrip{"DefineBitsJPEG2", DefineBitsJpeg{4, 2, 0, {0xFF, 0xD8, 1, 2, 0xFF, 0xD9}, {}}},
        RoundTrip{"DefineBitsJPEG3", DefineBitsJpeg{4, 3, 0, {0xFF, 0xD8, 0xFF, 0xD9}, {0x78, 0x9C, 3}}},
        RoundTrip{"DefineBitsJPEG4", DefineBitsJpeg{4, 4, 0.5, {0x89, 'P', 'N', 'G'}, {}}},
        RoundTrip{"DefineBitsLossless", DefineBitsLossless{5, 1, 3, 2, 2, 16, {0x78, 0x9C, 1, 2}}},
        RoundTrip{"DefineBitsLossless2", DefineBitsLossless{5, 2, 5, 640, 480, 0, {0x78, 0x9C}}},
        RoundTrip{"DefineFont", font(1)},
        RoundTrip{"DefineFont_device_no_glyphs", [] {
                      DefineFont f;
                      f.id = 21;
                      return f;
                  }()},
        RoundTrip{"DefineFont2_no_glyphs", [] {
                      DefineFont f;
                      f.id = 22;
                      f.version = 2;
                      f.name = "Device";
                      return f;
                  }()},
        RoundTrip{"DefineFont2", font(2)},
        RoundTrip{"DefineFont3", font(3)},
        RoundTrip{"DefineFontInfo", DefineFontInfo{20, 1, "Arial", false, false, true, false, true, false, 0, {'A', 'B'}}},
        RoundTrip{"DefineFontInfo2", DefineFontInfo{20, 2, "Arial", true, false, false, true, false, true, 2, {0x3042, 'B'}}},
        RoundTrip{"DefineFontAlignZones", DefineFontAlignZones{20, 1, {{1.5f, 12, -0.25f, 640, true, true}}}},
        RoundTrip{"DefineFontName", DefineFontName{20, "Vera Sans", "(c) nobody"}},
        RoundTrip{"DefineText", text(1)},
        RoundTrip{"DefineText2", text(2)},
        RoundTrip{"DefineEditText", editText()},
        RoundTrip{"DefineButton", button(1)},
        RoundTrip{"DefineButton2", button(2)},
        RoundTrip{"DefineButtonCxform", DefineButtonCxform{40, ColorTransform{256, 0, 256, 256, 0, 255, 0, 0}}},
        RoundTrip{"DoAction", DoAction{{0x96, 0x02, 0x00, 0x08, 0x00, 0x26, 0x00}}},
        RoundTrip{"DoInitAction", DoInitAction{50, {0x07, 0x00}}},
        RoundTrip{"ExportAssets", ExportAssets{{{50, "Ball"}, {51, "Box"}}}},
        RoundTrip{"ImportAssets", ImportAssets{1, "lib.swf", {{60, "Thing"}}}},
        RoundTrip{"ImportAssets2", ImportAssets{2, "lib.swf", {{61, "Other"}}}},
        RoundTrip{"ScriptLimits", ScriptLimits{1000, 60}},
        RoundTrip{"FileAttributes", FileAttributes{false, false, true, false, true}},
        RoundTrip{"SetTabIndex", SetTabIndex{3, 7}},
        RoundTrip{"Protect", Protect{"$1$abc"}},
        RoundTrip{"Metadata", Metadata{"<rdf:RDF/>"}},
        RoundTrip{"DefineSound", SoundTag{77, {77, 0, 0x3E, 1, 0, 0, 0, 1, 2, 3}}}),
    [](const auto& info) { return info.param.name; });

TEST(TagStream, LongHeaderForShortBodyIsAccepted) {
    const std::uint8_t body[] = {1, 2, 3};
    auto bytes = MovieWriter().raw(static_cast<std::uint16_t>(TagCode::SetBackgroundColor), body, true)
                     .showFrame()
                     .finish();
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    ASSERT_FALSE(m->hasErrors());
    auto* bg = std::get_if<SetBackgroundColor>(&m->tags[0].body);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->color, (Rgba{1, 2, 3, 255}));
}

TEST(TagStream, UnknownAndAvm2TagsAreSkipped) {
    const std::uint8_t junk[] = {9, 9, 9};
    auto bytes = MovieWriter(9)
                     .raw(500, junk)
                     .raw(static_cast<std::uint16_t>(TagCode::DoAbc), junk)
                     .showFrame()
                     .finish();
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(m->hasErrors());
    ASSERT_EQ(m->tags.size(), 4u);
    EXPECT_TRUE(std::holds_alternative<SkippedTag>(m->tags[0].body));
    EXPECT_TRUE(std::holds_alternative<Avm2Tag>(m->tags[1].body));
    EXPECT_EQ(tagName(500), "Unknown500");
}

TEST(TagStream, Swf5StringsAreDecodedFromCp1252) {
    auto bytes = MovieWriter(5).add(FrameLabel{"caf\xE9", false}).showFrame().finish();
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_EQ(std::get<FrameLabel>(m->tags[0].body).name, "caf\xC3\xA9");
}

}  // namespace

TEST(FilterRecords, BevelStoresTheHighlightBeforeTheShadow) {
    // One bevel as an authoring tool writes it: white highlight, black shadow, blur 25x25,
    // angle 45 degrees, distance 5, strength 1, inner, composite, one pass.
    const std::vector<std::uint8_t> bytes = {
        1, 3,  // one filter, bevel
        0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x19, 0x00, 0x00, 0x00, 0x19, 0x00,
        0x0F, 0xC9, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x01, 0xA1};
    core::BitReader r(bytes);
    auto filters = swf::detail::readFilterList(r);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].highlightColor, (swf::Rgba{255, 255, 255, 255}));
    EXPECT_EQ(filters[0].color, (swf::Rgba{0, 0, 0, 255}));
    EXPECT_DOUBLE_EQ(filters[0].blurX, 25.0);
    EXPECT_DOUBLE_EQ(filters[0].distance, 5.0);
    EXPECT_TRUE(filters[0].inner);
}
