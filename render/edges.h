#pragma once
// Stage 2 of the rasterizer: polylines become the edge list of one fill, in the local pixel
// coordinates of the region being rasterized, clipped horizontally to that region.

#include <vector>

#include "render/flatten.h"

namespace render {

// An integer pixel region [x0, x1) x [y0, y1) of the target.
struct IntRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;

    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
    bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
};

// A directed segment; the direction (downward or upward) carries the winding.
struct Edge {
    float x0, y0, x1, y1;
};

// The pixel region that bounds `r` (grown outward to whole pixels), intersected with `clip`.
IntRect regionOf(const Rect& r, const IntRect& clip);

// Appends one edge per segment of every contour (each contour closed implicitly) to `out`,
// translated so that `region` starts at (0, 0). Horizontal clipping keeps the winding exact:
// a segment is split where it crosses x = 0 and x = width; pieces left of the region are moved
// onto x = 0 (they still cover every pixel to their right), pieces right of it are dropped (they
// cover nothing inside). Horizontal segments and segments wholly above or below are dropped.
void buildEdges(const Polylines& lines, const IntRect& region, std::vector<Edge>& out);

}  // namespace render
