// The ActionScript Sound object reaching the mixer: attachSound by export name, start with an
// offset and loops, setVolume/getVolume, stop of every sound, and nothing queued when the
// movie plays without sound.
#include <gtest/gtest.h>

#include "player/player.h"
#include "player/script_host.h"
#include "sound/movie_sound.h"
#include "tests/avm1/bytecode_builder.h"
#include "tests/platform/view_movies.h"
#include "tests/sound/sound_movies.h"

namespace {

using avm1::Op;
using avm1test::Asm;

std::vector<std::uint8_t> scriptedSoundMovie() {
    swf::MovieWriter w(8, 100, 100, 10.0);
    w.add(sound_movies::pcmSound(1, 44100, 1000));
    swf::ExportAssets ex;
    ex.assets.push_back({1, "Music"});
    w.add(ex);
    Asm a;
    a.str("s").num(0).str("Sound").op(Op::NewObject).op(Op::SetVariable);
    a.str("Music").num(1).getVar("s").str("attachSound").op(Op::CallMethod).op(Op::Pop);
    // s.start(0.5, 3): arguments go on the stack last first, then their count.
    a.num(3).num(0.5).num(2).getVar("s").str("start").op(Op::CallMethod).op(Op::Pop);
    a.num(40).num(1).getVar("s").str("setVolume").op(Op::CallMethod).op(Op::Pop);
    a.num(0).getVar("s").str("getVolume").op(Op::CallMethod).trace();
    // A sound that is not exported starts nothing.
    a.str("Nothing").num(1).getVar("s").str("attachSound").op(Op::CallMethod).op(Op::Pop);
    a.num(0).getVar("s").str("start").op(Op::CallMethod).op(Op::Pop);
    a.op(Op::End);
    w.add(swf::DoAction{a.bytes}).showFrame();
    Asm b;
    b.num(0).getVar("s").str("stop").op(Op::CallMethod).op(Op::Pop);
    b.op(Op::End);
    w.add(swf::DoAction{b.bytes}).showFrame();
    return w.finish();
}

TEST(SoundObject, ScriptsStartStopAndSetTheVolume) {
    auto p = player::Player::loadBytes(scriptedSoundMovie());
    ASSERT_TRUE(p);
    player::Player& pl = **p;
    std::string traced;
    pl.scripts()->setTraceSink([&](std::string_view m) { traced += std::string(m) + "\n"; });
    pl.collectSounds(true);
    sound::Mixer mixer;
    sound::MovieSound ms(pl.library(), pl.frameRate(), pl.root().id());

    pl.advance();
    EXPECT_EQ(traced, "40\n");
    auto ev = pl.takeSoundEvents();
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].action, player::SoundAction::Start);
    EXPECT_EQ(ev[0].soundId, 1);
    EXPECT_EQ(ev[0].loops, 3);
    EXPECT_DOUBLE_EQ(ev[0].value, 0.5);
    EXPECT_EQ(ev[1].action, player::SoundAction::Volume);
    ms.apply(ev, mixer);
    EXPECT_EQ(mixer.voices(), 1u);
    EXPECT_EQ(mixer.volume(), 40);
    // From half a second in: the sound's level at 40 percent.
    std::vector<std::int16_t> out(200);
    mixer.mix(out.data(), 100);
    EXPECT_EQ(out[0], 400);

    pl.advance();
    ev = pl.takeSoundEvents();
    ASSERT_EQ(ev.size(), 1u);
    EXPECT_EQ(ev[0].action, player::SoundAction::Stop);
    EXPECT_EQ(ev[0].soundId, 0);
    ms.apply(ev, mixer);
    EXPECT_EQ(mixer.voices(), 0u);
}

TEST(SoundObject, NothingIsQueuedWithoutSound) {
    auto p = player::Player::loadBytes(scriptedSoundMovie());
    ASSERT_TRUE(p);
    (*p)->advance();
    (*p)->collectSounds(true);
    EXPECT_TRUE((*p)->takeSoundEvents().empty());
}

// A square button (character 20) at the stage's corner whose DefineButtonSound plays sound 1
// when the pointer comes over it and sound 2 when it is pressed.
std::vector<std::uint8_t> buttonSoundMovie() {
    swf::MovieWriter w(8, 100, 100, 10.0);
    w.add(view_movies::square(10, view_movies::kRed));
    w.add(sound_movies::pcmSound(1, 100, 1111));
    w.add(sound_movies::pcmSound(2, 100, 2222));
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    swf::ButtonRecord r;
    r.characterId = 10;
    r.depth = 1;
    r.up = r.over = r.down = r.hitTest = true;
    b.records = {r};
    w.add(b);
    core::BitWriter bs;
    bs.u16(20);
    bs.u16(0);             // over to idle: none
    bs.u16(1); bs.u8(0);   // idle to over: sound 1
    bs.u16(2); bs.u8(0);   // over to down: sound 2
    bs.u16(0);             // down to over: none
    w.add(sound_movies::tagWithCode(swf::TagCode::DefineButtonSound, 20, bs.take()));
    w.add(view_movies::placeAt(1, 20, 0, 0)).showFrame();
    return w.finish();
}

TEST(ButtonSound, TransitionsStartTheirSounds) {
    auto p = player::Player::loadBytes(buttonSoundMovie());
    ASSERT_TRUE(p);
    player::Player& pl = **p;
    pl.collectSounds(true);
    pl.advance();
    sound::Mixer mixer;
    sound::MovieSound ms(pl.library(), pl.frameRate(), pl.root().id());
    ms.apply(pl.takeSoundEvents(), mixer);
    EXPECT_TRUE(mixer.idle());
    std::vector<std::int16_t> out(2);
    const std::pair<void (*)(player::Player&), int> steps[] = {
        {[](player::Player& q) { q.mouseMove(10, 10); }, 1111},  // idle to over
        {[](player::Player& q) { q.mouseDown(); }, 2222},        // over to down
        {[](player::Player& q) { q.mouseUp(); }, 0},             // down to over: no sound
        {[](player::Player& q) { q.mouseMove(90, 90); }, 0},    // over to idle: no sound
    };
    for (const auto& [act, level] : steps) {
        mixer.stopAll();
        act(pl);
        ms.apply(pl.takeSoundEvents(), mixer);
        mixer.mix(out.data(), 1);
        EXPECT_EQ(out[0], level);
    }
}

}  // namespace
