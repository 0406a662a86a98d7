#include "builders/saver_builder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "builders/saver_layout.h"
#include "tests/builders/fakes.h"
#include "tests/ui/fake_ui.h"

namespace builders {
namespace {

using filelist::Row;

// Everything the run shows, in one timeline.
class TimelineUi final : public ui::testing::FakeUi {
public:
    std::vector<std::string>& log;
    std::function<void()> onPump;
    explicit TimelineUi(std::vector<std::string>& l) : log(l) {}

    ui::Answer messageBox(const ui::MessageBoxRequest& r) override {
        const char* icon = r.icon == ui::Icon::Critical      ? "critical"
                           : r.icon == ui::Icon::Information ? "information"
                                                             : "other";
        log.push_back(std::string("msg ") + icon + " [" + r.caption + "] " + r.text);
        return FakeUi::messageBox(r);
    }
    void setProgress(int v) override {
        log.push_back("progress " + std::to_string(v));
        FakeUi::setProgress(v);
    }
    void setPointer(ui::Pointer p) override {
        log.push_back(p == ui::Pointer::Hourglass ? "hourglass" : "default pointer");
        FakeUi::setPointer(p);
    }
    void processPendingMessages() override {
        log.push_back("pump");
        if (onPump) onPump();
    }
};

class StatusLog final : public ui::ListObserver {
public:
    const filelist::MovieList* list = nullptr;
    std::vector<std::string>& log;
    explicit StatusLog(std::vector<std::string>& l) : log(l) {}
    void listChanged(const ui::ListChange& c) override {
        if (c.kind != ui::ListChange::Kind::Changed) return;
        log.push_back("row " + std::to_string(c.first) + " " +
                      list->cell(c.first, filelist::Column::Status));
    }
};

class CountingImage final : public RuntimeImageSource {
public:
    std::string bytes;
    std::optional<core::Error> error;
    int fetches = 0;
    core::Result<std::string> fetchImage() override {
        ++fetches;
        if (error) return *error;
        return bytes;
    }
};

std::string testImage() {
    std::string image(kSaverHeaderSize, 'M');
    image.back() = '\0';
    return image;
}

class SaverBuildTest : public ::testing::Test {
protected:
    std::vector<std::string> log;
    filelist::MovieList list;
    TimelineUi ui{log};
    StatusLog statusLog{log};
    ui::testing::FakeFileSystem fs;
    testing::FakeFileLookup lookup{fs};
    testing::FakeFolderBrowser browser;
    CountingImage image;
    OutputFolder folder;
    BuildGuard guard;
    SaverBuilder builder{{list, ui, fs, lookup, browser, image, folder, guard}};

    void SetUp() override {
        image.bytes = testImage();
        statusLog.list = &list;
        list.setObserver(&statusLog);
    }
    void addRow(const std::string& path) {
        list.append(Row(path));
        log.clear();
    }
    std::string saverOf(const std::string& movie) {
        std::string s;
        composeSaverFile(image.bytes, movie, s);
        return s;
    }
    std::vector<std::string> statuses() const {
        std::vector<std::string> s;
        for (const Row& r : list.rows()) s.push_back(r.cell(filelist::Column::Status));
        return s;
    }
};

TEST_F(SaverBuildTest, EmptyListReturnsAtOnce) {
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::EmptyList);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(browser.requests.empty());
    EXPECT_EQ(image.fetches, 0);
}

TEST_F(SaverBuildTest, ThreeRowsInOrderWithProgressAndSuccess) {
    fs.add("C:\\m\\a.swf", "AAAA");
    fs.add("C:\\m\\b.final.swf", "");
    fs.add("C:\\m\\c.swf", std::string(70000, 'c'));
    addRow("C:\\m\\a.swf");
    addRow("C:\\m\\b.final.swf");
    addRow("C:\\m\\c.swf");
    browser.answers.push_back("D:\\out");

    EXPECT_EQ(builder.BurnNow_Click(), BuildOutcome::Completed);

    EXPECT_EQ(log, (std::vector<std::string>{
                       "hourglass", "progress 0",
                       "row 1 Processing", "pump", "row 1 OK", "progress 33", "pump",
                       "row 2 Processing", "pump", "row 2 OK", "progress 67", "pump",
                       "row 3 Processing", "pump", "row 3 OK", "progress 100", "pump",
                       "default pointer",
                       "msg information [Vellory Flash Screensaver] Create ScreenSaver Successful!",
                       "progress 100"}));
    EXPECT_EQ(image.fetches, 1);
    EXPECT_EQ(folder.path, "D:\\out\\");
    EXPECT_EQ(fs.files.at("D:\\out\\a.Scr").bytes, saverOf("AAAA"));
    EXPECT_EQ(fs.files.at("D:\\out\\b.Scr").bytes.size(), kSaverHeaderSize);
    EXPECT_EQ(fs.files.at("D:\\out\\b.Scr").bytes, saverOf(""));
    EXPECT_EQ(fs.files.at("D:\\out\\c.Scr").bytes, saverOf(std::string(70000, 'c')));
    EXPECT_FALSE(guard.busy());
}

TEST_F(SaverBuildTest, CancelAtTheFirstRunWritesIntoTheCurrentDirectoryThenKeepsAChoice) {
    fs.add("C:\\m\\a.swf", "1");
    addRow("C:\\m\\a.swf");
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);
    EXPECT_TRUE(fs.files.count("a.Scr"));

    browser.answers.push_back("E:\\");
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);
    EXPECT_TRUE(fs.files.count("E:\\\\a.Scr"));

    browser.answers.push_back(std::nullopt);  // cancel: the drive root stays
    fs.files.erase("E:\\\\a.Scr");
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);
    EXPECT_TRUE(fs.files.count("E:\\\\a.Scr"));
    EXPECT_EQ(browser.requests.size(), 3u);
}

TEST_F(SaverBuildTest, ListedNameDecidesTheOutputAndLaterRowsReplaceEarlierOnes) {
    fs.add("C:\\m\\intro.swf", "first, longer movie");
    fs.add("C:\\n\\Intro.v2.swf", "second");
    lookup.stored["C:\\m\\intro.swf"] = "INTRO.SWF";   // the disk's spelling wins
    lookup.stored["C:\\n\\Intro.v2.swf"] = "INTRO.v2.swf";
    addRow("C:\\m\\intro.swf");
    addRow("C:\\n\\Intro.v2.swf");
    addRow("C:\\n\\Intro.v2.swf");
    browser.answers.push_back("D:\\o");

    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);
    EXPECT_EQ(fs.files.count("D:\\o\\intro.Scr"), 0u);
    EXPECT_EQ(fs.files.at("D:\\o\\INTRO.Scr").bytes, saverOf("second"));
    EXPECT_EQ(fs.replaceRequests.size(), 3u);  // written once per row
    EXPECT_EQ(statuses(), (std::vector<std::string>{"OK", "OK", "OK"}));
}

struct BadRowCase {
    const char* name;
    std::function<void(ui::testing::FakeFileSystem&)> breakIt;
};

class SaverBuildInvalidName : public SaverBuildTest,
                              public ::testing::WithParamInterface<BadRowCase> {};

TEST_P(SaverBuildInvalidName, StopsAtTheBadRowWithTheMessage) {
    fs.add("C:\\m\\a.swf", "A");
    fs.add("C:\\m\\bad", "B");
    fs.add("C:\\m\\c.swf", "C");
    list.append(Row("C:\\m\\a.swf", "1", "01-01-2006", "OK"));
    list.append(Row("C:\\m\\bad"));
    list.append(Row("C:\\m\\c.swf", "1", "01-01-2006", "OK"));
    GetParam().breakIt(fs);
    log.clear();

    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::InvalidName);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "hourglass", "progress 0",
                       "row 1 Processing", "pump", "row 1 OK", "progress 33", "pump",
                       "row 2 Processing", "pump",
                       "msg critical [Vellory Flash Screensaver] Invalid input file name: C:\\m\\bad",
                       "default pointer"}));
    EXPECT_EQ(statuses(), (std::vector<std::string>{"OK", "Processing", "OK"}));
    EXPECT_TRUE(fs.files.count("a.Scr"));
    EXPECT_FALSE(fs.files.count("c.Scr"));
    EXPECT_FALSE(guard.busy());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaverBuildInvalidName,
    ::testing::Values(BadRowCase{"NoDot", [](ui::testing::FakeFileSystem&) {}},
                      BadRowCase{"Deleted", [](ui::testing::FakeFileSystem& f) {
                                     f.files.erase("C:\\m\\bad");
                                 }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SaverBuildTest, AFailedWriteStopsWithTheReasonAndLeavesTheOldSaver) {
    fs.add("C:\\m\\a.swf", "A");
    fs.add("C:\\m\\b.swf", "new movie");
    fs.add("D:\\o\\b.Scr", "a good saver from an earlier run");
    addRow("C:\\m\\a.swf");
    addRow("C:\\m\\b.swf");
    addRow("C:\\m\\a.swf");
    browser.answers.push_back("D:\\o");
    fs.replaceErrors = {};  // first write succeeds, second fails
    std::size_t writes = 0;
    ui.onPump = [&] {
        if (fs.replaceRequests.size() == 1 && writes++ == 0) {
            fs.replaceErrors.push_back(
                core::makeError(core::ErrorCode::IoError, "cannot write \"D:\\o\\b.Scr\": disk full"));
        }
    };

    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Failed);
    EXPECT_EQ(statuses(), (std::vector<std::string>{"OK", "Processing", ""}));
    EXPECT_EQ(fs.files.at("D:\\o\\b.Scr").bytes, "a good saver from an earlier run");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_EQ(ui.messages[0].caption, "Vellory Flash Screensaver");
    EXPECT_NE(ui.messages[0].text.find("D:\\o\\b.Scr"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("disk full"), std::string::npos);
    EXPECT_EQ(ui.pointers.back(), ui::Pointer::Default);
    EXPECT_EQ(ui.progressValues.back(), 33);  // the bar keeps its last value
    EXPECT_FALSE(guard.busy());
}

TEST_F(SaverBuildTest, AnUnreadableMovieStopsWithItsPathAndReason) {
    fs.add("C:\\m\\a.swf", "A").readError =
        core::makeError(core::ErrorCode::IoError, "cannot read \"C:\\m\\a.swf\": locked");
    addRow("C:\\m\\a.swf");
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Cannot read the movie C:\\m\\a.swf\ncannot read \"C:\\m\\a.swf\": locked");
    EXPECT_EQ(statuses(), (std::vector<std::string>{"Processing"}));
    EXPECT_TRUE(fs.replaceRequests.empty());
    EXPECT_EQ(ui.pointers, (std::vector<ui::Pointer>{ui::Pointer::Hourglass, ui::Pointer::Default}));
}

TEST_F(SaverBuildTest, AMissingOrBrokenRuntimeImageStopsBeforeAnyRow) {
    fs.add("C:\\m\\a.swf", "A");
    addRow("C:\\m\\a.swf");
    image.error = core::makeError(core::ErrorCode::NotFound, "resource CUSTOM 102 is missing");
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Failed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("resource CUSTOM 102 is missing"), std::string::npos);

    image.error.reset();
    image.bytes.resize(32768);  // an image of another layout must not be joined to movies
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Failed);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(statuses(), (std::vector<std::string>{""}));
    EXPECT_TRUE(fs.replaceRequests.empty());
    EXPECT_EQ(ui.pointers.back(), ui::Pointer::Default);
}

TEST_F(SaverBuildTest, ASecondRunDuringARunIsRefusedAndTheGuardIsHeldThroughout) {
    fs.add("C:\\m\\a.swf", "A");
    fs.add("C:\\m\\b.swf", "B");
    addRow("C:\\m\\a.swf");
    addRow("C:\\m\\b.swf");
    std::vector<bool> busyAtPump;
    std::vector<BuildOutcome> nested;
    int depth = 0;
    ui.onPump = [&] {
        if (depth > 0) return;  // a nested run that was let in must not recurse for ever
        ++depth;
        busyAtPump.push_back(guard.busy());
        nested.push_back(builder.cmdWriteDisc_Click());  // Ctrl+B pressed while the run yields
        --depth;
    };
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);
    EXPECT_EQ(busyAtPump, std::vector<bool>(4, true));
    EXPECT_EQ(nested, std::vector<BuildOutcome>(4, BuildOutcome::Busy));
    EXPECT_EQ(browser.requests.size(), 1u);
    EXPECT_EQ(image.fetches, 1);
    EXPECT_FALSE(guard.busy());
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Completed);  // free again afterwards
}

TEST_F(SaverBuildTest, RowsThatVanishAnywayEndTheRunWithAMessage) {
    // The window refuses list changes while busy; should a row vanish all the same, the run
    // stops instead of reading past the list.
    fs.add("C:\\m\\a.swf", "A");
    addRow("C:\\m\\a.swf");
    addRow("C:\\m\\a.swf");
    ui.onPump = [&] { list.clear(); };
    EXPECT_EQ(builder.cmdWriteDisc_Click(), BuildOutcome::Failed);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.pointers.back(), ui::Pointer::Default);
}

}  // namespace
}  // namespace builders
