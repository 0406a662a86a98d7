#include "projector/own_movie_win32.h"

#include "builders/projector_layout.h"

namespace projector {

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : m_h(h) {}
    ~FileHandle() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return m_h; }
    bool valid() const { return m_h != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_h;
};

// The program file grows by the movie; anything past this is not a file we wrote.
constexpr ULONGLONG kMaxOwnFile = 1ull << 30;

}  // namespace

std::wstring ownModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

std::optional<OwnMovie> readOwnMovie(const std::wstring& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<ULONGLONG>(size.QuadPart) > kMaxOwnFile) {
        return std::nullopt;
    }
    OwnMovie own;
    own.file.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t got = 0;
    while (got < own.file.size()) {
        const DWORD want = static_cast<DWORD>(own.file.size() - got > (1u << 24) ? (1u << 24)
                                                                                 : own.file.size() - got);
        DWORD read = 0;
        if (!ReadFile(file.get(), own.file.data() + got, want, &read, nullptr) || read == 0) {
            return std::nullopt;
        }
        got += read;
    }
    const std::optional<std::string_view> movie = builders::trailerMovie(own.file);
    if (!movie) return std::nullopt;
    own.offset = static_cast<std::size_t>(movie->data() - own.file.data());
    own.length = movie->size();
    return own;
}

}  // namespace projector
