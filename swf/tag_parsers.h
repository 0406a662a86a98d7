#pragma once
// Internal: the per-family tag body parsers used by the tag stream reader.

#include <cstdint>
#include <vector>

#include "core/bit_reader.h"
#include "swf/movie.h"
#include "swf/tags.h"

namespace swf::detail {

struct ParseContext {
    unsigned swfVersion = 0;
    unsigned spriteDepth = 0;
    const ParseLimits* limits = nullptr;
    std::vector<Problem>* problems = nullptr;
};

// A string field as UTF-8, decoded for the movie's version.
std::string readString(core::BitReader& r, const ParseContext& ctx);

// Reads the tags of one stream (the movie or a sprite) until End or the end of the data.
std::vector<Tag> readTagStream(core::BitReader& r, const ParseContext& ctx, bool topLevel);

// Family parsers: each reads one tag body. Faults surface through r.failed().
TagBody parseShapeTag(core::BitReader& r, std::uint16_t code);
TagBody parseDisplayTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx);
TagBody parseBitmapTag(core::BitReader& r, std::uint16_t code);
TagBody parseFontTextTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx);
TagBody parseButtonTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx);
TagBody parseMiscTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx);

std::vector<Filter> readFilterList(core::BitReader& r);

}  // namespace swf::detail
