#include "player/display_list.h"

namespace player {

PlaceAction placeAction(const swf::PlaceObject& p, bool depthTaken) {
    if (p.version == 1) return PlaceAction::Create;
    if (!p.move) return p.characterId ? PlaceAction::Create : PlaceAction::None;
    if (!depthTaken) return PlaceAction::None;
    return p.characterId ? PlaceAction::Replace : PlaceAction::Modify;
}

void applyPlacement(Placement& t, const swf::PlaceObject& p) {
    if (p.characterId) t.characterId = *p.characterId;
    if (p.matrix) t.matrix = *p.matrix;
    if (p.colorTransform) t.colorTransform = *p.colorTransform;
    if (p.ratio) t.ratio = *p.ratio;
    if (p.name) t.name = *p.name;
    if (p.clipDepth) t.clipDepth = *p.clipDepth;
    if (p.blendMode) t.blendMode = *p.blendMode;
    if (p.cacheAsBitmap) t.cacheAsBitmap = *p.cacheAsBitmap;
    if (p.visible) t.visible = *p.visible;
    if (p.filters) t.filters = *p.filters;
    if (p.backgroundColor) t.background = *p.backgroundColor;
}

}  // namespace player
