#include "app/help_links.h"

namespace app {

std::wstring helpViewerPath(std::wstring_view windowsDirectory) {
    std::wstring path(windowsDirectory);
    path += L'\\';
    path += kHelpViewerName;
    return path;
}

std::wstring helpCommandLine(std::wstring_view windowsDirectory, std::wstring_view programFolder) {
    std::wstring line = helpViewerPath(windowsDirectory);
    line += L' ';
    line += programFolder;
    line += L'\\';
    line += kHelpFileName;
    return line;
}

std::wstring makerSite(const wchar_t* override) {
    std::wstring site = (override && *override) ? std::wstring(override) : std::wstring(kMakerSite);
    if (site.back() != L'/') site += L'/';
    return site;
}

std::wstring homePageUrl(std::wstring_view site) { return std::wstring(site); }

std::wstring supportPageUrl(std::wstring_view site) {
    std::wstring url(site);
    url += kSupportPage;
    return url;
}

}  // namespace app
