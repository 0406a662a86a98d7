#include "builders/saver_cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "builders/saver_layout.h"
#include "tests/builders/fakes.h"

namespace builders {
namespace {

std::string testImage() {
    std::string image(kSaverHeaderSize, 'R');
    image.back() = '\0';
    return image;
}

int run(std::vector<std::string_view> args, std::string_view image, ui::FileSystem& fs,
        FileLookup& lookup, std::string& out, std::string& err) {
    return runSaverCommand(args, image, fs, lookup, out, err);
}

struct UsageCase {
    std::vector<std::string_view> args;
    const char* reason;
};

class SaverCliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(SaverCliUsage, WrongUsageExitsWith2AndSaysWhy) {
    ui::testing::FakeFileSystem fs;
    testing::FakeFileLookup lookup(fs);
    std::string out, err;
    EXPECT_EQ(run(GetParam().args, testImage(), fs, lookup, out, err), 2);
    EXPECT_NE(err.find(GetParam().reason), std::string::npos) << err;
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(fs.replaceRequests.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaverCliUsage,
    ::testing::Values(UsageCase{{}, "no movie"}, UsageCase{{"a.swf"}, "no output folder"},
                      UsageCase{{"-o", "out"}, "no movie"},
                      UsageCase{{"a.swf", "-o"}, "-o needs a value"},
                      UsageCase{{"a.swf", "-o", "x", "-o", "y"}, "-o given twice"},
                      UsageCase{{"a.swf", "--frames", "3", "-o", "x"}, "unknown option --frames"}));

TEST(SaverCli, WritesEverySaverAndPrintsOneLinePerFile) {
    ui::testing::FakeFileSystem fs;
    testing::FakeFileLookup lookup(fs);
    fs.add("m/intro.final.swf", "one");
    fs.add("m/b.swf", "two");
    std::string out, err;
    EXPECT_EQ(run({"m/intro.final.swf", "-o", "out", "m/b.swf"}, testImage(), fs, lookup, out, err),
              0);
    const std::string sep(1, outputFolderFor("x").back());
    EXPECT_EQ(out, "m/intro.final.swf -> out" + sep + "intro.Scr\nm/b.swf -> out" + sep + "b.Scr\n");
    EXPECT_TRUE(err.empty());
    std::string expected;
    composeSaverFile(testImage(), "one", expected);
    EXPECT_EQ(fs.files.at("out" + sep + "intro.Scr").bytes, expected);
}

TEST(SaverCli, StopsAtTheFirstBadMovieWithOneLineNamingIt) {
    ui::testing::FakeFileSystem fs;
    testing::FakeFileLookup lookup(fs);
    fs.add("a.swf", "A");
    fs.add("nodot", "B");
    fs.add("c.swf", "C");
    std::string out, err;
    EXPECT_EQ(run({"a.swf", "nodot", "c.swf", "-o", ""}, testImage(), fs, lookup, out, err), 1);
    EXPECT_EQ(out, "a.swf -> a.Scr\n");
    EXPECT_EQ(err, "flashsaver saver: Invalid input file name: nodot\n");
    EXPECT_FALSE(fs.files.count("c.Scr"));
}

TEST(SaverCli, RuntimeImageOfTheWrongLengthOrUnreadableFails) {
    ui::testing::FakeFileSystem fs;
    testing::FakeFileLookup lookup(fs);
    fs.add("a.swf", "A");
    std::string out, err;
    EXPECT_EQ(run({"a.swf", "-o", "o"}, "", fs, lookup, out, err), 1);
    EXPECT_NE(err.find("0 bytes long"), std::string::npos);
    err.clear();
    EXPECT_EQ(run({"a.swf", "-o", "o", "--runtime", "missing.bin"}, testImage(), fs, lookup, out,
                  err),
              1);
    EXPECT_NE(err.find("missing.bin"), std::string::npos);
    fs.add("big.bin", std::string(kSaverHeaderSize + 1, 'x'));
    err.clear();
    EXPECT_EQ(run({"a.swf", "-o", "o", "--runtime", "big.bin"}, testImage(), fs, lookup, out, err),
              1);
    EXPECT_TRUE(fs.replaceRequests.empty());
}

TEST(SaverCli, OutputFolderPrefix) {
    EXPECT_EQ(outputFolderFor(""), "");
    EXPECT_EQ(outputFolderFor("out/"), "out/");
#ifdef _WIN32
    EXPECT_EQ(outputFolderFor("D:\\"), "D:\\");
    EXPECT_EQ(outputFolderFor("D:\\out"), "D:\\out\\");
#else
    EXPECT_EQ(outputFolderFor("/tmp/out"), "/tmp/out/");
#endif
}

// The real file system end to end: a shorter movie over a longer saver of the same name leaves
// a file of exactly the new length, and a failed run leaves no stray temporary file behind.
TEST(SaverCli, NativeFilesShorterMovieOverLongerSaverAndNoLeftovers) {
    char tmpl[] = "/tmp/vfs_saver_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string image = dir + "/image.bin";
    std::ofstream(image, std::ios::binary) << testImage();
    std::ofstream(dir + "/intro.swf", std::ios::binary) << std::string(100000, 'L');

    std::string out, err;
    ui::FileSystem& fs = ui::nativeFileSystem();
    const std::string movie = dir + "/intro.swf";
    const std::string outDir = dir + "/out";
    ASSERT_EQ(std::system(("mkdir '" + outDir + "'").c_str()), 0);
    std::vector<std::string_view> args{movie, "-o", outDir, "--runtime", image};
    ASSERT_EQ(run(args, "", fs, nativeFileLookup(), out, err), 0) << err;
    std::ofstream(movie, std::ios::binary | std::ios::trunc) << "short";
    ASSERT_EQ(run(args, "", fs, nativeFileLookup(), out, err), 0) << err;

    std::ifstream in(outDir + "/intro.Scr", std::ios::binary);
    std::stringstream got;
    got << in.rdbuf();
    EXPECT_EQ(got.str().size(), kSaverHeaderSize + 5);
    EXPECT_EQ(saverMovie(got.str()), "short");

    // Into a folder that does not exist: fails, names the output, writes nothing.
    const std::string nowhere = dir + "/nowhere";
    std::vector<std::string_view> bad{movie, "-o", nowhere, "--runtime", image};
    err.clear();
    EXPECT_EQ(run(bad, "", fs, nativeFileLookup(), out, err), 1);
    EXPECT_NE(err.find("nowhere"), std::string::npos);
    EXPECT_EQ(std::system(("test \"$(ls -A '" + outDir + "')\" = intro.Scr").c_str()), 0);
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
}  // namespace builders
