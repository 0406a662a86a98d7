// The native file system on Windows: wide-character calls, so that every file name the system
// allows can be used whatever the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <string>

#include "ui/file_system.h"
#include "ui/text_win32.h"

namespace ui {
namespace {

core::Error systemError(DWORD err, std::string_view what, std::string_view path) {
    core::ErrorCode code = core::ErrorCode::IoError;
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) code = core::ErrorCode::NotFound;
    std::string message(what);
    message += " \"";
    message += path;
    message += "\": ";
    message += systemErrorText(err);
    return core::makeError(code, std::move(message));
}

core::Error nulPathError(std::string_view path) {
    return core::makeError(core::ErrorCode::InvalidArgument,
                           "invalid file name \"" + std::string(path.substr(0, path.find('\0'))) +
                               "...\": it holds a NUL character");
}

// Closes a file handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h) {
        close();
        m_h = h;
    }
    bool close() {
        BOOL ok = TRUE;
        if (valid()) ok = CloseHandle(m_h);
        m_h = INVALID_HANDLE_VALUE;
        return ok != FALSE;
    }

private:
    HANDLE m_h;
};

class Win32FileSystem final : public FileSystem {
public:
    core::Result<FileInfo> fileInfo(std::string_view path) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        WIN32_FILE_ATTRIBUTE_DATA data {};
        if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
            return systemError(GetLastError(), "cannot read", path);
        }
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            return systemError(ERROR_DIRECTORY, "cannot read", path);
        }
        // The local time of that moment, with the daylight saving rule that applied then.
        SYSTEMTIME utc {};
        SYSTEMTIME local {};
        if (!FileTimeToSystemTime(&data.ftLastWriteTime, &utc) ||
            !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
            return systemError(GetLastError(), "cannot read", path);
        }
        FileInfo info;
        info.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info.lastModified = LocalTime{local.wYear, local.wMonth,  local.wDay,
                                      local.wHour, local.wMinute, local.wSecond};
        return info;
    }

    core::Result<std::string> readFile(std::string_view path, std::size_t maxBytes) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file.valid()) return systemError(GetLastError(), "cannot open", path);
        LARGE_INTEGER size {};
        if (!GetFileSizeEx(file.get(), &size)) return systemError(GetLastError(), "cannot read", path);
        if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
            return core::makeError(core::ErrorCode::TooLarge,
                                   "file \"" + std::string(path) + "\" is larger than " +
                                       std::to_string(maxBytes) + " bytes");
        }
        std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
        std::size_t done = 0;
        while (done < data.size()) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
            DWORD got = 0;
            if (!ReadFile(file.get(), data.data() + done, want, &got, nullptr)) {
                return systemError(GetLastError(), "cannot read", path);
            }
            if (got == 0) break;  // the file shrank while it was read
            done += got;
        }
        data.resize(done);
        return data;
    }

    core::Status replaceFile(std::string_view path, std::string_view bytes) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        if (path.empty() || path.back() == '\\' || path.back() == '/') {
            return core::makeError(core::ErrorCode::InvalidArgument,
                                   "invalid file name \"" + std::string(path) + "\"");
        }
        const std::wstring target = widen(path);

        // An existing target must be a file that may be written, as opening it for output
        // would require.
        const DWORD attributes = GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                return systemError(ERROR_ACCESS_DENIED, "cannot write", path);
            }
            if (attributes & FILE_ATTRIBUTE_READONLY) {
                return systemError(ERROR_ACCESS_DENIED, "cannot write", path);
            }
        }

        // The temporary file sits beside the target, so the final move stays on one volume.
        std::wstring temp;
        Handle file(INVALID_HANDLE_VALUE);
        const DWORD seed = GetTickCount() ^ GetCurrentProcessId();
        for (DWORD attempt = 0; attempt < 100 && !file.valid(); ++attempt) {
            wchar_t suffix[32];
            wsprintfW(suffix, L".%08lx.tmp", static_cast<unsigned long>(seed + attempt * 7919));
            temp = target + suffix;
            file.reset(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file.valid()) break;
            if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
                return systemError(GetLastError(), "cannot write", path);
            }
        }
        if (!file.valid()) return systemError(ERROR_FILE_EXISTS, "cannot write", path);

        auto fail = [&](DWORD err) -> core::Status {
            file.close();
            DeleteFileW(temp.c_str());
            return systemError(err, "cannot write", path);
        };
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
            DWORD wrote = 0;
            if (!WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr)) {
                return fail(GetLastError());
            }
            if (wrote == 0) return fail(ERROR_DISK_FULL);
            done += wrote;
        }
        if (!FlushFileBuffers(file.get())) return fail(GetLastError());
        if (!file.close()) return fail(GetLastError());
        if (!MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD err = GetLastError();
            DeleteFileW(temp.c_str());
            return systemError(err, "cannot write", path);
        }
        return core::okStatus();
    }
};

}  // namespace

FileSystem& nativeFileSystem() {
    static Win32FileSystem fs;
    return fs;
}

}  // namespace ui
