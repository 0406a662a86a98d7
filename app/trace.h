#pragma once
// Handler trace for tests and diagnostics: when the environment variable VFS_TRACE names a
// file, every handler call appends one UTF-8 line with the handler's name to it.

namespace app {

void traceHandler(const char* name);

}  // namespace app
