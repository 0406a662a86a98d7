#include "filelist/mod_dlg_select_file_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/fake_ui.h"

namespace filelist::ModDlgSelectFileInfo {
namespace {

using namespace std::string_literals;

struct SplitCase {
    const char* label;
    std::string directory;
    std::string selection;
    std::string folder;
    std::vector<std::string> names;  // names 1..count
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.label; }

class SplitterTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitterTest, SplitsLikeTheDialogResult) {
    const SplitCase& c = GetParam();
    ui::testing::FakeUi ui;
    ui.workingDirectory = c.directory;
    const DlgSelectFileInfo info = GetDlgSelectFileInfo(c.selection, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(info.FileCount, static_cast<std::int32_t>(c.names.size()));
    EXPECT_EQ(info.FolderPath, c.folder);
    ASSERT_EQ(info.FileNames.size(), c.names.size() + 1);
    EXPECT_EQ(info.FileNames[0], "");
    for (std::size_t i = 0; i < c.names.size(); ++i) EXPECT_EQ(info.FileNames[i + 1], c.names[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitterTest,
    ::testing::Values(
        SplitCase{"one_file", "C:\\Movies", "C:\\Movies\\intro.swf", "C:\\Movies\\", {"intro.swf"}},
        SplitCase{"drive_root_one_file", "C:\\", "C:\\intro.swf", "C:\\", {"intro.swf"}},
        SplitCase{"several_files", "C:\\Movies", "C:\\Movies\0a.swf\0b.swf"s, "C:\\Movies\\",
                  {"a.swf", "b.swf"}},
        // A root folder keeps its backslash in a multiple selection, as the dialog returns it.
        SplitCase{"drive_root_several", "C:\\", "C:\\\0a.swf\0b.swf"s, "C:\\", {"a.swf", "b.swf"}},
        SplitCase{"names_with_spaces", "Z:\\data\\movies", "Z:\\data\\movies\0a.swf\0c d.swf"s,
                  "Z:\\data\\movies\\", {"a.swf", "c d.swf"}},
        SplitCase{"single_name_with_spaces", "C:\\My Movies", "C:\\My Movies\\my movie.swf",
                  "C:\\My Movies\\", {"my movie.swf"}},
        SplitCase{"three_in_dialog_order", "D:\\x", "D:\\x\0c.swf\0a.swf\0b.swf"s, "D:\\x\\",
                  {"c.swf", "a.swf", "b.swf"}},
        // The folder part is cut by the length of the directory, not by the first NUL.
        SplitCase{"cut_by_directory_length", "C:\\Other", "C:\\Movies\\x.swf", "C:\\Other\\",
                  {"s\\x.swf"}},
        SplitCase{"empty_tail_is_one_empty_name", "C:\\Movies", "C:\\Movies", "C:\\Movies\\", {""}},
        SplitCase{"two_nuls_give_an_empty_name", "C:\\M", "C:\\M\0a\0\0b"s, "C:\\M\\",
                  {"a", "", "b"}},
        SplitCase{"trailing_nul_gives_empty_last_name", "C:\\M", "C:\\M\0a\0"s, "C:\\M\\",
                  {"a", ""}},
        // Lengths are counted in characters, so a folder with non-ASCII letters cuts correctly.
        SplitCase{"unicode_folder", "C:\\Фильмы", "C:\\Фильмы\0а.swf\0日本.swf"s, "C:\\Фильмы\\",
                  {"а.swf", "日本.swf"}},
        SplitCase{"unicode_directory_other_text", "C:\\Ä", "C:\\Bé.swf", "C:\\Ä\\", {"é.swf"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SplitterFailure, DirectoryLongerThanSelectionShowsTheMessageOnceAndReturnsNothing) {
    ui::testing::FakeUi ui;
    ui.workingDirectory = "C:\\Movies\\Very Long Folder";
    const DlgSelectFileInfo info = GetDlgSelectFileInfo("C:\\Movies\\a.swf", ui);
    EXPECT_EQ(info.FileCount, 0);
    EXPECT_EQ(info.FolderPath, "");
    EXPECT_TRUE(info.FileNames.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "GetDlgSelectFileInfo函数执行错误！");
    EXPECT_EQ(ui.messages[0].caption, "自定义函数错误");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::Ok);
}

TEST(SplitterFailure, CounterLimitsOfThirtyTwoThousandCharacters) {
    struct Case {
        std::size_t tailCharacters;
        bool multiple;
        bool fails;
    };
    for (const Case c : {Case{32767, false, false}, Case{32768, false, true},
                         Case{32767, true, false}, Case{32768, true, true}}) {
        ui::testing::FakeUi ui;
        ui.workingDirectory = "C:\\M";
        std::string selection = "C:\\M";
        if (c.multiple) {
            // NUL + "a" repeated: every pair is one name.
            for (std::size_t i = 0; i < c.tailCharacters / 2; ++i) selection += "\0a"s;
            if (c.tailCharacters % 2) selection += '\0';
        } else {
            selection += '\\';
            selection += std::string(c.tailCharacters - 1, 'x');
        }
        const DlgSelectFileInfo info = GetDlgSelectFileInfo(selection, ui);
        EXPECT_EQ(ui.messages.size(), c.fails ? 1u : 0u) << c.tailCharacters << c.multiple;
        EXPECT_EQ(info.FileCount == 0, c.fails) << c.tailCharacters << c.multiple;
    }
}

TEST(SplitterFailure, NameLimitCountsCharactersNotBytes) {
    // 16,000 two-byte letters after the folder: 16,001 characters but 32,001 bytes.
    ui::testing::FakeUi ui;
    ui.workingDirectory = "C:\\M";
    std::string selection = "C:\\M\\";
    for (int i = 0; i < 16000; ++i) selection += "é";
    const DlgSelectFileInfo info = GetDlgSelectFileInfo(selection, ui);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(info.FileCount, 1);
}

}  // namespace
}  // namespace filelist::ModDlgSelectFileInfo
