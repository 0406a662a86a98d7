#pragma once
// The standard module General: opening a web page in a new browser window, and the few system
// facts the help and web commands need (the Windows folder, the program's own path).

#include <windows.h>

#include <chrono>
#include <string>

namespace app::General {

// The class of the system browser's automation object, {0002DF01-0000-0000-C000-000000000046}.
extern const CLSID kBrowserClass;

// Which way a web page went to a browser.
enum class BrowserRoute {
    Automation,  // the browser's automation object was created, made visible and navigated
    Shell,       // no automation object: the shell opened the address in the default browser
    None,        // neither worked
};

// How long OpenWebPage waits for the automation object before it takes the shell route. Its
// browser usually starts within two seconds.
inline constexpr std::chrono::milliseconds kBrowserStartTimeout{30000};

// Opens `url` in a new browser window: creates the automation object, makes it visible,
// navigates it to the address alone and releases it, leaving the window open on its own. Where
// the object cannot be created (current Windows no longer has it), or does not come within
// kBrowserStartTimeout, the shell's "open" verb hands the address to the default browser
// instead. The browser itself is not waited for.
BrowserRoute OpenWebPage(const std::wstring& url);

// The same with the automation object's class and the time to wait for it given; tests name a
// class that does not exist, or one whose server never answers, to take the shell route.
BrowserRoute openWebPageWith(const std::wstring& url, const CLSID& browserClass, std::chrono::milliseconds timeout);

// The Windows folder as GetWindowsDirectory reports it, whatever its length.
std::wstring windowsDirectory();

// The running program's full path.
std::wstring programPath();

// The root of the maker's web site: the environment variable VFS_WEB_SITE when it is set (the
// end-to-end tests point the links at a local server), otherwise the maker's own site.
std::wstring webSite();

}  // namespace app::General
