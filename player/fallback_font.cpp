// Decoding the fallback font's byte stream (the encoding is described in
// scripts/make_fallback_font.py): a verb byte, then signed byte deltas from the pen in steps of
// kGridUnits.
#include "player/fallback_font.h"

namespace player::fallback {

float advance(char32_t code) {
    if (!covers(code)) return 0.0f;
    return static_cast<float>(kAdvances[code - kFirstCode]) * 4.0f;
}

render::Path outline(char32_t code) {
    render::Path path;
    if (!covers(code)) return path;
    const std::uint8_t* p = kOutlines + kOffsets[code - kFirstCode];
    const float unit = static_cast<float>(kGridUnits);
    int x = 0, y = 0;
    bool open = false;
    auto delta = [&p]() { return static_cast<int>(static_cast<std::int8_t>(*p++)); };
    for (;;) {
        const std::uint8_t verb = *p++;
        if (verb == 0) break;
        if (verb == 3) {
            const int cx = x + delta(), cy = y + delta();
            x = cx + delta();
            y = cy + delta();
            path.quadTo(cx * unit, cy * unit, x * unit, y * unit);
            continue;
        }
        x += delta();
        y += delta();
        if (verb == 1) {
            // A long move is split into several; only the last one starts the contour.
            if (*p == 1) continue;
            if (open) path.close();
            path.moveTo(x * unit, y * unit);
            open = true;
        } else {
            path.lineTo(x * unit, y * unit);
        }
    }
    if (open) path.close();
    return path;
}

}  // namespace player::fallback
