#pragma once
// The standalone player's window: a normal, resizable top-level window captioned with the
// program's file name whose client area is the player view. It is sized so that the client
// area matches the movie's stage; the view plays the movie with Menu on, Loop on and quality
// High. Esc does nothing; closing the window ends the message loop.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/player_view_win32.h"

namespace projector {

class PlayerWindow {
public:
    static constexpr const wchar_t* kClassName = L"VelloryStandalonePlayer";

    PlayerWindow() = default;
    ~PlayerWindow();
    PlayerWindow(const PlayerWindow&) = delete;
    PlayerWindow& operator=(const PlayerWindow&) = delete;

    // Creates the window (hidden), loads the movie into its view and sizes the window to the
    // stage. False when the window cannot be created; a movie the engine rejects still leaves a
    // window (the view shows its blank colour) and returns true.
    bool create(HINSTANCE instance, const std::wstring& caption, std::span<const std::uint8_t> movie);
    void show(int showCommand);
    HWND hwnd() const { return m_hwnd; }
    platform::PlayerView* view() const { return m_view.get(); }

    // The message loop; returns when the window was closed.
    static int runMessageLoop();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void fitToStage(int width, int height);

    HWND m_hwnd = nullptr;
    std::unique_ptr<platform::PlayerView> m_view;
};

}  // namespace projector
