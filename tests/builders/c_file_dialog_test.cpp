// cFileDialog: the record rules, the filter conversion, the buffers, the cancel error and the
// splitting of a multiple selection, against a scripted system dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builders/c_file_dialog.h"
#include "tests/builders/fake_dialog_system.h"

namespace builders {
namespace {

using testing::FakeDialogSystem;
using namespace std::string_literals;

struct FilterCase {
    const char* name;
    std::string filter;
    std::u16string converted;
};

class FilterConversion : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, KeepsTheTextAndStoresTheConvertedForm) {
    FakeDialogSystem system;
    cFileDialog d(system);
    d.setFilter(GetParam().filter);
    EXPECT_EQ(d.Filter(), GetParam().filter);
    EXPECT_EQ(d.record().lpstrFilter, GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterConversion,
    ::testing::Values(
        FilterCase{"SwfFilter", "Exe Type Files (*.swf)|*.swf||", u"Exe Type Files (*.swf)\0*.swf\0\0\0\0"s},
        FilterCase{"ExeFilter", "Flash Type Files (*.exe)|*.exe||", u"Flash Type Files (*.exe)\0*.exe\0\0\0\0"s},
        FilterCase{"ColonSplitsToo", "A: b|*.b", u"A\0 b\0*.b\0\0"s},
        FilterCase{"Empty", "", u"\0\0"s},
        FilterCase{"NonAscii", "Fl\xC3\xA4sh|*.swf", u"Fl\u00E4sh\0*.swf\0\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextBeforeNullTest, CutsAtTheFirstNul) {
    EXPECT_EQ(TextBeforeNull("C:\\a.swf\0\0\0"s), "C:\\a.swf");
    EXPECT_EQ(TextBeforeNull("no nul"), "no nul");
    EXPECT_EQ(TextBeforeNull("\0x"s), "");
    EXPECT_EQ(TextBeforeNull(""), "");
}

TEST(CFileDialogRecord, InitialValuesAndTheMembersPropertiesWriteThrough) {
    FakeDialogSystem system;
    cFileDialog d(system);
    EXPECT_EQ(d.record().lStructSize, 76u);
    EXPECT_EQ(d.FilterIndex(), 1);
    EXPECT_FALSE(d.CancelError());
    EXPECT_EQ(d.flags(), 0);
    EXPECT_EQ(d.hwnd(), 0u);
    EXPECT_TRUE(d.Filename().empty());
    EXPECT_TRUE(d.record().lpstrDefExt.empty());
    EXPECT_TRUE(d.record().lpstrInitialDir.empty());

    d.setDefaultExt("swf");
    d.setInitDir("C:\\Movies");
    d.setDialogTitle("Pick one");
    d.sethwnd(0x1234);
    d.setFilterIndex(2);
    d.setflags(kOfnFileMustExist);
    EXPECT_EQ(d.record().lpstrDefExt, u"swf\0\0"s);
    EXPECT_EQ(d.record().lpstrInitialDir, u"C:\\Movies\0\0"s);
    EXPECT_EQ(d.record().lpstrTitle, u"Pick one");
    EXPECT_EQ(d.DialogTitle(), "Pick one");
    EXPECT_EQ(d.record().hwndOwner, 0x1234u);
    EXPECT_EQ(d.record().nFilterIndex, 2u);
    // flags reach the record only when a dialog is shown.
    EXPECT_EQ(d.record().Flags, 0u);
}

struct ShowCase {
    const char* name;
    bool save;
    std::int32_t flags;
    std::size_t bufferSize;
    std::uint32_t recordFlags;
};

class ShowBuffers : public ::testing::TestWithParam<ShowCase> {};

TEST_P(ShowBuffers, BufferSizesFlagsAndSeeds) {
    const ShowCase& c = GetParam();
    FakeDialogSystem system;
    cFileDialog d(system);
    d.setflags(c.flags);
    ASSERT_FALSE(d.setFilename("seed.swf").has_value());
    d.setFileTitle("title");
    system.replies.push_back(std::nullopt);
    EXPECT_FALSE((c.save ? d.ShowSave() : d.ShowOpen()).has_value());
    ASSERT_EQ(system.calls.size(), 1u);
    const DialogRecord& r = system.calls[0].record;
    EXPECT_EQ(system.calls[0].save, c.save);
    EXPECT_EQ(r.nMaxFile, c.bufferSize);
    EXPECT_EQ(r.lpstrFile.size(), c.bufferSize);
    EXPECT_EQ(r.lpstrFile.substr(0, 9), u"seed.swf\0"s);
    EXPECT_EQ(r.nMaxFileTitle, c.bufferSize);
    EXPECT_EQ(r.lpstrFileTitle.substr(0, 6), u"title\0"s);
    EXPECT_EQ(r.Flags, c.recordFlags);
    EXPECT_EQ(d.Filename(), "seed.swf");  // cancel changes nothing
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, ShowBuffers,
    ::testing::Values(ShowCase{"Open", false, kOfnFileMustExist, 1024, kOfnFileMustExist},
                      ShowCase{"OpenMulti", false, kOfnAllowMultiSelect, 8192, kOfnAllowMultiSelect | kOfnExplorer},
                      // Save ignores the multiple-selection flag for its buffer and adds nothing.
                      ShowCase{"SaveMulti", true, kOfnAllowMultiSelect, 1024, kOfnAllowMultiSelect},
                      ShowCase{"Save", true, kOfnOverwritePrompt, 1024, kOfnOverwritePrompt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CFileDialogShow, OpenWithoutMultiSelectGivesThePathWithoutNuls) {
    FakeDialogSystem system;
    system.chosenFilterIndex = 3;
    system.replies.push_back(u"C:\\data\\a.exe");
    cFileDialog d(system);
    EXPECT_FALSE(d.ShowOpen().has_value());
    EXPECT_EQ(d.Filename(), "C:\\data\\a.exe");
    EXPECT_EQ(d.FilterIndex(), 3);
}

TEST(CFileDialogShow, OpenWithMultiSelectKeepsTheWholeBuffer) {
    FakeDialogSystem system;
    system.replies.push_back(u"C:\\data\0a.swf\0b.swf\0"s);
    cFileDialog d(system);
    d.setflags(kOfnAllowMultiSelect);
    EXPECT_FALSE(d.ShowOpen().has_value());
    EXPECT_EQ(d.Filename().size(), 8192u);
    EXPECT_EQ(d.Filename().substr(0, 22), "C:\\data\0a.swf\0b.swf\0\0"s + '\0');
    std::string dir;
    std::vector<std::string> files;
    std::int32_t count = 0;
    EXPECT_FALSE(d.ParseMultiFileName(dir, files, count).has_value());
    EXPECT_EQ(dir, "C:\\data");
    EXPECT_EQ(files, (std::vector<std::string>{"a.swf", "b.swf"}));
    EXPECT_EQ(count, 2);
}

TEST(CFileDialogShow, NonAsciiNamesComeBackAsUtf8) {
    FakeDialogSystem system;
    system.replies.push_back(u"C:\\\u5F71\u7247\\\U0001F3AC.swf");
    cFileDialog d(system);
    EXPECT_FALSE(d.ShowSave().has_value());
    EXPECT_EQ(d.Filename(), "C:\\\xE5\xBD\xB1\xE7\x89\x87\\\xF0\x9F\x8E\xAC.swf");
}

TEST(CFileDialogShow, SaveCancelledRaisesOnlyWithCancelError) {
    FakeDialogSystem system;
    cFileDialog d(system);
    ASSERT_FALSE(d.setFilename("keep.swf").has_value());
    EXPECT_FALSE(d.ShowSave().has_value());
    EXPECT_EQ(d.Filename(), "keep.swf");

    d.setCancelError(true);
    const std::optional<RaisedError> e = d.ShowSave();
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->number, 32755);
    EXPECT_EQ(e->description, "User selected cancel.");
    EXPECT_EQ(e->source, "VelloryFlashScreensaver.cFilenDialog");
    EXPECT_EQ(d.Filename(), "keep.swf");

    // ShowOpen does not consult CancelError.
    EXPECT_FALSE(d.ShowOpen().has_value());
}

TEST(CFileDialogShow, ASecondShowStartsFromThePreviousResult) {
    FakeDialogSystem system;
    system.replies.push_back(u"C:\\one.exe");
    system.replies.push_back(std::nullopt);
    cFileDialog d(system);
    EXPECT_FALSE(d.ShowOpen().has_value());
    EXPECT_FALSE(d.ShowOpen().has_value());
    EXPECT_EQ(system.calls[1].record.lpstrFile.substr(0, 11), u"C:\\one.exe\0"s);
}

struct InvalidCase {
    const char* name;
    std::size_t filenameLength;
    std::size_t fileTitleLength;
    bool setterFails;
    bool showFails;
};

class InvalidArguments : public ::testing::TestWithParam<InvalidCase> {};

TEST_P(InvalidArguments, FailBeforeAnyDialog) {
    const InvalidCase& c = GetParam();
    FakeDialogSystem system;
    cFileDialog d(system);
    const std::optional<RaisedError> set = d.setFilename(std::string(c.filenameLength, 'n'));
    EXPECT_EQ(set.has_value(), c.setterFails);
    if (set) {
        EXPECT_EQ(set->number, 5);
        EXPECT_TRUE(d.Filename().empty());
    }
    d.setFileTitle(std::string(c.fileTitleLength, 't'));
    const std::optional<RaisedError> shown = d.ShowSave();
    EXPECT_EQ(shown.has_value(), c.showFails);
    if (shown) {
        EXPECT_EQ(shown->number, 5);
    }
    EXPECT_EQ(system.calls.size(), c.showFails ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, InvalidArguments,
    ::testing::Values(InvalidCase{"Fits", 1023, 1023, false, false},
                      // No room for the closing NUL: refused rather than read past by the system.
                      InvalidCase{"FilenameFillsTheBuffer", 1024, 0, false, true},
                      InvalidCase{"FilenameTooLong", 1025, 0, true, false},
                      InvalidCase{"FileTitleTooLong", 0, 2000, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct ParseCase {
    const char* name;
    std::string filename;
    bool fails;
    std::string dir;
    std::vector<std::string> files;
    std::int32_t count;
};

class ParseMulti : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseMulti, SplitsFolderAndNames) {
    const ParseCase& c = GetParam();
    FakeDialogSystem system;
    // The name goes in through a confirmed multiple-selection dialog, as the buffer arrives.
    system.replies.push_back(toUtf16(c.filename));
    cFileDialog d(system);
    d.setflags(kOfnAllowMultiSelect);
    ASSERT_FALSE(d.ShowOpen().has_value());
    std::string dir = "unchanged";
    std::vector<std::string> files;
    std::int32_t count = 0;
    const std::optional<RaisedError> e = d.ParseMultiFileName(dir, files, count);
    ASSERT_EQ(e.has_value(), c.fails);
    if (c.fails) return;
    EXPECT_EQ(dir, c.dir);
    EXPECT_EQ(files, c.files);
    EXPECT_EQ(count, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Selections, ParseMulti,
    ::testing::Values(
        ParseCase{"FolderAndTwoNames", "C:\\data\0a.swf\0b.swf\0"s, false, "C:\\data", {"a.swf", "b.swf"}, 2},
        ParseCase{"SingleKeepsTheTrailingBackslash", "C:\\data\\a.swf", false, "C:\\data\\", {"a.swf"}, 1},
        ParseCase{"SingleAtADriveRoot", "C:\\a.swf", false, "C:\\", {"a.swf"}, 1},
        ParseCase{"SingleWithoutFolder", "a.swf", false, "", {"a.swf"}, 1},
        ParseCase{"ThreeNames", "D:\\m\0x.swf\0y.swf\0z z.swf\0"s, false, "D:\\m", {"x.swf", "y.swf", "z z.swf"}, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseMultiRules, NoDoubleNulIsAnInvalidArgument) {
    FakeDialogSystem system;
    cFileDialog d(system);
    ASSERT_FALSE(d.setFilename("C:\\a.swf").has_value());
    std::string dir;
    std::vector<std::string> files;
    std::int32_t count = 0;
    const std::optional<RaisedError> e = d.ParseMultiFileName(dir, files, count);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->number, 5);
    EXPECT_EQ(e->source, "VelloryFlashScreensaver.cFilenDialog");
}

struct Utf16Case {
    const char* name;
    std::string utf8;
    std::u16string utf16;
};

class Utf16 : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16, ConvertsBothWays) {
    EXPECT_EQ(toUtf16(GetParam().utf8), GetParam().utf16);
    EXPECT_EQ(toUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, Utf16,
                         ::testing::Values(Utf16Case{"Ascii", "abc", u"abc"},
                                           Utf16Case{"Nuls", "a\0b\0"s, u"a\0b\0"s},
                                           Utf16Case{"TwoBytes", "\xC3\xA9", u"\u00E9"},
                                           Utf16Case{"ThreeBytes", "\xE8\xBD\xAC", u"\u8F6C"},
                                           Utf16Case{"Surrogates", "\xF0\x9F\x8E\xAC", u"\U0001F3AC"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf16Broken, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(toUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(toUtf16("\xC3"), u"\uFFFD");              // cut short
    EXPECT_EQ(toUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");    // overlong
    EXPECT_EQ(toUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(toUtf8(u"\xD800x"), "\xEF\xBF\xBDx");     // a lone surrogate
}

}  // namespace
}  // namespace builders
