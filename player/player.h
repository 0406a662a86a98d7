#pragma once
// The engine's front door: load a movie from a path or bytes, run it frame by frame, move
// around its main timeline, and walk what is on stage for drawing.
//
// "Frame N" means the state after N calls of advance() from load: loading shows nothing and
// the first advance() enters frame 1.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/result.h"
#include "player/button.h"
#include "player/draw_list.h"
#include "player/font.h"
#include "player/library.h"
#include "player/movie_clip.h"
#include "player/scripts.h"
#include "swf/movie.h"

namespace player {

struct PlayerOptions {
    swf::ParseLimits parse;
    std::uint32_t maxInstances = 100000;  // display objects alive at once, all clips together
    unsigned maxNesting = 64;             // sprites inside sprites on stage
    bool loop = true;                     // the main timeline starts over after its last frame
    bool runScripts = true;               // ActionScript 1/2 frame, event and init actions
    std::uint64_t scriptStepBudget = 20'000'000;  // actions per script run before it is stopped
    // Opens a web address a script navigates to (getURL) in the browser. Only http and https
    // addresses reach it, at most one a second. Unset (the saver, the preview): none opens.
    std::function<void(const std::string&)> openUrl;
    // Reads a file beside the playing movie for loadMovie and MovieClipLoader. It is only asked
    // for plain relative paths (ScriptHost::isSafeLocalPath). Unset: nothing loads.
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string& relativePath)> loadFile;
};

// The actions of a button transition, for the script interpreter to run. `actions` points
// into the movie (valid for the player's life); `clip` is the timeline that holds the button
// (the actions' target), valid until the display list changes (the next advance or goto).
struct PendingAction {
    std::uint32_t buttonInstance = 0;
    std::uint16_t buttonId = 0;
    std::uint16_t condition = 0;  // the button_condition that fired
    const swf::Bytes* actions = nullptr;
    MovieClip* clip = nullptr;
};
class ScriptHost;

class Player {
public:
    static core::Result<std::unique_ptr<Player>> loadFile(const std::string& path,
                                                          const PlayerOptions& options = {});
    static core::Result<std::unique_ptr<Player>> loadBytes(std::span<const std::uint8_t> bytes,
                                                           const PlayerOptions& options = {});
    // Takes an already parsed movie.
    static std::unique_ptr<Player> fromMovie(swf::Movie movie, const PlayerOptions& options = {});

    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    const swf::Movie& movie() const { return *m_movie; }
    const Library& library() const { return m_library; }
    // Problems met while parsing (the player skips broken tags and plays on).
    const std::vector<swf::Problem>& problems() const { return m_movie->problems; }

    // Stage size in whole pixels, clamped to 1..ParseLimits::maxStagePixels.
    int stageWidth() const;
    int stageHeight() const;
    // Frames per second from the header; a rate of 0 plays as fast as it is driven.
    double frameRate() const { return m_movie->header.frameRate; }
    swf::Rgba backgroundColor() const { return m_background; }

    // One iteration of the movie: the main timeline moves on (if playing) and every clip on
    // stage advances its own timeline.
    void advance();
    std::uint16_t currentFrame() const { return m_root->currentFrame(); }
    std::uint16_t frameCount() const { return m_root->frameCount(); }
    bool isPlaying() const { return m_root->isPlaying(); }
    void play() { m_root->play(); }
    void stop() { m_root->stop(); }
    // Frame 1, stopped.
    void rewind();
    // Goes to a frame of the main timeline (clamped to 1..frameCount()).
    void gotoFrame(std::uint16_t frame) { m_root->gotoFrame(frame); }
    bool gotoLabel(const std::string& label) { return m_root->gotoLabel(label); }

    const MovieClip& root() const { return *m_root; }
    MovieClip& root() { return *m_root; }
    // Every level: the main timeline, then the movies loaded above it.
    DrawList drawList() const;
    // Mouse input in stage pixels (0,0 is the stage's top-left corner, whatever the frame
    // rectangle's origin). Moves and button changes update the buttons' states and queue the
    // actions of the transitions they cause. The buttons under a still pointer are found again
    // after every advance(), as things move under it.
    void mouseMove(double x, double y);
    void mouseDown();
    void mouseUp();
    // A key pressed or released: its virtual-key code (Windows numbering, as Key.getCode gives)
    // and, when pressed, the character it types (0 for none).
    void keyDown(int code, int ascii);
    void keyUp(int code);
    // Whether the pointer is over a button (the view shows the hand cursor then).
    bool pointerOverButton() const { return m_buttons.hovered() != 0; }
    bool mouseIsDown() const { return m_buttons.isDown(); }
    // The actions queued since the last call, in the order their transitions happened. With
    // scripts on they are run at once instead and nothing is queued here.
    std::vector<PendingAction> takePendingActions() { return std::exchange(m_pending, {}); }
    const std::vector<PendingAction>& pendingActions() const { return m_pending; }

    // The text field placed at `depth` of `clip` (null when there is none): scripts set and
    // read its text through it.
    EditText* editTextAt(MovieClip& clip, Depth depth);

    // The script host (null when scripts are off): trace output, button actions, quit requests.
    ScriptHost* scripts();
    // Sound tags of the frames entered since the last take, in order; collected only while
    // collectSounds(true) is in force (nothing consumes them otherwise).
    void collectSounds(bool on) {
        m_ctx.sounds = on ? &m_soundEvents : nullptr;
        if (!on) m_soundEvents.clear();
    }
    SoundEvents takeSoundEvents() { return std::exchange(m_soundEvents, {}); }

    // Placements refused because of the instance or nesting limits since load.
    std::uint32_t refusedInstances() const { return m_ctx.refusedInstances; }

private:
    Player(std::unique_ptr<swf::Movie> movie, const PlayerOptions& options);

    struct ButtonOnStage {
        DisplayObject* object = nullptr;
        MovieClip* clip = nullptr;
        const swf::DefineButton* def = nullptr;
    };
    // The button under the pointer, topmost first, and where every button on stage is.
    ButtonTarget buttonUnderPointer();
    void collectButtons(MovieClip& clip, const DrawMatrix& m, bool under, unsigned nesting);
    // Whether the pointer is over what `clip` draws (`m`: the clip to the stage).
    bool clipContains(const MovieClip& clip, const DrawMatrix& m, unsigned nesting);
    void apply(const std::vector<ButtonEvent>& events);
    // Queues the sound a DefineButtonSound gives the transition, if any (SoundEvent::frame
    // carries the transition's index in the tag).
    void queueButtonSound(std::uint16_t buttonId, std::uint16_t condition, std::uint32_t clipId);

    std::unique_ptr<swf::Movie> m_movie;
    PlayerOptions m_options;
    Library m_library;
    std::unique_ptr<Timeline> m_mainTimeline;
    std::unique_ptr<FontCache> m_fonts;  // before the clips: their text fields use it
    ClipContext m_ctx;
    std::unique_ptr<Scripts> m_scripts;  // outlives the clips, which report their removal
    std::unique_ptr<MovieClip> m_root;
    std::uint32_t m_ticks = 0;
    swf::Rgba m_background{255, 255, 255, 255};
    HitTester m_hits;
    ButtonTracker m_buttons;
    bool m_pointerKnown = false;
    float m_pointerX = 0, m_pointerY = 0;  // stage twips, frame origin included
    std::vector<std::pair<std::uint32_t, ButtonOnStage>> m_onStage;  // by instance id, few
    const ButtonOnStage* onStage(std::uint32_t id) const;
    ButtonTarget m_topButton;
    std::vector<PendingAction> m_pending;
    SoundEvents m_soundEvents;
    // DefineButtonSound tags by button id (few: a plain list).
    std::vector<std::pair<std::uint16_t, const swf::SoundTag*>> m_buttonSounds;
};

}  // namespace player
