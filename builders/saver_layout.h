#pragma once
// The screensaver file: the runtime image with the movie joined to it at a fixed position.
//
//   offset 0                     runtime image bytes 0 .. kSaverHeaderSize - 2, unchanged
//   offset kSaverHeaderSize - 1  the movie's N bytes, whole and unchanged
//   offset kSaverHeaderSize - 1 + N   one zero byte
//
// The file is kSaverHeaderSize + N bytes long. There is no marker and no length field: the
// reader takes file length - kSaverHeaderSize as the movie length. The image's last byte is
// padding that the runtime never needs; the movie's first byte lands on it.
//
// This header is the one definition shared by the builder (which writes the layout) and by the
// runtime (which reads its own file); the build also reads kSaverHeaderSize from here to pad the
// runtime executable, so the number must stay on one line of the form below.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace builders {

// 32 units of 32,768 bytes. The runtime carries our SWF engine and renderer, statically linked;
// see saver_runtime/CMakeLists.txt for the size check that fails the build when it outgrows this.
inline constexpr std::size_t kSaverHeaderSize = 1048576;
static_assert(kSaverHeaderSize % 32768 == 0, "the header is a whole number of 32 KiB units");

// Offset of the movie's first byte in a saver file.
inline constexpr std::size_t kSaverMovieOffset = kSaverHeaderSize - 1;

// Length of the saver file for a movie of movieLength bytes.
constexpr std::uint64_t saverFileLength(std::uint64_t movieLength) {
    return kSaverHeaderSize + movieLength;
}

// The movie part of a saver file's bytes: movieLength = size - kSaverHeaderSize bytes from
// kSaverMovieOffset. A file of kSaverHeaderSize bytes or less holds no movie (empty view).
constexpr std::string_view saverMovie(std::string_view saverFile) {
    if (saverFile.size() <= kSaverHeaderSize) return {};
    return saverFile.substr(kSaverMovieOffset, saverFile.size() - kSaverHeaderSize);
}

// Lays out a saver file in out (replacing its content): image minus its last byte, the movie,
// one zero byte. The image must be exactly kSaverHeaderSize bytes; false (out untouched) when
// it is not, since any other length would put the movie where the runtime does not look.
bool composeSaverFile(std::string_view runtimeImage, std::string_view movie, std::string& out);

}  // namespace builders
