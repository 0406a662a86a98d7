#pragma once
// Strokes: a flattened path in device pixels becomes closed polygons that are filled with the
// non-zero rule.
//
// Algorithm: each contour is offset by half the width to both sides. At a vertex the outer side
// gets the join (round arc, bevel, or miter cut off at the miter limit) and the inner side goes
// through the vertex itself, so every part of the outline winds the same way and the non-zero
// fill is the union of the segments' rectangles, the joins and the caps. An open contour gives
// one polygon (left side forward, end cap, right side backward, start cap); a closed one gives
// two loops of opposite direction. A contour of one point becomes a dot for round and square
// caps.

#include "render/flatten.h"

namespace render {

enum class LineCap { None, Round, Square };
enum class LineJoin { Round, Bevel, Miter };
// Which transform components scale the line width (SWF 8 line styles can switch off the
// horizontal and the vertical scaling).
enum class StrokeScaling { Normal, NoHorizontal, NoVertical, None };

// Hairlines and thinner strokes are drawn one device pixel wide.
inline constexpr float kMinStrokeWidth = 1.0f;

struct StrokeStyle {
    float width = 1.0f;  // in path units
    LineCap startCap = LineCap::Round;
    LineCap endCap = LineCap::Round;
    LineJoin join = LineJoin::Round;
    float miterLimit = 3.0f;  // miter length / width; below 1 counts as 1
    StrokeScaling scaling = StrokeScaling::Normal;
    // Device pixels per path unit for the components whose scaling is switched off (the scale of
    // the surroundings, e.g. the stage's scale into the window).
    float unscaledFactor = 1.0f;
};

// The stroke width in device pixels for a path drawn through `m`, at least kMinStrokeWidth.
float deviceStrokeWidth(const StrokeStyle& style, const Matrix& m);

// Appends the outline polygons of stroking `lines` (device pixels) with a pen of
// `deviceWidth` pixels to `out`.
void strokePolylines(const Polylines& lines, const StrokeStyle& style, float deviceWidth,
                     Polylines& out);

// Strokes `lines`, a path already drawn through `m` into device pixels, as the path's own
// stroke seen through `m`: under a matrix that stretches one way more than another, a normally
// scaled pen becomes the stretched circle, so lines across the stretch are thicker. The lines
// are taken back by the area-preserving part of `m`, stroked there with the width scaled by the
// square root of the determinant, and the outline is sent forward again. Pens that would come
// out thinner than a pixel anywhere, the other scaling modes, and matrices that scale evenly
// keep the even pen of deviceStrokeWidth().
void strokeThrough(const Polylines& lines, const StrokeStyle& style, const Matrix& m, Polylines& out);

}  // namespace render
