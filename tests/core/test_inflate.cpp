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

}  // namespace
