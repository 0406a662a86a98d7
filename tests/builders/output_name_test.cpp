#include "builders/output_name.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "builders/build_progress.h"
#include "builders/output_folder.h"
#include "tests/builders/fakes.h"

namespace builders {
namespace {

struct NameCase {
    const char* folder;
    const char* listed;
    std::optional<std::string> expected;
};

class OutputNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, CutBeforeTheFirstDotWithFolderInFront) {
    const NameCase& c = GetParam();
    EXPECT_EQ(outputName(c.folder, c.listed, kSaverExtension), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputNames,
    ::testing::Values(NameCase{"D:\\out\\", "intro.final.swf", "D:\\out\\intro.Scr"},
                      NameCase{"D:\\out\\", "intro.swf", "D:\\out\\intro.Scr"},
                      NameCase{"", "intro.swf", "intro.Scr"},        // no folder chosen yet
                      NameCase{"D:\\\\", "intro.swf", "D:\\\\intro.Scr"},  // drive root
                      NameCase{"C:\\Out\\", "INTRO.SWF", "C:\\Out\\INTRO.Scr"},
                      NameCase{"C:\\Out\\", ".swf", "C:\\Out\\.Scr"},  // empty stem is kept
                      NameCase{"C:\\Out\\", "intro.", "C:\\Out\\intro.Scr"},
                      NameCase{"C:\\Out\\", "电影.swf", "C:\\Out\\电影.Scr"},
                      NameCase{"C:\\Out\\", "intro", std::nullopt},  // no dot: invalid
                      NameCase{"C:\\Out\\", "", std::nullopt}));

TEST(OutputNames, LastPathComponentTakesEitherSeparator) {
    EXPECT_EQ(lastPathComponent("C:\\movies\\intro.final.swf"), "intro.final.swf");
    EXPECT_EQ(lastPathComponent("/tmp/a.b/intro"), "intro");
    EXPECT_EQ(lastPathComponent("intro.swf"), "intro.swf");
    EXPECT_EQ(lastPathComponent("C:\\movies\\"), "");
}

// The dot in a folder name is not the movie's dot: the listed name is only the last component.
TEST(OutputNames, FakeLookupAndDotInFolderName) {
    ui::testing::FakeFileSystem fs;
    fs.add("C:\\my.movies\\intro", "x");
    testing::FakeFileLookup lookup(fs);
    const auto listed = lookup.listedName("C:\\my.movies\\intro");
    ASSERT_TRUE(listed);
    EXPECT_EQ(outputName("", *listed, kSaverExtension), std::nullopt);
}

class NativeLookup : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/vfs_lookup_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
    void touch(const std::string& name) { std::ofstream(dir + "/" + name) << "x"; }
};

TEST_F(NativeLookup, ListsRegularFilesOnly) {
    touch("intro.final.swf");
    touch("plain");
    ::mkdir((dir + "/folder.swf").c_str(), 0755);
    FileLookup& lookup = nativeFileLookup();
    EXPECT_EQ(lookup.listedName(dir + "/intro.final.swf"), "intro.final.swf");
    EXPECT_EQ(lookup.listedName(dir + "/plain"), "plain");
    EXPECT_EQ(lookup.listedName(dir + "/folder.swf"), std::nullopt);
    EXPECT_EQ(lookup.listedName(dir + "/missing.swf"), std::nullopt);
    EXPECT_EQ(lookup.listedName(dir + "/*.swf"), std::nullopt);
    EXPECT_EQ(lookup.listedName(""), std::nullopt);
    EXPECT_EQ(lookup.listedName(dir + "/intro.final.swf" + std::string(1, '\0') + "x"),
              std::nullopt);
}

struct ProgressCase {
    std::size_t row, rows;
    int expected;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, DoubleDivisionThenHalfToEven) {
    const ProgressCase& c = GetParam();
    EXPECT_EQ(buildProgress(c.row, c.rows), c.expected) << c.row << "/" << c.rows;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Progress,
    ::testing::Values(ProgressCase{1, 3, 33}, ProgressCase{2, 3, 67}, ProgressCase{3, 3, 100},
                      ProgressCase{1, 8, 12},   // 12.5 goes to the even 12
                      ProgressCase{3, 8, 38},   // 37.5 goes to 38
                      ProgressCase{5, 8, 62},   // 62.5 goes to 62
                      ProgressCase{7, 8, 88},   // 87.5 goes to 88
                      ProgressCase{1, 40, 2},   // 2.5 goes to 2
                      ProgressCase{3, 40, 8},   // 7.5 goes to 8
                      ProgressCase{1, 1, 100}, ProgressCase{1, 200, 0},  // 0.5 goes to 0
                      ProgressCase{3, 200, 2},  // 1.5 goes to 2
                      ProgressCase{1, 0, 100}));

TEST(Progress, EveryListSizeEndsAt100AndNeverGoesBack) {
    for (std::size_t n = 1; n <= 500; ++n) {
        int last = 0;
        for (std::size_t i = 1; i <= n; ++i) {
            const int p = buildProgress(i, n);
            ASSERT_GE(p, last) << i << "/" << n;
            ASSERT_LE(p, 100);
            last = p;
        }
        ASSERT_EQ(last, 100) << n;
    }
}

struct FolderCase {
    const char* before;
    std::optional<std::string> chosen;
    const char* after;
};

class SelectFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SelectFolder, ChosenPathPlusBackslashOrUnchangedOnCancel) {
    const FolderCase& c = GetParam();
    testing::FakeFolderBrowser browser;
    browser.answers.push_back(c.chosen);
    OutputFolder folder{c.before};
    SelectOutputFolder(browser, folder);
    EXPECT_EQ(folder.path, c.after);
    ASSERT_EQ(browser.requests.size(), 1u);
    EXPECT_EQ(browser.requests[0].prompt, "Select Output Folder");
    EXPECT_EQ(browser.requests[0].flags, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectFolder,
    ::testing::Values(FolderCase{"", "C:\\Out", "C:\\Out\\"},
                      FolderCase{"", "D:\\", "D:\\\\"},  // drive root: doubled backslash
                      FolderCase{"", std::nullopt, ""},  // first run cancelled
                      FolderCase{"C:\\Out\\", std::nullopt, "C:\\Out\\"},
                      FolderCase{"C:\\Out\\", "Z:\\data\\out1", "Z:\\data\\out1\\"},
                      FolderCase{"C:\\Out\\", std::string("E:\\x\0garbage", 12), "E:\\x\\"}));

}  // namespace
}  // namespace builders
