// Text fields seen by scripts: TextFormat pixel metrics read back in whole pixels (halves to
// even), and a field as the mask of setMask, which masks by its glyphs and is not drawn.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../player/shape_builder.h"
#include "bytecode_builder.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

struct MetricCase {
    const char* key;
    double set;
    const char* expected;
};

// tf.setNewTextFormat(f) with f[key] = value, then traces tf.getNewTextFormat()[key].
std::string readBack(const char* key, double value) {
    Asm a;
    a.num(100).num(200).num(0).num(0).num(1).str("tf").num(6).getVar("_root").str("createTextField");
    a.op(Op::CallMethod).op(Op::Pop);
    a.str("f").num(0).str("TextFormat").op(Op::NewObject).op(Op::SetVariable);
    a.getVar("f").str(key).num(value).op(Op::SetMember);
    a.getVar("f").num(1).getVar("tf").str("setNewTextFormat").op(Op::CallMethod).op(Op::Pop);
    a.num(0).getVar("tf").str("getNewTextFormat").op(Op::CallMethod).str(key).op(Op::GetMember).trace();
    swf::MovieWriter w(8);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto loaded = player::Player::loadBytes(w.finish());
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return {};
    std::string out;
    (*loaded)->scripts()->setTraceSink([&out](std::string_view s) { out.append(s); });
    (*loaded)->advance();
    return out;
}

TEST(TextFormatPixels, MetricsReadBackInWholePixels) {
    const std::vector<MetricCase> cases = {
        {"indent", 0.4, "0"},      {"indent", 0.5, "0"},     {"indent", 0.6, "1"},
        {"indent", 1.5, "2"},      {"indent", 2.5, "2"},     {"indent", -10, "-10"},
        {"indent", 1638.35, "1638"}, {"indent", -1638.4, "-1638"},
        {"leftMargin", 3.6, "4"},  {"rightMargin", 7.25, "7"}, {"leading", 1.5, "2"},
    };
    for (const MetricCase& c : cases) EXPECT_EQ(readBack(c.key, c.set), c.expected) << c.key << " " << c.set;
}

struct Tally {
    int red = 0, white = 0, other = 0;
};

// clip: red 0..200 x 0..100; t: a script field over it reading "WWWW" at 60 points.
Tally drawMasked(bool setMask) {
    Asm a;
    a.num(100).num(200).num(0).num(0).num(5).str("t").num(6).getVar("_root").str("createTextField");
    a.op(Op::CallMethod).op(Op::Pop);
    a.str("f").num(0).str("TextFormat").op(Op::NewObject).op(Op::SetVariable);
    a.getVar("f").str("size").num(60).op(Op::SetMember);
    a.getVar("f").num(1).getVar("t").str("setNewTextFormat").op(Op::CallMethod).op(Op::Pop);
    a.getVar("t").str("text").str("WWWW").op(Op::SetMember);
    if (setMask) a.getVar("t").num(1).getVar("clip").str("setMask").op(Op::CallMethod).op(Op::Pop);
    swf::MovieWriter w(8, 200, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    swf::DefineShape rect = shapes::shapeWith(1, {shapes::solid(255, 0, 0)});
    shapes::Pen(rect.shape.records).style(0, 0, 0, 1).rect(0, 0, 200, 100);
    w.add(rect);
    swf::DefineSprite sprite;
    sprite.id = 2;
    sprite.frameCount = 1;
    sprite.tags.push_back(swf::makeTag(shapes::placeAt(1, 1)));
    sprite.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    sprite.tags.push_back(swf::makeTag(swf::End{}));
    w.add(sprite);
    swf::PlaceObject place = shapes::placeAt(1, 2);
    place.name = "clip";
    w.add(place);
    w.add(swf::DoAction{a.bytes});
    const render::Pixmap pix = shapes::draw(w, 0, 0, player::Quality::Low);
    Tally t;
    for (int y = 0; y < pix.height(); ++y)
        for (int x = 0; x < pix.width(); ++x) {
            const render::Color c = shapes::at(pix, x, y);
            if (c.r == 255 && c.g == 0 && c.b == 0) ++t.red;
            else if (c.r == 255 && c.g == 255 && c.b == 255) ++t.white;
            else ++t.other;
        }
    return t;
}

TEST(TextFieldMask, ShowsTheClipOnlyUnderTheGlyphsAndNotTheFieldItself) {
    const Tally plain = drawMasked(false);
    const Tally masked = drawMasked(true);
    // Unmasked, the clip covers the stage but for the text drawn over it.
    EXPECT_EQ(plain.white, 0);
    EXPECT_GT(plain.red, 10000);
    // Masked, the red shows only in the letters: most of the stage is the white background, and
    // the field's own black text is not drawn over it.
    EXPECT_GT(masked.red, 200);
    EXPECT_GT(masked.white, 10000);
    EXPECT_LT(masked.red, plain.red / 2);
    EXPECT_LE(masked.other, masked.red);
}

}  // namespace
