// Effects set by scripts as they are drawn: a scroll rectangle shows only its part of the clip,
// moved to the clip's origin, and setMask shows a clip only where its mask lies, the mask itself
// not drawn.
#include <gtest/gtest.h>

#include "../player/shape_builder.h"
#include "bytecode_builder.h"

namespace {

using avm1::Op;
using avm1test::Asm;

swf::DefineShape rect(std::uint16_t id, double x0, double y0, double x1, double y1, swf::FillStyle f) {
    swf::DefineShape s = shapes::shapeWith(id, {f});
    shapes::Pen(s.shape.records).style(x0, y0, 0, 1).rect(x0, y0, x1, y1);
    return s;
}

swf::DefineSprite sprite(std::uint16_t id, std::vector<std::uint16_t> shapes) {
    swf::DefineSprite s;
    s.id = id;
    s.frameCount = 1;
    std::uint16_t depth = 1;
    for (std::uint16_t shape : shapes) s.tags.push_back(swf::makeTag(shapes::placeAt(depth++, shape)));
    s.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    s.tags.push_back(swf::makeTag(swf::End{}));
    return s;
}

swf::PlaceObject named(std::uint16_t depth, std::uint16_t id, double x, double y, const char* name) {
    swf::PlaceObject p = shapes::placeAt(depth, id, x, y);
    p.name = name;
    return p;
}

// clip: red 0..30 and blue 30..100 wide, 100 high, at (50, 50). masked: black 40 x 40 at
// (140, 40); above it m: green 20 x 20 at (150, 50).
swf::MovieWriter movie(const Asm& script) {
    swf::MovieWriter w(8, 200, 150);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(rect(1, 0, 0, 30, 100, shapes::solid(255, 0, 0)));
    w.add(rect(2, 30, 0, 100, 100, shapes::solid(0, 0, 255)));
    w.add(sprite(3, {1, 2}));
    w.add(rect(4, 0, 0, 20, 20, shapes::solid(0, 255, 0)));
    w.add(sprite(5, {4}));
    w.add(rect(6, 0, 0, 40, 40, shapes::solid(0, 0, 0)));
    w.add(sprite(7, {6}));
    w.add(named(1, 3, 50, 50, "clip"));
    w.add(named(2, 7, 140, 40, "masked"));
    w.add(named(3, 5, 150, 50, "m"));
    w.add(swf::DoAction{script.bytes});
    return w;
}

const render::Color kWhite{255, 255, 255, 255}, kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255},
    kGreen{0, 255, 0, 255}, kBlack{0, 0, 0, 255};

TEST(EffectsDrawn, ScrollRectShowsItsPartMovedToTheOrigin) {
    Asm a;  // clip.scrollRect = new flash.geom.Rectangle(20, 30, 40, 10)
    a.getVar("clip").str("scrollRect").num(10).num(40).num(30).num(20).num(4);
    a.getVar("flash").str("geom").op(Op::GetMember).str("Rectangle").op(Op::NewMethod).op(Op::SetMember);
    const render::Pixmap pix = shapes::draw(movie(a), 0, 0, player::Quality::Low);
    ASSERT_EQ(pix.width(), 200);
    EXPECT_EQ(shapes::at(pix, 55, 55), kRed);    // content x 25
    EXPECT_EQ(shapes::at(pix, 65, 55), kBlue);   // content x 35
    EXPECT_EQ(shapes::at(pix, 88, 58), kBlue);   // content x 58, inside the rectangle
    EXPECT_EQ(shapes::at(pix, 93, 55), kWhite);  // right of the rectangle
    EXPECT_EQ(shapes::at(pix, 55, 62), kWhite);  // below it
    EXPECT_EQ(shapes::at(pix, 55, 47), kWhite);  // above the clip's origin
    // Without a rectangle the clip draws whole.
    const render::Pixmap plain = shapes::draw(movie(Asm{}), 0, 0, player::Quality::Low);
    EXPECT_EQ(shapes::at(plain, 55, 62), kRed);
    EXPECT_EQ(shapes::at(plain, 93, 55), kBlue);
}

TEST(EffectsDrawn, SetMaskShowsTheClipOnlyWhereTheMaskIs) {
    Asm a;  // masked.setMask(m)
    a.getVar("m").num(1).getVar("masked").str("setMask").op(Op::CallMethod).op(Op::Pop);
    const render::Pixmap pix = shapes::draw(movie(a), 0, 0, player::Quality::Low);
    ASSERT_EQ(pix.width(), 200);
    EXPECT_EQ(shapes::at(pix, 160, 60), kBlack);  // under the mask, which is not drawn
    EXPECT_EQ(shapes::at(pix, 145, 45), kWhite);  // masked away
    EXPECT_EQ(shapes::at(pix, 175, 75), kWhite);
    const render::Pixmap plain = shapes::draw(movie(Asm{}), 0, 0, player::Quality::Low);
    EXPECT_EQ(shapes::at(plain, 145, 45), kBlack);
    EXPECT_EQ(shapes::at(plain, 160, 60), kGreen);
    // Once the mask is removed the clip shows whole again.
    a.num(100).num(1).getVar("m").str("swapDepths").op(Op::CallMethod).op(Op::Pop);
    a.num(0).getVar("m").str("removeMovieClip").op(Op::CallMethod).op(Op::Pop);
    const render::Pixmap removed = shapes::draw(movie(a), 0, 0, player::Quality::Low);
    EXPECT_EQ(shapes::at(removed, 145, 45), kBlack);
    EXPECT_EQ(shapes::at(removed, 160, 60), kBlack);
}

}  // namespace
