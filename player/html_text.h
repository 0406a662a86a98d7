#pragma once
// The HTML subset of text fields, read into styled text: b, i, u, font (color, size, face),
// p (align), br and li, the character entities &lt; &gt; &amp; &quot; &apos; &nbsp; and
// numeric ones. Unknown tags are ignored with their markup; their content stays. Paragraphs end
// in '\n' in the text; a paragraph's alignment and bullet are those of its first character.

#include <cstdint>
#include <string>
#include <vector>

#include "swf/records.h"

namespace player {

enum class TextAlign : std::uint8_t { Left, Right, Center, Justify };

struct TextFormat {
    std::string face;    // font name; empty: the field's own font
    float size = 240;    // twips
    swf::Rgba color{0, 0, 0, 255};
    bool bold = false, italic = false, underline = false;
    bool bullet = false;  // paragraph of a list item
    TextAlign align = TextAlign::Left;
    bool operator==(const TextFormat&) const = default;
};

struct StyledText {
    std::u32string text;
    std::vector<TextFormat> formats;
    std::vector<std::uint32_t> formatOf;  // one index into `formats` per character

    // Appends `s` in format `f`.
    void append(const std::u32string& s, const TextFormat& f);
    const TextFormat& format(std::size_t i) const { return formats[formatOf[i]]; }
};

// Plain text in one format. "\r\n" and '\r' become '\n'.
StyledText plainText(const std::u32string& text, const TextFormat& format);
// Reads `html` with `base` as the format outside every tag.
StyledText parseHtml(const std::string& html, const TextFormat& base);

}  // namespace player
