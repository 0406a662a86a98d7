#include "app/trace.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace app {

void traceHandler(const char* name) {
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"VFS_TRACE", path, static_cast<DWORD>(std::size(path)));
    if (n == 0 || n >= std::size(path)) return;
    // Opened and closed per line so that a reader sees it at once, even if the process ends.
    FILE* f = _wfopen(path, L"ab");
    if (!f) return;
    std::fwrite(name, 1, std::strlen(name), f);
    std::fputc('\n', f);
    std::fclose(f);
}

}  // namespace app
