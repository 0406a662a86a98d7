// Fonts: glyph outlines converted once per font, codes, advances and kerning (see font.h).
#include "player/font.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "player/fallback_font.h"
#include "player/shape_convert.h"

namespace player {

namespace {

std::uint32_t pairKey(std::size_t left, std::size_t right) {
    return static_cast<std::uint32_t>((left & 0xFFFF) << 16 | (right & 0xFFFF));
}

render::Path glyphPath(const swf::Shape& shape, float scale) {
    ConvertedShape converted = convertGlyph(shape, swf::FillStyle{});
    render::Path out;
    const render::Matrix m{scale, 0, 0, scale, 0, 0};
    for (const ShapeLayer& layer : converted.layers) {
        for (const ShapeFill& fill : layer.fills) {
            const render::Path p = fill.path.transformed(m);
            const auto& pts = p.points();
            std::size_t i = 0;
            for (render::Verb v : p.verbs()) {
                switch (v) {
                case render::Verb::Move: out.moveTo(pts[i].x, pts[i].y); ++i; break;
                case render::Verb::Line: out.lineTo(pts[i].x, pts[i].y); ++i; break;
                case render::Verb::Quad:
                    out.quadTo(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y);
                    i += 2;
                    break;
                case render::Verb::Close: out.close(); break;
                }
            }
        }
    }
    return out;
}

}  // namespace

Font::Font() : m_name("_sans"), m_fallback(true) {
    m_ascent = static_cast<float>(fallback::kAscent);
    m_descent = static_cast<float>(fallback::kDescent);
    addFallbackGlyphs();
}

void Font::addFallbackGlyphs() {
    for (char32_t c = fallback::kFirstCode; c <= fallback::kLastCode; ++c)
        m_glyphs.push_back(Glyph{fallback::outline(c), fallback::advance(c), c});
    indexCodes();
}

void Font::indexCodes() {
    m_byCode.clear();
    for (std::size_t i = 0; i < m_glyphs.size(); ++i)
        if (m_glyphs[i].code) m_byCode.push_back(std::uint64_t{m_glyphs[i].code} << 32 | i);
    // Of glyphs that share a code, the first one counts.
    std::sort(m_byCode.begin(), m_byCode.end());
    m_byCode.erase(std::unique(m_byCode.begin(), m_byCode.end(),
                               [](std::uint64_t a, std::uint64_t b) { return a >> 32 == b >> 32; }),
                   m_byCode.end());
}

Font::Font(const swf::DefineFont& def, const swf::DefineFontInfo* info) {
    m_name = def.name;
    m_bold = def.bold;
    m_italic = def.italic;
    const std::vector<std::uint16_t>* codes = &def.codes;
    if (def.version == 1 && info) {
        codes = &info->codes;
        m_name = info->name;
        m_bold = info->bold;
        m_italic = info->italic;
    }
    // DefineFont3 stores glyphs and layout on an EM square of 20480 units.
    const float scale = def.version >= 3 ? 1.0f / 20.0f : 1.0f;
    const bool layout = def.hasLayout;
    m_glyphs.reserve(def.glyphs.size());
    bool anyOutline = false;
    for (std::size_t i = 0; i < def.glyphs.size(); ++i) {
        Glyph g;
        g.path = glyphPath(def.glyphs[i], scale);
        anyOutline = anyOutline || !g.path.isEmpty();
        if (layout && i < def.layout.advances.size()) {
            // Advances are read as unsigned: wide glyphs of large EM squares reach past 32767.
            g.advance = static_cast<float>(static_cast<std::uint16_t>(def.layout.advances[i])) * scale;
        } else {
            const render::Rect b = g.path.bounds();
            g.advance = g.path.isEmpty() ? kEmUnits / 4 : std::max(0.0f, b.x1) + kEmUnits / 16;
        }
        if (i < codes->size()) g.code = (*codes)[i];
        m_glyphs.push_back(std::move(g));
    }
    indexCodes();
    if (layout) {
        m_ascent = static_cast<float>(static_cast<std::uint16_t>(def.layout.ascent)) * scale;
        m_descent = static_cast<float>(static_cast<std::uint16_t>(def.layout.descent)) * scale;
        m_leading = static_cast<float>(def.layout.leading) * scale;
        for (const swf::KerningPair& k : def.layout.kerning) {
            const int l = glyphFor(k.left), r = glyphFor(k.right);
            if (l < 0 || r < 0) continue;
            const float adjustment = static_cast<float>(k.adjustment) * scale;
            std::uint32_t bits = 0;
            std::memcpy(&bits, &adjustment, sizeof bits);
            m_kerning.push_back(std::uint64_t{pairKey(static_cast<std::size_t>(l), static_cast<std::size_t>(r))} << 32 | bits);
        }
        std::sort(m_kerning.begin(), m_kerning.end());
    } else {
        m_ascent = static_cast<float>(fallback::kAscent);
        m_descent = static_cast<float>(fallback::kDescent);
    }
    if (!anyOutline) {
        // A device font: the movie names it but carries no outlines.
        m_fallback = true;
        m_deviceCodes = *codes;
        m_glyphs.clear();
        m_byCode.clear();
        m_kerning.clear();
        m_ascent = static_cast<float>(fallback::kAscent);
        m_descent = static_cast<float>(fallback::kDescent);
        addFallbackGlyphs();
    }
}

int Font::glyphFor(char32_t code) const {
    auto it = std::lower_bound(m_byCode.begin(), m_byCode.end(), std::uint64_t{code} << 32);
    if (it == m_byCode.end() || (*it >> 32) != code) return -1;
    return static_cast<int>(*it & 0xFFFFFFFFu);
}

int Font::staticGlyph(std::uint32_t index) const {
    if (!m_deviceCodes.empty()) return index < m_deviceCodes.size() ? glyphFor(m_deviceCodes[index]) : -1;
    if (m_fallback) return -1;  // the fallback font itself has no movie glyph indices
    return index < m_glyphs.size() ? static_cast<int>(index) : -1;
}

const render::Path& Font::outline(std::size_t glyph) const {
    static const render::Path kEmpty;
    return glyph < m_glyphs.size() ? m_glyphs[glyph].path : kEmpty;
}

float Font::advance(std::size_t glyph) const {
    return glyph < m_glyphs.size() ? m_glyphs[glyph].advance : 0.0f;
}

float Font::kerning(std::size_t left, std::size_t right) const {
    const std::uint64_t key = std::uint64_t{pairKey(left, right)} << 32;
    auto it = std::lower_bound(m_kerning.begin(), m_kerning.end(), key);
    if (it == m_kerning.end() || (*it >> 32) != (key >> 32)) return 0.0f;
    const auto bits = static_cast<std::uint32_t>(*it);
    float adjustment = 0;
    std::memcpy(&adjustment, &bits, sizeof adjustment);
    return adjustment;
}

const Font* FontCache::font(std::uint16_t id) {
    for (const auto& [fid, f] : m_fonts)
        if (fid == id) return f.get();
    const Character* c = m_library.find(id);
    std::unique_ptr<Font> f;
    if (c && c->kind == CharacterKind::Font)
        f = std::make_unique<Font>(*std::get<const swf::DefineFont*>(c->def), m_library.fontInfo(id));
    const Font* p = f.get();
    m_fonts.emplace_back(id, std::move(f));
    return p;
}

const Font* FontCache::byName(const std::string& name) {
    auto lower = [](std::string s) {
        for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return s;
    };
    const std::string want = lower(name);
    for (std::uint16_t id : m_library.fontIds()) {
        const Font* f = font(id);
        if (f && lower(f->name()) == want) return f;
    }
    return nullptr;
}

std::u32string decodeUtf8(const std::string& s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        char32_t cp = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || cp > 0x10FFFF) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string encodeUtf8(const std::u32string& s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace player
