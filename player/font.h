#pragma once
// Fonts as the text code uses them: glyph outlines as render paths on an EM square of 1024
// units (DefineFont3 stores its glyphs 20 times finer; they are scaled down here), advances,
// ascent, descent and leading in the same units, and the character code of every glyph (from
// the font itself, or from DefineFontInfo for DefineFont version 1).
//
// A font without outlines (a device font, or one of no glyphs at all) draws with the fallback
// outline font the engine carries; FontCache::fallback() gives that font on its own.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "player/library.h"
#include "render/path.h"
#include "swf/tags.h"

namespace player {

inline constexpr float kEmUnits = 1024.0f;

class Font {
public:
    // A font from its definition; `info` gives the codes of a version 1 font (may be null).
    Font(const swf::DefineFont& def, const swf::DefineFontInfo* info);
    // The fallback font.
    Font();

    const std::string& name() const { return m_name; }
    bool bold() const { return m_bold; }
    bool italic() const { return m_italic; }
    // True for the fallback font and for definitions whose glyphs it stands in for.
    bool isFallback() const { return m_fallback; }
    // Outlines are closed contours; embedded glyphs fill even-odd as shapes do, the fallback
    // font non-zero as its source font does.
    bool nonZero() const { return m_fallback; }

    std::size_t glyphCount() const { return m_glyphs.size(); }
    // The glyph for a character code, or -1.
    int glyphFor(char32_t code) const;
    // The glyph that glyph index `index` of a static text record draws: the index itself, or
    // for a device font the fallback glyph of the code the movie gives that index (-1: none).
    int staticGlyph(std::uint32_t index) const;
    const render::Path& outline(std::size_t glyph) const;
    // Advance in EM units: the font's layout table when it has one, else the outline's width.
    float advance(std::size_t glyph) const;
    // Kerning between two glyphs in EM units (0 when the font has no pair for them).
    float kerning(std::size_t left, std::size_t right) const;

    float ascent() const { return m_ascent; }
    float descent() const { return m_descent; }
    float leading() const { return m_leading; }

private:
    struct Glyph {
        render::Path path;
        float advance = 0;
        char32_t code = 0;
    };
    void addFallbackGlyphs();

    std::string m_name;
    bool m_bold = false, m_italic = false, m_fallback = false;
    float m_ascent = 0, m_descent = 0, m_leading = 0;
    std::vector<Glyph> m_glyphs;
    // Sorted keys with their values in the low 32 bits: code << 32 | glyph, and
    // (left << 16 | right) << 32 | the adjustment's float bits. Sorted vectors keep the
    // standalone player small where hash maps would add their code for each key type.
    void indexCodes();
    std::vector<std::uint64_t> m_byCode;
    std::vector<std::uint16_t> m_deviceCodes;  // codes of a device font's glyph indices
    std::vector<std::uint64_t> m_kerning;
};

// Fonts of one movie, built on first use and kept (pointers stay valid for the cache's life).
class FontCache {
public:
    explicit FontCache(const Library& library) : m_library(library) {}
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The font with character id `id`, or null when the id is not a font.
    const Font* font(std::uint16_t id);
    // A font of the movie whose name matches `name` (case-insensitive), or null.
    const Font* byName(const std::string& name);
    const Font& fallback() { return m_fallback; }

private:
    const Library& m_library;
    std::vector<std::pair<std::uint16_t, std::unique_ptr<Font>>> m_fonts;  // few per movie
    Font m_fallback;
};

// Decodes UTF-8 into code points; malformed bytes become U+FFFD.
std::u32string decodeUtf8(const std::string& s);
std::string encodeUtf8(const std::u32string& s);

}  // namespace player
