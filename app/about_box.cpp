// The About box, built from an in-memory dialog template so that it needs no resources.

#include "app/about_box.h"

#include <commctrl.h>

#include <vector>

#include "app/control_ids.h"
#include "app/gdi.h"
#include "app/skin_painter_win32.h"

namespace app {
namespace {

struct AboutState {
    HINSTANCE instance;
    std::wstring skinPath;
    SkinPainter painter;  // lives until the dialog is gone
};

// Pixel layout at 96 dpi, scaled to the screen.
struct Item {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
    int x, y, w, h;
};
constexpr int kClientW = 380;
constexpr int kClientH = 140;

void append(std::vector<WORD>& t, const wchar_t* s) {
    do {
        t.push_back(static_cast<WORD>(*s));
    } while (*s++);
}

// DLGTEMPLATE with no items: the dialog creates its controls itself.
std::vector<WORD> buildTemplate() {
    std::vector<WORD> t;
    DLGTEMPLATE head{};
    head.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    head.cdit = 0;
    head.cx = 250;
    head.cy = 90;
    const auto* raw = reinterpret_cast<const WORD*>(&head);
    t.insert(t.end(), raw, raw + sizeof head / sizeof(WORD));
    t.push_back(0);  // no menu
    t.push_back(0);  // the dialog class
    append(t, kAboutCaption);
    t.push_back(9);  // Tahoma 9 pt
    append(t, L"Tahoma");
    return t;
}

void layout(HWND dlg, const AboutState& state) {
    const int dpi = screenDpiY();
    auto px = [dpi](int v) { return MulDiv(v, dpi, 96); };
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
    const Item items[] = {
        {kIdAboutIcon, WC_STATICW, L"", SS_ICON, 20, 20, 32, 32},
        {kIdAboutThanks, WC_STATICW, kAboutThanks, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 68, 20, 296, 18},
        {kIdAboutVersion, WC_STATICW, kVersionText, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 68, 42, 296, 18},
        {kIdAboutCopyright, WC_STATICW, kLegalText, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 68, 64, 296, 18},
        {IDOK, WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, kClientW - 20 - 88, kClientH - 16 - 26, 88, 26},
    };
    for (const Item& it : items) {
        HWND h = CreateWindowExW(0, it.cls, it.text, WS_CHILD | WS_VISIBLE | it.style, px(it.x), px(it.y), px(it.w),
                                 px(it.h), dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(it.id)),
                                 state.instance, nullptr);
        if (h && font) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    HICON icon = static_cast<HICON>(
        LoadImageW(state.instance, MAKEINTRESOURCEW(kIdIconApp), IMAGE_ICON, px(32), px(32), LR_SHARED));
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendDlgItemMessageW(dlg, kIdAboutIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);

    RECT rc{0, 0, px(kClientW), px(kClientH)};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(dlg, GWL_EXSTYLE)));
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    RECT owner{};
    HWND parent = GetWindow(dlg, GW_OWNER);
    if (!parent || !GetWindowRect(parent, &owner)) {
        owner = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    const int x = owner.left + ((owner.right - owner.left) - w) / 2;
    const int y = owner.top + ((owner.bottom - owner.top) - h) / 2;
    SetWindowPos(dlg, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK aboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<AboutState*>(lp);
            layout(dlg, *state);
            // The same two steps as the main window: load the skin file, apply it.
            if (state->painter.load(state->skinPath)) state->painter.apply(dlg);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void showAboutBox(HINSTANCE instance, HWND owner, const std::wstring& skinPath) {
    AboutState state{instance, skinPath, {}};
    const std::vector<WORD> tmpl = buildTemplate();
    DialogBoxIndirectParamW(instance, reinterpret_cast<const DLGTEMPLATE*>(tmpl.data()), owner, aboutProc,
                            reinterpret_cast<LPARAM>(&state));
}

}  // namespace app
