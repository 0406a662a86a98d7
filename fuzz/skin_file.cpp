// Fuzzes the skin file parser: any bytes must give a skin or an error value, never a crash;
// an accepted skin has a supported format and a safe image name, an error points inside the input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "skin/skin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto r = skin::parseSkin(text);
    if (r.ok()) {
        // Every accepted skin names a supported format and a safe image, if any.
        if (r->format != skin::kSkinFormat) __builtin_trap();
        if (!r->window.image.empty() && !skin::isSafeImageName(r->window.image)) __builtin_trap();
    } else if (r.error().offset && *r.error().offset > size) {
        __builtin_trap();  // an error points inside the input
    }
    return 0;
}
