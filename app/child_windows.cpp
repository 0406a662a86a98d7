// The frame: paints its background and an etched border (the plain look) and forwards its
// children's notifications. The player host: an empty, focusable window the preview player
// draws into.

#include "app/child_windows.h"

#include "app/control_ids.h"
#include "app/gdi.h"

namespace app {
namespace {

constexpr wchar_t kFontProp[] = L"VelloryFont";

// WM_SETFONT / WM_GETFONT for classes that keep a font only to hand it out; true if handled.
bool fontMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_SETFONT:
            SetPropW(hwnd, kFontProp, reinterpret_cast<HANDLE>(wp));
            if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, TRUE);
            result = 0;
            return true;
        case WM_GETFONT:
            result = reinterpret_cast<LRESULT>(GetPropW(hwnd, kFontProp));
            return true;
        case WM_NCDESTROY:
            RemovePropW(hwnd, kFontProp);
            result = DefWindowProcW(hwnd, msg, wp, lp);
            return true;
        default:
            return false;
    }
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT fontResult = 0;
    if (fontMessage(hwnd, msg, wp, lp, fontResult)) return fontResult;
    if (isForwardedToParent(msg)) {
        HWND parent = GetParent(hwnd);
        if (parent) {
            const LRESULT r = SendMessageW(parent, msg, wp, lp);
            const bool colourMsg = msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
            if (r != 0 || !colourMsg) return r;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(paint.dc(), &rc, GetSysColorBrush(COLOR_BTNFACE));
            // A captionless frame keeps the top line where a caption's middle would be.
            const int top = MulDiv(90, screenDpiY(), 1440);
            RECT edge = rc;
            edge.top += top;
            DrawEdge(paint.dc(), &edge, EDGE_ETCHED, BF_RECT);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK playerHostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT fontResult = 0;
    if (fontMessage(hwnd, msg, wp, lp, fontResult)) return fontResult;
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PaintScope paint(hwnd);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(paint.dc(), &rc, GetSysColorBrush(COLOR_WINDOW));
            if (GetFocus() == hwnd) {
                InflateRect(&rc, -2, -2);
                DrawFocusRect(paint.dc(), &rc);
            }
            return 0;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetFocus(hwnd);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

bool registerClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, name, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

bool isForwardedToParent(UINT msg) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return true;
        default:
            return false;
    }
}

bool registerChildWindowClasses(HINSTANCE instance) {
    return registerClass(instance, kFrameClassName, frameProc) &&
           registerClass(instance, kPlayerHostClassName, playerHostProc);
}

}  // namespace app
