// Fuzz target: arbitrary bytes as an MP3 stream, fed whole and then in two pieces split where
// the first byte says. Every frame decoded adds whole granules of stereo samples, and the two
// feeds decode the same samples.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "sound/mp3_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> in(data, size);
    sound::Mp3Decoder whole;
    std::vector<std::int16_t> a;
    whole.decode(in, a);
    if (a.size() % (576 * 2) != 0) std::abort();

    sound::Mp3Decoder pieces;
    std::vector<std::int16_t> b;
    std::size_t cut = size ? data[0] % (size + 1) : 0;
    pieces.decode(in.first(cut), b);
    pieces.decode(in.subspan(cut), b);
    if (a != b) std::abort();
    return 0;
}
