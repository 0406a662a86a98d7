// Bitmap decoding: every lossless format with and without alpha, row padding, short data and
// hostile sizes; the JPEG bitmap tags with shared tables, alpha planes and PNG or GIF inside.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "codec/jpeg_decoder.h"
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

// The small pictures the codec tests use (tests/codec/data/, 61x37 colour, 13x11 keyed).
std::vector<std::uint8_t> picture(const char* name) {
    std::ifstream in(std::string(VFS_SOURCE_DIR) + "/tests/codec/data/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

swf::DefineBitsJpeg jpegBits(unsigned version, std::vector<std::uint8_t> image, std::vector<std::uint8_t> alpha = {}) {
    swf::DefineBitsJpeg b;
    b.id = 1;
    b.version = version;
    b.imageData = std::move(image);
    b.alphaData = std::move(alpha);
    return b;
}

// The opaque pixels the codec gives for a JPEG file.
std::vector<render::Pixel> jpegPixels(const std::vector<std::uint8_t>& file) {
    auto img = codec::decodeJpeg(file);
    std::vector<render::Pixel> out;
    if (!img) return out;
    for (std::size_t i = 0; i < img->rgba.size(); i += 4)
        out.push_back(render::packPixel(img->rgba[i], img->rgba[i + 1], img->rgba[i + 2], 255));
    return out;
}

TEST(JpegBits, DefineBitsTakesTheTablesOfJpegTables) {
    // Split a complete stream into the tables (DQT, DHT) and the rest, as DefineBits keeps them.
    const auto file = picture("baseline_420.jpg");
    ASSERT_FALSE(file.empty());
    swf::JpegTables tables;
    tables.data = {0xFF, 0xD8};
    std::vector<std::uint8_t> image{0xFF, 0xD8};
    for (std::size_t p = 2; p + 4 <= file.size();) {
        const std::size_t len = 2 + (std::size_t{file[p + 2]} << 8 | file[p + 3]);
        if (file[p + 1] == 0xDA) {
            image.insert(image.end(), file.begin() + p, file.end());
            break;
        }
        auto& to = (file[p + 1] == 0xDB || file[p + 1] == 0xC4) ? tables.data : image;
        to.insert(to.end(), file.begin() + p, file.begin() + p + len);
        p += len;
    }
    tables.data.insert(tables.data.end(), {0xFF, 0xD9});
    auto r = player::decodeJpegBits(jpegBits(1, image), &tables);
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(r->pixels(), jpegPixels(file));
    // Without the movie's tables the stream cannot be decoded.
    EXPECT_FALSE(player::decodeJpegBits(jpegBits(1, image), nullptr));
    // DefineBitsJPEG2 carries its own tables and ignores JPEGTables.
    EXPECT_FALSE(player::decodeJpegBits(jpegBits(2, image), &tables));
}

TEST(JpegBits, Jpeg2WithTheOldEndStartPairInFront) {
    const auto file = picture("progressive_444.jpg");
    std::vector<std::uint8_t> data{0xFF, 0xD9, 0xFF, 0xD8};
    data.insert(data.end(), file.begin(), file.end());
    auto r = player::decodeJpegBits(jpegBits(2, data), nullptr);
    ASSERT_TRUE(r) << r.error().message;
    EXPECT_EQ(r->width(), 61);
    EXPECT_EQ(r->pixels(), jpegPixels(file));
}

TEST(JpegBits, Jpeg3AlphaPlanePremultipliesTheColours) {
    const auto file = picture("grey.jpg");
    const auto opaque = jpegPixels(file);
    ASSERT_EQ(opaque.size(), 61u * 37u);
    struct Row {
        const char* name;
        std::size_t planeBytes;  // how much of the plane the stream holds
    };
    for (const Row row : {Row{"whole plane", 61 * 37}, Row{"plane cut short", 100}}) {
        std::vector<std::uint8_t> plane(row.planeBytes);
        for (std::size_t i = 0; i < plane.size(); ++i) plane[i] = static_cast<std::uint8_t>(i * 7);
        auto r = player::decodeJpegBits(jpegBits(3, file, core::deflateZlib(plane)), nullptr);
        ASSERT_TRUE(r) << row.name << ": " << r.error().message;
        for (std::size_t i = 0; i < opaque.size(); ++i) {
            const render::Color c = render::unpremultiply(opaque[i]);
            const std::uint32_t a = i < plane.size() ? plane[i] : 0;
            const auto mul = [a](std::uint32_t v) { return (v * a + 127) / 255; };
            ASSERT_EQ(r->pixels()[i], render::packPixel(mul(c.r), mul(c.g), mul(c.b), a)) << row.name << " pixel " << i;
        }
    }
    // No plane: opaque. A damaged plane: the whole bitmap fails.
    auto noPlane = player::decodeJpegBits(jpegBits(3, file), nullptr);
    ASSERT_TRUE(noPlane);
    EXPECT_EQ(noPlane->pixels(), opaque);
    EXPECT_FALSE(player::decodeJpegBits(jpegBits(3, file, {0x78, 0x9C, 0xFF, 0xFF, 0xFF}), nullptr));
}

TEST(JpegBits, PngAndGifInsideKeepTheirOwnTransparency) {
    // key_src: 13x11, orange with a blue rectangle, the top-left pixel transparent.
    for (const char* name : {"png_palette_trns.png", "png_rgb_trns.png", "gif_transparent.gif"}) {
        for (unsigned version : {2u, 3u}) {
            // An alpha plane of all 255 must not make the transparent pixel opaque.
            const std::vector<std::uint8_t> plane(13 * 11, 255);
            auto r = player::decodeJpegBits(jpegBits(version, picture(name), core::deflateZlib(plane)), nullptr);
            ASSERT_TRUE(r) << name << ": " << r.error().message;
            ASSERT_EQ(r->width(), 13) << name;
            EXPECT_EQ(r->at(0, 0), 0u) << name;
            EXPECT_EQ(r->at(1, 1), render::packPixel(255, 128, 0, 255)) << name;
            EXPECT_EQ(r->at(5, 5), render::packPixel(0, 64, 255, 255)) << name;
        }
    }
}

TEST(JpegBits, DamagedPicturesAreErrors) {
    const auto file = picture("baseline_422.jpg");
    const std::vector<std::uint8_t> cut(file.begin(), file.begin() + file.size() / 2);
    const auto png = picture("png_rgb8.png");
    const std::vector<std::uint8_t> cutPng(png.begin(), png.begin() + png.size() / 2);
    for (const auto& data : {cut, cutPng, std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{1, 2, 3}}) {
        EXPECT_FALSE(player::decodeJpegBits(jpegBits(2, data), nullptr));
        EXPECT_FALSE(player::decodeJpegBits(jpegBits(3, data, core::deflateZlib(std::vector<std::uint8_t>{1, 2})), nullptr));
    }
}

}  // namespace
