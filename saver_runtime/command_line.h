#pragma once
// The runtime's command line. Windows starts a screensaver as `"C:\path\x.scr" /s`, `/c[:hwnd]`,
// `/a hwnd` or `/p hwnd`; only a preview request (/p, any case) is answered, by ending at once.

#include <string_view>

namespace saver_runtime {

// The arguments after the program name, with the blanks before them skipped. The program name
// ends at its closing quote when it starts with one, otherwise at the first blank.
std::wstring_view commandArguments(std::wstring_view commandLine);

// True when the first two characters of the arguments are "/p" in either case.
bool isPreviewRequest(std::wstring_view arguments);

}  // namespace saver_runtime
