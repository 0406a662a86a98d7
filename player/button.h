#pragma once
// Buttons: their states, which records each state shows, hit testing against the fill regions
// of the hit-state characters, and the tracking of pointer and mouse button that moves buttons
// between states and raises the transition conditions of DefineButton2's action records.
//
// Tracking follows the reference players' push buttons: a press on a button captures the
// pointer; dragging out of it shows the over state (OverDownToOutDown) and back in the down
// state (OutDownToOverDown); a release inside is OverDownToOverUp (the "release" of version 1
// buttons), outside OutDownToIdle. Buttons that track as menus do not capture: dragging out of
// one while down sends it OverDownToIdle, and dragging into one while the mouse is down and
// nothing else holds it sends IdleToOverDown.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "player/draw_list.h"
#include "player/library.h"
#include "player/shape_convert.h"
#include "render/path.h"

namespace player {

// Transition conditions as ButtonCondAction stores them (the key press code sits in bits 9-15).
namespace button_condition {
inline constexpr std::uint16_t kIdleToOverUp = 0x0001;
inline constexpr std::uint16_t kOverUpToIdle = 0x0002;
inline constexpr std::uint16_t kOverUpToOverDown = 0x0004;
inline constexpr std::uint16_t kOverDownToOverUp = 0x0008;
inline constexpr std::uint16_t kOverDownToOutDown = 0x0010;
inline constexpr std::uint16_t kOutDownToOverDown = 0x0020;
inline constexpr std::uint16_t kOutDownToIdle = 0x0040;
inline constexpr std::uint16_t kIdleToOverDown = 0x0080;
inline constexpr std::uint16_t kOverDownToIdle = 0x0100;
}  // namespace button_condition

// Whether a record takes part in a state.
bool recordShows(const swf::ButtonRecord& r, ButtonState state);

// A button as the tracker sees it (id 0: no button).
struct ButtonTarget {
    std::uint32_t id = 0;
    bool trackAsMenu = false;
    bool operator==(const ButtonTarget&) const = default;
};

struct ButtonEvent {
    std::uint32_t id = 0;
    ButtonState state = ButtonState::Up;  // the state the button shows after the event
    std::uint16_t condition = 0;          // one of button_condition
    bool operator==(const ButtonEvent&) const = default;
};

class ButtonTracker {
public:
    // The pointer is now over `target` (the topmost button under it, or none).
    std::vector<ButtonEvent> pointerAt(ButtonTarget target);
    std::vector<ButtonEvent> press();
    std::vector<ButtonEvent> release();
    // A button left the stage: it is no longer hovered or pressed.
    void forget(std::uint32_t id);

    std::uint32_t hovered() const { return m_over.id; }
    std::uint32_t pressed() const { return m_pressed.id; }
    bool isDown() const { return m_down; }

private:
    ButtonTarget m_over, m_pressed;
    bool m_down = false;
};

// Whether a point lies inside a filled path (flattened; quads in eight steps).
bool pathContains(const render::Path& path, float x, float y, bool nonZero);

// Whether (x, y) (the space `m` maps to) lies in a fill of `shape` drawn with `m`.
bool shapeContains(const ConvertedShape& shape, const DrawMatrix& m, float x, float y);

// Point tests against characters, with their shapes converted once.
class HitTester {
public:
    explicit HitTester(const Library& library) : m_library(library) {}

    // Whether (x, y) (the space `m` maps to) lies in a fill of character `id` drawn with `m`.
    bool characterContains(std::uint16_t id, const DrawMatrix& m, float x, float y);
    // Whether (x, y) lies in the hit area of `button` drawn with `m`.
    bool buttonContains(const swf::DefineButton& button, const DrawMatrix& m, float x, float y);

private:
    const ConvertedShape* shape(std::uint16_t id);
    bool contains(std::uint16_t id, const DrawMatrix& m, float x, float y, unsigned depth);
    bool buttonHit(const swf::DefineButton& button, const DrawMatrix& m, float x, float y, unsigned depth);

    const Library& m_library;
    std::unordered_map<std::uint16_t, std::unique_ptr<ConvertedShape>> m_shapes;
};

}  // namespace player
