// ShowAll: scale = min(target / stage) per axis, centred on both axes.
#include "render/viewport.h"

#include <algorithm>
#include <cmath>

namespace render {

Viewport showAll(float stageWidth, float stageHeight, int targetWidth, int targetHeight) {
    Viewport v;
    if (!(stageWidth > 0.0f) || !(stageHeight > 0.0f) || !std::isfinite(stageWidth) ||
        !std::isfinite(stageHeight) || targetWidth <= 0 || targetHeight <= 0) {
        v.x1 = std::max(0.0f, std::isfinite(stageWidth) ? stageWidth : 0.0f);
        v.y1 = std::max(0.0f, std::isfinite(stageHeight) ? stageHeight : 0.0f);
        return v;
    }
    const float tw = static_cast<float>(targetWidth);
    const float th = static_cast<float>(targetHeight);
    v.scale = std::min(tw / stageWidth, th / stageHeight);
    const float w = stageWidth * v.scale;
    const float h = stageHeight * v.scale;
    v.x0 = 0.5f * (tw - w);
    v.y0 = 0.5f * (th - h);
    v.x1 = v.x0 + w;
    v.y1 = v.y0 + h;
    v.stageToTarget = Matrix{v.scale, 0.0f, 0.0f, v.scale, v.x0, v.y0};
    return v;
}

}  // namespace render
