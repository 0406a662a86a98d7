#pragma once
// Helpers for the decoder tests: the committed pictures of data/ (made by make_test_images.sh)
// and comparisons against their raw source pixels.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/image.h"

namespace codec_test {

inline std::vector<std::uint8_t> readData(const std::string& name) {
    std::ifstream in(std::string(VFS_SOURCE_DIR) + "/tests/codec/data/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Raw pixels with `channels` bytes each, widened to RGBA (grey repeated, opaque when no alpha).
inline std::vector<std::uint8_t> readRaw(const std::string& name, int channels) {
    const std::vector<std::uint8_t> raw = readData(name);
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + channels <= raw.size(); i += channels) {
        const std::uint8_t* p = raw.data() + i;
        if (channels == 1) out.insert(out.end(), {p[0], p[0], p[0], 255});
        else out.insert(out.end(), {p[0], p[1], p[2], channels == 4 ? p[3] : std::uint8_t{255}});
    }
    return out;
}

struct Difference {
    double mean = 0;  // over all colour channels of all pixels
    int max = 0;
};

// Colour channels of pixels with alpha are compared; fully transparent pixels only by alpha.
inline Difference compare(const codec::Image& img, const std::vector<std::uint8_t>& expected) {
    Difference d;
    if (img.rgba.size() != expected.size()) return {1e9, 1 << 30};
    long sum = 0;
    for (std::size_t i = 0; i < expected.size(); i += 4) {
        const int channels = expected[i + 3] == 0 ? 0 : 3;
        for (int c = 0; c < channels; ++c) {
            const int e = std::abs(img.rgba[i + c] - expected[i + c]);
            sum += e;
            d.max = std::max(d.max, e);
        }
        d.max = std::max(d.max, std::abs(img.rgba[i + 3] - expected[i + 3]));
    }
    d.mean = static_cast<double>(sum) / (expected.size() / 4 * 3);
    return d;
}

}  // namespace codec_test
