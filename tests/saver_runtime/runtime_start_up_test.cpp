#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "builders/saver_layout.h"
#include "saver_runtime/command_line.h"
#include "saver_runtime/input_watch.h"
#include "saver_runtime/movie_extraction.h"
#include "saver_runtime/screen_layout.h"

namespace saver_runtime {
namespace {

struct CommandLineCase {
    const wchar_t* commandLine;
    const wchar_t* arguments;
    bool preview;
};

class CommandLines : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLines, OnlyASlashPAtTheStartOfTheArgumentsIsAPreview) {
    const CommandLineCase& c = GetParam();
    const std::wstring_view args = commandArguments(c.commandLine);
    EXPECT_EQ(args, c.arguments);
    EXPECT_EQ(isPreviewRequest(args), c.preview);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLines,
    ::testing::Values(
        CommandLineCase{L"\"C:\\Windows\\intro.scr\" /p 1234", L"/p 1234", true},
        CommandLineCase{L"\"C:\\my savers\\intro.scr\" /P 0x00A2", L"/P 0x00A2", true},
        CommandLineCase{L"C:\\intro.scr /p", L"/p", true},
        CommandLineCase{L"C:\\intro.scr \t /p:77", L"/p:77", true},
        CommandLineCase{L"\"C:\\a /p.scr\" /s", L"/s", false},  // "/p" inside the program name
        CommandLineCase{L"C:\\intro.scr /s", L"/s", false},
        CommandLineCase{L"C:\\intro.scr /c", L"/c", false},
        CommandLineCase{L"C:\\intro.scr /c:1234", L"/c:1234", false},
        CommandLineCase{L"C:\\intro.scr /a 99", L"/a 99", false},
        CommandLineCase{L"C:\\intro.scr", L"", false},
        CommandLineCase{L"\"C:\\intro.scr\"", L"", false},
        CommandLineCase{L"\"C:\\unterminated /p", L"", false},
        CommandLineCase{L"C:\\intro.scr -p", L"-p", false},
        CommandLineCase{L"C:\\intro.scr /", L"/", false},
        CommandLineCase{L"C:\\intro.scr p/", L"p/", false},
        CommandLineCase{L"", L"", false}));

// Files in memory; paths listed in `unwritable` refuse writes.
class MemoryFiles final : public RuntimeFiles {
public:
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> unwritable;
    int writes = 0;

    std::optional<std::string> readWhole(const std::wstring& path) override {
        const auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool writeWhole(const std::wstring& path, std::string_view bytes) override {
        ++writes;
        if (unwritable.count(path)) return false;
        files[path].assign(bytes);
        return true;
    }
};

std::string saverWith(const std::string& movie) {
    std::string image(builders::kSaverHeaderSize, 'I');
    image.back() = '\0';
    std::string saver;
    builders::composeSaverFile(image, movie, saver);
    return saver;
}

const std::wstring kOwn = L"C:\\Windows\\System32\\Intro.SCR";
const std::wstring kTemp = L"C:\\Users\\ann\\AppData\\Local\\Temp\\";

TEST(MovieExtraction, CopiesTheOwnFileAndWritesTheMovieInTheTemporaryFolder) {
    MemoryFiles fs;
    const std::string movie("FWS\x06 movie bytes \0\0 end", 23);
    fs.files[kOwn] = saverWith(movie);
    const Extraction e = extractMovie(fs, kOwn, kTemp);
    EXPECT_TRUE(e.copyWritten);
    EXPECT_TRUE(e.movieWritten);
    EXPECT_EQ(e.moviePath, kTemp + L"kpl1.swf");
    EXPECT_EQ(e.movieLength, movie.size());
    EXPECT_EQ(fs.files.at(kTemp + L"gtswf.tmp"), fs.files.at(kOwn));
    EXPECT_EQ(fs.files.at(kTemp + L"kpl1.swf"), movie);
}

TEST(MovieExtraction, ShorterMovieAfterALongerOneLeavesFilesOfTheNewLength) {
    MemoryFiles fs;
    fs.files[kOwn] = saverWith(std::string(200000, 'L'));
    extractMovie(fs, kOwn, kTemp);
    fs.files[kOwn] = saverWith("short");
    extractMovie(fs, kOwn, kTemp);
    EXPECT_EQ(fs.files.at(kTemp + L"kpl1.swf"), "short");
    EXPECT_EQ(fs.files.at(kTemp + L"gtswf.tmp").size(), builders::kSaverHeaderSize + 5);
}

struct EmptyMovieCase {
    const char* name;
    std::size_t ownLength;  // SIZE_MAX: the own file cannot be read
};

class EmptyMovies : public ::testing::TestWithParam<EmptyMovieCase> {};

// Whatever the own file holds, an old movie from another saver must not stay in kpl1.swf.
TEST_P(EmptyMovies, OverwriteAnOlderMovieWithAnEmptyOne) {
    MemoryFiles fs;
    fs.files[kTemp + L"kpl1.swf"] = "movie of the saver that ran before";
    if (GetParam().ownLength != SIZE_MAX) fs.files[kOwn] = std::string(GetParam().ownLength, 'x');
    const Extraction e = extractMovie(fs, kOwn, kTemp);
    EXPECT_TRUE(e.movieWritten);
    EXPECT_EQ(e.movieLength, 0u);
    EXPECT_EQ(fs.files.at(kTemp + L"kpl1.swf"), "");
    EXPECT_EQ(fs.files.at(kTemp + L"gtswf.tmp").size(),
              GetParam().ownLength == SIZE_MAX ? 0u : GetParam().ownLength);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyMovies,
    ::testing::Values(EmptyMovieCase{"ExactlyTheHeader", builders::kSaverHeaderSize},
                      EmptyMovieCase{"ShorterThanTheHeader", 4096},
                      EmptyMovieCase{"EmptyFile", 0}, EmptyMovieCase{"Unreadable", SIZE_MAX}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MovieExtraction, FailedCopyMeansNoMovieAndNoTempFolderMeansNoFiles) {
    MemoryFiles fs;
    fs.files[kOwn] = saverWith("abc");
    fs.unwritable.insert(kTemp + L"gtswf.tmp");
    Extraction e = extractMovie(fs, kOwn, kTemp);
    EXPECT_FALSE(e.copyWritten);
    EXPECT_EQ(fs.files.at(kTemp + L"kpl1.swf"), "");

    MemoryFiles none;
    none.files[kOwn] = saverWith("abc");
    e = extractMovie(none, kOwn, L"");
    EXPECT_FALSE(e.copyWritten);
    EXPECT_FALSE(e.movieWritten);
    EXPECT_TRUE(e.moviePath.empty());
    EXPECT_EQ(none.writes, 0);

    MemoryFiles unwritableMovie;
    unwritableMovie.files[kOwn] = saverWith("abc");
    unwritableMovie.unwritable.insert(kTemp + L"kpl1.swf");
    e = extractMovie(unwritableMovie, kOwn, kTemp);
    EXPECT_TRUE(e.copyWritten);
    EXPECT_FALSE(e.movieWritten);
    EXPECT_TRUE(e.moviePath.empty());
}

TEST(MovieExtraction, FileInFolderAddsOneSeparatorWhenMissing) {
    EXPECT_EQ(fileInFolder(L"C:\\Temp\\", L"kpl1.swf"), L"C:\\Temp\\kpl1.swf");
    EXPECT_EQ(fileInFolder(L"C:\\Temp", L"kpl1.swf"), L"C:\\Temp\\kpl1.swf");
    EXPECT_EQ(fileInFolder(L"C:\\", L"gtswf.tmp"), L"C:\\gtswf.tmp");
}

struct LayoutCase {
    int width, height, dpi;
    Rect label, movie;
    int fontHeight;
};

class Layouts : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layouts, LabelStripOf255TwipsAndTheMovieBelow) {
    const LayoutCase& c = GetParam();
    const ScreenLayout l = layoutScreen(c.width, c.height, c.dpi);
    EXPECT_EQ(l.label, c.label);
    EXPECT_EQ(l.movie, c.movie);
    EXPECT_EQ(fontHeightForPoints(kLabelFontPoints, c.dpi), c.fontHeight);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Layouts,
    ::testing::Values(LayoutCase{1024, 768, 96, {0, 0, 1024, 17}, {0, 17, 1024, 751}, -12},
                      LayoutCase{1920, 1080, 120, {0, 0, 1920, 21}, {0, 21, 1920, 1059}, -15},
                      LayoutCase{3840, 2160, 192, {0, 0, 3840, 34}, {0, 34, 3840, 2126}, -24},
                      LayoutCase{800, 600, 144, {0, 0, 800, 26}, {0, 26, 800, 574}, -18},
                      LayoutCase{100, 10, 96, {0, 0, 100, 10}, {0, 10, 100, 0}, -12},
                      LayoutCase{0, 0, 96, {0, 0, 0, 0}, {0, 0, 0, 0}, -12}));

TEST(InputWatch, AnyKeyOrAnyMoveEndsTheSaverButNotAnUnreadableCursor) {
    const CursorPos start{500, 400};
    const CursorPos same{500, 400}, right{501, 400}, up{500, 399};
    EXPECT_FALSE(inputSeen(false, start, &same));
    EXPECT_TRUE(inputSeen(false, start, &right));
    EXPECT_TRUE(inputSeen(false, start, &up));
    EXPECT_TRUE(inputSeen(true, start, &same));
    EXPECT_FALSE(inputSeen(false, start, nullptr));
    EXPECT_TRUE(inputSeen(true, start, nullptr));
}

}  // namespace
}  // namespace saver_runtime
