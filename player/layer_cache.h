#pragma once
// Finished off-screen layers kept between frames. A layer (an object with filters, a blend mode
// or cacheAsBitmap) costs a full draw of its content plus its filters every frame; when nothing
// that goes into its pixels changed since the last frame, its filtered pixels are reused.
//
// A layer's key lists everything its pixels depend on: the items and nested layers inside it
// (characters, matrices, colour transforms, ratios, masks, filters, drawing-API shapes, text
// field revisions) and how the frame maps the stage onto the pixmap. The layer's own colour
// transform, blend mode and outer masks are not in it: they apply when the pixels are composited.
// Cached bitmaps (cacheAsBitmap or filters) hold their content on the pixel grid wherever they
// are, so their keys leave out where the object is (its translation on stage): one that only
// moved is reused at its new place.
// A layer with filters has its pixels kept the first time (filters cost far more than the copy);
// any other is kept the second frame running it looks the same, so a cheap layer that changes
// every frame costs no copies. Entries not used in a frame are dropped at its end, and the kept
// pixels are limited to a fixed budget.

#include <cstdint>
#include <memory>
#include <vector>

#include "player/draw_list.h"
#include "player/shape_convert.h"
#include "render/pixmap.h"
#include "render/renderer.h"

namespace player {

struct LayerKey {
    std::vector<std::uint32_t> words;
    std::vector<swf::Filter> filters;
    // Drawing-API shapes are compared by address; holding them keeps an address from being
    // reused by another shape while the key lives.
    std::vector<std::shared_ptr<const ConvertedShape>> drawings;
    std::uint64_t hash = 0;  // of the words, compared first

    bool operator==(const LayerKey& o) const { return hash == o.hash && words == o.words && filters == o.filters; }
};

// How the frame maps the stage onto the pixmap the layer is drawn into.
struct LayerPlacement {
    render::Matrix stage;
    int origin = 0, width = 0, height = 0, depth = 0;
    bool antiAlias = true;
    bool movable = false;  // a cached bitmap: the key leaves out the object's translation
};

// The key of layer `index` of `list`.
LayerKey layerKey(const DrawList& list, std::size_t index, const LayerPlacement& placement);

class LayerCache {
public:
    // At most this many pixels are kept (four bytes each).
    static constexpr std::size_t kPixelBudget = std::size_t{6} << 20;
    // At most this many layers are remembered; later ones in a frame are drawn as usual.
    static constexpr std::size_t kMaxEntries = 256;

    // The kept pixels of a layer with this key drawn into `box` (of its pixmap), or null.
    // `origin` is where the layer's content starts in the pixmap (its box must lie the same way
    // around it); for layers that cannot move it is (0, 0). Marks the entry as used this frame.
    const render::Pixmap* find(const LayerKey& key, const render::IntRect& box, int originX, int originY);
    // After a layer was drawn and filtered: remembers its key, and keeps its pixels in `box` of
    // `pixels` when the same key was seen last frame, or at once when `atOnce`.
    void store(LayerKey key, const render::IntRect& box, int originX, int originY, const render::Pixmap& pixels,
               bool atOnce);
    // Drops the entries the frame did not use.
    void endFrame();
    void clear() { m_entries.clear(); }

    std::size_t entries() const { return m_entries.size(); }
    std::size_t keptPixels() const;

private:
    struct Entry {
        LayerKey key;
        render::IntRect box;  // around the content's origin
        render::Pixmap pixels;  // empty until kept
        bool used = false;
    };
    Entry* lookup(const LayerKey& key);
    std::vector<Entry> m_entries;
};

}  // namespace player
