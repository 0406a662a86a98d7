#include "builders/projector_layout.h"

namespace builders {

namespace {

void putLittleEndian32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t readLittleEndian32(std::string_view bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

}  // namespace

std::string projectorTrailer(std::uint32_t movieLength) {
    std::string t;
    t.reserve(kProjectorTrailerSize);
    putLittleEndian32(t, kProjectorMagic);
    putLittleEndian32(t, movieLength);
    return t;
}

bool composeProjectorFile(std::string_view playerImage, std::string_view movie, std::string& out) {
    if (playerImage.size() != kProjectorImageSize) return false;
    if (movie.size() > kProjectorMaxMovie) return false;
    out.clear();
    out.reserve(kProjectorImageSize + movie.size() + kProjectorTrailerSize);
    out.append(playerImage);
    out.append(movie);
    out.append(projectorTrailer(static_cast<std::uint32_t>(movie.size())));
    return true;
}

std::optional<std::string_view> trailerMovie(std::string_view file) {
    if (file.size() < kProjectorTrailerSize) return std::nullopt;
    const std::size_t trailerAt = file.size() - kProjectorTrailerSize;
    if (readLittleEndian32(file, trailerAt) != kProjectorMagic) return std::nullopt;
    const std::uint32_t length = readLittleEndian32(file, trailerAt + 4);
    if (length > trailerAt) return std::nullopt;
    return file.substr(trailerAt - length, length);
}

bool startsWithSwfSignature(std::string_view bytes) {
    if (bytes.size() < 3 || bytes[1] != 'W' || bytes[2] != 'S') return false;
    return bytes[0] == 'F' || bytes[0] == 'C' || bytes[0] == 'Z';
}

}  // namespace builders
