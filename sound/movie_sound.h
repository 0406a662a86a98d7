#pragma once
// A movie's sound: turns the sound events a player collects into mixer calls. It decodes each
// DefineSound once (on its first start) and keeps the decoded clip; it decodes stream blocks as
// they come. A sound that cannot be decoded (a coding this engine lacks, broken data) stays
// silent and is counted.
//
// Stream sound leads the timeline: while the main timeline's stream plays, framesDue() says
// how many iterations keep the pictures in step with the samples mixed so far.

#include <cstdint>
#include <vector>
#include <memory>
#include <optional>

#include "player/library.h"
#include "player/sound_events.h"
#include "sound/clip.h"
#include "sound/mixer.h"
#include "sound/mp3_decoder.h"

namespace sound {

class MovieSound {
public:
    // `rootClipId` is the id of the main timeline; its stream paces the movie.
    MovieSound(const player::Library& library, double frameRate, std::uint32_t rootClipId);
    ~MovieSound();

    // Decodes the sounds that `events` start and are not decoded yet, so that apply() (which a
    // caller may run under the mixer's lock) finds them ready.
    void prepare(const player::SoundEvents& events);
    // Applies one iteration's events and counts the iteration.
    void apply(const player::SoundEvents& events, Mixer& mixer);

    // The decoded sound `id` (decoded on first use); null when there is none or it cannot be
    // decoded.
    std::shared_ptr<const Clip> clip(std::uint16_t id);

    // While the main timeline's stream plays: iterations to run now so that the frames shown
    // stay `lead` frames ahead of the samples mixed (the mixer needs the next blocks before it
    // can play them). Nothing when no stream paces the movie.
    std::optional<unsigned> framesDue(const Mixer& mixer, unsigned lead = 2) const;

    // Sounds and stream blocks that could not be decoded so far.
    unsigned undecodable() const { return m_undecodable; }

private:
    // The sound a StartSound or StartSound2 names (0 when none).
    std::uint16_t soundOf(const player::SoundEvent& e, swf::SoundInfo* info = nullptr) const;
    // A Sound object's start, stop or volume.
    void scriptRequest(const player::SoundEvent& e, Mixer& mixer);
    struct StreamState {
        std::uint32_t clipId = 0;
        swf::StreamHead head;
        std::unique_ptr<Mp3Decoder> mp3;
        std::uint64_t framesSinceStart = 0;  // iterations since its first block
        std::uint64_t framesSinceBlock = 0;
        bool started = false;                // a block arrived
    };
    void streamBlock(std::uint32_t clipId, const swf::SoundTag& tag, Mixer& mixer);
    std::optional<Clip> decodeBlock(StreamState& s, std::span<const std::uint8_t> data);

    const player::Library& m_library;
    double m_frameRate;
    std::uint32_t m_rootId;
    StreamState* stream(std::uint32_t clipId);
    const StreamState* stream(std::uint32_t clipId) const;

    // Few of each in a movie: plain lists keep the player image small.
    std::vector<std::pair<std::uint16_t, std::shared_ptr<const Clip>>> m_clips;  // null: not decodable
    std::vector<StreamState> m_streams;
    unsigned m_undecodable = 0;
};

// Decodes a whole DefineSound; an error for codings this engine lacks and for data that
// yields no samples.
core::Result<Clip> decodeSound(const swf::SoundDefinition& def);

}  // namespace sound
