// Form1's menus, shortcut keys, command routing, Exit and the About box, hosted in-process.

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/about_box.h"
#include "app/cmd.h"
#include "app/control_ids.h"
#include "app/form1.h"
#include "builders/runtime_image_win32.h"
#include "builders/saver_layout.h"
#include "filelist/mod_dlg_select_file_info.h"
#include "form1_fixture_win32.h"

namespace vfs_test {
namespace {

using namespace app;
using Lines = std::vector<std::string>;

struct ItemInfo {
    std::wstring text;  // "-" for a separator
    UINT id;
    bool enabled;
};

std::vector<ItemInfo> items(HMENU menu) {
    std::vector<ItemInfo> out;
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        wchar_t buf[128] = {};
        MENUITEMINFOW mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        mi.dwTypeData = buf;
        mi.cch = 128;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
        const bool sep = (mi.fType & MFT_SEPARATOR) != 0;
        out.push_back({sep ? L"-" : buf, sep ? 0 : mi.wID, !(mi.fState & MFS_DISABLED)});
    }
    return out;
}

class Form1Commands : public Form1Test {};

TEST_F(Form1Commands, MenuBarHasFourMenusWithAccessKeys) {
    open(L"");
    HMENU bar = GetMenu(m_form->hwnd());
    ASSERT_NE(bar, nullptr);
    const auto top = items(bar);
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[0].text, L"File(&F)");
    EXPECT_EQ(top[1].text, L"Edit(&E)");
    EXPECT_EQ(top[2].text, L"Action(&A)");
    EXPECT_EQ(top[3].text, L"Help(&H)");
}

struct MenuCase {
    int index;
    std::vector<std::pair<std::wstring, UINT>> items;
};

TEST_F(Form1Commands, EveryItemSeparatorCaptionAndShortcut) {
    open(L"");
    HMENU bar = GetMenu(m_form->hwnd());
    const MenuCase menus[] = {
        {0,
         {{L"New Flash Make Project\tCtrl+N", 101},
          {L"Open Flash Make Project\tCtrl+O", 102},
          {L"Save Flash Make Project\tCtrl+S", 103},
          {L"-", 0},
          {L"Exit\tCtrl+X", 104}}},
        {1, {{L"Add File(s)\tCtrl+A", 111}, {L"Remove Selected File\tCtrl+M", 112}, {L"Clear All", 113}}},
        // The hidden items leave two separators in a row.
        {2,
         {{L"Make Screen Saver Now!\tCtrl+B", 121},
          {L"-", 0},
          {L"Play Selected File\tCtrl+P", 123},
          {L"-", 0},
          {L"-", 0},
          {L"SWF to EXE", 126},
          {L"EXE to SWF", 127}}},
        {3,
         {{L"Help\tF1", 131},
          {L"-", 0},
          {L"Brightmoss Home Page\tCtrl+H", 132},
          {L"Support Online\tCtrl+T", 133},
          {L"-", 0},
          {L"About\tCtrl+Z", 134}}},
    };
    for (const MenuCase& m : menus) {
        HMENU popup = GetSubMenu(bar, m.index);
        ASSERT_NE(popup, nullptr);
        const auto got = items(popup);
        ASSERT_EQ(got.size(), m.items.size()) << "menu " << m.index;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].text, m.items[i].first) << "menu " << m.index << " item " << i;
            EXPECT_EQ(got[i].id, m.items[i].second) << "menu " << m.index << " item " << i;
            EXPECT_TRUE(got[i].enabled || got[i].text == L"-");
        }
    }
    // The hidden items are nowhere in the menu bar.
    for (Cmd hidden : {Cmd::CancelBurn, Cmd::EjectCD, Cmd::CloseCDRom}) {
        EXPECT_EQ(GetMenuState(bar, static_cast<UINT>(hidden), MF_BYCOMMAND), static_cast<UINT>(-1));
    }
}

// Records the commands an accelerator table produces.
struct CommandSink {
    static LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_COMMAND) {
            auto* ids = reinterpret_cast<std::vector<std::pair<WORD, WORD>>*>(GetWindowLongPtrW(h, GWLP_USERDATA));
            if (ids) ids->push_back({LOWORD(wp), HIWORD(wp)});
            return 0;
        }
        return DefWindowProcW(h, msg, wp, lp);
    }
    CommandSink() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VfsTestCommandSink";
        RegisterClassW(&wc);
        hwnd = CreateWindowW(L"VfsTestCommandSink", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ids));
    }
    ~CommandSink() { DestroyWindow(hwnd); }
    HWND hwnd;
    std::vector<std::pair<WORD, WORD>> ids;
};

struct KeyCase {
    WORD vk;
    int mods;
    UINT cmd;  // 0: the key does nothing
};

TEST_F(Form1Commands, ShortcutKeysMapToTheirItemsAndHiddenOnesDoNothing) {
    open(L"");
    CommandSink sink;
    const KeyCase keys[] = {
        {'N', kCtrl, 101}, {'O', kCtrl, 102}, {'S', kCtrl, 103}, {'X', kCtrl, 104}, {'A', kCtrl, 111},
        {'M', kCtrl, 112}, {'B', kCtrl, 121}, {'P', kCtrl, 123}, {VK_F1, kNoMods, 131}, {'H', kCtrl, 132},
        {'T', kCtrl, 133}, {'Z', kCtrl, 134},
        // Hidden and disabled items: their shortcuts do nothing.
        {'C', kCtrl, 0}, {'E', kCtrl, 0}, {'L', kCtrl, 0},
        // Letters without Ctrl are no shortcuts.
        {'N', kNoMods, 0}, {'Z', kNoMods, 0},
    };
    for (const KeyCase& k : keys) {
        BYTE state[256] = {};
        state[VK_CONTROL] = state[VK_LCONTROL] = (k.mods & kCtrl) ? 0x80 : 0;
        SetKeyboardState(state);
        MSG msg{sink.hwnd, WM_KEYDOWN, k.vk, 1, 0, {}};
        sink.ids.clear();
        const int translated = TranslateAcceleratorW(sink.hwnd, m_form->accelerators(), &msg);
        if (k.cmd) {
            EXPECT_TRUE(translated) << "key " << k.vk;
            ASSERT_EQ(sink.ids.size(), 1u) << "key " << k.vk;
            EXPECT_EQ(sink.ids[0].first, k.cmd) << "key " << k.vk;
            EXPECT_EQ(sink.ids[0].second, 1) << "an accelerator, not a menu click";
        } else {
            EXPECT_FALSE(translated) << "key " << k.vk;
            EXPECT_TRUE(sink.ids.empty()) << "key " << k.vk;
        }
    }
    BYTE clear[256] = {};
    SetKeyboardState(clear);
}

TEST_F(Form1Commands, CtrlCEAndLOnTheWindowRunNothing) {
    open(L"");
    for (WORD vk : {'C', 'E', 'L'}) {
        pressKey(*m_form, GetFocus(), vk, kCtrl);
        pump(*m_form);
    }
    EXPECT_TRUE(m_trace.lines().empty());
    EXPECT_TRUE(IsWindow(m_form->hwnd()));
}

TEST_F(Form1Commands, ShortcutThroughTheMessageHookRunsTheHandler) {
    open(L"");
    pressKey(*m_form, GetFocus(), 'N', kCtrl);
    pressKey(*m_form, GetFocus(), VK_F1);
    pump(*m_form);
    EXPECT_EQ(m_trace.lines(), (Lines{"NewCDLayout_Click", "helphelp_Click", "gethelp"}));
}

struct Route {
    Cmd cmd;
    Lines trace;
};

TEST_F(Form1Commands, MenuItemsRunTheirHandlersAndForwarders) {
    open(L"");
    DialogCanceller canceller(m_form->hwnd());  // Open, Save, Add Files and EXE to SWF ask for a file
    const Route routes[] = {
        {Cmd::NewCDLayout, {"NewCDLayout_Click"}},
        {Cmd::OpenCDLayout, {"OpenCDLayout_Click"}},
        {Cmd::SaveCDLayout, {"SaveCDLayout_Click"}},
        {Cmd::AddFiles, {"AddFiles_Click", "Command1_Click"}},
        {Cmd::RemoveSelectedFile, {"RemoveSelectedFile_Click", "Command2_Click"}},
        {Cmd::ClearAll, {"ClearAll_Click"}},
        {Cmd::BurnNow, {"BurnNow_Click", "cmdWriteDisc_Click"}},
        {Cmd::play, {"play_Click"}},
        {Cmd::EXEtoSWF, {"EXEtoSWF_Click", "Command3_Click"}},
        {Cmd::EraseDisc, {"EraseDisc_Click"}},
        {Cmd::helphelp, {"helphelp_Click", "gethelp"}},
        {Cmd::DiscwrightHomePage, {"DiscwrightHomePage_Click"}},
        {Cmd::SupportOnline, {"SupportOnline_Click"}},
        {Cmd::CancelBurn, {}},
        {Cmd::EjectCD, {}},
        {Cmd::CloseCDRom, {}},
    };
    for (const Route& r : routes) {
        m_trace.clear();
        PostMessageW(m_form->hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(r.cmd), 0), 0);
        pump(*m_form);
        EXPECT_EQ(m_trace.lines(), r.trace) << "command " << static_cast<int>(r.cmd);
    }
    // Open, Save, Add Files and EXE to SWF showed their dialog; Cancel left the list empty.
    EXPECT_EQ(DialogCanceller::cancelled(), 4);
    EXPECT_EQ(m_form->movieList().count(), 0u);
}

TEST_F(Form1Commands, ButtonsRunTheirHandlersAndForwarders) {
    open(L"");
    DialogCanceller canceller(m_form->hwnd());  // Add Files and EXE To SWF ask for files
    const std::pair<ControlId, Lines> routes[] = {
        {kIdCommand1, {"Command1_Click"}},
        {kIdCommand2, {"Command2_Click"}},
        {kIdCmdWriteDisc, {"cmdWriteDisc_Click"}},
        {kIdCommand3, {"Command3_Click"}},
        {kIdCommand4, {"Command4_Click", "EraseDisc_Click"}},
        {kIdCommand9, {"Command9_Click", "gethelp"}},
        {kIdCommand17, {"Command17_Click"}},
        {kIdCommand15, {"Command15_Click"}},
        {kIdCommand16, {"Command16_Click"}},
    };
    for (const auto& [id, trace] : routes) {
        m_trace.clear();
        SendMessageW(ctl(id), BM_CLICK, 0, 0);
        pump(*m_form);
        EXPECT_EQ(m_trace.lines(), trace) << "button " << id;
    }
}

TEST_F(Form1Commands, DoubleClickOnTheListPlaysTheSelectedRow) {
    open(L"");
    HWND list = ctl(kIdLvwAudioTracks);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 60));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(40, 60));
    pump(*m_form);
    EXPECT_EQ(m_trace.lines(), (Lines{"lvwAudioTracks_DblClick", "play_Click"}));
}

struct ExitCase {
    const char* name;
    void (*act)(Form1Test&, app::Form1&);
    Lines trace;
};

class Form1Exit : public Form1Test, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(Form1Exit, EndsAtOnceWithNoQuestion) {
    open(L"", ExitMode::QuitMessageLoop);
    HWND w = m_form->hwnd();
    GetParam().act(*this, *m_form);
    pump(*m_form);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(m_form->hwnd(), nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop must end";
    EXPECT_EQ(m_trace.lines(), GetParam().trace);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Form1Exit,
    ::testing::Values(
        ExitCase{"ExitButton",
                 [](Form1Test&, app::Form1& f) {
                     SendMessageW(f.control(kIdCommand11), BM_CLICK, 0, 0);
                 },
                 {"Command11_Click", "Form_Unload"}},
        ExitCase{"ExitMenuItem",
                 [](Form1Test&, app::Form1& f) {
                     PostMessageW(f.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Cmd::exit), 0), 0);
                 },
                 {"exit_Click", "Form_Unload"}},
        ExitCase{"CtrlX",
                 [](Form1Test&, app::Form1& f) { pressKey(f, GetFocus(), 'X', kCtrl); },
                 {"exit_Click", "Form_Unload"}},
        ExitCase{"CloseBox",
                 [](Form1Test&, app::Form1& f) { PostMessageW(f.hwnd(), WM_CLOSE, 0, 0); },
                 {"Form_Unload"}},
        ExitCase{"SystemMenu",
                 [](Form1Test&, app::Form1& f) { PostMessageW(f.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
                 {"Form_Unload"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The About box is modal: a timer inside its loop looks at it and closes it.
struct AboutSeen {
    bool found = false;
    bool ownerDisabled = false;
    bool okOwnerDrawn = false;
    std::wstring thanks;
    std::wstring version;
    HWND owner = nullptr;
    int ticks = 0;
};
AboutSeen* g_seen = nullptr;

void CALLBACK closeAbout(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dlg = FindWindowW(L"#32770", kAboutCaption);
    if (!dlg) {
        if (++g_seen->ticks > 200) KillTimer(nullptr, id);  // it never came: give up
        return;
    }
    KillTimer(nullptr, id);
    g_seen->found = true;
    g_seen->ownerDisabled = !IsWindowEnabled(g_seen->owner) && GetWindow(dlg, GW_OWNER) == g_seen->owner;
    g_seen->thanks = windowText(GetDlgItem(dlg, kIdAboutThanks));
    g_seen->version = windowText(GetDlgItem(dlg, kIdAboutVersion));
    g_seen->okOwnerDrawn = (GetWindowLongPtrW(GetDlgItem(dlg, IDOK), GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDOK)));
}

void runAbout(app::Form1& form, AboutSeen& seen) {
    seen.owner = form.hwnd();
    g_seen = &seen;
    SetTimer(nullptr, 0, 20, closeAbout);
    PostMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Cmd::About), 1), 0);
    pump(form, 200);
    g_seen = nullptr;
}

TEST_F(Form1Commands, AboutOpensModallyAndClosesWithOk) {
    open(L"");
    AboutSeen seen;
    runAbout(*m_form, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_EQ(seen.thanks, L"Thank you for using Vellory Flash Screensaver");
    EXPECT_NE(seen.version.find(L"1.80"), std::wstring::npos);
    EXPECT_FALSE(seen.okOwnerDrawn);  // no skin file: the plain look
    EXPECT_EQ(FindWindowW(L"#32770", kAboutCaption), nullptr);
    EXPECT_TRUE(IsWindowEnabled(m_form->hwnd()));
    EXPECT_EQ(m_trace.lines(), Lines{"About_Click"});
}

TEST_F(Form1Commands, AboutLoadsTheSkinAgainForItsOwnWindow) {
    open(sourcePath("resources/skins/frmmain.skn"));
    AboutSeen seen;
    runAbout(*m_form, seen);
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.okOwnerDrawn);
}

// The splitter's own failure message, shown by the main window: its Chinese text and title come
// out of the Unicode API exactly, whatever the system's ANSI code page is.
struct SplitterBoxSeen {
    bool found = false;
    std::wstring text;
    bool critical = false;
    HWND owner = nullptr;
    int ticks = 0;
};
SplitterBoxSeen* g_splitter = nullptr;

void CALLBACK closeSplitterBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", L"\u81ea\u5b9a\u4e49\u51fd\u6570\u9519\u8bef");
    if (!box) {
        if (++g_splitter->ticks > 200) KillTimer(nullptr, id);
        return;
    }
    KillTimer(nullptr, id);
    g_splitter->found = true;
    g_splitter->owner = GetWindow(box, GW_OWNER);
    g_splitter->text = windowText(GetDlgItem(box, 0xFFFF));
    g_splitter->critical = SendMessageW(GetDlgItem(box, 0x440), STM_GETICON, 0, 0) ==
                           reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_HAND));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
}

TEST_F(Form1Commands, SplitterFailureShowsItsChineseMessageThroughTheWindow) {
    open(L"");
    // A current directory longer than the selection: the splitter fails and says so.
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(m_dir.path().c_str()));
    SplitterBoxSeen seen;
    g_splitter = &seen;
    SetTimer(nullptr, 0, 20, closeSplitterBox);
    const auto info = filelist::ModDlgSelectFileInfo::GetDlgSelectFileInfo("C:\\a.swf", *m_form);
    g_splitter = nullptr;
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(info.FileCount, 0);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, L"GetDlgSelectFileInfo\u51fd\u6570\u6267\u884c\u9519\u8bef\uff01");
    EXPECT_EQ(seen.owner, m_form->hwnd());
    EXPECT_TRUE(seen.critical);
}

// Make Saver Now! hosted in-process: a timer answers the folder browser and the closing message,
// and a spy on the list view looks at the window while a row shows "Processing".
struct BuildSeen {
    Form1* form = nullptr;
    std::wstring folder;
    int browsers = 0;
    bool paintedWhileProcessing = false;
    bool hourglass = false;
    std::size_t rowsAfterClear = 0;
    bool secondBuildOpenedNothing = true;
    std::wstring boxText;
    int progressAtBox = -1;
    int ticks = 0;
};
BuildSeen* g_build = nullptr;

bool anyRowProcessing(const filelist::MovieList& list) {
    for (std::size_t i = 1; i <= list.count(); ++i) {
        if (list.cell(i, filelist::Column::Status) == filelist::kStatusProcessing) return true;
    }
    return false;
}

LRESULT CALLBACK listSpy(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_PAINT && g_build && !g_build->paintedWhileProcessing &&
        anyRowProcessing(g_build->form->movieList())) {
        // The run lets the window repaint; the pointer over it is the hourglass; list commands
        // and a second build are refused.
        g_build->paintedWhileProcessing = true;
        HWND f = g_build->form->hwnd();
        SendMessageW(f, WM_SETCURSOR, reinterpret_cast<WPARAM>(f), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        g_build->hourglass = GetCursor() == LoadCursorW(nullptr, IDC_WAIT);
        g_build->form->ClearAll_Click();
        g_build->form->NewCDLayout_Click();
        g_build->form->Command2_Click();
        g_build->rowsAfterClear = g_build->form->movieList().count();
        const int before = g_build->browsers;
        g_build->form->cmdWriteDisc_Click();
        g_build->secondBuildOpenedNothing = g_build->browsers == before;
    }
    return DefSubclassProc(h, msg, wp, lp);
}

BOOL CALLBACK answerOne(HWND h, LPARAM) {
    if (className(h) != L"#32770" || !IsWindowVisible(h) || GetPropW(h, L"VfsAnswered")) return TRUE;
    if (HWND tree = GetDlgItem(h, 0x3741)) {
        SendMessageW(h, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_build->folder.c_str()));
        // The first selection right after the dialog opens may be lost: try again at the next
        // tick until the tree shows the folder.
        HTREEITEM sel = TreeView_GetSelection(tree);
        wchar_t text[MAX_PATH] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = sel;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        if (!sel || !TreeView_GetItem(tree, &item) || lstrcmpiW(text, L"out") != 0) return TRUE;
        SetPropW(h, L"VfsAnswered", reinterpret_cast<HANDLE>(1));
        ++g_build->browsers;
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDOK)));
    } else if (windowText(h) == L"Vellory Flash Screensaver") {
        SetPropW(h, L"VfsAnswered", reinterpret_cast<HANDLE>(1));
        g_build->boxText = windowText(GetDlgItem(h, 0xFFFF));
        g_build->progressAtBox = g_build->form->progress().value();
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDOK)));
    }
    return TRUE;
}

void CALLBACK answerBuild(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_build || ++g_build->ticks > 1000) {
        KillTimer(nullptr, id);
        return;
    }
    EnumThreadWindows(GetCurrentThreadId(), answerOne, 0);
}

std::string readAll(const std::wstring& path) {
    std::string bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    CloseHandle(f);
    return bytes;
}

std::string utf8(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += static_cast<char>(c);  // the temp paths here are ASCII
    return s;
}

TEST_F(Form1Commands, MakeSaverNowWritesEachRowWithTheEmbeddedRuntimeAndGuardsTheList) {
    open(L"");
    const std::string movieA = std::string("FWS\x06\0\xff", 6) + "first";
    const std::string movieB(70000, '\x5a');
    const std::wstring a = m_dir.write(L"movies\\intro.final.swf", movieA);
    const std::wstring b = m_dir.write(L"movies\\second.swf", movieB);
    const std::wstring out = m_dir.path() + L"\\out";
    ASSERT_TRUE(CreateDirectoryW(out.c_str(), nullptr));
    m_form->movieList().append(filelist::Row(utf8(a)));
    m_form->movieList().append(filelist::Row(utf8(b)));

    BuildSeen seen;
    seen.form = m_form.get();
    seen.folder = out;
    g_build = &seen;
    SetWindowSubclass(ctl(kIdLvwAudioTracks), listSpy, 1, 0);
    SetTimer(nullptr, 0, 20, answerBuild);
    SendMessageW(ctl(kIdCmdWriteDisc), BM_CLICK, 0, 0);
    pump(*m_form);
    RemoveWindowSubclass(ctl(kIdLvwAudioTracks), listSpy, 1);
    g_build = nullptr;

    EXPECT_EQ(seen.browsers, 1);
    EXPECT_EQ(m_form->outputFolder().path, utf8(out) + "\\");
    EXPECT_TRUE(seen.paintedWhileProcessing);
    EXPECT_TRUE(seen.hourglass);
    EXPECT_EQ(seen.rowsAfterClear, 2u);
    EXPECT_TRUE(seen.secondBuildOpenedNothing);
    EXPECT_EQ(seen.boxText, L"Create ScreenSaver Successful!");
    EXPECT_EQ(seen.progressAtBox, 100);
    EXPECT_EQ(m_form->progress().value(), 100);
    EXPECT_EQ(m_form->movieList().cell(1, filelist::Column::Status), "OK");
    EXPECT_EQ(m_form->movieList().cell(2, filelist::Column::Status), "OK");
    EXPECT_FALSE(m_form->buildRunning());

    auto image = builders::ResourceRuntimeImage(builders::kSaverRuntimeResourceId).fetchImage();
    ASSERT_TRUE(image.ok());
    ASSERT_EQ(image->size(), builders::kSaverHeaderSize);
    const std::string head = image->substr(0, builders::kSaverHeaderSize - 1);
    EXPECT_TRUE(readAll(out + L"\\intro.Scr") == head + movieA + std::string(1, '\0'));
    EXPECT_TRUE(readAll(out + L"\\second.Scr") == head + movieB + std::string(1, '\0'));
    // The pointer is the default again, and the list commands work after the run.
    HWND f = m_form->hwnd();
    SendMessageW(f, WM_SETCURSOR, reinterpret_cast<WPARAM>(f), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    m_form->ClearAll_Click();
    EXPECT_EQ(m_form->movieList().count(), 0u);
}

}  // namespace
}  // namespace vfs_test
