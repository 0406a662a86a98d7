// The native file system on POSIX systems. The Windows build uses file_system_win32.cpp instead.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "ui/file_system.h"

namespace ui {
namespace {

core::Error systemError(int err, std::string_view what, std::string_view path) {
    core::ErrorCode code = core::ErrorCode::IoError;
    if (err == ENOENT || err == ENOTDIR) code = core::ErrorCode::NotFound;
    std::string message(what);
    message += " \"";
    message += path;
    message += "\": ";
    message += std::strerror(err);
    return core::makeError(code, std::move(message));
}

core::Error nulPathError(std::string_view path) {
    return core::makeError(core::ErrorCode::InvalidArgument,
                           "invalid file name \"" + std::string(path.substr(0, path.find('\0'))) +
                               "...\": it holds a NUL character");
}

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    int close() {
        int rc = 0;
        if (m_fd >= 0) rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

class PosixFileSystem final : public FileSystem {
public:
    core::Result<FileInfo> fileInfo(std::string_view path) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        const std::string p(path);
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0) return systemError(errno, "cannot read", path);
        if (!S_ISREG(st.st_mode)) return systemError(EISDIR, "cannot read", path);
        std::tm tm {};
        const std::time_t t = st.st_mtime;
        if (::localtime_r(&t, &tm) == nullptr) return systemError(EOVERFLOW, "cannot read", path);
        FileInfo info;
        info.size = static_cast<std::uint64_t>(st.st_size);
        info.lastModified = LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                                      tm.tm_hour,        tm.tm_min,     tm.tm_sec};
        return info;
    }

    core::Result<std::string> readFile(std::string_view path, std::size_t maxBytes) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        const std::string p(path);
        Fd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) return systemError(errno, "cannot open", path);
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0) return systemError(errno, "cannot read", path);
        if (S_ISDIR(st.st_mode)) return systemError(EISDIR, "cannot open", path);
        if (st.st_size > 0 && static_cast<std::uint64_t>(st.st_size) > maxBytes) {
            return core::makeError(core::ErrorCode::TooLarge,
                                   "file \"" + p + "\" is larger than " +
                                       std::to_string(maxBytes) + " bytes");
        }
        std::string data;
        data.reserve(static_cast<std::size_t>(st.st_size));
        char buf[65536];
        for (;;) {
            const ssize_t n = ::read(fd.get(), buf, sizeof buf);
            if (n < 0) {
                if (errno == EINTR) continue;
                return systemError(errno, "cannot read", path);
            }
            if (n == 0) break;
            if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
                return core::makeError(core::ErrorCode::TooLarge,
                                       "file \"" + p + "\" is larger than " +
                                           std::to_string(maxBytes) + " bytes");
            }
            data.append(buf, static_cast<std::size_t>(n));
        }
        return data;
    }

    core::Status replaceFile(std::string_view path, std::string_view bytes) override {
        if (hasEmbeddedNul(path)) return nulPathError(path);
        if (path.empty() || path.back() == '/') {
            return core::makeError(core::ErrorCode::InvalidArgument,
                                   "invalid file name \"" + std::string(path) + "\"");
        }
        const std::string target(path);
        const std::size_t slash = target.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
        const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

        // An existing target must be a writable file: a folder or a write-protected file is
        // refused just as opening it for output would be.
        mode_t mode = 0;
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return systemError(EISDIR, "cannot write", path);
            if (::access(target.c_str(), W_OK) != 0) return systemError(errno, "cannot write", path);
            mode = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }

        std::string temp = (slash == std::string::npos ? std::string() : folder) + "." + base +
                           ".tmp-XXXXXX";
        Fd fd(::mkstemp(temp.data()));
        if (fd.get() < 0) return systemError(errno, "cannot write", path);

        auto fail = [&](int err) -> core::Status {
            fd.close();
            ::unlink(temp.c_str());
            return systemError(err, "cannot write", path);
        };
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(errno);
            }
            done += static_cast<std::size_t>(n);
        }
        if (::fchmod(fd.get(), mode) != 0) return fail(errno);
        if (::fsync(fd.get()) != 0) return fail(errno);
        if (fd.close() != 0) {
            const int err = errno;
            ::unlink(temp.c_str());
            return systemError(err, "cannot write", path);
        }
        if (::rename(temp.c_str(), target.c_str()) != 0) {
            const int err = errno;
            ::unlink(temp.c_str());
            return systemError(err, "cannot write", path);
        }
        // Make the new name durable as well; a failure here leaves a complete file behind.
        Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0) ::fsync(dir.get());
        return core::okStatus();
    }
};

}  // namespace

FileSystem& nativeFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

}  // namespace ui

#endif  // _WIN32
