#include "builders/saver_layout.h"

namespace builders {

bool composeSaverFile(std::string_view runtimeImage, std::string_view movie, std::string& out) {
    if (runtimeImage.size() != kSaverHeaderSize) return false;
    out.clear();
    out.reserve(kSaverHeaderSize + movie.size());
    out.append(runtimeImage.data(), kSaverMovieOffset);
    out.append(movie.data(), movie.size());
    out.push_back('\0');
    return true;
}

}  // namespace builders
