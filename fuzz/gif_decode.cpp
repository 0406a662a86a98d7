// Fuzz target: arbitrary bytes as GIF files (colour tables, interlace, LZW data). A decoded picture must hold exactly
// width x height RGBA pixels within the size limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codec/gif_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto img = codec::decodeGif(std::span<const std::uint8_t>(data, size));
    if (img) {
        if (img->width <= 0 || img->height <= 0 || img->width > codec::kMaxImageSide ||
            img->height > codec::kMaxImageSide ||
            img->rgba.size() != static_cast<std::size_t>(img->width) * img->height * 4)
            std::abort();
    }
    return 0;
}
