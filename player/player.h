#pragma once
// The engine's front door: load a movie from a path or bytes, run it frame by frame, move
// around its main timeline, and walk what is on stage for drawing.
//
// "Frame N" means the state after N calls of advance() from load: loading shows nothing and
// the first advance() enters frame 1.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "player/draw_list.h"
#include "player/library.h"
#include "player/movie_clip.h"
#include "swf/movie.h"

namespace player {

struct PlayerOptions {
    swf::ParseLimits parse;
    std::uint32_t maxInstances = 100000;  // display objects alive at once, all clips together
    unsigned maxNesting = 64;             // sprites inside sprites on stage
    bool loop = true;                     // the main timeline starts over after its last frame
    bool runScripts = true;               // ActionScript 1/2 frame, event and init actions
    std::uint64_t scriptStepBudget = 20'000'000;  // actions per script run before it is stopped
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
    DrawList drawList() const { return buildDrawList(*m_root, m_library); }
    // The script host (null when scripts are off): trace output, button actions, quit requests.
    ScriptHost* scripts() { return m_scripts.get(); }
    // Placements refused because of the instance or nesting limits since load.
    std::uint32_t refusedInstances() const { return m_ctx.refusedInstances; }

private:
    Player(std::unique_ptr<swf::Movie> movie, const PlayerOptions& options);

    std::unique_ptr<swf::Movie> m_movie;
    PlayerOptions m_options;
    Library m_library;
    std::unique_ptr<Timeline> m_mainTimeline;
    ClipContext m_ctx;
    std::unique_ptr<ScriptHost> m_scripts;  // outlives the clips, which report their removal
    std::unique_ptr<MovieClip> m_root;
    std::uint32_t m_ticks = 0;
    swf::Rgba m_background{255, 255, 255, 255};
};

}  // namespace player
