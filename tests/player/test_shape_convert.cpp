// Shape conversion: fills that share an edge meet without a seam, fill-0 and fill-1 outlines
// cover the same area, new style tables start layers drawn in order, strokes close only where
// they should, and morph shapes interpolate edges and styles by the ratio.
#include <gtest/gtest.h>

#include "player/shape_convert.h"
#include "shape_builder.h"

namespace {

using shapes::Pen;
using shapes::tw;

int countVerbs(const render::Path& p, render::Verb v) {
    int n = 0;
    for (render::Verb x : p.verbs()) n += x == v;
    return n;
}

struct SplitCase {
    const char* name;
    double xTop, xBottom;
    bool curved;
};

// A square (10..90 px) split from (xTop, 10) to (xBottom, 90) into two fills of one colour.
swf::DefineShape splitSquare(const SplitCase& c) {
    swf::DefineShape s = shapes::shapeWith(1, {shapes::solid(200, 30, 30), shapes::solid(200, 30, 30)});
    Pen pen(s.shape.records);
    pen.style(c.xTop, 10, 0, 1).line(90, 10).line(90, 90).line(c.xBottom, 90);
    pen.style(c.xBottom, 90, 2, 1);
    if (c.curved) pen.curve(20, 50, c.xTop, 10);
    else pen.line(c.xTop, 10);
    pen.style(c.xTop, 10, 2, 0).line(10, 10).line(10, 90).line(c.xBottom, 90);
    return s;
}

class SharedEdge : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SharedEdge, TwoFillsOfOneColourLeaveNoSeam) {
    const swf::DefineShape s = splitSquare(GetParam());
    const player::ConvertedShape c = player::convertDefineShape(s);
    ASSERT_EQ(c.layers.size(), 1u);
    ASSERT_EQ(c.layers[0].fills.size(), 2u);
    for (const player::ShapeFill& f : c.layers[0].fills) {
        EXPECT_EQ(countVerbs(f.path, render::Verb::Move), 1);
        EXPECT_EQ(countVerbs(f.path, render::Verb::Close), 1);
    }
    swf::MovieWriter w(8, 100, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}}).add(s).add(shapes::placeAt(1, 1)).showFrame();
    for (player::Quality q : {player::Quality::High, player::Quality::Low}) {
        render::Pixmap p = shapes::draw(w, 0, 0, q);
        ASSERT_FALSE(p.isEmpty());
        for (int y = 10; y < 90; ++y)
            for (int x = 10; x < 90; ++x)
                ASSERT_EQ(shapes::at(p, x, y), (render::Color{200, 30, 30, 255}))
                    << GetParam().name << " at " << x << "," << y;
        EXPECT_EQ(shapes::at(p, 5, 50), (render::Color{255, 255, 255, 255}));
    }
}

INSTANTIATE_TEST_SUITE_P(Splits, SharedEdge,
                         ::testing::Values(SplitCase{"diagonal", 10, 90, false},
                                           SplitCase{"fractional", 33.35, 61.7, false},
                                           SplitCase{"vertical", 50.5, 50.5, false},
                                           SplitCase{"curve", 70, 30, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShapeConvert, LeftAndRightFillsCoverTheSameArea) {
    // The same square once clockwise with fill 1 and once anticlockwise with fill 0.
    swf::DefineShape right = shapes::shapeWith(1, {shapes::solid(0, 0, 255)});
    Pen(right.shape.records).style(20, 20, 0, 1).rect(20, 20, 60.5, 70.25);
    swf::DefineShape left = shapes::shapeWith(1, {shapes::solid(0, 0, 255)});
    Pen(left.shape.records).style(20, 20, 1, 0).line(20, 70.25).line(60.5, 70.25).line(60.5, 20).line(20, 20);
    auto drawOne = [](const swf::DefineShape& s) {
        swf::MovieWriter w(8, 100, 100);
        w.add(s).add(shapes::placeAt(1, 1)).showFrame();
        return shapes::draw(w);
    };
    const render::Pixmap a = drawOne(right), b = drawOne(left);
    ASSERT_FALSE(a.isEmpty());
    EXPECT_EQ(a.pixels(), b.pixels());
    EXPECT_EQ(shapes::at(a, 40, 40), (render::Color{0, 0, 255, 255}));
    // Half of column 60 is covered.
    EXPECT_NEAR(shapes::at(a, 60, 40).r, 127, 2);
}

TEST(ShapeConvert, NewStyleTablesDrawLayersInOrder) {
    swf::DefineShape s = shapes::shapeWith(1, {shapes::solid(255, 0, 0)});
    swf::StyleTables second;
    second.fills = {shapes::solid(0, 0, 255)};
    swf::LineStyle thin;
    thin.width = 40;
    thin.color = {0, 0, 0, 255};
    second.lines = {thin};
    // The indices of the record that brings new tables are written with the old tables' bit
    // widths, so the line is picked in a record of its own.
    Pen(s.shape.records)
        .style(0, 0, 0, 1)
        .rect(0, 0, 50, 50)
        .newStyles(second, 25, 25, 1)
        .style(25, 25, 0, 1, 1)
        .rect(25, 25, 75, 75);
    const player::ConvertedShape c = player::convertDefineShape(s);
    ASSERT_EQ(c.layers.size(), 2u);
    EXPECT_EQ(c.layers[0].fills.size(), 1u);
    EXPECT_TRUE(c.layers[0].strokes.empty());
    EXPECT_EQ(c.layers[1].fills.size(), 1u);
    EXPECT_EQ(c.layers[1].strokes.size(), 1u);
    EXPECT_EQ(c.bounds.x1, tw(75) + 20);  // the stroke reaches half its width beyond the path

    swf::MovieWriter w(8, 100, 100);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}}).add(s).add(shapes::placeAt(1, 1)).showFrame();
    const render::Pixmap p = shapes::draw(w);
    EXPECT_EQ(shapes::at(p, 10, 10), (render::Color{255, 0, 0, 255}));
    EXPECT_EQ(shapes::at(p, 40, 40), (render::Color{0, 0, 255, 255}));  // later layer on top
    EXPECT_EQ(shapes::at(p, 60, 60), (render::Color{0, 0, 255, 255}));
    EXPECT_EQ(shapes::at(p, 25, 60), (render::Color{0, 0, 0, 255}));   // its outline
    EXPECT_EQ(shapes::at(p, 90, 90), (render::Color{255, 255, 255, 255}));
}

TEST(ShapeConvert, StrokesCloseOnlyWhereTheyReturnUnlessTold) {
    struct Row {
        const char* name;
        bool returns;
        bool noClose;
        int closes;
    };
    const Row rows[] = {{"closed square", true, false, 1}, {"no-close flag", true, true, 0}, {"open polyline", false, false, 0}};
    for (const Row& r : rows) {
        swf::LineStyle ls;
        ls.width = 20;
        ls.noClose = r.noClose;
        swf::DefineShape s = shapes::shapeWith(1, {}, {ls});
        Pen pen(s.shape.records);
        pen.style(0, 0, 0, 0, 1).line(10, 0).line(10, 10).line(0, 10);
        if (r.returns) pen.line(0, 0);
        const player::ConvertedShape c = player::convertDefineShape(s);
        ASSERT_EQ(c.layers.size(), 1u) << r.name;
        ASSERT_EQ(c.layers[0].strokes.size(), 1u) << r.name;
        EXPECT_EQ(countVerbs(c.layers[0].strokes[0].path, render::Verb::Close), r.closes) << r.name;
        EXPECT_EQ(countVerbs(c.layers[0].strokes[0].path, render::Verb::Move), 1) << r.name;
    }
}

TEST(ShapeConvert, BrokenOutlinesAndBadStyleIndicesDoNotFail) {
    swf::DefineShape s = shapes::shapeWith(1, {shapes::solid(1, 2, 3)});
    // An outline that never returns, an edge naming fill 7 of a one-entry table, line 3 of none.
    Pen(s.shape.records).style(0, 0, 0, 1).line(10, 0).line(10, 10).style(20, 20, 7, 7, 3).line(30, 30);
    const player::ConvertedShape c = player::convertDefineShape(s);
    ASSERT_EQ(c.layers.size(), 1u);
    ASSERT_EQ(c.layers[0].fills.size(), 1u);
    EXPECT_EQ(countVerbs(c.layers[0].fills[0].path, render::Verb::Close), 1);
    EXPECT_TRUE(c.layers[0].strokes.empty());
}

swf::DefineMorphShape squareMorph() {
    swf::DefineMorphShape m;
    m.id = 1;
    m.fills = {swf::MorphFillStyle{shapes::solid(255, 0, 0), shapes::solid(0, 0, 255)}};
    swf::LineStyle a, b;
    a.width = 20;
    b.width = 100;
    m.lines = {swf::MorphLineStyle{a, b}};
    Pen(m.startEdges.records).style(0, 0, 0, 1, 1).rect(0, 0, 20, 20);
    // The end shape is twice the size and has one curved side where the start is straight.
    Pen end(m.endEdges.records);
    end.move(10, 10).line(50, 10).curve(60, 30, 50, 50).line(10, 50).line(10, 10);
    return m;
}

TEST(MorphShape, InterpolatesEdgesFillsAndLinesByRatio) {
    struct Row {
        std::uint16_t ratio;
        double x0, x1;  // bounds of the fill path, pixels
        std::uint8_t red, blue;
        std::uint16_t width;
    };
    const Row rows[] = {
        {0, 0, 20, 255, 0, 20},
        {32768, 5, 35 + 2.5, 127, 127, 60},  // colour channels are truncated
        {65535, 10, 55, 0, 255, 100},
    };
    const swf::DefineMorphShape m = squareMorph();
    for (const Row& r : rows) {
        const player::ConvertedShape c = player::convertMorph(m, r.ratio);
        ASSERT_EQ(c.layers.size(), 1u);
        ASSERT_EQ(c.layers[0].fills.size(), 1u);
        const render::Rect b = c.layers[0].fills[0].path.bounds();
        EXPECT_NEAR(b.x0, tw(r.x0), 1) << r.ratio;
        // Control points count in the bounds: the curve's control sits at x = 60 at the end.
        EXPECT_NEAR(b.x1, tw(r.ratio == 0 ? 20 : r.ratio == 65535 ? 60 : 40), 1) << r.ratio;
        EXPECT_EQ(c.layers[0].fills[0].style.color.r, r.red) << r.ratio;
        EXPECT_EQ(c.layers[0].fills[0].style.color.b, r.blue) << r.ratio;
        ASSERT_EQ(c.layers[0].strokes.size(), 1u);
        EXPECT_EQ(c.layers[0].strokes[0].style.width, r.width) << r.ratio;
    }
    // Halfway, the straight side against the curved one becomes a curve.
    const swf::Shape half = player::interpolateMorph(m, 32768);
    int curves = 0;
    for (const swf::ShapeRecord& rec : half.records) curves += rec.kind == swf::ShapeRecord::Kind::CurvedEdge;
    EXPECT_EQ(curves, 1);
    // At ratio 0 the shape is exactly the start shape's outline.
    const swf::Shape start = player::interpolateMorph(m, 0);
    int straight = 0;
    for (const swf::ShapeRecord& rec : start.records) straight += rec.kind == swf::ShapeRecord::Kind::StraightEdge;
    EXPECT_EQ(straight, 3);  // the fourth side is a curve with its control point on the line
}

TEST(MorphShape, DrawnThroughThePlayerAtItsRatio) {
    swf::DefineMorphShape m = squareMorph();
    m.lines.clear();
    for (auto& rec : m.startEdges.records) rec.line = 0;
    swf::MovieWriter w(8, 100, 100);
    swf::PlaceObject p = shapes::placeAt(1, 1);
    p.ratio = 65535;
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}}).add(m).add(p).showFrame();
    const render::Pixmap pic = shapes::draw(w);
    EXPECT_EQ(shapes::at(pic, 30, 30), (render::Color{0, 0, 255, 255}));
    EXPECT_EQ(shapes::at(pic, 5, 5), (render::Color{255, 255, 255, 255}));
}

}  // namespace
