#pragma once
// The file operations the commands need, behind an interface so that tests can serve files from
// memory and make single operations fail. Paths are UTF-8; the native implementations pass them
// to the system unchanged (POSIX) or as UTF-16 (Windows).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/result.h"

namespace ui {

// A point in local time, as the system's clock and time zone give it.
struct LocalTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const LocalTime&) const = default;
};

struct FileInfo {
    std::uint64_t size = 0;
    LocalTime lastModified;  // local time
};

// Largest file readFile accepts unless the caller gives its own limit.
inline constexpr std::size_t kDefaultReadLimit = std::size_t{256} * 1024 * 1024;

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Size and last-modified time of an existing file (not a folder).
    virtual core::Result<FileInfo> fileInfo(std::string_view path) = 0;

    // The whole content of a file; fails with TooLarge past maxBytes.
    virtual core::Result<std::string> readFile(std::string_view path,
                                               std::size_t maxBytes = kDefaultReadLimit) = 0;

    // Writes bytes to a new temporary file in the target's folder and puts it in place of the
    // target only when everything was written and flushed. On failure the temporary file is
    // removed and an existing target is left as it was.
    virtual core::Status replaceFile(std::string_view path, std::string_view bytes) = 0;
};

// The system's file system: POSIX natively, Win32 wide-character calls in the Windows build.
FileSystem& nativeFileSystem();

// True when the path holds a NUL character, which no system call can take; such a path names no
// file (it would otherwise be cut at the NUL and name a different one).
inline bool hasEmbeddedNul(std::string_view path) {
    return path.find('\0') != std::string_view::npos;
}

}  // namespace ui
