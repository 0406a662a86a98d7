// "EXE To SWF": where the movie is found in an executable, what is written, and the command's
// dialogs and messages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builders/movie_extractor.h"
#include "builders/projector_layout.h"
#include "tests/builders/fake_dialog_system.h"
#include "tests/ui/fake_file_system.h"
#include "tests/ui/fake_ui.h"

namespace builders {
namespace {

using namespace std::string_literals;

// A file of `size` filler bytes with the given strings placed at their offsets.
std::string fileWith(std::size_t size, std::vector<std::pair<std::size_t, std::string>> placed) {
    std::string f(size, 'x');
    for (const auto& [at, s] : placed) f.replace(at, s.size(), s);
    return f;
}

std::string projectorWith(const std::string& movie) {
    std::string out;
    composeProjectorFile(std::string(kProjectorImageSize, '\0'), movie, out);
    return out;
}

struct LocateCase {
    const char* name;
    std::string file;
    bool found;
    std::size_t offset;
    std::size_t length;
    int window;  // 0: the trailer
    int pumps;   // positions tested
};

class Locate : public ::testing::TestWithParam<LocateCase> {};

TEST_P(Locate, FindsTheMovieWhereExpected) {
    const LocateCase& c = GetParam();
    int pumps = 0;
    const std::optional<MovieLocation> at = locateMovie(c.file, [&] { ++pumps; });
    ASSERT_EQ(at.has_value(), c.found);
    EXPECT_EQ(pumps, c.pumps);
    if (!at) return;
    EXPECT_EQ(at->offset, c.offset);
    EXPECT_EQ(at->length, c.length);
    EXPECT_EQ(at->window, c.window);
    EXPECT_EQ(at->source, c.window == 0 ? MovieLocation::Source::Trailer : MovieLocation::Source::Window);
}

const std::string kMovie = "FWS\x06" "a small movie";

INSTANTIATE_TEST_SUITE_P(
    Files, Locate,
    ::testing::Values(
        // Windows are tried in order and the first hit wins: 94,250 lies in window 2.
        LocateCase{"FirstWindowHitWins", fileWith(400000, {{94250, "FWS"}, {376832, "FWS"}}), true, 94250,
                   400000 - 94250, 2, 201 + 52},
        LocateCase{"FirstPositionOfTheFirstWindow", fileWith(100000, {{90099, "FWS"}}), true, 90099,
                   100000 - 90099, 1, 1},
        LocateCase{"LastPositionOfTheLastWindow", fileWith(400000, {{376999, "CWS"}}), true, 376999,
                   400000 - 376999, 6, 6 * 201},
        LocateCase{"JustPastTheLastWindow", fileWith(400000, {{377000, "FWS"}}), false, 0, 0, 0, 6 * 201},
        LocateCase{"BetweenWindows", fileWith(400000, {{90300, "FWS"}}), false, 0, 0, 0, 6 * 201},
        // Compressed movies are found too.
        LocateCase{"Compressed", fileWith(300000, {{102500, "CWS"}}), true, 102500, 300000 - 102500, 3,
                   2 * 201 + 52},
        LocateCase{"LzmaIsNotSearched", fileWith(300000, {{102500, "ZWS"}}), false, 0, 0, 0, 5 * 201 + 1},
        // 200,000 bytes: windows 1 to 3 tested whole, window 4 stops at its first position.
        LocateCase{"TailMarginStopsAtWindow4", fileWith(200000, {}), false, 0, 0, 0, 3 * 201 + 1},
        LocateCase{"TooShortForAnyPosition", fileWith(90119, {{90099, "FWS"}}), false, 0, 0, 0, 1},
        LocateCase{"ShortestSearchedFile", fileWith(90120, {{90099, "FWS"}}), true, 90099, 21, 1, 1},
        LocateCase{"SignatureInsideTheTailMargin", fileWith(90125, {{90105, "FWS"}}), false, 0, 0, 0, 7},
        LocateCase{"Empty", "", false, 0, 0, 0, 1},
        // A valid trailer gives exactly the movie, without the trailer, and needs no search.
        LocateCase{"ValidTrailer", projectorWith(kMovie), true, kProjectorImageSize, kMovie.size(), 0, 0},
        LocateCase{"TrailerOfACompressedMovie", projectorWith("CWS\x08zz"), true, kProjectorImageSize, 6, 0, 0},
        // A trailer whose movie has no signature is no trailer: the windows are searched.
        LocateCase{"TrailerWithoutSignature",
                   fileWith(380000, {{376832, "FWS"}, {380000 - 8, "\x56\x34\x12\xFA"s + "\x03\0\0\0"s}}),
                   true, 376832, 380000 - 376832, 6, 5 * 201 + 34},
        LocateCase{"EmptyMovieTrailer", projectorWith(""), false, 0, 0, 0, 5 * 201 + 22}),
    [](const auto& info) { return std::string(info.param.name); });

class Exe2SwfTest : public ::testing::Test {
protected:
    ui::testing::FakeFileSystem fs;
    ui::testing::FakeUi ui;
    testing::FakeDialogSystem dialogs;
    MovieExtractor extractor{{ui, fs, dialogs, 0x10}};
};

TEST_F(Exe2SwfTest, ProjectorMovieComesBackExactly) {
    fs.add("C:\\p.exe", projectorWith(kMovie));
    const Extraction x = extractor.Exe2Swf("C:\\p.exe", "C:\\back.swf");
    ASSERT_TRUE(x.written());
    EXPECT_EQ(fs.files.at("C:\\back.swf").bytes, kMovie);
    EXPECT_EQ(ui.pendingMessagePumps, 1);  // once after writing
}

TEST_F(Exe2SwfTest, ALongerExistingTargetIsReplacedByExactlyTheCopiedLength) {
    fs.add("C:\\in.exe", fileWith(100000, {{90100, "FWS"}}));
    fs.add("C:\\old.swf", std::string(500000, 'o'));
    ASSERT_TRUE(extractor.Exe2Swf("C:\\in.exe", "C:\\old.swf").written());
    EXPECT_EQ(fs.files.at("C:\\old.swf").bytes, fileWith(100000, {{90100, "FWS"}}).substr(90100));
}

TEST_F(Exe2SwfTest, NothingIsWrittenWhenNothingIsFoundOrTheInputIsUnreadable) {
    fs.add("C:\\plain.exe", fileWith(200000, {}));
    EXPECT_EQ(extractor.Exe2Swf("C:\\plain.exe", "C:\\out.swf").result, Extraction::Result::NotFound);
    EXPECT_EQ(extractor.Exe2Swf("C:\\missing.exe", "C:\\out.swf").result, Extraction::Result::ReadFailed);
    fs.add("C:\\empty.exe", "");
    EXPECT_EQ(extractor.Exe2Swf("C:\\empty.exe", "C:\\out.swf").result, Extraction::Result::NotFound);
    EXPECT_TRUE(fs.replaceRequests.empty());
}

TEST_F(Exe2SwfTest, AFailedWriteLeavesTheOldTargetAndSaysWhy) {
    fs.add("C:\\p.exe", projectorWith(kMovie));
    fs.add("C:\\old.swf", "old");
    fs.replaceErrors.push_back(core::makeError(core::ErrorCode::IoError, "disk full"));
    const Extraction x = extractor.Exe2Swf("C:\\p.exe", "C:\\old.swf");
    EXPECT_EQ(x.result, Extraction::Result::WriteFailed);
    EXPECT_EQ(x.message, "Cannot write C:\\old.swf: disk full");
    EXPECT_EQ(fs.files.at("C:\\old.swf").bytes, "old");
}

struct CommandCase {
    const char* name;
    std::vector<std::optional<std::u16string>> replies;  // open, then save
    ExtractOutcome outcome;
    std::string written;  // the target written, empty for none
    std::string message;  // the message shown, empty for none
    ui::Icon icon;
};

class ExtractCommand : public Exe2SwfTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(ExtractCommand, DialogsExtractionAndMessage) {
    const CommandCase& c = GetParam();
    fs.add("C:\\p.exe", projectorWith(kMovie));
    fs.add("C:\\plain.exe", fileWith(100000, {}));
    for (const auto& r : c.replies) dialogs.replies.push_back(r);

    EXPECT_EQ(extractor.Command4_Click(), c.outcome);
    if (c.written.empty()) {
        EXPECT_TRUE(fs.replaceRequests.empty());
    } else {
        ASSERT_EQ(fs.replaceRequests, std::vector<std::string>{c.written});
        EXPECT_EQ(fs.files.at(c.written).bytes, kMovie);
    }
    if (c.message.empty()) {
        EXPECT_TRUE(ui.messages.empty());
    } else {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.message);
        EXPECT_EQ(ui.messages[0].caption, ui::kApplicationTitle);
        EXPECT_EQ(ui.messages[0].icon, c.icon);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ExtractCommand,
    ::testing::Values(
        CommandCase{"Extracted", {u"C:\\p.exe", u"C:\\m.swf"}, ExtractOutcome::Extracted, "C:\\m.swf",
                    "\xE8\xBD\xAC\xE6\x8D\xA2\xE6\x88\x90\xE5\x8A\x9F", ui::Icon::None},
        CommandCase{"TypedWithoutExtension", {u"C:\\p.exe", u"C:\\dir.v2\\movie"}, ExtractOutcome::Extracted,
                    "C:\\dir.v2\\movie.swf", "\xE8\xBD\xAC\xE6\x8D\xA2\xE6\x88\x90\xE5\x8A\x9F", ui::Icon::None},
        CommandCase{"OpenCancelled", {std::nullopt}, ExtractOutcome::Cancelled, "", "", ui::Icon::None},
        CommandCase{"SaveCancelled", {u"C:\\p.exe", std::nullopt}, ExtractOutcome::Cancelled, "", "", ui::Icon::None},
        CommandCase{"NoMovie", {u"C:\\plain.exe", u"C:\\m.swf"}, ExtractOutcome::NotFound, "",
                    "No Flash movie was found in C:\\plain.exe.", ui::Icon::Information},
        CommandCase{"Unreadable", {u"C:\\gone.exe", u"C:\\m.swf"}, ExtractOutcome::Failed, "",
                    "Cannot read C:\\gone.exe: cannot open \"C:\\gone.exe\": no such file, EXE File Error",
                    ui::Icon::Critical}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exe2SwfTest, TheTwoDialogsAreSetUpAsTheCommandNeedsThem) {
    fs.add("C:\\p.exe", projectorWith(kMovie));
    dialogs.replies.push_back(u"C:\\p.exe");
    dialogs.replies.push_back(u"C:\\m.swf");
    ASSERT_EQ(extractor.EraseDisc_Click(), ExtractOutcome::Extracted);
    ASSERT_EQ(dialogs.calls.size(), 2u);
    const DialogRecord& open = dialogs.calls[0].record;
    EXPECT_FALSE(dialogs.calls[0].save);
    EXPECT_EQ(open.Flags, static_cast<std::uint32_t>(kOfnFileMustExist));
    EXPECT_EQ(open.hwndOwner, 0x10u);
    EXPECT_EQ(open.lpstrFilter, u"Flash Type Files (*.exe)\0*.exe\0\0\0\0"s);
    EXPECT_EQ(open.nMaxFile, 1024u);
    const DialogRecord& save = dialogs.calls[1].record;
    EXPECT_TRUE(dialogs.calls[1].save);
    EXPECT_EQ(save.Flags, static_cast<std::uint32_t>(kOfnOverwritePrompt));
    EXPECT_EQ(save.hwndOwner, 0x10u);
    EXPECT_EQ(save.lpstrFilter, u"Exe Type Files (*.swf)\0*.swf\0\0\0\0"s);
    EXPECT_EQ(save.lpstrDefExt, u"swf\0\0"s);
}

TEST(SwfExtension, OnlyANameWithoutExtensionGetsOne) {
    EXPECT_EQ(withSwfExtension("C:\\a\\movie"), "C:\\a\\movie.swf");
    EXPECT_EQ(withSwfExtension("C:\\a.b\\movie"), "C:\\a.b\\movie.swf");
    EXPECT_EQ(withSwfExtension("C:\\a\\movie.SWF"), "C:\\a\\movie.SWF");
    EXPECT_EQ(withSwfExtension("C:\\a\\movie.bin"), "C:\\a\\movie.bin");
    EXPECT_EQ(withSwfExtension(""), "");
}

}  // namespace
}  // namespace builders
