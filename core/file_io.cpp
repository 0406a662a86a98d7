#include "core/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace core {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string reason() { return std::strerror(errno); }

}  // namespace

#ifndef _WIN32
std::FILE* openFile(const std::string& path, const char* mode) {
    if (path.find('\0') != std::string::npos) {  // a NUL would cut the name short
        errno = ENOENT;
        return nullptr;
    }
    return std::fopen(path.c_str(), mode);
}
#endif

Result<std::vector<std::uint8_t>> readFile(const std::string& path, std::uint64_t maxBytes) {
    FilePtr f(openFile(path, "rb"));
    if (!f) return makeError(errno == ENOENT ? ErrorCode::NotFound : ErrorCode::IoError, reason());
    std::vector<std::uint8_t> data;
    std::uint8_t buf[65536];
    while (true) {
        std::size_t n = std::fread(buf, 1, sizeof buf, f.get());
        if (n > 0) {
            if (data.size() + n > maxBytes)
                return makeError(ErrorCode::TooLarge,
                                 "file is larger than " + std::to_string(maxBytes) + " bytes");
            data.insert(data.end(), buf, buf + n);
        }
        if (n < sizeof buf) {
            if (std::ferror(f.get())) return makeError(ErrorCode::IoError, reason());
            break;
        }
    }
    return data;
}

Status writeFile(const std::string& path, std::span<const std::uint8_t> data) {
    FilePtr f(openFile(path, "wb"));
    if (!f) return makeError(ErrorCode::IoError, reason());
    if (!data.empty() && std::fwrite(data.data(), 1, data.size(), f.get()) != data.size())
        return makeError(ErrorCode::IoError, reason());
    if (std::fclose(f.release()) != 0) return makeError(ErrorCode::IoError, reason());
    return okStatus();
}

}  // namespace core
