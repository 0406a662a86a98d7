// DefineBits, JPEGTables, DefineBitsJPEG2-4 and DefineBitsLossless 1-2: image bytes are kept
// as stored; decoding is the player's business.
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

Bytes copyOf(std::span<const std::uint8_t> s) { return Bytes(s.begin(), s.end()); }

DefineBitsJpeg readJpeg(core::BitReader& r, unsigned version) {
    DefineBitsJpeg j;
    j.version = version;
    j.id = r.u16();
    if (version <= 2) {
        j.imageData = copyOf(r.rest());
        return j;
    }
    std::uint32_t alphaOffset = r.u32();
    if (version == 4) j.deblocking = r.u16() / 256.0;
    j.imageData = copyOf(r.bytes(alphaOffset));
    j.alphaData = copyOf(r.rest());
    return j;
}

DefineBitsLossless readLossless(core::BitReader& r, unsigned version) {
    DefineBitsLossless b;
    b.version = version;
    b.id = r.u16();
    b.format = r.u8();
    b.width = r.u16();
    b.height = r.u16();
    if (b.format == 3) {
        b.colorTableSize = static_cast<std::uint16_t>(r.u8() + 1);
    } else if (b.format != 5 && !(b.format == 4 && version == 1)) {
        r.fail();  // no other pixel formats exist
        return b;
    }
    b.zlibData = copyOf(r.rest());
    return b;
}

}  // namespace

TagBody parseBitmapTag(core::BitReader& r, std::uint16_t code) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::DefineBits: return readJpeg(r, 1);
    case TagCode::DefineBitsJpeg2: return readJpeg(r, 2);
    case TagCode::DefineBitsJpeg3: return readJpeg(r, 3);
    case TagCode::DefineBitsJpeg4: return readJpeg(r, 4);
    case TagCode::JpegTables: return JpegTables{copyOf(r.rest())};
    case TagCode::DefineBitsLossless: return readLossless(r, 1);
    case TagCode::DefineBitsLossless2: return readLossless(r, 2);
    default: return SkippedTag{};
    }
}

}  // namespace swf::detail
