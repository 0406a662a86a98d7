#pragma once
// Stage 4b: compositing premultiplied RGBA8 with source-over, weighted by 8-bit coverage.
//
// dst = src * c + dst * (1 - alpha(src) * c), computed two channels at a time in one 32-bit
// word (red/blue and green/alpha lanes) with exact /255 rounding.
//
// Group accumulation: the fills of one shape cover disjoint regions, so a pixel on the border of
// two fills must receive c1 * src1 + c2 * src2 with c1 + c2 = 1 and not two source-over steps
// (which would let the background show through the seam). Such fills add c * src into a
// 16-bit-per-channel accumulator; the sum is then composited over the target once. The renderer
// hands grouped fills their coverage in 16 bits, so the coverages of fills that share a pixel
// still add up to full after rounding and the composite comes out exactly the fill colour.

#include <cstdint>

#include "render/color.h"

namespace render {

// Source-over of a span of paint pixels with per-pixel coverage.
void blendSpan(Pixel* dst, const Pixel* src, const std::uint8_t* coverage, int n);
// Source-over of one colour with per-pixel coverage.
void blendSolidSpan(Pixel* dst, Pixel src, const std::uint8_t* coverage, int n);

// Source-over of a span of paint pixels under one coverage value.
void blendSpanConst(Pixel* dst, const Pixel* src, std::uint8_t coverage, int n);
// Source-over of one colour under one coverage value (opaque and fully covered: a plain fill).
void blendSolidConst(Pixel* dst, Pixel src, std::uint8_t coverage, int n);

// acc holds 4 x uint16 per pixel (r, g, b, a), each the sum of coverage * channel (0..65025),
// saturating at 65535.
void accumulateSpan(std::uint16_t* acc, const Pixel* src, const std::uint8_t* coverage, int n);
void accumulateSolidSpan(std::uint16_t* acc, Pixel src, const std::uint8_t* coverage, int n);
// The same with 16-bit coverage (0..kFullCoverage16 = 255 * 128): each channel adds
// round(channel * coverage / 128), so the coverages of fills that meet inside a pixel, which add
// up to full, add up to within a few units of 65025 instead of up to a level of 255 off.
void accumulateSpan16(std::uint16_t* acc, const Pixel* src, const std::uint16_t* coverage, int n);
void accumulateSolidSpan16(std::uint16_t* acc, Pixel src, const std::uint16_t* coverage, int n);
// Full coverage: each channel adds channel * 255 (what the functions above add at
// kFullCoverage16 or 255).
void accumulateSpanFull(std::uint16_t* acc, const Pixel* src, int n);
void accumulateSolidFull(std::uint16_t* acc, Pixel src, int n);
// Multiplies 16-bit coverage by a mask span in place (rounded).
void applyMask16(std::uint16_t* coverage, const std::uint8_t* mask, int n);

// Composites the accumulated span over dst with source-over and zeroes the accumulator.
void compositeAccumulated(Pixel* dst, std::uint16_t* acc, int n);

// Multiplies coverage by a mask span in place (exact /255 rounding).
void applyMask(std::uint8_t* coverage, const std::uint8_t* mask, int n);

}  // namespace render
