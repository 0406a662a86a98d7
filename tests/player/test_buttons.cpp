// Buttons: the state machine of pointer and mouse button, hit tests against the fill region of
// a ring (its hole is not a hit), and the states, draw list and queued actions through Player.
#include <gtest/gtest.h>

#include "player/button.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

namespace bc = player::button_condition;
using player::ButtonEvent;
using player::ButtonState;
using player::ButtonTarget;

// One step of input for the tracker.
struct Step {
    enum Kind { Over, Press, Release } kind;
    std::uint32_t id = 0;  // Over: the button under the pointer (0: none)
    bool menu = false;
    std::vector<ButtonEvent> expect;
};

TEST(ButtonTracker, TransitionsRaiseTheirConditions) {
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"roll over and out",
         {{Step::Over, 1, false, {{1, ButtonState::Over, bc::kIdleToOverUp}}},
          {Step::Over, 1, false, {}},
          {Step::Over, 0, false, {{1, ButtonState::Up, bc::kOverUpToIdle}}}}},
        {"click",
         {{Step::Over, 1, false, {{1, ButtonState::Over, bc::kIdleToOverUp}}},
          {Step::Press, 0, false, {{1, ButtonState::Down, bc::kOverUpToOverDown}}},
          {Step::Release, 0, false, {{1, ButtonState::Over, bc::kOverDownToOverUp}}}}},
        {"drag out and back in",
         {{Step::Over, 1, false, {{1, ButtonState::Over, bc::kIdleToOverUp}}},
          {Step::Press, 0, false, {{1, ButtonState::Down, bc::kOverUpToOverDown}}},
          {Step::Over, 0, false, {{1, ButtonState::Over, bc::kOverDownToOutDown}}},
          {Step::Over, 1, false, {{1, ButtonState::Down, bc::kOutDownToOverDown}}},
          {Step::Release, 0, false, {{1, ButtonState::Over, bc::kOverDownToOverUp}}}}},
        {"release outside, over another button",
         {{Step::Over, 1, false, {{1, ButtonState::Over, bc::kIdleToOverUp}}},
          {Step::Press, 0, false, {{1, ButtonState::Down, bc::kOverUpToOverDown}}},
          {Step::Over, 2, false, {{1, ButtonState::Over, bc::kOverDownToOutDown}}},
          {Step::Release, 0, false,
           {{1, ButtonState::Up, bc::kOutDownToIdle}, {2, ButtonState::Over, bc::kIdleToOverUp}}}}},
        {"a press outside every button presses nothing",
         {{Step::Press, 0, false, {}},
          {Step::Over, 1, false, {}},
          {Step::Release, 0, false, {}},
          {Step::Over, 0, false, {{1, ButtonState::Up, bc::kOverUpToIdle}}}}},
        {"menu buttons are entered and left while down",
         {{Step::Press, 0, false, {}},
          {Step::Over, 3, true, {{3, ButtonState::Down, bc::kIdleToOverDown}}},
          {Step::Over, 4, true,
           {{3, ButtonState::Up, bc::kOverDownToIdle}, {4, ButtonState::Down, bc::kIdleToOverDown}}},
          {Step::Release, 0, false, {{4, ButtonState::Over, bc::kOverDownToOverUp}}}}},
        {"a second press while down changes nothing",
         {{Step::Over, 1, false, {{1, ButtonState::Over, bc::kIdleToOverUp}}},
          {Step::Press, 0, false, {{1, ButtonState::Down, bc::kOverUpToOverDown}}},
          {Step::Press, 0, false, {}},
          {Step::Release, 0, false, {{1, ButtonState::Over, bc::kOverDownToOverUp}}},
          {Step::Release, 0, false, {}}}},
    };
    for (const Case& c : cases) {
        player::ButtonTracker t;
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            std::vector<ButtonEvent> got = s.kind == Step::Over    ? t.pointerAt(ButtonTarget{s.id, s.menu})
                                           : s.kind == Step::Press ? t.press()
                                                                   : t.release();
            EXPECT_EQ(got, s.expect) << c.name << ", step " << i;
        }
    }
}

TEST(ButtonTracker, ForgottenButtonsAreNeitherHoveredNorPressed) {
    player::ButtonTracker t;
    t.pointerAt({5, false});
    t.press();
    t.forget(5);
    EXPECT_EQ(t.hovered(), 0u);
    EXPECT_EQ(t.pressed(), 0u);
    EXPECT_TRUE(t.release().empty());
}

TEST(PathContains, FillRulesAndCurves) {
    render::Path ring;
    ring.addRect(0, 0, 100, 100);
    ring.addRect(30, 30, 70, 70);  // same direction: a hole only even-odd
    EXPECT_FALSE(player::pathContains(ring, 50, 50, false));
    EXPECT_TRUE(player::pathContains(ring, 50, 50, true));
    EXPECT_TRUE(player::pathContains(ring, 10, 50, false));
    EXPECT_FALSE(player::pathContains(ring, 101, 50, false));
    render::Path bump;  // a curve bulging up from (0,0)-(100,0) to about y = -50
    bump.moveTo(0, 0);
    bump.quadTo(50, -100, 100, 0);
    bump.close();
    EXPECT_TRUE(player::pathContains(bump, 50, -40, false));
    EXPECT_FALSE(player::pathContains(bump, 50, -60, false));
    EXPECT_FALSE(player::pathContains(bump, 5, -40, false));
}

// Pixels to twips.
std::int32_t tw(double px) { return static_cast<std::int32_t>(px * 20); }

// A square ring 100 px wide with a 40 px hole, filled even-odd with one colour.
swf::DefineShape ring(std::uint16_t id, swf::Rgba color) {
    swf::DefineShape s;
    s.id = id;
    s.version = 3;
    s.bounds = {0, tw(100), 0, tw(100)};
    swf::FillStyle f;
    f.color = color;
    s.shape.styles.fills = {f};
    auto move = [&s](double x, double y) {
        swf::ShapeRecord r;
        r.hasMove = r.hasFill1 = true;
        r.fill1 = 1;
        r.dx = tw(x);
        r.dy = tw(y);
        s.shape.records.push_back(r);
    };
    auto edge = [&s](double dx, double dy) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = tw(dx);
        r.dy = tw(dy);
        s.shape.records.push_back(r);
    };
    move(0, 0);
    edge(100, 0), edge(0, 100), edge(-100, 0), edge(0, -100);
    move(30, 30);
    edge(40, 0), edge(0, 40), edge(-40, 0), edge(0, -40);
    return s;
}

swf::ButtonRecord record(std::uint16_t character, bool up, bool over, bool down, bool hit) {
    swf::ButtonRecord r;
    r.characterId = character;
    r.depth = 1;
    r.up = up;
    r.over = over;
    r.down = down;
    r.hitTest = hit;
    return r;
}

// Button 20 at (50, 50) px: ring 10 (red) up, ring 11 over, ring 12 down, ring 10 as hit area.
// Each action block is one byte naming it, unless `actions` gives the release's block; scripts
// run only with `scripts` (else the blocks are queued for the caller).
std::unique_ptr<player::Player> ringButtonMovie(unsigned version = 2, bool cxform = false, bool scripts = false,
                                                const swf::Bytes& releaseActions = {3}) {
    swf::MovieWriter w(8, 200, 200);
    w.add(ring(10, {255, 0, 0, 255})).add(ring(11, {0, 255, 0, 255})).add(ring(12, {0, 0, 255, 255}));
    swf::DefineButton b;
    b.id = 20;
    b.version = version;
    b.records = {record(10, true, false, false, true), record(11, false, true, false, false),
                 record(12, false, false, true, false)};
    if (version == 2) {
        b.actions = {{bc::kIdleToOverUp, {1}},
                     {bc::kOverUpToOverDown, {2}},
                     {bc::kOverDownToOverUp, releaseActions},
                     {bc::kOverUpToIdle | bc::kOutDownToIdle, {4}},
                     {static_cast<std::uint16_t>(('A' << 9)), {5}}};  // a key press: never by mouse
    } else {
        b.actions = {{bc::kOverDownToOverUp, {3}}};
    }
    w.add(b);
    if (cxform) {
        swf::DefineButtonCxform c;
        c.buttonId = 20;
        c.colorTransform.rAdd = 7;
        w.add(c);
    }
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 20;
    p.matrix = swf::Matrix{1, 0, 0, 1, tw(50), tw(50)};
    w.add(p).showFrame();
    player::PlayerOptions options;
    options.runScripts = scripts;
    auto loaded = player::Player::loadBytes(w.finish(), options);
    if (!loaded.ok()) return nullptr;
    (*loaded)->advance();
    return std::move(loaded).value();
}

std::vector<std::uint8_t> firedActions(player::Player& p) {
    std::vector<std::uint8_t> out;
    for (const player::PendingAction& a : p.takePendingActions())
        if (a.actions && !a.actions->empty()) out.push_back(a.actions->front());
    return out;
}

std::uint16_t shownCharacter(const player::Player& p) {
    const player::DrawList list = p.drawList();
    return list.items.size() == 1 ? list.items[0].characterId : 0;
}

TEST(Buttons, TheRingsHoleIsNoHit) {
    auto p = ringButtonMovie();
    ASSERT_TRUE(p);
    struct Probe {
        double x, y;
        bool over;
    };
    const Probe probes[] = {
        {100, 100, false},  // the hole's centre
        {85, 100, false},   // the hole spans 80..120 px on the stage
        {75, 100, true},    // the ring's left band, level with the hole
        {60, 60, true},     // the ring's top-left band
        {145, 100, true},   // the ring's right band
        {151, 100, false},  // just outside the ring
        {45, 45, false},    // outside, inside no bounding box
    };
    for (const Probe& pr : probes) {
        p->mouseMove(pr.x, pr.y);
        EXPECT_EQ(p->pointerOverButton(), pr.over) << pr.x << "," << pr.y;
    }
}

TEST(Buttons, MouseInputChangesStatesAndQueuesActions) {
    auto p = ringButtonMovie();
    ASSERT_TRUE(p);
    EXPECT_EQ(shownCharacter(*p), 10);
    p->mouseMove(60, 60);
    EXPECT_TRUE(p->pointerOverButton());
    EXPECT_EQ(shownCharacter(*p), 11);
    EXPECT_EQ(firedActions(*p), (std::vector<std::uint8_t>{1}));
    p->mouseDown();
    EXPECT_EQ(shownCharacter(*p), 12);
    EXPECT_EQ(firedActions(*p), (std::vector<std::uint8_t>{2}));
    p->mouseMove(100, 100);  // into the hole: dragged out, shows the over state
    EXPECT_EQ(shownCharacter(*p), 11);
    EXPECT_TRUE(firedActions(*p).empty());
    p->mouseMove(60, 60);
    EXPECT_EQ(shownCharacter(*p), 12);
    p->mouseUp();
    EXPECT_EQ(shownCharacter(*p), 11);
    EXPECT_EQ(firedActions(*p), (std::vector<std::uint8_t>{3}));
    p->mouseMove(10, 10);
    EXPECT_EQ(shownCharacter(*p), 10);
    EXPECT_EQ(firedActions(*p), (std::vector<std::uint8_t>{4}));

    // Release outside.
    p->mouseMove(60, 60);
    p->mouseDown();
    p->mouseMove(190, 190);
    p->takePendingActions();
    p->mouseUp();
    EXPECT_EQ(shownCharacter(*p), 10);
    const auto pending = p->takePendingActions();
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending[0].condition, bc::kOutDownToIdle);
    EXPECT_EQ(pending[0].buttonId, 20);
    EXPECT_EQ(pending[0].clip, &p->root());
}

TEST(Buttons, WithScriptsOnAReleaseRunsItsActionsAtOnce) {
    // push "clicked"; trace; end
    const swf::Bytes traceClicked = {0x96, 0x09, 0x00, 0x00, 'c', 'l', 'i', 'c', 'k', 'e', 'd', 0x00, 0x26, 0x00};
    auto p = ringButtonMovie(2, false, true, traceClicked);
    ASSERT_TRUE(p);
    ASSERT_NE(p->scripts(), nullptr);
    std::vector<std::string> traced;
    p->scripts()->setTraceSink([&traced](std::string_view m) { traced.emplace_back(m); });
    p->mouseMove(60, 60);
    p->mouseDown();
    EXPECT_TRUE(traced.empty());
    p->mouseUp();
    EXPECT_EQ(traced, std::vector<std::string>{"clicked"});
    EXPECT_TRUE(p->takePendingActions().empty());
}

TEST(Buttons, AStillPointerFollowsTheStageAfterEachFrame) {
    auto p = ringButtonMovie();
    ASSERT_TRUE(p);
    p->mouseMove(60, 60);
    ASSERT_TRUE(p->pointerOverButton());
    // The only frame loops: the button stays and stays hovered with no new transition.
    p->takePendingActions();
    p->advance();
    EXPECT_TRUE(p->pointerOverButton());
    EXPECT_TRUE(p->takePendingActions().empty());
}

TEST(Buttons, VersionOneButtonsReleaseAndTakeTheirCxform) {
    auto p = ringButtonMovie(1, true);
    ASSERT_TRUE(p);
    const player::DrawList list = p->drawList();
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_FLOAT_EQ(list.items[0].colorTransform.add[0], 7);
    p->mouseMove(60, 60);
    p->mouseDown();
    p->mouseUp();
    EXPECT_EQ(firedActions(*p), (std::vector<std::uint8_t>{3}));
}

TEST(Buttons, SpritesInAStateAreDrawnWhenItShows) {
    swf::MovieWriter w(8, 200, 200);
    w.add(ring(10, {255, 0, 0, 255})).add(ring(11, {0, 255, 0, 255}));
    swf::DefineSprite sprite;
    sprite.id = 30;
    sprite.frameCount = 1;
    swf::PlaceObject inner;
    inner.version = 2;
    inner.depth = 1;
    inner.characterId = 11;
    inner.matrix = swf::Matrix{1, 0, 0, 1, tw(5), 0};
    sprite.tags = {swf::makeTag(inner), swf::makeTag(swf::ShowFrame{}), swf::makeTag(swf::End{})};
    w.add(sprite);
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    b.records = {record(10, true, false, false, true), record(30, false, true, false, false)};
    w.add(b);
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 20;
    p.matrix = swf::Matrix{1, 0, 0, 1, tw(50), tw(50)};
    w.add(p).showFrame();
    player::PlayerOptions options;
    options.runScripts = false;
    auto loaded = player::Player::loadBytes(w.finish(), options);
    ASSERT_TRUE(loaded.ok());
    player::Player& pl = **loaded;
    pl.advance();
    EXPECT_EQ(shownCharacter(pl), 10);
    pl.mouseMove(60, 60);
    const player::DrawList list = pl.drawList();
    ASSERT_EQ(list.items.size(), 1u);
    EXPECT_EQ(list.items[0].characterId, 11);
    // The sprite's placement inside the button's placement.
    EXPECT_FLOAT_EQ(list.items[0].matrix.tx, static_cast<float>(tw(55)));
    pl.advance();
    EXPECT_EQ(shownCharacter(pl), 11);
}

}  // namespace
