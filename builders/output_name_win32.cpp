// The Windows file lookup: FindFirstFileW returns the name as the directory stores it, which
// may differ in case from the path the list holds.
#include <windows.h>

#include "builders/output_name.h"
#include "ui/file_system.h"
#include "ui/text_win32.h"

namespace builders {
namespace {

class Win32FileLookup final : public FileLookup {
public:
    std::optional<std::string> listedName(std::string_view path) override {
        if (path.empty() || ui::hasEmbeddedNul(path) || hasWildcard(path)) return std::nullopt;
        const std::string_view last = lastPathComponent(path);
        if (last.empty()) return std::nullopt;  // a folder path such as "C:\Movies\"
        const std::wstring wide = ui::widen(path);
        WIN32_FIND_DATAW found {};
        const HANDLE h = FindFirstFileW(wide.c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return std::nullopt;
        FindClose(h);
        constexpr DWORD kNotNormal =
            FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (found.dwFileAttributes & kNotNormal) return std::nullopt;
        return ui::narrow(found.cFileName);
    }
};

}  // namespace

FileLookup& nativeFileLookup() {
    static Win32FileLookup lookup;
    return lookup;
}

}  // namespace builders
