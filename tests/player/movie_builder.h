#pragma once
// Helpers for the player tests: small movies built tag by tag.

#include <memory>

#include "player/player.h"
#include "swf/test_writer.h"

namespace testmovie {

inline swf::DefineShape box(std::uint16_t id) {
    swf::DefineShape s;
    s.id = id;
    s.bounds = {0, 200, 0, 200};
    swf::FillStyle f;
    f.color = {std::uint8_t(id * 10), 0, 0, 255};
    s.shape.styles.fills = {f};
    swf::ShapeRecord m;
    m.hasMove = true;
    m.hasFill1 = true;
    m.fill1 = 1;
    swf::ShapeRecord e;
    e.kind = swf::ShapeRecord::Kind::StraightEdge;
    e.dx = 200;
    s.shape.records = {m, e};
    return s;
}

inline swf::PlaceObject place(std::uint16_t depth, std::uint16_t id, std::int32_t x = 0) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swf::Matrix{1, 0, 0, 1, x, 0};
    return p;
}

inline swf::PlaceObject moveTo(std::uint16_t depth, std::int32_t x) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.move = true;
    p.matrix = swf::Matrix{1, 0, 0, 1, x, 0};
    return p;
}

inline swf::PlaceObject replaceWith(std::uint16_t depth, std::uint16_t id) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.move = true;
    p.characterId = id;
    return p;
}

inline swf::RemoveObject removeAt(std::uint16_t depth) { return swf::RemoveObject{2, std::nullopt, depth}; }

// A sprite whose frames each place a different box at depth 1 (so its frame is visible).
inline swf::DefineSprite countingSprite(std::uint16_t id, std::uint16_t firstBox, unsigned frames) {
    swf::DefineSprite s;
    s.id = id;
    s.frameCount = static_cast<std::uint16_t>(frames);
    for (unsigned f = 0; f < frames; ++f) {
        s.tags.push_back(swf::makeTag(place(1, static_cast<std::uint16_t>(firstBox + f))));
        s.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    }
    s.tags.push_back(swf::makeTag(swf::End{}));
    return s;
}

inline std::unique_ptr<player::Player> load(const swf::MovieWriter& w, player::PlayerOptions o = {}) {
    auto p = player::Player::loadBytes(w.finish(), o);
    if (!p.ok()) return nullptr;
    return std::move(p).value();
}

}  // namespace testmovie
