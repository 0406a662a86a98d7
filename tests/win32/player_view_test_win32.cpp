// The player view window under Wine: the first frame on screen ShowAll after load (read back
// from the window's DC), frames advancing by the timer, Loop off stopping on the last frame and
// dropping the timer, resizing, the context menu only with Menu on, Unicode paths, bad files,
// and the members a Flash control offers (FrameNum from 0, Playing, StopPlay, Movie, Loop, the
// context menu's commands, the state messages).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/player_view_win32.h"
#include "tests/platform/view_movies.h"

namespace {

using platform::PlayerView;
using platform::PlayerViewSettings;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// A visible top-level host window with a client area of exactly w x h.
HWND createHost(int w, int h) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VfsViewTestHost";
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
        registered = RegisterClassW(&wc) != 0;
    }
    HWND host = CreateWindowExW(WS_EX_TOPMOST, L"VfsViewTestHost", L"view test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 10,
                                10, w, h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (host) {
        SetForegroundWindow(host);
        UpdateWindow(host);
    }
    return host;
}

// Runs the message loop until `done` holds or `ms` have passed; returns whether it held.
template <typename Done>
bool pumpUntil(Done done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void pumpFor(DWORD ms) { pumpUntil([] { return false; }, ms); }

// What the window shows at a client point, copied from its DC (what reached the screen).
COLORREF screenPixel(HWND hwnd, int x, int y) {
    HDC dc = GetDC(hwnd);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, 1, 1);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, 1, 1, dc, x, y, SRCCOPY);
    const COLORREF c = GetPixel(mem, 0, 0);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(hwnd, dc);
    return c;
}

// The same point in the view's own picture.
COLORREF picturePixel(const PlayerView& v, int x, int y) {
    const render::Color c = render::unpremultiply(v.picture().at(x, y));
    return RGB(c.r, c.g, c.b);
}

struct Host {
    HWND hwnd = nullptr;
    std::unique_ptr<PlayerView> view;
    Host(int w, int h, const PlayerViewSettings& s = {}) {
        hwnd = createHost(w, h);
        if (hwnd) view = PlayerView::create(hwnd, 0, 0, w, h, s);
    }
    ~Host() {
        view.reset();
        if (hwnd) DestroyWindow(hwnd);
    }
};

PlayerViewSettings noLoop() {
    PlayerViewSettings s;
    s.loop = false;
    s.menu = false;
    return s;
}

TEST(PlayerView, FirstFrameOnScreenShowAllAfterLoad) {
    // Stage 100x100 with the square at 30..70: in 200x100 it is centred with bars left and
    // right, in 100x300 with bars above and below; the bars take the background colour.
    struct Row {
        int w, h;
        int sqX, sqY, barX, barY;
    };
    const Row rows[] = {{200, 100, 100, 50, 20, 50}, {100, 300, 50, 150, 50, 20}, {320, 240, 160, 120, 40, 120}};
    for (const Row& r : rows) {
        Host host(r.w, r.h, noLoop());
        ASSERT_TRUE(host.view) << r.w << "x" << r.h;
        ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie()));
        // No message has been pumped: the frame is on screen when loadBytes() returns.
        EXPECT_EQ(host.view->currentFrame(), 1);
        EXPECT_EQ(host.view->picture().width(), r.w);
        EXPECT_EQ(host.view->picture().height(), r.h);
        EXPECT_EQ(picturePixel(*host.view, r.sqX, r.sqY), kRed);
        EXPECT_EQ(picturePixel(*host.view, r.barX, r.barY), kBlue);
        EXPECT_EQ(screenPixel(host.view->hwnd(), r.sqX, r.sqY), kRed) << r.w << "x" << r.h;
        EXPECT_EQ(screenPixel(host.view->hwnd(), r.barX, r.barY), kBlue) << r.w << "x" << r.h;
        // Covered and shown again, the window repaints from its DIB.
        InvalidateRect(host.view->hwnd(), nullptr, TRUE);
        UpdateWindow(host.view->hwnd());
        EXPECT_EQ(screenPixel(host.view->hwnd(), r.sqX, r.sqY), kRed);
    }
}

TEST(PlayerView, FramesAdvanceAndLoopOffStopsOnTheLast) {
    Host host(100, 100, noLoop());
    ASSERT_TRUE(host.view);
    // 20 fps, three frames: the square moves to the top-left corner, then the bottom-right.
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie(3, 20.0)));
    EXPECT_TRUE(host.view->timerArmed());
    ASSERT_TRUE(pumpUntil([&] { return host.view->currentFrame() == 2; }, 2000));
    EXPECT_EQ(screenPixel(host.view->hwnd(), 10, 10), kRed);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 90, 90), kBlue);
    ASSERT_TRUE(pumpUntil([&] { return !host.view->timerArmed(); }, 2000));
    EXPECT_EQ(host.view->currentFrame(), 3);
    EXPECT_FALSE(host.view->isPlaying());
    EXPECT_EQ(screenPixel(host.view->hwnd(), 90, 90), kRed);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 10, 10), kBlue);
    // Stopped on the last frame: nothing runs and nothing is drawn any more.
    const std::uint64_t drawn = host.view->picturesDrawn();
    pumpFor(300);
    EXPECT_EQ(host.view->currentFrame(), 3);
    EXPECT_EQ(host.view->picturesDrawn(), drawn);

    // Commands restart it: rewind halts on frame 1, play runs to the end again.
    host.view->rewind();
    EXPECT_EQ(host.view->currentFrame(), 1);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kRed);
    EXPECT_FALSE(host.view->timerArmed());
    host.view->play();
    EXPECT_TRUE(host.view->timerArmed());
    EXPECT_TRUE(pumpUntil([&] { return host.view->currentFrame() == 3 && !host.view->timerArmed(); }, 2000));
    host.view->gotoFrame(2);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 10, 10), kRed);
}

TEST(PlayerView, LoopingMovieStartsOverAtItsRate) {
    PlayerViewSettings s;
    s.menu = false;
    Host host(100, 100, s);
    ASSERT_TRUE(host.view);
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie(2, 25.0)));
    int wraps = 0;
    std::uint16_t last = host.view->currentFrame();
    const ULONGLONG start = GetTickCount64();
    // One second at 25 fps: about 25 frames, so about twelve returns to frame 1.
    pumpUntil([&] {
        const std::uint16_t f = host.view->currentFrame();
        if (f == 1 && last == 2) ++wraps;
        last = f;
        return GetTickCount64() - start >= 1000;
    }, 3000);
    EXPECT_GE(wraps, 9);
    EXPECT_LE(wraps, 14);
    EXPECT_TRUE(host.view->timerArmed());
    host.view->stop();
    EXPECT_FALSE(host.view->timerArmed());
}

TEST(PlayerView, ResizingRedrawsAtTheNewSize) {
    Host host(100, 100, noLoop());
    ASSERT_TRUE(host.view);
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie()));
    MoveWindow(host.hwnd, 10, 10, 300, 100, TRUE);
    MoveWindow(host.view->hwnd(), 0, 0, 300, 100, TRUE);
    pumpFor(50);
    EXPECT_EQ(host.view->picture().width(), 300);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 150, 50), kRed);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 80, 50), kBlue);  // the square is 40 wide at 130..170
}

TEST(PlayerView, FilesByUnicodePathAndBadFilesShowBlank) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring path = std::wstring(temp) + L"\u5c4f\u5e55\u4fdd\u62a4 " +
                              std::to_wstring(GetCurrentProcessId()) + L".swf";
    const std::vector<std::uint8_t> movie = view_movies::squareMovie();
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(f, movie.data(), static_cast<DWORD>(movie.size()), &put, nullptr);
    CloseHandle(f);

    Host host(100, 100, noLoop());
    ASSERT_TRUE(host.view);
    UpdateWindow(host.view->hwnd());
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kBlack);  // nothing loaded yet
    EXPECT_TRUE(host.view->loadFile(path.c_str()));
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kRed);

    // A missing file, and a file that is no movie: blank again, no timer.
    EXPECT_FALSE(host.view->loadFile((path + L".missing").c_str()));
    EXPECT_FALSE(host.view->loaded());
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kBlack);
    EXPECT_TRUE(host.view->loadFile(path.c_str()));
    const std::uint8_t junk[] = {'F', 'W', 'S', 8, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_FALSE(host.view->loadBytes(junk));
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kBlack);
    EXPECT_FALSE(host.view->timerArmed());
    DeleteFileW(path.c_str());
}

// The context menu appears only with Menu on; a probe timer closes it from inside its loop.
bool g_menuSeen = false;
std::wstring g_menuItems;  // the items' texts joined by "|", "-" for a separator
void CALLBACK menuProbe(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu && IsWindowVisible(menu)) {
        g_menuSeen = true;
        g_menuItems.clear();
        HMENU items = reinterpret_cast<HMENU>(SendMessageW(menu, 0x01E1 /* MN_GETHMENU */, 0, 0));
        for (int i = 0; items && i < GetMenuItemCount(items); ++i) {
            wchar_t text[64] = {};
            if (GetMenuStringW(items, static_cast<UINT>(i), text, 64, MF_BYPOSITION) == 0) text[0] = L'-';
            if (i) g_menuItems += L'|';
            g_menuItems += text;
        }
        EndMenu();
    }
}

TEST(PlayerView, ContextMenuOnlyWithMenuOn) {
    for (const bool menu : {false, true}) {
        PlayerViewSettings s = noLoop();
        s.menu = menu;
        Host host(100, 100, s);
        ASSERT_TRUE(host.view);
        ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie()));
        g_menuSeen = false;
        const UINT_PTR probe = SetTimer(nullptr, 0, 50, menuProbe);
        RECT rc{};
        GetWindowRect(host.view->hwnd(), &rc);
        SendMessageW(host.view->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(host.view->hwnd()),
                     MAKELPARAM(rc.left + 20, rc.top + 20));
        pumpFor(200);
        KillTimer(nullptr, probe);
        EXPECT_EQ(g_menuSeen, menu) << "menu " << menu;
        if (menu) {
            EXPECT_EQ(g_menuItems, L"Play|Loop|-|Rewind|Forward|Back|-|Quality");
        }
    }
}

// A halted movie keeps no timer: over half a second the view draws nothing and uses (almost)
// no processor time.
TEST(PlayerView, StoppedMovieCostsNothing) {
    Host host(400, 300, noLoop());
    ASSERT_TRUE(host.view);
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie(50, 30.0)));
    host.view->stop();
    EXPECT_FALSE(host.view->timerArmed());
    const std::uint64_t drawn = host.view->picturesDrawn();
    FILETIME c, e, k0, u0, k1, u1;
    GetThreadTimes(GetCurrentThread(), &c, &e, &k0, &u0);
    pumpFor(500);
    GetThreadTimes(GetCurrentThread(), &c, &e, &k1, &u1);
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const ULONGLONG cpu100ns = ticks(k1) - ticks(k0) + ticks(u1) - ticks(u0);
    EXPECT_EQ(host.view->picturesDrawn(), drawn);
    EXPECT_EQ(host.view->currentFrame(), 1);
    // The test's own 5 ms polling loop is most of what remains.
    EXPECT_LT(cpu100ns, 500000u) << cpu100ns / 10000 << " ms";  // under 50 ms of 500
}

TEST(PlayerView, DestroyedWithItsParentFirst) {
    HWND host = createHost(100, 100);
    ASSERT_TRUE(host);
    std::unique_ptr<PlayerView> view = PlayerView::create(host, 0, 0, 100, 100, noLoop());
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->loadBytes(view_movies::squareMovie(5)));
    DestroyWindow(host);
    EXPECT_EQ(view->hwnd(), nullptr);
    view->play();  // inert, no window to draw into
    pumpFor(100);
    view.reset();
}

// The Flash control's members on the real engine. squareMovie(5): frame 0 shows the square in
// the centre, frame 1 top-left, frame 2 bottom-right, frame 3 the centre, frame 4 top-left.
TEST(PlayerView, FrameNumCountsFromZeroThroughStopRewindAndPut) {
    Host host(100, 100, noLoop());
    ASSERT_TRUE(host.view);
    EXPECT_EQ(host.view->frameNum(), 0);  // no movie
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie(5, 20.0)));
    EXPECT_EQ(host.view->frameNum(), 0);
    EXPECT_TRUE(host.view->isPlaying());
    ASSERT_TRUE(pumpUntil([&] { return host.view->frameNum() >= 2; }, 2000));

    host.view->stop();
    const std::int32_t stopped = host.view->frameNum();
    EXPECT_GE(stopped, 2);
    pumpFor(200);
    EXPECT_EQ(host.view->frameNum(), stopped);  // Stop halts at the current frame

    host.view->putFrameNum(1);
    EXPECT_EQ(host.view->frameNum(), 1);
    EXPECT_EQ(host.view->currentFrame(), 2);
    EXPECT_FALSE(host.view->isPlaying());  // the play state is kept
    EXPECT_EQ(screenPixel(host.view->hwnd(), 10, 10), kRed);
    host.view->putFrameNum(40000);  // past the end: the last frame
    EXPECT_EQ(host.view->frameNum(), 4);
    host.view->putFrameNum(-7);
    EXPECT_EQ(host.view->frameNum(), 0);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kRed);

    host.view->setPlaying(true);
    EXPECT_TRUE(host.view->isPlaying());
    ASSERT_TRUE(pumpUntil([&] { return host.view->frameNum() >= 1; }, 2000));
    host.view->rewind();
    EXPECT_EQ(host.view->frameNum(), 0);
    EXPECT_FALSE(host.view->isPlaying());

    host.view->putFrameNum(2);
    host.view->setPlaying(true);
    host.view->stopPlay();
    EXPECT_FALSE(host.view->isPlaying());
    EXPECT_EQ(host.view->frameNum(), 2);
    EXPECT_FALSE(host.view->timerArmed());

    // Another process reads the same numbers through the view's messages.
    EXPECT_EQ(SendMessageW(host.view->hwnd(), PlayerView::kMsgFrameNum, 0, 0), 2);
    EXPECT_EQ(SendMessageW(host.view->hwnd(), PlayerView::kMsgPlaying, 0, 0), 0);
    host.view->play();
    EXPECT_EQ(SendMessageW(host.view->hwnd(), PlayerView::kMsgPlaying, 0, 0), 1);
}

TEST(PlayerView, EmptyMovieClearsAndBadMoviesLeaveTheBlankColour) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring path = std::wstring(temp) + L"vfs_view_movie_" + std::to_wstring(GetCurrentProcessId()) + L".swf";
    const std::vector<std::uint8_t> movie = view_movies::squareMovie(4, 20.0);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(f, movie.data(), static_cast<DWORD>(movie.size()), &put, nullptr);
    CloseHandle(f);

    PlayerViewSettings s;
    s.blank = render::Color{255, 255, 255, 255};
    Host host(100, 100, s);
    ASSERT_TRUE(host.view);
    EXPECT_TRUE(host.view->setMovie(path.c_str()));
    EXPECT_TRUE(host.view->loaded());
    EXPECT_TRUE(host.view->isPlaying());
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), kRed);

    EXPECT_TRUE(host.view->setMovie(L""));
    EXPECT_FALSE(host.view->loaded());
    EXPECT_FALSE(host.view->timerArmed());
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), RGB(255, 255, 255));
    EXPECT_EQ(host.view->frameNum(), 0);

    // A folder, a missing file: the blank colour, nothing raised, the members harmless.
    EXPECT_FALSE(host.view->setMovie(temp));
    EXPECT_FALSE(host.view->setMovie((path + L".gone").c_str()));
    host.view->putFrameNum(3);
    host.view->play();
    host.view->rewind();
    EXPECT_FALSE(host.view->isPlaying());
    EXPECT_EQ(host.view->frameNum(), 0);
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), RGB(255, 255, 255));

    // The blank colour can change while nothing is loaded.
    host.view->setBlank(render::Color{0, 128, 0, 255});
    EXPECT_EQ(screenPixel(host.view->hwnd(), 50, 50), RGB(0, 128, 0));
    EXPECT_TRUE(host.view->setMovie(nullptr));
    DeleteFileW(path.c_str());
}

// The context menu's commands: Play toggles, Loop toggles at once, Forward and Back step one
// frame and halt, Rewind, and the two qualities.
TEST(PlayerView, ContextMenuCommands) {
    PlayerViewSettings s;
    Host host(100, 100, s);
    ASSERT_TRUE(host.view);
    ASSERT_TRUE(host.view->loadBytes(view_movies::squareMovie(3, 30.0)));
    EXPECT_TRUE(host.view->isPlaying());
    host.view->runMenuCommand(PlayerView::kCmdPlay);
    EXPECT_FALSE(host.view->isPlaying());
    host.view->runMenuCommand(PlayerView::kCmdRewind);
    EXPECT_EQ(host.view->frameNum(), 0);

    host.view->runMenuCommand(PlayerView::kCmdForward);
    EXPECT_EQ(host.view->frameNum(), 1);
    host.view->runMenuCommand(PlayerView::kCmdForward);
    host.view->runMenuCommand(PlayerView::kCmdForward);  // stays on the last frame
    EXPECT_EQ(host.view->frameNum(), 2);
    host.view->runMenuCommand(PlayerView::kCmdBack);
    EXPECT_EQ(host.view->frameNum(), 1);
    host.view->runMenuCommand(PlayerView::kCmdBack);
    host.view->runMenuCommand(PlayerView::kCmdBack);  // stays on the first frame
    EXPECT_EQ(host.view->frameNum(), 0);
    EXPECT_FALSE(host.view->isPlaying());

    // Loop off while playing: the movie halts on its last frame instead of starting over.
    EXPECT_TRUE(host.view->loop());
    host.view->runMenuCommand(PlayerView::kCmdLoop);
    EXPECT_FALSE(host.view->loop());
    host.view->runMenuCommand(PlayerView::kCmdPlay);
    EXPECT_TRUE(host.view->isPlaying());
    ASSERT_TRUE(pumpUntil([&] { return !host.view->timerArmed(); }, 2000));
    EXPECT_EQ(host.view->frameNum(), 2);
    EXPECT_FALSE(host.view->isPlaying());
    host.view->runMenuCommand(PlayerView::kCmdLoop);
    host.view->runMenuCommand(PlayerView::kCmdPlay);
    ASSERT_TRUE(pumpUntil([&] { return host.view->frameNum() == 0; }, 2000));  // wrapped

    host.view->runMenuCommand(PlayerView::kCmdLowQuality);
    EXPECT_EQ(host.view->quality(), player::Quality::Low);
    host.view->runMenuCommand(PlayerView::kCmdHighQuality);
    EXPECT_EQ(host.view->quality(), player::Quality::High);
}

}  // namespace
