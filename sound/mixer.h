#pragma once
// The mixer: event sounds (each with its sound info: in and out points, loops, envelope) and
// stream sounds (one queue of samples a timeline), resampled by linear interpolation from their
// own rates to 44.1 kHz, added, scaled by the volume and clipped to 16-bit stereo.
//
// Not thread safe: a caller that mixes on an audio thread guards every call with one lock.

#include <cstdint>
#include <memory>
#include <vector>

#include "sound/clip.h"
#include "swf/sound_tags.h"

namespace sound {

inline constexpr int kOutputRate = 44100;
// Sounds playing at once; a start past this is dropped (a movie that starts a sound in every
// frame of a fast loop cannot pile up voices without bound).
inline constexpr std::size_t kMaxVoices = 32;

class Mixer {
public:
    // Starts `clip` (the decoded sound `soundId`) as the sound info says: a stop record stops
    // every instance of the sound, a no-multiple record does nothing if one plays already.
    void start(std::shared_ptr<const Clip> clip, std::uint16_t soundId, const swf::SoundInfo& info);
    void stopSound(std::uint16_t soundId);
    // Stops every event sound (streams play on).
    void stopSounds() { m_voices.clear(); }
    // Stops every event sound and every stream.
    void stopAll();

    // Queues decoded samples of the stream that timeline `key` plays.
    void streamAppend(std::uint32_t key, const Clip& piece);
    void streamStop(std::uint32_t key);
    // Output frames (44.1 kHz) that the stream `key` has filled since it started; 0 for a stream
    // that is not there.
    std::uint64_t streamMixed(std::uint32_t key) const;
    bool hasStream(std::uint32_t key) const { return findStream(key) != nullptr; }
    // Source frames queued for the stream and not mixed yet.
    std::size_t streamQueued(std::uint32_t key) const;

    // 0 (silent) to 100 (as recorded).
    void setVolume(int percent);
    int volume() const { return m_volume; }

    // Writes `frames` stereo frames (interleaved left, right) of everything that plays, and
    // moves every sound on by that much.
    void mix(std::int16_t* out, std::size_t frames);
    bool idle() const { return m_voices.empty() && m_streams.empty(); }
    std::size_t voices() const { return m_voices.size(); }

private:
    struct Voice {
        std::shared_ptr<const Clip> clip;
        std::uint16_t soundId = 0;
        std::uint64_t pos44 = 0;  // position in the sound, 44.1 kHz units
        std::uint64_t start44 = 0, end44 = 0;
        std::uint32_t loopsLeft = 1;
        std::vector<swf::EnvelopePoint> envelope;
        std::uint64_t played44 = 0;  // since start, all loops: envelopes count from here
    };
    struct Stream {
        std::uint32_t key = 0;
        int rate = 44100;
        std::vector<std::int16_t> queue;  // interleaved stereo, from `head` on
        std::size_t head = 0;             // frames of `queue` already mixed
        std::uint64_t srcFixed = 0;       // read position after head, 32.32 source frames
        std::uint64_t mixed = 0;
    };
    Stream* findStream(std::uint32_t key);
    const Stream* findStream(std::uint32_t key) const;

    std::vector<Voice> m_voices;
    std::vector<Stream> m_streams;
    std::vector<std::int32_t> m_acc;
    int m_volume = 100;
};

// The level (0 .. 32768) an envelope gives at `pos44`: the points' levels joined by straight
// lines, the first level before the first point and the last after the last. `right` picks
// the channel. An empty envelope gives full level.
int envelopeLevel(const std::vector<swf::EnvelopePoint>& env, std::uint64_t pos44, bool right);

}  // namespace sound
