// Fuzz target: arbitrary bytes as SWF ADPCM, mono and stereo, with and without a sample count
// (taken from the first bytes). The output never exceeds what the bits can hold or the count.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sound/pcm.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> in(data, size);
    for (int channels = 1; channels <= 2; ++channels) {
        auto all = sound::decodeAdpcm(in, 11025, channels == 2);
        // At least 2 bits a sample: the bits bound the sample count.
        if (all.samples.size() > size * 8 / 2 + 2 || all.samples.size() % static_cast<std::size_t>(channels) != 0)
            std::abort();
        std::size_t count = size >= 2 ? (data[0] | (data[1] << 8)) : 0;
        auto capped = sound::decodeAdpcm(in, 11025, channels == 2, count);
        if (capped.frames() > count) std::abort();
    }
    return 0;
}
