#include "platform/player_view_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "player/script_host.h"
#include "render/viewport.h"

namespace platform {
namespace {

constexpr UINT_PTR kFrameTimerId = 1;

PlaybackSettings playbackSettings(const PlayerViewSettings& s) {
    PlaybackSettings p;
    p.loop = s.loop;
    p.playOnLoad = s.playOnLoad;
    p.quality = s.quality;
    p.openUrl = s.openUrl;
    return p;
}

// The whole file, or nothing when it cannot be read or is larger than the engine accepts.
bool readWholeFile(const wchar_t* path, std::vector<std::uint8_t>& out) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 &&
              static_cast<std::uint64_t>(size.QuadPart) <= swf::ParseLimits{}.maxDecompressedBytes;
    if (ok) {
        out.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 24));
            DWORD got = 0;
            ok = ReadFile(f, out.data() + done, want, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(f);
    if (!ok) out.clear();
    return ok;
}

enum class MouseInput { Move, Down, Up };

// Hands a mouse message to the engine in stage pixels: the view shows the stage ShowAll, so
// the client point is mapped back through that fit.
void forwardMouse(Playback& playback, HWND hwnd, LPARAM lParam, MouseInput input) {
    player::Player* p = playback.player();
    if (!p) return;
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const swf::Rect& frame = p->movie().header.frameSize;
    const float stageW = static_cast<float>(frame.xMax - frame.xMin) / 20.0f;
    const float stageH = static_cast<float>(frame.yMax - frame.yMin) / 20.0f;
    const render::Viewport vp = render::showAll(stageW, stageH, rc.right - rc.left, rc.bottom - rc.top);
    if (vp.scale > 0.0f) {
        const double x = (GET_X_LPARAM(lParam) + 0.5 - vp.x0) / vp.scale;
        const double y = (GET_Y_LPARAM(lParam) + 0.5 - vp.y0) / vp.scale;
        p->mouseMove(x, y);
    }
    if (input == MouseInput::Down) p->mouseDown();
    if (input == MouseInput::Up) p->mouseUp();
}

// The character a key types as Key.getAscii reports it: the unshifted character of the key,
// letters in the case Shift and Caps Lock give.
int asciiOfKey(WPARAM vk) {
    int c = static_cast<int>(MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x7FFF);
    if (c >= 'A' && c <= 'Z') {
        const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        const bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
        if (shift == caps) c += 'a' - 'A';
    }
    return c < 128 ? c : 0;
}

}  // namespace

PlayerView::PlayerView(const PlayerViewSettings& settings)
    : m_settings(settings), m_playback(playbackSettings(settings)) {}

bool PlayerView::registerClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, kClassName, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &PlayerView::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;  // every pixel comes from the DIB
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0;
}

std::unique_ptr<PlayerView> PlayerView::create(HWND parent, int x, int y, int width, int height,
                                               const PlayerViewSettings& settings, int controlId) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registerClass(instance)) return nullptr;
    std::unique_ptr<PlayerView> view(new PlayerView(settings));
    if (settings.sound) {
        view->m_sound = SoundOutput::open();
        if (view->m_sound) view->m_playback.setSoundSink(view->m_sound.get());
    }
    HWND hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y,
                                std::max(0, width), std::max(0, height), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance,
                                view.get());
    if (!hwnd) return nullptr;
    return view;
}

PlayerView::~PlayerView() {
    if (m_hwnd) {
        HWND hwnd = m_hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (m_timerArmed) KillTimer(hwnd, kFrameTimerId);
        m_hwnd = nullptr;
        DestroyWindow(hwnd);
    }
    releaseSurface();
}

std::int64_t PlayerView::nowMicros() {
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    if (frequency.QuadPart <= 0) return static_cast<std::int64_t>(GetTickCount64()) * 1000;
    const std::int64_t seconds = now.QuadPart / frequency.QuadPart;
    const std::int64_t rest = now.QuadPart % frequency.QuadPart;
    return seconds * 1000000 + rest * 1000000 / frequency.QuadPart;
}

// --- Loading and commands -------------------------------------------------------------------------

namespace {

// Scripts of a movie opened from a file load files from its folder, by plain relative paths
// (UTF-8, either slash).
std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)> filesBeside(const wchar_t* moviePath) {
    std::wstring folder(moviePath);
    const std::size_t slash = folder.find_last_of(L"\\/");
    folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return [folder](const std::string& relative) -> std::optional<std::vector<std::uint8_t>> {
        if (!player::ScriptHost::isSafeLocalPath(relative)) return std::nullopt;
        const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, relative.data(),
                                          static_cast<int>(relative.size()), nullptr, 0);
        if (n <= 0) return std::nullopt;
        std::wstring wide(static_cast<std::size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, relative.data(), static_cast<int>(relative.size()),
                            wide.data(), n);
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        std::vector<std::uint8_t> bytes;
        if (!readWholeFile((folder + wide).c_str(), bytes)) return std::nullopt;
        return bytes;
    };
}

}  // namespace

bool PlayerView::loadFile(const wchar_t* path) {
    std::vector<std::uint8_t> bytes;
    if (!path || !readWholeFile(path, bytes)) {
        unload();
        return false;
    }
    m_playback.setFileLoader(filesBeside(path));
    return finishLoad(m_playback.load(bytes, nowMicros()));
}

bool PlayerView::loadBytes(std::span<const std::uint8_t> bytes) {
    m_playback.setFileLoader(nullptr);  // a movie given as bytes has no folder to load from
    return finishLoad(m_playback.load(bytes, nowMicros()));
}

bool PlayerView::finishLoad(const core::Status& status) {
    // The first frame goes on screen at once, whether or not the window has been painted yet;
    // the second one is due a period after that, however long loading and drawing took.
    present(true);
    m_playback.restartClock(nowMicros());
    schedule();
    return status.ok();
}

void PlayerView::unload() {
    m_playback.unload();
    present(true);
    schedule();
}

bool PlayerView::setMovie(const wchar_t* path) {
    if (!path || !*path) {
        unload();
        return true;
    }
    return loadFile(path);
}

void PlayerView::putFrameNum(std::int32_t frame) {
    m_playback.putFrameNum(frame, nowMicros());
    present();
    schedule();
}

void PlayerView::setPlaying(bool playing) {
    if (playing) play();
    else stop();
}

void PlayerView::play() {
    m_playback.play(nowMicros());
    present();
    schedule();
}

void PlayerView::stop() {
    m_playback.stop(nowMicros());
    present();
    schedule();
}

void PlayerView::rewind() {
    m_playback.rewind(nowMicros());
    present();
    schedule();
}

void PlayerView::gotoFrame(std::uint16_t frame) {
    m_playback.gotoFrame(frame, nowMicros());
    present();
    schedule();
}

void PlayerView::setLoop(bool loop) {
    m_settings.loop = loop;
    m_playback.setLoop(loop);
    schedule();
}

void PlayerView::setBlank(render::Color blank) {
    m_settings.blank = blank;
    present();
}

void PlayerView::setQuality(player::Quality q) {
    m_settings.quality = q;
    m_playback.setQuality(q);
    present();
}

// --- Drawing --------------------------------------------------------------------------------------

void PlayerView::releaseSurface() {
    if (m_memDc) {
        if (m_oldBitmap) SelectObject(m_memDc, m_oldBitmap);
        DeleteDC(m_memDc);
    }
    if (m_dib) DeleteObject(m_dib);
    m_memDc = nullptr;
    m_dib = nullptr;
    m_oldBitmap = nullptr;
    m_bits = nullptr;
    m_dibWidth = m_dibHeight = 0;
}

bool PlayerView::ensureSurface() {
    if (!m_hwnd) return false;
    RECT rc{};
    GetClientRect(m_hwnd, &rc);
    const int w = std::min<int>(rc.right - rc.left, render::kMaxPixmapSide);
    const int h = std::min<int>(rc.bottom - rc.top, render::kMaxPixmapSide);
    if (w <= 0 || h <= 0) {
        releaseSurface();
        m_picture = render::Pixmap();
        return false;
    }
    if (m_dib && w == m_dibWidth && h == m_dibHeight) return true;
    releaseSurface();
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows, as the pixmap's
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(m_hwnd);
    m_dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_memDc = CreateCompatibleDC(screen);
    ReleaseDC(m_hwnd, screen);
    if (!m_dib || !m_memDc || !bits) {
        releaseSurface();
        return false;
    }
    m_oldBitmap = SelectObject(m_memDc, m_dib);
    m_bits = static_cast<std::uint32_t*>(bits);
    m_dibWidth = w;
    m_dibHeight = h;
    m_picture = render::Pixmap(w, h);
    return true;
}

void PlayerView::present(bool force) {
    if (!ensureSurface()) return;
    if (!m_playback.render(m_picture, m_settings.blank, force)) return;
    GdiFlush();  // no GDI call may still be writing the DIB
    toDibWords(m_picture, m_bits, static_cast<std::size_t>(m_dibWidth));
    HDC dc = GetDC(m_hwnd);
    if (dc) {
        blit(dc);
        ReleaseDC(m_hwnd, dc);
    }
    ValidateRect(m_hwnd, nullptr);
}

void PlayerView::blit(HDC dc) {
    if (m_memDc) BitBlt(dc, 0, 0, m_dibWidth, m_dibHeight, m_memDc, 0, 0, SRCCOPY);
}

// --- Timing ---------------------------------------------------------------------------------------

void PlayerView::schedule() {
    if (!m_hwnd) return;
    const std::optional<std::int64_t> wait = m_playback.nextWake(nowMicros());
    if (!wait) {
        if (m_timerArmed) KillTimer(m_hwnd, kFrameTimerId);
        m_timerArmed = false;
        return;
    }
    // Rounded up, so the timer never fires just before the frame is due.
    const UINT ms = static_cast<UINT>(std::clamp<std::int64_t>((*wait + 999) / 1000, USER_TIMER_MINIMUM,
                                                               USER_TIMER_MAXIMUM));
    m_timerArmed = SetTimer(m_hwnd, kFrameTimerId, ms, nullptr) != 0;
}

void PlayerView::onTimer() {
    m_playback.tick(nowMicros());
    present();
    schedule();
}

// --- Menu -----------------------------------------------------------------------------------------

HMENU PlayerView::buildMenu() const {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    const bool have = m_playback.loaded();
    const UINT enabled = have ? MF_ENABLED : MF_GRAYED;
    const auto checked = [](bool on) { return on ? MF_CHECKED : MF_UNCHECKED; };
    AppendMenuW(menu, MF_STRING | enabled | checked(isPlaying()), kCmdPlay, L"Play");
    AppendMenuW(menu, MF_STRING | enabled | checked(m_settings.loop), kCmdLoop, L"Loop");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | enabled, kCmdRewind, L"Rewind");
    AppendMenuW(menu, MF_STRING | enabled, kCmdForward, L"Forward");
    AppendMenuW(menu, MF_STRING | enabled, kCmdBack, L"Back");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (HMENU quality = CreatePopupMenu()) {
        const bool high = m_settings.quality == player::Quality::High;
        AppendMenuW(quality, MF_STRING | checked(!high), kCmdLowQuality, L"Low");
        AppendMenuW(quality, MF_STRING | checked(high), kCmdHighQuality, L"High");
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(quality), L"Quality");
    }
    return menu;
}

void PlayerView::showMenu(int x, int y) {
    HMENU menu = buildMenu();
    if (!menu) return;
    const UINT cmd = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, x, y, 0, m_hwnd, nullptr));
    DestroyMenu(menu);  // with its Quality submenu
    runMenuCommand(cmd);
}

void PlayerView::runMenuCommand(UINT command) {
    // Forward and Back step one frame and halt there, as a movie's nextFrame and prevFrame do.
    switch (command) {
    case kCmdPlay: setPlaying(!isPlaying()); break;
    case kCmdLoop: setLoop(!m_settings.loop); break;
    case kCmdRewind: rewind(); break;
    case kCmdForward:
        if (loaded()) {
            stop();
            putFrameNum(frameNum() + 1);
        }
        break;
    case kCmdBack:
        if (loaded()) {
            stop();
            putFrameNum(frameNum() - 1);
        }
        break;
    case kCmdLowQuality: setQuality(player::Quality::Low); break;
    case kCmdHighQuality: setQuality(player::Quality::High); break;
    default: break;
    }
}

// --- Window ---------------------------------------------------------------------------------------

LRESULT CALLBACK PlayerView::windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    PlayerView* self = reinterpret_cast<PlayerView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<PlayerView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->m_hwnd = hwnd;
    }
    if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        // The window goes before the object (with its parent): the object stays, inert.
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        self->m_timerArmed = false;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return self->handle(msg, wParam, lParam);
}

LRESULT PlayerView::handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        if (wParam == kFrameTimerId) {
            onTimer();
            return 0;
        }
        break;
    case WM_SIZE:
        present();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        // A size the DIB does not have yet is drawn first; otherwise the DIB is shown as it is.
        if (ensureSurface()) {
            if (m_playback.render(m_picture, m_settings.blank)) {
                GdiFlush();
                toDibWords(m_picture, m_bits, static_cast<std::size_t>(m_dibWidth));
            }
            blit(dc);
        }
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_CONTEXTMENU: {
        if (!m_settings.menu) return 0;
        int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (x == -1 && y == -1) {  // from the keyboard: at the window's corner
            POINT p{0, 0};
            ClientToScreen(m_hwnd, &p);
            x = p.x;
            y = p.y;
        }
        showMenu(x, y);
        return 0;
    }
    case WM_RBUTTONUP:
        if (!m_settings.menu) return 0;  // no menu, not even the parent's
        break;
    case kMsgFrameNum:
        return static_cast<LRESULT>(frameNum());
    case kMsgPlaying:
        return isPlaying() ? 1 : 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: {
        // The engine tracks a press until its release, even outside the window.
        MouseInput input = MouseInput::Move;
        if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
            input = MouseInput::Down;
            SetCapture(m_hwnd);
        } else if (msg == WM_LBUTTONUP) {
            input = MouseInput::Up;
            if (GetCapture() == m_hwnd) ReleaseCapture();
        }
        forwardMouse(m_playback, m_hwnd, lParam, input);
        present();  // buttons may show another state
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
        // Scripts hear keys; the keyboard's usual meaning in the window stays.
        if (player::Player* p = m_playback.player(); p && wParam < 256) {
            if (msg == WM_KEYDOWN)
                p->keyDown(static_cast<int>(wParam), asciiOfKey(wParam));
            else
                p->keyUp(static_cast<int>(wParam));
            present();
        }
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && m_playback.player() && m_playback.player()->pointerOverButton()) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(m_hwnd, msg, wParam, lParam);
}

}  // namespace platform
