#pragma once
// The About box: a small modal dialog captioned "About" that thanks the user, names the
// version and has an OK button. It loads the skin file itself and applies it to its window.

#include <windows.h>

#include <string>

namespace app {

inline constexpr wchar_t kAboutCaption[] = L"About";
inline constexpr wchar_t kAboutThanks[] = L"Thank you for using Vellory Flash Screensaver";

// Shows the box modally over owner and returns when it is closed.
void showAboutBox(HINSTANCE instance, HWND owner, const std::wstring& skinPath);

}  // namespace app
