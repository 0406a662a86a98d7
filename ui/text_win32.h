#pragma once
// UTF-8 (the portable code's text) to and from UTF-16 (the wide-character Windows API).

#include <string>
#include <string_view>

namespace ui {

// Invalid UTF-8 becomes U+FFFD; an unpaired surrogate becomes U+FFFD.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

// The system's text for an error code (GetLastError), without the trailing line break.
std::string systemErrorText(unsigned long code);

}  // namespace ui
