#include <gtest/gtest.h>

#include <vector>

#include "core/lzma.h"
#include "lzma_vectors.h"

namespace {

// Random bytes, then repeated text (long and repeated matches), then a slowly varying ramp.
std::vector<std::uint8_t> lzmaPattern() {
    std::vector<std::uint8_t> out;
    std::uint32_t s = 12345;
    for (int i = 0; i < 200; ++i) {
        s = (s * 1103515245u + 12345u) & 0x7fffffffu;
        out.push_back(static_cast<std::uint8_t>((s >> 16) & 0xff));
    }
    for (int i = 0; i < 60; ++i) {
        std::string line = "The quick brown fox " + std::to_string(i % 7) + " jumps over the lazy dog. ";
        out.insert(out.end(), line.begin(), line.end());
    }
    for (int i = 0; i < 300; ++i) out.push_back(static_cast<std::uint8_t>((i * 7 + i / 13) & 0xff));
    return out;
}

struct Vector {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

class LzmaVectors : public ::testing::TestWithParam<Vector> {};

std::span<const std::uint8_t> props(const Vector& v) { return {v.data, 5}; }
std::span<const std::uint8_t> stream(const Vector& v) { return {v.data + 13, v.size - 13}; }

TEST_P(LzmaVectors, DecodesToTheEndMarker) {
    const Vector& v = GetParam();
    auto expected = lzmaPattern();
    auto out = core::decodeLzma(props(v), stream(v), 1 << 20, 1 << 20);
    ASSERT_TRUE(out.ok()) << out.error().message;
    EXPECT_TRUE(out->complete);
    EXPECT_EQ(out->data, expected);
}

TEST_P(LzmaVectors, StopsAtTheRequestedSize) {
    const Vector& v = GetParam();
    auto expected = lzmaPattern();
    auto out = core::decodeLzma(props(v), stream(v), 1000, 1 << 20);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out->data, std::vector<std::uint8_t>(expected.begin(), expected.begin() + 1000));
}

TEST_P(LzmaVectors, TruncatedInputKeepsAPrefix) {
    const Vector& v = GetParam();
    auto expected = lzmaPattern();
    auto cut = stream(v).first(stream(v).size() / 2);
    auto out = core::decodeLzma(props(v), cut, expected.size(), 1 << 20);
    ASSERT_TRUE(out.ok());
    EXPECT_FALSE(out->complete);
    ASSERT_GT(out->data.size(), 200u);
    // All but the last few bytes (decoded from the zero padding) match.
    std::size_t good = out->data.size() - 8;
    EXPECT_TRUE(std::equal(out->data.begin(), out->data.begin() + static_cast<long>(good), expected.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Streams, LzmaVectors,
    ::testing::Values(Vector{"default", kLzma_default, sizeof kLzma_default},
                      Vector{"lc0_lp2_pb0", kLzma_lc0lp2pb0, sizeof kLzma_lc0lp2pb0}),
    [](const auto& info) { return info.param.name; });

TEST(Lzma, RejectsBadInput) {
    const std::uint8_t badProps[] = {225, 0, 0, 1, 0};
    const std::uint8_t goodProps[] = {0x5d, 0, 0, 1, 0};
    const std::uint8_t notZero[] = {1, 0, 0, 0, 0, 0};
    EXPECT_EQ(core::decodeLzma(badProps, notZero, 10, 100).error().code, core::ErrorCode::Corrupt);
    EXPECT_EQ(core::decodeLzma(goodProps, notZero, 10, 100).error().code, core::ErrorCode::Corrupt);
    EXPECT_EQ(core::decodeLzma(std::span<const std::uint8_t>(goodProps, 3), notZero, 10, 100).error().code,
              core::ErrorCode::Truncated);
    auto big = core::decodeLzma(goodProps, stream(Vector{"", kLzma_default, sizeof kLzma_default}), 1000, 10);
    EXPECT_EQ(big.error().code, core::ErrorCode::TooLarge);
}

TEST(Lzma, GarbageNeverReadsOutOfBounds) {
    // Random streams must end in an error or some output, never a fault (run under ASan).
    std::uint32_t s = 99;
    const std::uint8_t p[] = {0x5d, 0, 0, 1, 0};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> junk(64 + round);
        for (auto& b : junk) {
            s = s * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(s >> 24);
        }
        junk[0] = 0;
        auto out = core::decodeLzma(p, junk, 4096, 4096);
        if (out.ok()) {
            EXPECT_LE(out->data.size(), 4096u);
        }
    }
}

}  // namespace
