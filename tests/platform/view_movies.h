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

// About 10 MB, for start-up figures: 3400 shapes of 400 edges each, 1000 frames at 30 fps that
// place them at 50 depths, and the red square centred on top from frame 1 to the end (so the
// first frame draws 21 large shapes and the square stays where a screenshot can find it).
inline std::vector<std::uint8_t> bigMovie() {
    constexpr std::uint16_t kShapes = 5200;
    swf::MovieWriter w(8, kStage, kStage, 30.0);
    w.add(swf::SetBackgroundColor{kBlue});
    for (std::uint16_t id = 1; id <= kShapes; ++id) {
        swf::DefineShape s;
        s.id = id;
        s.version = 3;
        s.bounds = {-4000, 4000, -4000, 4000};
        swf::FillStyle f;
        f.color = {0, std::uint8_t(id), 160, 255};
        s.shape.styles.fills = {f};
        swf::LineStyle l;
        l.width = 20;
        s.shape.styles.lines = {l};
        swf::ShapeRecord start;
        start.hasMove = start.hasFill1 = start.hasLine = true;
        start.dx = id % 100;
        start.fill1 = 1;
        start.line = 1;
        s.shape.records.push_back(start);
        for (int e = 0; e < 400; ++e) {
            swf::ShapeRecord r;
            r.kind = e % 2 ? swf::ShapeRecord::Kind::CurvedEdge : swf::ShapeRecord::Kind::StraightEdge;
            r.dx = (e * 37 + id) % 2001 - 1000;
            r.dy = (e * 91) % 1601 - 800;
            r.controlDx = (e * 13) % 301 - 150;
            r.controlDy = (e * 17) % 301 - 150;
            s.shape.records.push_back(r);
        }
        w.add(s);
    }
    constexpr std::uint16_t kSquareId = kShapes + 1;
    w.add(square(kSquareId, kRed));
    const int centre = (kStage - kSquare) / 2;
    for (int f = 0; f < 1000; ++f) {
        if (f == 0) {
            for (std::uint16_t d = 1; d <= 20; ++d) w.add(placeAt(d, d, 50, 50));
            w.add(placeAt(1000, kSquareId, centre, centre));
        }
        swf::PlaceObject p = placeAt(static_cast<std::uint16_t>(1 + f % 50),
                                     static_cast<std::uint16_t>(1 + f % kShapes), f % 100, f % 100);
        w.add(p).showFrame();
    }
    return w.finish();
}

}  // namespace view_movies
