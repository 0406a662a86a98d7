// Text layout and text pictures (see text_layout.h).
#include "player/text_layout.h"

#include <algorithm>
#include <cmath>

namespace player {

namespace {

struct Item {
    const Font* font = nullptr;
    int glyph = -1;
    float advance = 0, ascent = 0, descent = 0, size = 0;
    bool space = false;
    std::uint32_t format = 0;
};

class Layouter {
public:
    Layouter(const StyledText& text, const TextBox& box, FontChooser& fonts)
        : m_text(text), m_box(box), m_fonts(fonts) {
        m_left = box.x0 + kTextGutter + box.paragraph.leftMargin;
        m_right = box.x1 - kTextGutter - box.paragraph.rightMargin;
        m_top = box.y0 + kTextGutter;
        m_y = m_top;
    }

    TextLayout run() {
        const std::u32string& s = m_text.text;
        std::size_t begin = 0;
        for (;;) {
            std::size_t end = s.find(U'\n', begin);
            if (end == std::u32string::npos) end = s.size();
            paragraph(begin, end);
            if (end >= s.size()) break;
            begin = end + 1;
        }
        m_out.textHeight = m_y - m_top;
        return std::move(m_out);
    }

private:
    const TextFormat& formatAt(std::size_t i) const {
        static const TextFormat kDefault;
        if (m_text.formats.empty()) return kDefault;
        if (i >= m_text.formatOf.size()) return m_text.formats[m_text.formatOf.empty() ? 0 : m_text.formatOf.back()];
        return m_text.format(i);
    }

    Item measure(std::size_t i) {
        const TextFormat& f = formatAt(i);
        const Font& font = m_fonts.fontFor(f);
        Item it;
        it.font = &font;
        it.size = f.size;
        it.format = m_text.formatOf.empty() ? 0 : m_text.formatOf[i];
        const float scale = f.size / kEmUnits;
        it.ascent = font.ascent() * scale;
        it.descent = font.descent() * scale;
        char32_t c = m_text.text[i];
        if (c == 0xA0 || c == U'\t') c = U' ';
        it.space = c == U' ';
        it.glyph = font.glyphFor(c);
        if (it.glyph >= 0) it.advance = font.advance(static_cast<std::size_t>(it.glyph)) * scale;
        return it;
    }

    void paragraph(std::size_t begin, std::size_t end) {
        const TextFormat& pf = formatAt(begin);
        std::vector<Item> items;
        items.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) items.push_back(measure(i));
        const float fullWidth = m_right - m_left;
        std::size_t pos = 0;
        bool first = true;
        do {
            // A negative indent does not pull the first line left of the margin.
            const float indent = (first ? std::max(0.0f, m_box.paragraph.indent) : 0.0f) +
                                 (pf.bullet ? kBulletIndent : 0.0f);
            const float avail = fullWidth - indent;
            std::size_t j = pos, lastBreak = pos;
            float w = 0;
            while (j < items.size()) {
                const Item& it = items[j];
                if (m_box.wordWrap && !it.space && j > pos && w + it.advance > avail) {
                    if (lastBreak > pos) j = lastBreak;
                    break;
                }
                w += it.advance;
                if (it.space) lastBreak = j + 1;
                ++j;
            }
            const bool last = j >= items.size();
            line(items, pos, j, indent, pf, first, last);
            pos = j;
            first = false;
        } while (pos < items.size());
    }

    void line(const std::vector<Item>& items, std::size_t from, std::size_t to, float indent,
              const TextFormat& pf, bool firstLine, bool lastLine) {
        float ascent = 0, descent = 0, width = 0;
        std::size_t visibleEnd = to;  // trailing spaces take no room
        while (visibleEnd > from && items[visibleEnd - 1].space) --visibleEnd;
        unsigned innerSpaces = 0;
        for (std::size_t k = from; k < to; ++k) {
            ascent = std::max(ascent, items[k].ascent);
            descent = std::max(descent, items[k].descent);
            if (k < visibleEnd) {
                width += items[k].advance;
                if (items[k].space) ++innerSpaces;
            }
        }
        if (from == to) {
            const Font& f = m_fonts.fontFor(pf);
            ascent = f.ascent() * pf.size / kEmUnits;
            descent = f.descent() * pf.size / kEmUnits;
        }
        const float avail = m_right - m_left - indent;
        const float extra = std::max(0.0f, avail - width);
        float x = m_left + indent;
        float spaceExtra = 0;
        switch (pf.align) {
        case TextAlign::Right: x += extra; break;
        case TextAlign::Center: x += extra / 2; break;
        case TextAlign::Justify:
            if (m_box.wordWrap && !lastLine && innerSpaces > 0) spaceExtra = extra / static_cast<float>(innerSpaces);
            break;
        case TextAlign::Left: break;
        }
        TextLine ln;
        ln.x = x;
        ln.baseline = m_y + ascent;
        ln.width = width + spaceExtra * static_cast<float>(innerSpaces);
        ln.ascent = ascent;
        ln.descent = descent;
        ln.firstGlyph = m_out.glyphs.size();
        const bool visible = m_y < m_box.y1;  // lines wholly below the field are not drawn
        if (visible && firstLine && pf.bullet && from < to) {
            const float r = std::max(20.0f, pf.size * 0.15f);
            const float cx = m_left + (indent - kBulletIndent) + kBulletIndent / 2;
            const float cy = ln.baseline - ascent * 0.35f;
            m_out.decorations.push_back({{cx - r, cy - r, cx + r, cy + r}, pf.color, true});
        }
        float pen = x;
        for (std::size_t k = from; k < to; ++k) {
            const Item& it = items[k];
            const TextFormat& f = m_text.formats.empty() ? pf : m_text.formats[it.format];
            const float adv = it.advance + (it.space && k < visibleEnd ? spaceExtra : 0.0f);
            if (visible && it.glyph >= 0 && !it.space && pen < m_box.x1) {
                PlacedGlyph g;
                g.font = it.font;
                g.glyph = static_cast<std::uint32_t>(it.glyph);
                g.x = pen;
                g.y = ln.baseline;
                g.size = it.size;
                g.color = f.color;
                g.fakeBold = f.bold && it.font->isFallback();
                g.fakeItalic = f.italic && it.font->isFallback();
                m_out.glyphs.push_back(g);
            }
            if (visible && f.underline && k < visibleEnd) {
                const float t = std::max(20.0f, it.size / 20.0f);
                const float uy = ln.baseline + std::max(t, it.descent * 0.4f);
                m_out.decorations.push_back({{pen, uy, pen + adv, uy + t}, f.color, false});
            }
            pen += adv;
        }
        ln.glyphCount = m_out.glyphs.size() - ln.firstGlyph;
        m_out.lines.push_back(ln);
        m_out.textWidth = std::max(m_out.textWidth, ln.width + indent);
        m_y += ascent + descent + m_box.paragraph.leading;
    }

    const StyledText& m_text;
    const TextBox& m_box;
    FontChooser& m_fonts;
    float m_left = 0, m_right = 0, m_top = 0, m_y = 0;
    TextLayout m_out;
};

TextRun& runFor(TextPicture& pic, swf::Rgba color, bool nonZero) {
    for (TextRun& r : pic.runs)
        if (r.color == color && r.nonZero == nonZero) return r;
    pic.runs.push_back(TextRun{{}, color, nonZero});
    return pic.runs.back();
}

void addCircle(render::Path& p, const render::Rect& box) {
    const float cx = (box.x0 + box.x1) / 2, cy = (box.y0 + box.y1) / 2, r = (box.x1 - box.x0) / 2;
    const float kCtrl = r / std::cos(3.14159265f / 8);
    p.moveTo(cx + r, cy);
    for (int k = 1; k <= 8; ++k) {
        const float a0 = 3.14159265f / 4 * static_cast<float>(k - 1);
        const float a1 = 3.14159265f / 4 * static_cast<float>(k);
        const float am = (a0 + a1) / 2;
        p.quadTo(cx + kCtrl * std::cos(am), cy + kCtrl * std::sin(am), cx + r * std::cos(a1), cy + r * std::sin(a1));
    }
    p.close();
}

void finishBounds(TextPicture& pic) {
    bool any = false;
    for (const TextRun& r : pic.runs) {
        if (r.path.isEmpty()) continue;
        const render::Rect b = r.path.bounds();
        if (!any) {
            pic.bounds = b;
            any = true;
        } else {
            pic.bounds.x0 = std::min(pic.bounds.x0, b.x0);
            pic.bounds.y0 = std::min(pic.bounds.y0, b.y0);
            pic.bounds.x1 = std::max(pic.bounds.x1, b.x1);
            pic.bounds.y1 = std::max(pic.bounds.y1, b.y1);
        }
    }
}

}  // namespace

TextLayout layoutText(const StyledText& text, const TextBox& box, FontChooser& fonts) {
    return Layouter(text, box, fonts).run();
}

void appendGlyph(render::Path& out, const render::Path& outline, float size, float x, float y, float shear) {
    const float s = size / kEmUnits;
    const auto& pts = outline.points();
    auto px = [&](std::size_t i) { return x + (pts[i].x - shear * pts[i].y) * s; };
    auto py = [&](std::size_t i) { return y + pts[i].y * s; };
    std::size_t i = 0;
    for (render::Verb v : outline.verbs()) {
        switch (v) {
        case render::Verb::Move: out.moveTo(px(i), py(i)); ++i; break;
        case render::Verb::Line: out.lineTo(px(i), py(i)); ++i; break;
        case render::Verb::Quad:
            out.quadTo(px(i), py(i), px(i + 1), py(i + 1));
            i += 2;
            break;
        case render::Verb::Close: out.close(); break;
        }
    }
}

TextPicture pictureOf(const TextLayout& layout) {
    TextPicture pic;
    for (const PlacedGlyph& g : layout.glyphs) {
        TextRun& run = runFor(pic, g.color, g.font->nonZero());
        const render::Path& outline = g.font->outline(g.glyph);
        const float shear = g.fakeItalic ? 0.2f : 0.0f;
        appendGlyph(run.path, outline, g.size, g.x, g.y, shear);
        if (g.fakeBold) appendGlyph(run.path, outline, g.size, g.x + g.size * 0.03f, g.y, shear);
    }
    for (const TextDecoration& d : layout.decorations) {
        TextRun& run = runFor(pic, d.color, true);
        if (d.round) addCircle(run.path, d.rect);
        else run.path.addRect(d.rect.x0, d.rect.y0, d.rect.x1, d.rect.y1);
    }
    finishBounds(pic);
    return pic;
}

TextPicture pictureOf(const swf::DefineText& text, FontCache& cache) {
    TextPicture pic;
    const Font* font = nullptr;
    float height = 0, x = 0, y = 0;
    swf::Rgba color{0, 0, 0, 255};
    for (const swf::TextRecord& rec : text.records) {
        if (rec.fontId) font = cache.font(*rec.fontId);
        if (rec.height) height = *rec.height;
        if (rec.color) color = *rec.color;
        if (rec.xOffset) x = *rec.xOffset;
        if (rec.yOffset) y = *rec.yOffset;
        for (const swf::TextRecord::Glyph& g : rec.glyphs) {
            if (font) {
                const int glyph = font->staticGlyph(g.index);
                if (glyph >= 0)
                    appendGlyph(runFor(pic, color, font->nonZero()).path,
                                font->outline(static_cast<std::size_t>(glyph)), height, x, y);
            }
            x += static_cast<float>(g.advance);
        }
    }
    const render::Matrix m{static_cast<float>(text.matrix.a), static_cast<float>(text.matrix.b),
                           static_cast<float>(text.matrix.c), static_cast<float>(text.matrix.d),
                           static_cast<float>(text.matrix.tx), static_cast<float>(text.matrix.ty)};
    for (TextRun& r : pic.runs) r.path = r.path.transformed(m);
    finishBounds(pic);
    return pic;
}

}  // namespace player
