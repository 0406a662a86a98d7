// Text fields: layout (alignment, margins, indent, wrapping, leading), content set at run time
// as text or HTML, the HTML subset, and fonts (DefineFont3 scale, device text).
#include <gtest/gtest.h>

#include "player/html_text.h"
#include "text_builder.h"

namespace {

using player::TextAlign;
using textmovie::boxFont;
using textmovie::field;

// The area is 4000 twips wide: bounds 4080 less the 40-twip gutters.
const swf::Rect kBounds{0, 4080, 0, 3000};

std::unique_ptr<player::Player> show(const swf::DefineEditText& def) {
    return textmovie::showField(def, boxFont(1));
}

TEST(TextLayout, AlignmentMarginsAndIndentPlaceTheLine) {
    struct Row {
        const char* name;
        std::uint8_t align;
        std::uint16_t left, right, indent;
        float firstX;
    };
    const Row rows[] = {
        {"left", 0, 0, 0, 0, 40},
        {"right", 1, 0, 0, 0, 40 + 4000 - 1200},
        {"center", 2, 0, 0, 0, 40 + 1400},
        {"justify alone is left", 3, 0, 0, 0, 40},
        {"left with margins", 0, 100, 200, 50, 190},
        {"right with margins", 1, 100, 200, 50, 40 + 100 + 50 + (3700 - 50 - 1200)},
        {"center with margins", 2, 100, 200, 0, 40 + 100 + (3700 - 1200) / 2.0f},
    };
    for (const Row& r : rows) {
        swf::DefineEditText def = field(2, 1, kBounds, "AA");
        def.layout = swf::DefineEditText::Layout{r.align, r.left, r.right, r.indent, 0};
        auto p = show(def);
        ASSERT_TRUE(p) << r.name;
        const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
        ASSERT_EQ(lay.lines.size(), 1u) << r.name;
        ASSERT_EQ(lay.glyphs.size(), 2u) << r.name;
        EXPECT_FLOAT_EQ(lay.glyphs[0].x, r.firstX) << r.name;
        EXPECT_FLOAT_EQ(lay.glyphs[1].x, r.firstX + 600) << r.name;
        EXPECT_FLOAT_EQ(lay.lines[0].baseline, 40 + 800) << r.name;
        EXPECT_FLOAT_EQ(lay.lines[0].width, 1200) << r.name;
    }
}

TEST(TextLayout, WrappingBreaksAfterSpacesAndInsideLongWords) {
    struct Row {
        const char* text;
        bool wrap;
        std::vector<std::size_t> glyphsPerLine;
        std::vector<float> lineStarts;
    };
    const Row rows[] = {
        // "AAA AAA" is 3900 wide and fits; the third word goes to the next line.
        {"AAA AAA AAA", true, {6, 3}, {40, 40}},
        // Nine glyphs are 5400 wide: six fit (3600), a seventh would not.
        {"AAAAAAAAA", true, {6, 3}, {40, 40}},
        // Spaces at a line's end take no room and start no line of their own.
        {"AAA AAA    AAA", true, {6, 3}, {40, 40}},
        // Without word wrap only paragraph ends break; glyphs past the field are dropped.
        {"AAA AAA AAA", false, {6}, {40}},
        {"AA\rA\nAAA", false, {2, 1, 3}, {40, 40, 40}},
        // An empty paragraph is an empty line.
        {"A\r\rA", true, {1, 0, 1}, {40, 40, 40}},
    };
    for (const Row& r : rows) {
        swf::DefineEditText def = field(2, 1, kBounds, r.text);
        def.wordWrap = r.wrap;
        def.multiline = true;
        auto p = show(def);
        ASSERT_TRUE(p) << r.text;
        const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
        ASSERT_EQ(lay.lines.size(), r.glyphsPerLine.size()) << r.text;
        for (std::size_t i = 0; i < lay.lines.size(); ++i) {
            EXPECT_EQ(lay.lines[i].glyphCount, r.glyphsPerLine[i]) << r.text << " line " << i;
            if (lay.lines[i].glyphCount) {
                EXPECT_FLOAT_EQ(lay.glyphs[lay.lines[i].firstGlyph].x, r.lineStarts[i]) << r.text << " line " << i;
            }
        }
    }
}

TEST(TextLayout, LeadingSpacesTheLines) {
    for (std::int16_t leading : {0, 200, -100}) {
        swf::DefineEditText def = field(2, 1, kBounds, "AAA AAA AAA");
        def.wordWrap = def.multiline = true;
        def.layout = swf::DefineEditText::Layout{0, 0, 0, 0, leading};
        auto p = show(def);
        ASSERT_TRUE(p);
        const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
        ASSERT_EQ(lay.lines.size(), 2u);
        EXPECT_FLOAT_EQ(lay.lines[0].baseline, 840) << leading;
        // Ascent 800 + descent 200 + leading.
        EXPECT_FLOAT_EQ(lay.lines[1].baseline, 840 + 1000 + leading) << leading;
    }
}

TEST(TextLayout, IndentAppliesToTheFirstLineOfEachParagraph) {
    swf::DefineEditText def = field(2, 1, kBounds, "AAA AAA AAA\rAA");
    def.wordWrap = def.multiline = true;
    def.layout = swf::DefineEditText::Layout{0, 0, 0, 300, 0};
    auto p = show(def);
    ASSERT_TRUE(p);
    const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
    // With the indent the first line has 3700: "AAA AAA" (3900) no longer fits there, but
    // it does on the second line.
    ASSERT_EQ(lay.lines.size(), 3u);
    const std::size_t counts[] = {3, 6, 2};
    const float starts[] = {340, 40, 340};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lay.lines[i].glyphCount, counts[i]) << i;
        EXPECT_FLOAT_EQ(lay.glyphs[lay.lines[i].firstGlyph].x, starts[i]) << i;
    }
}

TEST(TextLayout, JustifiedLinesWidenTheirSpacesExceptTheLast) {
    swf::DefineEditText def = field(2, 1, kBounds, "AAA AAA AAA");
    def.wordWrap = def.multiline = true;
    def.layout = swf::DefineEditText::Layout{3, 0, 0, 0, 0};
    auto p = show(def);
    ASSERT_TRUE(p);
    const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
    ASSERT_EQ(lay.lines.size(), 2u);
    // 100 twips to spare on the first line go into its one space.
    EXPECT_FLOAT_EQ(lay.glyphs[3].x, 40 + 1800 + 300 + 100);
    EXPECT_FLOAT_EQ(lay.lines[0].width, 4000);
    EXPECT_FLOAT_EQ(lay.glyphs[6].x, 40);
    EXPECT_FLOAT_EQ(lay.lines[1].width, 1800);
}

TEST(TextLayout, LinesBelowTheFieldAreNotDrawn) {
    swf::DefineEditText def = field(2, 1, swf::Rect{0, 4080, 0, 1500}, "A\rA\rA");
    def.multiline = true;
    auto p = show(def);
    ASSERT_TRUE(p);
    const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
    ASSERT_EQ(lay.lines.size(), 3u);
    // The second line starts at 1040 (inside), the third at 2040 (below 1500).
    EXPECT_EQ(lay.lines[1].glyphCount, 1u);
    EXPECT_EQ(lay.lines[2].glyphCount, 0u);
}

TEST(EditText, ContentSetAtRunTime) {
    swf::DefineEditText def = field(2, 1, kBounds, "AA");
    def.multiline = true;
    def.html = true;
    auto p = show(def);
    ASSERT_TRUE(p);
    player::EditText* t = textmovie::fieldOf(*p);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->text(), "AA");
    const auto before = t->revision();

    t->setText("A\r\nA A\nA");
    EXPECT_EQ(t->text(), "A\rA A\rA");
    EXPECT_EQ(t->layout().lines.size(), 3u);
    EXPECT_GT(t->revision(), before);
    EXPECT_EQ(t->htmlText(), "A\r\nA A\nA");

    t->setHtmlText("<p align=\"right\">AA</p><p>A<font color=\"#FF0000\">A</font></p>");
    EXPECT_EQ(t->text(), "AA\rAA");
    const player::TextLayout& lay = t->layout();
    ASSERT_EQ(lay.lines.size(), 2u);
    EXPECT_FLOAT_EQ(lay.glyphs[0].x, 40 + 4000 - 1200);
    EXPECT_FLOAT_EQ(lay.glyphs[2].x, 40);
    EXPECT_EQ(lay.glyphs[2].color, (swf::Rgba{0, 0, 255, 255}));
    EXPECT_EQ(lay.glyphs[3].color, (swf::Rgba{255, 0, 0, 255}));
    // The picture follows the content: two colours, two runs.
    EXPECT_EQ(t->picture().runs.size(), 2u);

    // A field that is not HTML shows markup as it is.
    swf::DefineEditText plain = field(3, 1, kBounds, "");
    auto q = show(plain);
    ASSERT_TRUE(q);
    textmovie::fieldOf(*q)->setHtmlText("<b>A</b>");
    EXPECT_EQ(textmovie::fieldOf(*q)->text(), "<b>A</b>");
}

// Scripts change a field's flags and box through its definition; the format and paragraph
// layout they gave it before (size, colour, alignment, leading, the font named by the format)
// stay, for the text already there and for text set later.
TEST(EditText, DefinitionChangesKeepTheFormatScriptsGave) {
    struct Row {
        const char* name;
        void (*change)(swf::DefineEditText&);
        bool outlinesBefore = true;
    };
    const Row rows[] = {
        {"multiline", [](swf::DefineEditText& d) { d.multiline = true; }},
        {"word wrap", [](swf::DefineEditText& d) { d.wordWrap = true; }},
        {"bounds", [](swf::DefineEditText& d) { d.bounds.xMax += 400; }},
        {"html", [](swf::DefineEditText& d) { d.html = true; }},
        {"outlines turned on", [](swf::DefineEditText& d) { d.useOutlines = true; }, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        swf::DefineEditText def = field(2, 1, kBounds, "AA");
        def.layout = swf::DefineEditText::Layout{0, 0, 0, 0, 20};
        def.useOutlines = r.outlinesBefore;
        swf::MovieWriter w(8, 400, 300);
        w.add(boxFont(1, 2, "Other")).add(boxFont(3, 2, "Named")).add(def).add(textmovie::placeField(1, 2)).showFrame();
        auto loaded = player::Player::loadBytes(w.finish());
        ASSERT_TRUE(loaded.ok());
        auto p = std::move(loaded).value();
        p->advance();
        player::EditText* t = textmovie::fieldOf(*p);
        ASSERT_NE(t, nullptr);
        player::TextFormat f = t->defaultFormat();
        f.size = 400;
        f.color = swf::Rgba{255, 0, 0, 255};
        f.align = TextAlign::Right;
        f.face = "Named";
        player::ParagraphLayout para = t->paragraph();
        para.leading = 100;
        t->setFormat(f, para, false);

        swf::DefineEditText changed = t->definition();
        r.change(changed);
        t->setDefinition(changed);
        EXPECT_EQ(t->defaultFormat(), f);
        EXPECT_FLOAT_EQ(t->paragraph().leading, 100);
        {
            // The text already there keeps its own format.
            const player::TextLayout& before = t->layout();
            ASSERT_EQ(before.glyphs.size(), 2u);
            EXPECT_FLOAT_EQ(before.glyphs[0].size, 1024);
            EXPECT_EQ(before.glyphs[0].color, (swf::Rgba{0, 0, 255, 255}));
        }
        t->setText("A\rA");
        const player::TextLayout& lay = t->layout();
        ASSERT_EQ(lay.glyphs.size(), 2u);
        EXPECT_FLOAT_EQ(lay.glyphs[0].size, 400);
        EXPECT_EQ(lay.glyphs[0].color, f.color);
        EXPECT_EQ(lay.glyphs[0].font->name(), "Named");
        ASSERT_EQ(lay.lines.size(), 2u);
        EXPECT_FLOAT_EQ(lay.lines[1].baseline - lay.lines[0].baseline,
                        lay.lines[0].descent + lay.lines[1].ascent + 100);
    }
}

// The paragraph layout of a format set for new text reaches the text set after it; one set for
// the whole text reaches the content at once. The file's indent is signed, and a negative one
// does not start the first line left of the margin.
TEST(EditText, ParagraphLayoutReachesTheTextItIsSetFor) {
    struct Row {
        const char* name;
        std::uint16_t fileIndent;
        float setIndent;
        bool wholeText;
        float fileIndentRead, xBefore, xAfter;
    };
    const Row rows[] = {
        {"for new text", 0, 300, false, 0, 40, 340},
        {"for the whole text", 0, 300, true, 0, 340, 340},
        {"negative file indent", static_cast<std::uint16_t>(-200), 0, false, -200, 40, 40},
        {"most negative file indent", 0x8000, 100, false, -32768, 40, 140},
        {"positive file indent", 200, 0, false, 200, 240, 40},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        swf::DefineEditText def = field(2, 1, kBounds, "AA");
        def.layout = swf::DefineEditText::Layout{0, 0, 0, r.fileIndent, 0};
        auto p = show(def);
        ASSERT_TRUE(p);
        player::EditText* t = textmovie::fieldOf(*p);
        ASSERT_NE(t, nullptr);
        EXPECT_FLOAT_EQ(t->paragraph().indent, r.fileIndentRead);
        player::ParagraphLayout para = t->paragraph();
        para.indent = r.setIndent;
        t->setFormat(t->defaultFormat(), para, r.wholeText);
        ASSERT_FALSE(t->layout().glyphs.empty());
        EXPECT_FLOAT_EQ(t->layout().glyphs[0].x, r.xBefore);
        t->setText("AA");
        ASSERT_FALSE(t->layout().glyphs.empty());
        EXPECT_FLOAT_EQ(t->layout().glyphs[0].x, r.xAfter);
    }
}

TEST(EditText, SingleLineHtmlFieldsKeepParagraphsOnOneLine) {
    swf::DefineEditText def = field(2, 1, kBounds, "<p>A</p><p>A</p>");
    def.html = true;
    auto p = show(def);
    ASSERT_TRUE(p);
    EXPECT_EQ(textmovie::fieldOf(*p)->layout().lines.size(), 1u);
}

TEST(EditText, PasswordFieldsDrawStarsButKeepTheirText) {
    swf::DefineEditText def = field(2, 1, kBounds, "AA");
    def.password = true;
    def.useOutlines = false;  // the fallback font has '*'
    auto p = show(def);
    ASSERT_TRUE(p);
    player::EditText* t = textmovie::fieldOf(*p);
    EXPECT_EQ(t->text(), "AA");
    const auto& g = t->layout().glyphs;
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(static_cast<int>(g[0].glyph), g[0].font->glyphFor(U'*'));
}

TEST(Fonts, DefineFont3IsTwentyTimesFinerAndDeviceTextUsesTheFallbackFont) {
    struct Row {
        unsigned version;
        bool outlines;
        bool fallback;
    };
    const Row rows[] = {{2, true, false}, {3, true, false}, {2, false, true}};
    for (const Row& r : rows) {
        swf::DefineEditText def = field(2, 1, kBounds, "AA a");
        def.useOutlines = r.outlines;
        auto p = textmovie::showField(def, boxFont(1, r.version));
        ASSERT_TRUE(p);
        const player::TextLayout& lay = textmovie::fieldOf(*p)->layout();
        ASSERT_FALSE(lay.glyphs.empty());
        EXPECT_EQ(lay.glyphs[0].font->isFallback(), r.fallback) << r.version;
        if (!r.fallback) {
            // 'a' is not in the box font: it draws nothing and takes no room.
            EXPECT_EQ(lay.glyphs.size(), 2u);
            EXPECT_FLOAT_EQ(lay.glyphs[1].x, 640) << r.version;
            EXPECT_FLOAT_EQ(lay.lines[0].baseline, 840) << r.version;
            const render::Rect b = lay.glyphs[0].font->outline(0).bounds();
            EXPECT_FLOAT_EQ(b.x1, 512) << r.version;
            EXPECT_FLOAT_EQ(b.y0, -700) << r.version;
        } else {
            EXPECT_EQ(lay.glyphs.size(), 3u);
            EXPECT_FALSE(lay.glyphs[2].font->outline(lay.glyphs[2].glyph).isEmpty());
        }
    }
}

// Advances, ascent and descent are unsigned 16-bit values: past 32767 they stay wide and tall.
TEST(Fonts, LayoutMetricsPast32767AreUnsigned) {
    struct Row {
        unsigned version;
        std::uint16_t advance, ascent;
        float expectAdvance, expectAscent;
    };
    const Row rows[] = {
        {2, 600, 800, 600, 800},
        {2, 40000, 40000, 40000, 40000},
        {3, 65535, 65535, 65535 / 20.0f, 65535 / 20.0f},
    };
    for (const Row& r : rows) {
        swf::DefineFont font = boxFont(1, r.version);
        font.layout.advances[0] = static_cast<std::int16_t>(r.advance);
        font.layout.ascent = static_cast<std::int16_t>(r.ascent);
        font.layout.descent = static_cast<std::int16_t>(r.ascent);
        const player::Font f(font, nullptr);
        EXPECT_FLOAT_EQ(f.advance(0), r.expectAdvance) << r.advance;
        EXPECT_FLOAT_EQ(f.ascent(), r.expectAscent) << r.ascent;
        EXPECT_FLOAT_EQ(f.descent(), r.expectAscent) << r.ascent;
    }
}

TEST(Fonts, VersionOneTakesItsCodesFromFontInfoAndDeviceFontsMapIndicesToCodes) {
    swf::Movie movie;
    swf::DefineFont v1 = boxFont(1, 1);
    v1.codes.clear();
    v1.hasLayout = false;
    swf::DefineFontInfo info;
    info.fontId = 1;
    info.name = "Info name";
    info.bold = true;
    info.codes = {'B', ' '};
    // A device font: codes, no outlines.
    swf::DefineFont device = boxFont(2, 2, "Arial");
    device.glyphs = {swf::Shape{}, swf::Shape{}};
    device.codes = {'x', '~'};
    movie.tags = {swf::makeTag(v1), swf::makeTag(info), swf::makeTag(device)};
    player::Library lib;
    lib.build(movie);
    player::FontCache cache(lib);

    const player::Font* f1 = cache.font(1);
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->name(), "Info name");
    EXPECT_TRUE(f1->bold());
    EXPECT_EQ(f1->glyphFor(U'B'), 0);
    EXPECT_EQ(f1->glyphFor(U'A'), -1);
    // Without a layout table the advance is the outline's width and a little room.
    EXPECT_FLOAT_EQ(f1->advance(0), 512 + 64);
    EXPECT_EQ(f1->staticGlyph(0), 0);
    EXPECT_EQ(f1->staticGlyph(5), -1);
    EXPECT_EQ(cache.byName("INFO NAME"), f1);

    const player::Font* f2 = cache.font(2);
    ASSERT_NE(f2, nullptr);
    EXPECT_TRUE(f2->isFallback());
    EXPECT_EQ(f2->staticGlyph(0), f2->glyphFor(U'x'));
    EXPECT_EQ(f2->staticGlyph(1), f2->glyphFor(U'~'));
    EXPECT_EQ(f2->staticGlyph(2), -1);
    EXPECT_FALSE(f2->outline(static_cast<std::size_t>(f2->staticGlyph(0))).isEmpty());
    EXPECT_EQ(cache.font(7), nullptr);
}

TEST(HtmlText, TagsEntitiesAndFormats) {
    player::TextFormat base;
    base.size = 240;
    struct Row {
        const char* html;
        const char* text;
    };
    const Row rows[] = {
        {"plain", "plain"},
        {"a<br>b<br/>c", "a\nb\nc"},
        {"<p>one</p><p>two</p>", "one\ntwo"},
        {"x<p>y</p>", "x\ny"},
        {"<li>a</li><li>b</li>", "a\nb"},
        {"&lt;&gt;&amp;&quot;&apos;&#65;&#x42;", "<>&\"'AB"},
        {"&bogus; & &#0;", "&bogus; & &#0;"},
        {"<b><i>bi</i></b><unknown>k</unknown>", "bik"},
        {"</b>stray<b", "stray"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const Row& r : rows) {
        const player::StyledText t = player::parseHtml(r.html, base);
        EXPECT_EQ(player::encodeUtf8(t.text), r.text) << r.html;
        EXPECT_EQ(t.formatOf.size(), t.text.size()) << r.html;
    }

    const player::StyledText t = player::parseHtml(
        "<font color=\"#00FF00\" size=\"20\" face=\"Other\">a<b>b</b><font size=\"-4\">c</font></font>"
        "<u>d</u><p align=\"center\">e</p><li>f</li>",
        base);
    ASSERT_EQ(player::encodeUtf8(t.text), "abcd\ne\nf");
    EXPECT_EQ(t.format(0).color, (swf::Rgba{0, 255, 0, 255}));
    EXPECT_FLOAT_EQ(t.format(0).size, 400);
    EXPECT_EQ(t.format(0).face, "Other");
    EXPECT_TRUE(t.format(1).bold);
    EXPECT_FLOAT_EQ(t.format(2).size, 320);
    EXPECT_FALSE(t.format(2).bold);
    EXPECT_TRUE(t.format(3).underline);
    EXPECT_FLOAT_EQ(t.format(3).size, 240);
    EXPECT_EQ(t.format(5).align, TextAlign::Center);
    EXPECT_TRUE(t.format(7).bullet);
    EXPECT_FALSE(t.format(5).bullet);
}

}  // namespace
