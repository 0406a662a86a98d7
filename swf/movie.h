#pragma once
// A whole movie: the header, the decompressed tag stream parsed into plain data, and every
// problem met on the way. Parsing is strict (each broken tag is reported with its code and
// byte offset) but keeps what is valid, so a player can play the rest.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "swf/tags.h"

namespace swf {

enum class Compression : std::uint8_t { None, Zlib, Lzma };

struct Header {
    Compression compression = Compression::None;
    std::uint8_t version = 0;
    std::uint32_t declaredLength = 0;  // uncompressed file length as stated in the header
    Rect frameSize;                    // twips
    double frameRate = 0;              // frames per second (8.8 fixed point in the file)
    std::uint16_t frameCount = 0;
    std::uint32_t headerLength = 0;    // bytes before the first tag (uncompressed)
};

enum class Severity : std::uint8_t { Warning, Error };

struct Problem {
    Severity severity = Severity::Error;
    std::string message;
    std::uint64_t offset = 0;               // in the decompressed movie
    std::optional<std::uint16_t> tagCode;   // the tag concerned, if any
};

struct Movie {
    Header header;
    std::vector<Tag> tags;  // top level, End included when present
    std::vector<Problem> problems;
    std::uint64_t decompressedSize = 0;

    bool hasErrors() const;
    // The first error problem, as one line ("PlaceObject2 at byte 1234: ..."); empty if none.
    std::string firstError() const;
};

// Limits applied while parsing. The defaults suit a 32-bit player.
struct ParseLimits {
    std::size_t maxDecompressedBytes = 64u << 20;  // decompressed movie, header included
    unsigned maxSpriteDepth = 8;                   // DefineSprite inside DefineSprite
    unsigned maxStagePixels = 8192;                // stage width and height
};

// Reads only the header (decompressing nothing beyond the first bytes needed).
core::Result<Header> parseHeader(std::span<const std::uint8_t> file, const ParseLimits& limits = {});

// Parses a whole movie. Fails only when nothing can be played: not a SWF file, an unsupported
// compression, a corrupt compressed stream at its start, or a size over the limits. Everything
// else is recorded in Movie::problems.
core::Result<Movie> parseMovie(std::span<const std::uint8_t> file, const ParseLimits& limits = {});

// Formats a problem as one line.
std::string describe(const Problem& p);

}  // namespace swf
