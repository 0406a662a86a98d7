#pragma once
// Helpers for the rendering tests: shapes written record by record in pixels (stored as
// twips), and small movies drawn through the frame renderer.

#include <cmath>
#include <memory>
#include <vector>

#include "player/frame_renderer.h"
#include "player/player.h"
#include "swf/test_writer.h"

namespace shapes {

inline std::int32_t tw(double px) { return static_cast<std::int32_t>(std::lround(px * 20.0)); }

class Pen {
public:
    explicit Pen(std::vector<swf::ShapeRecord>& out) : m_out(out) {}

    Pen& style(double x, double y, std::uint32_t fill0, std::uint32_t fill1, std::uint32_t line = 0) {
        swf::ShapeRecord r;
        r.hasMove = r.hasFill0 = r.hasFill1 = r.hasLine = true;
        r.dx = tw(x);
        r.dy = tw(y);
        r.fill0 = static_cast<std::uint16_t>(fill0);
        r.fill1 = static_cast<std::uint16_t>(fill1);
        r.line = static_cast<std::uint16_t>(line);
        m_out.push_back(r);
        m_x = r.dx;
        m_y = r.dy;
        return *this;
    }
    Pen& newStyles(const swf::StyleTables& t, double x, double y, std::uint32_t fill1, std::uint32_t line = 0) {
        swf::ShapeRecord r;
        r.newStyles = t;
        r.hasMove = r.hasFill0 = r.hasFill1 = r.hasLine = true;
        r.dx = tw(x);
        r.dy = tw(y);
        r.fill1 = static_cast<std::uint16_t>(fill1);
        r.line = static_cast<std::uint16_t>(line);
        m_out.push_back(r);
        m_x = r.dx;
        m_y = r.dy;
        return *this;
    }
    Pen& move(double x, double y) {
        swf::ShapeRecord r;
        r.hasMove = true;
        r.dx = tw(x);
        r.dy = tw(y);
        m_out.push_back(r);
        m_x = r.dx;
        m_y = r.dy;
        return *this;
    }
    Pen& line(double x, double y) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = tw(x) - m_x;
        r.dy = tw(y) - m_y;
        m_out.push_back(r);
        m_x += r.dx;
        m_y += r.dy;
        return *this;
    }
    Pen& curve(double cx, double cy, double x, double y) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::CurvedEdge;
        r.controlDx = tw(cx) - m_x;
        r.controlDy = tw(cy) - m_y;
        r.dx = tw(x) - tw(cx);
        r.dy = tw(y) - tw(cy);
        m_out.push_back(r);
        m_x = tw(x);
        m_y = tw(y);
        return *this;
    }
    // A closed rectangle from the current pen position's style (call style() first).
    Pen& rect(double x0, double y0, double x1, double y1) {
        return line(x1, y0).line(x1, y1).line(x0, y1).line(x0, y0);
    }

private:
    std::vector<swf::ShapeRecord>& m_out;
    std::int32_t m_x = 0, m_y = 0;
};

inline swf::FillStyle solid(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
    swf::FillStyle f;
    f.color = {r, g, b, a};
    return f;
}

inline swf::DefineShape shapeWith(std::uint16_t id, std::vector<swf::FillStyle> fills,
                                  std::vector<swf::LineStyle> lines = {}) {
    swf::DefineShape s;
    s.id = id;
    s.version = 3;
    s.bounds = {0, tw(400), 0, tw(400)};
    s.shape.styles.fills = std::move(fills);
    s.shape.styles.lines = std::move(lines);
    return s;
}

inline swf::PlaceObject placeAt(std::uint16_t depth, std::uint16_t id, double x = 0, double y = 0) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swf::Matrix{1, 0, 0, 1, tw(x), tw(y)};
    return p;
}

// Loads the movie, runs `frames` iterations and draws it at width x height (stage size for 0).
inline render::Pixmap draw(const swf::MovieWriter& w, int width = 0, int height = 0,
                           player::Quality q = player::Quality::High, int frames = 1,
                           player::RenderReport* report = nullptr) {
    auto p = player::Player::loadBytes(w.finish());
    if (!p.ok()) return {};
    for (int i = 0; i < frames; ++i) (*p)->advance();
    player::FrameRenderer r((*p)->library());
    r.setQuality(q);
    render::Pixmap out = player::renderPlayerFrame(**p, r, width, height);
    if (report) *report = r.report();
    return out;
}

inline render::Color at(const render::Pixmap& p, int x, int y) { return render::unpremultiply(p.at(x, y)); }

}  // namespace shapes
