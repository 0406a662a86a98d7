#pragma once
// Drawing a frame: the display list, flattened by buildDrawList(), goes through the renderer.
//
// The target is cleared to the background colour (the ShowAll bars included), then every item
// is drawn in depth order with its concatenated matrix and colour transform. Shapes are
// converted once per character (morph shapes once per ratio) and kept; bitmaps are decoded on
// first use. The fills of one shape layer are summed in a group so that fills that
// meet leave no seam; its strokes follow on top. Clip layers are rendered into masks (the union
// of their items' fills and strokes) and an item's masks are intersected.

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "player/draw_list.h"
#include "player/edit_text.h"
#include "player/font.h"
#include "player/library.h"
#include "player/shape_convert.h"
#include "player/text_layout.h"
#include "render/renderer.h"
#include "render/viewport.h"

namespace player {

class Player;

enum class Quality { Low, High };

// What a frame drew and what it could not.
struct RenderReport {
    std::set<std::uint16_t> brokenBitmaps;   // bitmaps whose data failed to decode (drawn as nothing)
    std::set<std::uint16_t> missingCharacters;
    unsigned editTexts = 0;    // edit text fields on stage
    unsigned blendedItems = 0;  // items with a blend mode other than normal (drawn as normal)
    unsigned itemsDrawn = 0;
    unsigned pathsDrawn = 0;    // fills and strokes passed to the renderer
};

class FrameRenderer {
public:
    explicit FrameRenderer(const Library& library);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    void setQuality(Quality q) { m_quality = q; }
    Quality quality() const { return m_quality; }

    // Draws `list` into `target` with the stage (`frameSize`, twips) fitted ShowAll.
    void render(const DrawList& list, const swf::Rect& frameSize, swf::Rgba background,
                render::Pixmap& target);

    // Figures of the last render() call.
    const RenderReport& report() const { return m_report; }

    // The converted shape of a character (nullptr when it is not a shape or morph).
    const ConvertedShape* shapeOf(std::uint16_t id, CharacterKind kind, std::uint16_t ratio);

private:
    struct Frame;
    void drawItem(Frame& f, const DrawItem& item);
    void drawShape(Frame& f, const ConvertedShape& shape, const render::Matrix& m,
                   const render::ColorTransform& cx);
    // The background and border of a bordered edit text field.
    void drawEditTextBox(Frame& f, const swf::DefineEditText& text, const FieldDecor& decor,
                         const render::Matrix& m, const render::ColorTransform& cx);
    void maskShape(Frame& f, render::Mask& mask, const ConvertedShape& shape, const render::Matrix& m);
    const render::Mask* clipFor(Frame& f, const DrawItem& item);
    bool makePaint(const swf::FillStyle& fill, render::Paint& out);
    const render::Pixmap* bitmap(std::uint16_t id);
    const TextPicture* staticText(std::uint16_t id);
    void drawText(Frame& f, const TextPicture& text, const render::Matrix& m,
                  const render::ColorTransform& cx);

    const Library& m_library;
    Quality m_quality = Quality::High;
    RenderReport m_report;
    std::unordered_map<std::uint16_t, std::unique_ptr<ConvertedShape>> m_shapes;
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::unique_ptr<ConvertedShape>> m_morphs;
    std::unordered_map<std::uint16_t, std::unique_ptr<render::Pixmap>> m_bitmaps;
    FontCache m_fonts;
    std::unordered_map<std::uint16_t, std::unique_ptr<TextPicture>> m_texts;
    std::unique_ptr<render::Renderer> m_renderer;  // bound to the last target drawn into
};

// The render stops of a SWF gradient, each on an entry of the 256-entry colour table of its own
// (stops that share a ratio move up one entry each), as the reference players place them.
std::vector<render::GradientStop> gradientStops(const std::vector<swf::GradientStop>& stops);

// Draws the player's current frame at width x height (the stage size when either is 0).
render::Pixmap renderPlayerFrame(const Player& player, FrameRenderer& renderer, int width = 0,
                                 int height = 0);

}  // namespace player
