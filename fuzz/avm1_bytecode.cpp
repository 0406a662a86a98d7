// Fuzz target: random bytecode as the frame scripts, init actions and clip events of a small
// movie, run for a few frames under a small step budget. The first byte picks the SWF version
// (4-8); the rest is split into three action blocks. Crashes, hangs and sanitizer reports are
// bugs; scripts stopped by the budget are expected.
#include <cstddef>
#include <cstdint>
#include <span>

#include "player/player.h"
#include "swf/test_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    unsigned version = 4 + data[0] % 5;
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    std::size_t third = rest.size() / 3;
    swf::Bytes a(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(third));
    swf::Bytes b(rest.begin() + static_cast<std::ptrdiff_t>(third), rest.begin() + static_cast<std::ptrdiff_t>(2 * third));
    swf::Bytes c(rest.begin() + static_cast<std::ptrdiff_t>(2 * third), rest.end());

    // Sprite 1: two frames, the second runs block b. It is exported as "clip" for attachMovie.
    swf::DefineSprite sprite;
    sprite.id = 1;
    sprite.frameCount = 2;
    sprite.tags = {swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::DoAction{b}), swf::makeTag(swf::ShowFrame{}),
                   swf::makeTag(swf::End{})};
    swf::MovieWriter w(version);
    w.add(sprite);
    w.add(swf::ExportAssets{{swf::AssetRef{1, "clip"}}});
    w.add(swf::DoInitAction{1, c});
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    p.clipActions = {swf::ClipAction{0x03, 0, c}};  // load and enterFrame
    p.allEventFlags = 0x03;
    w.add(p);
    w.add(swf::DoAction{a});
    w.showFrame();
    w.add(swf::DoAction{b});
    w.showFrame();

    player::PlayerOptions options;
    options.scriptStepBudget = 20000;
    options.maxInstances = 2000;
    auto loaded = player::Player::loadBytes(w.finish(), options);
    if (!loaded.ok()) return 0;
    player::Player& pl = **loaded;
    for (int i = 0; i < 6; ++i) pl.advance();
    return 0;
}
