// VelloryProgress: a self-drawn percentage bar.

#include "app/progress_ctl.h"

#include <new>
#include <string>

#include "app/control_ids.h"
#include "app/gdi.h"
#include "skin/skin.h"

namespace app {
namespace {

// Stored colours of the control: bar red to blue, text black to white.
constexpr skin::Colour kLineStart{255, 0, 0};
constexpr skin::Colour kLineEnd{0, 0, 255};
constexpr skin::Colour kTextStart{0, 0, 0};
constexpr skin::Colour kTextEnd{255, 255, 255};

struct ProgressState {
    int value = 0;
    COLORREF track = GetSysColor(COLOR_WINDOW);
    COLORREF border = GetSysColor(COLOR_BTNSHADOW);
};

COLORREF toColorRef(skin::Colour c) { return RGB(c.r, c.g, c.b); }

void paint(HWND hwnd, const ProgressState& st) {
    PaintScope ps(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;

    // Draw into a memory bitmap so that the bar does not flicker while a build advances it.
    HDC mem = CreateCompatibleDC(ps.dc());
    Bitmap bmp(CreateCompatibleBitmap(ps.dc(), w, h));
    HDC dc = mem ? mem : ps.dc();
    SelectScope keepBmp(dc, mem ? bmp.get() : nullptr);

    Brush track(CreateSolidBrush(st.track));
    FillRect(dc, &rc, track.get());

    const int innerW = w - 2;
    const int filled = innerW > 0 ? MulDiv(innerW, st.value, 100) : 0;
    for (int x = 0; x < filled; ++x) {
        const int pct = innerW > 1 ? MulDiv(x, 100, innerW - 1) : 0;
        Brush band(CreateSolidBrush(toColorRef(skin::mix(kLineStart, kLineEnd, pct))));
        RECT col{1 + x, 1, 2 + x, h - 1};
        FillRect(dc, &col, band.get());
    }
    Brush border(CreateSolidBrush(st.border));
    FrameRect(dc, &rc, border.get());

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
    SelectScope keepFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, toColorRef(skin::mix(kTextStart, kTextEnd, st.value)));
    const std::wstring text = std::to_wstring(st.value) + L"%";
    DrawTextW(dc, text.c_str(), -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

    if (mem) {
        BitBlt(ps.dc(), 0, 0, w, h, mem, 0, 0, SRCCOPY);
        DeleteDC(mem);
    }
}

LRESULT CALLBACK progressProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* st = reinterpret_cast<ProgressState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE:
            st = new (std::nothrow) ProgressState;
            if (!st) return FALSE;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(st));
            return DefWindowProcW(hwnd, msg, wp, lp);
        case WM_NCDESTROY:
            delete st;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return DefWindowProcW(hwnd, msg, wp, lp);
        case WM_SETFONT:
            SetPropW(hwnd, L"VelloryFont", reinterpret_cast<HANDLE>(wp));
            if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"VelloryFont"));
        case WM_DESTROY:
            RemovePropW(hwnd, L"VelloryFont");
            return 0;
        case kPmSetValue: {
            if (!st) return 0;
            int v = static_cast<int>(wp);
            v = v < 0 ? 0 : (v > 100 ? 100 : v);
            if (v != st->value) {
                st->value = v;
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        }
        case kPmGetValue:
            return st ? st->value : 0;
        case WM_GETTEXTLENGTH:
        case WM_GETTEXT: {
            // The window text is the "NN%" it shows, for screen readers and test drivers.
            const std::wstring text = std::to_wstring(st ? st->value : 0) + L"%";
            if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
            auto* buf = reinterpret_cast<wchar_t*>(lp);
            if (!buf || wp == 0) return 0;
            const std::size_t n = text.size() < wp - 1 ? text.size() : wp - 1;
            text.copy(buf, n);
            buf[n] = L'\0';
            return static_cast<LRESULT>(n);
        }
        case kPmSetTrack:
            if (st) {
                st->track = static_cast<COLORREF>(wp);
                st->border = static_cast<COLORREF>(lp);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            if (st) {
                paint(hwnd, *st);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool registerProgressClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, kProgressClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = progressProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kProgressClassName;
    return RegisterClassExW(&wc) != 0;
}

void ProgressCtl::setValue(int percent) const {
    if (m_hwnd) SendMessageW(m_hwnd, kPmSetValue, static_cast<WPARAM>(percent < 0 ? 0 : percent), 0);
}

int ProgressCtl::value() const {
    return m_hwnd ? static_cast<int>(SendMessageW(m_hwnd, kPmGetValue, 0, 0)) : 0;
}

}  // namespace app
