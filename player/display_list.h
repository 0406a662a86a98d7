#pragma once
// The display list of one timeline: objects by depth with their placement properties, and the
// rules by which PlaceObject and RemoveObject change it.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/edit_text.h"
#include "player/library.h"
#include "swf/tags.h"

namespace player {

class MovieClip;

// What a PlaceObject tag can set on an object.
struct Placement {
    std::uint16_t characterId = 0;
    swf::Matrix matrix;
    swf::ColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::string name;
    std::uint16_t clipDepth = 0;  // > 0: this object masks the depths above it up to clipDepth
    swf::BlendMode blendMode = swf::BlendMode::Normal;
    bool cacheAsBitmap = false;
    bool visible = true;
    std::vector<swf::Filter> filters;
    std::optional<swf::Rgba> background;  // opaque background filling the object's bounds
    // Set by scripts: the object shows only this rectangle of itself (pixels: x, y, width,
    // height in its own coordinates), moved to its origin.
    std::optional<std::array<double, 4>> scrollRect;
    std::uint16_t placedFrame = 0;  // frame of the parent timeline that created this placement
    bool operator==(const Placement&) const = default;
};

// The state a button shows (its hit state is never drawn).
enum class ButtonState : std::uint8_t { Up, Over, Down };

struct DisplayObject {
    Placement placement;
    CharacterKind kind = CharacterKind::Shape;
    std::uint32_t instanceId = 0;      // unique per player; survives moves, not replacements
    std::unique_ptr<MovieClip> clip;   // sprites only: their own timeline
    std::unique_ptr<EditText> editText;  // text fields only: their content
    ButtonState buttonState = ButtonState::Up;  // buttons only
    // Buttons only: a clip for each record that shows a sprite (null for other records), by
    // record index. They play on whichever state shows them.
    std::vector<std::unique_ptr<MovieClip>> buttonClips;
    bool scriptTransformed = false;    // a script set its matrix or colour: the timeline no longer does
    std::uint32_t maskClip = 0;        // setMask: the id of the clip that masks this object
    bool scriptMask = false;           // setMask made this object's clip a mask: it is not drawn
};

// How a PlaceObject tag acts on a depth.
enum class PlaceAction { None, Create, Modify, Replace };

// Decides the action: a new character on a free or taken depth creates (replacing what was
// there); the move flag with a character replaces the character of the existing object and
// keeps its other properties; the move flag alone modifies; a move on an empty depth does
// nothing, as in the reference players.
PlaceAction placeAction(const swf::PlaceObject& p, bool depthTaken);

// Copies the properties the tag carries onto `target`.
void applyPlacement(Placement& target, const swf::PlaceObject& p);

using Depth = std::int32_t;
using DisplayMap = std::map<Depth, DisplayObject>;

}  // namespace player
