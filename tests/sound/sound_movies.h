#pragma once
// Movies with sound for the tests, written with the SWF test writer: an event sound started by
// StartSound, and a stream sound whose every frame carries its block at a level of its own.

#include <cstdint>
#include <vector>

#include "core/bit_writer.h"
#include "swf/tag_codes.h"
#include "swf/test_writer.h"

namespace sound_movies {

inline swf::Tag tagWithCode(swf::TagCode code, std::uint16_t id, std::vector<std::uint8_t> data) {
    swf::Tag t = swf::makeTag(swf::SoundTag{id, std::move(data)});
    t.code = static_cast<std::uint16_t>(code);
    return t;
}

// DefineSound `id`: 16-bit mono little-endian PCM at 44.1 kHz holding `samples` of `level`.
inline swf::Tag pcmSound(std::uint16_t id, std::size_t samples, std::int16_t level) {
    core::BitWriter w;
    w.u16(id);
    w.ub(4, 3); w.ub(2, 3); w.flag(true); w.flag(false);
    w.u32(static_cast<std::uint32_t>(samples));
    for (std::size_t i = 0; i < samples; ++i) w.s16(level);
    return tagWithCode(swf::TagCode::DefineSound, id, w.take());
}

// StartSound of `id` with an empty sound info record.
inline swf::Tag startSound(std::uint16_t id) {
    core::BitWriter w;
    w.u16(id);
    w.u8(0);
    return tagWithCode(swf::TagCode::StartSound, id, w.take());
}

// `frames` frames at `rate`: frame 1 starts sound 1 (0.1 s at 8000) and, when `stream` is set,
// every frame carries a stream block of 44100 / rate samples at level 100 * frame number.
// `coding` 3 is PCM; another coding (6, Nellymoser) makes a stream this engine cannot decode.
inline std::vector<std::uint8_t> soundMovie(unsigned frames, double rate, bool stream, unsigned coding = 3) {
    swf::MovieWriter w(8, 100, 100, rate);
    w.add(pcmSound(1, 4410, 8000));
    const auto perFrame = static_cast<std::uint16_t>(44100 / rate);
    if (stream) {
        core::BitWriter h;
        h.ub(4, 0);
        h.ub(2, 3); h.flag(true); h.flag(false);
        h.ub(4, coding); h.ub(2, 3); h.flag(true); h.flag(false);
        h.u16(perFrame);
        w.add(tagWithCode(swf::TagCode::SoundStreamHead2, 0, h.take()));
    }
    for (unsigned f = 1; f <= frames; ++f) {
        if (f == 1) w.add(startSound(1));
        if (stream) {
            core::BitWriter b;
            for (unsigned i = 0; i < perFrame; ++i) b.s16(static_cast<std::int16_t>(100 * f));
            w.add(tagWithCode(swf::TagCode::SoundStreamBlock, 0, b.take()));
        }
        w.showFrame();
    }
    return w.finish();
}

}  // namespace sound_movies
