#pragma once
// Comparing two pictures the way reference-picture tests do: for every pixel and every channel a
// difference above the tolerance counts one outlier; PSNR over all four channels summarises how
// close the pictures are.

#include <cstdint>

#include "render/image.h"

namespace render {

struct ImageDiff {
    bool sameSize = false;
    std::uint64_t outliers = 0;  // channel values differing by more than the tolerance
    int maxDifference = 0;       // largest channel difference
    double psnr = 0.0;           // dB over R, G, B and A; infinity for identical pictures
};

// Pictures of different sizes give sameSize = false and no other figures.
ImageDiff compareImages(const RgbaImage& actual, const RgbaImage& expected, int tolerance);

}  // namespace render
