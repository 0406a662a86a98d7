// Form1's window, controls, layout, fonts, keyboard order and skin, hosted in-process.

#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/child_windows.h"
#include "app/control_ids.h"
#include "app/form1.h"
#include "app/skin_painter_win32.h"
#include "core/twips.h"
#include "skin/skin_file.h"
#include "form1_fixture_win32.h"

namespace vfs_test {
namespace {

using namespace app;

int dpiX() {
    HDC dc = GetDC(nullptr);
    const int v = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return v;
}

int dpiY() {
    HDC dc = GetDC(nullptr);
    const int v = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return v;
}

// The rectangle of a child relative to its parent's client area.
RECT childRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTW fontOf(HWND hwnd) {
    LOGFONTW lf{};
    HFONT f = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    if (f) GetObjectW(f, sizeof lf, &lf);
    return lf;
}

BOOL CALLBACK countWindow(HWND, LPARAM n) {
    ++*reinterpret_cast<int*>(n);
    return TRUE;
}

struct VisibleCount {
    HWND form;
    HWND tips;
    int n;
};

BOOL CALLBACK countOtherVisible(HWND w, LPARAM p) {
    auto* c = reinterpret_cast<VisibleCount*>(p);
    if (w != c->form && w != c->tips && IsWindowVisible(w)) ++c->n;
    return TRUE;
}

class Form1Window : public Form1Test {};

TEST_F(Form1Window, CaptionClassStylesAndClientSize) {
    open(L"");
    HWND w = m_form->hwnd();
    EXPECT_EQ(windowText(w), L"Vellory Flash Screensaver v1.80");
    EXPECT_EQ(className(w), L"VelloryForm1");
    const LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(IsWindowVisible(w));

    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, core::twipsToPixels(9735, dpiX()));
    EXPECT_EQ(client.bottom, core::twipsToPixels(5385, dpiY()));
    if (dpiX() == 96 && dpiY() == 96) {
        EXPECT_EQ(client.right, 649);
        EXPECT_EQ(client.bottom, 359);
    }
}

TEST_F(Form1Window, CentredOnTheWorkAreaWithTheProgramIcon) {
    open(L"");
    RECT r;
    GetWindowRect(m_form->hwnd(), &r);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2.0, (work.left + work.right) / 2.0, 1.5);
    EXPECT_NEAR((r.top + r.bottom) / 2.0, (work.top + work.bottom) / 2.0, 1.5);

    HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(m_form->hwnd(), GCLP_HICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(icon, LoadIconW(nullptr, IDI_APPLICATION));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXICON));
    EXPECT_GE(bm.bmBitsPixel, 8);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

struct Expected {
    ControlId id;
    const wchar_t* cls;
    int parent;  // 0: the window
    int left, top, width, height;  // twips
    const wchar_t* caption;        // nullptr: not checked (list, player, progress)
};

// clang-format off
const Expected kExpected[] = {
    {kIdFrame3, L"VelloryFrame", 0, 6810, 90, 2865, 2745, L""},
    {kIdShockwaveFlash1, L"VelloryPlayerHost", kIdFrame3, 90, 210, 2715, 2415, nullptr},
    {kIdFrame2, L"VelloryFrame", 0, 60, 4020, 9615, 705, L""},
    {kIdCommand4, L"Button", kIdFrame2, 5460, 180, 1215, 435, L"EXE To SWF"},
    {kIdCommand2, L"Button", kIdFrame2, 1170, 180, 1125, 420, L"Remove File"},
    {kIdCommand1, L"Button", kIdFrame2, 120, 180, 975, 420, L"Add Files"},
    {kIdCommand3, L"Button", kIdFrame2, 4200, 180, 1185, 435, L"SWF To EXE"},
    {kIdCmdWriteDisc, L"Button", kIdFrame2, 2370, 180, 1755, 420, L"Make Saver Now!"},
    {kIdCommand9, L"Button", kIdFrame2, 7320, 180, 975, 420, L"Help"},
    {kIdCommand11, L"Button", kIdFrame2, 8550, 180, 975, 420, L"Exit"},
    {kIdFrame1, L"VelloryFrame", 0, 60, 60, 6645, 4005, L""},
    {kIdProgressCtl1, L"VelloryProgress", kIdFrame1, 120, 3600, 6315, 315, nullptr},
    {kIdLvwAudioTracks, L"SysListView32", kIdFrame1, 120, 180, 6375, 3330, nullptr},
    {kIdCommand17, L"Button", 0, 7110, 2880, 705, 285, L"Play"},
    {kIdCommand16, L"Button", 0, 8490, 2880, 705, 285, L"Stop"},
    {kIdCommand15, L"Button", 0, 7800, 2880, 705, 285, L"Pause"},
    {kIdFrame6, L"VelloryFrame", 0, 60, 4800, 9615, 465, L""},
    {kIdSkinLabel4, L"Static", kIdFrame6, 5670, 180, 3165, 315, nullptr},
    {kIdSkinLabel3, L"Static", kIdFrame6, 900, 180, 4155, 255, L"Visit Our Website: www.brightmoss.example"},
};
// clang-format on

TEST_F(Form1Window, EveryControlHasItsClassContainerPlaceAndCaption) {
    open(L"");
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.id);
        HWND h = ctl(e.id);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GetDlgCtrlID(h), e.id);
        EXPECT_EQ(lstrcmpiW(className(h).c_str(), e.cls), 0) << className(h);
        HWND parent = e.parent ? ctl(static_cast<ControlId>(e.parent)) : m_form->hwnd();
        EXPECT_EQ(GetParent(h), parent);
        EXPECT_TRUE(IsWindowVisible(h));
        const RECT r = childRect(h);
        EXPECT_EQ(r.left, core::twipsToPixels(e.left, dpiX()));
        EXPECT_EQ(r.top, core::twipsToPixels(e.top, dpiY()));
        EXPECT_EQ(r.right - r.left, core::twipsToPixels(e.width, dpiX()));
        EXPECT_EQ(r.bottom - r.top, core::twipsToPixels(e.height, dpiY()));
        if (e.caption) {
            EXPECT_EQ(windowText(h), e.caption);
        }
    }
    // The legal notice is one line with the copyright sign.
    const std::wstring legal = windowText(ctl(kIdSkinLabel4));
    EXPECT_NE(legal.find(L"\u00A9"), std::wstring::npos);
    EXPECT_EQ(legal.find(L'\n'), std::wstring::npos);
    // No other child windows than the table's, the list's header and the player view that
    // fills ShockwaveFlash1's host.
    int children = 0;
    EnumChildWindows(m_form->hwnd(), countWindow, reinterpret_cast<LPARAM>(&children));
    EXPECT_EQ(children, static_cast<int>(std::size(kExpected)) + /* list header */ 1 + /* player view */ 1);
    ASSERT_NE(m_form->previewView(), nullptr);
    RECT host{}, view{};
    GetClientRect(ctl(kIdShockwaveFlash1), &host);
    GetWindowRect(m_form->previewView()->hwnd(), &view);
    MapWindowPoints(nullptr, ctl(kIdShockwaveFlash1), reinterpret_cast<POINT*>(&view), 2);
    EXPECT_TRUE(EqualRect(&host, &view));
}

TEST_F(Form1Window, FontsAreTahomaBoldForTheMainActionAndMsSansSerifForLabels) {
    open(L"");
    const int tahoma9 = -core::pointsToPixels(900, dpiY());
    for (const Expected& e : kExpected) {
        SCOPED_TRACE(e.id);
        const LOGFONTW lf = fontOf(ctl(e.id));
        if (e.id == kIdSkinLabel3 || e.id == kIdSkinLabel4) {
            EXPECT_STREQ(lf.lfFaceName, L"MS Sans Serif");
            EXPECT_EQ(lf.lfHeight, -core::pointsToPixels(825, dpiY()));
            EXPECT_EQ(lf.lfWeight, FW_NORMAL);
        } else {
            EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
            EXPECT_EQ(lf.lfHeight, tahoma9);
            EXPECT_EQ(lf.lfWeight, e.id == kIdCmdWriteDisc ? FW_BOLD : FW_NORMAL);
        }
    }
}

TEST_F(Form1Window, ListViewIsAVirtualReportWithFourColumns) {
    open(L"");
    HWND list = ctl(kIdLvwAudioTracks);
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(style & LVS_OWNERDATA);
    struct Col {
        const wchar_t* title;
        int fmt;
        int twips;
    };
    const Col cols[] = {{L"File Name", LVCFMT_LEFT, 3200},
                        {L"Byte", LVCFMT_CENTER, 1200},
                        {L"Time", LVCFMT_CENTER, 1400},
                        {L"Status", LVCFMT_LEFT, 1440}};
    HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), 4);
    for (int i = 0; i < 4; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW c{};
        c.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        c.pszText = title;
        c.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(list, i, &c));
        EXPECT_STREQ(title, cols[i].title);
        EXPECT_EQ(c.fmt & LVCFMT_JUSTIFYMASK, cols[i].fmt) << i;
        EXPECT_EQ(c.cx, core::twipsToPixels(cols[i].twips, dpiX())) << i;
    }
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST_F(Form1Window, ListShowsTheRowsOfTheMovieList) {
    open(L"");
    filelist::MovieList& rows = m_form->movieList();
    rows.append(filelist::Row("C:\\a.swf", "1", "07-03-2006", ""));
    rows.append(filelist::Row("C:\\\u00e9t\u00e9\\b.swf", "22", "12-25-2010", "OK"));
    HWND list = ctl(kIdLvwAudioTracks);
    ASSERT_EQ(ListView_GetItemCount(list), 2);
    wchar_t text[64] = {};
    ListView_GetItemText(list, 1, 3, text, 64);
    EXPECT_STREQ(text, L"OK");
    ListView_GetItemText(list, 1, 0, text, 64);
    EXPECT_STREQ(text, L"C:\\\u00e9t\u00e9\\b.swf");
    ListView_GetItemText(list, 0, 2, text, 64);
    EXPECT_STREQ(text, L"07-03-2006");
    rows.setCell(1, filelist::Column::Status, "Processing");
    ListView_GetItemText(list, 0, 3, text, 64);
    EXPECT_STREQ(text, L"Processing");
    rows.clear();
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST_F(Form1Window, ToolTipsOfTheTable) {
    open(L"");
    const std::pair<ControlId, const wchar_t*> tips[] = {
        {kIdCommand2, L"Remove selected file"},
        {kIdCommand1, L"Add SWF Files"},
        {kIdCmdWriteDisc, L"Make Screen Saver Now!"},
        {kIdCommand9, L"Help of Vellory Flash Screensaver"},
        {kIdCommand11, L"Exit form Vellory Flash Screensaver"},
        {kIdLvwAudioTracks, L"Double click to play the SWF file"},
    };
    HWND tt = m_form->tooltips();
    ASSERT_NE(tt, nullptr);
    EXPECT_EQ(SendMessageW(tt, TTM_GETTOOLCOUNT, 0, 0), static_cast<LRESULT>(std::size(tips)));
    for (const auto& [id, text] : tips) {
        wchar_t buf[128] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = m_form->hwnd();
        ti.uId = reinterpret_cast<UINT_PTR>(ctl(id));
        ti.lpszText = buf;
        SendMessageW(tt, TTM_GETTEXTW, std::size(buf), reinterpret_cast<LPARAM>(&ti));
        EXPECT_STREQ(buf, text) << id;
    }
}

TEST_F(Form1Window, KeyboardOrderAndFirstFocus) {
    open(L"");
    const ControlId order[] = {kIdCommand15, kIdCommand16, kIdCommand17, kIdLvwAudioTracks,
                               kIdCommand11, kIdCommand9,  kIdCmdWriteDisc, kIdShockwaveFlash1,
                               kIdCommand3,  kIdCommand1,  kIdCommand2,  kIdCommand4};
    ASSERT_EQ(m_form->tabOrder().size(), std::size(order));
    for (std::size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(m_form->tabOrder()[i], ctl(order[i])) << i;

    EXPECT_EQ(GetFocus(), ctl(kIdCommand15));
    // Tab walks the order and wraps around; Shift+Tab walks back.
    for (std::size_t i = 1; i <= std::size(order); ++i) {
        EXPECT_TRUE(pressKey(*m_form, GetFocus(), VK_TAB));
        EXPECT_EQ(GetFocus(), ctl(order[i % std::size(order)])) << "after " << i << " tabs";
    }
    EXPECT_TRUE(pressKey(*m_form, GetFocus(), VK_TAB, kShift));
    EXPECT_EQ(GetFocus(), ctl(kIdCommand4));
    EXPECT_TRUE(pressKey(*m_form, GetFocus(), VK_TAB, kShift));
    EXPECT_EQ(GetFocus(), ctl(kIdCommand2));
}

TEST_F(Form1Window, EnterRightAfterStartRunsPause) {
    open(L"");
    EXPECT_TRUE(pressKey(*m_form, GetFocus(), VK_RETURN));
    pump(*m_form);
    EXPECT_EQ(m_trace.lines(), std::vector<std::string>{"Command15_Click"});
    // On the list, Enter is the list's own key.
    SetFocus(ctl(kIdLvwAudioTracks));
    m_trace.clear();
    EXPECT_FALSE(pressKey(*m_form, GetFocus(), VK_RETURN));
    EXPECT_TRUE(m_trace.lines().empty());
}

TEST_F(Form1Window, ProgressBarClampsToAPercentage) {
    open(L"");
    ProgressCtl p = m_form->progress();
    EXPECT_EQ(p.value(), 0);
    p.setValue(42);
    EXPECT_EQ(p.value(), 42);
    EXPECT_EQ(windowText(p.hwnd()), L"42%");  // the text it shows, for screen readers and drivers
    p.setValue(150);
    EXPECT_EQ(p.value(), 100);
    EXPECT_EQ(windowText(p.hwnd()), L"100%");
    wchar_t small[3] = {L'x', L'x', L'x'};
    EXPECT_EQ(SendMessageW(p.hwnd(), WM_GETTEXT, 3, reinterpret_cast<LPARAM>(small)), 2);
    EXPECT_STREQ(small, L"10");
    p.setValue(-5);
    EXPECT_EQ(p.value(), 0);
}

TEST_F(Form1Window, ProgressBarRunsFromRedToBlue) {
    open(L"");
    ProgressCtl p = m_form->progress();
    p.setValue(100);
    UpdateWindow(p.hwnd());
    RECT rc;
    GetClientRect(p.hwnd(), &rc);
    HDC dc = GetDC(p.hwnd());
    const COLORREF left = GetPixel(dc, 2, 2);
    const COLORREF right = GetPixel(dc, rc.right - 3, 2);
    p.setValue(0);
    UpdateWindow(p.hwnd());
    const COLORREF empty = GetPixel(dc, 2, 2);
    ReleaseDC(p.hwnd(), dc);
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 60);
    EXPECT_GT(GetBValue(right), 200);
    EXPECT_LT(GetRValue(right), 60);
    EXPECT_EQ(empty, GetSysColor(COLOR_WINDOW));
}

// Skins.

bool isOwnerDrawn(HWND button) {
    return (GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK) == BS_OWNERDRAW;
}

// No window of this thread other than the form and its tool tips is visible.
int otherVisibleWindows(HWND form, HWND tips) {
    VisibleCount ctx{form, tips, 0};
    EnumThreadWindows(GetCurrentThreadId(), countOtherVisible, reinterpret_cast<LPARAM>(&ctx));
    return ctx.n;
}

TEST_F(Form1Window, ShippedSkinIsApplied) {
    open(sourcePath("resources/skins/frmmain.skn"));
    EXPECT_TRUE(m_form->skinApplied());
    EXPECT_TRUE(isOwnerDrawn(ctl(kIdCommand1)));
    EXPECT_TRUE(isOwnerDrawn(ctl(kIdCommand15)));
    auto shipped = skin::loadSkinFile(std::filesystem::path(sourcePath("resources/skins/frmmain.skn")));
    ASSERT_TRUE(shipped.ok());
    const skin::Colour bg = shipped->list.background;
    EXPECT_EQ(ListView_GetBkColor(ctl(kIdLvwAudioTracks)), RGB(bg.r, bg.g, bg.b));
    // Skinned buttons still click.
    SendMessageW(ctl(kIdCommand17), BM_CLICK, 0, 0);
    pump(*m_form);
    EXPECT_EQ(m_trace.lines(), std::vector<std::string>{"Command17_Click"});
}

TEST_F(Form1Window, SkinPathWithADoubledBackslashWorks) {
    const std::string text = "[skin]\nformat = 1\n[window]\nbackground = #102030\ntext = #ffffff\n"
                             "[frame]\nbackground = #203040\nborder = #405060\n"
                             "[button]\nface = #6080a0\ntext = #ffffff\nborder = #8090a0\n"
                             "[list]\nbackground = #010203\ntext = #e0e0e0\nheader_face = #303030\n"
                             "header_text = #c8d2dc\n[window]\nimage = missing.bmp\n";
    m_dir.write(L"skins\\frmmain.skn", text);
    // As at a drive root: "<folder>\" + "\skins\frmmain.skn".
    open(m_dir.path() + L"\\\\skins\\frmmain.skn");
    EXPECT_TRUE(m_form->skinApplied());  // a missing bitmap only drops the picture
    EXPECT_EQ(ListView_GetBkColor(ctl(kIdLvwAudioTracks)), RGB(1, 2, 3));
}

struct BrokenSkin {
    const char* name;
    const char* bytes;  // nullptr: no file at all; "<dir>": a folder in its place
    std::size_t size;
};

class Form1BrokenSkin : public Form1Test, public ::testing::WithParamInterface<BrokenSkin> {};

TEST_P(Form1BrokenSkin, LeavesAPlainWorkingWindowAndNoMessage) {
    const BrokenSkin& b = GetParam();
    const std::wstring path = m_dir.path() + L"\\skins\\frmmain.skn";
    if (b.bytes && std::string(b.bytes) == "<dir>") {
        std::filesystem::create_directories(std::filesystem::path(path));
    } else if (b.bytes) {
        m_dir.write(L"skins\\frmmain.skn", std::string(b.bytes, b.size));
    }
    open(path);
    EXPECT_FALSE(m_form->skinApplied());
    EXPECT_TRUE(IsWindowVisible(m_form->hwnd()));
    EXPECT_FALSE(isOwnerDrawn(ctl(kIdCommand1)));
    EXPECT_EQ(otherVisibleWindows(m_form->hwnd(), m_form->tooltips()), 0);
    EXPECT_EQ(GetFocus(), ctl(kIdCommand15));
    DialogCanceller canceller(m_form->hwnd());  // Add Files asks for files
    SendMessageW(ctl(kIdCommand1), BM_CLICK, 0, 0);
    pump(*m_form);
    EXPECT_EQ(m_trace.lines(), std::vector<std::string>{"Command1_Click"});
}

INSTANTIATE_TEST_SUITE_P(Cases, Form1BrokenSkin,
                         ::testing::Values(BrokenSkin{"missing", nullptr, 0}, BrokenSkin{"folder", "<dir>", 5},
                                           BrokenSkin{"empty", "", 0},
                                           BrokenSkin{"garbage", "this is no skin\n", 16},
                                           BrokenSkin{"binary", "\x00\xff\x13\x37MZ\x90", 8},
                                           BrokenSkin{"cut short", "[skin]\nformat = 1\n[wind", 23}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n) c = c == ' ' ? '_' : c;
                             return n;
                         });

}  // namespace
}  // namespace vfs_test

namespace vfs_test {
namespace {

// What the skin painter puts on screen, read back pixel by pixel.
class Form1SkinPixels : public Form1Test {
protected:
    void SetUp() override {
        auto parsed = skin::loadSkinFile(std::filesystem::path(sourcePath("resources/skins/frmmain.skn")));
        ASSERT_TRUE(parsed.ok());
        m_skin = *parsed;
        open(sourcePath("resources/skins/frmmain.skn"));
        ASSERT_TRUE(m_form->skinApplied());
    }
    static COLORREF ref(skin::Colour c) { return RGB(c.r, c.g, c.b); }
    static COLORREF pixel(HWND hwnd, int x, int y) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetDC(hwnd);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }
    // A point of a button's face above its caption.
    static COLORREF face(HWND button) {
        RECT rc;
        GetClientRect(button, &rc);
        return pixel(button, rc.right / 2, 3);
    }
    skin::Skin m_skin;
};

TEST_F(Form1SkinPixels, ButtonStates) {
    const skin::ButtonStyle& b = m_skin.button;
    EXPECT_EQ(face(ctl(kIdCommand1)), ref(b.face));
    EXPECT_EQ(face(ctl(kIdCmdWriteDisc)), ref(b.accentFace));

    SendMessageW(ctl(kIdCommand1), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(face(ctl(kIdCommand1)), ref(b.faceHot));
    SendMessageW(ctl(kIdCommand2), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(face(ctl(kIdCommand1)), ref(b.face)) << "only one button is hot";

    SendMessageW(ctl(kIdCommand3), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(face(ctl(kIdCommand3)), ref(b.facePressed));
    SendMessageW(ctl(kIdCommand3), BM_SETSTATE, FALSE, 0);

    EnableWindow(ctl(kIdCommand4), FALSE);
    EXPECT_EQ(face(ctl(kIdCommand4)), ref(b.faceDisabled));
    EnableWindow(ctl(kIdCommand4), TRUE);

    // The focused button ("Pause" at start) wears the focus ring.
    RECT rc;
    GetClientRect(ctl(kIdCommand15), &rc);
    EXPECT_EQ(pixel(ctl(kIdCommand15), rc.right / 2, 1), ref(b.focus));
    GetClientRect(ctl(kIdCommand16), &rc);
    EXPECT_NE(pixel(ctl(kIdCommand16), rc.right / 2, 1), ref(b.focus));
}

TEST_F(Form1SkinPixels, BackgroundFramesListAndPlayer) {
    ASSERT_TRUE(m_skin.window.backgroundEnd.has_value());
    RECT client;
    GetClientRect(m_form->hwnd(), &client);
    for (int y : {0, static_cast<int>(client.bottom) / 2, static_cast<int>(client.bottom) - 1}) {
        const int pct = MulDiv(y, 100, client.bottom - 1);
        EXPECT_EQ(pixel(m_form->hwnd(), 1, y), ref(skin::mix(m_skin.window.background, *m_skin.window.backgroundEnd, pct)))
            << "row " << y;
    }
    RECT frame;
    GetClientRect(ctl(kIdFrame2), &frame);
    // Between "EXE To SWF" and "Help".
    EXPECT_EQ(pixel(ctl(kIdFrame2), core::twipsToPixels(7000, dpiX()), frame.bottom / 2), ref(m_skin.frame.background));

    HWND header = ListView_GetHeader(ctl(kIdLvwAudioTracks));
    EXPECT_EQ(pixel(header, 3, 2), ref(m_skin.list.headerFace));

    // The player view covers ShockwaveFlash1's host; with no movie it shows the host's colour.
    ASSERT_NE(m_form->previewView(), nullptr);
    HWND view = m_form->previewView()->hwnd();
    EXPECT_EQ(GetParent(view), ctl(kIdShockwaveFlash1));
    RECT player;
    GetClientRect(view, &player);
    EXPECT_EQ(pixel(view, player.right / 2, player.bottom / 2), ref(m_skin.list.background));
}

}  // namespace
}  // namespace vfs_test
