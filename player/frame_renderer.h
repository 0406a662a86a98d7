#pragma once
// Drawing a frame: the display list, flattened by buildDrawList(), goes through the renderer.
//
// The target is cleared to the background colour (the ShowAll bars included), then every item
// is drawn in depth order with its concatenated matrix and colour transform. Shapes are
// converted once per character (morph shapes once per ratio) and kept; bitmaps are decoded on
// first use. The fills of one shape layer are summed in a group so that fills that
// meet leave no seam; its strokes follow on top. Clip layers are rendered into masks (the union
// of their items' fills and strokes) and an item's masks are intersected.
//
// Objects with filters, a blend mode other than normal, cacheAsBitmap or an opaque background
// (the draw list's layers) are drawn into an off-screen pixmap of their own, in the box of their
// content widened by the filters; the filters run on that box, and the result is composited
// with the object's colour transform, blend mode and outer masks. cacheAsBitmap objects, and
// objects with filters (which imply cacheAsBitmap), are drawn on whole device pixels. A layer whose content did not change since the last frame
// reuses its finished pixels (see layer_cache.h).

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
#include "player/layer_cache.h"
#include "player/library.h"
#include "player/shape_convert.h"
#include "player/text_layout.h"
#include "render/blend_modes.h"
#include "render/filters.h"
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
    unsigned layers = 0;        // objects drawn off-screen (filters, blend modes, cacheAsBitmap)
    unsigned layersReused = 0;  // of those, the ones whose pixels were kept from an earlier frame
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
    // Whether layers that did not change since the last frame reuse its pixels (the default);
    // off, every layer is drawn afresh.
    void setReuseLayers(bool on) {
        m_reuseLayers = on;
        if (!on) m_layerCache.clear();
    }

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
    const render::Mask* clipFor(Frame& f, const std::vector<std::uint32_t>& clipLayers);
    // Draws items [begin, end) and the layers among them, starting with layer `layer`; layers
    // from `layerEnd` on lie outside the range.
    void drawRange(Frame& f, std::uint32_t begin, std::uint32_t end, std::size_t layer, std::size_t layerEnd);
    void drawLayer(Frame& f, std::size_t index);
    // Device bounds of what an item draws (empty when it draws nothing).
    render::Rect itemBounds(Frame& f, const DrawItem& item);
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
    // Off-screen layers, one per nesting level, each the size of the target plus a margin on
    // every side; only the box a layer uses is drawn, filtered and cleared again.
    struct LayerSlot {
        render::Pixmap pixels;
        std::unique_ptr<render::Renderer> renderer;
    };
    std::vector<std::unique_ptr<LayerSlot>> m_layerSlots;
    render::FilterScratch m_filterScratch;
    LayerCache m_layerCache;
    bool m_reuseLayers = true;
};

// Filters of a SWF placement in device pixels (`scale` device pixels per stage pixel).
std::vector<render::Filter> toRenderFilters(const std::vector<swf::Filter>& filters, float scale);
render::BlendMode toRender(swf::BlendMode mode);

// The render stops of a SWF gradient, each on an entry of the 256-entry colour table of its own
// (stops that share a ratio move up one entry each), as the reference players place them.
std::vector<render::GradientStop> gradientStops(const std::vector<swf::GradientStop>& stops);

// Draws the player's current frame at width x height (the stage size when either is 0).
render::Pixmap renderPlayerFrame(const Player& player, FrameRenderer& renderer, int width = 0,
                                 int height = 0);

}  // namespace player
