// Scripts inside the player: the order of init actions, frame actions, clip events and
// child timelines within a frame; goto from scripts; a runaway script that the movie survives.
#include <gtest/gtest.h>

#include <cmath>

#include "bytecode_builder.h"
#include "player/player.h"
#include "player/script_host.h"
#include "player/shape_convert.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

swf::DoAction traceAction(const std::string& text) {
    Asm a;
    a.traceStr(text);
    return swf::DoAction{a.bytes};
}

struct Movie {
    std::unique_ptr<player::Player> player;
    std::string out;
};

std::unique_ptr<Movie> load(const swf::MovieWriter& w, player::PlayerOptions options = {}) {
    auto m = std::make_unique<Movie>();
    auto loaded = player::Player::loadBytes(w.finish(), options);
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return m;
    m->player = std::move(loaded.value());
    Movie* raw = m.get();
    m->player->scripts()->setTraceSink([raw](std::string_view s) {
        raw->out.append(s);
        raw->out += '\n';
    });
    return m;
}

// A sprite (id 1) that traces "child N" on its frames 1 and 2.
swf::DefineSprite tracingSprite() {
    swf::DefineSprite s;
    s.id = 1;
    s.frameCount = 2;
    s.tags = {swf::makeTag(traceAction("child 1")), swf::makeTag(swf::ShowFrame{}),
              swf::makeTag(traceAction("child 2")), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    return s;
}

TEST(FrameOrder, InitFrameChildAndClipEvents) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    Asm init;
    init.traceStr("init");
    w.add(swf::DoInitAction{1, init.bytes});
    w.add(traceAction("root 1"));
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    Asm onEnter;
    onEnter.traceStr("enterFrame");
    p.clipActions = {swf::ClipAction{0x02, 0, onEnter.bytes}};
    p.allEventFlags = 0x02;
    w.add(p);
    w.showFrame();
    w.add(traceAction("root 2"));
    w.showFrame();
    auto m = load(w);
    ASSERT_TRUE(m->player);
    m->player->advance();
    EXPECT_EQ(m->out, "init\nroot 1\nchild 1\n");
    m->out.clear();
    m->player->advance();
    // The child is newer than the main timeline: it runs first.
    EXPECT_EQ(m->out, "enterFrame\nchild 2\nroot 2\n");
}

TEST(FrameOrder, ClipEventsOfANewClip) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    w.add(traceAction("root 1"));
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    Asm onLoad, init, construct;
    onLoad.traceStr("load");
    init.traceStr("initialize");
    construct.traceStr("construct");
    p.clipActions = {swf::ClipAction{0x01, 0, onLoad.bytes}, swf::ClipAction{0x40000, 0, construct.bytes},
                     swf::ClipAction{0x200, 0, init.bytes}};
    p.allEventFlags = 0x40201;
    w.add(p);
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_EQ(m->out, "initialize\nconstruct\nroot 1\nload\nchild 1\n");
}

// function T() { trace("made " + this._name); }  T.prototype.hi = function () { return "hi"; };
// Object.registerClass("thing", T);  a = attachMovie("thing", "a", 1);  trace(a.hi());
TEST(FrameOrder, RegisteredClassOfAnAttachedClip) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    w.add(swf::ExportAssets{{swf::AssetRef{1, "thing"}}});
    Asm a;
    a.defineFunction("T", {}, Asm().str("made ").getVar("this").str("_name").op(Op::GetMember).op(Op::Add2).trace());
    a.getVar("T").str("prototype").op(Op::GetMember).str("hi")
        .defineFunction("", {}, Asm().str("hi").op(Op::Return)).op(Op::SetMember);
    a.getVar("T").str("thing").num(2).getVar("Object").str("registerClass").op(Op::CallMethod).op(Op::Pop);
    a.str("a").num(1).str("a").str("thing").num(3).getVar("_root").str("attachMovie").op(Op::CallMethod)
        .op(Op::SetVariable);
    a.num(0).getVar("a").str("hi").op(Op::CallMethod).trace();
    a.getVar("a").getVar("T").op(Op::InstanceOf).trace();
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_EQ(m->out, "made a\nhi\ntrue\nchild 1\n");
}

// The usual class pattern: the symbol's init actions register its class, and an instance placed
// on the same frame is made with it.
TEST(FrameOrder, InitActionsRegisterAClassBeforeInstancesOfTheFrameAreMade) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    w.add(swf::ExportAssets{{swf::AssetRef{1, "thing"}}});
    Asm init;
    init.defineFunction("T", {}, Asm().str("made ").getVar("this").str("_name").op(Op::GetMember).op(Op::Add2).trace());
    init.str("T").getVar("T").op(Op::SetVariable);
    init.getVar("T").str("thing").num(2).getVar("Object").str("registerClass").op(Op::CallMethod).op(Op::Pop);
    w.add(swf::DoInitAction{1, init.bytes});
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    w.add(p);
    Asm check;
    check.getVar("kid").getVar("T").op(Op::InstanceOf).trace();
    w.add(swf::DoAction{check.bytes});
    w.showFrame();
    auto m = load(w);
    ASSERT_TRUE(m->player);
    m->player->advance();
    EXPECT_NE(m->out.find("made kid\n"), std::string::npos) << m->out;
    EXPECT_NE(m->out.find("true\n"), std::string::npos) << m->out;
}

// Mouse and key input: a clip's mouse handler and clip event, and the listeners of Mouse and Key
// with what Key reports while a key is down and after it is released.
TEST(FrameOrder, MouseAndKeyInputReachClipsAndListeners) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    Asm down;
    down.traceStr("clip down");
    p.clipActions = {swf::ClipAction{0x10, 0, down.bytes}};
    p.allEventFlags = 0x10;
    w.add(p);
    Asm a;
    a.getVar("kid").str("onMouseMove").defineFunction("", {}, Asm().traceStr("move")).op(Op::SetMember);
    a.str("l").num(0).op(Op::InitObject).op(Op::SetVariable);
    a.getVar("l").str("onMouseUp").defineFunction("", {}, Asm().traceStr("listener up")).op(Op::SetMember);
    a.getVar("l").num(1).getVar("Mouse").str("addListener").op(Op::CallMethod).op(Op::Pop);
    auto keyReport = [](Asm& f) {
        f.num(0).getVar("Key").str("getCode").op(Op::CallMethod).str(" ").op(Op::Add2);
        f.num(0).getVar("Key").str("getAscii").op(Op::CallMethod).op(Op::Add2).str(" ").op(Op::Add2);
        f.num(65).num(1).getVar("Key").str("isDown").op(Op::CallMethod).op(Op::Add2).trace();
    };
    Asm onDown, onUp;
    keyReport(onDown);
    keyReport(onUp);
    a.str("k").num(0).op(Op::InitObject).op(Op::SetVariable);
    a.getVar("k").str("onKeyDown").defineFunction("", {}, onDown).op(Op::SetMember);
    a.getVar("k").str("onKeyUp").defineFunction("", {}, onUp).op(Op::SetMember);
    a.getVar("k").num(1).getVar("Key").str("addListener").op(Op::CallMethod).op(Op::Pop);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    ASSERT_TRUE(m->player);
    m->player->advance();
    m->out.clear();
    m->player->mouseMove(1, 1);
    m->player->mouseDown();
    m->player->mouseUp();
    m->player->keyDown(65, 97);
    m->player->keyUp(65);
    EXPECT_EQ(m->out, "move\nclip down\nlistener up\n65 97 true\n65 97 false\n");
}

// Frame 1 places the clip at x 0 and a script moves it to 100 px; frame 2's timeline move to
// 50 px does not take it back.
TEST(FrameOrder, ScriptMovedClipLeavesTheTimeline) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.name = "kid";
    p.matrix = swf::Matrix{};
    w.add(p);
    Asm a;
    a.getVar("kid").str("_x").num(100).op(Op::SetMember);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    swf::PlaceObject move;
    move.version = 2;
    move.depth = 1;
    move.move = true;
    move.matrix = swf::Matrix{1, 0, 0, 1, 1000, 0};
    w.add(move);
    Asm t;
    t.getVar("kid").str("_x").op(Op::GetMember).trace();
    w.add(swf::DoAction{t.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    m->player->advance();
    EXPECT_EQ(m->out, "child 1\nchild 2\n100\n");
}

TEST(FrameOrder, InitActionsRunOnce) {
    swf::MovieWriter w(7);
    w.add(tracingSprite());
    Asm init;
    init.traceStr("init");
    w.add(swf::DoInitAction{1, init.bytes});
    w.showFrame();
    w.showFrame();
    auto m = load(w);
    for (int i = 0; i < 5; ++i) m->player->advance();  // loops back over frame 1 twice
    EXPECT_EQ(m->out, "init\n");
}

TEST(FrameOrder, GotoRunsTheTargetFrameOnly) {
    swf::MovieWriter w(7);
    Asm f1;
    f1.traceStr("f1").num(3).str("gotoAndStop").op(Op::CallFunction);  // no such global: nothing
    f1.action(Op::GotoFrame, {2, 0});                                  // frame 3, stopped
    w.add(swf::DoAction{f1.bytes});
    w.showFrame();
    w.add(traceAction("f2"));
    w.showFrame();
    w.add(traceAction("f3"));
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    m->player->advance();
    EXPECT_EQ(m->out, "f1\nf3\n");
    EXPECT_EQ(m->player->currentFrame(), 3);
    EXPECT_FALSE(m->player->isPlaying());
}

TEST(FrameOrder, RunawayScriptIsStoppedAndTheMoviePlaysOn) {
    swf::MovieWriter w(7);
    Asm loop;
    loop.traceStr("spin");
    std::size_t top = loop.here();
    loop.patch(loop.branch(Op::Jump), top);
    w.add(swf::DoAction{loop.bytes});
    w.showFrame();
    w.add(traceAction("frame 2"));
    w.showFrame();
    player::PlayerOptions options;
    options.scriptStepBudget = 50000;
    auto m = load(w, options);
    m->player->advance();
    m->player->advance();
    EXPECT_EQ(m->out, "spin\nframe 2\n");
    EXPECT_EQ(m->player->scripts()->abortedRuns(), 1u);
}

// Frame 1 goes to frame 2 and frame 2 back to frame 1: each goto queues the other frame's
// script, for ever. The frame's budget ends it.
TEST(FrameOrder, ScriptsThatQueueEachOtherAreStopped) {
    swf::MovieWriter w(7);
    Asm f1, f2;
    f1.action(Op::GotoFrame, {1, 0});
    f2.action(Op::GotoFrame, {0, 0});
    w.add(swf::DoAction{f1.bytes});
    w.showFrame();
    w.add(swf::DoAction{f2.bytes});
    w.showFrame();
    player::PlayerOptions options;
    options.scriptStepBudget = 20000;
    auto m = load(w, options);
    m->player->advance();
    EXPECT_EQ(m->player->scripts()->abortedRuns(), 1u);  // the rest of the frame's queue is dropped
    m->player->advance();  // stopped by the gotos: nothing more runs
    EXPECT_EQ(m->player->scripts()->abortedRuns(), 1u);
    EXPECT_FALSE(m->player->isPlaying());
}

TEST(FrameOrder, ScriptsMakeAndRemoveClips) {
    swf::MovieWriter w(7);
    Asm a;
    a.num(3).str("made").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.getVar("made").trace();
    a.num(0).getVar("made").str("getDepth").op(Op::CallMethod).trace();
    a.getVar("made").str("_x").num(15).op(Op::SetMember);
    a.getVar("made").str("_x").op(Op::GetMember).trace();
    a.num(0).getVar("made").str("removeMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.getVar("made").op(Op::TypeOf).trace();
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_EQ(m->out, "_level0.made\n3\n15\nundefined\n");
}

}  // namespace

namespace {

TEST(Drawing, FillAndLineReachTheDrawList) {
    // beginFill(0xFF0000); moveTo(10,10); lineTo(50,10); lineTo(50,40); (closed by endFill)
    swf::MovieWriter w(7);
    Asm a;
    a.num(100).num(0xFF0000).num(2).str("beginFill").op(Op::CallFunction).op(Op::Pop);
    a.num(10).num(10).num(2).str("moveTo").op(Op::CallFunction).op(Op::Pop);
    a.num(10).num(50).num(2).str("lineTo").op(Op::CallFunction).op(Op::Pop);
    a.num(40).num(50).num(2).str("lineTo").op(Op::CallFunction).op(Op::Pop);
    a.num(0).str("endFill").op(Op::CallFunction).op(Op::Pop);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    player::DrawList list = m->player->drawList();
    ASSERT_EQ(list.items.size(), 1u);
    ASSERT_TRUE(list.items[0].drawing);
    const player::ConvertedShape& s = *list.items[0].drawing;
    ASSERT_FALSE(s.layers.empty());
    ASSERT_EQ(s.layers.back().fills.size(), 1u);
    EXPECT_EQ(s.layers.back().fills[0].style.color, (swf::Rgba{255, 0, 0, 255}));
    EXPECT_TRUE(s.layers.back().strokes.empty());
    EXPECT_FLOAT_EQ(s.bounds.x0, 200);  // twips
    EXPECT_FLOAT_EQ(s.bounds.x1, 1000);
    EXPECT_FLOAT_EQ(s.bounds.y1, 800);
}

// A drawn 40x30 rectangle in a clip at x 100, scaled 50% across: size and bounds at once.
TEST(Drawing, SizeAndBoundsOfADrawing) {
    swf::MovieWriter w(7);
    Asm a;
    a.num(1).str("mc").num(2).getVar("_root").str("createEmptyMovieClip").op(Op::CallMethod).op(Op::Pop);
    a.num(100).num(0).num(2).getVar("mc").str("beginFill").op(Op::CallMethod).op(Op::Pop);
    a.num(30).num(40).num(2).getVar("mc").str("lineTo").op(Op::CallMethod).op(Op::Pop);
    a.num(30).num(0).num(2).getVar("mc").str("lineTo").op(Op::CallMethod).op(Op::Pop);
    a.getVar("mc").str("_x").num(100).op(Op::SetMember);
    a.getVar("mc").str("_xscale").num(50).op(Op::SetMember);
    a.getVar("mc").str("_width").op(Op::GetMember).trace();
    a.getVar("mc").str("_height").op(Op::GetMember).trace();
    a.getVar("_root").num(1).getVar("mc").str("getBounds").op(Op::CallMethod).str("xMax").op(Op::GetMember).trace();
    a.num(10).num(110).num(2).getVar("mc").str("hitTest").op(Op::CallMethod).trace();
    a.getVar("mc").str("_width").num(40).op(Op::SetMember);
    a.getVar("mc").str("_xscale").op(Op::GetMember).trace();
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_EQ(m->out, "20\n30\n120\ntrue\n100\n");
}

// Coordinates that are no numbers or far off the stage are kept in range (no overflow).
TEST(Drawing, WildCoordinatesAreClamped) {
    swf::MovieWriter w(7);
    Asm a;
    a.num(100).num(0).num(2).str("beginFill").op(Op::CallFunction).op(Op::Pop);
    a.num(std::nan("")).num(INFINITY).num(2).str("lineTo").op(Op::CallFunction).op(Op::Pop);
    a.num(-1e300).num(1e300).num(2).str("lineTo").op(Op::CallFunction).op(Op::Pop);
    a.num(1e12).num(-1e12).num(1e12).num(-1e12).num(4).str("curveTo").op(Op::CallFunction).op(Op::Pop);
    a.num(std::nan("")).action(Op::WaitForFrame2, {1}).traceStr("skipped").traceStr("after");
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_EQ(m->out, "skipped\nafter\n");  // frame 0 counts as loaded
    player::DrawList list = m->player->drawList();
    ASSERT_EQ(list.items.size(), 1u);
    ASSERT_TRUE(list.items[0].drawing);
    EXPECT_LE(list.items[0].drawing->bounds.x1, 5.0e8f);
}

TEST(Drawing, ClearRemovesTheShape) {
    swf::MovieWriter w(7);
    Asm a;
    a.num(5).num(5).num(2).str("lineTo").op(Op::CallFunction).op(Op::Pop);
    a.num(0).str("clear").op(Op::CallFunction).op(Op::Pop);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto m = load(w);
    m->player->advance();
    EXPECT_TRUE(m->player->drawList().items.empty());
}

}  // namespace
