#include "sound/pcm.h"

#include <algorithm>

#include "core/bit_reader.h"

namespace sound {

const std::uint16_t kAdpcmSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,   253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,   876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749,  3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493,  10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

int swfRate(unsigned code) {
    static constexpr int kRates[4] = {5512, 11025, 22050, 44100};
    return kRates[code & 3];
}

int adpcmIndexChange(unsigned bits, unsigned magnitude) {
    // The low half of the magnitudes lowers the step, the high half raises it.
    static constexpr std::int8_t k2[2] = {-1, 2};
    static constexpr std::int8_t k3[4] = {-1, -1, 2, 4};
    static constexpr std::int8_t k4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    static constexpr std::int8_t k5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
    switch (bits) {
    case 2: return k2[magnitude & 1];
    case 3: return k3[magnitude & 3];
    case 4: return k4[magnitude & 7];
    default: return k5[magnitude & 15];
    }
}

Clip decodePcm(std::span<const std::uint8_t> data, int rate, bool sixteenBit, bool stereo, ByteOrder order) {
    Clip c;
    c.rate = rate;
    c.channels = stereo ? 2 : 1;
    std::size_t bytesPerFrame = (sixteenBit ? 2u : 1u) * static_cast<unsigned>(c.channels);
    std::size_t count = data.size() / bytesPerFrame * static_cast<unsigned>(c.channels);
    c.samples.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (sixteenBit) {
            std::uint8_t a = data[2 * i], b = data[2 * i + 1];
            c.samples[i] = static_cast<std::int16_t>(order == ByteOrder::Little ? (a | (b << 8)) : (b | (a << 8)));
        } else {
            c.samples[i] = static_cast<std::int16_t>((data[i] - 128) * 256);
        }
    }
    return c;
}

Clip decodeAdpcm(std::span<const std::uint8_t> data, int rate, bool stereo, std::size_t maxFrames) {
    Clip c;
    c.rate = rate;
    c.channels = stereo ? 2 : 1;
    core::BitReader r(data);
    const unsigned bits = r.ub(2) + 2;
    // Bits left, counted here: the reader yields zeros past the end but does not say how many
    // bits remain inside the last byte.
    std::size_t left = data.empty() ? 0 : data.size() * 8 - 2;
    const unsigned signBit = 1u << (bits - 1);
    const int nch = c.channels;
    // Each sample costs `bits` a channel; a packet header 22 bits a channel.
    std::size_t estimate = data.size() * 8 / (bits * static_cast<unsigned>(nch)) + 1;
    c.samples.reserve(std::min(estimate, maxFrames) * static_cast<unsigned>(nch));
    int sample[2] = {0, 0}, index[2] = {0, 0};
    std::size_t frames = 0;
    while (frames < maxFrames) {
        // A packet needs at least its header.
        if (left < 22u * static_cast<unsigned>(nch)) break;
        left -= 22u * static_cast<unsigned>(nch);
        for (int ch = 0; ch < nch; ++ch) {
            sample[ch] = r.sb(16);
            index[ch] = static_cast<int>(r.ub(6));
            c.samples.push_back(static_cast<std::int16_t>(sample[ch]));
        }
        ++frames;
        for (int n = 1; n < 4096 && frames < maxFrames; ++n) {
            if (left < bits * static_cast<unsigned>(nch)) return c;
            left -= bits * static_cast<unsigned>(nch);
            for (int ch = 0; ch < nch; ++ch) {
                unsigned code = r.ub(bits);
                int step = kAdpcmSteps[index[ch]];
                // delta = step * (magnitude + 1/2) / 2^(bits - 2), by shifts as the codec does.
                int delta = step >> (bits - 1);
                for (unsigned b = 0; b + 1 < bits; ++b)
                    if (code & (1u << (bits - 2 - b))) delta += step >> b;
                sample[ch] = std::clamp(sample[ch] + ((code & signBit) ? -delta : delta), -32768, 32767);
                index[ch] = std::clamp(index[ch] + adpcmIndexChange(bits, code & (signBit - 1)), 0, 88);
                c.samples.push_back(static_cast<std::int16_t>(sample[ch]));
            }
            ++frames;
        }
    }
    return c;
}

}  // namespace sound
