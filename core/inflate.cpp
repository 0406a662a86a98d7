#include "core/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <string>

namespace core {

Result<InflateResult> inflateZlib(std::span<const std::uint8_t> input, std::size_t maxOutput,
                                  std::size_t sizeHint, InflateOverflow overflow) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return makeError(ErrorCode::Corrupt, "zlib initialisation failed");

    InflateResult out;
    // A declared size is a hint, not a promise: reserve no more than the input could plausibly
    // expand to, so a tiny file that claims a huge size costs nothing up front.
    out.data.reserve(std::min({sizeHint, maxOutput, input.size() * 8 + 65536}));
    // zlib counts in uInt; feed the input in pieces that fit.
    const std::uint8_t* in = input.data();
    std::size_t inLeft = input.size();
    std::uint8_t chunk[16384];
    int rc = Z_OK;
    while (true) {
        if (zs.avail_in == 0 && inLeft > 0) {
            std::size_t n = std::min<std::size_t>(inLeft, 1u << 30);
            zs.next_in = const_cast<Bytef*>(in);
            zs.avail_in = static_cast<uInt>(n);
            in += n;
            inLeft -= n;
        }
        zs.next_out = chunk;
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        std::size_t produced = sizeof chunk - zs.avail_out;
        if (produced > maxOutput - out.data.size()) {
            inflateEnd(&zs);
            if (overflow == InflateOverflow::Truncate) {
                out.data.insert(out.data.end(), chunk, chunk + (maxOutput - out.data.size()));
                return out;
            }
            return makeError(ErrorCode::TooLarge,
                             "decompressed data exceeds " + std::to_string(maxOutput) + " bytes");
        }
        out.data.insert(out.data.end(), chunk, chunk + produced);
        if (rc == Z_STREAM_END) {
            out.complete = true;
            break;
        }
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && inLeft == 0) break;  // input ran out
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            std::uint64_t at = static_cast<std::uint64_t>(input.size() - inLeft - zs.avail_in);
            std::string why = zs.msg ? zs.msg : "invalid data";
            inflateEnd(&zs);
            return makeError(ErrorCode::Corrupt, "zlib: " + why, at);
        }
        if (produced == 0 && zs.avail_in == 0 && inLeft == 0) break;
    }
    inflateEnd(&zs);
    return out;
}

}  // namespace core
