#pragma once
// The help and web commands' text: the help viewer's command line and the maker's web addresses.
// Portable, so the exact strings are tested without Windows.

#include <string>
#include <string_view>

namespace app {

// The file name of the help file in the program folder, and of the viewer in the Windows folder.
inline constexpr std::wstring_view kHelpFileName = L"help.chm";
inline constexpr std::wstring_view kHelpViewerName = L"hh.exe";

// The root of the maker's web site (the address the main window's bottom line shows) and the
// support page under it.
inline constexpr std::wstring_view kMakerSite = L"http://www.brightmoss.example/";
inline constexpr std::wstring_view kSupportPage = L"faq.htm";

// "<windows folder>\hh.exe".
std::wstring helpViewerPath(std::wstring_view windowsDirectory);

// "<windows folder>\hh.exe <program folder>\help.chm": one space between, no quotes around
// either path. A program folder at a drive root keeps its backslash ("C:\"), which gives two
// backslashes in a row before the file name; the file system accepts that.
std::wstring helpCommandLine(std::wstring_view windowsDirectory, std::wstring_view programFolder);

// The web site root to use: `override` when it is given and not empty (tests point the links at
// a local server this way), otherwise kMakerSite. The result always ends with one "/".
std::wstring makerSite(const wchar_t* override);

// The home page is the site root itself; the support page is "faq.htm" at that root.
std::wstring homePageUrl(std::wstring_view site);
std::wstring supportPageUrl(std::wstring_view site);

}  // namespace app
