#include <gtest/gtest.h>

#include "core/inflate.h"
#include "swf/movie.h"
#include "swf/test_writer.h"

namespace {

using swf::Compression;
using swf::MovieWriter;

bool hasProblem(const swf::Movie& m, swf::Severity s, const std::string& text) {
    for (const auto& p : m.problems)
        if (p.severity == s && p.message.find(text) != std::string::npos) return true;
    return false;
}

TEST(Header, UncompressedFields) {
    auto bytes = MovieWriter(7, 320, 240, 12.5).showFrame().showFrame().finish();
    auto h = swf::parseHeader(bytes);
    ASSERT_TRUE(h.ok()) << h.error().message;
    EXPECT_EQ(h->compression, Compression::None);
    EXPECT_EQ(h->version, 7);
    EXPECT_EQ(h->frameSize, (swf::Rect{0, 6400, 0, 4800}));
    EXPECT_DOUBLE_EQ(h->frameRate, 12.5);
    EXPECT_EQ(h->frameCount, 2);
    EXPECT_EQ(h->declaredLength, bytes.size());
}

TEST(Header, ZlibMovieParsesLikeUncompressed) {
    MovieWriter w(8, 100, 100, 30);
    w.add(swf::SetBackgroundColor{{1, 2, 3, 255}}).showFrame();
    auto plain = swf::parseMovie(w.finish(Compression::None));
    auto packed = swf::parseMovie(w.finish(Compression::Zlib));
    ASSERT_TRUE(plain.ok());
    ASSERT_TRUE(packed.ok()) << packed.error().message;
    EXPECT_EQ(packed->header.compression, Compression::Zlib);
    EXPECT_EQ(packed->tags, plain->tags);
    EXPECT_TRUE(packed->problems.empty());
}

TEST(Header, HeaderOnlyReadOfLargeCompressedMovie) {
    MovieWriter w(8, 640, 480, 25);
    std::vector<std::uint8_t> blob(2 << 20, 7);
    w.add(swf::DoAction{blob}).showFrame();
    auto bytes = w.finish(Compression::Zlib);
    swf::ParseLimits tight;
    tight.maxDecompressedBytes = 1 << 20;  // the whole movie would not fit
    auto h = swf::parseHeader(bytes, tight);
    ASSERT_TRUE(h.ok()) << h.error().message;
    EXPECT_EQ(h->frameSize.xMax, 640 * 20);
    auto m = swf::parseMovie(bytes, tight);
    ASSERT_FALSE(m.ok());
    EXPECT_EQ(m.error().code, core::ErrorCode::TooLarge);
}

struct BadHeader {
    const char* name;
    std::vector<std::uint8_t> bytes;
    core::ErrorCode code;
};

class BadHeaderTest : public ::testing::TestWithParam<BadHeader> {};

TEST_P(BadHeaderTest, IsRejected) {
    auto m = swf::parseMovie(GetParam().bytes);
    ASSERT_FALSE(m.ok());
    EXPECT_EQ(m.error().code, GetParam().code);
    EXPECT_FALSE(m.error().message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadHeaderTest,
    ::testing::Values(
        BadHeader{"empty", {}, core::ErrorCode::Truncated},
        BadHeader{"short", {'F', 'W', 'S', 8}, core::ErrorCode::Truncated},
        BadHeader{"bad_signature", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, core::ErrorCode::Corrupt},
        BadHeader{"no_rect", {'F', 'W', 'S', 8, 8, 0, 0, 0}, core::ErrorCode::Truncated},
        BadHeader{"lzma_bad_props", {'Z', 'W', 'S', 13, 30, 0, 0, 0, 5, 0, 0, 0, 0xFF, 0, 0, 0, 1, 0},
                  core::ErrorCode::Corrupt},
        BadHeader{"lzma_short", {'Z', 'W', 'S', 13, 30, 0, 0, 0, 5, 0, 0, 0, 0x5d}, core::ErrorCode::Truncated},
        BadHeader{"corrupt_zlib", {'C', 'W', 'S', 8, 30, 0, 0, 0, 0x78, 0x9C, 0xFF, 0xFF, 0xFF},
                  core::ErrorCode::Corrupt}),
    [](const auto& info) { return info.param.name; });

// A ZWS movie made by a reference LZMA encoder: 100x50 pixels, 12 fps, one frame with a
// SetBackgroundColor of #102030.
const std::vector<std::uint8_t> kZwsMovie = {
    0x5a, 0x57, 0x53, 0x0d, 0x1e, 0x00, 0x00, 0x00, 0x1e, 0x00, 0x00, 0x00, 0x5d, 0x00, 0x00, 0x80,
    0x00, 0x00, 0x40, 0x00, 0x2c, 0x7d, 0x08, 0x62, 0x11, 0x91, 0xad, 0xaf, 0xc1, 0xcf, 0xd5, 0xe1,
    0xde, 0xfb, 0xa3, 0xdf, 0xae, 0x4d, 0x6a, 0x00, 0x18, 0x5f, 0xff, 0x8b, 0x04, 0x00, 0x00};

TEST(Header, LzmaMovie) {
    auto m = swf::parseMovie(kZwsMovie);
    ASSERT_TRUE(m.ok()) << m.error().message;
    EXPECT_EQ(m->header.compression, Compression::Lzma);
    EXPECT_EQ(m->header.version, 13);
    EXPECT_EQ(m->header.frameSize, (swf::Rect{0, 2000, 0, 1000}));
    EXPECT_DOUBLE_EQ(m->header.frameRate, 12);
    EXPECT_TRUE(m->problems.empty()) << m->firstError();
    ASSERT_EQ(m->tags.size(), 3u);
    auto* bg = std::get_if<swf::SetBackgroundColor>(&m->tags[0].body);
    ASSERT_NE(bg, nullptr);
    EXPECT_EQ(bg->color, (swf::Rgba{0x10, 0x20, 0x30, 255}));
    auto h = swf::parseHeader(kZwsMovie);
    ASSERT_TRUE(h.ok());
    EXPECT_EQ(h->frameCount, 1);
}

TEST(Header, LzmaMovieDeclaringTooMuchIsRefused) {
    auto bytes = kZwsMovie;
    bytes[7] = 0x7F;  // about 2 GB
    auto m = swf::parseMovie(bytes);
    ASSERT_FALSE(m.ok());
    EXPECT_EQ(m.error().code, core::ErrorCode::TooLarge);
}

TEST(Header, WrongDeclaredLengthIsOnlyAWarning) {
    auto bytes = MovieWriter().showFrame().finish();
    bytes[4] = 0xFF;  // length field far too large
    auto m = swf::parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(m->hasErrors());
    EXPECT_TRUE(hasProblem(*m, swf::Severity::Warning, "header declares"));
    EXPECT_EQ(m->tags.size(), 2u);
}

TEST(Header, TrailingBytesAfterEndAreIgnored) {
    auto bytes = MovieWriter().showFrame().finish();
    bytes.insert(bytes.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    auto m = swf::parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(m->hasErrors());
    EXPECT_TRUE(hasProblem(*m, swf::Severity::Warning, "after the End tag"));
}

TEST(Header, MissingEndIsOnlyAWarning) {
    auto bytes = MovieWriter().showFrame().showFrame().finish(Compression::None, false);
    auto m = swf::parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_FALSE(m->hasErrors());
    EXPECT_TRUE(hasProblem(*m, swf::Severity::Warning, "no End tag"));
    EXPECT_EQ(m->tags.size(), 2u);
}

TEST(Header, StageOutsideLimitsIsReported) {
    auto bytes = MovieWriter(8, 20000, 10).showFrame().finish();
    auto m = swf::parseMovie(bytes);
    ASSERT_TRUE(m.ok());
    EXPECT_TRUE(hasProblem(*m, swf::Severity::Warning, "stage size 20000x10"));
}

TEST(Header, TruncatedCompressedStreamKeepsLeadingTags) {
    MovieWriter w(8, 100, 100);
    for (int i = 0; i < 50; ++i) w.add(swf::SetBackgroundColor{{std::uint8_t(i), 0, 0, 255}}).showFrame();
    auto bytes = w.finish(Compression::Zlib);
    bytes.resize(bytes.size() - 20);
    auto m = swf::parseMovie(bytes);
    ASSERT_TRUE(m.ok()) << m.error().message;
    EXPECT_TRUE(m->hasErrors());
    EXPECT_TRUE(hasProblem(*m, swf::Severity::Error, "compressed stream ends early"));
    EXPECT_GT(m->tags.size(), 10u);
}

}  // namespace
