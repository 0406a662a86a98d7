#pragma once
// The progress bar ProgressCtl1: shows a percentage from 0 to 100 as a bar whose colour runs
// from red at the left to blue at the right, with a centred "NN%" whose colour runs from
// black at 0 to white at 100.

#include <windows.h>

namespace app {

// Messages of the VelloryProgress window class.
inline constexpr UINT kPmSetValue = WM_USER + 1;    // wParam: value, clamped to 0..100
inline constexpr UINT kPmGetValue = WM_USER + 2;    // returns the value
inline constexpr UINT kPmSetTrack = WM_USER + 3;    // wParam: track COLORREF, lParam: border

bool registerProgressClass(HINSTANCE instance);

// The builders' handle on the control: only the value is ever set.
class ProgressCtl {
public:
    ProgressCtl() = default;
    explicit ProgressCtl(HWND hwnd) : m_hwnd(hwnd) {}
    void setValue(int percent) const;
    int value() const;
    HWND hwnd() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

}  // namespace app
