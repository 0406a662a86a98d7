// The POSIX file lookup; the Windows build uses output_name_win32.cpp instead. POSIX names are
// stored exactly as given, so the listed name is the path's last component once it names a
// regular file.
#ifndef _WIN32

#include <sys/stat.h>

#include "builders/output_name.h"
#include "ui/file_system.h"

namespace builders {
namespace {

class PosixFileLookup final : public FileLookup {
public:
    std::optional<std::string> listedName(std::string_view path) override {
        if (path.empty() || ui::hasEmbeddedNul(path) || hasWildcard(path)) return std::nullopt;
        const std::string p(path);
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
        return std::string(lastPathComponent(path));
    }
};

}  // namespace

FileLookup& nativeFileLookup() {
    static PosixFileLookup lookup;
    return lookup;
}

}  // namespace builders

#endif  // _WIN32
