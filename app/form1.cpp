// Form1: window creation, the control layout, keyboard order and message routing.

#include "app/form1.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/child_windows.h"
#include "app/menu_table.h"
#include "app/trace.h"
#include "core/twips.h"
#include "skin/skin_path.h"

namespace app {
namespace {

// Client area of the window in twips.
constexpr int kClientWidthTwips = 9735;
constexpr int kClientHeightTwips = 5385;

enum class Kind { Frame, Button, PlayerHost, Progress, List, Label };
enum class FontKind { Form, Bold, Label };
constexpr int kNoTab = -1;

struct ControlDef {
    ControlId id;
    Kind kind;
    int container;  // a frame's ControlId, or 0 for the window itself
    core::TwipsRect rect;
    const wchar_t* caption;
    const wchar_t* tip;
    int tabIndex;  // kNoTab: not in the keyboard order
    FontKind font;
};

// The controls in the order the window creates them; positions in twips relative to the
// container's client area.
// clang-format off
constexpr ControlDef kControls[] = {
    {kIdFrame3, Kind::Frame, 0, {6810, 90, 2865, 2745}, L"", nullptr, kNoTab, FontKind::Form},
    {kIdShockwaveFlash1, Kind::PlayerHost, kIdFrame3, {90, 210, 2715, 2415}, L"", nullptr, 11, FontKind::Form},
    {kIdFrame2, Kind::Frame, 0, {60, 4020, 9615, 705}, L"", nullptr, kNoTab, FontKind::Form},
    {kIdCommand4, Kind::Button, kIdFrame2, {5460, 180, 1215, 435}, L"EXE To SWF", nullptr, 20, FontKind::Form},
    {kIdCommand2, Kind::Button, kIdFrame2, {1170, 180, 1125, 420}, L"Remove File", L"Remove selected file", 19, FontKind::Form},
    {kIdCommand1, Kind::Button, kIdFrame2, {120, 180, 975, 420}, L"Add Files", L"Add SWF Files", 18, FontKind::Form},
    {kIdCommand3, Kind::Button, kIdFrame2, {4200, 180, 1185, 435}, L"SWF To EXE", nullptr, 17, FontKind::Form},
    {kIdCmdWriteDisc, Kind::Button, kIdFrame2, {2370, 180, 1755, 420}, L"Make Saver Now!", L"Make Screen Saver Now!", 9, FontKind::Bold},
    {kIdCommand9, Kind::Button, kIdFrame2, {7320, 180, 975, 420}, L"Help", L"Help of Vellory Flash Screensaver", 8, FontKind::Form},
    {kIdCommand11, Kind::Button, kIdFrame2, {8550, 180, 975, 420}, L"Exit", L"Exit form Vellory Flash Screensaver", 7, FontKind::Form},
    {kIdFrame1, Kind::Frame, 0, {60, 60, 6645, 4005}, L"", nullptr, kNoTab, FontKind::Form},
    {kIdProgressCtl1, Kind::Progress, kIdFrame1, {120, 3600, 6315, 315}, L"", nullptr, kNoTab, FontKind::Form},
    {kIdLvwAudioTracks, Kind::List, kIdFrame1, {120, 180, 6375, 3330}, L"", L"Double click to play the SWF file", 5, FontKind::Form},
    {kIdCommand17, Kind::Button, 0, {7110, 2880, 705, 285}, L"Play", nullptr, 3, FontKind::Form},
    {kIdCommand16, Kind::Button, 0, {8490, 2880, 705, 285}, L"Stop", nullptr, 2, FontKind::Form},
    {kIdCommand15, Kind::Button, 0, {7800, 2880, 705, 285}, L"Pause", nullptr, 1, FontKind::Form},
    {kIdFrame6, Kind::Frame, 0, {60, 4800, 9615, 465}, L"", nullptr, kNoTab, FontKind::Form},
    {kIdSkinLabel4, Kind::Label, kIdFrame6, {5670, 180, 3165, 315}, kLegalText, nullptr, kNoTab, FontKind::Label},
    {kIdSkinLabel3, Kind::Label, kIdFrame6, {900, 180, 4155, 255}, kWebsiteText, nullptr, kNoTab, FontKind::Label},
};
// clang-format on

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = 0;

std::size_t slot(int id) { return static_cast<std::size_t>(id - 1000); }

HFONT makeFont(const wchar_t* face, int hundredthsOfPoint, int weight) {
    return CreateFontW(-core::pointsToPixels(hundredthsOfPoint, screenDpiY()), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

bool registerFormClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, kForm1ClassName, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kForm1ClassName;
    const int cx = GetSystemMetrics(SM_CXICON);
    const int cy = GetSystemMetrics(SM_CYICON);
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIdIconApp), IMAGE_ICON, cx, cy, 0));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIdIconApp), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

Form1::Form1(HINSTANCE instance) : m_instance(instance) {}

Form1::~Form1() {
    if (m_hwnd) {
        // The window goes first: its skin subclasses point at m_skin.
        m_options.exitMode = ExitMode::DestroyOnly;
        DestroyWindow(m_hwnd);
    }
    if (m_tooltips) DestroyWindow(m_tooltips);
    if (m_accel) DestroyAcceleratorTable(m_accel);
}

std::wstring Form1::defaultSkinPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return skin::skinFilePath(path);
}

bool Form1::create(const Form1Options& options) {
    m_options = options;
    if (m_options.skinPath.empty()) m_options.skinPath = defaultSkinPath();

    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    if (!registerFormClass(m_instance, wndProc) || !registerChildWindowClasses(m_instance) ||
        !registerProgressClass(m_instance)) {
        return false;
    }

    const int dpiX = screenDpiX();
    const int dpiY = screenDpiY();
    const int clientW = core::twipsToPixels(kClientWidthTwips, dpiX);
    const int clientH = core::twipsToPixels(kClientHeightTwips, dpiY);
    RECT rc{0, 0, clientW, clientH};
    AdjustWindowRectEx(&rc, kFormStyle, TRUE, kFormExStyle);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int x = work.left + ((work.right - work.left) - w) / 2;
    const int y = work.top + ((work.bottom - work.top) - h) / 2;

    m_font.reset(makeFont(L"Tahoma", 900, FW_NORMAL));
    m_boldFont.reset(makeFont(L"Tahoma", 900, FW_BOLD));
    m_labelFont.reset(makeFont(L"MS Sans Serif", 825, FW_NORMAL));

    HMENU menu = buildMenuBar();
    m_accel = buildAccelerators();
    m_hwnd = CreateWindowExW(kFormExStyle, kForm1ClassName, kForm1Caption, kFormStyle, x, y, w, h, nullptr, menu,
                             m_instance, this);
    if (!m_hwnd) {
        if (menu) DestroyMenu(menu);
        return false;
    }
    // A menu bar that wraps or a frame that differs from the estimate: fix the client size.
    RECT client;
    GetClientRect(m_hwnd, &client);
    const int dw = clientW - client.right;
    const int dh = clientH - client.bottom;
    if (dw != 0 || dh != 0) {
        SetWindowPos(m_hwnd, nullptr, x - dw / 2, y - dh / 2, w + dw, h + dh, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Form_Load();
    return true;
}

void Form1::createControls() {
    const int dpiX = screenDpiX();
    const int dpiY = screenDpiY();
    for (const ControlDef& def : kControls) {
        const core::PixelRect px{core::twipsToPixels(def.rect.left, dpiX), core::twipsToPixels(def.rect.top, dpiY),
                                 core::twipsToPixels(def.rect.width, dpiX), core::twipsToPixels(def.rect.height, dpiY)};
        HWND parent = def.container ? m_controls[slot(def.container)] : m_hwnd;
        const wchar_t* cls = nullptr;
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        switch (def.kind) {
            case Kind::Frame:
                cls = kFrameClassName;
                // Frame6 holds only the two labels, which reach into its border and draw
                // transparently over it; the other frames keep their children out of their paint.
                if (def.id != kIdFrame6) style |= WS_CLIPCHILDREN;
                exStyle = WS_EX_CONTROLPARENT;
                break;
            case Kind::Button:
                cls = WC_BUTTONW;
                style |= WS_TABSTOP | BS_PUSHBUTTON;
                break;
            case Kind::PlayerHost:
                cls = kPlayerHostClassName;
                // The player view covers the host; the host's own paint stays out of it.
                style |= WS_TABSTOP | WS_CLIPCHILDREN;
                break;
            case Kind::Progress:
                cls = kProgressClassName;
                break;
            case Kind::List:
                break;  // the movie list's own view, made below
            case Kind::Label:
                cls = WC_STATICW;
                style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
                break;
        }
        HWND hwnd = nullptr;
        if (def.kind == Kind::List) {
            // lvwAudioTracks: a virtual report list over m_list (four columns, Tahoma 9 pt).
            const RECT bounds{px.left, px.top, px.left + px.width, px.top + px.height};
            if (m_view.create(parent, def.id, bounds)) hwnd = m_view.hwnd();
        } else {
            hwnd = CreateWindowExW(exStyle, cls, def.caption, style, px.left, px.top, px.width, px.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(def.id)), m_instance, nullptr);
        }
        m_controls[slot(def.id)] = hwnd;
        if (!hwnd) continue;
        HFONT font = def.font == FontKind::Bold ? m_boldFont.get()
                     : def.font == FontKind::Label ? m_labelFont.get()
                                                   : m_font.get();
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    // ShockwaveFlash1: the player view fills its host.
    m_previewPlayer.create(m_controls[slot(kIdShockwaveFlash1)]);

    if (HWND accent = m_controls[slot(kIdCmdWriteDisc)]) {
        SetPropW(accent, kSkinRoleProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(SkinRole::AccentButton)));
    }
    if (HWND link = m_controls[slot(kIdSkinLabel3)]) {
        SetPropW(link, kSkinRoleProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(SkinRole::LinkLabel)));
    }

    // The keyboard order: by tab index, lowest first.
    std::vector<const ControlDef*> ordered;
    for (const ControlDef& def : kControls) {
        if (def.tabIndex != kNoTab) ordered.push_back(&def);
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const ControlDef* a, const ControlDef* b) { return a->tabIndex < b->tabIndex; });
    m_tabOrder.clear();
    for (const ControlDef* def : ordered) {
        if (HWND h = m_controls[slot(def->id)]) m_tabOrder.push_back(h);
    }

    m_tooltips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                 m_instance, nullptr);
    if (m_tooltips) {
        for (const ControlDef& def : kControls) {
            if (def.tip) addTooltip(m_controls[slot(def.id)], def.tip);
        }
    }
}

void Form1::addTooltip(HWND control, const wchar_t* text) {
    if (!control) return;
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = m_hwnd;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(m_tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

HWND Form1::control(ControlId id) const {
    const int i = static_cast<int>(id) - 1000;
    if (i < 0 || i >= static_cast<int>(m_controls.size())) return nullptr;
    return m_controls[static_cast<std::size_t>(i)];
}

void Form1::Form_Load() {
    traceHandler("Form_Load");
    // Idle state: the list and "Make Saver Now!" enabled, the default mouse pointer.
    EnableWindow(control(kIdLvwAudioTracks), TRUE);
    EnableWindow(control(kIdCmdWriteDisc), TRUE);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    // Skin1: load the skin file, then apply it to the window. Failure keeps the plain look.
    m_skinApplied = m_skin.load(m_options.skinPath) && m_skin.apply(m_hwnd);
    // The empty player area takes the colour the skin gives the player's host.
    if (m_skinApplied && m_skin.skin()) {
        const skin::Colour c = m_skin.skin()->list.background;
        m_previewPlayer.setBlank(RGB(c.r, c.g, c.b));
    }
    ShowWindow(m_hwnd, m_options.showCommand);
    UpdateWindow(m_hwnd);
    focusControl(control(kIdCommand15));
}

void Form1::Form_Unload() {
    traceHandler("Form_Unload");
    // Nothing is asked and nothing is saved.
    if (m_hwnd) DestroyWindow(m_hwnd);
}

void Form1::unloadWindow() {
    if (m_hwnd) SendMessageW(m_hwnd, WM_CLOSE, 0, 0);
}

void Form1::focusControl(HWND control) {
    if (!control || !m_hwnd) return;
    SetFocus(control);
    m_lastFocus = control;
    // Keyboard users see where the focus is.
    SendMessageW(m_hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void Form1::moveFocus(int step) {
    const int n = static_cast<int>(m_tabOrder.size());
    if (n == 0) return;
    HWND focus = GetFocus();
    int current = -1;
    for (int i = 0; i < n; ++i) {
        if (m_tabOrder[i] == focus || IsChild(m_tabOrder[i], focus)) {
            current = i;
            break;
        }
    }
    if (current < 0) current = step > 0 ? n - 1 : 0;
    for (int k = 1; k <= n; ++k) {
        HWND next = m_tabOrder[static_cast<std::size_t>(((current + step * k) % n + n) % n)];
        if (IsWindowEnabled(next) && IsWindowVisible(next)) {
            focusControl(next);
            return;
        }
    }
}

bool Form1::preTranslateMessage(MSG& msg) {
    if (!m_hwnd || !msg.hwnd || (msg.hwnd != m_hwnd && !IsChild(m_hwnd, msg.hwnd))) return false;
    if (m_accel && TranslateAcceleratorW(m_hwnd, m_accel, &msg)) return true;
    if (msg.message != WM_KEYDOWN) return false;
    const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    if (msg.wParam == VK_TAB && !ctrl && !alt) {
        moveFocus((GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1);
        return true;
    }
    if (msg.wParam == VK_RETURN && !ctrl && !alt) {
        HWND focus = GetFocus();
        wchar_t cls[32] = {};
        if (focus && IsChild(m_hwnd, focus) && GetClassNameW(focus, cls, 32) && lstrcmpiW(cls, WC_BUTTONW) == 0) {
            const int id = GetDlgCtrlID(focus);
            SendMessageW(GetParent(focus), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(focus));
            return true;
        }
    }
    return false;
}

int Form1::runMessageLoop() {
    MSG msg{};
    for (;;) {
        const BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r == 0 || r == -1) break;
        if (!preTranslateMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

std::optional<std::size_t> Form1::selectedRow() const { return m_view.selectedRow(); }

void Form1::setProgressRange(int, int) {
    // ProgressCtl1 always runs from 0 to 100; the builders set percentages.
}

void Form1::setProgress(int value) { progress().setValue(value); }

void Form1::processPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The window was closed in the middle of a command. The program ends at once, as
            // closing always does: commands let messages through only between files, so
            // nothing is left half-written. A window hosted by a test leaves the request to
            // its own loop.
            if (m_options.exitMode == ExitMode::QuitMessageLoop)
                ExitProcess(static_cast<UINT>(msg.wParam));
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!preTranslateMessage(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

LRESULT CALLBACK Form1::wndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form1* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) {
            self->m_hwnd = hwnd;
            self->setOwner(hwnd);  // message boxes and dialogs are modal to the window
        }
    }
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    // No exception may leave a window procedure: the system frames in between cannot unwind.
    try {
        return self->handleMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT Form1::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = m_hwnd;
    switch (msg) {
        case WM_CREATE:
            createControls();
            return 0;
        case WM_COMMAND:
            onCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_NOTIFY:
            return onNotify(*reinterpret_cast<const NMHDR*>(lp));
        case WM_CTLCOLORSTATIC:
            // Labels in frames show the frame behind them (plain look; a skin answers first).
            if (GetParent(reinterpret_cast<HWND>(lp)) != hwnd) {
                SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
                SetTextColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNTEXT));
                return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
            }
            return DefWindowProcW(hwnd, msg, wp, lp);
        case WM_SETCURSOR:
            // The hourglass stays on over the window while a command has set it.
            if (applyPointer()) return TRUE;
            return DefWindowProcW(hwnd, msg, wp, lp);
        case WM_SETFOCUS:
            focusControl(m_lastFocus ? m_lastFocus : control(kIdCommand15));
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd, focus)) m_lastFocus = focus;
            }
            return DefWindowProcW(hwnd, msg, wp, lp);
        case WM_CLOSE:
            Form_Unload();
            return 0;
        case WM_DESTROY:
            if (m_options.exitMode == ExitMode::QuitMessageLoop) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            m_hwnd = nullptr;
            m_controls.fill(nullptr);
            m_tabOrder.clear();
            m_lastFocus = nullptr;
            m_tooltips = nullptr;  // owned by the window, gone with it
            setOwner(nullptr);
            return DefWindowProcW(hwnd, msg, wp, lp);
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void Form1::onCommand(WORD id, WORD code, HWND control) {
    if (!control) {
        // A menu item (code 0) or its shortcut key (code 1).
        runCommand(static_cast<Cmd>(id));
    } else if (code == BN_CLICKED) {
        runButton(static_cast<ControlId>(id));
    }
}

LRESULT Form1::onNotify(const NMHDR& hdr) {
    if (hdr.idFrom != kIdLvwAudioTracks) return 0;
    LRESULT result = 0;
    if (m_view.handleNotify(&hdr, result)) return result;
    if (hdr.code == NM_DBLCLK) lvwAudioTracks_DblClick();
    return 0;
}

}  // namespace app
