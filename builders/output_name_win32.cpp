// The Windows file lookup: FindFirstFileW returns the name as the directory stores it, which
// may differ in case from the path the list holds.
#include <windows.h>

#include "builders/output_name.h"
#include "ui/file_system.h"

namespace builders {
namespace {

std::wstring widen(std::string_view s) {
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

class Win32FileLookup final : public FileLookup {
public:
    std::optional<std::string> listedName(std::string_view path) override {
        if (path.empty() || ui::hasEmbeddedNul(path) || hasWildcard(path)) return std::nullopt;
        const std::string_view last = lastPathComponent(path);
        if (last.empty()) return std::nullopt;  // a folder path such as "C:\Movies\"
        const std::wstring wide = widen(path);
        WIN32_FIND_DATAW found {};
        const HANDLE h = FindFirstFileW(wide.c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        FindClose(h);
        constexpr DWORD kNotNormal =
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (found.dwFileAttributes & kNotNormal) return std::nullopt;
        return narrow(found.cFileName);
    }
};

}  // namespace

FileLookup& nativeFileLookup() {
    static Win32FileLookup lookup;
    return lookup;
}

}  // namespace builders
