// The mixer (sound info records, envelopes, resampling, volume) and a movie's stream sound
// keeping its frames in step.
#include <gtest/gtest.h>

#include "core/bit_writer.h"
#include "player/library.h"
#include "sound/mixer.h"
#include "sound/movie_sound.h"
#include "swf/sound_tags.h"
#include "swf/tag_codes.h"

namespace {

using swf::EnvelopePoint;

std::shared_ptr<const sound::Clip> ramp(int rate, std::size_t frames, int channels = 1) {
    auto c = std::make_shared<sound::Clip>();
    c->rate = rate;
    c->channels = channels;
    for (std::size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < channels; ++ch) c->samples.push_back(static_cast<std::int16_t>(i * 10 + static_cast<std::size_t>(ch)));
    return c;
}

std::vector<std::int16_t> mixFrames(sound::Mixer& m, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    m.mix(out.data(), frames);
    return out;
}

TEST(Envelope, InterpolatesBetweenPoints) {
    const std::vector<EnvelopePoint> env = {{100, 0, 32768}, {300, 32768, 0}, {300, 1000, 1000}};
    struct Case { std::uint64_t pos; bool right; int want; };
    const Case cases[] = {
        {0, false, 0},          {100, false, 0},       {200, false, 16384}, {200, true, 16384},
        {299, false, 32604},    {300, false, 1000},    {5000, true, 1000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sound::envelopeLevel(env, c.pos, c.right), c.want) << c.pos << (c.right ? " right" : " left");
    EXPECT_EQ(sound::envelopeLevel({}, 7, false), 32768);
    // Levels above full scale (the field is 16 bits) do not amplify.
    EXPECT_EQ(sound::envelopeLevel({{0, 65535, 65535}}, 9, true), 32768);
}

TEST(Mixer, PlaysInAndOutPointsAndLoops) {
    sound::Mixer m;
    swf::SoundInfo info;
    info.hasInPoint = info.hasOutPoint = true;
    info.inPoint = 2;
    info.outPoint = 5;
    info.loops = 2;
    m.start(ramp(44100, 10), 1, info);
    auto out = mixFrames(m, 8);
    // Samples 2, 3, 4 twice, then silence; both channels carry the mono sound.
    const std::vector<std::int16_t> want = {20, 20, 30, 30, 40, 40, 20, 20, 30, 30, 40, 40, 0, 0, 0, 0};
    EXPECT_EQ(out, want);
    EXPECT_TRUE(m.idle());
}

TEST(Mixer, StopNoMultipleVoiceLimitAndVolume) {
    sound::Mixer m;
    swf::SoundInfo plain, noMultiple, stop;
    noMultiple.syncNoMultiple = true;
    stop.syncStop = true;
    m.start(ramp(44100, 100), 7, plain);
    m.start(ramp(44100, 100), 7, noMultiple);  // one plays already
    EXPECT_EQ(m.voices(), 1u);
    m.start(ramp(44100, 100), 8, plain);
    m.start(nullptr, 7, stop);
    EXPECT_EQ(m.voices(), 1u);
    m.setVolume(50);
    auto out = mixFrames(m, 3);
    EXPECT_EQ(out[4], 10);  // sample 2 of sound 8 (20) at half volume
    for (int i = 0; i < 100; ++i) m.start(ramp(44100, 100), 9, plain);
    EXPECT_EQ(m.voices(), sound::kMaxVoices);
    // An undecodable sound (no clip) starts nothing.
    m.stopAll();
    m.start(nullptr, 3, plain);
    EXPECT_TRUE(m.idle());
}

TEST(Mixer, ResamplesEachRateToTheOutputRate) {
    for (int rate : {5512, 11025, 22050, 44100}) {
        sound::Mixer m;
        m.start(ramp(rate, 1000, 2), 1, {});
        auto out = mixFrames(m, 44100);
        std::size_t played = 0;
        while (played < 44100 && (out[played * 2] != 0 || played == 0)) ++played;
        // The sound lasts 1000 / rate seconds at any rate.
        EXPECT_NEAR(static_cast<double>(played), 1000.0 * 44100 / rate, 2.0) << rate;
        // Halfway between two source samples the output lies halfway between their values.
        if (rate == 22050) {
            EXPECT_EQ(out[2 * 11], 55);
            EXPECT_EQ(out[2 * 11 + 1], 56);
        }
    }
}

TEST(Mixer, ClipsTheSumOfLoudSounds) {
    auto loud = std::make_shared<sound::Clip>();
    loud->samples.assign(10, 30000);
    sound::Mixer m;
    m.start(loud, 1, {});
    m.start(loud, 2, {});
    auto out = mixFrames(m, 2);
    EXPECT_EQ(out[0], 32767);
}

// --- stream sound ------------------------------------------------------------------------------

swf::SoundTag streamHead(std::uint16_t samplesPerBlock) {
    core::BitWriter w;
    w.ub(4, 0);
    w.ub(2, 3); w.flag(true); w.flag(false);                 // playback: 44 kHz, 16-bit, mono
    w.ub(4, 3); w.ub(2, 3); w.flag(true); w.flag(false);     // stream: little-endian PCM, same
    w.u16(samplesPerBlock);
    return swf::SoundTag{0, w.take()};
}

swf::SoundTag pcmBlock(std::size_t samples, std::int16_t value) {
    core::BitWriter w;
    for (std::size_t i = 0; i < samples; ++i) w.s16(value);
    return swf::SoundTag{0, w.take()};
}

TEST(StreamSound, EachFrameSoundsItsOwnBlockWithoutDrift) {
    // 30 frames a second: 1470 samples a frame at 44.1 kHz, each frame's block at its own level.
    constexpr std::size_t kPerFrame = 1470;
    player::Library lib;
    sound::Mixer mixer;
    sound::MovieSound ms(lib, 30.0, 1);
    auto head = streamHead(kPerFrame);
    std::vector<swf::SoundTag> blocks;
    for (int f = 0; f < 40; ++f) blocks.push_back(pcmBlock(kPerFrame, static_cast<std::int16_t>(100 * (f + 1))));
    const auto headCode = static_cast<std::uint16_t>(swf::TagCode::SoundStreamHead2);
    const auto blockCode = static_cast<std::uint16_t>(swf::TagCode::SoundStreamBlock);
    std::vector<std::int16_t> out;
    for (int f = 0; f < 40; ++f) {
        player::SoundEvents ev;
        if (f == 0) ev.push_back({headCode, &head, 1, 1});
        ev.push_back({blockCode, &blocks[static_cast<std::size_t>(f)], 1, static_cast<std::uint16_t>(f + 1)});
        ms.apply(ev, mixer);
        auto piece = mixFrames(mixer, kPerFrame);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    for (int f = 0; f < 40; ++f) {
        std::size_t first = static_cast<std::size_t>(f) * kPerFrame * 2, last = first + kPerFrame * 2 - 2;
        EXPECT_EQ(out[first], 100 * (f + 1)) << "frame " << f + 1;
        EXPECT_EQ(out[last], 100 * (f + 1)) << "frame " << f + 1;
    }
}

TEST(StreamSound, TheTimelineFollowsTheSamplesMixed) {
    constexpr std::size_t kPerFrame = 3675;  // 12 frames a second
    player::Library lib;
    sound::Mixer mixer;
    sound::MovieSound ms(lib, 12.0, 1);
    auto head = streamHead(kPerFrame);
    auto block = pcmBlock(kPerFrame, 1000);
    const auto headCode = static_cast<std::uint16_t>(swf::TagCode::SoundStreamHead);
    const auto blockCode = static_cast<std::uint16_t>(swf::TagCode::SoundStreamBlock);
    EXPECT_FALSE(ms.framesDue(mixer));  // no stream yet: the clock schedules
    ms.apply({{headCode, &head, 1, 1}, {blockCode, &block, 1, 1}}, mixer);
    // Frame 1 is shown; with a lead of two frames one more is due before any sound is mixed.
    EXPECT_EQ(ms.framesDue(mixer, 2), 1u);
    ms.apply({{blockCode, &block, 1, 2}}, mixer);
    EXPECT_EQ(ms.framesDue(mixer, 2), 0u);
    // The audio device took three frames' worth at once (the picture fell behind): the timeline
    // catches up by three frames, not by the wall clock.
    ms.apply({{blockCode, &block, 1, 3}}, mixer);
    mixFrames(mixer, kPerFrame * 3);
    EXPECT_EQ(ms.framesDue(mixer, 2), 2u);
    // Stopped (the mixer dropped the stream): the clock schedules until blocks come again, and
    // the stream's clock starts over with them.
    mixer.stopAll();
    EXPECT_FALSE(ms.framesDue(mixer, 2));
    ms.apply({{blockCode, &block, 1, 4}}, mixer);
    EXPECT_EQ(ms.framesDue(mixer, 2), 1u);
    // A stream of another timeline does not pace the movie.
    sound::MovieSound other(lib, 12.0, 99);
    other.apply({{headCode, &head, 1, 1}, {blockCode, &block, 1, 1}}, mixer);
    EXPECT_FALSE(other.framesDue(mixer));
}

TEST(StreamSound, UndecodableCodingsStaySilent) {
    core::BitWriter w;
    w.ub(4, 0);
    w.ub(2, 3); w.flag(true); w.flag(false);
    w.ub(4, 6); w.ub(2, 3); w.flag(true); w.flag(false);  // Nellymoser
    w.u16(100);
    swf::SoundTag head{0, w.take()};
    auto block = pcmBlock(100, 500);
    player::Library lib;
    sound::Mixer mixer;
    sound::MovieSound ms(lib, 12.0, 1);
    ms.apply({{static_cast<std::uint16_t>(swf::TagCode::SoundStreamHead), &head, 1, 1},
              {static_cast<std::uint16_t>(swf::TagCode::SoundStreamBlock), &block, 1, 1}},
             mixer);
    EXPECT_EQ(ms.undecodable(), 1u);
    EXPECT_TRUE(mixer.idle());
    // A StartSound naming a sound the library lacks starts nothing.
    core::BitWriter s;
    s.u16(42);
    s.u8(0);
    swf::SoundTag start{42, s.take()};
    ms.apply({{static_cast<std::uint16_t>(swf::TagCode::StartSound), &start, 1, 1}}, mixer);
    EXPECT_EQ(mixer.voices(), 0u);
}

}  // namespace

// --- sound tag records ---------------------------------------------------------------------------

TEST(SoundTags, StartSoundReadsEveryPartOfItsInfoRecord) {
    core::BitWriter w;
    w.u16(9);
    w.ub(2, 0);
    w.flag(false); w.flag(true);                // no stop, no multiple
    w.flag(true); w.flag(true); w.flag(true); w.flag(true);  // envelope, loops, out, in
    w.u32(100);                                 // in point
    w.u32(90000);                               // out point
    w.u16(3);                                   // loops
    w.u8(2);
    w.u32(0); w.u16(32768); w.u16(0);
    w.u32(44100); w.u16(0); w.u16(32768);
    swf::SoundTag tag{9, w.take()};
    auto s = swf::readStartSound(tag, static_cast<std::uint16_t>(swf::TagCode::StartSound));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->soundId, 9);
    EXPECT_FALSE(s->info.syncStop);
    EXPECT_TRUE(s->info.syncNoMultiple);
    EXPECT_TRUE(s->info.hasInPoint && s->info.hasOutPoint);
    EXPECT_EQ(s->info.inPoint, 100u);
    EXPECT_EQ(s->info.outPoint, 90000u);
    EXPECT_EQ(s->info.loops, 3);
    ASSERT_EQ(s->info.envelope.size(), 2u);
    EXPECT_EQ(s->info.envelope[1].position44, 44100u);
    EXPECT_EQ(s->info.envelope[1].left, 0);
    EXPECT_EQ(s->info.envelope[1].right, 32768);

    // Cut inside the envelope: an error, not a shorter envelope.
    swf::SoundTag cut{9, std::vector<std::uint8_t>(tag.data.begin(), tag.data.end() - 3)};
    EXPECT_FALSE(swf::readStartSound(cut, static_cast<std::uint16_t>(swf::TagCode::StartSound)));

    // StartSound2 names the sound by its class (export) name.
    core::BitWriter w2;
    w2.cstring("Music");
    w2.u8(0x20);  // stop
    auto s2 = swf::readStartSound(swf::SoundTag{0, w2.take()}, static_cast<std::uint16_t>(swf::TagCode::StartSound2));
    ASSERT_TRUE(s2);
    EXPECT_EQ(s2->className, "Music");
    EXPECT_TRUE(s2->info.syncStop);
}

TEST(SoundTags, DefinitionsAndStreamHeadsGiveFormatAndData) {
    core::BitWriter d;
    d.u16(4);
    d.ub(4, 2); d.ub(2, 2); d.flag(true); d.flag(true);  // MP3, 22 kHz, 16-bit, stereo
    d.u32(1152);
    d.s16(576);  // seek samples: not part of the MP3 data
    d.u8(0xFF); d.u8(0xFB);
    const swf::SoundTag defTag{4, d.take()};  // the record's data points into the tag
    auto def = swf::readSoundDefinition(defTag);
    ASSERT_TRUE(def);
    EXPECT_EQ(def->id, 4);
    EXPECT_EQ(def->format.coding, 2);
    EXPECT_EQ(def->format.rateCode, 2);
    EXPECT_TRUE(def->format.sixteenBit && def->format.stereo);
    EXPECT_EQ(def->sampleCount, 1152u);
    ASSERT_EQ(def->data.size(), 2u);
    EXPECT_EQ(def->data[0], 0xFF);

    core::BitWriter h;
    h.ub(4, 0);
    h.ub(2, 1); h.flag(false); h.flag(false);
    h.ub(4, 1); h.ub(2, 1); h.flag(true); h.flag(true);  // ADPCM 11 kHz stereo
    h.u16(918);
    auto head = swf::readStreamHead(swf::SoundTag{0, h.take()});
    ASSERT_TRUE(head);
    EXPECT_EQ(head->stream.coding, 1);
    EXPECT_EQ(head->stream.rateCode, 1);
    EXPECT_TRUE(head->stream.stereo);
    EXPECT_FALSE(head->playback.stereo);
    EXPECT_EQ(head->samplesPerBlock, 918);
    EXPECT_FALSE(swf::readStreamHead(swf::SoundTag{0, {0x00}}));
}
