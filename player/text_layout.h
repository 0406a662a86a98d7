#pragma once
// Laying out styled text in a text field, and the filled paths that draw laid-out text.
//
// Units are twips in the field's own space. The text area is the field's bounds less a gutter
// of 2 pixels on every side and the left and right margins; a paragraph's first line starts
// further in by the indent, and list items by the bullet indent. A line is as tall as the
// largest ascent plus the largest descent of its characters; lines follow each other at that
// height plus the leading. With word wrap, lines break after spaces (a word wider than the line
// breaks between characters); without it, only paragraph ends break lines. Alignment places
// each line in the text area; justified lines (all but a paragraph's last) widen their spaces.

#include <cstdint>
#include <vector>

#include "player/font.h"
#include "player/html_text.h"
#include "render/path.h"

namespace player {

inline constexpr float kTextGutter = 40.0f;        // 2 pixels
inline constexpr float kBulletIndent = 720.0f;     // list items start 36 pixels in

struct ParagraphLayout {
    float leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;  // twips
};

struct TextBox {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the field's bounds, twips
    bool wordWrap = false;
    ParagraphLayout paragraph;
};

struct PlacedGlyph {
    const Font* font = nullptr;
    std::uint32_t glyph = 0;
    float x = 0, y = 0;  // pen position on the baseline
    float size = 0;      // EM height in twips
    swf::Rgba color;
    bool fakeBold = false, fakeItalic = false;  // the fallback font draws styles it lacks
};

struct TextLine {
    float x = 0, baseline = 0, width = 0, ascent = 0, descent = 0;
    std::size_t firstGlyph = 0, glyphCount = 0;
};

// An underline or a list bullet: filled in its colour.
struct TextDecoration {
    render::Rect rect;
    swf::Rgba color;
    bool round = false;  // a bullet
};

struct TextLayout {
    std::vector<PlacedGlyph> glyphs;
    std::vector<TextLine> lines;
    std::vector<TextDecoration> decorations;
    float textWidth = 0, textHeight = 0;  // the widest line and the height of all lines
};

// Picks the font a format draws with.
class FontChooser {
public:
    virtual ~FontChooser() = default;
    virtual const Font& fontFor(const TextFormat& format) = 0;
};

TextLayout layoutText(const StyledText& text, const TextBox& box, FontChooser& fonts);

// Paths that draw text: one per colour and fill rule, in the order first met.
struct TextRun {
    render::Path path;
    swf::Rgba color;
    bool nonZero = false;
};

struct TextPicture {
    std::vector<TextRun> runs;
    render::Rect bounds;  // of every run (empty when nothing draws)
};

// Adds the outline of one glyph, scaled to `size` twips per EM and moved to (x, y).
void appendGlyph(render::Path& out, const render::Path& outline, float size, float x, float y,
                 float shear = 0.0f);

TextPicture pictureOf(const TextLayout& layout);
// The glyph records of a DefineText, drawn in its own matrix (fonts from `cache`).
TextPicture pictureOf(const swf::DefineText& text, FontCache& cache);

}  // namespace player
