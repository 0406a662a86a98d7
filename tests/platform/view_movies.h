#pragma once
// Small movies for the player view tests, written with the SWF test writer: a red square on a
// blue stage, one that moves between frames, and sprites that animate or stand still.

#include <cstdint>
#include <vector>

#include "swf/test_writer.h"

namespace view_movies {

inline constexpr int kStage = 100;   // stage side in pixels
inline constexpr int kSquare = 40;   // the square's side in pixels
inline constexpr swf::Rgba kBlue{0, 0, 255, 255};
inline constexpr swf::Rgba kRed{255, 0, 0, 255};
inline constexpr swf::Rgba kGreen{0, 255, 0, 255};

// A filled square of `side` pixels with its top-left corner at the character's origin.
inline swf::DefineShape square(std::uint16_t id, swf::Rgba colour, int side = kSquare) {
    const std::int32_t s = side * 20;
    swf::DefineShape shape;
    shape.id = id;
    shape.version = 3;
    shape.bounds = {0, s, 0, s};
    swf::FillStyle fill;
    fill.color = colour;
    shape.shape.styles.fills = {fill};
    swf::ShapeRecord start;
    start.hasMove = start.hasFill1 = true;
    start.fill1 = 1;
    shape.shape.records.push_back(start);
    const std::int32_t steps[4][2] = {{s, 0}, {0, s}, {-s, 0}, {0, -s}};
    for (const auto& st : steps) {
        swf::ShapeRecord e;
        e.kind = swf::ShapeRecord::Kind::StraightEdge;
        e.dx = st[0];
        e.dy = st[1];
        shape.shape.records.push_back(e);
    }
    return shape;
}

inline swf::PlaceObject placeAt(std::uint16_t depth, std::uint16_t id, int xPx, int yPx) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = swf::Matrix{1, 0, 0, 1, xPx * 20, yPx * 20};
    return p;
}

inline swf::PlaceObject moveTo(std::uint16_t depth, int xPx, int yPx) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.move = true;
    p.matrix = swf::Matrix{1, 0, 0, 1, xPx * 20, yPx * 20};
    return p;
}

// Frame 1: the red square centred on the blue stage. Each further frame moves it: frame 2 to
// the top-left corner, frame 3 to the bottom-right corner, then back to the centre, and so on.
// `stillFrames` extra frames at the end change nothing.
inline std::vector<std::uint8_t> squareMovie(unsigned frames = 1, double rate = 24.0,
                                             unsigned stillFrames = 0) {
    swf::MovieWriter w(8, kStage, kStage, rate);
    w.add(swf::SetBackgroundColor{kBlue});
    w.add(square(1, kRed));
    const int centre = (kStage - kSquare) / 2;
    w.add(placeAt(1, 1, centre, centre)).showFrame();
    const int spots[3][2] = {{0, 0}, {kStage - kSquare, kStage - kSquare}, {centre, centre}};
    for (unsigned f = 1; f < frames; ++f) {
        const auto& s = spots[(f - 1) % 3];
        w.add(moveTo(1, s[0], s[1])).showFrame();
    }
    for (unsigned f = 0; f < stillFrames; ++f) w.showFrame();
    return w.finish();
}

// A one-frame main timeline holding a sprite of `spriteFrames` frames whose square moves
// across the stage (a sprite of one frame stands still).
inline std::vector<std::uint8_t> spriteMovie(unsigned spriteFrames, double rate = 24.0) {
    swf::MovieWriter w(8, kStage, kStage, rate);
    w.add(swf::SetBackgroundColor{kBlue});
    w.add(square(1, kGreen, 10));
    swf::DefineSprite sprite;
    sprite.id = 2;
    sprite.frameCount = static_cast<std::uint16_t>(spriteFrames);
    sprite.tags.push_back(swf::makeTag(placeAt(1, 1, 0, 0)));
    sprite.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    for (unsigned f = 1; f < spriteFrames; ++f) {
        sprite.tags.push_back(swf::makeTag(moveTo(1, static_cast<int>(f) * 10 % 90, 0)));
        sprite.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    }
    sprite.tags.push_back(swf::makeTag(swf::End{}));
    w.add(sprite);
    w.add(placeAt(1, 2, 0, 45)).showFrame();
    return w.finish();
}

}  // namespace view_movies
