#pragma once
// The projector executable: the standalone player image followed by the movie and an 8-byte
// trailer by which the player finds the movie in its own file.
//
//   offset 0                      player image, kProjectorImageSize bytes, unchanged
//   offset kProjectorImageSize    the movie's L bytes, whole and unchanged
//   offset kProjectorImageSize+L  magic 0xFA123456, little-endian (bytes 56 34 12 FA)
//   offset kProjectorImageSize+L+4  L, unsigned 32-bit little-endian
//
// The file is kProjectorImageSize + L + 8 bytes long. This header is the one definition shared by
// the builder, the standalone player (which reads its own file) and the extractor; the build
// reads kProjectorImageSize from here to pad the player, so it stays on one line of this form.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace builders {

inline constexpr std::size_t kProjectorImageSize = 376832;
inline constexpr std::uint32_t kProjectorMagic = 0xFA123456u;
inline constexpr std::size_t kProjectorTrailerSize = 8;
// The largest movie a trailer can describe.
inline constexpr std::uint64_t kProjectorMaxMovie = 0xFFFFFFFFu;

constexpr std::uint64_t projectorFileLength(std::uint64_t movieLength) {
    return kProjectorImageSize + movieLength + kProjectorTrailerSize;
}

// The 8 trailer bytes for a movie of movieLength bytes.
std::string projectorTrailer(std::uint32_t movieLength);

// Lays out a projector in out (replacing its content): image, movie, trailer. False (out
// untouched) when the image is not kProjectorImageSize bytes or the movie does not fit a 32-bit
// length.
bool composeProjectorFile(std::string_view playerImage, std::string_view movie, std::string& out);

// The movie that a file's trailer describes: the L bytes before the last 8, when the file ends
// with the magic and a length L that fits in front of the trailer. Nothing else is checked; the
// standalone player plays whatever the trailer points at.
std::optional<std::string_view> trailerMovie(std::string_view file);

// Whether bytes begin with an SWF signature: "FWS" (uncompressed), "CWS" (zlib) or "ZWS" (LZMA).
bool startsWithSwfSignature(std::string_view bytes);

}  // namespace builders
