#pragma once
// What the player asks of the scripts of a movie: it ticks them around each frame and hands
// them the action blocks of button transitions. The interpreter behind this interface
// (ScriptHost) is made by createScripts(); the player sees nothing else of it, so a program
// linked without the interpreter can define createScripts() to return null.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "player/library.h"
#include "player/movie_clip.h"
#include "swf/movie.h"

namespace player {

// Mouse and key input beyond buttons: what clip events, clip handlers and the listeners of
// Mouse and Key hear.
enum class Input { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp };

class Scripts : public ClipEvents {
public:
    virtual void setRoot(MovieClip* root) = 0;
    // Script time: the player sets it before each frame (milliseconds since the start).
    virtual void setTime(double ms) = 0;
    virtual void beforeTick() = 0;  // also starts the frame's script step budget
    virtual void afterTick() = 0;
    virtual void queueActions(MovieClip& clip, std::span<const std::uint8_t> code) = 0;
    // Runs what was queued outside a frame (button transitions) with a fresh step budget.
    virtual void runEventActions() = 0;
    // Mouse input. `id` is a button's instance id or the id of a clip that acts as a button.
    // A transition (button_condition bits) queues the script handler for it (onPress, ...),
    // after the button's own actions.
    virtual void queueMouseEvent(std::uint32_t id, std::uint16_t condition) = 0;
    // False when a script disabled the button or clip (enabled = false): it takes no events.
    virtual bool mouseEnabled(std::uint32_t id) = 0;
    // Whether it tracks as a menu (trackAsMenu set by a script, else `byDefinition`).
    virtual bool tracksAsMenu(std::uint32_t id, bool byDefinition) = 0;
    // Whether a clip has mouse handlers (onPress, onRelease, onRollOver, ...): it then takes
    // the mouse for everything in it, as a button.
    virtual bool actsAsButton(std::uint32_t clipId) = 0;
    // The main timelines of the movies loaded as levels above the main one, lowest first: the
    // player ticks and draws them after it.
    virtual std::vector<MovieClip*> levels() { return {}; }
    // Runs what the input calls: `code` is the key's virtual-key code, `ascii` its character.
    virtual void input(Input event, int code = 0, int ascii = 0) = 0;
};

// The interpreter for `movie`; null when this program has none.
std::unique_ptr<Scripts> createScripts(const swf::Movie& movie, const Library& library, ClipContext& ctx,
                                       std::uint64_t stepBudget);

}  // namespace player
