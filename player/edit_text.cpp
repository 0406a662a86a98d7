// Text fields: content, formats and the cached layout (see edit_text.h).
#include "player/edit_text.h"

#include <atomic>
#include <cctype>

namespace player {

namespace {

std::string escapeHtml(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c; break;
        }
    }
    return out;
}

TextAlign alignOf(std::uint8_t a) {
    switch (a) {
    case 1: return TextAlign::Right;
    case 2: return TextAlign::Center;
    case 3: return TextAlign::Justify;
    default: return TextAlign::Left;
    }
}

std::uint32_t nextRevision() {
    static std::atomic<std::uint32_t> counter{0};
    return ++counter;
}

}  // namespace

EditText::EditText(const swf::DefineEditText& def, FontCache& fonts)
    : m_def(def), m_fonts(fonts), m_revision(nextRevision()) {
    m_decor.border = m_decor.background = def.border;
    configure();
    const std::string initial = def.initialText.value_or(std::string());
    if (def.html) setHtmlText(initial);
    else setText(initial);
}

void EditText::configure() {
    const swf::DefineEditText& def = m_def;
    m_font = nullptr;
    if (def.fontId) {
        const Font* f = m_fonts.font(*def.fontId);
        if (f && def.useOutlines && !f->isFallback()) m_font = f;
        if (f) m_format.face = f->name();
    }
    if (def.fontHeight) m_format.size = *def.fontHeight;
    if (def.color) m_format.color = *def.color;
    m_box.x0 = static_cast<float>(def.bounds.xMin);
    m_box.y0 = static_cast<float>(def.bounds.yMin);
    m_box.x1 = static_cast<float>(def.bounds.xMax);
    m_box.y1 = static_cast<float>(def.bounds.yMax);
    m_box.wordWrap = def.wordWrap;
    if (def.layout) {
        m_format.align = alignOf(def.layout->align);
        m_box.paragraph.leftMargin = def.layout->leftMargin;
        m_box.paragraph.rightMargin = def.layout->rightMargin;
        // The file's indent is signed (layout keeps the first line from starting left of the margin).
        m_box.paragraph.indent = static_cast<std::int16_t>(def.layout->indent);
        m_box.paragraph.leading = def.layout->leading;
    }
    m_paragraph = m_box.paragraph;
}

void EditText::setDefinition(const swf::DefineEditText& def) {
    const bool wasHtml = m_def.html;
    const std::string content = m_html;
    // Flags and bounds change here, never the format: the format and paragraph layout the field
    // has now (perhaps given by a script) stay, and so does the font a format chose.
    const TextFormat format = m_format;
    const ParagraphLayout paragraph = m_paragraph, contentParagraph = m_box.paragraph;
    const Font* font = m_font;
    m_def = def;
    configure();
    m_format = format;
    m_paragraph = paragraph;
    if (def.useOutlines) {
        const Font* named = format.face.empty() ? nullptr : m_fonts.byName(format.face);
        if (named && !named->isFallback()) m_font = named;
        else if (!m_font) m_font = font;
    }
    // The content stays as it is; HTML in an HTML field is read again, as its flags shape it.
    if (wasHtml && def.html) setHtmlText(content);
    m_box.paragraph = contentParagraph;
    changed();
}

void EditText::setFormat(const TextFormat& format, const ParagraphLayout& paragraph, bool wholeText) {
    m_format = format;
    m_paragraph = paragraph;
    // An embedded font named by the format draws the field when it uses outlines.
    if (m_def.useOutlines && !format.face.empty())
        if (const Font* named = m_fonts.byName(format.face); named && !named->isFallback()) m_font = named;
    if (wholeText) {
        m_box.paragraph = paragraph;
        for (TextFormat& f : m_content.formats) f = format;
        m_html = escapeHtml(text());
    }
    changed();
}

const Font& EditText::Fonts::fontFor(const TextFormat& format) {
    FontCache& cache = field->m_fonts;
    const Font* own = field->m_font;
    if (!own) return cache.fallback();
    if (!format.face.empty() && format.face != own->name()) {
        if (const Font* named = cache.byName(format.face); named && !named->isFallback()) return *named;
    }
    return *own;
}

void EditText::changed() {
    m_revision = nextRevision();
    m_layout.reset();
    m_picture.reset();
}

void EditText::setText(const std::string& utf8) {
    m_content = plainText(decodeUtf8(utf8), m_format);
    m_box.paragraph = m_paragraph;
    m_html = escapeHtml(utf8);
    changed();
}

void EditText::setHtmlText(const std::string& html) {
    if (!m_def.html) {
        setText(html);
        return;
    }
    m_content = parseHtml(html, m_format);
    m_box.paragraph = m_paragraph;
    // A single-line field shows its paragraphs on one line.
    if (!m_def.multiline)
        for (char32_t& c : m_content.text)
            if (c == U'\n') c = U' ';
    m_html = html;
    changed();
}

std::string EditText::text() const {
    std::u32string t = m_content.text;
    for (char32_t& c : t)
        if (c == U'\n') c = U'\r';
    return encodeUtf8(t);
}

const TextLayout& EditText::layout() const {
    if (m_layout) return *m_layout;
    // Choosing fonts fills the movie's font cache, which the field holds by reference.
    m_chooser.field = this;
    Fonts& self = m_chooser;
    if (m_def.password) {
        StyledText masked = m_content;
        for (char32_t& c : masked.text)
            if (c != U'\n') c = U'*';
        m_layout = layoutText(masked, m_box, self);
    } else {
        m_layout = layoutText(m_content, m_box, self);
    }
    return *m_layout;
}

const TextPicture& EditText::picture() const {
    if (!m_picture) m_picture = pictureOf(layout());
    return *m_picture;
}

}  // namespace player
