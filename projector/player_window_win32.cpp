#include "projector/player_window_win32.h"

#include <shellapi.h>

#include <string>

namespace projector {

namespace {

// A window that is too small to show anything, or larger than the work area, is brought within
// these bounds; the movie is fitted ShowAll inside whatever client area results.
constexpr int kMinClient = 32;

RECT workArea() {
    RECT r {0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// Opens a web address a script navigates to in the default browser. The engine hands over only
// http and https addresses, at most one a second.
void openInBrowser(const std::string& url) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, url.data(), static_cast<int>(url.size()), nullptr, 0);
    if (n <= 0) return;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, url.data(), static_cast<int>(url.size()), wide.data(), n);
    ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

PlayerWindow::~PlayerWindow() {
    m_view.reset();
    if (m_hwnd) {
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hwnd);
    }
}

bool PlayerWindow::create(HINSTANCE instance, const std::wstring& caption,
                          std::span<const std::uint8_t> movie) {
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &PlayerWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    m_hwnd = CreateWindowExW(0, kClassName, caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             CW_USEDEFAULT, CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, this);
    if (!m_hwnd) return false;

    RECT client {};
    GetClientRect(m_hwnd, &client);
    platform::PlayerViewSettings settings;
    settings.loop = true;
    settings.menu = true;
    settings.playOnLoad = true;
    settings.quality = player::Quality::High;
    settings.sound = true;
    settings.openUrl = openInBrowser;
    m_view = platform::PlayerView::create(m_hwnd, 0, 0, client.right, client.bottom, settings);
    if (!m_view) return false;

    if (m_view->loadBytes(movie) && m_view->player()) {
        fitToStage(m_view->player()->stageWidth(), m_view->player()->stageHeight());
    }
    return true;
}

void PlayerWindow::fitToStage(int width, int height) {
    const RECT area = workArea();
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(m_hwnd, GWL_STYLE));
    RECT frame {0, 0, width < kMinClient ? kMinClient : width, height < kMinClient ? kMinClient : height};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    int w = frame.right - frame.left;
    int h = frame.bottom - frame.top;
    const int areaW = area.right - area.left;
    const int areaH = area.bottom - area.top;
    if (w > areaW) w = areaW;
    if (h > areaH) h = areaH;
    // Centred in the work area.
    const int x = area.left + (areaW - w) / 2;
    const int y = area.top + (areaH - h) / 2;
    SetWindowPos(m_hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlayerWindow::show(int showCommand) {
    ShowWindow(m_hwnd, showCommand);
    UpdateWindow(m_hwnd);
    if (m_view) SetFocus(m_view->hwnd());
}

int PlayerWindow::runMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK PlayerWindow::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* creating = static_cast<PlayerWindow*>(cs->lpCreateParams);
        creating->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creating));
    }
    auto* self = reinterpret_cast<PlayerWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->handle(msg, wParam, lParam);
}

LRESULT PlayerWindow::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (m_view) MoveWindow(m_view->hwnd(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (m_view) SetFocus(m_view->hwnd());
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the view covers the whole client area
    case WM_DESTROY:
        m_hwnd = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

}  // namespace projector
