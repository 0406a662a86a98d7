#pragma once
// Decoded sound: 16-bit samples at their own rate, interleaved when stereo.

#include <cstdint>
#include <vector>

namespace sound {

struct Clip {
    int rate = 44100;
    int channels = 1;  // 1 or 2
    std::vector<std::int16_t> samples;
    std::size_t frames() const { return channels == 2 ? samples.size() / 2 : samples.size(); }
};

// The rate that SWF's 2-bit rate field names: 5512 (5.5 kHz), 11025, 22050, 44100.
int swfRate(unsigned code);

}  // namespace sound
