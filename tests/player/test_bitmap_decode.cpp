// Lossless bitmap decoding: every format with and without alpha, row padding, short data and
// hostile sizes.
#include <gtest/gtest.h>

#include "core/inflate.h"
#include "player/bitmap_decode.h"

namespace {

swf::DefineBitsLossless bits(unsigned version, std::uint8_t format, int w, int h,
                             const std::vector<std::uint8_t>& raw, std::uint16_t tableSize = 0) {
    swf::DefineBitsLossless b;
    b.id = 1;
    b.version = version;
    b.format = format;
    b.width = static_cast<std::uint16_t>(w);
    b.height = static_cast<std::uint16_t>(h);
    b.colorTableSize = tableSize;
    b.zlibData = core::deflateZlib(raw);
    return b;
}

struct FormatCase {
    const char* name;
    swf::DefineBitsLossless input;
    std::vector<render::Pixel> expected;  // premultiplied, row by row
};

std::vector<FormatCase> formatCases() {
    using render::packPixel;
    std::vector<FormatCase> v;
    // Colour-mapped, RGB table of 3 entries; 3x2 indices, rows padded to 4 bytes.
    v.push_back({"colormap_rgb",
                 bits(1, 3, 3, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, /*rows*/ 0, 1, 2, 9, 2, 1, 0, 9}, 3),
                 {packPixel(255, 0, 0, 255), packPixel(0, 255, 0, 255), packPixel(0, 0, 255, 255),
                  packPixel(0, 0, 255, 255), packPixel(0, 255, 0, 255), packPixel(255, 0, 0, 255)}});
    // Colour-mapped with an RGBA table of two entries (premultiplied as stored); index 5 is
    // past the table.
    v.push_back({"colormap_rgba",
                 bits(2, 3, 2, 1, {100, 50, 0, 128, 255, 255, 255, 255, 0, 5, 0, 0}, 2),
                 {packPixel(100, 50, 0, 128), 0}});
    // 15-bit: 0x7C00 red, 0x03E0 green, 0x001F blue, 0x4210 grey; rows of 2 pixels = 4 bytes.
    v.push_back({"rgb15",
                 bits(1, 4, 2, 2, {0x7C, 0x00, 0x03, 0xE0, 0x00, 0x1F, 0x42, 0x10}),
                 {packPixel(255, 0, 0, 255), packPixel(0, 255, 0, 255), packPixel(0, 0, 255, 255),
                  packPixel(132, 132, 132, 255)}});
    // 24-bit: a pad byte, then RGB.
    v.push_back({"rgb24", bits(1, 5, 2, 1, {0, 10, 20, 30, 0xFF, 40, 50, 60}),
                 {packPixel(10, 20, 30, 255), packPixel(40, 50, 60, 255)}});
    // 32-bit ARGB, premultiplied; a channel above its alpha is clamped.
    v.push_back({"argb32", bits(2, 5, 3, 1, {255, 1, 2, 3, 128, 64, 32, 16, 10, 200, 5, 0}),
                 {packPixel(1, 2, 3, 255), packPixel(64, 32, 16, 128), packPixel(10, 5, 0, 10)}});
    return v;
}

TEST(BitmapDecode, EveryLosslessFormat) {
    for (const FormatCase& c : formatCases()) {
        auto r = player::decodeLossless(c.input);
        ASSERT_TRUE(r.ok()) << c.name << ": " << r.error().message;
        ASSERT_EQ(static_cast<std::size_t>(r->width() * r->height()), c.expected.size()) << c.name;
        EXPECT_EQ(r->pixels(), c.expected) << c.name;
    }
}

TEST(BitmapDecode, ColourTableOfEveryIndexAndMore) {
    // 256 entries (the most an 8-bit count can say) and a count past that: indices stay bytes.
    for (std::uint16_t entries : {std::uint16_t(256), std::uint16_t(300)}) {
        std::vector<std::uint8_t> raw;
        for (int i = 0; i < entries; ++i) raw.insert(raw.end(), {std::uint8_t(i), 0, 0});
        raw.insert(raw.end(), {255, 0, 0, 0});
        auto r = player::decodeLossless(bits(1, 3, 1, 1, raw, entries));
        ASSERT_TRUE(r.ok()) << entries;
        EXPECT_EQ(r->at(0, 0), render::packPixel(255, 0, 0, 255)) << entries;
    }
}

TEST(BitmapDecode, ShortDataLeavesTheRestTransparent) {
    // Two 24-bit pixels of four delivered.
    auto r = player::decodeLossless(bits(1, 5, 2, 2, {0, 1, 2, 3, 0, 4, 5, 6}));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->at(1, 0), render::packPixel(4, 5, 6, 255));
    EXPECT_EQ(r->at(0, 1), 0u);
    EXPECT_EQ(r->at(1, 1), 0u);
}

TEST(BitmapDecode, RefusesWhatCannotBeABitmap) {
    struct Row {
        const char* name;
        swf::DefineBitsLossless input;
        core::ErrorCode code;
    };
    swf::DefineBitsLossless corrupt = bits(1, 5, 1, 1, {0, 1, 2, 3});
    corrupt.zlibData = {1, 2, 3, 4, 5};
    const Row rows[] = {
        {"no pixels", bits(1, 5, 0, 4, {}), core::ErrorCode::Corrupt},
        {"unknown format", bits(1, 7, 1, 1, {0, 0, 0, 0}), core::ErrorCode::Unsupported},
        {"15-bit with alpha", bits(2, 4, 1, 1, {0, 0, 0, 0}), core::ErrorCode::Unsupported},
        {"too large", bits(1, 5, 65535, 65535, {0, 0, 0, 0}), core::ErrorCode::TooLarge},
        {"corrupt stream", corrupt, core::ErrorCode::Corrupt},
    };
    for (const Row& r : rows) {
        auto d = player::decodeLossless(r.input);
        ASSERT_FALSE(d.ok()) << r.name;
        EXPECT_EQ(d.error().code, r.code) << r.name;
    }
}

}  // namespace
