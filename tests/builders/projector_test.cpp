// The projector layout and the "SWF To EXE" build run.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "builders/projector_builder.h"
#include "builders/projector_layout.h"
#include "tests/builders/fakes.h"
#include "tests/ui/fake_ui.h"

namespace builders {
namespace {

using filelist::Row;

std::string playerImage() {
    std::string image(kProjectorImageSize, '\0');
    for (std::size_t i = 0; i < image.size(); i += 97) image[i] = static_cast<char>('a' + i % 26);
    return image;
}

std::string le32(std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                       static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
}

struct LayoutCase {
    const char* name;
    std::size_t movieLength;
};

class ProjectorLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ProjectorLayout, ImageMovieMagicAndLengthByteForByte) {
    const std::string image = playerImage();
    std::string movie(GetParam().movieLength, '\0');
    for (std::size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<char>(i * 7 + 3);
    std::string out;
    ASSERT_TRUE(composeProjectorFile(image, movie, out));
    ASSERT_EQ(out.size(), projectorFileLength(movie.size()));
    ASSERT_EQ(out.size(), 376840u + movie.size());
    EXPECT_EQ(out.compare(0, kProjectorImageSize, image), 0);
    EXPECT_EQ(out.compare(kProjectorImageSize, movie.size(), movie), 0);
    const std::string tail = out.substr(out.size() - 8);
    EXPECT_EQ(tail.substr(0, 4), std::string("\x56\x34\x12\xFA", 4));
    EXPECT_EQ(tail.substr(4), le32(static_cast<std::uint32_t>(movie.size())));
    // The trailer leads back to exactly the movie.
    const std::optional<std::string_view> back = trailerMovie(out);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, movie);
    EXPECT_EQ(back->data() - out.data(), static_cast<std::ptrdiff_t>(kProjectorImageSize));
}

INSTANTIATE_TEST_SUITE_P(Lengths, ProjectorLayout,
                         ::testing::Values(LayoutCase{"Empty", 0}, LayoutCase{"Small", 13},
                                           LayoutCase{"LengthNeedsAllFourBytes", 0x01020304 / 64},
                                           LayoutCase{"Large", 3 * 1024 * 1024 + 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProjectorLayoutRules, ImageOfTheWrongLengthIsRefused) {
    std::string out = "untouched";
    EXPECT_FALSE(composeProjectorFile(std::string(kProjectorImageSize - 1, 'x'), "FWS", out));
    EXPECT_FALSE(composeProjectorFile(std::string(kProjectorImageSize + 1, 'x'), "FWS", out));
    EXPECT_EQ(out, "untouched");
}

struct TrailerCase {
    const char* name;
    std::string file;
    bool valid;
    std::string movie;
};

class Trailer : public ::testing::TestWithParam<TrailerCase> {};

TEST_P(Trailer, FindsTheMovieOnlyThroughAValidTrailer) {
    const std::optional<std::string_view> m = trailerMovie(GetParam().file);
    ASSERT_EQ(m.has_value(), GetParam().valid);
    if (m) {
        EXPECT_EQ(*m, GetParam().movie);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Trailer,
    ::testing::Values(
        TrailerCase{"Plain", "headFWSxy" + std::string("\x56\x34\x12\xFA", 4) + le32(5), true, "FWSxy"},
        TrailerCase{"LengthZero", "head" + std::string("\x56\x34\x12\xFA", 4) + le32(0), true, ""},
        TrailerCase{"WholeFileBeforeTrailer", "abc" + std::string("\x56\x34\x12\xFA", 4) + le32(3), true, "abc"},
        TrailerCase{"LengthPastTheStart", "abc" + std::string("\x56\x34\x12\xFA", 4) + le32(4), false, ""},
        TrailerCase{"HugeLength", "abc" + std::string("\x56\x34\x12\xFA", 4) + le32(0xFFFFFFFF), false, ""},
        TrailerCase{"WrongMagic", "abc" + std::string("\x56\x34\x12\xFB", 4) + le32(3), false, ""},
        TrailerCase{"ShorterThanATrailer", std::string("\x56\x34\x12\xFA\0\0\0", 7), false, ""},
        TrailerCase{"Empty", "", false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Everything the run shows, in one timeline.
class TimelineUi final : public ui::testing::FakeUi {
public:
    std::vector<std::string> log;
    ui::Answer messageBox(const ui::MessageBoxRequest& r) override {
        const char* icon = r.icon == ui::Icon::Critical ? "critical" : r.icon == ui::Icon::Information ? "information" : "other";
        log.push_back(std::string("msg ") + icon + " [" + r.caption + "] " + r.text);
        return FakeUi::messageBox(r);
    }
    void setProgress(int v) override { log.push_back("progress " + std::to_string(v)); }
    void setPointer(ui::Pointer p) override { log.push_back(p == ui::Pointer::Hourglass ? "hourglass" : "default pointer"); }
    void processPendingMessages() override { log.push_back("pump"); }
};

// Fails the write of one path, as a read-only file would.
class WriteFailingFs final : public ui::testing::FakeFileSystem {
public:
    std::string failWriteOf;
    core::Status replaceFile(std::string_view path, std::string_view bytes) override {
        if (path == failWriteOf) {
            replaceRequests.emplace_back(path);
            return core::makeError(core::ErrorCode::IoError, "access denied");
        }
        return FakeFileSystem::replaceFile(path, bytes);
    }
};

class ProjectorBuildTest : public ::testing::Test {
protected:
    filelist::MovieList list;
    TimelineUi ui;
    WriteFailingFs fs;
    testing::FakeFileLookup lookup{fs};
    testing::FakeFolderBrowser browser;
    FixedRuntimeImage image{playerImage()};
    OutputFolder folder;
    BuildGuard guard;
    ProjectorBuilder builder{{list, ui, fs, lookup, browser, image, folder, guard}};

    std::string projectorOf(const std::string& movie) {
        std::string s;
        composeProjectorFile(playerImage(), movie, s);
        return s;
    }
    std::vector<std::string> statuses() const {
        std::vector<std::string> s;
        for (const Row& r : list.rows()) s.push_back(r.cell(filelist::Column::Status));
        return s;
    }
};

TEST_F(ProjectorBuildTest, EmptyListDoesNothing) {
    EXPECT_EQ(builder.Command3_Click(), BuildOutcome::EmptyList);
    EXPECT_TRUE(ui.log.empty());
    EXPECT_TRUE(browser.requests.empty());
}

TEST_F(ProjectorBuildTest, ThreeRowsWithProgressBarAt100BeforeTheMessage) {
    fs.add("C:\\m\\intro.final.swf", "FWS-intro");
    fs.add("C:\\m\\empty.swf", "");
    fs.add("C:\\m\\c.swf", std::string(70000, 'c'));
    list.append(Row("C:\\m\\intro.final.swf"));
    list.append(Row("C:\\m\\empty.swf"));
    list.append(Row("C:\\m\\c.swf"));
    browser.answers.push_back("D:\\out");

    EXPECT_EQ(builder.EXEtoSWF_Click(), BuildOutcome::Completed);
    EXPECT_EQ(ui.log, (std::vector<std::string>{
                          "hourglass", "progress 0",
                          "pump", "progress 33", "pump",
                          "pump", "progress 67", "pump",
                          "pump", "progress 100", "pump",
                          "default pointer", "progress 100",
                          "msg information [Vellory Flash Screensaver] Create EXE Files Successful!"}));
    EXPECT_EQ(browser.requests.at(0).prompt, kSelectOutputFolderPrompt);
    EXPECT_EQ(fs.files.at("D:\\out\\intro.exe").bytes, projectorOf("FWS-intro"));
    // A movie of 0 bytes is written as it is: the image and a trailer with length 0.
    EXPECT_EQ(fs.files.at("D:\\out\\empty.exe").bytes, projectorOf(""));
    EXPECT_EQ(fs.files.at("D:\\out\\empty.exe").bytes.size(), 376840u);
    EXPECT_EQ(fs.files.at("D:\\out\\c.exe").bytes, projectorOf(std::string(70000, 'c')));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"OK", "OK", "OK"}));
    EXPECT_FALSE(guard.busy());
}

TEST_F(ProjectorBuildTest, ShorterMovieOverALongerOldFileLeavesExactlyTheNewLayout) {
    fs.add("D:\\out\\intro.exe", std::string(2'000'000, 'o'));
    fs.add("C:\\m\\intro.swf", "FWS short");
    list.append(Row("C:\\m\\intro.swf"));
    browser.answers.push_back("D:\\out");
    EXPECT_EQ(builder.Command3_Click(), BuildOutcome::Completed);
    const std::string& out = fs.files.at("D:\\out\\intro.exe").bytes;
    EXPECT_EQ(out.size(), 376840u + 9);
    EXPECT_EQ(out.substr(out.size() - 8), std::string("\x56\x34\x12\xFA", 4) + le32(9));
}

struct FailCase {
    const char* name;
    const char* row;      // the second of three rows
    bool readFails;
    bool writeFails;
    BuildOutcome outcome;
    const char* message;  // the message shown
};

class ProjectorBuildFailure : public ProjectorBuildTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(ProjectorBuildFailure, StopsAtTheRowWithAMessageThatNamesIt) {
    const FailCase& c = GetParam();
    fs.add("C:\\m\\a.swf", "A");
    fs.add("C:\\m\\nodot", "N");
    fs.add("C:\\m\\b.swf", "B");
    fs.add("C:\\m\\c.swf", "C");
    fs.add("D:\\o\\b.exe", "older file");
    if (c.readFails) fs.files.at("C:\\m\\b.swf").readError = core::makeError(core::ErrorCode::IoError, "disk error");
    if (c.writeFails) fs.failWriteOf = "D:\\o\\b.exe";
    list.append(Row("C:\\m\\a.swf"));
    list.append(Row(c.row));
    list.append(Row("C:\\m\\c.swf"));
    browser.answers.push_back("D:\\o");

    EXPECT_EQ(builder.Command3_Click(), c.outcome);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c.message);
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_EQ(ui.messages[0].caption, ui::kApplicationTitle);
    // The pointer is back to the default after the hourglass.
    const auto hourglass = std::find(ui.log.rbegin(), ui.log.rend(), "hourglass");
    EXPECT_NE(std::find(ui.log.rbegin(), hourglass, "default pointer"), hourglass);
    EXPECT_EQ(statuses(), (std::vector<std::string>{"OK", "Processing", ""}));
    EXPECT_EQ(fs.files.at("D:\\o\\a.exe").bytes, projectorOf("A"));
    EXPECT_EQ(fs.files.at("D:\\o\\b.exe").bytes, "older file");  // an older file stays whole
    EXPECT_EQ(fs.files.count("D:\\o\\c.exe"), 0u);
    EXPECT_FALSE(guard.busy());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProjectorBuildFailure,
    ::testing::Values(
        FailCase{"NameWithoutDot", "C:\\m\\nodot", false, false, BuildOutcome::InvalidName,
                 "Invalid input file name: C:\\m\\nodot"},
        FailCase{"MissingFile", "C:\\m\\gone.swf", false, false, BuildOutcome::InvalidName,
                 "Invalid input file name: C:\\m\\gone.swf"},
        FailCase{"UnreadableMovie", "C:\\m\\b.swf", true, false, BuildOutcome::Failed,
                 "Cannot read the movie C:\\m\\b.swf\ndisk error"},
        FailCase{"UnwritableTarget", "C:\\m\\b.swf", false, true, BuildOutcome::Failed,
                 "Cannot write the player D:\\o\\b.exe\naccess denied"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProjectorBuildTest, PlayerImageOfTheWrongSizeStopsBeforeAnyRow) {
    FixedRuntimeImage shortImage{std::string(1000, 'x')};
    ProjectorBuilder b{{list, ui, fs, lookup, browser, shortImage, folder, guard}};
    fs.add("C:\\m\\a.swf", "A");
    list.append(Row("C:\\m\\a.swf"));
    EXPECT_EQ(b.Command3_Click(), BuildOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("1000 bytes long instead of 376832"), std::string::npos);
    EXPECT_TRUE(fs.replaceRequests.empty());
    EXPECT_EQ(statuses(), (std::vector<std::string>{""}));
}

TEST_F(ProjectorBuildTest, ASecondRunWhileOneIsGoingIsRefused) {
    fs.add("C:\\m\\a.swf", "A");
    list.append(Row("C:\\m\\a.swf"));
    std::optional<BuildGuard::Scope> running = guard.tryEnter();
    EXPECT_EQ(builder.Command3_Click(), BuildOutcome::Busy);
    EXPECT_TRUE(browser.requests.empty());
}

}  // namespace
}  // namespace builders
