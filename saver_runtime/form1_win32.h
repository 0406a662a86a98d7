#pragma once
// Form1 of the screensaver runtime: a borderless topmost window over the whole screen, shown
// maximized, with the label "Quenlo Software" across the top and the movie area below it. It
// ends on a key (through the HotKey hook or Escape) or a mouse move (Timer2).

#include <windows.h>

#include <memory>
#include <string>

#include "platform/player_view_win32.h"
#include "saver_runtime/input_watch.h"
#include "saver_runtime/movie_extraction.h"

namespace saver_runtime {

class Form1 {
public:
    // Runs the start-up (window, cursor, files, label, movie area, hook, cursor position) and
    // the message loop; returns the exit code. Nothing is reported: failing steps are skipped.
    int run(HINSTANCE instance);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK movieAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    bool createWindows(HINSTANCE instance);
    void placeControls();
    void showMovie();
    void Timer2_Timer();
    [[noreturn]] void closeRoutine();

    HWND m_hwnd = nullptr;
    HWND m_text1 = nullptr;  // the label
    HWND m_swf = nullptr;    // the movie area; hosts the engine's player view
    HFONT m_font = nullptr;
    HBRUSH m_labelBrush = nullptr;
    CursorPos m_startCursorPos;  // StartCursorPos
    bool m_haveStartCursorPos = false;
    Extraction m_extraction;
    std::unique_ptr<platform::PlayerView> m_view;
};

}  // namespace saver_runtime
