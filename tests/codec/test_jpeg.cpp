// JPEG decoding against pictures ImageMagick encoded from known pixels, and damaged streams.
#include <gtest/gtest.h>

#include "codec/jpeg_decoder.h"
#include "test_images.h"

namespace {

using codec_test::compare;
using codec_test::readData;
using codec_test::readRaw;

// Splits a stream into its tables (DQT, DHT) and the rest, as abbreviated streams keep them.
struct SplitStream {
    std::vector<std::uint8_t> tables{0xFF, 0xD8};
    std::vector<std::uint8_t> image{0xFF, 0xD8};
};

SplitStream split(const std::vector<std::uint8_t>& d) {
    SplitStream s;
    std::size_t p = 2;
    while (p + 4 <= d.size()) {
        const std::uint8_t marker = d[p + 1];
        const std::size_t len = 2 + (static_cast<std::size_t>(d[p + 2]) << 8 | d[p + 3]);
        if (marker == 0xDA) {
            s.image.insert(s.image.end(), d.begin() + p, d.end());
            break;
        }
        auto& to = (marker == 0xDB || marker == 0xC4) ? s.tables : s.image;
        to.insert(to.end(), d.begin() + p, d.begin() + p + len);
        p += len;
    }
    s.tables.insert(s.tables.end(), {0xFF, 0xD9});
    return s;
}

// Offset just past the entropy-coded data of the last scan (before EOI).
std::size_t endOfScans(const std::vector<std::uint8_t>& d) { return d.size() - 2; }

struct JpegCase {
    const char* file;
    const char* source;  // raw pixels it was made from
    int channels;        // of the source: 1 grey, 3 RGB
    double maxMean;      // mean absolute error per channel
    int maxError;
};

class JpegDecode : public testing::TestWithParam<JpegCase> {};

TEST_P(JpegDecode, MatchesTheSourcePixels) {
    const JpegCase& c = GetParam();
    const auto data = readData(c.file);
    ASSERT_FALSE(data.empty()) << c.file;
    auto img = codec::decodeJpeg(data);
    ASSERT_TRUE(img) << img.error().message;
    EXPECT_EQ(img->width, 61);
    EXPECT_EQ(img->height, 37);
    const auto d = compare(*img, readRaw(c.source, c.channels));
    EXPECT_LE(d.mean, c.maxMean) << c.file;
    EXPECT_LE(d.max, c.maxError) << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegDecode,
    testing::Values(JpegCase{"baseline_444.jpg", "src.rgb", 3, 1.0, 10},
                    JpegCase{"baseline_422.jpg", "src.rgb", 3, 1.3, 14},
                    JpegCase{"baseline_420.jpg", "src.rgb", 3, 1.5, 16},
                    JpegCase{"baseline_440.jpg", "src.rgb", 3, 1.5, 16},
                    JpegCase{"baseline_411.jpg", "src.rgb", 3, 2.2, 26},
                    JpegCase{"progressive_420.jpg", "src.rgb", 3, 1.5, 16},
                    JpegCase{"progressive_444.jpg", "src.rgb", 3, 1.0, 10},
                    JpegCase{"restart_420.jpg", "src.rgb", 3, 1.5, 16},
                    JpegCase{"sequential_scans.jpg", "src.rgb", 3, 1.5, 16},
                    JpegCase{"restart_progressive.jpg", "src.rgb", 3, 1.0, 10},
                    JpegCase{"grey.jpg", "grey.gray", 1, 0.7, 4},
                    JpegCase{"grey_progressive.jpg", "grey.gray", 1, 0.7, 4},
                    JpegCase{"cmyk.jpg", "src.rgb", 3, 1.0, 10}),
    [](const testing::TestParamInfo<JpegCase>& i) {
        std::string n = i.param.file;
        return n.substr(0, n.find('.'));
    });

TEST(JpegStreams, TablesKeptApartOrBehindAStrayEndMarkerGiveTheSamePicture) {
    const auto whole = readData("progressive_420.jpg");
    auto expected = codec::decodeJpeg(whole);
    ASSERT_TRUE(expected);
    const SplitStream s = split(whole);
    ASSERT_GT(s.tables.size(), 100u);
    auto apart = codec::decodeJpeg(s.image, s.tables);
    ASSERT_TRUE(apart) << apart.error().message;
    EXPECT_EQ(apart->rgba, expected->rgba);
    // Without the tables the scan refers to Huffman tables nobody defined.
    EXPECT_FALSE(codec::decodeJpeg(s.image));

    // An end/start pair in front, and tables then picture concatenated as one stream.
    std::vector<std::uint8_t> prefixed{0xFF, 0xD9, 0xFF, 0xD8};
    prefixed.insert(prefixed.end(), whole.begin(), whole.end());
    auto p = codec::decodeJpeg(prefixed);
    ASSERT_TRUE(p) << p.error().message;
    EXPECT_EQ(p->rgba, expected->rgba);
    std::vector<std::uint8_t> joined = s.tables;
    joined.insert(joined.end(), s.image.begin(), s.image.end());
    auto j = codec::decodeJpeg(joined);
    ASSERT_TRUE(j) << j.error().message;
    EXPECT_EQ(j->rgba, expected->rgba);
}

TEST(JpegStreams, AStreamCutAnywhereInsideItsScanIsAnError) {
    for (const char* file : {"baseline_420.jpg", "restart_420.jpg"}) {
        const auto whole = readData(file);
        std::size_t scan = 2;
        while (scan + 1 < whole.size() && !(whole[scan] == 0xFF && whole[scan + 1] == 0xDA)) ++scan;
        for (std::size_t cut = 0; cut < endOfScans(whole); ++cut) {
            const std::vector<std::uint8_t> part(whole.begin(), whole.begin() + cut);
            auto img = codec::decodeJpeg(part);
            ASSERT_FALSE(img) << file << " cut at " << cut;
            if (cut >= scan + 2 + 12) {  // past the three-component scan header
                EXPECT_EQ(img.error().code, core::ErrorCode::Truncated) << file << " cut at " << cut;
            }
        }
        // Only the end marker missing: the picture is complete.
        const std::vector<std::uint8_t> noEnd(whole.begin(), whole.end() - 2);
        EXPECT_TRUE(codec::decodeJpeg(noEnd)) << file;
    }
}

TEST(JpegStreams, OneScanPerComponentGivesTheInterleavedPicture) {
    // The same coefficients, interleaved in one scan or one component per scan.
    auto interleaved = codec::decodeJpeg(readData("baseline_420.jpg"));
    const auto whole = readData("sequential_scans.jpg");
    auto separate = codec::decodeJpeg(whole);
    ASSERT_TRUE(interleaved);
    ASSERT_TRUE(separate) << separate.error().message;
    EXPECT_EQ(separate->rgba, interleaved->rgba);
    // Cut before the last component's scan: the picture is incomplete, not shown.
    std::size_t lastScan = whole.size() - 2;
    while (lastScan > 0 && !(whole[lastScan] == 0xFF && whole[lastScan + 1] == 0xDA)) --lastScan;
    auto cut = codec::decodeJpeg(std::vector<std::uint8_t>(whole.begin(), whole.begin() + lastScan));
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().code, core::ErrorCode::Truncated);
}

TEST(JpegStreams, DamagedBytesNeverCrash) {
    // Every byte of the headers and a sample of the scan data replaced by a few values: the
    // decoder returns a picture or an error (the sanitiser builds watch the memory accesses).
    for (const char* file : {"baseline_420.jpg", "progressive_420.jpg", "restart_progressive.jpg"}) {
        const auto whole = readData(file);
        for (std::size_t i = 0; i < whole.size(); i += (i < 700 ? 1 : 7)) {
            for (std::uint8_t v : {0x00, 0x01, 0x7F, 0xFF}) {
                auto damaged = whole;
                damaged[i] = v;
                auto img = codec::decodeJpeg(damaged);
                if (img) {
                    ASSERT_EQ(img->rgba.size(), static_cast<std::size_t>(img->width) * img->height * 4);
                }
            }
        }
    }
}

struct BadHeader {
    const char* name;
    std::size_t offset;  // of the byte replaced, from the start of the SOF0 segment
    std::uint8_t value;
    core::ErrorCode code;
};

class JpegBadFrame : public testing::TestWithParam<BadHeader> {};

TEST_P(JpegBadFrame, IsRefusedWithItsReason) {
    auto d = readData("baseline_444.jpg");
    std::size_t sof = 2;
    while (sof + 1 < d.size() && !(d[sof] == 0xFF && d[sof + 1] == 0xC0)) ++sof;
    ASSERT_LT(sof + 20, d.size());
    d[sof + GetParam().offset] = GetParam().value;
    auto img = codec::decodeJpeg(d);
    ASSERT_FALSE(img);
    EXPECT_EQ(img.error().code, GetParam().code) << img.error().message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegBadFrame,
    testing::Values(BadHeader{"TwelveBitSamples", 4, 12, core::ErrorCode::Unsupported},
                    BadHeader{"ArithmeticCoding", 1, 0xC9, core::ErrorCode::Unsupported},
                    BadHeader{"Lossless", 1, 0xC3, core::ErrorCode::Unsupported},
                    BadHeader{"HeightLaterInTheStream", 6, 0, core::ErrorCode::Unsupported},
                    BadHeader{"ZeroWidth", 8, 0, core::ErrorCode::Corrupt},
                    BadHeader{"TooWide", 7, 0x50, core::ErrorCode::TooLarge},
                    BadHeader{"TwoComponents", 9, 2, core::ErrorCode::Corrupt},
                    BadHeader{"SamplingFactorZero", 11, 0x01, core::ErrorCode::Corrupt},
                    BadHeader{"SamplingFactorFive", 11, 0x51, core::ErrorCode::Corrupt},
                    BadHeader{"MissingQuantisationTable", 12, 3, core::ErrorCode::Corrupt}),
    [](const testing::TestParamInfo<BadHeader>& i) { return std::string(i.param.name); });

TEST(JpegStreams, OversubscribedHuffmanTableIsRefused) {
    auto d = readData("baseline_444.jpg");
    std::size_t dht = 2;
    while (dht + 1 < d.size() && !(d[dht] == 0xFF && d[dht + 1] == 0xC4)) ++dht;
    ASSERT_LT(dht + 21, d.size());
    d[dht + 5] = 3;  // three codes of length 1
    EXPECT_FALSE(codec::decodeJpeg(d));
}

TEST(JpegStreams, NothingButMarkersIsAnError) {
    for (const std::vector<std::uint8_t>& d : std::vector<std::vector<std::uint8_t>>{
             {}, {0xFF}, {0xFF, 0xD8}, {0xFF, 0xD8, 0xFF, 0xD9}, {0xFF, 0xD9, 0xFF, 0xD8, 0xFF, 0xD9},
             {0xFF, 0xD8, 0xFF, 0xDB, 0x00}, {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x01}})
        EXPECT_FALSE(codec::decodeJpeg(d));
}

}  // namespace
