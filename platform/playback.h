#pragma once
// Playing a movie in real time, without a window: which frames are due by the clock, whether
// the picture changed since it was last drawn, and whether further frames can change anything
// at all. The player view window (player_view_win32.h) drives this with a timer and a DIB; the
// logic lives here so that it runs and is tested on any system.
//
// Times are microseconds on any monotonic clock the caller chooses.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "player/frame_renderer.h"
#include "player/player.h"
#include "render/pixmap.h"

namespace platform {

// Frame rates outside this range play at its bounds; a header rate of 0 (or one that is no
// number) plays at the highest rate.
inline constexpr double kMinFrameRate = 1.0 / 256.0;  // the smallest 8.8 rate above 0
inline constexpr double kMaxFrameRate = 120.0;
double effectiveFrameRate(double headerRate);

// Frames scheduled by the clock: frame k after start() is due at start + k * period, however
// late or early the timer that asks wakes up. A caller that wakes up several periods late gets
// them all at once (up to maxCatchUp); beyond that the backlog is dropped and the schedule
// starts again from the late time, so a slow machine shows fewer frames instead of falling
// ever further behind.
class FrameClock {
public:
    static constexpr unsigned kDefaultMaxCatchUp = 4;

    explicit FrameClock(double framesPerSecond = 12.0, unsigned maxCatchUp = kDefaultMaxCatchUp);

    // Takes effect from the next start().
    void setRate(double framesPerSecond);
    double periodMicros() const { return m_periodUs; }

    // A frame was shown at `now`; the next one is due a period later.
    void start(std::int64_t now);
    bool running() const { return m_running; }
    void halt() { m_running = false; }

    // How many frames are due at `now` (0 .. maxCatchUp); the schedule moves past them.
    unsigned take(std::int64_t now);
    // Microseconds from `now` until the next frame is due (0 when one is due already); -1 when
    // the clock is halted.
    std::int64_t untilNext(std::int64_t now) const;
    // Frames skipped because the caller was more than maxCatchUp periods late.
    std::uint64_t dropped() const { return m_dropped; }

private:
    std::int64_t dueTime(std::uint64_t index) const;

    double m_periodUs;
    unsigned m_maxCatchUp;
    bool m_running = false;
    std::int64_t m_base = 0;     // when frame 0 of the current schedule was shown
    std::uint64_t m_index = 0;   // frames taken since m_base
    std::uint64_t m_dropped = 0;
};

// Whether two flattened pictures draw the same thing.
bool sameDrawList(const player::DrawList& a, const player::DrawList& b);

// Whether any number of further iterations leaves the picture as it is: the main timeline
// halted (or at the end of a timeline that does not loop, or of one frame only) and every clip
// on stage halted or of one frame. `rootLoops` is the main timeline's Loop setting.
bool isStill(const player::Player& player, bool rootLoops);

// Writes `src` as 32-bit DIB words (blue in the low byte, then green, red, and 0), `dstStride`
// words apart. The pixels must be opaque (the frame renderer clears to an opaque background),
// so their premultiplied values are the colours themselves.
void toDibWords(const render::Pixmap& src, std::uint32_t* dst, std::size_t dstStride);

// Where a playing movie's sound goes (the Win32 sound output; tests fake it). Playback tells it
// of each movie, hands it every iteration's sound events, and silences it when the movie is
// stopped or rewound. While a stream sound plays, the sink sets the pace of the timeline.
class SoundSink {
public:
    virtual ~SoundSink() = default;
    virtual void movieLoaded(const player::Player& player) = 0;
    virtual void movieUnloaded() = 0;
    virtual void frameRan(const player::SoundEvents& events) = 0;
    virtual void silence() = 0;
    // Iterations to run now to stay in step with a playing stream; nothing lets the clock decide.
    virtual std::optional<unsigned> streamFramesDue() = 0;
};

struct PlaybackSettings {
    bool loop = true;        // the main timeline starts over after its last frame
    bool playOnLoad = true;  // a loaded movie plays at once (else it halts on frame 1)
    player::Quality quality = player::Quality::High;
    unsigned maxCatchUp = FrameClock::kDefaultMaxCatchUp;
    // Where scripts' getURL sends http and https addresses (unset: nowhere).
    std::function<void(const std::string&)> openUrl;
    // Reads files beside the movie for its scripts' loadMovie and MovieClipLoader (see
    // player::PlayerOptions::loadFile). Unset: nothing loads.
    std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)> loadFile;
};

// A movie, its frame renderer and its clock. load() enters frame 1 at once; tick() runs the
// frames due since; render() draws only when the picture differs from the one drawn last.
class Playback {
public:
    explicit Playback(const PlaybackSettings& settings = {});
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // The sink of the movies loaded from now on (null: no sound). It must outlive them.
    void setSoundSink(SoundSink* sink) { m_sound = sink; }

    // Replaces the movie. On failure nothing is loaded and the error says why.
    core::Status load(std::span<const std::uint8_t> bytes, std::int64_t now);
    void unload();
    bool loaded() const { return m_player != nullptr; }
    const player::Player* player() const { return m_player.get(); }
    player::Player* player() { return m_player.get(); }

    // Runs the frames due at `now`; returns how many iterations ran.
    unsigned tick(std::int64_t now);
    // Microseconds until tick() has work, or nothing when the picture can no longer change
    // (no movie, or a still one): the caller may then sleep until the next command.
    std::optional<std::int64_t> nextWake(std::int64_t now);

    void play(std::int64_t now);
    void stop(std::int64_t now);
    // Frame 1, halted.
    void rewind(std::int64_t now);
    // Goes to a frame (clamped to the movie's frames); the play state is kept.
    void gotoFrame(std::uint16_t frame, std::int64_t now);

    // The frame as a Flash control numbers it: from 0 for the first frame. Without a movie it
    // is 0. Putting a number goes to that frame, clamped to the movie's frames (a negative one
    // is the first frame); the play state is kept.
    std::int32_t frameNum() const;
    void putFrameNum(std::int32_t frame, std::int64_t now);

    std::uint16_t currentFrame() const;
    std::uint16_t frameCount() const;
    bool isPlaying() const;

    // Loop applies at once: a timeline that no longer loops halts when it next reaches its
    // last frame. Quality applies to the next picture drawn.
    void setLoop(bool loop) { m_settings.loop = loop; }
    // Takes effect with the next load().
    void setFileLoader(decltype(PlaybackSettings::loadFile) load) { m_settings.loadFile = std::move(load); }
    void setQuality(player::Quality q);
    const PlaybackSettings& settings() const { return m_settings; }

    // Draws the current picture into `target` when it differs from the one drawn last (other
    // draw list, background, quality, target size, or another target), or when `force` is
    // set; returns whether it drew. Without a movie the target is filled with `blank`.
    bool render(render::Pixmap& target, render::Color blank, bool force = false);
    // Pictures drawn since construction (for tests and figures).
    std::uint64_t picturesDrawn() const { return m_picturesDrawn; }

    // Counts the next frame from `now` (a period later): for callers that took long to show
    // the current one, such as the first frame of a large movie.
    void restartClock(std::int64_t now);

private:
    void advance();

    PlaybackSettings m_settings;
    SoundSink* m_sound = nullptr;
    std::unique_ptr<player::Player> m_player;
    std::unique_ptr<player::FrameRenderer> m_renderer;
    FrameClock m_clock;

    // What was drawn last.
    bool m_haveLast = false;
    const render::Pixmap* m_lastTarget = nullptr;
    int m_lastWidth = 0, m_lastHeight = 0;
    bool m_lastHadMovie = false;
    render::Color m_lastBlank{};
    swf::Rgba m_lastBackground{};
    player::Quality m_lastQuality = player::Quality::High;
    player::DrawList m_lastList;
    std::uint64_t m_picturesDrawn = 0;
};

}  // namespace platform
