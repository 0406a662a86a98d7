#include "builders/folder_browser_win32.h"
#include "ui/text_win32.h"

#include <shlobj.h>

namespace builders {
namespace {

// Releases the item identifier the browser returned.
struct ItemIdList {
    PIDLIST_ABSOLUTE pidl = nullptr;
    ~ItemIdList() {
        if (pidl) CoTaskMemFree(pidl);
    }
};

}  // namespace

std::optional<std::string> Win32FolderBrowser::browseForFolder(const FolderBrowseRequest& request) {
    const std::wstring prompt = ui::widen(request.prompt);  // lives until the dialog has closed
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
    return ui::narrow(path);
}

}  // namespace builders
