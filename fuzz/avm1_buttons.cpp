// Fuzz target: random bytecode behind buttons and mouse input. A named button runs block b on
// every transition, a clip runs it on its press and release events, and block a (the frame
// script) can give either handlers, disable them, remove or duplicate them. The last bytes
// drive the pointer and the mouse button between frames. Crashes, hangs and sanitizer reports
// are bugs; scripts stopped by the budget are expected.
#include <cstddef>
#include <cstdint>
#include <span>

#include "player/player.h"
#include "swf/test_writer.h"

namespace {

// A 40 px square (shape `id`).
swf::DefineShape square(std::uint16_t id) {
    swf::DefineShape s;
    s.id = id;
    s.version = 3;
    s.bounds = {0, 800, 0, 800};
    swf::FillStyle f;
    f.color = {0, 0, 200, 255};
    s.shape.styles.fills = {f};
    swf::ShapeRecord m;
    m.hasMove = m.hasFill1 = true;
    m.fill1 = 1;
    s.shape.records.push_back(m);
    const int edges[4][2] = {{800, 0}, {0, 800}, {-800, 0}, {0, -800}};
    for (const auto& e : edges) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = e[0];
        r.dy = e[1];
        s.shape.records.push_back(r);
    }
    return s;
}

swf::PlaceObject placed(std::uint16_t depth, std::uint16_t id, const char* name, std::int32_t x) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.name = name;
    p.matrix = swf::Matrix{1, 0, 0, 1, x, 0};
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const unsigned version = 5 + data[0] % 4;
    const std::size_t inputs = std::min<std::size_t>(data[1], size - 2) / 2 * 2;  // mouse steps, 2 bytes each
    std::span<const std::uint8_t> rest(data + 2, size - 2 - inputs);
    std::span<const std::uint8_t> mouse(data + size - inputs, inputs);
    const std::size_t half = rest.size() / 2;
    swf::Bytes a(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(half));
    swf::Bytes b(rest.begin() + static_cast<std::ptrdiff_t>(half), rest.end());

    swf::MovieWriter w(version, 200, 100);
    w.add(square(10));
    swf::DefineButton button;
    button.id = 20;
    button.version = 2;
    swf::ButtonRecord r;
    r.characterId = 10;
    r.depth = 1;
    r.up = r.over = r.down = r.hitTest = true;
    button.records = {r};
    button.actions = {{0x01FF, b}};
    w.add(button);
    swf::DefineSprite sprite;  // holds the button too, so clips with handlers cover buttons
    sprite.id = 30;
    sprite.frameCount = 1;
    sprite.tags = {swf::makeTag(placed(1, 10, "face", 0)), swf::makeTag(placed(2, 20, "inner", 400)),
                   swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(sprite);
    w.add(swf::ExportAssets{{swf::AssetRef{20, "button"}, swf::AssetRef{30, "clip"}}});
    w.add(placed(1, 20, "btn", 0));
    swf::PlaceObject clip = placed(2, 30, "kid", 1000);
    clip.clipActions = {swf::ClipAction{0x1FC00, 0, b}};  // press, release, roll and drag events
    clip.allEventFlags = 0x1FC00;
    w.add(clip);
    w.add(swf::DoAction{a});
    w.showFrame();
    w.showFrame();

    player::PlayerOptions options;
    options.scriptStepBudget = 20000;
    options.maxInstances = 2000;
    auto loaded = player::Player::loadBytes(w.finish(), options);
    if (!loaded.ok()) return 0;
    player::Player& pl = **loaded;
    pl.advance();
    for (std::size_t i = 0; i + 1 < mouse.size(); i += 2) {
        switch (mouse[i] % 4) {
        case 0: pl.mouseMove(mouse[i + 1] % 200, mouse[i + 1] / 200.0 * 100); break;
        case 1: pl.mouseDown(); break;
        case 2: pl.mouseUp(); break;
        default: pl.advance(); break;
        }
    }
    pl.advance();
    return 0;
}
