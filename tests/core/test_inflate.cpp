#include <gtest/gtest.h>

#include <vector>

#include "core/inflate.h"

namespace {

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 31) ^ (i >> 7));
    return v;
}

TEST(Inflate, RoundTrip) {
    auto data = pattern(100000);
    auto z = core::deflateZlib(data);
    auto out = core::inflateZlib(z, 1 << 20);
    ASSERT_TRUE(out.ok());
    EXPECT_TRUE(out->complete);
    EXPECT_EQ(out->data, data);
}

TEST(Inflate, OutputOverCapIsAnError) {
    std::vector<std::uint8_t> zeros(1 << 20);
    auto z = core::deflateZlib(zeros);
    auto out = core::inflateZlib(z, 4096);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error().code, core::ErrorCode::TooLarge);
}

TEST(Inflate, TruncatePolicyKeepsPrefix) {
    auto data = pattern(50000);
    auto z = core::deflateZlib(data);
    auto out = core::inflateZlib(z, 100, 0, core::InflateOverflow::Truncate);
    ASSERT_TRUE(out.ok());
    EXPECT_FALSE(out->complete);
    EXPECT_EQ(out->data, std::vector<std::uint8_t>(data.begin(), data.begin() + 100));
}

TEST(Inflate, TruncatedInputKeepsWhatWasDecoded) {
    auto data = pattern(200000);
    auto z = core::deflateZlib(data, 1);
    z.resize(z.size() / 2);
    auto out = core::inflateZlib(z, 1 << 20);
    ASSERT_TRUE(out.ok());
    EXPECT_FALSE(out->complete);
    EXPECT_GT(out->data.size(), 0u);
    EXPECT_TRUE(std::equal(out->data.begin(), out->data.end(), data.begin()));
}

TEST(Inflate, CorruptDataIsAnErrorWithOffset) {
    std::vector<std::uint8_t> junk = {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    auto out = core::inflateZlib(junk, 1 << 20);
    ASSERT_FALSE(out.ok());
    EXPECT_EQ(out.error().code, core::ErrorCode::Corrupt);
    EXPECT_TRUE(out.error().offset.has_value());
}

// Every block kind: stored (level 0), fixed codes (short inputs) and dynamic codes, over data
// from incompressible to highly repetitive, including back-references that overlap their copy
// (short repetitive inputs give fixed-code blocks with back-references).
TEST(Inflate, AgreesWithTheCompressorOnEveryBlockKind) {
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (std::size_t size : {0u, 1u, 7u, 40u, 120u, 300u, 70000u, 300000u}) {
        for (unsigned alphabet : {2u, 16u, 256u}) {
            std::vector<std::uint8_t> data(size);
            for (auto& b : data) b = static_cast<std::uint8_t>(next() % alphabet);
            for (int level : {0, 1, 6, 9}) {
                auto out = core::inflateZlib(core::deflateZlib(data, level), size);
                ASSERT_TRUE(out.ok()) << size << " " << alphabet << " " << level;
                EXPECT_TRUE(out->complete);
                EXPECT_EQ(out->data, data) << size << " " << alphabet << " " << level;
            }
        }
    }
}

TEST(Inflate, DamagedStreamsAreCorrupt) {
    const auto good = core::deflateZlib(pattern(5000));
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"not deflate", {0x79, 0x9C, 0x03, 0x00}},
        {"header check", {0x78, 0x9D, 0x03, 0x00}},
        {"preset dictionary", {0x78, 0xBB, 0, 0, 0, 1, 0x03, 0x00}},
        {"block type 3", {0x78, 0x9C, 0x07}},
        {"stored length check", {0x78, 0x9C, 0x01, 0x05, 0x00, 0x00, 0x00}},
        // fixed block: length 3 at distance 1 with nothing produced yet
        {"distance too far back", {0x78, 0x9C, 0x03, 0x02, 0x00}},
    };
    std::vector<std::uint8_t> badCheck(good.begin(), good.end() - 1);
    badCheck.push_back(static_cast<std::uint8_t>(good.back() ^ 1));
    cases.push_back({"adler-32", badCheck});
    for (const Case& c : cases) {
        auto out = core::inflateZlib(c.bytes, 1 << 20);
        ASSERT_FALSE(out.ok()) << c.name;
        EXPECT_EQ(out.error().code, core::ErrorCode::Corrupt) << c.name;
    }
}

TEST(Inflate, OutputThatExactlyFillsTheCapIsComplete) {
    auto data = pattern(4096);
    auto out = core::inflateZlib(core::deflateZlib(data), data.size());
    ASSERT_TRUE(out.ok());
    EXPECT_TRUE(out->complete);
    EXPECT_EQ(out->data.size(), data.size());
    auto stored = core::inflateZlib(core::deflateZlib(data, 0), data.size() - 1);
    ASSERT_FALSE(stored.ok());
    EXPECT_EQ(stored.error().code, core::ErrorCode::TooLarge);
}

}  // namespace
