#include <gtest/gtest.h>

#include <map>
#include <random>

#include "movie_builder.h"

namespace {

using namespace testmovie;
using player::Player;

// depth -> (character, x) of the main timeline.
std::map<int, std::pair<int, int>> snapshot(const Player& p) {
    std::map<int, std::pair<int, int>> out;
    for (const auto& [depth, obj] : p.root().displayList())
        out[depth] = {obj.placement.characterId, obj.placement.matrix.tx};
    return out;
}

using Snap = std::map<int, std::pair<int, int>>;

TEST(Timeline, NothingBeforeTheFirstAdvance) {
    swf::MovieWriter w;
    w.add(box(1)).add(place(1, 1)).showFrame();
    auto p = load(w);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->currentFrame(), 0);
    EXPECT_TRUE(p->root().displayList().empty());
    p->advance();
    EXPECT_EQ(p->currentFrame(), 1);
    EXPECT_EQ(snapshot(*p), (Snap{{1, {1, 0}}}));
}

struct PlaceCase {
    const char* name;
    std::vector<swf::TagBody> secondFrame;  // applied after frame 1 placed box 1 at depth 1, x=0
    Snap expected;
};

class PlaceRules : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceRules, SecondFrame) {
    swf::MovieWriter w;
    w.add(box(1)).add(box(2)).add(place(1, 1)).showFrame();
    for (const auto& t : GetParam().secondFrame) w.add(t);
    w.showFrame();
    auto p = load(w);
    ASSERT_TRUE(p);
    p->advance();
    p->advance();
    EXPECT_EQ(snapshot(*p), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PlaceRules,
    ::testing::Values(
        PlaceCase{"move_keeps_character", {moveTo(1, 40)}, {{1, {1, 40}}}},
        PlaceCase{"replace_keeps_matrix", {[] { auto p = moveTo(1, 60); return p; }(), replaceWith(1, 2)},
                  {{1, {2, 60}}}},
        PlaceCase{"place_on_taken_depth_replaces_all", {place(1, 2, 99)}, {{1, {2, 99}}}},
        PlaceCase{"move_on_empty_depth_ignored", {moveTo(5, 10)}, {{1, {1, 0}}}},
        PlaceCase{"replace_on_empty_depth_ignored", {replaceWith(5, 2)}, {{1, {1, 0}}}},
        PlaceCase{"unknown_character_not_placed", {place(3, 77)}, {{1, {1, 0}}}},
        PlaceCase{"remove2", {removeAt(1)}, {}},
        PlaceCase{"remove1", {swf::RemoveObject{1, std::uint16_t{1}, 1}}, {}},
        PlaceCase{"remove_empty_depth_harmless", {removeAt(9)}, {{1, {1, 0}}}},
        PlaceCase{"place_then_remove_same_frame", {place(2, 2), removeAt(2)}, {{1, {1, 0}}}},
        PlaceCase{"place_object_1_adds", {[] {
                      swf::PlaceObject p;
                      p.version = 1;
                      p.characterId = 2;
                      p.depth = 3;
                      p.matrix = swf::Matrix{1, 0, 0, 1, 7, 0};
                      return p;
                  }()},
                  {{1, {1, 0}}, {3, {2, 7}}}}),
    [](const auto& info) { return info.param.name; });

TEST(Timeline, ModifyKeepsPropertiesNotGiven) {
    swf::MovieWriter w;
    auto first = place(1, 1, 10);
    first.colorTransform = swf::ColorTransform{128, 128, 128, 128, 0, 0, 0, 0};
    first.name = "a";
    first.ratio = 500;
    w.add(box(1)).add(first).showFrame().add(moveTo(1, 50)).showFrame();
    auto p = load(w);
    p->advance();
    p->advance();
    const auto& obj = p->root().displayList().at(1);
    EXPECT_EQ(obj.placement.matrix.tx, 50);
    EXPECT_EQ(obj.placement.colorTransform.rMul, 128);
    EXPECT_EQ(obj.placement.name, "a");
    EXPECT_EQ(obj.placement.ratio, 500);
}

TEST(Timeline, LoopsAndStops) {
    swf::MovieWriter w;
    w.add(box(1)).add(box(2)).add(place(1, 1)).showFrame().add(replaceWith(1, 2)).showFrame();
    auto p = load(w);
    std::vector<int> frames;
    for (int i = 0; i < 5; ++i) {
        p->advance();
        frames.push_back(p->currentFrame());
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 1, 2, 1}));
    EXPECT_EQ(snapshot(*p), (Snap{{1, {1, 0}}}));
    p->stop();
    p->advance();
    EXPECT_EQ(p->currentFrame(), 1);
    p->play();
    p->advance();
    EXPECT_EQ(p->currentFrame(), 2);

    player::PlayerOptions once;
    once.loop = false;
    auto q = load(w, once);
    for (int i = 0; i < 4; ++i) q->advance();
    EXPECT_EQ(q->currentFrame(), 2);
    EXPECT_FALSE(q->isPlaying());
}

TEST(Timeline, RewindGoesToFrameOneAndStops) {
    swf::MovieWriter w;
    w.add(box(1)).add(place(1, 1)).showFrame().add(moveTo(1, 30)).showFrame().showFrame();
    auto p = load(w);
    p->advance();
    p->advance();
    p->rewind();
    EXPECT_EQ(p->currentFrame(), 1);
    EXPECT_FALSE(p->isPlaying());
    EXPECT_EQ(snapshot(*p), (Snap{{1, {1, 0}}}));
}

TEST(Timeline, FrameLabels) {
    swf::MovieWriter w;
    w.add(box(1)).showFrame().add(swf::FrameLabel{"Middle", false}).add(place(1, 1)).showFrame().showFrame();
    auto p = load(w);
    EXPECT_TRUE(p->gotoLabel("Middle"));
    EXPECT_EQ(p->currentFrame(), 2);
    p->gotoFrame(3);
    EXPECT_TRUE(p->gotoLabel("middle"));  // case differs
    EXPECT_EQ(p->currentFrame(), 2);
    EXPECT_FALSE(p->gotoLabel("nowhere"));
    EXPECT_EQ(p->currentFrame(), 2);
}

TEST(Timeline, LabelsDifferingInCaseGoToTheEarliest) {
    swf::MovieWriter w;
    w.showFrame().add(swf::FrameLabel{"first", false}).showFrame().add(swf::FrameLabel{"First", false}).showFrame();
    auto p = load(w);
    EXPECT_TRUE(p->gotoLabel("First"));  // the exact spelling sits later
    EXPECT_EQ(p->currentFrame(), 2);
}

TEST(Timeline, GotoClampsToFrameRange) {
    swf::MovieWriter w;
    w.showFrame().showFrame().showFrame();
    auto p = load(w);
    p->gotoFrame(0);
    EXPECT_EQ(p->currentFrame(), 1);
    p->gotoFrame(999);
    EXPECT_EQ(p->currentFrame(), 3);
}

// A random timeline: going to any frame (forwards or backwards) gives the display list that
// playing from the start up to that frame gives.
TEST(Timeline, GotoAnyFrameMatchesPlaying) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 20; ++round) {
        swf::MovieWriter w;
        for (std::uint16_t id = 1; id <= 4; ++id) w.add(box(id));
        const int frames = 12;
        for (int f = 0; f < frames; ++f) {
            int ops = static_cast<int>(rng() % 4);
            for (int k = 0; k < ops; ++k) {
                auto depth = static_cast<std::uint16_t>(1 + rng() % 5);
                auto id = static_cast<std::uint16_t>(1 + rng() % 5);  // 5 is never defined
                auto x = static_cast<std::int32_t>(rng() % 100);
                switch (rng() % 4) {
                case 0: w.add(place(depth, id, x)); break;
                case 1: w.add(moveTo(depth, x)); break;
                case 2: w.add(replaceWith(depth, id)); break;
                default: w.add(removeAt(depth)); break;
                }
            }
            w.showFrame();
        }
        std::vector<Snap> played;
        auto p = load(w);
        for (int f = 0; f < frames; ++f) {
            p->advance();
            played.push_back(snapshot(*p));
        }
        for (int from = 1; from <= frames; from += 3) {
            for (int to = 1; to <= frames; ++to) {
                auto q = load(w);
                q->gotoFrame(static_cast<std::uint16_t>(from));
                q->gotoFrame(static_cast<std::uint16_t>(to));
                ASSERT_EQ(snapshot(*q), played[static_cast<std::size_t>(to - 1)])
                    << "round " << round << " from " << from << " to " << to;
            }
        }
    }
}

int spriteFrame(const Player& p, int depth) {
    const auto& obj = p.root().displayList().at(depth);
    return obj.clip ? obj.clip->currentFrame() : -1;
}

TEST(Timeline, NestedSpritesRunTheirOwnFrames) {
    swf::MovieWriter w;
    for (std::uint16_t id = 1; id <= 3; ++id) w.add(box(id));
    w.add(countingSprite(10, 1, 3));
    w.add(place(1, 10)).showFrame().showFrame().add(place(2, 10)).showFrame().showFrame().showFrame();
    auto p = load(w);
    std::vector<std::pair<int, int>> seen;
    for (int i = 0; i < 5; ++i) {
        p->advance();
        int second = p->root().displayList().count(2) ? spriteFrame(*p, 2) : 0;
        seen.emplace_back(spriteFrame(*p, 1), second);
    }
    // The sprite placed in frame 3 starts at its own frame 1 and loops by itself.
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 0}, {2, 0}, {3, 1}, {1, 2}, {2, 3}}));
    // Its content follows its frame.
    const auto& inner = p->root().displayList().at(1).clip->displayList();
    EXPECT_EQ(inner.at(1).placement.characterId, 2);
}

TEST(Timeline, SpriteStayingOnStageKeepsItsStateWhenTheMovieLoops) {
    swf::MovieWriter w;
    for (std::uint16_t id = 1; id <= 5; ++id) w.add(box(id));
    w.add(countingSprite(10, 1, 5));
    w.add(place(1, 10)).showFrame().showFrame();
    auto p = load(w);
    for (int i = 0; i < 3; ++i) p->advance();  // main: 1, 2, 1
    EXPECT_EQ(p->currentFrame(), 1);
    EXPECT_EQ(spriteFrame(*p, 1), 3);
}

TEST(Timeline, GoingBackRecreatesSpritesPlacedLater) {
    swf::MovieWriter w;
    for (std::uint16_t id = 1; id <= 3; ++id) w.add(box(id));
    w.add(countingSprite(10, 1, 3));
    w.showFrame().add(place(1, 10)).showFrame().showFrame().add(removeAt(1)).add(place(1, 10)).showFrame();
    auto p = load(w);
    for (int i = 0; i < 4; ++i) p->advance();
    EXPECT_EQ(spriteFrame(*p, 1), 1);  // placed anew in frame 4
    p->gotoFrame(3);
    // Frame 3 holds the placement of frame 2; the instance from frame 4 cannot stand for it,
    // so a new one is made, starting at its own frame 1 as in the reference players.
    EXPECT_EQ(p->root().displayList().at(1).placement.placedFrame, 2);
    EXPECT_EQ(spriteFrame(*p, 1), 1);
}

TEST(Timeline, SelfPlacingSpriteIsBounded) {
    swf::DefineSprite s;
    s.id = 5;
    s.frameCount = 1;
    s.tags = {swf::makeTag(place(1, 5)), swf::makeTag(place(2, 5)), swf::makeTag(swf::ShowFrame{})};
    swf::MovieWriter w;
    w.add(s).add(place(1, 5)).showFrame();
    player::PlayerOptions o;
    o.maxInstances = 5000;
    o.maxNesting = 64;
    auto p = load(w, o);
    ASSERT_TRUE(p);
    for (int i = 0; i < 3; ++i) p->advance();
    EXPECT_GT(p->refusedInstances(), 0u);
    auto list = p->drawList();  // the walk terminates too
    EXPECT_TRUE(list.items.empty());
}

TEST(Player, HeaderFacts) {
    swf::MovieWriter w(8, 320, 200, 15);
    w.add(swf::SetBackgroundColor{{10, 20, 30, 255}}).showFrame().showFrame();
    auto p = load(w);
    EXPECT_EQ(p->stageWidth(), 320);
    EXPECT_EQ(p->stageHeight(), 200);
    EXPECT_DOUBLE_EQ(p->frameRate(), 15);
    EXPECT_EQ(p->frameCount(), 2);
    EXPECT_EQ(p->backgroundColor(), (swf::Rgba{10, 20, 30, 255}));

    swf::MovieWriter huge(8, 1, 1);
    huge.frameSize(swf::Rect{0, 1000000, 0, -40}).showFrame();
    auto q = load(huge);
    EXPECT_EQ(q->stageWidth(), 8192);
    EXPECT_EQ(q->stageHeight(), 1);
}

TEST(Player, BrokenTagIsSkippedAndTheRestPlays) {
    swf::MovieWriter w;
    const std::uint8_t broken[] = {0x06, 1};  // PlaceObject2 cut short
    w.add(box(1)).raw(26, broken).add(place(2, 1)).showFrame();
    auto p = load(w);
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->problems().empty());
    p->advance();
    EXPECT_EQ(snapshot(*p), (Snap{{2, {1, 0}}}));
}

TEST(Player, LoadFileReportsMissingFile) {
    auto p = Player::loadFile("/nonexistent/movie.swf");
    ASSERT_FALSE(p.ok());
    EXPECT_EQ(p.error().code, core::ErrorCode::NotFound);
}

}  // namespace

namespace {

TEST(Timeline, ReplacementByUnknownCharacterSurvivesGoingBack) {
    swf::MovieWriter w;
    w.add(box(1)).add(place(1, 1, 5)).showFrame().add(replaceWith(1, 99)).showFrame().showFrame();
    auto p = load(w);
    for (int i = 0; i < 3; ++i) p->advance();
    EXPECT_EQ(snapshot(*p), (Snap{{1, {1, 5}}}));
    p->gotoFrame(2);
    EXPECT_EQ(snapshot(*p), (Snap{{1, {1, 5}}}));
}

}  // namespace
