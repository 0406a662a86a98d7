#pragma once
// The records of the sound tags, read from the bytes a SoundTag keeps: DefineSound, StartSound
// and StartSound2 with their sound info record, SoundStreamHead(2) and SoundStreamBlock.
// Spans point into the tag's bytes and live as long as the tag.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "swf/tags.h"

namespace swf {

// Coding of a sound's samples (the 4-bit format field).
enum class SoundCoding : std::uint8_t {
    PcmNative = 0,   // uncompressed, in the byte order of the machine that made it
    Adpcm = 1,
    Mp3 = 2,
    PcmLittle = 3,   // uncompressed, little-endian
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundFormat {
    std::uint8_t coding = 0;  // SoundCoding value (others are kept as they are)
    std::uint8_t rateCode = 0;  // 0 5.5 kHz, 1 11 kHz, 2 22 kHz, 3 44 kHz
    bool sixteenBit = true;
    bool stereo = false;
};

struct SoundDefinition {
    std::uint16_t id = 0;
    SoundFormat format;
    std::uint32_t sampleCount = 0;  // per channel
    std::span<const std::uint8_t> data;  // for MP3 after the 16-bit seek count
};

struct EnvelopePoint {
    std::uint32_t position44 = 0;  // in samples at 44.1 kHz from the start of the sound
    std::uint16_t left = 32768;    // 0 .. 32768
    std::uint16_t right = 32768;
};

struct SoundInfo {
    bool syncStop = false;
    bool syncNoMultiple = false;
    bool hasInPoint = false, hasOutPoint = false;
    std::uint32_t inPoint = 0, outPoint = 0;  // in samples at 44.1 kHz
    std::uint16_t loops = 1;
    std::vector<EnvelopePoint> envelope;
};

struct StartSoundRecord {
    std::uint16_t soundId = 0;   // StartSound
    std::string className;       // StartSound2
    SoundInfo info;
};

struct StreamHead {
    SoundFormat playback;
    SoundFormat stream;
    std::uint16_t samplesPerBlock = 0;  // average samples a channel in each frame's block
    std::int16_t latencySeek = 0;       // MP3 only
};

struct StreamBlock {
    std::span<const std::uint8_t> data;  // for MP3 after the sample and seek counts
    std::uint16_t mp3Samples = 0;
};

core::Result<SoundDefinition> readSoundDefinition(const SoundTag& tag);
// `code` tells StartSound (15) from StartSound2 (89).
core::Result<StartSoundRecord> readStartSound(const SoundTag& tag, std::uint16_t code);
core::Result<StreamHead> readStreamHead(const SoundTag& tag);
// The block's format comes from the stream head before it.
core::Result<StreamBlock> readStreamBlock(const SoundTag& tag, const StreamHead& head);
SoundInfo readSoundInfo(core::BitReader& r);
// The sound DefineButtonSound gives transition `index` (0 over to idle, 1 idle to over, 2 over
// to down, 3 down to over); a sound id of 0 means none.
core::Result<StartSoundRecord> readButtonSound(const SoundTag& tag, unsigned index);

}  // namespace swf
