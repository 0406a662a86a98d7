// DefineFont 1-3, DefineFontInfo 1-2, DefineFontAlignZones, DefineFontName, DefineText 1-2
// and DefineEditText.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/text_encoding.h"
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

// A length-prefixed (UI8) font name; some writers include a terminating zero.
std::string readFontName(core::BitReader& r, const ParseContext& ctx) {
    std::size_t n = r.u8();
    auto raw = r.bytes(n);
    std::string s(reinterpret_cast<const char*>(raw.data()), raw.size());
    if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return core::movieStringToUtf8(s, ctx.swfVersion);
}

// Reads glyph shapes addressed by `offsets` (relative to `table`, which starts at absolute
// offset `tableAt`); glyph i ends where glyph i+1 starts, the last one at `end`.
bool readGlyphs(std::span<const std::uint8_t> table, std::uint64_t tableAt,
                const std::vector<std::uint32_t>& offsets, std::size_t end,
                std::vector<Shape>& glyphs, core::BitReader& outer) {
    glyphs.reserve(offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        std::size_t from = offsets[i];
        std::size_t to = i + 1 < offsets.size() ? offsets[i + 1] : end;
        if (from > to || to > table.size()) {
            outer.failAt(tableAt + std::min<std::size_t>(from, table.size()));
            return false;
        }
        core::BitReader g(table.subspan(from, to - from), tableAt + from);
        glyphs.push_back(readShape(g, ShapeContext{1, false}, false));
        if (g.failed()) {
            outer.failAt(g.failOffset());
            return false;
        }
    }
    return true;
}

DefineFont readFont1(core::BitReader& r) {
    DefineFont f;
    f.version = 1;
    f.id = r.u16();
    std::uint64_t tableAt = r.offset();
    auto table = r.rest();
    // A font with no glyphs (a device font described by DefineFontInfo) has no offset table.
    if (table.empty()) return f;
    core::BitReader t(table, tableAt);
    std::uint16_t first = t.u16();
    std::size_t count = first / 2;
    std::vector<std::uint32_t> offsets{first};
    for (std::size_t i = 1; i < count && !t.failed(); ++i) offsets.push_back(t.u16());
    if (t.failed()) {
        r.failAt(t.failOffset());
        return f;
    }
    readGlyphs(table, tableAt, offsets, table.size(), f.glyphs, r);
    return f;
}

DefineFont readFont23(core::BitReader& r, unsigned version, const ParseContext& ctx) {
    DefineFont f;
    f.version = version;
    f.id = r.u16();
    std::uint8_t flags = r.u8();
    f.hasLayout = flags & 0x80;
    f.shiftJis = flags & 0x40;
    f.smallText = flags & 0x20;
    f.ansi = flags & 0x10;
    f.wideOffsets = flags & 0x08;
    f.wideCodes = flags & 0x04;
    f.italic = flags & 0x02;
    f.bold = flags & 0x01;
    f.language = r.u8();
    f.name = readFontName(r, ctx);
    std::size_t count = r.u16();
    if (r.failed()) return f;

    std::uint64_t tableAt = r.offset();
    std::size_t tableStart = r.position();
    std::size_t offsetSize = f.wideOffsets ? 4 : 2;
    if (count > 0) {
        if (count * offsetSize > r.remaining()) {
            r.fail();
            return f;
        }
        std::vector<std::uint32_t> offsets;
        offsets.reserve(count);
        for (std::size_t i = 0; i < count; ++i) offsets.push_back(f.wideOffsets ? r.u32() : r.u16());
        std::uint32_t codeTable = f.wideOffsets ? r.u32() : r.u16();
        if (r.failed()) return f;
        // Glyph offsets count from the start of the offset table.
        std::span<const std::uint8_t> table = r.data().subspan(tableStart);
        if (codeTable < count * offsetSize || codeTable > table.size()) {
            r.failAt(tableAt);
            return f;
        }
        if (!readGlyphs(table, tableAt, offsets, codeTable, f.glyphs, r)) return f;
        r.skip(codeTable - (r.position() - tableStart));
    } else if (f.hasLayout) {
        // With no glyphs some writers still store the code table offset (pointing just past
        // itself) and some leave it out.
        core::BitReader peek = r;
        std::uint32_t v = f.wideOffsets ? peek.u32() : peek.u16();
        if (!peek.failed() && v == offsetSize) r.skip(offsetSize);
    }
    f.codes.reserve(count);
    for (std::size_t i = 0; i < count && !r.failed(); ++i)
        f.codes.push_back(f.wideCodes ? r.u16() : r.u8());
    if (!f.hasLayout || r.failed()) return f;
    f.layout.ascent = r.s16();
    f.layout.descent = r.s16();
    f.layout.leading = r.s16();
    if (count * 2 > r.remaining()) {
        r.fail();
        return f;
    }
    for (std::size_t i = 0; i < count; ++i) f.layout.advances.push_back(r.s16());
    for (std::size_t i = 0; i < count && !r.failed(); ++i) f.layout.bounds.push_back(readRect(r));
    // Some writers end the tag without the kerning table; an absent count means none.
    if (r.atEnd()) return f;
    std::size_t kerns = r.u16();
    for (std::size_t i = 0; i < kerns && !r.failed(); ++i) {
        KerningPair k;
        k.left = f.wideCodes ? r.u16() : r.u8();
        k.right = f.wideCodes ? r.u16() : r.u8();
        k.adjustment = r.s16();
        f.layout.kerning.push_back(k);
    }
    return f;
}

DefineFontInfo readFontInfo(core::BitReader& r, unsigned version, const ParseContext& ctx) {
    DefineFontInfo fi;
    fi.version = version;
    fi.fontId = r.u16();
    fi.name = readFontName(r, ctx);
    std::uint8_t flags = r.u8();
    fi.smallText = flags & 0x20;
    fi.shiftJis = flags & 0x10;
    fi.ansi = flags & 0x08;
    fi.italic = flags & 0x04;
    fi.bold = flags & 0x02;
    fi.wideCodes = flags & 0x01;
    if (version >= 2) fi.language = r.u8();
    while (!r.atEnd() && !r.failed()) fi.codes.push_back(fi.wideCodes ? r.u16() : r.u8());
    return fi;
}

float halfToFloat(std::uint16_t h) {
    int exp = (h >> 10) & 0x1F;
    int mant = h & 0x3FF;
    float v;
    if (exp == 0) v = std::ldexp(static_cast<float>(mant), -24);
    else if (exp == 31) v = mant ? NAN : INFINITY;
    else v = std::ldexp(static_cast<float>(mant | 0x400), exp - 25);
    return (h & 0x8000) ? -v : v;
}

DefineFontAlignZones readAlignZones(core::BitReader& r) {
    DefineFontAlignZones z;
    z.fontId = r.u16();
    z.csmTableHint = static_cast<std::uint8_t>(r.u8() >> 6);
    while (!r.atEnd() && !r.failed()) {
        DefineFontAlignZones::Zone zone;
        unsigned n = r.u8();
        for (unsigned i = 0; i < n && !r.failed(); ++i) {
            float align = halfToFloat(r.u16());
            float range = halfToFloat(r.u16());
            if (i == 0) { zone.alignX = align; zone.widthX = range; }
            if (i == 1) { zone.alignY = align; zone.heightY = range; }
        }
        std::uint8_t mask = r.u8();
        zone.hasY = mask & 0x02;
        zone.hasX = mask & 0x01;
        z.zones.push_back(zone);
    }
    return z;
}

DefineText readText(core::BitReader& r, unsigned version) {
    DefineText t;
    t.version = version;
    t.id = r.u16();
    t.bounds = readRect(r);
    t.matrix = readMatrix(r);
    unsigned glyphBits = r.u8();
    unsigned advanceBits = r.u8();
    while (!r.failed()) {
        std::uint8_t flags = r.u8();
        if (flags == 0) break;
        TextRecord rec;
        if (flags & 0x08) rec.fontId = r.u16();
        if (flags & 0x04) rec.color = version >= 2 ? readRgba(r) : readRgb(r);
        if (flags & 0x01) rec.xOffset = r.s16();
        if (flags & 0x02) rec.yOffset = r.s16();
        if (flags & 0x08) rec.height = r.u16();
        unsigned count = r.u8();
        for (unsigned i = 0; i < count && !r.failed(); ++i) {
            TextRecord::Glyph g;
            g.index = r.ub(glyphBits);
            g.advance = r.sb(advanceBits);
            rec.glyphs.push_back(g);
        }
        r.align();
        t.records.push_back(std::move(rec));
    }
    return t;
}

DefineEditText readEditText(core::BitReader& r, const ParseContext& ctx) {
    DefineEditText e;
    e.id = r.u16();
    e.bounds = readRect(r);
    std::uint8_t f1 = r.u8();
    std::uint8_t f2 = r.u8();
    bool hasText = f1 & 0x80;
    e.wordWrap = f1 & 0x40;
    e.multiline = f1 & 0x20;
    e.password = f1 & 0x10;
    e.readOnly = f1 & 0x08;
    bool hasColor = f1 & 0x04;
    bool hasMaxLength = f1 & 0x02;
    bool hasFont = f1 & 0x01;
    bool hasFontClass = f2 & 0x80;
    e.autoSize = f2 & 0x40;
    bool hasLayout = f2 & 0x20;
    e.noSelect = f2 & 0x10;
    e.border = f2 & 0x08;
    e.wasStatic = f2 & 0x04;
    e.html = f2 & 0x02;
    e.useOutlines = f2 & 0x01;
    if (hasFont) e.fontId = r.u16();
    if (hasFontClass) e.fontClass = readString(r, ctx);
    if (hasFont || hasFontClass) e.fontHeight = r.u16();
    if (hasColor) e.color = readRgba(r);
    if (hasMaxLength) e.maxLength = r.u16();
    if (hasLayout) {
        DefineEditText::Layout l;
        l.align = r.u8();
        l.leftMargin = r.u16();
        l.rightMargin = r.u16();
        l.indent = r.u16();
        l.leading = r.s16();
        e.layout = l;
    }
    e.variableName = readString(r, ctx);
    if (hasText) e.initialText = readString(r, ctx);
    return e;
}

}  // namespace

TagBody parseFontTextTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::DefineFont: return readFont1(r);
    case TagCode::DefineFont2: return readFont23(r, 2, ctx);
    case TagCode::DefineFont3: return readFont23(r, 3, ctx);
    case TagCode::DefineFontInfo: return readFontInfo(r, 1, ctx);
    case TagCode::DefineFontInfo2: return readFontInfo(r, 2, ctx);
    case TagCode::DefineFontAlignZones: return readAlignZones(r);
    case TagCode::DefineFontName: {
        DefineFontName n;
        n.fontId = r.u16();
        n.name = readString(r, ctx);
        n.copyright = readString(r, ctx);
        return n;
    }
    case TagCode::DefineText: return readText(r, 1);
    case TagCode::DefineText2: return readText(r, 2);
    case TagCode::DefineEditText: return readEditText(r, ctx);
    default: return SkippedTag{};
    }
}

}  // namespace swf::detail
