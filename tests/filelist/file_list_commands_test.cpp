#include "filelist/file_list_commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filelist/project_file.h"
#include "tests/ui/fake_file_system.h"
#include "tests/ui/fake_ui.h"

namespace filelist {
namespace {

using namespace std::string_literals;
using ui::testing::DialogKind;

class CommandsTest : public ::testing::Test {
protected:
    MovieList list;
    ui::testing::FakeUi ui;
    ui::testing::FakeFileSystem fs;
    Windows1252 codePage;
    ui::FileDialogSettings dialog;
    FileListCommands commands{list, ui, fs, codePage, dialog};

    std::vector<Row> rows() const { return list.rows(); }
};

TEST_F(CommandsTest, AddFilesAppendsTheSelectionInDialogOrderWithSizeAndDate) {
    list.append(Row("C:\\old.swf", "5", "01-02-2003", "OK"));
    fs.add("C:\\Movies\\c.swf", std::string(1048576, 'x'), {2010, 12, 25, 23, 59, 59});
    fs.add("C:\\Movies\\a.swf", "", {2006, 7, 3, 0, 0, 0});
    fs.add("C:\\Movies\\b c.swf", "abc", {1999, 1, 9, 8, 7, 6});
    ui.confirmNext("C:\\Movies\0c.swf\0a.swf\0b c.swf"s, "C:\\Movies");

    commands.addFiles();

    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, DialogKind::Open);
    EXPECT_EQ(ui.dialogs[0].settings.flags, 0x180204u);
    EXPECT_EQ(ui.dialogs[0].settings.filter, "MP3 Files(*.SWF)|*.SWF");
    EXPECT_EQ(ui.dialogs[0].settings.maxFileLength, 32767u);
    EXPECT_EQ(ui.dialogs[0].settings.dialogTitle, "");
    EXPECT_EQ(ui.dialogs[0].settings.initialDirectory, "");
    EXPECT_EQ(ui.dialogs[0].settings.defaultExtension, "");
    EXPECT_EQ(rows(), (std::vector<Row>{
                          Row("C:\\old.swf", "5", "01-02-2003", "OK"),
                          Row("C:\\Movies\\c.swf", "1048576", "12-25-2010", ""),
                          Row("C:\\Movies\\a.swf", "0", "07-03-2006", ""),
                          Row("C:\\Movies\\b c.swf", "3", "01-09-1999", ""),
                      }));
    EXPECT_EQ(dialog.fileName, "");  // the next dialog starts with an empty name box
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, AddFilesOneFileAtADriveRootAndTheSameFileTwice) {
    fs.add("C:\\intro.swf", "12345");
    for (int i = 0; i < 2; ++i) {
        ui.confirmNext("C:\\intro.swf", "C:\\");
        commands.addFiles();
    }
    EXPECT_EQ(rows(), (std::vector<Row>{Row("C:\\intro.swf", "5", "07-03-2006"),
                                        Row("C:\\intro.swf", "5", "07-03-2006")}));
}

TEST_F(CommandsTest, AddFilesCancelLeavesTheListAndTheNextAddWorks) {
    list.append(Row("C:\\old.swf"));
    ui.cancelNext();
    commands.addFiles();
    EXPECT_EQ(list.count(), 1u);
    EXPECT_TRUE(fs.infoRequests.empty());
    EXPECT_TRUE(ui.messages.empty());

    fs.add("C:\\M\\a.swf", "1");
    ui.confirmNext("C:\\M\\a.swf", "C:\\M");
    commands.addFiles();
    EXPECT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(list.count(), 2u);
}

TEST_F(CommandsTest, AddFilesKeepsAddingAfterAFileThatCannotBeRead) {
    fs.add("C:\\M\\a.swf", "1");
    fs.add("C:\\M\\locked.swf", "22").infoError =
        core::makeError(core::ErrorCode::IoError, "access denied");
    fs.add("C:\\M\\c.swf", "333");
    ui.confirmNext("C:\\M\0a.swf\0gone.swf\0locked.swf\0c.swf"s, "C:\\M");

    commands.addFiles();

    EXPECT_EQ(rows(), (std::vector<Row>{
                          Row("C:\\M\\a.swf", "1", "07-03-2006"),
                          Row("C:\\M\\gone.swf"),
                          Row("C:\\M\\locked.swf"),
                          Row("C:\\M\\c.swf", "3", "07-03-2006"),
                      }));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, AddFilesWithAFailingSplitAddsNothing) {
    ui.confirmNext("C:\\a.swf", "C:\\A Much Longer Folder");
    commands.addFiles();
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "自定义函数错误");
    EXPECT_EQ(dialog.fileName, "");
}

TEST_F(CommandsTest, AddFilesAcceptsNamesOutsideTheAnsiCodePage) {
    fs.add("C:\\Фильмы\\日本.swf", "1234");
    ui.confirmNext("C:\\Фильмы\0日本.swf"s, "C:\\Фильмы");
    commands.addFiles();
    EXPECT_EQ(rows(), (std::vector<Row>{Row("C:\\Фильмы\\日本.swf", "4", "07-03-2006")}));
}

TEST_F(CommandsTest, RemoveFileTakesOnlyTheSelectedRow) {
    struct Case {
        std::size_t rowsBefore;
        std::optional<std::size_t> selection;
        std::vector<std::string> pathsAfter;
    };
    const std::vector<Case> cases = {
        {3, 2, {"1", "3"}}, {3, 1, {"2", "3"}}, {3, 3, {"1", "2"}},  {3, std::nullopt, {"1", "2", "3"}},
        {0, std::nullopt, {}}, {0, 1, {}},      {2, 5, {"1", "2"}},
    };
    for (const Case& c : cases) {
        list.clear();
        for (std::size_t i = 1; i <= c.rowsBefore; ++i) list.append(Row(std::to_string(i)));
        ui.selection = c.selection;
        commands.removeFile();
        std::vector<std::string> paths;
        for (const Row& r : list.rows()) paths.push_back(r.path());
        EXPECT_EQ(paths, c.pathsAfter);
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, ClearAllAndNewEmptyTheListWithoutAQuestion) {
    for (void (FileListCommands::*command)() : {&FileListCommands::clearAll,
                                                 &FileListCommands::newProject}) {
        list.append(std::vector<Row>{Row("a"), Row("b")});
        dialog.fileName = "C:\\keep.Kvx";
        (commands.*command)();
        EXPECT_TRUE(list.empty());
        (commands.*command)();  // on an empty list
        EXPECT_TRUE(list.empty());
        EXPECT_EQ(dialog.fileName, "C:\\keep.Kvx");
    }
    EXPECT_TRUE(ui.dialogs.empty());
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, SaveWritesEveryRowAndReportsNothingOnSuccess) {
    list.append(std::vector<Row>{Row("C:\\Movies\\intro.swf", "905", "07-03-2006", "OK"),
                                 Row("C:\\b.swf", "1", "12-25-2010", "")});
    ui.confirmNext("C:\\p\\myproject");
    commands.saveProject();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].kind, DialogKind::Save);
    EXPECT_EQ(ui.dialogs[0].settings.filter, "Recording Project Files(*.Kvx)|*.Kvx");
    EXPECT_EQ(ui.dialogs[0].settings.maxFileLength, 32767u);
    // The name is used as typed: no extension is added.
    ASSERT_EQ(fs.files.count("C:\\p\\myproject"), 1u);
    EXPECT_EQ(fs.files["C:\\p\\myproject"].bytes,
              "C:\\Movies\\intro.swf\t905\t07-03-2006\tOK\r\nC:\\b.swf\t1\t12-25-2010\t\r\n");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, SaveOfAnEmptyListWritesZeroBytes) {
    fs.add("C:\\p.Kvx", "old content");
    ui.confirmNext("C:\\p.Kvx");
    commands.saveProject();
    EXPECT_EQ(fs.files["C:\\p.Kvx"].bytes, "");
}

TEST_F(CommandsTest, SaveCancelWritesNothing) {
    list.append(Row("a"));
    fs.add("C:\\p.Kvx", "old");
    ui.cancelNext();
    commands.saveProject();
    EXPECT_TRUE(fs.replaceRequests.empty());
    EXPECT_EQ(fs.files["C:\\p.Kvx"].bytes, "old");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, SaveFailureIsShownAndTheOldFileStays) {
    list.append(Row("a"));
    fs.add("C:\\ro\\p.Kvx", "old");
    fs.replaceErrors.push_back(
        core::makeError(core::ErrorCode::IoError, "cannot write \"C:\\ro\\p.Kvx\": access denied"));
    ui.confirmNext("C:\\ro\\p.Kvx");
    commands.saveProject();
    EXPECT_EQ(fs.files["C:\\ro\\p.Kvx"].bytes, "old");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Vellory Flash Screensaver");
    EXPECT_EQ(ui.messages[0].icon, ui::Icon::Critical);
    EXPECT_EQ(ui.messages[0].buttons, ui::Buttons::Ok);
    EXPECT_NE(ui.messages[0].text.find("C:\\ro\\p.Kvx"), std::string::npos);
    EXPECT_NE(ui.messages[0].text.find("access denied"), std::string::npos);
}

TEST_F(CommandsTest, SaveNewOpenGivesTheSameRowsAndOpenTwiceGivesEveryRowTwice) {
    const std::vector<Row> original = {Row("C:\\Movies\\intro.swf", "905", "07-03-2006", "OK"),
                                       Row("C:\\日本\\歌.swf", "7", "12-25-2010", ""),
                                       Row("C:\\Café.swf", "0", "01-01-2001", "Processing")};
    list.append(original);
    ui.confirmNext("C:\\p.Kvx");
    commands.saveProject();
    commands.newProject();
    EXPECT_TRUE(list.empty());
    ui.confirmNext("C:\\p.Kvx");
    commands.openProject();
    EXPECT_EQ(rows(), original);
    ui.confirmNext("C:\\p.Kvx");
    commands.openProject();
    std::vector<Row> twice = original;
    twice.insert(twice.end(), original.begin(), original.end());
    EXPECT_EQ(rows(), twice);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CommandsTest, OpenAppendsAfterTheRowsAlreadyThere) {
    list.append(Row("C:\\first.swf"));
    fs.add("C:\\p.Kvx", "C:\\a.swf\t1\t07-03-2006\tOK\r\nC:\\b.swf\r\n");
    ui.confirmNext("C:\\p.Kvx");
    commands.openProject();
    EXPECT_EQ(rows(), (std::vector<Row>{Row("C:\\first.swf"), Row("C:\\a.swf", "1", "07-03-2006", "OK"),
                                        Row("C:\\b.swf")}));
}

TEST_F(CommandsTest, OpenFailuresLeaveTheListQuietly) {
    list.append(Row("C:\\first.swf"));
    fs.add("C:\\locked.Kvx", "a\r\n").readError = core::makeError(core::ErrorCode::IoError, "denied");
    struct Case {
        std::optional<std::string> chosen;  // nullopt: Cancel
    };
    for (const Case& c : {Case{std::nullopt}, Case{""}, Case{"C:\\missing.Kvx"},
                          Case{"C:\\locked.Kvx"},
                          // several files chosen while multiple selection is still on
                          Case{"C:\\\0locked.Kvx\0p.Kvx"s}}) {
        if (c.chosen) {
            ui.confirmNext(*c.chosen);
        } else {
            ui.cancelNext();
        }
        commands.openProject();
        EXPECT_EQ(rows(), std::vector<Row>{Row("C:\\first.swf")});
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.unscriptedDialogs, 0);
}

TEST_F(CommandsTest, TheSharedDialogKeepsWhatEachCommandSet) {
    // Add Files sets the flags; the project commands set only the filter and the length, so the
    // flags stay, and the name the project dialog returned seeds the next dialog.
    fs.add("C:\\M\\a.swf", "1");
    fs.add("C:\\p.Kvx", "");
    dialog.dialogTitle = "kept";
    ui.confirmNext("C:\\M\\a.swf", "C:\\M");
    commands.addFiles();
    ui.confirmNext("C:\\p.Kvx");
    commands.openProject();
    ui.cancelNext();
    commands.saveProject();
    ui.cancelNext();
    commands.addFiles();
    ASSERT_EQ(ui.dialogs.size(), 4u);
    EXPECT_EQ(ui.dialogs[1].settings.flags, 0x180204u);
    EXPECT_EQ(ui.dialogs[1].settings.filter, "Recording Project Files(*.Kvx)|*.Kvx");
    EXPECT_EQ(ui.dialogs[1].settings.fileName, "");
    EXPECT_EQ(ui.dialogs[2].settings.fileName, "C:\\p.Kvx");
    EXPECT_EQ(ui.dialogs[3].settings.fileName, "C:\\p.Kvx");
    EXPECT_EQ(ui.dialogs[3].settings.filter, "MP3 Files(*.SWF)|*.SWF");
    for (const auto& d : ui.dialogs) EXPECT_EQ(d.settings.dialogTitle, "kept");
}

TEST(FormatDateTest, MonthDayYear) {
    EXPECT_EQ(formatDate({2006, 7, 3, 0, 0, 0}), "07-03-2006");
    EXPECT_EQ(formatDate({2010, 12, 25, 23, 59, 59}), "12-25-2010");
    EXPECT_EQ(formatDate({1980, 1, 1, 0, 0, 0}), "01-01-1980");
}

// The same commands over the system's file system, in a folder of its own.
TEST(CommandsOnDisk, SaveThenOpenThroughTheNativeFileSystem) {
    char tmpl[] = "/tmp/vfs_filelist_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const std::string path = dir + "/p.Kvx";

    MovieList list;
    ui::testing::FakeUi ui;
    ui::FileDialogSettings dialog;
    FileListCommands commands(list, ui, ui::nativeFileSystem(), systemCodePage(), dialog);
    const std::vector<Row> original = {Row("C:\\a.swf", "1", "07-03-2006", "OK"),
                                       Row("C:\\🎬.swf", "2", "07-04-2006", "")};
    list.append(original);
    ui.confirmNext(path);
    commands.saveProject();
    commands.newProject();
    ui.confirmNext(path);
    commands.openProject();
    EXPECT_EQ(list.rows(), original);
    EXPECT_TRUE(ui.messages.empty());

    // Saving onto a folder fails with a message and leaves it alone.
    ui.confirmNext(dir);
    commands.saveProject();
    EXPECT_EQ(ui.messages.size(), 1u);

    std::remove(path.c_str());
    std::remove(dir.c_str());
}

}  // namespace
}  // namespace filelist
