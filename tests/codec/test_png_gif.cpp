// PNG and GIF decoding against the exact pixels the pictures were made from, and damaged
// streams.
#include <gtest/gtest.h>

#include "codec/gif_decoder.h"
#include "codec/image.h"
#include "codec/png_decoder.h"
#include "core/inflate.h"
#include "test_images.h"

namespace {

using codec_test::compare;
using codec_test::readData;
using codec_test::readRaw;

struct LosslessCase {
    const char* file;
    const char* source;
    int channels;
};

core::Result<codec::Image> decodeAny(const std::vector<std::uint8_t>& d) {
    return codec::sniffFormat(d) == codec::ImageFormat::Gif ? codec::decodeGif(d) : codec::decodePng(d);
}

class LosslessDecode : public testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessDecode, GivesTheSourcePixelsExactly) {
    const LosslessCase& c = GetParam();
    const auto data = readData(c.file);
    ASSERT_FALSE(data.empty()) << c.file;
    auto img = decodeAny(data);
    ASSERT_TRUE(img) << img.error().message;
    const auto d = compare(*img, readRaw(c.source, c.channels));
    EXPECT_EQ(d.max, 0) << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, LosslessDecode,
    testing::Values(LosslessCase{"png_rgba8.png", "alpha_src.rgba", 4},
                    LosslessCase{"png_rgba8_interlaced.png", "alpha_src.rgba", 4},
                    LosslessCase{"png_rgba16.png", "alpha_src.rgba", 4},
                    LosslessCase{"alpha_src.png", "alpha_src.rgba", 4},  // palette with tRNS
                    LosslessCase{"png_rgb8.png", "src.rgb", 3},
                    LosslessCase{"png_rgb16_interlaced.png", "src.rgb", 3},
                    LosslessCase{"png_grey8.png", "grey.gray", 1},
                    LosslessCase{"png_grey_alpha8.png", "grey.gray", 1},
                    LosslessCase{"png_grey1.png", "png_grey1.gray", 1},
                    LosslessCase{"png_palette4.png", "few_src.rgb", 3},
                    LosslessCase{"png_palette8_interlaced.png", "few_src.rgb", 3},
                    LosslessCase{"png_palette_trns.png", "key_src.rgba", 4},
                    LosslessCase{"png_rgb_trns.png", "key_src.rgba", 4},
                    LosslessCase{"gif_87.gif", "few_src.rgb", 3},
                    LosslessCase{"gif_interlaced.gif", "few_src.rgb", 3},
                    LosslessCase{"gif_transparent.gif", "key_src.rgba", 4}),
    [](const testing::TestParamInfo<LosslessCase>& i) {
        std::string n = i.param.file;
        return n.substr(0, n.find('.'));
    });

TEST(LosslessStreams, ACutStreamIsAnErrorAndNeverCrashes) {
    for (const char* file : {"png_rgba8_interlaced.png", "png_palette4.png", "gif_interlaced.gif", "gif_87.gif"}) {
        const auto whole = readData(file);
        const bool gif = codec::sniffFormat(whole) == codec::ImageFormat::Gif;
        // Everything up to the end of the image data is needed (PNG: the last IDAT chunk; GIF:
        // all but the block terminator and the trailer).
        std::size_t needed = whole.size() - 2;
        for (std::size_t p = 8; !gif && p + 8 <= whole.size();) {
            const std::size_t len = std::size_t{whole[p]} << 24 | whole[p + 1] << 16 | whole[p + 2] << 8 | whole[p + 3];
            if (std::equal(&whole[p + 4], &whole[p + 8], "IDAT")) needed = p + 12 + len;
            p += 12 + len;
        }
        for (std::size_t cut = 0; cut < needed; ++cut) {
            const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + cut);
            ASSERT_FALSE(decodeAny(part)) << file << " cut at " << cut;
        }
        EXPECT_TRUE(decodeAny(std::vector<std::uint8_t>(whole.begin(), whole.begin() + needed))) << file;
    }
}

TEST(LosslessStreams, DamagedBytesNeverCrash) {
    for (const char* file : {"png_rgba8_interlaced.png", "png_palette_trns.png", "gif_interlaced.gif",
                             "gif_transparent.gif"}) {
        const auto whole = readData(file);
        for (std::size_t i = 0; i < whole.size(); ++i) {
            for (std::uint8_t v : {0x00, 0x07, 0x80, 0xFF}) {
                auto damaged = whole;
                damaged[i] = v;
                auto img = decodeAny(damaged);
                if (img) {
                    ASSERT_EQ(img->rgba.size(), static_cast<std::size_t>(img->width) * img->height * 4);
                }
            }
        }
    }
}

// A PNG of one IHDR, one IDAT with `raw` deflated, and IEND (CRCs left zero: not checked).
std::vector<std::uint8_t> makePng(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t type,
                                  const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&](const char* name, const std::vector<std::uint8_t>& body) {
        const std::uint32_t n = static_cast<std::uint32_t>(body.size());
        out.insert(out.end(), {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)});
        out.insert(out.end(), name, name + 4);
        out.insert(out.end(), body.begin(), body.end());
        out.insert(out.end(), 4, 0);
    };
    chunk("IHDR", {std::uint8_t(w >> 24), std::uint8_t(w >> 16), std::uint8_t(w >> 8), std::uint8_t(w),
                   std::uint8_t(h >> 24), std::uint8_t(h >> 16), std::uint8_t(h >> 8), std::uint8_t(h), depth, type,
                   0, 0, 0});
    chunk("IDAT", core::deflateZlib(raw));
    chunk("IEND", {});
    return out;
}

TEST(PngHeaders, RefusedOrDecodedAsTheyDeserve) {
    struct Row {
        const char* name;
        std::uint32_t w, h;
        std::uint8_t depth, type;
        std::vector<std::uint8_t> raw;
        bool ok;
    };
    const std::vector<Row> rows = {
        {"SubAndUpFilters", 2, 2, 8, 0, {1, 10, 5, 2, 1, 1}, true},
        {"UnknownFilter", 1, 1, 8, 0, {5, 10}, false},
        {"RgbDepth4", 1, 1, 4, 2, {0, 0, 0}, false},
        {"PaletteWithoutPlte", 1, 1, 8, 3, {0, 0}, false},
        {"ZeroWidth", 0, 1, 8, 0, {0}, false},
        {"HugeDimensions", 100000, 100000, 8, 0, {0}, false},
        {"ImageDataTooShort", 4, 4, 8, 0, {0, 1, 2, 3, 4}, false},
    };
    for (const Row& r : rows) {
        auto img = codec::decodePng(makePng(r.w, r.h, r.depth, r.type, r.raw));
        EXPECT_EQ(img.ok(), r.ok) << r.name;
    }
    // Sub adds the byte to the left, Up the byte above: 10, 15 / 12, 16.
    auto img = codec::decodePng(makePng(2, 2, 8, 0, {1, 10, 5, 2, 2, 1}));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->rgba[0], 10);
    EXPECT_EQ(img->rgba[4], 15);
    EXPECT_EQ(img->rgba[8], 12);
    EXPECT_EQ(img->rgba[12], 16);
}

// A GIF of w x h at (left, top) on a screen of sw x sh (0: the image's size), with a 4-entry
// global table (red, green, blue, white) and `lzw` as its LZW data (code size 2).
std::vector<std::uint8_t> makeGif(int w, int h, const std::vector<std::uint8_t>& lzw, int sw = 0, int sh = 0,
                                  int left = 0, int top = 0) {
    std::vector<std::uint8_t> g{'G', 'I', 'F', '8', '9', 'a', std::uint8_t(sw ? sw : w), 0,
                                std::uint8_t(sh ? sh : h), 0, 0x81, 0, 0,
                                255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255,
                                0x2C, std::uint8_t(left), 0, std::uint8_t(top), 0, std::uint8_t(w), 0, std::uint8_t(h), 0, 0, 2,
                                std::uint8_t(lzw.size())};
    g.insert(g.end(), lzw.begin(), lzw.end());
    g.insert(g.end(), {0, 0x3B});
    return g;
}

// Packs codes least significant bit first with the widths the decoder will use.
std::vector<std::uint8_t> packCodes(const std::vector<std::pair<int, int>>& codes) {
    std::vector<std::uint8_t> out;
    std::uint32_t buf = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        buf |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            out.push_back(static_cast<std::uint8_t>(buf));
            buf >>= 8;
            bits -= 8;
        }
    }
    if (bits) out.push_back(static_cast<std::uint8_t>(buf));
    return out;
}

TEST(GifLzw, CodeDefinedByItsOwnUseAndClearCodes) {
    // clear, 1, then 6 (= "1 1", the code being defined), then 7 (= "1 1 1"): 1 1 1 1 1 1.
    // Codes widen to 4 bits once code 7 has been defined.
    auto img = codec::decodeGif(makeGif(6, 1, packCodes({{4, 3}, {1, 3}, {6, 3}, {7, 4}, {5, 4}})));
    ASSERT_TRUE(img) << img.error().message;
    for (int x = 0; x < 6; ++x) EXPECT_EQ(img->rgba[x * 4 + 1], 255) << x;  // index 1: green
    // A clear in the middle starts over with 3-bit codes.
    img = codec::decodeGif(makeGif(3, 1, packCodes({{4, 3}, {2, 3}, {4, 3}, {0, 3}, {3, 3}, {5, 3}})));
    ASSERT_TRUE(img) << img.error().message;
    EXPECT_EQ(img->rgba[2], 255);        // index 2: blue
    EXPECT_EQ(img->rgba[4], 255);        // index 0: red
    EXPECT_EQ(img->rgba[8 + 0], 255);    // index 3: white
    // A code beyond the next free one is damage.
    EXPECT_FALSE(codec::decodeGif(makeGif(2, 1, packCodes({{4, 3}, {1, 3}, {7, 3}, {5, 3}}))));
    // The end code before the last pixel: cut short.
    EXPECT_FALSE(codec::decodeGif(makeGif(3, 1, packCodes({{4, 3}, {1, 3}, {5, 3}}))));
}

TEST(GifLzw, ImageOffsetOnTheScreenAndScreensTooSmall) {
    // A 2x1 image of green at (2, 1) on a 4x2 screen: everything else transparent.
    const auto lzw = packCodes({{4, 3}, {1, 3}, {1, 3}, {5, 3}});
    auto img = codec::decodeGif(makeGif(2, 1, lzw, 4, 2, 2, 1));
    ASSERT_TRUE(img) << img.error().message;
    ASSERT_EQ(img->width, 4);
    ASSERT_EQ(img->height, 2);
    for (int i = 0; i < 8; ++i) {
        const bool covered = i == 6 || i == 7;
        EXPECT_EQ(img->rgba[i * 4 + 3], covered ? 255 : 0) << i;
        EXPECT_EQ(img->rgba[i * 4 + 1], covered ? 255 : 0) << i;
    }
    // A screen that does not hold the image grows to hold it.
    img = codec::decodeGif(makeGif(2, 1, lzw, 1, 1, 3, 0));
    ASSERT_TRUE(img) << img.error().message;
    EXPECT_EQ(img->width, 5);
    EXPECT_EQ(img->height, 1);
}

TEST(Sniff, RecognisesEachFormatByItsFirstBytes) {
    EXPECT_EQ(codec::sniffFormat(readData("png_rgb8.png")), codec::ImageFormat::Png);
    EXPECT_EQ(codec::sniffFormat(readData("gif_87.gif")), codec::ImageFormat::Gif);
    EXPECT_EQ(codec::sniffFormat(readData("grey.jpg")), codec::ImageFormat::Jpeg);
    EXPECT_EQ(codec::sniffFormat(std::vector<std::uint8_t>{0xFF, 0xD9, 0xFF, 0xD8}), codec::ImageFormat::Jpeg);
    EXPECT_EQ(codec::sniffFormat(std::vector<std::uint8_t>{0x89, 'P', 'N'}), codec::ImageFormat::Unknown);
    EXPECT_EQ(codec::sniffFormat(std::vector<std::uint8_t>{'G', 'I', 'F', '8', '8', 'a'}), codec::ImageFormat::Unknown);
}

}  // namespace
