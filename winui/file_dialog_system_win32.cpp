#include "winui/file_dialog_system_win32.h"

#include <commdlg.h>

#include <string>
#include <vector>

namespace winui {

namespace {

// The record's strings live here for the call; empty strings are passed as null pointers.
struct CallBuffers {
    std::vector<wchar_t> file;
    std::vector<wchar_t> fileTitle;
    std::wstring filter, initialDir, title, defExt;
};

std::wstring toWide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

std::vector<wchar_t> toBuffer(const std::u16string& s, std::uint32_t size) {
    std::vector<wchar_t> b(s.begin(), s.end());
    b.resize(size > b.size() ? size : b.size(), L'\0');
    if (b.empty()) b.push_back(L'\0');
    return b;
}

const wchar_t* orNull(const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); }

bool callDialog(builders::DialogRecord& record, bool save) {
    CallBuffers b;
    b.file = toBuffer(record.lpstrFile, record.nMaxFile);
    b.fileTitle = toBuffer(record.lpstrFileTitle, record.nMaxFileTitle);
    b.filter = toWide(record.lpstrFilter);
    b.initialDir = toWide(record.lpstrInitialDir);
    b.title = toWide(record.lpstrTitle);
    b.defExt = toWide(record.lpstrDefExt);

    OPENFILENAMEW ofn {};
    // The record names its size; the members after it (added with Windows 2000) stay zero.
    ofn.lStructSize = record.lStructSize <= sizeof ofn ? record.lStructSize : sizeof ofn;
    ofn.hwndOwner = reinterpret_cast<HWND>(record.hwndOwner);
    ofn.lpstrFilter = orNull(b.filter);
    ofn.nFilterIndex = record.nFilterIndex;
    ofn.lpstrFile = b.file.data();
    ofn.nMaxFile = static_cast<DWORD>(b.file.size());
    ofn.lpstrFileTitle = b.fileTitle.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(b.fileTitle.size());
    ofn.lpstrInitialDir = orNull(b.initialDir);
    ofn.lpstrTitle = orNull(b.title);
    ofn.Flags = record.Flags;
    ofn.lpstrDefExt = orNull(b.defExt);

    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    // The members the system may change, read back whatever the outcome.
    record.lpstrFile.assign(b.file.begin(), b.file.begin() + record.nMaxFile);
    record.lpstrFileTitle.assign(b.fileTitle.begin(), b.fileTitle.begin() + record.nMaxFileTitle);
    record.nFilterIndex = ofn.nFilterIndex;
    record.Flags = ofn.Flags;
    return ok != FALSE;
}

}  // namespace

bool Win32FileDialogSystem::getOpenFileName(builders::DialogRecord& record) { return callDialog(record, false); }

bool Win32FileDialogSystem::getSaveFileName(builders::DialogRecord& record) { return callDialog(record, true); }

std::string Win32FileDialogSystem::programName() const {
    wchar_t path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, n < MAX_PATH ? n : 0);
    const std::size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return builders::toUtf8(std::u16string(name.begin(), name.end()));
}

}  // namespace winui
