// The skin file parser: good files, derived colours, and every way a file can be broken.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "skin/skin_file.h"

namespace {

using core::ErrorCode;
using skin::Colour;

// Every required key and nothing else.
const std::string kMinimal =
    "[skin]\n"
    "format = 1\n"
    "[window]\n"
    "background = #102030\n"
    "text = #f0f0f0\n"
    "[frame]\n"
    "background = #203040\n"
    "border = #405060\n"
    "[button]\n"
    "face = #6080a0\n"
    "text = #ffffff\n"
    "border = #8090a0\n"
    "[list]\n"
    "background = #000000\n"
    "text = 224, 224, 224\n"
    "header_face = #303030\n"
    "header_text = #c8d2dc\n";

TEST(SkinFile, MinimalFileDerivesTheOptionalColours) {
    auto r = skin::parseSkin(kMinimal);
    ASSERT_TRUE(r.ok()) << r.error().message;
    const skin::Skin& s = *r;
    EXPECT_EQ(s.format, 1);
    EXPECT_EQ(s.window.background, (Colour{0x10, 0x20, 0x30}));
    EXPECT_FALSE(s.window.backgroundEnd.has_value());
    EXPECT_EQ(s.list.headerText, (Colour{200, 210, 220}));
    const Colour face{0x60, 0x80, 0xa0};
    EXPECT_EQ(s.button.faceHot, skin::mix(face, Colour{255, 255, 255}, 12));
    EXPECT_EQ(s.button.facePressed, skin::mix(face, Colour{0, 0, 0}, 20));
    EXPECT_EQ(s.button.faceDisabled, skin::mix(face, s.window.background, 50));
    EXPECT_EQ(s.button.focus, s.button.border);
    EXPECT_EQ(s.button.accentFace, face);
    EXPECT_EQ(s.button.accentText, s.button.text);
    EXPECT_EQ(s.list.headerBorder, s.frame.border);
    EXPECT_EQ(s.label.text, s.window.text);
    EXPECT_EQ(s.label.link, s.label.text);
    EXPECT_EQ(s.button.radius, 0);
    EXPECT_FALSE(s.button.font.has_value());
}

TEST(SkinFile, OptionalKeysOverrideTheDerivedOnes) {
    auto r = skin::parseSkin(kMinimal +
                             "[button]\n"
                             "face_hot = #010203\n"
                             "radius = 32\n"
                             "font = Segoe UI, 8.25, bold\n"
                             "[label]\n"
                             "link = 0, 255, 0\n"
                             "font = Tahoma, 8\n"
                             "[window]\n"
                             "background_end = #ffffff\n"
                             "image = art/back drop.BMP\n");
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->button.faceHot, (Colour{1, 2, 3}));
    EXPECT_EQ(r->button.radius, 32);
    ASSERT_TRUE(r->button.font.has_value());
    EXPECT_EQ(*r->button.font, (skin::FontSpec{"Segoe UI", 825, true}));
    EXPECT_EQ(*r->label.font, (skin::FontSpec{"Tahoma", 800, false}));
    EXPECT_EQ(r->label.link, (Colour{0, 255, 0}));
    EXPECT_EQ(r->label.text, r->window.text);
    EXPECT_EQ(r->window.backgroundEnd, (Colour{255, 255, 255}));
    EXPECT_EQ(r->window.image, "art/back drop.BMP");
}

TEST(SkinFile, ToleratesCommentsBlankLinesCrLfTabsAndABom) {
    std::string text = "\xEF\xBB\xBF# a comment\r\n\r\n; another\r\n";
    for (char c : kMinimal) {
        if (c == '\n') text += "   \r";
        text += c == '=' ? std::string("\t=\t") : std::string(1, c);
    }
    auto r = skin::parseSkin(text);
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->frame.border, (Colour{0x40, 0x50, 0x60}));
}

TEST(SkinFile, ShippedDefaultSkinIsValid) {
    const std::filesystem::path path = std::filesystem::path(VFS_SOURCE_DIR) / "resources/skins/frmmain.skn";
    auto r = skin::loadSkinFile(path);
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->name, "Harbour Night");
    EXPECT_TRUE(r->window.backgroundEnd.has_value());
    EXPECT_GT(r->button.radius, 0);
    // The main action stands out from the other buttons.
    EXPECT_NE(r->button.accentFace, r->button.face);
}

// Removing any one required line makes the file invalid, and the error names the key.
TEST(SkinFile, EachRequiredKeyIsRequired) {
    const std::vector<std::string> required = {"format",     "background", "text",        "background",
                                               "border",     "face",       "text",        "border",
                                               "background", "text",       "header_face", "header_text"};
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < kMinimal.size()) {
        const std::size_t end = kMinimal.find('\n', start);
        lines.push_back(kMinimal.substr(start, end - start));
        start = end + 1;
    }
    std::size_t checked = 0;
    for (std::size_t drop = 0; drop < lines.size(); ++drop) {
        if (lines[drop].front() == '[') continue;
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i != drop) text += lines[i] + "\n";
        }
        auto r = skin::parseSkin(text);
        ASSERT_FALSE(r.ok()) << "without: " << lines[drop];
        EXPECT_EQ(r.error().code, ErrorCode::Corrupt);
        const std::string key = lines[drop].substr(0, lines[drop].find(' '));
        EXPECT_NE(r.error().message.find(key), std::string::npos) << r.error().message;
        ++checked;
    }
    EXPECT_EQ(checked, required.size());
}

struct BadCase {
    const char* name;
    std::string text;
    ErrorCode code;
    int line;  // line number the message names, 0: none
};

class BadSkin : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadSkin, IsRejected) {
    const BadCase& c = GetParam();
    auto r = skin::parseSkin(c.text);
    ASSERT_FALSE(r.ok()) << c.name;
    EXPECT_EQ(r.error().code, c.code) << c.name << ": " << r.error().message;
    if (c.line > 0) {
        EXPECT_NE(r.error().message.find("line " + std::to_string(c.line) + ":"), std::string::npos)
            << c.name << ": " << r.error().message;
        ASSERT_TRUE(r.error().offset.has_value());
        // The offset is where that line starts.
        std::size_t lineStart = 0;
        for (int i = 1; i < c.line; ++i) lineStart = c.text.find('\n', lineStart) + 1;
        EXPECT_EQ(*r.error().offset, lineStart) << c.name;
    }
}

// Replaces the first "key = value" line of kMinimal that starts with prefix.
std::string withLine(const std::string& prefix, const std::string& replacement) {
    std::string text = kMinimal;
    const std::size_t at = text.find(prefix);
    const std::size_t end = text.find('\n', at);
    return text.replace(at, end - at, replacement);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSkin,
    ::testing::Values(
        BadCase{"empty", "", ErrorCode::Corrupt, 0},
        BadCase{"only comments", "# nothing\n; here\n", ErrorCode::Corrupt, 0},
        BadCase{"garbage line", kMinimal + "hello world\n", ErrorCode::Corrupt, 18},
        BadCase{"key before any section", "format = 1\n" + kMinimal, ErrorCode::Corrupt, 1},
        BadCase{"unknown section", kMinimal + "[sound]\n", ErrorCode::Corrupt, 18},
        BadCase{"section with odd name", "[Skin!]\n", ErrorCode::Corrupt, 1},
        BadCase{"unknown key", kMinimal + "colour = #000000\n", ErrorCode::Corrupt, 18},
        BadCase{"duplicate key", kMinimal + "[skin]\nformat = 1\n", ErrorCode::Corrupt, 19},
        BadCase{"unterminated section", kMinimal + "[butt", ErrorCode::Corrupt, 18},
        BadCase{"file stops inside a colour", kMinimal.substr(0, kMinimal.size() - 5), ErrorCode::Corrupt, 17},
        BadCase{"file stops after the equals sign", withLine("header_text", "header_text ="), ErrorCode::Corrupt,
                17},
        BadCase{"short hex colour", withLine("face", "face = #12345"), ErrorCode::Corrupt, 10},
        BadCase{"bad hex digit", withLine("face", "face = #12345g"), ErrorCode::Corrupt, 10},
        BadCase{"colour channel above 255", withLine("face", "face = 256, 0, 0"), ErrorCode::Corrupt, 10},
        BadCase{"negative channel", withLine("face", "face = -1, 0, 0"), ErrorCode::Corrupt, 10},
        BadCase{"two channels", withLine("face", "face = 1, 2"), ErrorCode::Corrupt, 10},
        BadCase{"four channels", withLine("face", "face = 1, 2, 3, 4"), ErrorCode::Corrupt, 10},
        BadCase{"huge channel", withLine("face", "face = 99999999999999999999, 0, 0"), ErrorCode::Corrupt, 10},
        BadCase{"huge format", withLine("format", "format = 4294967297"), ErrorCode::Corrupt, 2},
        BadCase{"huge radius", kMinimal + "radius = 999999999999999999999999999999\n", ErrorCode::Corrupt, 18},
        BadCase{"radius above its limit", kMinimal + "radius = 33\n", ErrorCode::Corrupt, 18},
        BadCase{"signed radius", kMinimal + "radius = +3\n", ErrorCode::Corrupt, 18},
        BadCase{"newer format", withLine("format", "format = 2"), ErrorCode::Unsupported, 0},
        BadCase{"format zero", withLine("format", "format = 0"), ErrorCode::Corrupt, 2},
        BadCase{"font without size", kMinimal + "font = Tahoma\n", ErrorCode::Corrupt, 18},
        BadCase{"font too small", kMinimal + "font = Tahoma, 5\n", ErrorCode::Corrupt, 18},
        BadCase{"font size with three decimals", kMinimal + "font = Tahoma, 8.255\n", ErrorCode::Corrupt, 18},
        BadCase{"font with unknown style", kMinimal + "font = Tahoma, 9, italic\n", ErrorCode::Corrupt, 18},
        BadCase{"font face with odd characters", kMinimal + "font = Ta;homa, 9\n", ErrorCode::Corrupt, 18},
        BadCase{"image outside the skin folder", "[window]\nimage = ../secret.bmp\n", ErrorCode::Corrupt, 2},
        BadCase{"image on another drive", "[window]\nimage = C:\\x.bmp\n", ErrorCode::Corrupt, 2},
        BadCase{"image that is no bitmap", "[window]\nimage = x.exe\n", ErrorCode::Corrupt, 2},
        BadCase{"NUL byte", kMinimal + std::string("text = #00\0", 11) + "0000\n", ErrorCode::Corrupt, 18},
        BadCase{"escape character", "[skin]\nformat = 1\x1b[0m\n", ErrorCode::Corrupt, 2},
        BadCase{"line too long", kMinimal + "name = " + std::string(600, 'x') + "\n", ErrorCode::Corrupt, 18},
        BadCase{"too large", kMinimal + std::string(70 * 1024, '\n'), ErrorCode::TooLarge, 0}));

TEST(SkinFile, BinaryJunkIsRejectedWithoutCrashing) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 200; ++round) {
        std::string junk(static_cast<std::size_t>(1 + round * 7), '\0');
        for (char& c : junk) c = static_cast<char>(byte(rng));
        auto r = skin::parseSkin(junk);
        EXPECT_FALSE(r.ok()) << "round " << round;
    }
}

// Every prefix of a good file either fails or, once all lines are complete, parses.
TEST(SkinFile, EveryTruncationIsHandled) {
    for (std::size_t n = 0; n < kMinimal.size(); ++n) {
        auto r = skin::parseSkin(std::string_view(kMinimal).substr(0, n));
        // Only the full text minus its final newline holds every key complete.
        EXPECT_EQ(r.ok(), n == kMinimal.size() - 1) << "prefix of " << n << " bytes";
    }
}

struct ImageCase {
    const char* name;
    bool safe;
};

class ImageName : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageName, IsCheckedForSafety) {
    EXPECT_EQ(skin::isSafeImageName(GetParam().name), GetParam().safe) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, ImageName,
                         ::testing::Values(ImageCase{"back.bmp", true}, ImageCase{"a/b/c.BMP", true},
                                           ImageCase{"a\\b.bmp", true}, ImageCase{"my back-1_x.bmp", true},
                                           ImageCase{"", false}, ImageCase{".bmp", false},
                                           ImageCase{"back.png", false}, ImageCase{"/etc/x.bmp", false},
                                           ImageCase{"\\x.bmp", false}, ImageCase{"C:x.bmp", false},
                                           ImageCase{"a/../x.bmp", false}, ImageCase{"..\\x.bmp", false},
                                           ImageCase{"a//x.bmp", false}, ImageCase{"x.bmp:stream", false},
                                           ImageCase{"caf\xc3\xa9.bmp", false}));

TEST(SkinFile, ImageNameLengthIsCapped) {
    EXPECT_TRUE(skin::isSafeImageName(std::string(96, 'a') + ".bmp"));
    EXPECT_FALSE(skin::isSafeImageName(std::string(97, 'a') + ".bmp"));
}

TEST(SkinMix, BlendsChannelsWithRounding) {
    const Colour black{0, 0, 0};
    const Colour white{255, 255, 255};
    EXPECT_EQ(skin::mix(black, white, 0), black);
    EXPECT_EQ(skin::mix(black, white, 100), white);
    EXPECT_EQ(skin::mix(black, white, 50), (Colour{128, 128, 128}));  // 127.5 rounds up
    EXPECT_EQ(skin::mix(Colour{255, 0, 0}, Colour{0, 0, 255}, 25), (Colour{191, 0, 64}));
    EXPECT_EQ(skin::mix(black, white, -10), black);
    EXPECT_EQ(skin::mix(black, white, 300), white);
}

class SkinFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("vfs_skin_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::filesystem::path write(const std::string& name, const std::string& text) {
        const auto p = m_dir / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }
    std::filesystem::path m_dir;
};

TEST_F(SkinFileOnDisk, LoadsAGoodFile) {
    auto r = skin::loadSkinFile(write("a.skn", kMinimal));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->list.headerFace, (Colour{0x30, 0x30, 0x30}));
}

TEST_F(SkinFileOnDisk, ReportsMissingUnreadableAndOversizedFiles) {
    EXPECT_EQ(skin::loadSkinFile(m_dir / "none.skn").error().code, ErrorCode::NotFound);
    EXPECT_EQ(skin::loadSkinFile(m_dir).error().code, ErrorCode::IoError);
    EXPECT_EQ(skin::loadSkinFile(write("big.skn", std::string(skin::kMaxSkinFileBytes + 1, '#'))).error().code,
              ErrorCode::TooLarge);
    EXPECT_EQ(skin::loadSkinFile(write("bad.skn", "junk")).error().code, ErrorCode::Corrupt);
}

}  // namespace
