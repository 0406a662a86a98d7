#pragma once
// The flattened picture of a display list, in drawing order, for a renderer that knows no SWF.
//
// Units: matrices map character coordinates (twips, as the definitions store them) to stage
// coordinates, also in twips: tx and ty are twips, divide by 20 for pixels. Colour transforms
// are floats: a channel becomes value * mul + add, with add in colour units (0..255), applied
// to non-premultiplied RGBA.
//
// Masks: an object with a clip depth does not draw; its leaf items form a clip layer (their
// union is the mask). Items carry the clip layers that apply to them; an item is visible only
// where every one of its layers covers.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "player/display_list.h"
#include "player/library.h"

namespace player {

class MovieClip;
struct ConvertedShape;

struct DrawMatrix {
    float a = 1, b = 0, c = 0, d = 1;
    float tx = 0, ty = 0;  // twips
    bool operator==(const DrawMatrix&) const = default;
};

struct DrawColorTransform {
    float mul[4] = {1, 1, 1, 1};  // r, g, b, a
    float add[4] = {0, 0, 0, 0};
    bool operator==(const DrawColorTransform&) const = default;
};

DrawMatrix toDrawMatrix(const swf::Matrix& m);
DrawColorTransform toDrawColorTransform(const swf::ColorTransform& cx);
// parent ∘ child: first the child's transform, then the parent's.
DrawMatrix concat(const DrawMatrix& parent, const DrawMatrix& child);
DrawColorTransform concat(const DrawColorTransform& parent, const DrawColorTransform& child);

struct DrawItem {
    std::uint16_t characterId = 0;
    CharacterKind kind = CharacterKind::Shape;
    Depth depth = 0;  // in the display list that holds the object
    DrawMatrix matrix;
    DrawColorTransform colorTransform;
    std::uint16_t ratio = 0;  // morph shapes: 0 = start shape, 65535 = end shape
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    std::vector<std::uint32_t> clipLayers;  // indices into DrawList::clipLayers
    std::int32_t maskOf = -1;  // >= 0: this item is part of that clip layer and is not drawn
    const EditText* editText = nullptr;  // text fields: the content on stage (null: box only)
    std::uint32_t textRevision = 0;      // of editText's content, to tell changed text apart
    std::shared_ptr<const ConvertedShape> drawing;  // set: a clip's drawing API shape, no character
};

struct ClipLayer {
    std::vector<std::uint32_t> items;  // indices into DrawList::items
};

// An object drawn off-screen and then composited: it has filters, a blend mode other than
// normal, or cacheAsBitmap. Its items are [first, end); its own colour transform and the clip
// layers that mask it from outside are applied when the finished layer is composited, so the
// items inside carry neither. Layers are listed in the order they open; the layers nested in
// this one are the entries after it up to nestedEnd.
struct DrawLayer {
    std::uint32_t first = 0, end = 0;
    std::uint32_t nestedEnd = 0;  // index into DrawList::layers
    DrawMatrix matrix;            // the object's own matrix on stage (twips)
    DrawColorTransform colorTransform;
    std::vector<std::uint32_t> clipLayers;
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    bool cacheAsBitmap = false;
    std::vector<swf::Filter> filters;
    std::optional<swf::Rgba> background;  // fills the content's box before the content draws
};

struct DrawList {
    std::vector<DrawItem> items;
    std::vector<ClipLayer> clipLayers;
    std::vector<DrawLayer> layers;
};

// True when an object with these properties is drawn through its own layer.
bool needsLayer(const Placement& p);

// Flattens a clip's display list (sprites are expanded; buttons show the records of their
// current state).
DrawList buildDrawList(const MovieClip& root, const Library& library);
// Several main timelines stacked, the first lowest (the levels of a player).
DrawList buildDrawList(std::span<const MovieClip* const> levels, const Library& library);

}  // namespace player
