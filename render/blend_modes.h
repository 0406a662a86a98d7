#pragma once
// Blend modes of off-screen layers: how a finished layer (premultiplied RGBA8) is combined with
// what lies beneath it. The separable modes follow the usual premultiplied formulas
//     result = B(s, d) + s * (1 - da) + d * (1 - sa),   alpha = sa + da - sa * da
// with each product rounded to nearest over 255; add, subtract, invert, alpha and erase have
// their own arithmetic (see blendPixel).

#include <cstdint>

#include "render/color.h"
#include "render/edges.h"
#include "render/pixmap.h"

namespace render {

enum class BlendMode : std::uint8_t {
    Normal,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight,
};

// One source pixel over one destination pixel (both premultiplied).
Pixel blendPixel(BlendMode mode, Pixel src, Pixel dst);

// Applies a colour transform to a premultiplied layer pixel, rounding to nearest.
Pixel transformLayerPixel(Pixel p, const ColorTransform& cx);

// Combines the pixels of `layer` inside `box` with the pixels of `dst` they land on: layer pixel
// (x, y) lies on dst pixel (x + dx, y + dy); what falls outside dst is dropped. The colour
// transform applies to each layer pixel first; `clip` (the size of dst, or null) weights the
// result.
void compositeLayer(Pixmap& dst, const Pixmap& layer, const IntRect& box, int dx, int dy, BlendMode mode,
                    const ColorTransform& cx, const Mask* clip);

}  // namespace render
