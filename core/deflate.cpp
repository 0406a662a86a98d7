// deflateZlib lives apart from the inflater: programs that only read movies then never link
// zlib's compressor.
#include <zlib.h>

#include "core/inflate.h"

namespace core {

std::vector<std::uint8_t> deflateZlib(std::span<const std::uint8_t> input, int level) {
    uLongf bound = compressBound(static_cast<uLong>(input.size()));
    std::vector<std::uint8_t> out(bound);
    if (compress2(out.data(), &bound, input.data(), static_cast<uLong>(input.size()), level) != Z_OK)
        return {};
    out.resize(bound);
    return out;
}

}  // namespace core
