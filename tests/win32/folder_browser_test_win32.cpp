// The folder browser as SelectOutputFolder shows it, answered from a helper thread of the test
// process: the dialog's prompt is checked, a folder is selected with BFFM_SETSELECTIONW and OK
// or Cancel is pressed.
#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "builders/folder_browser_win32.h"

namespace builders {
namespace {

constexpr int kTreeId = 0x3741;
constexpr int kPromptId = 0x3742;

struct Find {
    HWND dialog = nullptr;
};

BOOL CALLBACK findDialog(HWND hwnd, LPARAM lParam) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, 32);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
        reinterpret_cast<Find*>(lParam)->dialog = hwnd;
        return FALSE;
    }
    return TRUE;
}

std::wstring caretText(HWND tree) {
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!item) return {};
    wchar_t text[MAX_PATH] = {};
    TVITEMW tv {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Answers the next folder browser of `thread`: selects `path` (unless empty) until the tree shows
// an item whose text holds `expect`, then presses `button`. Records the prompt it saw.
struct Answerer {
    DWORD thread = 0;
    std::wstring path, expect;
    int button = IDOK;
    std::wstring prompt;
    std::atomic<bool> done{false};

    void operator()() {
        HWND dialog = nullptr;
        for (int i = 0; i < 400 && !dialog; ++i) {
            Find f;
            EnumThreadWindows(thread, findDialog, reinterpret_cast<LPARAM>(&f));
            dialog = f.dialog;
            if (!dialog) Sleep(25);
        }
        if (!dialog) return;
        wchar_t text[256] = {};
        GetDlgItemTextW(dialog, kPromptId, text, 256);
        prompt = text;
        if (!path.empty()) {
            HWND tree = GetDlgItem(dialog, kTreeId);
            for (int i = 0; i < 100; ++i) {
                SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
                if (caretText(tree).find(expect) != std::wstring::npos) break;
                Sleep(50);
            }
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
        done = true;
    }
};

std::optional<std::string> browseWith(Answerer& answerer) {
    answerer.thread = GetCurrentThreadId();
    std::thread helper(std::ref(answerer));
    Win32FolderBrowser browser(nullptr);
    std::optional<std::string> result = browser.browseForFolder(
        FolderBrowseRequest{kSelectOutputFolderPrompt, kBifReturnOnlyFsDirs | kBifDontGoBelowDomain});
    helper.join();
    return result;
}

class FolderBrowserTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(FolderBrowserTest, AFolderComesBackWithoutABackslashAndGetsOneFromSelect) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring folder = std::wstring(temp) + L"vfs_browse_out";
    CreateDirectoryW(folder.c_str(), nullptr);

    Answerer answerer;
    answerer.path = folder;
    answerer.expect = L"vfs_browse_out";
    const std::optional<std::string> chosen = browseWith(answerer);
    EXPECT_TRUE(answerer.done);
    EXPECT_EQ(answerer.prompt, L"Select Output Folder");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->substr(chosen->size() - 15), "\\vfs_browse_out");

    OutputFolder selected;
    struct Fixed final : FolderBrowser {
        std::optional<std::string> value;
        std::optional<std::string> browseForFolder(const FolderBrowseRequest&) override { return value; }
    } fixed;
    fixed.value = chosen;
    SelectOutputFolder(fixed, selected);
    EXPECT_EQ(selected.path, *chosen + "\\");
    RemoveDirectoryW(folder.c_str());
}

TEST_F(FolderBrowserTest, ADriveRootKeepsItsBackslash) {
    Answerer answerer;
    answerer.path = L"C:\\";
    answerer.expect = L"C:";
    const std::optional<std::string> chosen = browseWith(answerer);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(*chosen, "C:\\");
}

TEST_F(FolderBrowserTest, CancelGivesNothing) {
    Answerer answerer;
    answerer.button = IDCANCEL;
    EXPECT_EQ(browseWith(answerer), std::nullopt);
    EXPECT_TRUE(answerer.done);
}

}  // namespace
}  // namespace builders
