// Sound output under Wine. Machines without sound hardware may have no waveOut device; then
// open() gives nothing and movies play silently. Both paths are checked: the device, when there
// is one, takes buffer after buffer from the mixer; a player view asked for sound plays movies
// with event sounds, stream sounds and sounds it cannot decode at their frame rate.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "platform/player_view_win32.h"
#include "platform/sound_output_win32.h"
#include "tests/sound/sound_movies.h"

namespace {

using platform::PlayerView;
using platform::PlayerViewSettings;
using platform::SoundOutput;

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

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND createHost() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VfsSoundTestHost";
        registered = RegisterClassW(&wc) != 0;
    }
    return CreateWindowExW(0, L"VfsSoundTestHost", L"sound test", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(SoundOutput, OpensWinesDeviceOrReportsThatThereIsNone) {
    auto out = SoundOutput::open();
    if (!out) {
        std::printf("no waveOut device: movies play silently\n");
        return;
    }
    // 50 ms buffers: within two seconds the device has returned several and been fed again.
    EXPECT_TRUE(pumpUntil([&] { return out->buffersPlayed() >= 4; }, 2000)) << out->buffersPlayed();
    const std::uint64_t first = out->buffersPlayed();
    pumpUntil([] { return false; }, 1000);
    std::printf("device: %llu buffers of 50 ms in one second\n", static_cast<unsigned long long>(out->buffersPlayed() - first));
    out.reset();  // stops its thread and closes the device without hanging
}

struct MovieCase {
    const char* name;
    bool stream;
    unsigned coding;
};

TEST(SoundOutput, MoviesWithSoundPlayAtTheirRateWithOrWithoutADevice) {
    const MovieCase cases[] = {
        {"event sound", false, 3}, {"stream sound", true, 3}, {"undecodable stream", true, 6}};
    for (const MovieCase& c : cases) {
        HWND host = createHost();
        ASSERT_TRUE(host);
        PlayerViewSettings s;
        s.sound = true;
        s.loop = false;
        s.menu = false;
        auto view = PlayerView::create(host, 0, 0, 100, 100, s);
        ASSERT_TRUE(view) << c.name;
        // 60 frames at 30 fps: two seconds.
        ASSERT_TRUE(view->loadBytes(sound_movies::soundMovie(60, 30.0, c.stream, c.coding))) << c.name;
        // A device takes a burst of buffers when it starts (its own latency), and a stream runs
        // the frames ahead of what is heard by that much; from then on the frames keep the rate.
        EXPECT_TRUE(pumpUntil([&] { return view->currentFrame() >= 30; }, 5000)) << c.name;
        const ULONGLONG start = GetTickCount64();
        const std::uint16_t from = view->currentFrame();
        EXPECT_TRUE(pumpUntil([&] { return view->currentFrame() == 60 && !view->timerArmed(); }, 5000))
            << c.name << ": frame " << view->currentFrame();
        const ULONGLONG took = GetTickCount64() - start;
        const ULONGLONG expected = (60 - from) * 1000 / 30;
        // Without a device, or without a stream, the clock keeps the rate. A stream follows the
        // device, which plays at least in real time (ALSA's null device plays faster).
        const bool devicePaced = c.stream && c.coding == 3 && view->soundOutput();
        if (!devicePaced) {
            EXPECT_GE(took + 150, expected) << c.name;
        }
        EXPECT_LE(took, expected + 600) << c.name;
        std::printf("%s: frames %u to 60 in %llu ms (%llu at the rate)\n", c.name, unsigned{from}, took, expected);
        // Stop silences it; unloading and destroying with sound on ends cleanly.
        view->stop();
        view->unload();
        view.reset();
        DestroyWindow(host);
    }
}

}  // namespace
