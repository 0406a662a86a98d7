// The Windows glue of the file list: code pages converted by the system, the wide-character file
// system, the current directory as the splitter sees it, and the commands over the real files.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/code_page_win32.h"
#include "filelist/file_list_commands.h"
#include "filelist/mod_dlg_select_file_info.h"
#include "filelist/project_file.h"
#include "tests/ui/fake_ui.h"
#include "ui/file_system.h"
#include "ui/text_win32.h"
#include "ui/window_ui_win32.h"

namespace {

using namespace std::string_literals;

// WindowUi without a main window: no list view, no progress bar.
class WindowOnlyUi : public ui::WindowUi {
public:
    std::optional<std::size_t> selectedRow() const override { return std::nullopt; }
    void setProgressRange(int, int) override {}
    void setProgress(int) override {}
};

TEST(SystemCodePage, Windows1252MatchesThePortableTable) {
    const filelist::SystemConvertedCodePage system(1252);
    const filelist::Windows1252 portable;
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(system.toUtf8(all), portable.toUtf8(all));
    EXPECT_EQ(system.fromUtf8(portable.toUtf8(all)), all);
    for (const std::string& s : {"ā"s, "日本"s, "🎬"s, "\xC2\x80"s, "a\xFF"s}) {
        EXPECT_FALSE(system.fromUtf8(s).has_value()) << s;  // no best-fit 'a' for 'ā'
        EXPECT_FALSE(portable.fromUtf8(s).has_value()) << s;
    }
}

TEST(SystemCodePage, DoubleByteCodePageRoundTrips) {
    const filelist::SystemConvertedCodePage gbk(936);
    const std::optional<std::string> bytes = gbk.fromUtf8("C:\\电影\\片.swf");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), 3u + 4u + 1u + 2u + 4u);
    EXPECT_EQ(gbk.toUtf8(*bytes), "C:\\电影\\片.swf");
    EXPECT_FALSE(gbk.fromUtf8("C:\\Ω̈́🎬").has_value());
}

TEST(WideText, RoundTrip) {
    for (const std::string& s : {""s, "abc"s, "C:\\Фильмы\\日本 🎬.swf"s}) {
        EXPECT_EQ(ui::narrow(ui::widen(s)), s);
    }
    EXPECT_EQ(ui::widen("日"), std::wstring(1, wchar_t(0x65E5)));
}

class Win32FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, base), 0u);
        m_dir = ui::narrow(base) + "vfs_filelist_" + std::to_string(GetCurrentProcessId()) + "_Фильмы";
        ASSERT_TRUE(CreateDirectoryW(ui::widen(m_dir).c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
    }
    void TearDown() override {
        for (const std::string& name : list()) {
            const std::wstring p = ui::widen(path(name));
            SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(p.c_str());
        }
        RemoveDirectoryW(ui::widen(m_dir).c_str());
    }

    std::string path(const std::string& name) const { return m_dir + "\\" + name; }

    void write(const std::string& name, const std::string& bytes) {
        HANDLE h = CreateFileW(ui::widen(path(name)).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD wrote = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
        CloseHandle(h);
    }

    void touch(const std::string& name, const ui::LocalTime& t) {
        SYSTEMTIME local {};
        local.wYear = static_cast<WORD>(t.year);
        local.wMonth = static_cast<WORD>(t.month);
        local.wDay = static_cast<WORD>(t.day);
        local.wHour = static_cast<WORD>(t.hour);
        local.wMinute = static_cast<WORD>(t.minute);
        local.wSecond = static_cast<WORD>(t.second);
        SYSTEMTIME utc {};
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
        FILETIME ft {};
        ASSERT_TRUE(SystemTimeToFileTime(&utc, &ft));
        HANDLE h = CreateFileW(ui::widen(path(name)).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
        CloseHandle(h);
    }

    std::vector<std::string> list() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(ui::widen(m_dir + "\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do {
            const std::string n = ui::narrow(fd.cFileName);
            if (n != "." && n != "..") names.push_back(n);
        } while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }

    ui::FileSystem& fs = ui::nativeFileSystem();
    std::string m_dir;
};

TEST_F(Win32FilesTest, FileInfoOfUnicodeNamesInLocalTime) {
    write("日本.swf", std::string(1048576, 'x'));
    touch("日本.swf", {2010, 12, 25, 23, 59, 58});
    write("empty.swf", "");
    touch("empty.swf", {2006, 7, 3, 0, 0, 2});
    const auto big = fs.fileInfo(path("日本.swf"));
    ASSERT_TRUE(big.ok()) << big.error().message;
    EXPECT_EQ(big->size, 1048576u);
    EXPECT_EQ(filelist::formatDate(big->lastModified), "12-25-2010");
    EXPECT_EQ(big->lastModified.hour, 23);
    const auto empty = fs.fileInfo(path("empty.swf"));
    ASSERT_TRUE(empty.ok());
    EXPECT_EQ(empty->size, 0u);
    EXPECT_EQ(filelist::formatDate(empty->lastModified), "07-03-2006");
    EXPECT_EQ(fs.fileInfo(path("none.swf")).error().code, core::ErrorCode::NotFound);
    EXPECT_FALSE(fs.fileInfo(m_dir).ok());
}

TEST_F(Win32FilesTest, ReplaceFileWritesThroughATemporaryFileAndKeepsAReadOnlyFile) {
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "first").ok());
    ASSERT_TRUE(fs.replaceFile(path("p.Kvx"), "second").ok());
    EXPECT_EQ(*fs.readFile(path("p.Kvx")), "second");
    EXPECT_EQ(list(), std::vector<std::string>{"p.Kvx"});

    SetFileAttributesW(ui::widen(path("p.Kvx")).c_str(), FILE_ATTRIBUTE_READONLY);
    const core::Status s = fs.replaceFile(path("p.Kvx"), "third");
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("p.Kvx"), std::string::npos);
    EXPECT_EQ(*fs.readFile(path("p.Kvx")), "second");
    EXPECT_EQ(list(), std::vector<std::string>{"p.Kvx"});

    EXPECT_FALSE(fs.replaceFile(m_dir, "x").ok());
    EXPECT_FALSE(fs.replaceFile(path("missing\\p.Kvx"), "x").ok());
    EXPECT_FALSE(fs.readFile(path("p.Kvx") + "\0x"s).ok());
}

TEST_F(Win32FilesTest, SplitterReadsTheProcessCurrentDirectory) {
    ASSERT_TRUE(SetCurrentDirectoryW(ui::widen(m_dir).c_str()));
    WindowOnlyUi ui;
    EXPECT_EQ(ui.currentDirectory(), m_dir);
    const auto info = filelist::ModDlgSelectFileInfo::GetDlgSelectFileInfo(
        m_dir + "\0a.swf\0日本.swf"s, ui);
    EXPECT_EQ(info.FileCount, 2);
    EXPECT_EQ(info.FolderPath, m_dir + "\\");
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
}

TEST_F(Win32FilesTest, AddFilesAndProjectsOverTheRealFiles) {
    write("a.swf", "12345");
    write("日本.swf", "1");
    filelist::MovieList list;
    ui::testing::FakeUi ui;
    ui::FileDialogSettings dialog;
    const filelist::SystemConvertedCodePage cp1252(1252);
    filelist::FileListCommands commands(list, ui, fs, cp1252, dialog);

    ui.confirmNext(m_dir + "\0a.swf\0日本.swf\0gone.swf"s, m_dir);
    commands.addFiles();
    ASSERT_EQ(list.count(), 3u);
    EXPECT_EQ(list.cell(1, filelist::Column::Byte), "5");
    EXPECT_EQ(list.cell(2, filelist::Column::Path), path("日本.swf"));
    EXPECT_EQ(list.cell(2, filelist::Column::Byte), "1");
    EXPECT_EQ(list.cell(3, filelist::Column::Byte), "");

    const std::vector<filelist::Row> rows = list.rows();
    ui.confirmNext(path("p.Kvx"));
    commands.saveProject();
    // The folder name is Cyrillic: not in Windows-1252, so the file is UTF-8 with a mark.
    EXPECT_TRUE(fs.readFile(path("p.Kvx"))->starts_with(filelist::kUtf8Bom));
    commands.newProject();
    ui.confirmNext(path("p.Kvx"));
    commands.openProject();
    EXPECT_EQ(list.rows(), rows);
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
