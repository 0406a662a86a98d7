// Opening files by UTF-8 names on Windows: the name is converted to UTF-16 and opened with
// _wfopen, so every name the file system can hold opens, whatever the ANSI code page.
#include <windows.h>

#include <cerrno>
#include <string>

#include "core/file_io.h"

namespace core {

std::FILE* openFile(const std::string& path, const char* mode) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), nullptr, 0);
    if (n <= 0 && !path.empty()) return nullptr;
    std::wstring wide(std::size_t(n), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), wide.data(), n);
    if (wide.find(L'\0') != std::wstring::npos) {  // a NUL would cut the name short
        errno = ENOENT;
        return nullptr;
    }
    std::wstring wideMode;
    for (const char* m = mode; *m; ++m) wideMode += wchar_t(*m);
    return _wfopen(wide.c_str(), wideMode.c_str());
}

}  // namespace core
