#include "saver_runtime/form1_win32.h"

#include <psapi.h>

#include "saver_runtime/command_line.h"
#include "saver_runtime/hot_key_win32.h"
#include "saver_runtime/runtime_files_win32.h"
#include "saver_runtime/screen_layout.h"
#include "saver_runtime/system_mute_win32.h"

namespace saver_runtime {
namespace {

constexpr wchar_t kFormClass[] = L"VellorySaverForm1";
constexpr wchar_t kMovieAreaClass[] = L"VellorySaverMovieArea";
constexpr wchar_t kFormTitle[] = L"VellorySaver";
constexpr UINT_PTR kTimer2Id = 2;

// Test builds of the e2e suite read what start-up did from a trace file named by VFS_TRACE;
// without the variable nothing is written.
void trace(const char* line) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"VFS_TRACE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD put = 0;
    WriteFile(f, line, static_cast<DWORD>(lstrlenA(line)), &put, nullptr);
    WriteFile(f, "\r\n", 2, &put, nullptr);
    CloseHandle(f);
}

void traceNumber(const char* what, long value) {
    char line[96];
    wsprintfA(line, "%s %ld", what, value);
    trace(line);
}

// Milliseconds since the process was created; -1 when the system cannot tell.
long msSinceProcessStart() {
    FILETIME created {}, exited {}, kernel {}, user {}, current {};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    GetSystemTimeAsFileTime(&current);
    ULARGE_INTEGER a {}, b {};
    a.LowPart = created.dwLowDateTime;
    a.HighPart = created.dwHighDateTime;
    b.LowPart = current.dwLowDateTime;
    b.HighPart = current.dwHighDateTime;
    return static_cast<long>((b.QuadPart - a.QuadPart) / 10000);
}

// Start-up figures for the trace: milliseconds since the process was created and since run()
// began, and the peak memory so far.
void traceStartUpFigures(LARGE_INTEGER runStart) {
    if (GetEnvironmentVariableW(L"VFS_TRACE", nullptr, 0) == 0) return;
    LARGE_INTEGER now {}, frequency {};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    if (frequency.QuadPart > 0) {
        traceNumber("startup_ms",
                    static_cast<long>((now.QuadPart - runStart.QuadPart) * 1000 / frequency.QuadPart));
    }
    traceNumber("since_process_start_ms", msSinceProcessStart());
    PROCESS_MEMORY_COUNTERS counters {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        traceNumber("peak_working_set_kb", static_cast<long>(counters.PeakWorkingSetSize / 1024));
        traceNumber("peak_private_kb", static_cast<long>(counters.PeakPagefileUsage / 1024));
    }
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int Form1::run(HINSTANCE instance) {
    // Step 1: a preview request ends the program before anything is shown or written.
    if (isPreviewRequest(commandArguments(GetCommandLineW()))) return 0;
    LARGE_INTEGER runStart {};
    QueryPerformanceCounter(&runStart);

    SetProcessDPIAware();
    if (!createWindows(instance)) {
        // Without a window there is nothing to show and nothing to end it: stop quietly.
        return 0;
    }
    // Step 2: maximized, over everything.
    ShowWindow(m_hwnd, SW_SHOWMAXIMIZED);
    // Step 3: the cursor hidden.
    traceNumber("ShowCursor", ShowCursor(FALSE));
    // Steps 4 to 7: the own file copied and its movie extracted in the temporary folder.
    Win32RuntimeFiles files;
    m_extraction = extractMovie(files, ownModulePath(), temporaryFolder());
    traceNumber("copy", m_extraction.copyWritten ? 1 : 0);
    traceNumber("movie", m_extraction.movieWritten ? static_cast<long>(m_extraction.movieLength) : -1);
    traceNumber("extracted", msSinceProcessStart());
    // Steps 8 and 9: the label across the top, the movie area below it.
    placeControls();
    UpdateWindow(m_hwnd);
    // Step 10: the movie area hosts the player view, which loads the extracted movie with
    // ShowAll, no menu and no looping, draws its first frame and plays it.
    showMovie();
    // Step 11: the keyboard hook of this thread.
    traceNumber("hook", HotKey::installHook() ? 1 : 0);
    // Step 12: where the cursor stands now; any move from here ends the saver.
    POINT p {};
    if (GetCursorPos(&p)) {
        m_startCursorPos = CursorPos{p.x, p.y};
        m_haveStartCursorPos = true;
    }
    SetForegroundWindow(m_hwnd);
    SetFocus(m_hwnd);
    traceStartUpFigures(runStart);
    trace("ready");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    closeRoutine();
}

bool Form1::createWindows(HINSTANCE instance) {
    WNDCLASSEXW wc {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form1::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kFormClass;
    if (!RegisterClassExW(&wc)) return false;

    WNDCLASSEXW area {};
    area.cbSize = sizeof area;
    area.lpfnWndProc = &Form1::movieAreaProc;
    area.hInstance = instance;
    area.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    area.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    area.lpszClassName = kMovieAreaClass;
    RegisterClassExW(&area);

    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    m_hwnd = CreateWindowExW(WS_EX_TOPMOST, kFormClass, kFormTitle, WS_POPUP | WS_CLIPCHILDREN,
                             0, 0, w, h, nullptr, nullptr, instance, this);
    if (!m_hwnd) return false;

    const int dpi = screenDpi();
    m_font = CreateFontW(fontHeightForPoints(kLabelFontPoints, dpi), 0, 0, 0, kLabelFontWeight,
                         FALSE, FALSE, FALSE, kLabelFontCharset, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         kLabelFontFace);
    m_labelBrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    m_text1 = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                              0, 0, 0, 0, m_hwnd, nullptr, instance, nullptr);
    if (m_text1 && m_font) SendMessageW(m_text1, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    m_swf = CreateWindowExW(0, kMovieAreaClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                            0, 0, 0, m_hwnd, nullptr, instance, nullptr);
    SetTimer(m_hwnd, kTimer2Id, kTimer2IntervalMs, nullptr);
    return true;
}

void Form1::placeControls() {
    const ScreenLayout layout =
        layoutScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), screenDpi());
    if (m_text1) {
        MoveWindow(m_text1, layout.label.left, layout.label.top, layout.label.width,
                   layout.label.height, TRUE);
        SetWindowTextW(m_text1, kLabelText);
    }
    if (m_swf) {
        MoveWindow(m_swf, layout.movie.left, layout.movie.top, layout.movie.width,
                   layout.movie.height, TRUE);
    }
}

void Form1::showMovie() {
    if (!m_swf) return;
    RECT rc {};
    GetClientRect(m_swf, &rc);
    platform::PlayerViewSettings settings;
    settings.loop = false;  // Loop false: the movie stays on its last frame
    settings.menu = false;  // Menu false: no context menu
    settings.quality = player::Quality::High;
    settings.sound = !systemMuted();  // the movie's sound, unless the system is muted
    m_view = platform::PlayerView::create(m_swf, 0, 0, rc.right, rc.bottom, settings);
    if (!m_view || m_extraction.moviePath.empty()) return;
    const bool loaded = m_view->loadFile(m_extraction.moviePath.c_str());
    traceNumber("player", loaded ? 1 : 0);
    // The first frame is on screen once loadFile() has returned.
    if (loaded) traceNumber("first-frame", msSinceProcessStart());
}

void Form1::Timer2_Timer() {
    POINT p {};
    const bool havePos = m_haveStartCursorPos && GetCursorPos(&p);
    const CursorPos now{p.x, p.y};
    if (inputSeen(HotKey::KeyHit != 0, m_startCursorPos, havePos ? &now : nullptr)) {
        closeRoutine();
    }
}

void Form1::closeRoutine() {
    traceNumber("ShowCursor", ShowCursor(TRUE));
    HotKey::removeHook();
    trace("closed");
    ExitProcess(0);
}

LRESULT CALLBACK Form1::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form1* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->handle(msg, wParam, lParam);
}

LRESULT CALLBACK Form1::movieAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // The player view fills the area. Clicks in it never end the saver.
    if (msg == WM_SIZE) {
        if (HWND view = GetWindow(hwnd, GW_CHILD)) {
            MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT Form1::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        if (wParam == kTimer2Id) Timer2_Timer();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            traceNumber("ShowCursor", ShowCursor(TRUE));
            trace("escape");
            ExitProcess(0);
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(kLabelRed, kLabelGreen, kLabelBlue));
        SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(m_labelBrush);
    }
    case WM_SYSCOMMAND:
        // The system's own screensaver and monitor power requests would start another saver
        // over this one.
        if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
        break;
    case WM_CLOSE:
    case WM_DESTROY:
        closeRoutine();
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

}  // namespace saver_runtime
