#pragma once
// The runtime's files through Win32: whole-file reads and writes, its own module's path and the
// user's temporary folder. Every function fails quietly (nullopt, false or an empty string).

#include "saver_runtime/movie_extraction.h"

namespace saver_runtime {

class Win32RuntimeFiles final : public RuntimeFiles {
public:
    std::optional<std::string> readWhole(const std::wstring& path) override;
    bool writeWhole(const std::wstring& path, std::string_view bytes) override;
};

// The path of the running program's file (GetModuleFileNameW), however long.
std::wstring ownModulePath();

// The user's temporary folder as GetTempPathW gives it (ending in "\"); empty on failure.
std::wstring temporaryFolder();

}  // namespace saver_runtime
