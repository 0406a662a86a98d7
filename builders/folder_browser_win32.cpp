#include "builders/folder_browser_win32.h"

#include <shlobj.h>

namespace builders {
namespace {

std::wstring widen(const std::string& s) {
    if (s.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string narrow(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string s(std::size_t(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
}

// Releases the item identifier the browser returned.
struct ItemIdList {
    PIDLIST_ABSOLUTE pidl = nullptr;
    ~ItemIdList() {
        if (pidl) CoTaskMemFree(pidl);
    }
};

}  // namespace

std::optional<std::string> Win32FolderBrowser::browseForFolder(const FolderBrowseRequest& request) {
    const std::wstring prompt = widen(request.prompt);  // lives until the dialog has closed
    BROWSEINFOW info {};
    info.hwndOwner = m_owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;  // the browser may scribble there on Cancel; we never ask
    info.lpszTitle = prompt.c_str();
    info.ulFlags = request.flags;
    info.lpfn = nullptr;
    ItemIdList item;
    item.pidl = SHBrowseForFolderW(&info);
    if (!item.pidl) return std::nullopt;
    wchar_t path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(item.pidl, path)) return std::nullopt;
    path[MAX_PATH] = L'\0';
    return narrow(path);
}

}  // namespace builders
