#pragma once
// Bitmap filters on off-screen layers (premultiplied RGBA8): blur, drop shadow, glow, bevel,
// gradient glow, gradient bevel, colour matrix and convolution. All sizes are device pixels.
//
// Blur is a separable box blur run `passes` times (quality 1 to 3), each pass a moving sum over a
// box `blur` pixels wide (up to 255): whole taps in the middle and, for widths that are not odd
// whole numbers, partly weighted taps at both ends. Three passes approach a Gaussian. Shadows, glows and
// bevels blur the layer's alpha only and colour the result.

#include <cstdint>
#include <span>
#include <vector>

#include "render/color.h"
#include "render/edges.h"
#include "render/path.h"
#include "render/pixmap.h"

namespace render {

enum class FilterKind : std::uint8_t {
    DropShadow, Blur, Glow, Bevel, GradientGlow, Convolution, ColorMatrix, GradientBevel
};

struct FilterStop {
    std::uint8_t ratio = 0;
    Color color;
};

struct Filter {
    FilterKind kind = FilterKind::Blur;
    float blurX = 0, blurY = 0;       // device pixels
    float angle = 0, distance = 0;    // radians; device pixels
    float strength = 1;
    int passes = 1;
    bool inner = false, knockout = false, hideObject = false, onTop = false;
    Color color, highlight;           // shadow/glow colour; bevel highlight
    std::vector<FilterStop> stops;    // gradient glow and bevel
    // Convolution: cols x rows weights; colour matrix: 20 values (4 rows of r, g, b, a, offset).
    int cols = 0, rows = 0;
    std::vector<float> matrix;
    float divisor = 1, bias = 0;
    Color defaultColor;
    bool clamp = true, preserveAlpha = true;
};

// Pixels a filter list may add around the content, per side.
struct FilterMargin {
    int left = 0, top = 0, right = 0, bottom = 0;
};
FilterMargin filterMargin(std::span<const Filter> filters);

// The layer box for content with device bounds `content`: rounded out, padded by one pixel of
// anti-aliasing and the filters' margin, and cut to `limit` (the layer's pixmap).
IntRect layerBox(const Rect& content, std::span<const Filter> filters, const IntRect& limit);

// Reusable buffers for applyFilter (kept between frames).
struct FilterScratch {
    std::vector<std::uint8_t> a;     // alpha plane of shadows, glows and bevels
    std::vector<std::uint8_t> ring;  // rows kept by the vertical blur pass
    std::vector<std::uint8_t> transposed;  // the area of a horizontal blur, turned
    std::vector<Pixel> pixels;
    std::vector<std::uint16_t> sums;  // column sums of the vertical pass (at most 255 * 255)
};

// Box blur of `channels` (1 or 4) interleaved bytes per pixel over a w x h area of `data` (rows
// `stride` bytes apart), boxes blurX by blurY pixels wide, `passes` times. Pixels outside the
// area count as zero.
void boxBlur(std::uint8_t* data, int stride, int w, int h, int channels, float blurX, float blurY,
             int passes, FilterScratch& scratch);

// Applies one filter to the pixels of `layer` inside `box` (pixels outside stay untouched).
void applyFilter(Pixmap& layer, const IntRect& box, const Filter& f, FilterScratch& scratch);

}  // namespace render
