// Skin painter: window subclasses that draw the main window and the About box from a skin.

#include "app/skin_painter_win32.h"

#include <commctrl.h>

#include <string>

#include "app/control_ids.h"
#include "app/progress_ctl.h"
#include "core/twips.h"
#include "skin/skin_file.h"

namespace app {
namespace {

enum SubclassKind : UINT_PTR { kTop = 1, kFrame, kButton, kList, kPlayerHost };

COLORREF ref(skin::Colour c) { return RGB(c.r, c.g, c.b); }

std::wstring className(HWND hwnd) {
    wchar_t buf[64] = {};
    GetClassNameW(hwnd, buf, static_cast<int>(std::size(buf)));
    return buf;
}

bool isFrame(HWND hwnd) { return hwnd && className(hwnd) == kFrameClassName; }

SkinRole roleOf(HWND hwnd) {
    return static_cast<SkinRole>(reinterpret_cast<INT_PTR>(GetPropW(hwnd, kSkinRoleProp)));
}

LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR kind,
                              DWORD_PTR ref) {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, subclassProc, kind);
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    auto* painter = reinterpret_cast<SkinPainter*>(ref);
    bool handled = false;
    const LRESULT r = painter->handle(hwnd, msg, wp, lp, kind, handled);
    return handled ? r : DefSubclassProc(hwnd, msg, wp, lp);
}

HFONT makeFont(const skin::FontSpec& font, bool bold) {
    const std::wstring face(font.face.begin(), font.face.end());  // ASCII, checked by the parser
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : core::kDefaultDpi;
    return CreateFontW(-core::pointsToPixels(font.hundredthsOfPoint, dpi), 0, 0, 0,
                       (font.bold || bold) ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

// Draws into an off-screen bitmap and copies it out at the end.
class Buffered {
public:
    Buffered(HDC target, const RECT& rc) : m_target(target), m_rc(rc) {
        m_mem = CreateCompatibleDC(target);
        m_bmp.reset(CreateCompatibleBitmap(target, rc.right - rc.left, rc.bottom - rc.top));
        if (m_mem && m_bmp) {
            m_old = SelectObject(m_mem, m_bmp.get());
            SetViewportOrgEx(m_mem, -rc.left, -rc.top, nullptr);
        }
    }
    ~Buffered() {
        if (m_mem && m_bmp) {
            SetViewportOrgEx(m_mem, 0, 0, nullptr);
            BitBlt(m_target, m_rc.left, m_rc.top, m_rc.right - m_rc.left, m_rc.bottom - m_rc.top, m_mem, 0, 0,
                   SRCCOPY);
            SelectObject(m_mem, m_old);
        }
        if (m_mem) DeleteDC(m_mem);
    }
    Buffered(const Buffered&) = delete;
    Buffered& operator=(const Buffered&) = delete;
    HDC dc() const { return (m_mem && m_bmp) ? m_mem : m_target; }

private:
    HDC m_target;
    RECT m_rc;
    HDC m_mem = nullptr;
    Bitmap m_bmp;
    HGDIOBJ m_old = nullptr;
};

void roundRect(HDC dc, const RECT& r, COLORREF fill, COLORREF border, int radius) {
    Brush b(CreateSolidBrush(fill));
    Pen p(CreatePen(PS_SOLID, 1, border));
    SelectScope sb(dc, b.get());
    SelectScope sp(dc, p.get());
    if (radius > 0) {
        RoundRect(dc, r.left, r.top, r.right, r.bottom, radius * 2, radius * 2);
    } else {
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}

void outlineRoundRect(HDC dc, const RECT& r, COLORREF colour, int radius) {
    Pen p(CreatePen(PS_SOLID, 1, colour));
    SelectScope sb(dc, GetStockObject(NULL_BRUSH));
    SelectScope sp(dc, p.get());
    if (radius > 0) {
        RoundRect(dc, r.left, r.top, r.right, r.bottom, radius * 2, radius * 2);
    } else {
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
}

void fillSolid(HDC dc, const RECT& r, COLORREF c) {
    Brush b(CreateSolidBrush(c));
    FillRect(dc, &r, b.get());
}

}  // namespace

bool SkinPainter::load(const std::wstring& path) {
    m_skin.reset();
    auto parsed = skin::loadSkinFile(std::filesystem::path(path));
    if (!parsed) return false;
    m_skin = std::move(parsed.value());
    const skin::Skin& s = *m_skin;
    m_windowBrush.reset(CreateSolidBrush(ref(s.window.background)));
    m_frameBrush.reset(CreateSolidBrush(ref(s.frame.background)));
    m_listBrush.reset(CreateSolidBrush(ref(s.list.background)));
    m_image.reset();
    if (!s.window.image.empty()) {
        std::wstring folder = path;
        const std::size_t slash = folder.find_last_of(L"\\/");
        folder = slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
        std::wstring name(s.window.image.begin(), s.window.image.end());
        for (wchar_t& c : name) {
            if (c == L'/') c = L'\\';
        }
        // A bitmap that cannot be loaded leaves the background to the colours.
        m_image.reset(static_cast<HBITMAP>(LoadImageW(nullptr, (folder + name).c_str(), IMAGE_BITMAP, 0, 0,
                                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    }
    m_buttonFont.reset(s.button.font ? makeFont(*s.button.font, false) : nullptr);
    m_labelFont.reset(s.label.font ? makeFont(*s.label.font, false) : nullptr);
    return true;
}

BOOL CALLBACK SkinPainter::enumSkinChild(HWND child, LPARAM self) {
    reinterpret_cast<SkinPainter*>(self)->skinChild(child);
    return TRUE;
}

bool SkinPainter::apply(HWND top) {
    if (!m_skin || !top || !IsWindow(top)) return false;
    m_top = top;
    SetWindowSubclass(top, subclassProc, kTop, reinterpret_cast<DWORD_PTR>(this));
    EnumChildWindows(top, enumSkinChild, reinterpret_cast<LPARAM>(this));
    RedrawWindow(top, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    return true;
}

void SkinPainter::skinChild(HWND child) {
    const skin::Skin& s = *m_skin;
    const std::wstring cls = className(child);
    const auto self = reinterpret_cast<DWORD_PTR>(this);
    if (cls == kFrameClassName) {
        SetWindowSubclass(child, subclassProc, kFrame, self);
    } else if (cls == WC_BUTTONW) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        const LONG_PTR type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            SetWindowLongPtrW(child, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
            SetWindowSubclass(child, subclassProc, kButton, self);
        }
    } else if (cls == WC_LISTVIEWW) {
        ListView_SetBkColor(child, ref(s.list.background));
        ListView_SetTextBkColor(child, ref(s.list.background));
        ListView_SetTextColor(child, ref(s.list.text));
        HWND header = ListView_GetHeader(child);
        const int n = header ? Header_GetItemCount(header) : 0;
        for (int i = 0; i < n; ++i) {
            HDITEMW item{};
            item.mask = HDI_FORMAT;
            if (Header_GetItem(header, i, &item)) {
                item.fmt |= HDF_OWNERDRAW;
                Header_SetItem(header, i, &item);
            }
        }
        SetWindowSubclass(child, subclassProc, kList, self);
        SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    } else if (cls == kPlayerHostClassName) {
        SetWindowSubclass(child, subclassProc, kPlayerHost, self);
    } else if (cls == kProgressClassName) {
        SendMessageW(child, kPmSetTrack, ref(skin::mix(s.button.face, skin::Colour{255, 255, 255}, 78)),
                     ref(s.frame.border));
    } else if (cls == WC_STATICW && m_labelFont && isFrame(GetParent(child))) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_labelFont.get()), TRUE);
    }
}

LRESULT SkinPainter::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR kind, bool& handled) {
    handled = true;
    switch (kind) {
        case kTop:
            switch (msg) {
                case WM_ERASEBKGND: {
                    RECT rc;
                    GetClientRect(hwnd, &rc);
                    paintWindowBackground(reinterpret_cast<HDC>(wp), rc, hwnd);
                    return 1;
                }
                case WM_CTLCOLORSTATIC:
                    return reinterpret_cast<LRESULT>(brushForStatic(reinterpret_cast<HDC>(wp),
                                                                    reinterpret_cast<HWND>(lp)));
                case WM_CTLCOLORBTN:
                    return reinterpret_cast<LRESULT>(isFrame(GetParent(reinterpret_cast<HWND>(lp)))
                                                         ? m_frameBrush.get()
                                                         : m_windowBrush.get());
                case WM_CTLCOLORDLG:
                    return reinterpret_cast<LRESULT>(m_windowBrush.get());
                case WM_DRAWITEM: {
                    const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                    if (di->CtlType == ODT_BUTTON) {
                        paintButton(*di);
                        return TRUE;
                    }
                    break;
                }
                default:
                    break;
            }
            break;
        case kFrame:
            if (msg == WM_ERASEBKGND) return 1;
            if (msg == WM_PAINT) {
                paintFrame(hwnd);
                return 0;
            }
            break;
        case kButton:
            switch (msg) {
                case WM_ERASEBKGND:
                    return 1;
                case WM_LBUTTONDBLCLK:
                    // Owner-drawn buttons would report a double click instead of a second click.
                    return DefSubclassProc(hwnd, WM_LBUTTONDOWN, wp, lp);
                case WM_MOUSEMOVE:
                    if (m_hot != hwnd) {
                        if (m_hot) InvalidateRect(m_hot, nullptr, FALSE);
                        m_hot = hwnd;
                        InvalidateRect(hwnd, nullptr, FALSE);
                        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
                        TrackMouseEvent(&tme);
                    }
                    handled = false;
                    return 0;
                case WM_MOUSELEAVE:
                    if (m_hot == hwnd) {
                        m_hot = nullptr;
                        InvalidateRect(hwnd, nullptr, FALSE);
                    }
                    handled = false;
                    return 0;
                default:
                    break;
            }
            break;
        case kList:
            if (msg == WM_DRAWITEM) {
                const auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
                if (di->CtlType == ODT_HEADER) {
                    paintHeaderItem(*di);
                    return TRUE;
                }
            } else if (msg == WM_NCPAINT) {
                DefSubclassProc(hwnd, msg, wp, lp);
                paintListBorder(hwnd);
                return 0;
            }
            break;
        case kPlayerHost:
            if (msg == WM_ERASEBKGND) return 1;
            if (msg == WM_PAINT) {
                paintPlayerHost(hwnd);
                return 0;
            }
            break;
        default:
            break;
    }
    handled = false;
    return 0;
}

COLORREF SkinPainter::backgroundAt(HWND hwnd, int yInTop) const {
    const skin::WindowStyle& w = m_skin->window;
    if (!w.backgroundEnd) return ref(w.background);
    RECT top;
    GetClientRect(m_top ? m_top : hwnd, &top);
    const int h = top.bottom - top.top;
    const int pct = h > 1 ? MulDiv(yInTop < 0 ? 0 : (yInTop >= h ? h - 1 : yInTop), 100, h - 1) : 0;
    return ref(skin::mix(w.background, *w.backgroundEnd, pct));
}

// Paints the top window's background into rc of hwnd's client area, where hwnd is the top
// window or one of its children; children get the part of the background behind them.
void SkinPainter::paintWindowBackground(HDC dc, const RECT& rc, HWND hwnd) {
    HWND top = hwnd;
    while (top && (GetWindowLongPtrW(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    POINT origin{0, 0};
    MapWindowPoints(hwnd, top, &origin, 1);
    RECT topClient;
    GetClientRect(top, &topClient);
    if (m_image) {
        BITMAP bm{};
        GetObjectW(m_image.get(), sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        if (mem) {
            HGDIOBJ old = SelectObject(mem, m_image.get());
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, -origin.x, -origin.y, topClient.right, topClient.bottom, mem, 0, 0, bm.bmWidth,
                       bm.bmHeight, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
            return;
        }
    }
    const skin::WindowStyle& w = m_skin->window;
    if (!w.backgroundEnd) {
        FillRect(dc, &rc, m_windowBrush.get());
        return;
    }
    const int h = topClient.bottom > 1 ? topClient.bottom : 2;
    int y = rc.top;
    while (y < rc.bottom) {
        const int pct = MulDiv(y + origin.y, 100, h - 1);
        int y2 = y + 1;
        while (y2 < rc.bottom && MulDiv(y2 + origin.y, 100, h - 1) == pct) ++y2;
        RECT band{rc.left, y, rc.right, y2};
        fillSolid(dc, band, ref(skin::mix(w.background, *w.backgroundEnd, pct)));
        y = y2;
    }
}

void SkinPainter::paintFrame(HWND frame) {
    PaintScope ps(frame);
    RECT rc;
    GetClientRect(frame, &rc);
    Buffered buf(ps.dc(), rc);
    paintWindowBackground(buf.dc(), rc, frame);
    roundRect(buf.dc(), rc, ref(m_skin->frame.background), ref(m_skin->frame.border), m_skin->frame.radius);
}

void SkinPainter::paintPlayerHost(HWND host) {
    PaintScope ps(host);
    RECT rc;
    GetClientRect(host, &rc);
    const skin::Skin& s = *m_skin;
    fillSolid(ps.dc(), rc, ref(s.frame.background));
    const bool focused = GetFocus() == host;
    roundRect(ps.dc(), rc, ref(s.list.background), ref(focused ? s.button.focus : s.list.headerBorder),
              s.frame.radius > 2 ? s.frame.radius / 2 : 0);
}

void SkinPainter::paintButton(const DRAWITEMSTRUCT& di) {
    const skin::ButtonStyle& b = m_skin->button;
    HWND btn = di.hwndItem;
    RECT rc = di.rcItem;
    Buffered buf(di.hDC, rc);
    HDC dc = buf.dc();

    HWND parent = GetParent(btn);
    if (isFrame(parent)) {
        FillRect(dc, &rc, m_frameBrush.get());
    } else {
        paintWindowBackground(dc, rc, btn);
    }

    const bool disabled = (di.itemState & ODS_DISABLED) != 0;
    const bool pressed = (di.itemState & ODS_SELECTED) != 0;
    const bool focused = (di.itemState & ODS_FOCUS) != 0;
    const bool hot = m_hot == btn;
    const bool accent = roleOf(btn) == SkinRole::AccentButton;

    skin::Colour face = accent ? b.accentFace : b.face;
    if (disabled) {
        face = b.faceDisabled;
    } else if (pressed) {
        face = accent ? skin::mix(b.accentFace, skin::Colour{0, 0, 0}, 20) : b.facePressed;
    } else if (hot) {
        face = accent ? skin::mix(b.accentFace, skin::Colour{255, 255, 255}, 15) : b.faceHot;
    }
    const skin::Colour border = accent && !disabled ? skin::mix(b.accentFace, b.border, 40) : b.border;
    roundRect(dc, rc, ref(face), ref(focused && !disabled ? b.focus : border), b.radius);
    if (focused && !disabled) {
        RECT inner = rc;
        InflateRect(&inner, -1, -1);
        outlineRoundRect(dc, inner, ref(b.focus), b.radius > 1 ? b.radius - 1 : 0);
    }

    wchar_t text[128] = {};
    GetWindowTextW(btn, text, static_cast<int>(std::size(text)));
    HFONT own = reinterpret_cast<HFONT>(SendMessageW(btn, WM_GETFONT, 0, 0));
    HFONT font = m_buttonFont && !accent ? m_buttonFont.get() : own;
    SelectScope sf(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ref(disabled ? b.textDisabled : (accent ? b.accentText : b.text)));
    RECT textRc = rc;
    if (pressed) OffsetRect(&textRc, 1, 1);
    DrawTextW(dc, text, -1, &textRc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void SkinPainter::paintHeaderItem(const DRAWITEMSTRUCT& di) {
    const skin::ListStyle& l = m_skin->list;
    HWND header = di.hwndItem;
    RECT rc = di.rcItem;
    HDC dc = di.hDC;
    fillSolid(dc, rc, ref(l.headerFace));
    RECT bottom{rc.left, rc.bottom - 1, rc.right, rc.bottom};
    fillSolid(dc, bottom, ref(l.headerBorder));
    RECT right{rc.right - 1, rc.top + 3, rc.right, rc.bottom - 3};
    fillSolid(dc, right, ref(l.headerBorder));

    wchar_t text[128] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    Header_GetItem(header, static_cast<int>(di.itemID), &item);
    UINT align = DT_LEFT;
    if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER) align = DT_CENTER;
    if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT) align = DT_RIGHT;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
    SelectScope sf(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ref(l.headerText));
    RECT textRc = rc;
    InflateRect(&textRc, -6, 0);
    if (di.itemState & ODS_SELECTED) OffsetRect(&textRc, 1, 1);
    DrawTextW(dc, text, -1, &textRc, align | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void SkinPainter::paintListBorder(HWND list) {
    if (!(GetWindowLongPtrW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) return;
    WindowDc dc(list, WindowDc::Area::Window);
    if (!dc.get()) return;
    RECT rc;
    GetWindowRect(list, &rc);
    OffsetRect(&rc, -rc.left, -rc.top);
    Brush outer(CreateSolidBrush(ref(m_skin->list.headerBorder)));
    FrameRect(dc.get(), &rc, outer.get());
    InflateRect(&rc, -1, -1);
    FrameRect(dc.get(), &rc, m_listBrush.get());
}

HBRUSH SkinPainter::brushForStatic(HDC dc, HWND control) {
    const skin::Skin& s = *m_skin;
    SetBkMode(dc, TRANSPARENT);
    if (isFrame(GetParent(control))) {
        SetTextColor(dc, ref(roleOf(control) == SkinRole::LinkLabel ? s.label.link : s.label.text));
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    }
    // A label on the window itself: the background colour behind its middle.
    RECT rc;
    GetWindowRect(control, &rc);
    POINT mid{rc.left, (rc.top + rc.bottom) / 2};
    ScreenToClient(m_top ? m_top : GetParent(control), &mid);
    const COLORREF bg = backgroundAt(control, mid.y);
    SetTextColor(dc, ref(s.window.text));
    SetBkColor(dc, bg);
    SetDCBrushColor(dc, bg);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

}  // namespace app
