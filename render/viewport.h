#pragma once
// Fitting a stage into a target of another size. ShowAll scales the stage uniformly so that all
// of it is visible and centres it; the rest of the target (the bars left and right or above and
// below) belongs to whoever clears the background.

#include "render/matrix.h"

namespace render {

struct Viewport {
    Matrix stageToTarget;  // stage units -> target pixels
    float scale = 1.0f;    // target pixels per stage unit
    // The stage's area in the target, in (possibly fractional) target pixels.
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
};

// The ShowAll fit of a stage of stageWidth x stageHeight units into targetWidth x targetHeight
// pixels. Degenerate sizes (zero, negative, non-finite) give the identity.
Viewport showAll(float stageWidth, float stageHeight, int targetWidth, int targetHeight);

}  // namespace render
