#pragma once
// A small SWF writer: encodes the plain tag structs back into bytes, so that tests can build
// exactly the movie they need (and later a demo movie can be produced). It writes what the
// parser reads; bit field widths are chosen as small as the values allow.

#include <cstdint>
#include <span>
#include <vector>

#include "core/bit_writer.h"
#include "swf/movie.h"
#include "swf/tags.h"

namespace swf {

// The tag code that stores `body` (for bodies shared by several codes, the version field picks
// it; SoundTag and the bodies without a code of their own give DefineSound and 0).
std::uint16_t tagCodeOf(const TagBody& body);
Tag makeTag(TagBody body);

// Encodes one tag, header included. `swfVersion` matters where the format depends on it
// (clip action flags are 16 bits before SWF 6).
Bytes encodeTag(const Tag& tag, unsigned swfVersion = 8);
// A tag from a code and raw body bytes; `forceLong` uses the long header even for short bodies.
Bytes encodeRawTag(std::uint16_t code, std::span<const std::uint8_t> body, bool forceLong = false);

// Record writers, exposed for tests of single records.
void writeRect(core::BitWriter& w, const Rect& r);
void writeMatrix(core::BitWriter& w, const Matrix& m);
void writeColorTransform(core::BitWriter& w, const ColorTransform& cx, bool withAlpha);
void writeShape(core::BitWriter& w, const Shape& s, const ShapeContext& ctx, bool withStyles);

class MovieWriter {
public:
    explicit MovieWriter(unsigned version = 8, int widthPx = 550, int heightPx = 400,
                         double frameRate = 24.0);

    MovieWriter& add(const TagBody& body);
    MovieWriter& add(const Tag& tag);
    MovieWriter& raw(std::uint16_t code, std::span<const std::uint8_t> body, bool forceLong = false);
    MovieWriter& showFrame();
    // Overrides the frame count written in the header (by default the ShowFrame count).
    MovieWriter& frameCount(std::uint16_t n);
    MovieWriter& frameSize(const Rect& twips);

    // The finished file. `withEnd` appends the End tag. There is no LZMA encoder: asking for
    // Compression::Lzma gives an empty result.
    Bytes finish(Compression compression = Compression::None, bool withEnd = true) const;

private:
    unsigned m_version;
    Rect m_frameSize;
    double m_frameRate;
    std::uint16_t m_frames = 0;
    std::optional<std::uint16_t> m_frameCountOverride;
    Bytes m_tags;
};

}  // namespace swf
