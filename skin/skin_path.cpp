#include "skin/skin_path.h"

namespace skin {

std::wstring programFolder(std::wstring_view programPath) {
    const std::size_t slash = programPath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return {};
    std::wstring_view folder = programPath.substr(0, slash);
    // "C:" alone would name the drive's current folder; the root keeps its backslash.
    if (folder.size() == 2 && folder[1] == L':') return std::wstring(programPath.substr(0, slash + 1));
    return std::wstring(folder);
}

std::wstring skinFilePath(std::wstring_view programPath) {
    return programFolder(programPath) + L"\\skins\\frmmain.skn";
}

}  // namespace skin
