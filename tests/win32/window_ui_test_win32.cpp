// The Open dialog and the message box of WindowUi, driven from a second thread as a user would:
// the dialog's name box is filled in and OK or Cancel pressed; the message box is read and closed.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/mod_dlg_select_file_info.h"
#include "ui/text_win32.h"
#include "ui/window_ui_win32.h"

namespace {

using namespace std::string_literals;

class WindowOnlyUi : public ui::WindowUi {
public:
    std::optional<std::size_t> selectedRow() const override { return std::nullopt; }
    void setProgressRange(int, int) override {}
    void setProgress(int) override {}
};

// What the driver thread does with the dialog titled `title` once it appears.
struct DriverJob {
    DriverJob(std::wstring t, std::wstring name, bool readMessage = false)
        : title(std::move(t)), typed(std::move(name)), readMessageAndClose(readMessage) {}
    std::wstring title;
    std::wstring typed;  // text for the name box; empty: press Cancel instead
    bool readMessageAndClose = false;
    std::wstring messageText;  // what a message box showed
    bool found = false;
};

HWND waitForDialog(const std::wstring& title) {
    for (int i = 0; i < 400; ++i) {  // up to 20 seconds
        HWND dlg = FindWindowW(L"#32770", title.c_str());
        if (dlg && IsWindowVisible(dlg)) return dlg;
        Sleep(50);
    }
    return nullptr;
}

DWORD WINAPI drive(void* param) {
    auto* job = static_cast<DriverJob*>(param);
    HWND dlg = waitForDialog(job->title);
    if (!dlg) return 1;
    job->found = true;
    Sleep(200);  // let the dialog finish its set-up
    if (job->readMessageAndClose) {
        wchar_t text[512] = {};
        GetDlgItemTextW(dlg, 0xFFFF, text, 512);
        job->messageText = text;
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    if (job->typed.empty()) {
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    HWND box = GetDlgItem(dlg, 0x47C);
    HWND combo = box ? FindWindowExW(box, nullptr, L"ComboBox", nullptr) : nullptr;
    HWND edit = FindWindowExW(combo ? combo : box, nullptr, L"Edit", nullptr);
    if (!edit) edit = box;
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(job->typed.c_str()));
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return 0;
}

// Runs `show` while a driver thread works on the dialog.
template <typename Show>
void withDriver(DriverJob& job, Show show) {
    HANDLE thread = CreateThread(nullptr, 0, drive, &job, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    show();
    WaitForSingleObject(thread, 30000);
    CloseHandle(thread);
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_root = ui::narrow(base);
        if (m_root.back() == '\\') m_root.pop_back();
        m_movies = m_root + "\\vfs_dlg_" + std::to_string(GetCurrentProcessId());
        m_other = m_movies + "_other";
        CreateDirectoryW(ui::widen(m_movies).c_str(), nullptr);
        CreateDirectoryW(ui::widen(m_other).c_str(), nullptr);
        for (const std::string& p : {m_movies + "\\a.swf", m_movies + "\\c d.swf", m_other + "\\x.swf"}) {
            HANDLE h = CreateFileW(ui::widen(p).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            CloseHandle(h);
            m_files.push_back(p);
        }
        SetCurrentDirectoryW(ui::widen(m_root).c_str());
    }
    void TearDown() override {
        SetCurrentDirectoryW(ui::widen(m_root).c_str());
        for (const std::string& p : m_files) DeleteFileW(ui::widen(p).c_str());
        RemoveDirectoryW(ui::widen(m_movies).c_str());
        RemoveDirectoryW(ui::widen(m_other).c_str());
    }

    ui::FileDialogSettings movieDialog(const std::string& title) const {
        ui::FileDialogSettings s;
        s.flags = 0x180204;
        s.filter = "MP3 Files(*.SWF)|*.SWF";
        s.maxFileLength = 32767;
        s.dialogTitle = title;
        s.initialDirectory = m_movies;
        return s;
    }

    WindowOnlyUi m_ui;
    std::string m_root, m_movies, m_other;
    std::vector<std::string> m_files;
};

TEST_F(DialogTest, MultipleSelectionGivesFolderAndNamesAndSetsTheCurrentDirectory) {
    ui::FileDialogSettings s = movieDialog("Pick two");
    DriverJob job(L"Pick two", L"\"a.swf\" \"c d.swf\"");
    ui::DialogOutcome outcome = ui::DialogOutcome::Failed;
    withDriver(job, [&] { outcome = m_ui.showOpen(s); });
    ASSERT_TRUE(job.found);
    ASSERT_EQ(outcome, ui::DialogOutcome::Confirmed);
    EXPECT_EQ(s.fileName, m_movies + "\0a.swf\0c d.swf"s);
    EXPECT_EQ(m_ui.currentDirectory(), m_movies);
    const auto info = filelist::ModDlgSelectFileInfo::GetDlgSelectFileInfo(s.fileName, m_ui);
    EXPECT_EQ(info.FileCount, 2);
    EXPECT_EQ(info.FolderPath, m_movies + "\\");
}

TEST_F(DialogTest, AFullPathTypedIntoAnotherFolderSplitsIntoThatFolder) {
    ui::FileDialogSettings s = movieDialog("Pick other");
    DriverJob job(L"Pick other", ui::widen(m_other + "\\x.swf"));
    ui::DialogOutcome outcome = ui::DialogOutcome::Failed;
    withDriver(job, [&] { outcome = m_ui.showOpen(s); });
    ASSERT_TRUE(job.found);
    ASSERT_EQ(outcome, ui::DialogOutcome::Confirmed);
    EXPECT_EQ(s.fileName, m_other + "\\x.swf");
    const auto info = filelist::ModDlgSelectFileInfo::GetDlgSelectFileInfo(s.fileName, m_ui);
    ASSERT_EQ(info.FileCount, 1);
    EXPECT_EQ(info.FolderPath + info.FileNames[1], m_other + "\\x.swf");
}

TEST_F(DialogTest, CancelKeepsTheSettingsAndAnOverlongSeedFails) {
    ui::FileDialogSettings s = movieDialog("Pick none");
    s.fileName = "seed.swf";
    DriverJob job(L"Pick none", L"");
    ui::DialogOutcome outcome = ui::DialogOutcome::Failed;
    withDriver(job, [&] { outcome = m_ui.showOpen(s); });
    ASSERT_TRUE(job.found);
    EXPECT_EQ(outcome, ui::DialogOutcome::Cancelled);
    EXPECT_EQ(s.fileName, "seed.swf");

    s.maxFileLength = 4;
    EXPECT_EQ(m_ui.showOpen(s), ui::DialogOutcome::Failed);
}

TEST_F(DialogTest, SplitterFailureMessageReadsInChinese) {
    SetCurrentDirectoryW(ui::widen(m_movies).c_str());
    DriverJob job(L"自定义函数错误", L"", true);
    withDriver(job, [&] {
        const auto info = filelist::ModDlgSelectFileInfo::GetDlgSelectFileInfo("C:\\a", m_ui);
        EXPECT_EQ(info.FileCount, 0);
    });
    ASSERT_TRUE(job.found);
    EXPECT_EQ(job.messageText, L"GetDlgSelectFileInfo函数执行错误！");
}

}  // namespace
