// PNG writer and reader: round trips, every colour type the reader expands, and rejected input.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <random>
#include <string>

#include "render/png_reader.h"
#include "render/png_writer.h"

namespace render {
namespace {

TEST(Png, EncodeDecodeRoundTrip) {
    std::mt19937 rng(3);
    RgbaImage img;
    img.width = 37;
    img.height = 23;
    img.rgba.resize(37 * 23 * 4);
    for (std::size_t i = 0; i < img.rgba.size(); ++i) {
        // Smooth areas and noise, so different row filters win.
        img.rgba[i] = (i / 4) % 37 < 18 ? static_cast<std::uint8_t>(i / 4) : static_cast<std::uint8_t>(rng());
    }
    auto png = encodePng(img);
    ASSERT_TRUE(png.ok());
    auto back = decodePng(png->data(), png->size());
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->width, 37);
    EXPECT_EQ(back->height, 23);
    EXPECT_EQ(back->rgba, img.rgba);
}

TEST(Png, WritesUnpremultipliedFiles) {
    Pixmap pm(3, 2);
    pm.set(0, 0, premultiply(Color{255, 0, 0, 128}));
    pm.set(1, 1, premultiply(Color{10, 20, 30, 255}));
    std::string path = ::testing::TempDir() + "render_png_test.png";
    ASSERT_TRUE(writePng(pm, path).ok());
    auto img = readPng(path);
    std::remove(path.c_str());
    ASSERT_TRUE(img.ok());
    const std::uint8_t* p = img->pixel(0, 0);
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[3], 128);
    p = img->pixel(1, 1);
    EXPECT_EQ(p[2], 30);
    EXPECT_EQ(img->pixel(2, 0)[3], 0);
    EXPECT_FALSE(writePng(pm, "/nonexistent-dir/x.png").ok());
    EXPECT_FALSE(readPng("/nonexistent-dir/x.png").ok());
}

// Builds a PNG from raw rows (each with its filter byte) and optional extra chunks.
struct PngBuilder {
    std::vector<std::uint8_t> bytes;

    PngBuilder() {
        static const std::uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        bytes.assign(kSig, kSig + 8);
    }

    void chunk(const char* type, const std::vector<std::uint8_t>& body, bool breakCrc = false) {
        auto put32 = [&](std::uint32_t v) {
            for (int s = 24; s >= 0; s -= 8) bytes.push_back(static_cast<std::uint8_t>(v >> s));
        };
        put32(static_cast<std::uint32_t>(body.size()));
        std::size_t start = bytes.size();
        bytes.insert(bytes.end(), type, type + 4);
        bytes.insert(bytes.end(), body.begin(), body.end());
        uLong crc = crc32(0, bytes.data() + start, static_cast<uInt>(body.size() + 4));
        put32(static_cast<std::uint32_t>(crc) ^ (breakCrc ? 1u : 0u));
    }
    void header(std::uint32_t w, std::uint32_t h, int depth, int colorType, int interlace = 0) {
        std::vector<std::uint8_t> b;
        for (std::uint32_t v : {w, h})
            for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
        b.push_back(static_cast<std::uint8_t>(depth));
        b.push_back(static_cast<std::uint8_t>(colorType));
        b.push_back(0);
        b.push_back(0);
        b.push_back(static_cast<std::uint8_t>(interlace));
        chunk("IHDR", b);
    }
    void data(const std::vector<std::uint8_t>& raw) {
        uLongf len = compressBound(static_cast<uLong>(raw.size()));
        std::vector<std::uint8_t> z(len);
        compress(z.data(), &len, raw.data(), static_cast<uLong>(raw.size()));
        z.resize(len);
        chunk("IDAT", z);
    }
    core::Result<RgbaImage> decode() {
        chunk("IEND", {});
        return decodePng(bytes.data(), bytes.size());
    }
};

TEST(Png, ExpandsEveryColourType) {
    {   // grey 8 with a transparent key
        PngBuilder b;
        b.header(2, 1, 8, 0);
        b.chunk("tRNS", {0, 7});
        b.data({0, 7, 200});
        auto img = b.decode();
        ASSERT_TRUE(img.ok());
        EXPECT_EQ(img->pixel(0, 0)[3], 0);
        EXPECT_EQ(img->pixel(1, 0)[0], 200);
        EXPECT_EQ(img->pixel(1, 0)[3], 255);
    }
    {   // grey 1-bit, with the Up filter on the second row
        PngBuilder b;
        b.header(3, 2, 1, 0);
        b.data({0, 0b10100000, 2, 0b01000000});
        auto img = b.decode();
        ASSERT_TRUE(img.ok());
        EXPECT_EQ(img->pixel(0, 0)[0], 255);
        EXPECT_EQ(img->pixel(1, 0)[0], 0);
        EXPECT_EQ(img->pixel(1, 1)[0], 255);  // 0 up-filtered against 0 -> 1 | 0 bit pattern
        EXPECT_EQ(img->pixel(0, 1)[0], 255);
    }
    {   // palette 4-bit with alpha from tRNS
        PngBuilder b;
        b.header(2, 1, 4, 3);
        b.chunk("PLTE", {10, 20, 30, 40, 50, 60});
        b.chunk("tRNS", {255, 99});
        b.data({0, 0x10});
        auto img = b.decode();
        ASSERT_TRUE(img.ok());
        EXPECT_EQ(img->pixel(0, 0)[2], 60);
        EXPECT_EQ(img->pixel(0, 0)[3], 99);
        EXPECT_EQ(img->pixel(1, 0)[0], 10);
    }
    {   // RGB 16-bit keeps the high bytes; grey+alpha 8-bit with the Sub filter
        PngBuilder b;
        b.header(1, 1, 16, 2);
        b.data({0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
        auto img = b.decode();
        ASSERT_TRUE(img.ok());
        EXPECT_EQ(img->pixel(0, 0)[0], 0x12);
        EXPECT_EQ(img->pixel(0, 0)[2], 0x9A);
        PngBuilder ga;
        ga.header(2, 1, 8, 4);
        ga.data({1, 100, 200, 5, 5});
        auto g = ga.decode();
        ASSERT_TRUE(g.ok());
        EXPECT_EQ(g->pixel(1, 0)[0], 105);
        EXPECT_EQ(g->pixel(1, 0)[3], 205);
    }
}

TEST(Png, RejectsBrokenFiles) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        core::ErrorCode code;
    };
    std::vector<Case> cases;
    {
        PngBuilder b;
        b.header(1, 1, 8, 6);
        b.chunk("IDAT", {1, 2, 3}, true);
        b.chunk("IEND", {});
        cases.push_back({"bad CRC", b.bytes, core::ErrorCode::Corrupt});
    }
    {
        PngBuilder b;
        b.header(2, 2, 8, 6);
        b.data({0, 1, 2, 3, 4, 5, 6, 7, 8});  // one row short
        b.chunk("IEND", {});
        cases.push_back({"short image data", b.bytes, core::ErrorCode::Corrupt});
    }
    {
        PngBuilder b;
        b.header(1, 1, 8, 6, 1);
        cases.push_back({"interlaced", b.bytes, core::ErrorCode::Unsupported});
    }
    {
        PngBuilder b;
        b.header(100000, 1, 8, 6);
        cases.push_back({"too wide", b.bytes, core::ErrorCode::TooLarge});
    }
    {
        PngBuilder b;
        b.header(1, 1, 8, 6);
        std::vector<std::uint8_t> cut(b.bytes.begin(), b.bytes.end() - 5);
        cases.push_back({"truncated chunk", cut, core::ErrorCode::Truncated});
    }
    {
        PngBuilder b;
        b.header(1, 1, 8, 6);
        b.data({7, 1, 2, 3, 4});
        b.chunk("IEND", {});
        cases.push_back({"bad filter type", b.bytes, core::ErrorCode::Corrupt});
    }
    {
        PngBuilder b;
        b.header(2, 1, 8, 3);
        b.chunk("PLTE", {1, 2, 3});
        b.data({0, 0, 5});
        b.chunk("IEND", {});
        cases.push_back({"palette index out of range", b.bytes, core::ErrorCode::Corrupt});
    }
    cases.push_back({"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0}, core::ErrorCode::Corrupt});
    for (const auto& c : cases) {
        auto r = decodePng(c.bytes.data(), c.bytes.size());
        ASSERT_FALSE(r.ok()) << c.name;
        EXPECT_EQ(r.error().code, c.code) << c.name;
    }
}

}  // namespace
}  // namespace render
