#pragma once
// The demo movie shipped as samples/demo.swf: three seconds of looping animation at 24 fps made
// with the SWF test writer (gradients, strokes, a rotating star, a morph and a sprite with its
// own timeline). The bytes are the same on every build.

#include "swf/tags.h"

namespace demo {

swf::Bytes buildDemoMovie();

}  // namespace demo
