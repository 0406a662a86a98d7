// Fuzz target: the text field HTML reader and the layout of what it reads. The first byte picks
// the box (word wrap, width); the rest is the HTML. Every character must have a format, and
// every glyph laid out must come from the font that measured it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "player/html_text.h"
#include "player/text_layout.h"

namespace {

class FallbackOnly : public player::FontChooser {
public:
    const player::Font& fontFor(const player::TextFormat&) override { return m_font; }

private:
    player::Font m_font;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 1 << 16) return 0;
    static FallbackOnly fonts;
    const std::string html(reinterpret_cast<const char*>(data + 1), size - 1);
    const player::StyledText text = player::parseHtml(html, player::TextFormat{});
    if (text.formatOf.size() != text.text.size()) std::abort();
    for (std::uint32_t f : text.formatOf)
        if (f >= text.formats.size()) std::abort();
    player::TextBox box;
    box.x1 = static_cast<float>(data[0] & 0x7F) * 100.0f;
    box.y1 = 4000;
    box.wordWrap = (data[0] & 0x80) != 0;
    const player::TextLayout layout = player::layoutText(text, box, fonts);
    for (const player::PlacedGlyph& g : layout.glyphs)
        if (!g.font || g.glyph >= g.font->glyphCount()) std::abort();
    const player::TextPicture picture = player::pictureOf(layout);
    (void)picture;
    return 0;
}
