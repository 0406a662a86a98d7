#pragma once
// The drawing API of scripts (lineStyle, beginFill, moveTo, lineTo, curveTo, ...) turned into
// an ordinary SWF shape, which the shape converter and the renderer then draw like any other.
//
// Each change of fill or line style starts new style tables holding just the current fill and
// line, so the layers draw in call order. An open fill is closed back to where it started when
// the next fill begins, on endFill, and at the end, as the reference player does.

#include <vector>

#include "avm1/host.h"
#include "swf/tags.h"

namespace player {

swf::DefineShape buildDrawingShape(const std::vector<avm1::DrawOp>& ops);

}  // namespace player
