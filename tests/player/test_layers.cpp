// Objects drawn through off-screen layers: the draw list's layer ranges, group opacity of the
// layer blend mode, blend modes and filters from PlaceObject3, cacheAsBitmap on whole pixels.
#include <gtest/gtest.h>

#include "player/draw_list.h"
#include "shape_builder.h"

namespace {

using shapes::Pen;

swf::DefineShape rectShape(std::uint16_t id, double x0, double y0, double x1, double y1, swf::FillStyle f) {
    swf::DefineShape s = shapes::shapeWith(id, {f});
    Pen(s.shape.records).style(x0, y0, 0, 1).rect(x0, y0, x1, y1);
    return s;
}

swf::DefineSprite spriteOf(std::uint16_t id, std::vector<swf::PlaceObject> places) {
    swf::DefineSprite s;
    s.id = id;
    s.frameCount = 1;
    for (const swf::PlaceObject& p : places) s.tags.push_back(swf::makeTag(p));
    s.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    s.tags.push_back(swf::makeTag(swf::End{}));
    return s;
}

swf::PlaceObject place3(std::uint16_t depth, std::uint16_t id, double x = 0, double y = 0) {
    swf::PlaceObject p = shapes::placeAt(depth, id, x, y);
    p.version = 3;
    return p;
}

swf::Filter dropShadow(double distance, double blur) {
    swf::Filter f;
    f.kind = swf::Filter::Kind::DropShadow;
    f.color = {0, 0, 0, 255};
    f.distance = distance;
    f.blurX = f.blurY = blur;
    f.strength = 1;
    return f;
}

// Red 0..30 and blue 20..50 overlapping, in sprite 3.
void addOverlappingPair(swf::MovieWriter& w) {
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rectShape(1, 0, 0, 30, 30, shapes::solid(255, 0, 0)));
    w.add(rectShape(2, 20, 0, 50, 30, shapes::solid(0, 0, 255)));
    w.add(spriteOf(3, {shapes::placeAt(1, 1), shapes::placeAt(2, 2)}));
}

TEST(Layers, DrawListRangesNestAndTakeTheTransform) {
    swf::MovieWriter w(8, 100, 100);
    w.add(rectShape(1, 0, 0, 10, 10, shapes::solid(255, 0, 0)));
    swf::PlaceObject multiply = place3(2, 1);
    multiply.blendMode = swf::BlendMode::Multiply;
    w.add(spriteOf(2, {shapes::placeAt(1, 1), multiply}));
    swf::PlaceObject outer = place3(1, 2);
    outer.filters = std::vector<swf::Filter>{dropShadow(4, 2)};
    outer.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
    w.add(outer).add(shapes::placeAt(2, 1)).showFrame();
    auto p = player::Player::loadBytes(w.finish());
    ASSERT_TRUE(p.ok());
    (*p)->advance();
    const player::DrawList& list = (*p)->drawList();
    ASSERT_EQ(list.items.size(), 3u);
    ASSERT_EQ(list.layers.size(), 2u);
    EXPECT_EQ(list.layers[0].first, 0u);
    EXPECT_EQ(list.layers[0].end, 2u);
    EXPECT_EQ(list.layers[0].nestedEnd, 2u);
    EXPECT_EQ(list.layers[0].filters.size(), 1u);
    EXPECT_FLOAT_EQ(list.layers[0].colorTransform.mul[3], 0.5f);
    EXPECT_EQ(list.layers[1].first, 1u);
    EXPECT_EQ(list.layers[1].end, 2u);
    EXPECT_EQ(list.layers[1].blendMode, swf::BlendMode::Multiply);
    // The items inside take no share of the layer's alpha; the one after it is outside.
    EXPECT_FLOAT_EQ(list.items[0].colorTransform.mul[3], 1.0f);
    EXPECT_FLOAT_EQ(list.items[1].colorTransform.mul[3], 1.0f);
}

TEST(Layers, LayerBlendModeFadesTheGroupAsAWhole) {
    for (bool layer : {false, true}) {
        swf::MovieWriter w(8, 60, 40);
        addOverlappingPair(w);
        swf::PlaceObject p = place3(1, 3);
        p.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
        if (layer) p.blendMode = swf::BlendMode::Layer;
        w.add(p).showFrame();
        const render::Pixmap pix = shapes::draw(w);
        const render::Color overlap = shapes::at(pix, 25, 15);
        SCOPED_TRACE(layer ? "layer" : "no layer");
        // Faded item by item, the red shows through the blue; faded as a group it does not.
        if (layer) {
            EXPECT_EQ(overlap, (render::Color{127, 127, 255, 255}));
        } else {
            EXPECT_GT(overlap.r, overlap.g + 20);
        }
    }
}

TEST(Layers, BlendModesFromPlaceObject3) {
    struct Case {
        swf::BlendMode mode;
        render::Color expected;  // blue over the red rectangle beneath
    } cases[] = {
        {swf::BlendMode::Multiply, {0, 0, 0, 255}},
        {swf::BlendMode::Screen, {255, 0, 255, 255}},
        {swf::BlendMode::Difference, {255, 0, 255, 255}},
        {swf::BlendMode::Erase, {0, 0, 255, 255}},  // on the stage itself: draws nothing
        {swf::BlendMode::Invert, {0, 255, 255, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        swf::MovieWriter w(8, 60, 40);
        w.add(swf::SetBackgroundColor{{0, 0, 255, 255}});
        w.add(rectShape(1, 0, 0, 60, 40, shapes::solid(255, 0, 0)));
        w.add(rectShape(2, 0, 0, 30, 40, shapes::solid(0, 0, 255)));
        swf::PlaceObject top = place3(2, 2);
        top.blendMode = c.mode;
        w.add(shapes::placeAt(1, 1)).add(top).showFrame();
        const render::Pixmap pix = shapes::draw(w);
        const render::Color got = shapes::at(pix, 15, 20);
        const render::Color want = c.mode == swf::BlendMode::Erase ? render::Color{255, 0, 0, 255} : c.expected;
        EXPECT_EQ(got, want);
        EXPECT_EQ(shapes::at(pix, 45, 20), (render::Color{255, 0, 0, 255}));  // untouched
    }
}

TEST(Layers, ButtonRecordsWithABlendModeGetALayer) {
    swf::MovieWriter w(8, 60, 40);
    w.add(swf::SetBackgroundColor{{0, 0, 255, 255}});
    w.add(rectShape(1, 0, 0, 30, 40, shapes::solid(255, 0, 0)));
    swf::DefineButton b;
    b.id = 2;
    b.version = 2;
    swf::ButtonRecord r;
    r.up = r.hitTest = true;
    r.characterId = 1;
    r.depth = 1;
    r.blendMode = swf::BlendMode::Multiply;
    b.records = {r};
    w.add(b).add(shapes::placeAt(1, 2)).showFrame();
    const render::Pixmap pix = shapes::draw(w);
    EXPECT_EQ(shapes::at(pix, 15, 20), (render::Color{0, 0, 0, 255}));  // red multiplied into blue
    EXPECT_EQ(shapes::at(pix, 45, 20), (render::Color{0, 0, 255, 255}));
}

TEST(Layers, DropShadowAndKnockoutFromPlaceObject3) {
    swf::MovieWriter w(8, 80, 60);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rectShape(1, 10, 10, 30, 30, shapes::solid(255, 0, 0)));
    swf::PlaceObject shadowed = place3(1, 1);
    shadowed.filters = std::vector<swf::Filter>{dropShadow(8, 0)};
    swf::Filter knocked = dropShadow(8, 0);
    knocked.knockout = true;
    swf::PlaceObject ko = place3(2, 1, 40, 0);
    ko.filters = std::vector<swf::Filter>{knocked};
    w.add(shadowed).add(ko).showFrame();
    const render::Pixmap pix = shapes::draw(w);
    EXPECT_EQ(shapes::at(pix, 20, 20), (render::Color{255, 0, 0, 255}));
    EXPECT_EQ(shapes::at(pix, 35, 20), (render::Color{0, 0, 0, 255}));     // shadow 8 px to the right
    EXPECT_EQ(shapes::at(pix, 5, 20), (render::Color{255, 255, 255, 255}));
    EXPECT_EQ(shapes::at(pix, 60, 20), (render::Color{255, 255, 255, 255}));  // knocked out object
    EXPECT_EQ(shapes::at(pix, 75, 20), (render::Color{0, 0, 0, 255}));
}

TEST(Layers, ShadowsOfObjectsJustOffStageShowOnIt) {
    swf::MovieWriter w(8, 40, 40);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rectShape(1, 10, -30, 30, -2, shapes::solid(255, 0, 0)));  // wholly above the stage
    swf::Filter down = dropShadow(10, 0);
    down.angle = 3.14159265 / 2;
    swf::PlaceObject p = place3(1, 1);
    p.filters = std::vector<swf::Filter>{down};
    w.add(p).showFrame();
    const render::Pixmap pix = shapes::draw(w);
    EXPECT_EQ(shapes::at(pix, 20, 4), (render::Color{0, 0, 0, 255}));
    EXPECT_EQ(shapes::at(pix, 20, 12), (render::Color{255, 255, 255, 255}));
    EXPECT_EQ(shapes::at(pix, 5, 4), (render::Color{255, 255, 255, 255}));
}

TEST(Layers, CacheAsBitmapDrawsOnWholePixels) {
    enum Way { Plain, Cached, Filtered };
    for (Way way : {Plain, Cached, Filtered}) {
        swf::MovieWriter w(8, 40, 20);
        w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
        w.add(rectShape(1, 0, 0, 10, 10, shapes::solid(0, 0, 0)));
        swf::PlaceObject p = place3(1, 1, 10.3, 5);
        if (way == Cached) p.cacheAsBitmap = true;
        if (way == Filtered) p.filters = std::vector<swf::Filter>{swf::Filter{}};  // a blur of 0: filters imply caching
        const bool cached = way != Plain;
        w.add(p).showFrame();
        const render::Pixmap pix = shapes::draw(w);
        const std::uint8_t left = shapes::at(pix, 10, 8).r;
        SCOPED_TRACE(way);
        if (cached) {
            // Moved left by 0.3 pixels onto the pixel grid.
            EXPECT_EQ(left, 0);
            EXPECT_EQ(shapes::at(pix, 19, 8).r, 0);
            EXPECT_EQ(shapes::at(pix, 20, 8).r, 255);
        } else {
            EXPECT_NEAR(left, 77, 2);  // 0.7 covered
        }
    }
}

}  // namespace

namespace {

swf::PlaceObject moveAt(std::uint16_t depth, double x, double y) {
    swf::PlaceObject p;
    p.version = 3;
    p.depth = depth;
    p.move = true;
    p.matrix = swf::Matrix{1, 0, 0, 1, shapes::tw(x), shapes::tw(y)};
    return p;
}

}  // namespace

// One renderer drawing frame after frame keeps the pixels of layers that did not change; every
// frame must still equal a fresh renderer's picture of it.
TEST(Layers, UnchangedLayersAreReusedAndEqualAFreshDraw) {
    swf::MovieWriter w(8, 90, 60);
    addOverlappingPair(w);
    // Sprite 5 swaps its two children every frame: its layer never repeats, though its bounds do.
    w.add(rectShape(4, 0, 0, 10, 10, shapes::solid(0, 160, 0)));
    w.add(rectShape(6, 0, 0, 10, 10, shapes::solid(160, 0, 160)));
    swf::DefineSprite moving = spriteOf(5, {shapes::placeAt(1, 4), shapes::placeAt(2, 6, 10, 0)});
    moving.frameCount = 2;
    moving.tags.pop_back();
    moving.tags.push_back(swf::makeTag(moveAt(1, 10, 0)));
    moving.tags.push_back(swf::makeTag(moveAt(2, 0, 0)));
    moving.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    moving.tags.push_back(swf::makeTag(swf::End{}));
    w.add(moving);
    swf::PlaceObject pair = place3(1, 3, 10, 10);
    pair.filters = std::vector<swf::Filter>{dropShadow(4, 3)};
    swf::PlaceObject blinking = place3(2, 5, 60, 30);
    blinking.filters = std::vector<swf::Filter>{dropShadow(2, 2)};
    swf::PlaceObject multiplied = place3(3, 1, 40, 5);  // a blend mode and no filters
    multiplied.blendMode = swf::BlendMode::Multiply;
    w.add(pair).add(blinking).add(multiplied).showFrame();  // 1
    w.showFrame();                          // 2
    w.showFrame();                          // 3
    w.add(moveAt(1, 12.5, 10)).showFrame();  // 4: moved by a fraction of a pixel
    swf::PlaceObject faded;
    faded.version = 3;
    faded.depth = 1;
    faded.move = true;
    faded.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
    w.add(faded).showFrame();  // 5: only the layer's own colour transform changes
    w.showFrame();             // 6
    swf::PlaceObject refiltered = faded;
    refiltered.colorTransform.reset();
    refiltered.filters = std::vector<swf::Filter>{dropShadow(4, 6)};
    w.add(refiltered).showFrame();  // 7
    w.showFrame();                  // 8
    w.add(moveAt(1, -30, 10)).showFrame();  // 9: partly off the stage, its box cut
    w.showFrame();                          // 10

    auto playing = player::Player::loadBytes(w.finish());
    auto fresh = player::Player::loadBytes(w.finish());
    ASSERT_TRUE(playing.ok() && fresh.ok());
    player::FrameRenderer keeping((*playing)->library());
    // The pair's layer (it has filters) is kept at once and reused from the next frame, also
    // where it only moved; its new filters and its cut box make it drawn again. The multiplied
    // rectangle's layer, cheaper to draw, is kept the second frame it looks the same.
    const unsigned reused[] = {0, 1, 2, 2, 2, 2, 1, 2, 1, 2};
    for (int frame = 1; frame <= 10; ++frame) {
        SCOPED_TRACE(frame);
        (*playing)->advance();
        (*fresh)->advance();
        const render::Pixmap a = player::renderPlayerFrame(**playing, keeping, 180, 120);
        EXPECT_EQ(keeping.report().layers, 3u);
        EXPECT_EQ(keeping.report().layersReused, reused[frame - 1]);
        player::FrameRenderer once((*fresh)->library());
        const render::Pixmap b = player::renderPlayerFrame(**fresh, once, 180, 120);
        EXPECT_EQ(once.report().layersReused, 0u);
        EXPECT_TRUE(a.pixels() == b.pixels());
    }
}
