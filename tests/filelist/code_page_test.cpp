#include "filelist/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace filelist {
namespace {

using namespace std::string_literals;

TEST(Windows1252Test, EveryByteSurvivesARoundTrip) {
    const Windows1252 cp;
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = cp.toUtf8(all);
    EXPECT_TRUE(isValidUtf8(utf8));
    EXPECT_EQ(countCodePoints(utf8), 256u);
    const std::optional<std::string> back = cp.fromUtf8(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Windows1252Test, KnownMappings) {
    const Windows1252 cp;
    struct Case {
        std::string ansi;
        std::string utf8;
    };
    for (const Case& c : {Case{"\x80", "€"}, Case{"\x8A", "Š"}, Case{"\x9F", "Ÿ"},
                          Case{"\x81", "\xC2\x81"}, Case{"\xA0", "\xC2\xA0"}, Case{"\xE9", "é"},
                          Case{"\xFF", "ÿ"}, Case{"\x99", "™"}, Case{"\x00"s, "\x00"s}}) {
        EXPECT_EQ(cp.toUtf8(c.ansi), c.utf8);
        EXPECT_EQ(cp.fromUtf8(c.utf8), c.ansi);
    }
}

TEST(Windows1252Test, RefusesWhatHasNoExactForm) {
    const Windows1252 cp;
    // C1 controls that 1252 uses for other letters, letters with only a best-fit substitute,
    // characters outside the BMP, and broken UTF-8.
    for (const std::string& s : {"\xC2\x80"s, "ā"s, "日"s, "🎬"s, "a\xFF"s, "\xC3"s, "\xED\xA0\x80"s,
                                "\xC0\xAF"s}) {
        EXPECT_FALSE(cp.fromUtf8("C:\\" + s).has_value()) << s;
    }
}

TEST(Utf8Test, DecoderRejectsMalformedSequences) {
    struct Case {
        std::string text;
        bool valid;
        std::size_t codePoints;
    };
    for (const Case& c : {Case{"", true, 0}, Case{"abc", true, 3}, Case{"é日🎬", true, 3},
                          Case{"\xF4\x8F\xBF\xBF", true, 1}, Case{"\xF4\x90\x80\x80", false, 4},
                          Case{"\xE0\x80\x80", false, 3}, Case{"\xED\xBF\xBF", false, 3},
                          Case{"\xE6\x97", false, 2}, Case{"\x80", false, 1}}) {
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.text;
        EXPECT_EQ(countCodePoints(c.text), c.codePoints) << c.text;
        EXPECT_TRUE(isValidUtf8(sanitizeUtf8(c.text)));
    }
    EXPECT_EQ(sanitizeUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
}  // namespace filelist
