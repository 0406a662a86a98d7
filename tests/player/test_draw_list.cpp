#include <gtest/gtest.h>

#include "movie_builder.h"
#include "player/movie_clip.h"

namespace {

using namespace testmovie;
using player::DrawColorTransform;
using player::DrawMatrix;

TEST(DrawMath, MatrixConcatAppliesChildFirst) {
    DrawMatrix parent{2, 0, 0, 2, 100, 0};  // scale 2, then move right
    DrawMatrix child{0, 1, -1, 0, 10, 0};   // rotate 90 degrees, then move by 10
    DrawMatrix m = player::concat(parent, child);
    // The point (1, 0) goes to (0, 1) + (10, 0) = (10, 1), then to (20, 2) + (100, 0).
    float x = m.a * 1 + m.c * 0 + m.tx;
    float y = m.b * 1 + m.d * 0 + m.ty;
    EXPECT_FLOAT_EQ(x, 120);
    EXPECT_FLOAT_EQ(y, 2);
}

TEST(DrawMath, ColorTransformConcat) {
    auto parent = player::toDrawColorTransform({128, 256, 256, 256, 10, 0, 0, -20});
    auto child = player::toDrawColorTransform({256, 512, 256, 128, 20, 0, 5, 0});
    DrawColorTransform t = player::concat(parent, child);
    // red: (v + 20) * 0.5 + 10
    EXPECT_FLOAT_EQ(t.mul[0], 0.5f);
    EXPECT_FLOAT_EQ(t.add[0], 20.0f);
    EXPECT_FLOAT_EQ(t.mul[1], 2.0f);
    EXPECT_FLOAT_EQ(t.add[2], 5.0f);
    EXPECT_FLOAT_EQ(t.mul[3], 0.5f);
    EXPECT_FLOAT_EQ(t.add[3], -20.0f);
}

TEST(DrawList, SpritesAreFlattenedWithConcatenatedTransforms) {
    swf::MovieWriter w;
    w.add(box(1)).add(box(2));
    swf::DefineSprite s;
    s.id = 10;
    s.frameCount = 1;
    auto inner = place(1, 2, 40);
    inner.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
    inner.ratio = 9;
    s.tags = {swf::makeTag(inner), swf::makeTag(swf::ShowFrame{})};
    w.add(s);
    auto outer = place(2, 10, 1000);
    outer.matrix->a = 2;
    outer.matrix->d = 2;
    outer.colorTransform = swf::ColorTransform{256, 256, 256, 128, 0, 0, 0, 0};
    w.add(place(1, 1)).add(outer).showFrame();
    auto p = load(w);
    p->advance();
    auto list = p->drawList();
    ASSERT_EQ(list.items.size(), 2u);
    EXPECT_EQ(list.items[0].characterId, 1);
    EXPECT_EQ(list.items[1].characterId, 2);
    EXPECT_EQ(list.items[1].depth, 1);
    EXPECT_EQ(list.items[1].ratio, 9);
    EXPECT_EQ(list.items[1].matrix, (DrawMatrix{2, 0, 0, 2, 1080, 0}));
    EXPECT_FLOAT_EQ(list.items[1].colorTransform.mul[3], 0.25f);
    EXPECT_TRUE(list.clipLayers.empty());
}

TEST(DrawList, ClipDepthMasksTheDepthsItCovers) {
    swf::MovieWriter w;
    for (std::uint16_t id = 1; id <= 4; ++id) w.add(box(id));
    auto mask = place(2, 1);
    mask.clipDepth = 4;
    w.add(mask).add(place(1, 2)).add(place(3, 3)).add(place(4, 4)).add(place(5, 2)).showFrame();
    auto p = load(w);
    p->advance();
    auto list = p->drawList();
    ASSERT_EQ(list.items.size(), 5u);
    ASSERT_EQ(list.clipLayers.size(), 1u);
    EXPECT_EQ(list.clipLayers[0].items, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(list.items[0].depth, 1);
    EXPECT_TRUE(list.items[0].clipLayers.empty());  // below the mask
    EXPECT_EQ(list.items[1].maskOf, 0);             // the mask itself
    EXPECT_EQ(list.items[2].clipLayers, (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(list.items[3].clipLayers, (std::vector<std::uint32_t>{0}));  // depth 4 = clip depth
    EXPECT_TRUE(list.items[4].clipLayers.empty());  // depth 5 is above it
}

TEST(DrawList, NestedMasksAndSpriteMasks) {
    swf::MovieWriter w;
    for (std::uint16_t id = 1; id <= 3; ++id) w.add(box(id));
    swf::DefineSprite maskSprite;  // a mask made of two shapes
    maskSprite.id = 10;
    maskSprite.frameCount = 1;
    maskSprite.tags = {swf::makeTag(place(1, 1)), swf::makeTag(place(2, 2)), swf::makeTag(swf::ShowFrame{})};
    w.add(maskSprite);
    auto outer = place(1, 10);
    outer.clipDepth = 10;
    auto innerMask = place(2, 3);
    innerMask.clipDepth = 3;
    w.add(outer).add(innerMask).add(place(3, 1)).add(place(4, 2)).showFrame();
    auto p = load(w);
    p->advance();
    auto list = p->drawList();
    ASSERT_EQ(list.clipLayers.size(), 2u);
    EXPECT_EQ(list.clipLayers[0].items.size(), 2u);  // both shapes of the sprite
    const auto& d3 = list.items[3];
    EXPECT_EQ(d3.depth, 3);
    EXPECT_EQ(d3.clipLayers, (std::vector<std::uint32_t>{0, 1}));
    const auto& d4 = list.items[4];
    EXPECT_EQ(d4.depth, 4);
    EXPECT_EQ(d4.clipLayers, (std::vector<std::uint32_t>{0}));
}

TEST(DrawList, InvisibleObjectsAndButtons) {
    swf::MovieWriter w;
    w.add(box(1)).add(box(2));
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    swf::ButtonRecord up;
    up.up = true;
    up.characterId = 2;
    up.depth = 1;
    up.matrix = swf::Matrix{1, 0, 0, 1, 5, 5};
    swf::ButtonRecord hit;
    hit.hitTest = true;
    hit.characterId = 1;
    hit.depth = 2;
    b.records = {up, hit};
    w.add(b);
    auto hidden = place(1, 1);
    hidden.version = 3;
    hidden.visible = false;
    w.add(hidden).add(place(2, 20, 100)).showFrame();
    auto p = load(w);
    p->advance();
    auto list = p->drawList();
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0].characterId, 2);
    EXPECT_EQ(list.items[0].matrix.tx, 105);
}

}  // namespace
