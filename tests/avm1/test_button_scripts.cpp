// Buttons in scripts: a named button's object (its class, display properties and flags), its
// handlers in the order of the mouse transitions after the button's own actions, disabled
// buttons, clips with mouse handlers that act as buttons, and buttons attached by export name.
#include <gtest/gtest.h>

#include "bytecode_builder.h"
#include "player/button.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;
namespace bc = player::button_condition;

std::int32_t tw(double px) { return static_cast<std::int32_t>(px * 20); }

// Shape `id`: a filled square of 100 px from the origin.
swf::DefineShape square(std::uint16_t id) {
    swf::DefineShape s;
    s.id = id;
    s.version = 3;
    s.bounds = {0, tw(100), 0, tw(100)};
    swf::FillStyle f;
    f.color = {200, 0, 0, 255};
    s.shape.styles.fills = {f};
    swf::ShapeRecord m;
    m.hasMove = m.hasFill1 = true;
    m.fill1 = 1;
    s.shape.records.push_back(m);
    for (auto [dx, dy] : {std::pair{100, 0}, {0, 100}, {-100, 0}, {0, -100}}) {
        swf::ShapeRecord e;
        e.kind = swf::ShapeRecord::Kind::StraightEdge;
        e.dx = tw(dx);
        e.dy = tw(dy);
        s.shape.records.push_back(e);
    }
    return s;
}

swf::PlaceObject placeAt(std::uint16_t depth, std::uint16_t id, const char* name, double x, double y) {
    swf::PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    if (name) p.name = name;
    p.matrix = swf::Matrix{1, 0, 0, 1, tw(x), tw(y)};
    return p;
}

struct Movie {
    std::unique_ptr<player::Player> player;
    std::string out;
};

// Stage 500x200. Button 20 (square 10 in every state and as hit area; each transition's
// action traces "a:<transition>"), exported as "squareButton", placed as `btn` at (50, 50)
// unless `placeButton` is false. Sprite 30 (square 10) placed as `clip` at (250, 50) and as
// `plain` at (380, 50); `clip` has the clip events `clipEvents`. `script` runs on frame 1.
std::unique_ptr<Movie> buttonMovie(const Asm& script, bool placeButton = true,
                                   const std::vector<swf::ClipAction>& clipEvents = {}) {
    swf::MovieWriter w(8, 500, 200);
    w.add(square(10));
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    swf::ButtonRecord r;
    r.characterId = 10;
    r.depth = 1;
    r.up = r.over = r.down = r.hitTest = true;
    b.records = {r};
    const std::pair<std::uint16_t, const char*> transitions[] = {
        {bc::kIdleToOverUp, "over"},          {bc::kOverUpToIdle, "out"},         {bc::kOverUpToOverDown, "press"},
        {bc::kOverDownToOverUp, "release"},   {bc::kOutDownToIdle, "releaseOutside"},
        {bc::kOverDownToOutDown, "dragOut"},  {bc::kOutDownToOverDown, "dragOver"}};
    for (auto [condition, name] : transitions) {
        Asm a;
        a.traceStr(std::string("a:") + name);
        b.actions.push_back({condition, a.bytes});
    }
    w.add(b);
    w.add(swf::ExportAssets{{swf::AssetRef{20, "squareButton"}}});
    swf::DefineSprite sprite;
    sprite.id = 30;
    sprite.frameCount = 1;
    sprite.tags = {swf::makeTag(placeAt(1, 10, nullptr, 0, 0)), swf::makeTag(swf::ShowFrame{}),
                   swf::makeTag(swf::End{})};
    w.add(sprite);
    swf::DefineSprite holder;  // sprite 40, exported as "withButton": the button as `inner`
    holder.id = 40;
    holder.frameCount = 1;
    holder.tags = {swf::makeTag(placeAt(1, 20, "inner", 0, 0)), swf::makeTag(swf::ShowFrame{}),
                   swf::makeTag(swf::End{})};
    w.add(holder);
    w.add(swf::ExportAssets{{swf::AssetRef{40, "withButton"}}});
    if (placeButton) w.add(placeAt(1, 20, "btn", 50, 50));
    swf::PlaceObject clip = placeAt(2, 30, "clip", 250, 50);
    clip.clipActions = clipEvents;
    for (const swf::ClipAction& a : clipEvents) clip.allEventFlags |= a.events;
    w.add(clip);
    w.add(placeAt(3, 30, "plain", 380, 50));
    w.add(swf::DoAction{script.bytes});
    w.showFrame();
    auto m = std::make_unique<Movie>();
    auto loaded = player::Player::loadBytes(w.finish());
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return m;
    m->player = std::move(loaded.value());
    Movie* raw = m.get();
    m->player->scripts()->setTraceSink([raw](std::string_view s) {
        raw->out.append(s);
        raw->out += '\n';
    });
    m->player->advance();
    return m;
}

// obj.name
Asm& member(Asm& a, const std::string& obj, const std::string& name) {
    return a.getVar(obj).str(name).op(Op::GetMember);
}

// obj.name = function () { trace("h:name " + this._name); } for each handler name.
Asm handlers(const std::string& obj, std::initializer_list<const char*> names) {
    Asm a;
    for (const char* name : names) {
        Asm body;
        body.str(std::string("h:") + name + " ");
        member(body, "this", "_name").op(Op::Add2).trace();
        a.getVar(obj).str(name).defineFunction("", {}, body).op(Op::SetMember);
    }
    return a;
}

constexpr std::initializer_list<const char*> kAllHandlers = {"onPress",   "onRelease",  "onReleaseOutside", "onRollOver",
                                                             "onRollOut", "onDragOver", "onDragOut"};

TEST(ButtonScripts, PropertiesClassAndPrototype) {
    struct Case {
        const char* name;
        Asm script;
        const char* expect;
    };
    auto traced = [](const std::string& obj, const std::string& prop) {
        Asm a;
        member(a, obj, prop).trace();
        return a;
    };
    auto setThenTrace = [](const std::string& prop, double v, const std::string& read) {
        Asm a;
        a.getVar("btn").str(prop).num(v).op(Op::SetMember);
        member(a, "btn", read).trace();
        return a;
    };
    Asm instance, type, depth, proto, asString, missing, parent, duplicate;
    duplicate.getVar("btn").str("copy").num(16384 + 7).op(Op::CloneSprite);  // duplicateMovieClip(btn, "copy", 7)
    duplicate.getVar("copy").getVar("Button").op(Op::InstanceOf).trace();
    duplicate.getVar("copy").trace();
    member(duplicate, "copy", "_x").trace();
    instance.getVar("btn").getVar("Button").op(Op::InstanceOf).trace();
    instance.getVar("btn").getVar("MovieClip").op(Op::InstanceOf).trace();
    type.getVar("btn").op(Op::TypeOf).trace();
    depth.num(0).getVar("btn").str("getDepth").op(Op::CallMethod).trace();
    member(proto, "Button", "prototype").str("greeting").str("hi").op(Op::SetMember);
    member(proto, "btn", "greeting").trace();
    asString.getVar("btn").trace();
    missing.getVar("nothing").trace();
    member(parent, "btn", "_parent").getVar("_root").op(Op::StrictEquals).trace();
    const Case cases[] = {
        {"name", traced("btn", "_name"), "btn\n"},
        {"target", traced("btn", "_target"), "/btn\n"},
        {"parent is the main timeline", std::move(parent), "true\n"},
        {"position", traced("btn", "_x"), "50\n"},
        {"size of its shape", traced("btn", "_width"), "100\n"},
        {"x written", setThenTrace("_x", 70, "_x"), "70\n"},
        {"xscale doubles the width", setThenTrace("_xscale", 200, "_width"), "200\n"},
        {"height written scales", setThenTrace("_height", 50, "_yscale"), "50\n"},
        {"rotation", setThenTrace("_rotation", 90, "_rotation"), "90\n"},
        {"alpha", setThenTrace("_alpha", 50, "_alpha"), "50\n"},
        {"visible", setThenTrace("_visible", 0, "_visible"), "false\n"},
        {"enabled by default", traced("btn", "enabled"), "true\n"},
        {"hand cursor by default", traced("btn", "useHandCursor"), "true\n"},
        {"tab index is free", setThenTrace("tabIndex", 3, "tabIndex"), "3\n"},
        {"instanceof Button, not MovieClip", std::move(instance), "true\nfalse\n"},
        {"typeof", std::move(type), "object\n"},
        {"depth", std::move(depth), "-16383\n"},
        {"prototype extensions reach it", std::move(proto), "hi\n"},
        {"converts to its path", std::move(asString), "_level0.btn\n"},
        {"a name nothing has", std::move(missing), "undefined\n"},
        {"not a menu by definition", traced("btn", "trackAsMenu"), "false\n"},
        {"duplicated in place", std::move(duplicate), "true\n_level0.copy\n50\n"},
    };
    for (const Case& c : cases) {
        auto m = buttonMovie(c.script);
        ASSERT_TRUE(m->player) << c.name;
        EXPECT_EQ(m->out, c.expect) << c.name;
    }
}

TEST(ButtonScripts, WrittenPropertiesMoveTheHitArea) {
    Asm script;
    script.getVar("btn").str("_x").num(0).op(Op::SetMember);
    auto m = buttonMovie(script);
    ASSERT_TRUE(m->player);
    m->player->mouseMove(120, 100);  // inside where it was placed, outside where it is now
    EXPECT_FALSE(m->player->pointerOverButton());
    m->player->mouseMove(20, 100);
    EXPECT_TRUE(m->player->pointerOverButton());
}

// One step of mouse input and the traces it causes.
struct Step {
    enum Kind { Move, Down, Up } kind;
    double x = 0, y = 0;
    const char* expect = "";
};

void play(Movie& m, const std::vector<Step>& steps, const char* name) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        m.out.clear();
        if (s.kind == Step::Move) m.player->mouseMove(s.x, s.y);
        else if (s.kind == Step::Down) m.player->mouseDown();
        else m.player->mouseUp();
        EXPECT_EQ(m.out, s.expect) << name << ", step " << i;
    }
}

TEST(ButtonScripts, HandlersRunAfterTheButtonsOwnActions) {
    struct Case {
        const char* name;
        Asm script;
        std::vector<Step> steps;
    };
    Asm disabled = handlers("btn", kAllHandlers);
    disabled.getVar("btn").str("enabled").boolean(false).op(Op::SetMember);
    Asm justPress = handlers("btn", {"onPress"});
    const Case cases[] = {
        {"click, drag out and in, release",
         handlers("btn", kAllHandlers),
         {{Step::Move, 100, 100, "a:over\nh:onRollOver btn\n"},
          {Step::Down, 0, 0, "a:press\nh:onPress btn\n"},
          {Step::Move, 10, 10, "a:dragOut\nh:onDragOut btn\n"},
          {Step::Move, 100, 100, "a:dragOver\nh:onDragOver btn\n"},
          {Step::Up, 0, 0, "a:release\nh:onRelease btn\n"},
          {Step::Move, 10, 10, "a:out\nh:onRollOut btn\n"}}},
        {"release outside",
         handlers("btn", kAllHandlers),
         {{Step::Move, 100, 100, "a:over\nh:onRollOver btn\n"},
          {Step::Down, 0, 0, "a:press\nh:onPress btn\n"},
          {Step::Move, 10, 10, "a:dragOut\nh:onDragOut btn\n"},
          {Step::Up, 0, 0, "a:releaseOutside\nh:onReleaseOutside btn\n"}}},
        {"only the handlers it has",
         std::move(justPress),
         {{Step::Move, 100, 100, "a:over\n"}, {Step::Down, 0, 0, "a:press\nh:onPress btn\n"}, {Step::Up, 0, 0, "a:release\n"}}},
        {"a disabled button fires nothing",
         std::move(disabled),
         {{Step::Move, 100, 100, ""}, {Step::Down, 0, 0, ""}, {Step::Up, 0, 0, ""}, {Step::Move, 10, 10, ""}}},
    };
    for (const Case& c : cases) {
        auto m = buttonMovie(c.script);
        ASSERT_TRUE(m->player) << c.name;
        play(*m, c.steps, c.name);
    }
}

TEST(ButtonScripts, EnabledIsReadAtEachEvent) {
    auto m = buttonMovie(handlers("btn", {"onRollOver", "onRollOut"}));
    ASSERT_TRUE(m->player);
    auto setEnabled = [&m](bool on) {
        Asm a;
        a.getVar("btn").str("enabled").boolean(on).op(Op::SetMember);
        m->player->scripts()->vm().runActions(a.bytes, m->player->root().id());
    };
    play(*m, {{Step::Move, 100, 100, "a:over\nh:onRollOver btn\n"}}, "enabled");
    setEnabled(false);
    play(*m, {{Step::Move, 10, 10, ""}, {Step::Move, 100, 100, ""}, {Step::Down, 0, 0, ""}, {Step::Up, 0, 0, ""}},
         "disabled");
    EXPECT_FALSE(m->player->pointerOverButton());
    setEnabled(true);
    play(*m, {{Step::Move, 101, 100, "a:over\nh:onRollOver btn\n"}}, "enabled again");
}

TEST(ButtonScripts, ClipsWithMouseHandlersActAsButtons) {
    Asm script = handlers("clip", {"onPress", "onRelease", "onRollOver", "onRollOut", "onReleaseOutside"});
    auto m = buttonMovie(script);
    ASSERT_TRUE(m->player);
    play(*m,
         {{Step::Move, 300, 100, "h:onRollOver clip\n"},
          {Step::Down, 0, 0, "h:onPress clip\n"},
          {Step::Up, 0, 0, "h:onRelease clip\n"},
          {Step::Move, 200, 100, "h:onRollOut clip\n"},
          {Step::Move, 300, 100, "h:onRollOver clip\n"},
          {Step::Down, 0, 0, "h:onPress clip\n"},
          {Step::Move, 200, 100, ""},
          {Step::Up, 0, 0, "h:onReleaseOutside clip\n"}},
         "clip");
    // A clip without handlers is no button.
    m->player->mouseMove(420, 100);
    EXPECT_FALSE(m->player->pointerOverButton());
    m->player->mouseMove(300, 100);
    EXPECT_TRUE(m->player->pointerOverButton());
}

TEST(ButtonScripts, ClipEventsOfTheMouseComeBeforeHandlers) {
    auto event = [](std::uint32_t flag, const char* text) {
        Asm a;
        a.traceStr(text);
        return swf::ClipAction{flag, 0, a.bytes};
    };
    // on(press), on(release), on(rollOver); onPress set by script.
    const std::vector<swf::ClipAction> events = {event(0x400, "c:press"), event(0x800, "c:release"),
                                                 event(0x2000, "c:rollOver")};
    auto m = buttonMovie(handlers("clip", {"onPress"}), true, events);
    ASSERT_TRUE(m->player);
    play(*m,
         {{Step::Move, 300, 100, "c:rollOver\n"},
          {Step::Down, 0, 0, "c:press\nh:onPress clip\n"},
          {Step::Up, 0, 0, "c:release\n"},
          {Step::Move, 200, 100, ""}},
         "clip events");
    // Clip events alone make a clip a button.
    auto bare = buttonMovie(Asm{}, true, events);
    ASSERT_TRUE(bare->player);
    bare->player->mouseMove(300, 100);
    EXPECT_TRUE(bare->player->pointerOverButton());
    EXPECT_EQ(bare->out, "c:rollOver\n");
}

TEST(ButtonScripts, SelectionFocusCallsSetAndKillFocus) {
    Asm script = handlers("btn", {"onSetFocus", "onKillFocus"});
    script.append(handlers("clip", {"onSetFocus", "onKillFocus"}));
    auto setFocus = [&script](auto push) {
        push(script);
        script.num(1).getVar("Selection").str("setFocus").op(Op::CallMethod).trace();
        script.num(0).getVar("Selection").str("getFocus").op(Op::CallMethod).trace();
    };
    setFocus([](Asm& a) { a.getVar("btn"); });
    setFocus([](Asm& a) { a.getVar("btn"); });  // already focused: no events
    setFocus([](Asm& a) { a.str("clip"); });     // a path
    setFocus([](Asm& a) { a.str("nowhere"); });  // nothing there: focus stays
    setFocus([](Asm& a) { a.null(); });
    auto m = buttonMovie(script);
    ASSERT_TRUE(m->player);
    EXPECT_EQ(m->out,
              "h:onSetFocus btn\ntrue\n_level0.btn\n"
              "true\n_level0.btn\n"
              "h:onKillFocus btn\nh:onSetFocus clip\ntrue\n_level0.clip\n"
              "false\n_level0.clip\n"
              "h:onKillFocus clip\nfalse\nnull\n");
}

TEST(ButtonScripts, ReferencesToRemovedButtonsResolveToNothing) {
    Asm script;
    script.num(10).str("holder").str("withButton").num(3).getVar("_root").str("attachMovie").op(Op::CallMethod).op(Op::Pop);
    script.str("ref");
    member(script, "holder", "inner").op(Op::SetVariable);
    script.traceVar("ref");
    // A text field in the same clip goes the same way.
    script.num(10).num(10).num(0).num(0).num(1).str("field").num(6).getVar("holder").str("createTextField");
    script.op(Op::CallMethod).op(Op::Pop);
    script.str("fieldRef");
    member(script, "holder", "field").op(Op::SetVariable);
    script.num(0).getVar("holder").str("removeMovieClip").op(Op::CallMethod).op(Op::Pop);
    member(script, "ref", "_name").trace();
    member(script, "fieldRef", "_name").trace();
    script.getVar("ref").op(Op::TypeOf).trace();
    auto m = buttonMovie(script);
    ASSERT_TRUE(m->player);
    EXPECT_EQ(m->out, "_level0.holder.inner\nundefined\nundefined\nobject\n");
}

TEST(ButtonScripts, ButtonsPlacedAgainAndAgainLeaveNothingBehind) {
    // Frame 1 places `btn` and gives it a handler, frame 2 removes it; the movie loops.
    swf::MovieWriter w(8, 200, 200);
    w.add(square(10));
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    swf::ButtonRecord r;
    r.characterId = 10;
    r.up = r.hitTest = true;
    b.records = {r};
    w.add(b);
    w.add(placeAt(1, 20, "btn", 0, 0));
    w.add(swf::DoAction{handlers("btn", {"onPress"}).bytes});
    w.showFrame();
    w.add(swf::RemoveObject{2, std::nullopt, 1});
    w.showFrame();
    auto loaded = player::Player::loadBytes(w.finish());
    ASSERT_TRUE(loaded.ok());
    player::Player& p = **loaded;
    auto heapAfter = [&p](int frames) {
        for (int i = 0; i < frames; ++i) p.advance();
        p.scripts()->vm().collectGarbage();
        return p.scripts()->vm().heapObjects();
    };
    const std::size_t early = heapAfter(20);
    EXPECT_LE(heapAfter(400), early + 4);
}

TEST(ButtonScripts, APressAfterARolloverThatChangedTheStage) {
    // Button 20 rolls over to frame 2, which replaces it by button 21 under the pointer; 21
    // rolls over to frame 3, which removes it. A press that finds 21 under the pointer first
    // runs its rollover: the press must not reach the removed button.
    swf::MovieWriter w(8, 200, 200);
    w.add(square(10));
    for (std::uint16_t id : {20, 21}) {
        swf::DefineButton b;
        b.id = id;
        b.version = 2;
        swf::ButtonRecord r;
        r.characterId = 10;
        r.up = r.over = r.down = r.hitTest = true;
        b.records = {r};
        Asm over;
        over.traceStr(id == 20 ? "over 20" : "over 21").action(Op::GotoFrame, {static_cast<std::uint8_t>(id - 19), 0});
        over.op(Op::Stop);
        Asm press;
        press.traceStr("pressed");
        b.actions = {{bc::kIdleToOverUp, over.bytes}, {bc::kOverUpToOverDown, press.bytes}};
        w.add(b);
    }
    Asm stop;
    stop.op(Op::Stop);
    w.add(placeAt(1, 20, "first", 0, 0)).add(swf::DoAction{stop.bytes}).showFrame();
    w.add(swf::RemoveObject{2, std::nullopt, 1}).add(placeAt(2, 21, "second", 0, 0)).showFrame();
    w.add(swf::RemoveObject{2, std::nullopt, 2}).showFrame();
    auto loaded = player::Player::loadBytes(w.finish());
    ASSERT_TRUE(loaded.ok());
    player::Player& p = **loaded;
    std::string out;
    p.scripts()->setTraceSink([&out](std::string_view m) { out.append(m).append("\n"); });
    p.advance();
    p.mouseMove(20, 20);
    EXPECT_EQ(out, "over 20\n");
    p.mouseDown();
    EXPECT_EQ(out, "over 20\nover 21\n");
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_FALSE(p.pointerOverButton());
    p.mouseUp();
}

TEST(ButtonScripts, AttachMovieMakesExportedButtons) {
    Asm script;
    // attachMovie("squareButton", "attached", 5, {f: 56}): buttons take no init object.
    script.str("f").num(56).num(1).op(Op::InitObject);
    script.num(5).str("attached").str("squareButton").num(4).getVar("_root").str("attachMovie").op(Op::CallMethod).op(Op::Pop);
    script.getVar("attached").getVar("Button").op(Op::InstanceOf).trace();
    member(script, "attached", "_name").trace();
    member(script, "attached", "f").trace();
    script.append(handlers("attached", {"onPress"}));
    auto m = buttonMovie(script, false);
    ASSERT_TRUE(m->player);
    EXPECT_EQ(m->out, "true\nattached\nundefined\n");
    play(*m, {{Step::Move, 50, 50, "a:over\n"}, {Step::Down, 0, 0, "a:press\nh:onPress attached\n"}}, "attached");
}

}  // namespace
