#pragma once
// Helpers for the text tests: a font whose glyphs are simple rectangles with round numbers
// for advances and metrics, and text fields placed on a small stage.

#include <memory>
#include <string>

#include "player/player.h"
#include "swf/test_writer.h"

namespace textmovie {

// A rectangle glyph from (x0, y0) to (x1, y1) in font units.
inline swf::Shape rectGlyph(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    swf::Shape s;
    swf::ShapeRecord m;
    m.hasMove = m.hasFill1 = true;
    m.fill1 = 1;
    m.dx = x0;
    m.dy = y0;
    s.records.push_back(m);
    auto edge = [&s](std::int32_t dx, std::int32_t dy) {
        swf::ShapeRecord e;
        e.kind = swf::ShapeRecord::Kind::StraightEdge;
        e.dx = dx;
        e.dy = dy;
        s.records.push_back(e);
    };
    edge(x1 - x0, 0);
    edge(0, y1 - y0);
    edge(x0 - x1, 0);
    edge(0, y0 - y1);
    return s;
}

// Codes 'A' (a box 512 wide and 700 high on the baseline, advance 600) and ' ' (advance 300);
// ascent 800, descent 200. Version 3 stores everything 20 times finer.
inline swf::DefineFont boxFont(std::uint16_t id, unsigned version = 2, const std::string& name = "Boxes") {
    const std::int32_t k = version >= 3 ? 20 : 1;
    swf::DefineFont f;
    f.id = id;
    f.version = version;
    f.name = name;
    f.hasLayout = true;
    f.glyphs = {rectGlyph(0, -700 * k, 512 * k, 0), swf::Shape{}};
    f.codes = {'A', ' '};
    f.layout.ascent = static_cast<std::int16_t>(800 * k);
    f.layout.descent = static_cast<std::int16_t>(200 * k);
    f.layout.advances = {static_cast<std::int16_t>(600 * k), static_cast<std::int16_t>(300 * k)};
    f.layout.bounds = {swf::Rect{}, swf::Rect{}};
    return f;
}

// A field of the box font at 1024 twips, so that font units are twips.
inline swf::DefineEditText field(std::uint16_t id, std::uint16_t fontId, swf::Rect bounds,
                                 const std::string& text) {
    swf::DefineEditText e;
    e.id = id;
    e.bounds = bounds;
    e.fontId = fontId;
    e.fontHeight = 1024;
    e.color = swf::Rgba{0, 0, 255, 255};
    e.useOutlines = true;
    e.readOnly = true;
    e.initialText = text;
    return e;
}

inline swf::PlaceObject placeField(std::uint16_t depth, std::uint16_t id) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swf::Matrix{};
    return p;
}

// A loaded movie that shows `fieldDef` at depth 1 after its first frame.
inline std::unique_ptr<player::Player> showField(const swf::DefineEditText& fieldDef,
                                                 const swf::DefineFont& font, int width = 400, int height = 300) {
    swf::MovieWriter w(8, width, height);
    w.add(font).add(fieldDef).add(placeField(1, fieldDef.id)).showFrame();
    auto p = player::Player::loadBytes(w.finish());
    if (!p.ok()) return nullptr;
    (*p)->advance();
    return std::move(p).value();
}

inline player::EditText* fieldOf(player::Player& p) { return p.editTextAt(p.root(), 1); }

}  // namespace textmovie
