// Broken movies: every fault is an error value naming the tag and the byte offset, the valid
// part stays readable, and nothing reads out of bounds or allocates from a declared count.
#include <gtest/gtest.h>

#include "swf/movie.h"
#include "swf/tag_codes.h"
#include "swf/test_writer.h"

namespace {

using namespace swf;

std::uint16_t code(TagCode c) { return static_cast<std::uint16_t>(c); }

const Problem* firstError(const Movie& m) {
    for (const Problem& p : m.problems)
        if (p.severity == Severity::Error) return &p;
    return nullptr;
}

struct BrokenTag {
    const char* name;
    TagCode code;
    std::vector<std::uint8_t> body;
};

class BrokenTagTest : public ::testing::TestWithParam<BrokenTag> {};

TEST_P(BrokenTagTest, ReportedWithCodeAndOffsetAndSkipped) {
    const BrokenTag& c = GetParam();
    MovieWriter w(8);
    w.add(SetBackgroundColor{{1, 1, 1, 255}});
    w.raw(code(c.code), c.body);
    w.add(SetBackgroundColor{{2, 2, 2, 255}}).showFrame();
    auto bytes = w.finish();
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    const Problem* p = firstError(*m);
    ASSERT_NE(p, nullptr) << "no error for " << c.name;
    ASSERT_TRUE(p->tagCode.has_value());
    EXPECT_EQ(*p->tagCode, code(c.code));
    EXPECT_GE(p->offset, m->header.headerLength);
    EXPECT_LE(p->offset, bytes.size());
    // The broken tag is skipped; the tags around it survive.
    ASSERT_EQ(m->tags.size(), 5u);
    EXPECT_TRUE(std::holds_alternative<SkippedTag>(m->tags[1].body));
    EXPECT_TRUE(std::holds_alternative<SetBackgroundColor>(m->tags[2].body));
}

INSTANTIATE_TEST_SUITE_P(
    Tags, BrokenTagTest,
    ::testing::Values(
        BrokenTag{"background_short", TagCode::SetBackgroundColor, {1, 2}},
        BrokenTag{"shape_no_end_record", TagCode::DefineShape, {1, 0, 0x00, 0, 0, 0x10, 0xFF}},
        BrokenTag{"shape_bad_fill_type", TagCode::DefineShape, {1, 0, 0x00, 1, 0x77, 0}},
        BrokenTag{"shape_huge_style_count", TagCode::DefineShape3, {1, 0, 0x00, 0xFF, 0xFF, 0xFF}},
        BrokenTag{"place2_truncated_matrix", TagCode::PlaceObject2, {0x06, 1, 0, 1, 0, 0xFF}},
        BrokenTag{"place3_bad_filter", TagCode::PlaceObject3, {0x00, 0x01, 1, 0, 1, 99}},
        BrokenTag{"place2_name_unterminated", TagCode::PlaceObject2, {0x20, 1, 0, 'a', 'b'}},
        BrokenTag{"lossless_bad_format", TagCode::DefineBitsLossless, {1, 0, 7, 1, 0, 1, 0}},
        BrokenTag{"jpeg3_alpha_offset_past_end", TagCode::DefineBitsJpeg3, {1, 0, 0xFF, 0, 0, 0, 1}},
        BrokenTag{"font_offset_past_end", TagCode::DefineFont, {1, 0, 4, 0, 0x40, 0}},
        BrokenTag{"font2_glyph_count_past_end", TagCode::DefineFont2, {1, 0, 0, 0, 0, 0xFF, 0xFF}},
        BrokenTag{"font2_code_table_before_offsets", TagCode::DefineFont2,
                  {1, 0, 0, 0, 0, 1, 0, 4, 0, 1, 0, 0x10, 0}},
        BrokenTag{"text_glyph_bits_over_32", TagCode::DefineText,
                  {1, 0, 0, 0, 40, 8, 0x80, 1, 0xFF, 0xFF}},
        BrokenTag{"button2_action_offset_inside_records", TagCode::DefineButton2,
                  {1, 0, 0, 1, 0, 0}},
        BrokenTag{"edit_text_truncated", TagCode::DefineEditText, {1, 0, 0, 0xFF, 0xFF}},
        BrokenTag{"morph_truncated", TagCode::DefineMorphShape, {1, 0, 0, 0}},
        BrokenTag{"export_count_past_end", TagCode::ExportAssets, {5, 0, 1, 0, 'a', 0}},
        BrokenTag{"remove_short", TagCode::RemoveObject, {1, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(Robustness, TagLongerThanMovieStopsTheStream) {
    MovieWriter w;
    w.showFrame();
    auto bytes = w.finish(Compression::None, false);
    // A long header that claims a megabyte.
    const std::uint8_t tag[] = {0xBF, 0x06, 0x00, 0x00, 0x10, 0x00, 1, 2, 3};
    bytes.insert(bytes.end(), std::begin(tag), std::end(tag));
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    const Problem* p = firstError(*m);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tagCode, code(TagCode::PlaceObject2));
    EXPECT_NE(p->message.find("1048576"), std::string::npos);
    EXPECT_EQ(m->tags.size(), 1u);  // the ShowFrame before it
}

TEST(Robustness, TruncatedTagHeader) {
    auto bytes = MovieWriter().showFrame().finish(Compression::None, false);
    bytes.push_back(0x3F);  // one byte of a two-byte header
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    const Problem* p = firstError(*m);
    ASSERT_NE(p, nullptr);
    EXPECT_NE(p->message.find("truncated tag header"), std::string::npos);
    EXPECT_EQ(p->offset, bytes.size() - 1);
}

DefineSprite nest(unsigned depth) {
    DefineSprite s;
    s.id = static_cast<std::uint16_t>(depth + 1);
    s.frameCount = 1;
    if (depth > 0) s.tags.push_back(makeTag(nest(depth - 1)));
    s.tags.push_back(makeTag(ShowFrame{}));
    s.tags.push_back(makeTag(End{}));
    return s;
}

TEST(Robustness, SpriteNestingIsCapped) {
    ParseLimits limits;
    limits.maxSpriteDepth = 4;
    auto ok = parseMovie(MovieWriter().add(nest(3)).showFrame().finish(), limits);
    ASSERT_TRUE(ok.ok());
    EXPECT_FALSE(ok->hasErrors());
    auto deep = parseMovie(MovieWriter().add(nest(10)).showFrame().finish(), limits);
    ASSERT_TRUE(deep.ok());
    ASSERT_TRUE(deep->hasErrors());
    EXPECT_NE(deep->firstError().find("nested deeper than 4"), std::string::npos);
}

TEST(Robustness, BrokenTagInsideSpriteKeepsSpriteAndNamesOffset) {
    DefineSprite s;
    s.id = 9;
    s.frameCount = 1;
    Tag bad;
    bad.code = code(TagCode::RemoveObject2);
    bad.body = SkippedTag{};  // encodes as an empty body: one byte short of a depth
    s.tags = {makeTag(ShowFrame{}), bad, makeTag(End{})};
    auto bytes = MovieWriter().add(s).showFrame().finish();
    auto m = parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    const Problem* p = firstError(*m);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tagCode, code(TagCode::RemoveObject2));
    auto* sprite = std::get_if<DefineSprite>(&m->tags[0].body);
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->tags.size(), 3u);
    // The problem's offset lies inside the sprite tag.
    EXPECT_GT(p->offset, m->tags[0].offset);
    EXPECT_LT(p->offset, m->tags[1].offset);
}

TEST(Robustness, DescribeNamesTagAndOffset) {
    Problem p{Severity::Error, "malformed", 1234, code(TagCode::PlaceObject2)};
    EXPECT_EQ(describe(p), "PlaceObject2 at byte 1234: malformed");
}

}  // namespace
