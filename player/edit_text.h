#pragma once
// A text field on stage: the content of a DefineEditText instance, settable at run time as
// plain text or as HTML, laid out in the field's box and drawn with its fonts.
//
// Fonts: a field that uses embedded outlines draws with its font (or, for HTML font faces,
// the movie's font of that name); a field without outlines draws device text with the
// fallback font. Plain text takes the field's font, size, colour and alignment. The text()
// of a field gives its paragraphs joined by '\r', as scripts see them.
//
// Line breaks in plain text always break lines; the paragraphs and breaks of HTML do so only in
// multiline fields (a single-line field shows them as spaces).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "player/font.h"
#include "player/html_text.h"
#include "player/text_layout.h"
#include "swf/tags.h"

namespace player {

// What a field draws behind and around its text (a field defined with a border has both, in
// white and black).
struct FieldDecor {
    bool border = false, background = false;
    std::uint32_t borderColor = 0, backgroundColor = 0xFFFFFF;  // 0xRRGGBB
};

class EditText {
public:
    EditText(const swf::DefineEditText& def, FontCache& fonts);
    EditText(const EditText&) = delete;
    EditText& operator=(const EditText&) = delete;

    const swf::DefineEditText& definition() const { return m_def; }
    const std::string& variableName() const { return m_def.variableName; }
    bool isHtml() const { return m_def.html; }

    // Replaces the content with plain text (UTF-8; "\r\n", '\r' and '\n' break paragraphs).
    void setText(const std::string& utf8);
    // Replaces the content with HTML; a field that is not an HTML field takes it as plain text.
    void setHtmlText(const std::string& html);
    // The content as plain text, paragraphs joined by '\r'.
    std::string text() const;
    // The HTML last set (or, for content set as plain text, that text with its markup escaped).
    const std::string& htmlText() const { return m_html; }

    // The format plain text takes (the field's font, size, colour and alignment).
    const TextFormat& defaultFormat() const { return m_format; }
    const StyledText& content() const { return m_content; }

    // Script changes. The definition gives the box, the flags and the colour; the content stays
    // (re-read as HTML when the field becomes an HTML field).
    void setDefinition(const swf::DefineEditText& def);
    // Sets the format and paragraph layout that text set from now on takes; `wholeText` also
    // gives them to the current content (otherwise it keeps the layout it has).
    void setFormat(const TextFormat& format, const ParagraphLayout& paragraph, bool wholeText);
    // The paragraph layout of text set from now on.
    const ParagraphLayout& paragraph() const { return m_paragraph; }
    const FieldDecor& decor() const { return m_decor; }
    void setDecor(const FieldDecor& decor) {
        m_decor = decor;
        changed();
    }

    // Laid out and drawn on first use after a change.
    const TextLayout& layout() const;
    const TextPicture& picture() const;
    // Changes with every change of what the field shows; no two fields of a process, and no two
    // states of one field, share a revision (until the 32-bit count wraps).
    std::uint32_t revision() const { return m_revision; }

private:
    // The fonts of this field's formats (a member, not a base: the field is no FontChooser).
    struct Fonts : FontChooser {
        const EditText* field = nullptr;
        const Font& fontFor(const TextFormat& format) override;
    };
    void changed();
    void configure();

    swf::DefineEditText m_def;  // a copy: scripts change it
    FieldDecor m_decor;
    FontCache& m_fonts;
    const Font* m_font = nullptr;  // the field's own font when it draws embedded outlines
    TextFormat m_format;
    ParagraphLayout m_paragraph;  // for new text; m_box holds the current content's
    TextBox m_box;
    StyledText m_content;
    std::string m_html;
    std::uint32_t m_revision;
    mutable std::optional<TextLayout> m_layout;
    mutable std::optional<TextPicture> m_picture;
    mutable Fonts m_chooser;
};

}  // namespace player
