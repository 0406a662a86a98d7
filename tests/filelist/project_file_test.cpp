#include "filelist/project_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace filelist {
namespace {

using namespace std::string_literals;

const Windows1252 kCp;

TEST(ProjectWriter, ThreeTabsPerLineAndCrLfAfterEveryLine) {
    const std::vector<Row> rows = {
        Row("C:\\Movies\\intro.swf", "905", "07-03-2006", "OK"),
        Row("C:\\Movies\\b.swf", "0", "12-25-2010", ""),
    };
    const ProjectBytes out = writeProject(rows, kCp);
    EXPECT_EQ(out.encoding, ProjectEncoding::Ansi);
    EXPECT_EQ(out.bytes,
              "C:\\Movies\\intro.swf\t905\t07-03-2006\tOK\r\n"
              "C:\\Movies\\b.swf\t0\t12-25-2010\t\r\n");
}

TEST(ProjectWriter, EmptyListGivesZeroBytes) {
    EXPECT_EQ(writeProject({}, kCp).bytes, "");
}

TEST(ProjectWriter, EmptyCellsKeepTheirTabs) {
    EXPECT_EQ(writeProject({Row()}, kCp).bytes, "\t\t\t\r\n");
    EXPECT_EQ(writeProject({Row("a")}, kCp).bytes, "a\t\t\t\r\n");
}

TEST(ProjectWriter, Windows1252CharactersStayAnsi) {
    const ProjectBytes out = writeProject({Row("C:\\Café\\€.swf", "1", "", "")}, kCp);
    EXPECT_EQ(out.encoding, ProjectEncoding::Ansi);
    EXPECT_EQ(out.bytes, "C:\\Caf\xE9\\\x80.swf\t1\t\t\r\n");
}

TEST(ProjectWriter, OneUnrepresentableCharacterMakesTheWholeFileUtf8) {
    const std::vector<Row> rows = {Row("C:\\Café.swf"), Row("C:\\日本\\a.swf", "3")};
    const ProjectBytes out = writeProject(rows, kCp);
    EXPECT_EQ(out.encoding, ProjectEncoding::Utf8);
    EXPECT_EQ(out.bytes, "\xEF\xBB\xBF" "C:\\Café.swf\t\t\t\r\nC:\\日本\\a.swf\t3\t\t\r\n");
}

TEST(ProjectWriter, AnsiBytesThatWouldReadAsAByteOrderMarkAreWrittenAsUtf8) {
    // U+00EF U+00BB U+00BF are EF BB BF in Windows-1252.
    const ProjectBytes out = writeProject({Row("ï»¿x.swf")}, kCp);
    EXPECT_EQ(out.encoding, ProjectEncoding::Utf8);
    EXPECT_EQ(readProject(out.bytes, kCp), std::vector<Row>{Row("ï»¿x.swf")});
}

struct ReadCase {
    const char* label;
    std::string bytes;
    std::vector<Row> rows;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }

class ProjectReader : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProjectReader, Reads) {
    EXPECT_EQ(readProject(GetParam().bytes, kCp), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectReader,
    ::testing::Values(
        ReadCase{"empty_file", "", {}},
        ReadCase{"one_line", "C:\\a.swf\t905\t07-03-2006\tOK\r\n",
                 {Row("C:\\a.swf", "905", "07-03-2006", "OK")}},
        ReadCase{"lone_cr_ends_a_line", "a\t1\t2\t3\rb\t4\t5\t6\r\n",
                 {Row("a", "1", "2", "3"), Row("b", "4", "5", "6")}},
        ReadCase{"lone_lf_stays_in_the_text", "a\nb\t1\t2\t3\r\n", {Row("a\nb", "1", "2", "3")}},
        ReadCase{"last_line_without_crlf", "a\t1\t2\t3\r\nb\t4\t5\t",
                 {Row("a", "1", "2", "3"), Row("b", "4", "5", "")}},
        ReadCase{"five_fields_keep_four", "a\t1\t2\t3\textra\r\n", {Row("a", "1", "2", "3")}},
        // A short line loads what it has and loading goes on.
        ReadCase{"short_line", "a\r\nb\t7\r\nc\t1\t2\t3\r\n",
                 {Row("a"), Row("b", "7"), Row("c", "1", "2", "3")}},
        // Empty lines give no rows, wherever they are.
        ReadCase{"empty_lines", "\r\n\r\na\t1\t2\t3\r\n\r\r\nb\t\t\t\r\n\r\n",
                 {Row("a", "1", "2", "3"), Row("b")}},
        ReadCase{"only_tabs_is_a_row", "\t\t\t\r\n", {Row()}},
        ReadCase{"utf8_bom", "\xEF\xBB\xBF" "C:\\日本\\a.swf\t1\t\t\r\n", {Row("C:\\日本\\a.swf", "1")}},
        ReadCase{"utf8_bom_invalid_bytes_become_replacement", "\xEF\xBB\xBF" "a\xFF\t1\t\t\r\n",
                 {Row("a\xEF\xBF\xBD", "1")}},
        ReadCase{"ansi_high_bytes", "C:\\Caf\xE9\\\x80\x81.swf\t1\t\t\r\n",
                 {Row("C:\\Café\\€\xC2\x81.swf", "1")}},
        // A BOM anywhere else is text.
        ReadCase{"bom_later_is_ansi", "a\r\n\xEF\xBB\xBF" "b\r\n", {Row("a"), Row("ï»¿b")}},
        ReadCase{"nul_bytes_are_kept", "a\0b\t1\t2\t3"s, {Row("a\0b"s, "1", "2", "3")}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ProjectRoundTrip, RowsComeBackExactly) {
    const std::vector<std::vector<Row>> lists = {
        {Row("C:\\Movies\\intro.swf", "905", "07-03-2006", "OK"), Row("C:\\b.swf", "0", "01-01-1999")},
        {Row("C:\\Фильмы\\фильм.swf", "10", "02-03-2004"), Row("C:\\Café.swf"),
         Row("D:\\音乐\\歌.swf", "1", "2", "Processing")},
        {Row("C:\\emoji 🎬.swf"), Row("C:\\a.swf"), Row("C:\\a.swf")},
        {Row("C:\\x\\\xC2\x81\xC2\x8D.swf")},  // the undefined Windows-1252 bytes
    };
    for (const auto& rows : lists) {
        const ProjectBytes out = writeProject(rows, kCp);
        EXPECT_EQ(readProject(out.bytes, kCp), rows) << out.bytes;
    }
}

}  // namespace
}  // namespace filelist
