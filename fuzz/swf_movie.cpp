// Fuzz target: parse a movie, then play a few hundred frames of it with jumps back and forth,
// walking the display list each frame. Any crash, hang or sanitizer report is a bug.
#include <cstddef>
#include <cstdint>
#include <span>

#include "player/player.h"
#include "swf/movie.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    player::PlayerOptions options;
    options.parse.maxDecompressedBytes = 8u << 20;  // keep each run small and fast
    options.maxInstances = 20000;
    auto loaded = player::Player::loadBytes(bytes, options);
    if (!loaded.ok()) return 0;
    player::Player& p = **loaded;
    std::size_t items = 0;
    for (int i = 0; i < 300; ++i) {
        p.advance();
        if (i % 7 == 0) items += p.drawList().items.size();
        if (i == 100) p.gotoFrame(static_cast<std::uint16_t>(p.frameCount() / 2));
        if (i == 150) p.rewind();
        if (i == 151) p.play();
        if (i == 200 && !p.root().timeline().labels().empty())
            p.gotoLabel(p.root().timeline().labels().begin()->first);
    }
    return items == static_cast<std::size_t>(-1) ? 1 : 0;
}
