// Fuzz target: load a movie, run a few frames and draw each of them small, at both quality
// levels and in a letterboxed size, so shape conversion, morphs, bitmap decoding, clip layers
// and text all see hostile input. Any crash, hang or sanitizer report is a bug, and so is a
// frame that changes when it is drawn again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "player/frame_renderer.h"
#include "player/player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    player::PlayerOptions options;
    options.parse.maxDecompressedBytes = 4u << 20;
    options.maxInstances = 5000;
    auto loaded = player::Player::loadBytes(std::span<const std::uint8_t>(data, size), options);
    if (!loaded.ok()) return 0;
    player::Player& p = **loaded;
    player::FrameRenderer renderer(p.library());
    std::uint64_t sum = 0;
    for (int frame = 0; frame < 6; ++frame) {
        p.advance();
        renderer.setQuality(frame % 2 ? player::Quality::Low : player::Quality::High);
        const render::Pixmap a = player::renderPlayerFrame(p, renderer, 48, 32);
        // Drawn twice more, the frame's unchanged layers are kept and then reused: the picture
        // must stay the same.
        player::renderPlayerFrame(p, renderer, 48, 32);
        if (player::renderPlayerFrame(p, renderer, 48, 32).pixels() != a.pixels()) __builtin_trap();
        const render::Pixmap b = player::renderPlayerFrame(p, renderer, 17, 61);
        sum += a.pixels().empty() ? 0 : a.pixels()[0];
        sum += b.pixels().empty() ? 0 : b.pixels()[b.pixels().size() / 2];
    }
    return sum == 1 ? 0 : 0;
}
