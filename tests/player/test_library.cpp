#include <gtest/gtest.h>

#include "movie_builder.h"
#include "player/timeline.h"

namespace {

using namespace testmovie;

TEST(Library, FirstDefinitionOfAnIdWins) {
    swf::MovieWriter w;
    auto first = box(1);
    first.bounds.xMax = 111;
    auto second = box(1);
    second.bounds.xMax = 222;
    w.add(first).add(second).add(countingSprite(2, 1, 2));
    swf::DefineFontInfo info;
    info.fontId = 3;
    info.name = "Serif";
    swf::DefineFont font;
    font.id = 3;
    w.add(font).add(info).add(swf::ExportAssets{{{2, "Counter"}}}).add(swf::JpegTables{{0xFF, 0xD8}});
    w.showFrame();
    auto p = load(w);
    ASSERT_TRUE(p);
    const player::Library& lib = p->library();
    EXPECT_EQ(lib.size(), 3u);
    EXPECT_EQ(lib.duplicates(), 1u);
    const player::Character* c = lib.find(1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, player::CharacterKind::Shape);
    EXPECT_EQ(std::get<const swf::DefineShape*>(c->def)->bounds.xMax, 111);
    const player::Character* s = lib.find(2);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(s->timeline, nullptr);
    EXPECT_EQ(s->timeline->frameCount(), 2);
    EXPECT_EQ(lib.exported("Counter"), std::optional<std::uint16_t>(2));
    EXPECT_FALSE(lib.exported("counter").has_value());
    ASSERT_NE(lib.fontInfo(3), nullptr);
    EXPECT_EQ(lib.fontInfo(3)->name, "Serif");
    EXPECT_NE(lib.jpegTables(), nullptr);
    EXPECT_EQ(lib.find(99), nullptr);
}

struct FrameCase {
    const char* name;
    std::vector<swf::TagBody> tags;
    unsigned frames;
};

class TimelineFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(TimelineFrames, CountsFrames) {
    std::vector<swf::Tag> tags;
    for (const auto& b : GetParam().tags) tags.push_back(swf::makeTag(b));
    player::Timeline t(tags);
    EXPECT_EQ(t.frameCount(), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, TimelineFrames,
    ::testing::Values(
        FrameCase{"empty_has_one", {}, 1},
        FrameCase{"end_only", {swf::End{}}, 1},
        FrameCase{"two_frames", {swf::ShowFrame{}, swf::ShowFrame{}, swf::End{}}, 2},
        // Placements after the last ShowFrame still make a frame.
        FrameCase{"trailing_place", {swf::ShowFrame{}, place(1, 1)}, 2},
        // A trailing label alone does not.
        FrameCase{"trailing_label", {swf::ShowFrame{}, swf::FrameLabel{"x", false}}, 1}),
    [](const auto& info) { return info.param.name; });

TEST(TimelineLabels, FirstFrameWithALabelKeepsIt) {
    std::vector<swf::Tag> tags = {swf::makeTag(swf::FrameLabel{"a", false}), swf::makeTag(swf::ShowFrame{}),
                                  swf::makeTag(swf::FrameLabel{"a", false}), swf::makeTag(swf::ShowFrame{}),
                                  swf::makeTag(swf::FrameLabel{"b", false}), swf::makeTag(swf::ShowFrame{})};
    player::Timeline t(tags);
    EXPECT_EQ(t.labelFrame("a"), std::optional<std::uint16_t>(1));
    EXPECT_EQ(t.labelFrame("B"), std::optional<std::uint16_t>(3));
    EXPECT_FALSE(t.labelFrame("c").has_value());
}

}  // namespace
