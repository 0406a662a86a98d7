#pragma once
// Turning SWF shapes into render paths.
//
// A SWF shape is "edge soup": each edge names the fill on its left (fill style 0) and on its
// right (fill style 1), and a fill's outline is scattered over many records. Conversion walks
// the records once, keeps every edge with the fill it bounds (fill-1 edges as they are, fill-0
// edges reversed, so every fill lies on the right of its own edges), then joins each fill's
// edges end to start into closed contours. Two fills that share an edge get the very same
// integer twip coordinates, so their coverages add up exactly and no seam shows.
//
// Lines are kept per line style in record order; consecutive edges that meet become one
// polyline. A style-change record with new style tables starts a new layer: the layers are
// drawn one after the other, each its fills and then its lines.
//
// Morph shapes are interpolated into an ordinary shape (edges, fills and lines by the ratio)
// and then converted the same way.

#include <cstdint>
#include <vector>

#include "render/path.h"
#include "swf/records.h"
#include "swf/tags.h"

namespace player {

struct ShapeFill {
    swf::FillStyle style;
    render::Path path;  // twips, closed contours
};

struct ShapeStroke {
    swf::LineStyle style;
    render::Path path;  // twips
};

struct ShapeLayer {
    std::vector<ShapeFill> fills;     // in style-table order
    std::vector<ShapeStroke> strokes;  // in style-table order
};

struct ConvertedShape {
    std::vector<ShapeLayer> layers;
    bool nonZero = false;  // DefineShape4 with the non-zero winding flag
    // Bounds of every fill and stroke path, in twips (empty when there is nothing to draw).
    render::Rect bounds;
};

// Converts a shape whose first style tables are `shape.styles` (glyph shapes have none and
// draw every edge with fill 1 as their single fill, `glyphFill`).
ConvertedShape convertShape(const swf::Shape& shape);
ConvertedShape convertGlyph(const swf::Shape& glyph, const swf::FillStyle& glyphFill);
ConvertedShape convertDefineShape(const swf::DefineShape& def);

// The morph shape at `ratio` (0 = start, 65535 = end) as an ordinary shape.
swf::Shape interpolateMorph(const swf::DefineMorphShape& morph, std::uint16_t ratio);
ConvertedShape convertMorph(const swf::DefineMorphShape& morph, std::uint16_t ratio);

// Style interpolation, exposed for tests: t runs from 0 (start) to 1 (end).
swf::FillStyle lerpFill(const swf::FillStyle& a, const swf::FillStyle& b, double t);
swf::LineStyle lerpLine(const swf::LineStyle& a, const swf::LineStyle& b, double t);

}  // namespace player
