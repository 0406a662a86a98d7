// Timelines under scripts: the order in which clips advance, what a rewind keeps and what it
// makes again, gotos past the last frame, and sprites whose last frame is unfinished.
#include <gtest/gtest.h>

#include "bytecode_builder.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

swf::Tag traceTag(const std::string& text) {
    Asm a;
    a.traceStr(text);
    return swf::makeTag(swf::DoAction{a.bytes});
}

swf::Tag actionTag(const Asm& a) { return swf::makeTag(swf::DoAction{a.bytes}); }

swf::PlaceObject placement(std::uint16_t depth, std::uint16_t character, const std::string& name) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = character;
    p.name = name;
    return p;
}

// Runs `frames` iterations and returns the trace output.
std::string play(const swf::MovieWriter& w, int frames, bool* playingAfter = nullptr, int* frameAfter = nullptr) {
    auto loaded = player::Player::loadBytes(w.finish(), {});
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return {};
    player::Player& p = **loaded;
    std::string out;
    p.scripts()->setTraceSink([&out](std::string_view s) {
        out.append(s);
        out += '\n';
    });
    for (int i = 0; i < frames; ++i) p.advance();
    if (playingAfter) *playingAfter = p.isPlaying();
    if (frameAfter) *frameAfter = p.currentFrame();
    return out;
}

// trace(this._name + suffix)
Asm traceOwnName(const std::string& suffix) {
    Asm a;
    a.getVar("this").str("_name").op(Op::GetMember).str(suffix).op(Op::Add2).trace();
    return a;
}

// Three clips placed in one frame at depths 10, 12 and 11 run their first frames in the order
// of placement; from then on the newest clip runs first and the main timeline, the oldest, last.
TEST(ClipOrder, NewestClipsAdvanceFirst) {
    swf::MovieWriter w(7);
    swf::DefineSprite s;
    s.id = 1;
    s.frameCount = 2;
    s.tags = {actionTag(traceOwnName(" 1")), swf::makeTag(swf::ShowFrame{}), actionTag(traceOwnName(" 2")),
              swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(s);
    w.add(placement(10, 1, "a"));
    w.add(placement(12, 1, "b"));
    w.add(placement(11, 1, "c"));
    w.showFrame();
    w.add(traceTag("root 2"));
    w.showFrame();
    EXPECT_EQ(play(w, 2), "a 1\nb 1\nc 1\nc 2\nb 2\na 2\nroot 2\n");
}

// A one-frame sprite (id `id`) whose frame traces "born <id>"; its placements can carry a
// construct clip event that traces "made".
swf::DefineSprite bornSprite(std::uint16_t id) {
    swf::DefineSprite s;
    s.id = id;
    s.frameCount = 1;
    s.tags = {traceTag("born " + std::to_string(id)), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    return s;
}

swf::PlaceObject withConstructEvent(swf::PlaceObject p) {
    Asm made;
    made.traceStr("made");
    p.clipActions = {swf::ClipAction{0x40000, 0, made.bytes}};
    p.allEventFlags = 0x40000;
    return p;
}

struct RewindCase {
    const char* what;
    std::uint16_t laterRatio;  // ratio of the placement in frame 3
    const char* expected;
};

class Rewind : public testing::TestWithParam<RewindCase> {};

// Frame 1 places "first", frame 2 removes it, frame 3 places the same sprite as "second" and
// goes back to frame 1. With the same ratio the object stays (with its later name and no new
// construct event); with another ratio it is made again, clip events included. (A frame's
// scripts queue before the first frames of the clips it places.)
TEST_P(Rewind, KeepsTheSameCharacterWithTheSameRatio) {
    swf::MovieWriter w(7);
    w.add(bornSprite(1));
    w.add(withConstructEvent(placement(1, 1, "first")));
    w.showFrame();
    w.add(swf::RemoveObject{2, std::nullopt, 1});
    w.showFrame();
    swf::PlaceObject later = withConstructEvent(placement(1, 1, "second"));
    later.ratio = GetParam().laterRatio;
    w.add(later);
    Asm back;
    back.action(Op::GotoFrame, {0, 0});
    w.add(swf::DoAction{back.bytes});
    Asm look;
    look.getVar("first").op(Op::TypeOf).trace().getVar("second").op(Op::TypeOf).trace();
    w.add(swf::DoAction{look.bytes});
    w.showFrame();
    EXPECT_EQ(play(w, 3), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Ratios, Rewind,
    testing::Values(RewindCase{"same ratio", 0, "made\nborn 1\nmade\nundefined\nmovieclip\nborn 1\n"},
                    RewindCase{"other ratio", 65535, "made\nborn 1\nmade\nmade\nmovieclip\nundefined\nborn 1\n"}));

// Clips that swapDepths moved are the scripts' from then on: looping back to frame 1, where
// the timeline has each of them at the other's depth (a.swapDepths(b)), neither is made again.
TEST(SwappedClips, StayThroughARewind) {
    swf::MovieWriter w(7);
    w.add(bornSprite(1));
    w.add(bornSprite(2));
    w.add(placement(1, 1, "a"));
    w.add(placement(2, 2, "b"));
    w.showFrame();
    Asm swap;
    swap.getVar("b").num(1).getVar("a").str("swapDepths").op(Op::CallMethod).op(Op::Pop);
    w.add(swf::DoAction{swap.bytes});
    w.showFrame();
    EXPECT_EQ(play(w, 5), "born 1\nborn 2\n");
}

struct GotoPastEndCase {
    const char* what;
    bool method;  // _root.gotoAndStop(99) instead of the GotoFrame action
    const char* expected;
    int frameAfter;
};

class GotoPastEnd : public testing::TestWithParam<GotoPastEndCase> {};

// A three-frame movie whose first frame goes to frame 99: the action leaves the timeline
// where it is (stopped); the method goes to the last frame.
TEST_P(GotoPastEnd, ActionStaysMethodClamps) {
    swf::MovieWriter w(7);
    Asm a;
    if (GetParam().method) a.num(99).num(1).getVar("_root").str("gotoAndStop").op(Op::CallMethod).op(Op::Pop);
    else a.action(Op::GotoFrame, {98, 0});
    a.getVar("_root").str("_currentframe").op(Op::GetMember).trace();
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    w.add(traceTag("f2"));
    w.showFrame();
    w.add(traceTag("f3"));
    w.showFrame();
    bool playing = true;
    int frame = 0;
    EXPECT_EQ(play(w, 3, &playing, &frame), GetParam().expected) << GetParam().what;
    EXPECT_FALSE(playing) << GetParam().what;
    EXPECT_EQ(frame, GetParam().frameAfter) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Kinds, GotoPastEnd,
                         testing::Values(GotoPastEndCase{"action", false, "1\n", 1},
                                         GotoPastEndCase{"method", true, "3\nf3\n", 3}));

struct EndingCase {
    const char* what;
    bool trailingFrame;  // the second frame's script has no ShowFrame after it
    bool withEnd;
    const char* expected;  // what the sprite traces in five iterations
};

class SpriteEnding : public testing::TestWithParam<EndingCase> {};

// Only a sprite whose tags end with ShowFrame and End loops; one with an unfinished last frame
// plays it once and stays there.
TEST_P(SpriteEnding, OnlyFinishedTimelinesLoop) {
    const EndingCase& c = GetParam();
    swf::MovieWriter w(7);
    swf::DefineSprite s;
    s.id = 1;
    s.frameCount = 2;
    s.tags = {traceTag("1"), swf::makeTag(swf::ShowFrame{}), traceTag("2")};
    if (!c.trailingFrame) s.tags.push_back(swf::makeTag(swf::ShowFrame{}));
    if (c.withEnd) s.tags.push_back(swf::makeTag(swf::End{}));
    w.add(s);
    w.add(placement(1, 1, "kid"));
    w.showFrame();
    EXPECT_EQ(play(w, 5), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Endings, SpriteEnding,
                         testing::Values(EndingCase{"finished", false, true, "1\n2\n1\n2\n1\n"},
                                         EndingCase{"no End tag", false, false, "1\n2\n"},
                                         EndingCase{"trailing frame", true, true, "1\n2\n"},
                                         EndingCase{"trailing frame, no End", true, false, "1\n2\n"}));

// Going forward past frames merges their placements: a clip placed and removed again on the
// way is never made, so it takes no "instanceN" name and has no unload event.
TEST(GotoForward, PassedOverClipsAreNeverMade) {
    swf::MovieWriter w(7);
    swf::DefineSprite s;
    s.id = 1;
    s.frameCount = 1;
    s.tags = {actionTag(traceOwnName(" here")), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(s);
    Asm skip;
    skip.action(Op::GotoFrame, {3, 0});  // frame 4
    w.add(swf::DoAction{skip.bytes});
    w.showFrame();
    swf::PlaceObject passing = placement(1, 1, "");
    passing.name.reset();
    Asm unload;
    unload.traceStr("unload");
    passing.clipActions = {swf::ClipAction{0x04, 0, unload.bytes}};
    passing.allEventFlags = 0x04;
    w.add(passing);
    w.showFrame();
    w.add(swf::RemoveObject{2, std::nullopt, 1});
    w.showFrame();
    swf::PlaceObject staying = placement(2, 1, "");
    staying.name.reset();
    w.add(staying);
    w.showFrame();
    EXPECT_EQ(play(w, 1), "instance1 here\n");
}

}  // namespace
