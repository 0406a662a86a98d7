#pragma once
// The standalone player's movie: read from the program's own file through the projector trailer.

#include <windows.h>

#include <optional>
#include <string>

namespace projector {

// The full path of the running program's file.
std::wstring ownModulePath();

// The last component of a path, as the window caption shows it.
std::wstring fileNameOf(const std::wstring& path);

struct OwnMovie {
    std::string file;         // the program's whole file
    std::size_t offset = 0;   // where the movie starts in it
    std::size_t length = 0;   // its length, from the trailer
};

// Reads the whole file at path and finds its movie through the trailer; nullopt when the file
// cannot be read or ends without a valid trailer.
std::optional<OwnMovie> readOwnMovie(const std::wstring& path);

}  // namespace projector
