// Builds the demo movie (see demo_movie.h). Shapes are written as SWF records directly: moves,
// straight edges and quadratic curves in twips.
#include "cli/demo/demo_movie.h"

#include <cmath>
#include <vector>

#include "swf/test_writer.h"

namespace demo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFrames = 72;

// Appends edge records to a record list, tracking the pen.
class Pen {
public:
    explicit Pen(std::vector<swf::ShapeRecord>& out) : m_out(out) {}

    void style(std::int32_t x, std::int32_t y, std::uint32_t fill1, std::uint32_t line,
               std::uint32_t fill0 = 0) {
        swf::ShapeRecord r;
        r.hasMove = r.hasFill0 = r.hasFill1 = r.hasLine = true;
        r.dx = x;
        r.dy = y;
        r.fill0 = static_cast<std::uint16_t>(fill0);
        r.fill1 = static_cast<std::uint16_t>(fill1);
        r.line = static_cast<std::uint16_t>(line);
        m_out.push_back(r);
        m_x = x;
        m_y = y;
    }
    void move(std::int32_t x, std::int32_t y) {
        swf::ShapeRecord r;
        r.hasMove = true;
        r.dx = x;
        r.dy = y;
        m_out.push_back(r);
        m_x = x;
        m_y = y;
    }
    void line(std::int32_t x, std::int32_t y) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = x - m_x;
        r.dy = y - m_y;
        m_out.push_back(r);
        m_x = x;
        m_y = y;
    }
    void curve(std::int32_t cx, std::int32_t cy, std::int32_t x, std::int32_t y) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::CurvedEdge;
        r.controlDx = cx - m_x;
        r.controlDy = cy - m_y;
        r.dx = x - cx;
        r.dy = y - cy;
        m_out.push_back(r);
        m_x = x;
        m_y = y;
    }

private:
    std::vector<swf::ShapeRecord>& m_out;
    std::int32_t m_x = 0, m_y = 0;
};

std::int32_t px(double v) { return static_cast<std::int32_t>(std::lround(v * 20.0)); }

// A circle of eight quadratic arcs around (cx, cy), radius r (pixels), after the pen's move.
void circleEdges(Pen& pen, double cx, double cy, double r) {
    const double cr = r / std::cos(kPi / 8);
    for (int k = 0; k < 8; ++k) {
        const double mid = (k + 0.5) * kPi / 4, end = (k + 1) * kPi / 4;
        pen.curve(px(cx + cr * std::cos(mid)), px(cy + cr * std::sin(mid)), px(cx + r * std::cos(end)),
                  px(cy + r * std::sin(end)));
    }
}

swf::Rect box(double x0, double y0, double x1, double y1) {
    return swf::Rect{px(x0), px(x1), px(y0), px(y1)};
}

swf::FillStyle solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    swf::FillStyle f;
    f.color = {r, g, b, a};
    return f;
}

swf::FillStyle gradient(swf::FillKind kind, const swf::Matrix& m, std::vector<swf::GradientStop> stops) {
    swf::FillStyle f;
    f.kind = kind;
    f.matrix = m;
    f.gradient.stops = std::move(stops);
    return f;
}

// The sky: a vertical linear gradient over the whole stage.
swf::DefineShape sky() {
    swf::DefineShape s;
    s.id = 1;
    s.version = 3;
    s.bounds = box(0, 0, 550, 400);
    // Gradient square (32768 twips) scaled to the stage height and turned upright.
    const double k = 8000.0 / 32768.0;
    s.shape.styles.fills = {
        gradient(swf::FillKind::LinearGradient, swf::Matrix{0, k, -k, 0, 5500, 4000},
                 {{0, {12, 20, 64, 255}}, {160, {60, 80, 160, 255}}, {255, {250, 170, 120, 255}}})};
    Pen pen(s.shape.records);
    pen.style(0, 0, 1, 0);
    pen.line(px(550), 0);
    pen.line(px(550), px(400));
    pen.line(0, px(400));
    pen.line(0, 0);
    return s;
}

// Two hills in one shape: the back hill (fill 1) and the front hill (fill 2) share the curve
// between them, which carries fill 1 on its right and fill 2 on its left.
swf::DefineShape hills() {
    swf::DefineShape s;
    s.id = 7;
    s.version = 3;
    s.bounds = box(0, 240, 550, 400);
    s.shape.styles.fills = {solid(40, 110, 60), solid(30, 85, 50)};
    Pen pen(s.shape.records);
    pen.style(0, px(300), 1, 0);
    pen.curve(px(300), px(200), px(550), px(280));
    pen.line(px(550), px(330));
    pen.style(px(550), px(330), 1, 0, 2);
    pen.curve(px(250), px(300), 0, px(360));
    pen.style(0, px(360), 1, 0);
    pen.line(0, px(300));
    pen.style(0, px(360), 0, 0, 2);
    pen.line(0, px(400));
    pen.line(px(550), px(400));
    pen.line(px(550), px(330));
    return s;
}

// The sun: a radial gradient disc with a soft yellow rim stroke.
swf::DefineShape sun() {
    swf::DefineShape s;
    s.id = 2;
    s.version = 3;
    s.bounds = box(-50, -50, 50, 50);
    const double k = 40.0 * 20.0 / 16384.0;
    s.shape.styles.fills = {gradient(swf::FillKind::RadialGradient, swf::Matrix{k, 0, 0, k, 0, 0},
                                     {{0, {255, 255, 220, 255}}, {200, {255, 200, 60, 255}},
                                      {255, {255, 120, 40, 0}}})};
    swf::LineStyle rim;
    rim.width = 60;
    rim.color = {255, 230, 120, 160};
    s.shape.styles.lines = {rim};
    Pen pen(s.shape.records);
    pen.style(px(40), 0, 1, 1);
    circleEdges(pen, 0, 0, 40);
    return s;
}

// A five-pointed star around the origin with a thick mitred outline (DefineShape4).
swf::DefineShape star() {
    swf::DefineShape s;
    s.id = 3;
    s.version = 4;
    s.bounds = box(-60, -60, 60, 60);
    s.edgeBounds = s.bounds;
    s.shape.styles.fills = {solid(250, 210, 50)};
    swf::LineStyle outline;
    outline.width = 100;
    outline.color = {200, 60, 30, 255};
    outline.join = swf::JoinStyle::Miter;
    outline.miterLimit = 3;
    s.shape.styles.lines = {outline};
    Pen pen(s.shape.records);
    for (int i = 0; i <= 10; ++i) {
        const double a = -kPi / 2 + i * kPi / 5;
        const double r = (i % 2 == 0) ? 50 : 22;
        const std::int32_t x = px(r * std::cos(a)), y = px(r * std::sin(a));
        if (i == 0) pen.style(x, y, 1, 1);
        else pen.line(x, y);
    }
    return s;
}

// A square that morphs into a circle, red to blue, its outline thickening.
swf::DefineMorphShape morph() {
    swf::DefineMorphShape m;
    m.id = 4;
    m.startBounds = box(-40, -40, 40, 40);
    m.endBounds = box(-45, -45, 45, 45);
    m.fills = {swf::MorphFillStyle{solid(220, 40, 60), solid(40, 90, 230)}};
    swf::LineStyle a, b;
    a.width = 40;
    a.color = {255, 255, 255, 255};
    b.width = 160;
    b.color = {20, 20, 40, 255};
    m.lines = {swf::MorphLineStyle{a, b}};
    // Eight edges each: the square's sides split in two, the circle's eighth arcs.
    Pen start(m.startEdges.records);
    const double h = 40;
    const std::int32_t sq[8][2] = {{px(h), px(h)},  {0, px(h)},  {px(-h), px(h)}, {px(-h), 0},
                                   {px(-h), px(-h)}, {0, px(-h)}, {px(h), px(-h)}, {px(h), 0}};
    start.style(px(h), 0, 1, 1);
    for (const auto& p : sq) start.line(p[0], p[1]);
    Pen end(m.endEdges.records);
    end.move(px(45), 0);
    circleEdges(end, 0, 0, 45);
    return m;
}

// A small bouncing ball for the sprite.
swf::DefineShape ball() {
    swf::DefineShape s;
    s.id = 5;
    s.version = 3;
    s.bounds = box(-12, -12, 12, 12);
    const double k = 12.0 * 20.0 / 16384.0;
    swf::FillStyle f = gradient(swf::FillKind::FocalRadialGradient, swf::Matrix{k, 0, 0, k, 0, 0},
                                {{0, {255, 255, 255, 255}}, {255, {90, 200, 120, 255}}});
    f.gradient.focalPoint = -0.5;
    s.shape.styles.fills = {f};
    Pen pen(s.shape.records);
    pen.style(px(12), 0, 1, 0);
    circleEdges(pen, 0, 0, 12);
    return s;
}

swf::PlaceObject place(std::uint16_t depth, std::optional<std::uint16_t> id, const swf::Matrix& m,
                       bool move) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.move = move;
    p.characterId = id;
    p.matrix = m;
    return p;
}

// The sprite: the ball bounces over 24 frames of its own timeline.
swf::DefineSprite bouncer() {
    swf::DefineSprite s;
    s.id = 6;
    s.frameCount = 24;
    for (int f = 0; f < 24; ++f) {
        const double t = f / 24.0;
        const double y = -std::abs(std::sin(t * kPi)) * 80.0;
        const double squash = 1.0 - 0.25 * std::pow(std::cos(t * kPi), 8);
        swf::Matrix m{1.0 / squash, 0, 0, squash, 0, px(y)};
        s.tags.push_back(swf::makeTag(place(1, f == 0 ? std::optional<std::uint16_t>(5) : std::nullopt,
                                            m, f != 0)));
        s.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    }
    s.tags.push_back(swf::makeTag(swf::End{}));
    return s;
}

swf::Matrix rotation(double angle, double x, double y, double scale = 1.0) {
    const double c = std::cos(angle) * scale, s = std::sin(angle) * scale;
    return swf::Matrix{c, s, -s, c, px(x), px(y)};
}

}  // namespace

swf::Bytes buildDemoMovie() {
    swf::MovieWriter w(8, 550, 400, 24.0);
    w.add(swf::SetBackgroundColor{{12, 20, 64, 255}});
    w.add(sky()).add(hills()).add(sun()).add(star()).add(morph()).add(ball()).add(bouncer());
    for (int f = 0; f < kFrames; ++f) {
        const double t = static_cast<double>(f) / kFrames;  // 0..1 over the loop
        const bool first = f == 0;
        auto id = [&](std::uint16_t v) { return first ? std::optional<std::uint16_t>(v) : std::nullopt; };
        if (first) {
            w.add(place(1, 1, swf::Matrix{}, false));
            w.add(place(3, 7, swf::Matrix{}, false));
        }
        // The sun rises and sets along an arc, pulsing slightly.
        swf::PlaceObject sunPlace = place(2, id(2),
                                          rotation(0, 60 + 430 * t, 330 - 250 * std::sin(t * kPi),
                                                   1.0 + 0.08 * std::sin(t * 6 * kPi)),
                                          !first);
        w.add(sunPlace);
        w.add(place(4, id(3), rotation(t * 2 * kPi, 140, 110, 1.0 + 0.2 * std::sin(t * 2 * kPi)), !first));
        swf::PlaceObject m = place(5, id(4), rotation(-t * kPi, 400, 120), !first);
        // Ratio runs 0 -> 1 -> 0 over the loop.
        m.ratio = static_cast<std::uint16_t>(std::lround(65535.0 * (1.0 - std::cos(t * 2 * kPi)) / 2.0));
        w.add(m);
        if (first) {
            for (int i = 0; i < 3; ++i) {
                swf::PlaceObject s = place(static_cast<std::uint16_t>(6 + i), 6,
                                           swf::Matrix{1, 0, 0, 1, px(200 + 110 * i), px(360)}, false);
                swf::ColorTransform cx;
                cx.rMul = static_cast<std::int16_t>(256 - 60 * i);
                cx.bAdd = static_cast<std::int16_t>(60 * i);
                s.colorTransform = cx;
                w.add(s);
            }
        }
        w.showFrame();
    }
    return w.finish(swf::Compression::Zlib);
}

}  // namespace demo
