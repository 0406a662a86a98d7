#include <gtest/gtest.h>

#include "core/text_encoding.h"

namespace {

struct EncCase {
    const char* name;
    std::string input;
    unsigned version;
    std::string expected;
};

class MovieStringTest : public ::testing::TestWithParam<EncCase> {};

TEST_P(MovieStringTest, DecodesForVersion) {
    const EncCase& c = GetParam();
    EXPECT_EQ(core::movieStringToUtf8(c.input, c.version), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, MovieStringTest,
    ::testing::Values(
        EncCase{"ascii_old", "hello", 5, "hello"},
        EncCase{"latin1_old", "caf\xE9", 5, "caf\xC3\xA9"},
        EncCase{"euro_old", "\x80", 4, "\xE2\x82\xAC"},
        EncCase{"undefined_byte_old", "\x81", 4, "\xEF\xBF\xBD"},
        EncCase{"utf8_new", "caf\xC3\xA9", 6, "caf\xC3\xA9"},
        EncCase{"four_byte_new", "\xF0\x9F\x98\x80", 8, "\xF0\x9F\x98\x80"},
        EncCase{"invalid_new", "a\xE9z", 6, "a\xEF\xBF\xBDz"},
        EncCase{"truncated_new", "a\xE2\x82", 6, "a\xEF\xBF\xBD\xEF\xBF\xBD"},
        EncCase{"overlong_new", "\xC0\xAF", 7, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        EncCase{"surrogate_new", "\xED\xA0\x80", 7, "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
