#include <gtest/gtest.h>

#include <vector>

#include "core/bit_reader.h"
#include "core/bit_writer.h"

namespace {

using core::BitReader;
using core::BitWriter;

struct BitCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    unsigned bits;
    bool isSigned;
    std::int64_t expected;
};

class BitFieldTest : public ::testing::TestWithParam<BitCase> {};

TEST_P(BitFieldTest, ReadsMsbFirst) {
    const BitCase& c = GetParam();
    BitReader r(c.bytes);
    std::int64_t v = c.isSigned ? r.sb(c.bits) : static_cast<std::int64_t>(r.ub(c.bits));
    EXPECT_EQ(v, c.expected);
    EXPECT_FALSE(r.failed());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BitFieldTest,
    ::testing::Values(
        BitCase{"zero_bits", {0xFF}, 0, false, 0},
        BitCase{"top_bit", {0x80}, 1, false, 1},
        BitCase{"five_bits", {0b10110'000}, 5, false, 22},
        BitCase{"signed_minus_one", {0xE0}, 3, true, -1},
        BitCase{"signed_positive", {0x60}, 3, true, 3},
        BitCase{"signed_min", {0x80}, 4, true, -8},
        BitCase{"spans_bytes", {0x01, 0x80}, 9, false, 3},
        BitCase{"full_32", {0xFF, 0xFF, 0xFF, 0xFE}, 32, false, 0xFFFFFFFEll},
        BitCase{"signed_32", {0xFF, 0xFF, 0xFF, 0xFE}, 32, true, -2}),
    [](const auto& info) { return info.param.name; });

// Random field widths over random bytes, checked bit by bit against a plain reference; the
// reads run from the fast (eight bytes ahead) path into the one near the end of the data.
TEST(BitReader, FieldsMatchABitByBitReference) {
    std::uint32_t seed = 7;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 50; ++round) {
        std::vector<std::uint8_t> data(40);
        for (auto& b : data) b = static_cast<std::uint8_t>(next());
        BitReader r(data);
        std::size_t bitPos = 0;
        while (true) {
            unsigned width = next() % 33;
            if (bitPos + width > data.size() * 8) break;
            std::uint32_t expected = 0;
            for (unsigned i = 0; i < width; ++i, ++bitPos)
                expected = (expected << 1) | ((data[bitPos / 8] >> (7 - bitPos % 8)) & 1u);
            ASSERT_EQ(r.ub(width), expected) << "round " << round << " at bit " << bitPos;
        }
        EXPECT_FALSE(r.failed());
        r.ub(static_cast<unsigned>(data.size() * 8 - bitPos + 1));  // one bit too many
        EXPECT_TRUE(r.failed());
    }
}

TEST(BitReader, ByteReadsAlignAfterBits) {
    const std::uint8_t data[] = {0xA0, 0x34, 0x12};
    BitReader r(data);
    EXPECT_EQ(r.ub(3), 5u);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.failed());
}

TEST(BitReader, ReadPastEndYieldsZeroAndStickyFailure) {
    const std::uint8_t data[] = {0x01, 0x02, 0x03};
    BitReader r(data, 100);
    EXPECT_EQ(r.u16(), 0x0201);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.failOffset(), 102u);
    EXPECT_EQ(r.u8(), 0);  // everything after a failure reads as zero
    EXPECT_TRUE(r.atEnd());
}

TEST(BitReader, BitFieldPastEndFails) {
    const std::uint8_t data[] = {0xFF};
    BitReader r(data);
    EXPECT_EQ(r.ub(9), 0u);
    EXPECT_TRUE(r.failed());
}

TEST(BitReader, MoreThan32BitsFails) {
    const std::uint8_t data[8] = {};
    BitReader r(data);
    r.ub(33);
    EXPECT_TRUE(r.failed());
}

TEST(BitReader, SubReaderIsBoundedAndOuterMovesPast) {
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    BitReader r(data, 10);
    BitReader s = r.sub(2);
    EXPECT_EQ(s.size(), 2u);
    EXPECT_EQ(s.offset(), 10u);
    EXPECT_EQ(s.u8(), 1);
    EXPECT_EQ(s.u16(), 0);  // only one byte left in the sub-reader
    EXPECT_TRUE(s.failed());
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.u8(), 3);
}

TEST(BitReader, SubReaderLongerThanRestFailsOuter) {
    const std::uint8_t data[] = {1, 2};
    BitReader r(data);
    BitReader s = r.sub(10);
    EXPECT_EQ(s.size(), 2u);
    EXPECT_TRUE(r.failed());
}

TEST(BitReader, CStringWithoutTerminatorFails) {
    const std::uint8_t ok[] = {'a', 'b', 0, 'c'};
    BitReader r(ok);
    EXPECT_EQ(r.cstring(), "ab");
    EXPECT_FALSE(r.failed());
    EXPECT_EQ(r.cstring(), "c");
    EXPECT_TRUE(r.failed());
}

TEST(BitReader, BytesBeyondEndGiveEmptySpan) {
    const std::uint8_t data[] = {1, 2, 3};
    BitReader r(data);
    EXPECT_TRUE(r.bytes(4).empty());
    EXPECT_TRUE(r.failed());
}

struct U32Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t expected;
    std::size_t consumed;
};

TEST(BitReader, EncodedU32) {
    const U32Case cases[] = {
        {{0x00}, 0, 1},
        {{0x7F}, 127, 1},
        {{0x80, 0x01}, 128, 2},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 0xFFFFFFFFu, 5},
        // A sixth continuation byte is not read: the value stops after five bytes.
        {{0x81, 0x80, 0x80, 0x80, 0x80, 0x01}, 1, 5},
    };
    for (const U32Case& c : cases) {
        BitReader r(c.bytes);
        EXPECT_EQ(r.encodedU32(), c.expected);
        EXPECT_EQ(r.position(), c.consumed);
    }
}

TEST(BitReader, FixedPointFields) {
    const std::uint8_t data[] = {0x80, 0xFF, 0x00, 0x80, 0x01, 0x00};
    BitReader r(data);
    EXPECT_FLOAT_EQ(r.fixed8(), -0.5f);  // 0xFF80
    EXPECT_DOUBLE_EQ(r.fixed16(), 1.5);  // 0x00018000
}

TEST(BitWriter, RoundTripsThroughReader) {
    BitWriter w;
    w.ub(5, 17);
    w.sb(7, -33);
    w.fb(20, -1.25);
    w.u16(0xBEEF);
    w.encodedU32(300000);
    w.cstring("hi");
    auto bytes = w.take();
    BitReader r(bytes);
    EXPECT_EQ(r.ub(5), 17u);
    EXPECT_EQ(r.sb(7), -33);
    EXPECT_DOUBLE_EQ(r.fb(20), -1.25);
    EXPECT_EQ(r.u16(), 0xBEEF);
    EXPECT_EQ(r.encodedU32(), 300000u);
    EXPECT_EQ(r.cstring(), "hi");
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.failed());
}

TEST(BitWriter, BitCounts) {
    EXPECT_EQ(BitWriter::bitsSigned(0), 0u);
    EXPECT_EQ(BitWriter::bitsSigned(-1), 1u);
    EXPECT_EQ(BitWriter::bitsSigned(1), 2u);
    EXPECT_EQ(BitWriter::bitsSigned(-8), 4u);
    EXPECT_EQ(BitWriter::bitsSigned(8), 5u);
    EXPECT_EQ(BitWriter::bitsUnsigned(255), 8u);
}

}  // namespace
