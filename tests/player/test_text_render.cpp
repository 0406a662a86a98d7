// Text drawn: static text of DefineFont2 and DefineFont3 glyphs in their colours, text fields
// with embedded outlines and with the fallback font, anti-aliased edges at small sizes.
#include <gtest/gtest.h>

#include "player/frame_renderer.h"
#include "render/blend.h"
#include "text_builder.h"

namespace {

render::Color at(const render::Pixmap& p, int x, int y) { return render::unpremultiply(p.at(x, y)); }

render::Pixmap drawMovie(const swf::MovieWriter& w, player::RenderReport* report = nullptr) {
    auto p = player::Player::loadBytes(w.finish());
    if (!p.ok()) return {};
    (*p)->advance();
    player::FrameRenderer r((*p)->library());
    render::Pixmap out = player::renderPlayerFrame(**p, r);
    if (report) *report = r.report();
    return out;
}

swf::PlaceObject placeAt(std::uint16_t depth, std::uint16_t id, std::int32_t x = 0, std::int32_t y = 0) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swf::Matrix{1, 0, 0, 1, x, y};
    return p;
}

TEST(TextRender, StaticTextDrawsEachRecordInItsFontAndColour) {
    for (unsigned version : {2u, 3u}) {
        swf::MovieWriter w(8, 100, 50);
        w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
        w.add(textmovie::boxFont(1, version));
        swf::DefineText text;
        text.id = 2;
        text.version = 2;
        text.bounds = {0, 2000, 0, 1000};
        // 20 px text: a glyph box is 10 x 13.67 px; the records move the pen to new places.
        swf::TextRecord red;
        red.fontId = 1;
        red.height = 400;
        red.color = swf::Rgba{255, 0, 0, 255};
        red.xOffset = 100;
        red.yOffset = 600;
        red.glyphs = {{0, 400}, {1, 200}, {0, 400}};
        swf::TextRecord blue;
        blue.color = swf::Rgba{0, 0, 255, 255};
        blue.xOffset = 1400;
        blue.glyphs = {{0, 400}, {7, 400}};  // an index past the font's glyphs draws nothing
        text.records = {red, blue};
        text.matrix = swf::Matrix{1, 0, 0, 1, 0, 100};  // 5 px down
        w.add(text).add(placeAt(1, 2)).showFrame();
        player::RenderReport report;
        const render::Pixmap p = drawMovie(w, &report);
        ASSERT_FALSE(p.isEmpty());
        const render::Color kRed{255, 0, 0, 255}, kBlue{0, 0, 255, 255}, kWhite{255, 255, 255, 255};
        // Baseline at 30 + 5 px; glyphs from x = 5, 35 (after 20 + 10 px of advances) and 70.
        EXPECT_EQ(at(p, 9, 30), kRed) << version;
        EXPECT_EQ(at(p, 39, 30), kRed) << version;
        EXPECT_EQ(at(p, 20, 30), kWhite) << version;
        EXPECT_EQ(at(p, 74, 30), kBlue) << version;
        EXPECT_EQ(at(p, 9, 38), kWhite) << version;
        EXPECT_EQ(at(p, 90, 30), kWhite) << version;
        EXPECT_TRUE(report.missingCharacters.empty());
    }
}

// Pixels darker than the background inside a box.
int inkIn(const render::Pixmap& p, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(p, x, y).r < 200) ++n;
    return n;
}

TEST(TextRender, TextFieldsDrawTheirContent) {
    struct Row {
        const char* name;
        bool outlines;
        const char* text;
    };
    const Row rows[] = {{"embedded", true, "AA"}, {"device", false, "Hello"}};
    for (const Row& r : rows) {
        swf::MovieWriter w(8, 200, 100);
        w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
        w.add(textmovie::boxFont(1));
        // A 12 px field at (0, 0)-(200, 50) px.
        swf::DefineEditText def = textmovie::field(2, 1, swf::Rect{0, 4000, 0, 1000}, r.text);
        def.fontHeight = 240;
        def.color = swf::Rgba{0, 0, 0, 255};
        def.useOutlines = r.outlines;
        w.add(def).add(placeAt(1, 2)).showFrame();
        player::RenderReport report;
        const render::Pixmap p = drawMovie(w, &report);
        ASSERT_FALSE(p.isEmpty()) << r.name;
        EXPECT_EQ(report.editTexts, 1u);
        // Text sits in the first line (2 px gutter, 12 px text) and nowhere below it.
        EXPECT_GT(inkIn(p, 0, 0, 100, 18), 20) << r.name;
        EXPECT_EQ(inkIn(p, 0, 20, 200, 100), 0) << r.name;
        // Small text is anti-aliased: some edge pixels are neither ink nor paper.
        int partial = 0;
        for (int y = 0; y < 18; ++y)
            for (int x = 0; x < 100; ++x) {
                const int v = at(p, x, y).r;
                if (v > 20 && v < 235) ++partial;
            }
        EXPECT_GT(partial, 0) << r.name;
    }
}

TEST(TextRender, TextIsCutAtTheFieldsBounds) {
    swf::MovieWriter w(8, 200, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(textmovie::boxFont(1));
    // A field 30 px tall holding two lines of 20 px text: the second line's glyph spans
    // about 23 to 37 px.
    swf::DefineEditText def = textmovie::field(2, 1, swf::Rect{0, 4000, 0, 600}, "A\rA");
    def.fontHeight = 400;
    def.multiline = true;
    w.add(def).add(placeAt(1, 2)).showFrame();
    const render::Pixmap p = drawMovie(w);
    ASSERT_FALSE(p.isEmpty());
    EXPECT_GT(inkIn(p, 2, 2, 12, 22), 100);   // the first line
    EXPECT_GT(inkIn(p, 2, 27, 12, 30), 10);   // the top of the second line, inside the field
    EXPECT_EQ(inkIn(p, 0, 30, 200, 100), 0);  // nothing below the field
}

TEST(TextRender, ContentSetAtRunTimeIsDrawn) {
    swf::MovieWriter w(8, 200, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    w.add(textmovie::boxFont(1));
    swf::DefineEditText def = textmovie::field(2, 1, swf::Rect{0, 4000, 0, 2000}, "");
    def.fontHeight = 400;
    def.multiline = true;
    w.add(def).add(placeAt(1, 2)).showFrame();
    auto p = player::Player::loadBytes(w.finish());
    ASSERT_TRUE(p.ok());
    (*p)->advance();
    player::FrameRenderer r((*p)->library());
    EXPECT_EQ(inkIn(player::renderPlayerFrame(**p, r), 0, 0, 200, 100), 0);
    textmovie::fieldOf(**p)->setText("A\rA");
    const render::Pixmap after = player::renderPlayerFrame(**p, r);
    // Two lines of 20 px text: a 10 x 14 px box at the start of each.
    EXPECT_GT(inkIn(after, 2, 2, 12, 22), 100);
    EXPECT_GT(inkIn(after, 2, 22, 12, 42), 100);
}

}  // namespace
