#pragma once
// Stage 1 of the rasterizer: a path in device pixels becomes polylines (straight segments only).

#include <cstdint>
#include <vector>

#include "render/path.h"

namespace render {

struct Contour {
    std::uint32_t begin = 0;  // index of the first point in Polylines::points
    std::uint32_t end = 0;    // one past the last point
    bool closed = false;      // the path closed it explicitly
};

// All contours of one path in two flat arrays, reused between calls to avoid allocation.
struct Polylines {
    std::vector<Point> points;
    std::vector<Contour> contours;

    void clear() {
        points.clear();
        contours.clear();
    }
    Rect bounds() const;
};

// Largest distance in device pixels between a curve and the segments that replace it.
inline constexpr float kFlattenTolerance = 0.2f;
// Cap on the segments of one curve, so hostile coordinates cannot make us loop for long.
inline constexpr int kMaxCurveSegments = 128;
// Coordinates are clamped to this magnitude; anything farther is far off any target.
inline constexpr float kMaxCoordinate = 1.0e7f;

// Appends the contours of `path`, transformed by `m`, to `out`. Curves are split into n uniform
// parameter steps with n = ceil(sqrt(|p0 - 2p1 + p2| / (4 * tolerance))): the distance of a
// quadratic from its chord is |p0 - 2p1 + p2| / 4, and each of n equal pieces has 1/n^2 of the
// second difference. A
// contour with a non-finite coordinate is dropped whole.
void flattenPath(const Path& path, const Matrix& m, Polylines& out);

}  // namespace render
