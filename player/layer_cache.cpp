// Finished layers kept between frames (see layer_cache.h).
#include "player/layer_cache.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace player {

namespace {

class KeyWriter {
public:
    // Translations are written less (anchorX, anchorY).
    KeyWriter(LayerKey& key, const DrawList& list, float anchorX, float anchorY)
        : m_key(key), m_list(list), m_anchorX(anchorX), m_anchorY(anchorY) {}

    void word(std::uint32_t v) { m_key.words.push_back(v); }
    void number(float v) { word(std::bit_cast<std::uint32_t>(v)); }
    void address(const void* p) {
        const auto v = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
        word(static_cast<std::uint32_t>(v));
        word(static_cast<std::uint32_t>(v >> 32));
    }
    void matrix(const DrawMatrix& m) {
        for (float v : {m.a, m.b, m.c, m.d, m.tx - m_anchorX, m.ty - m_anchorY}) number(v);
    }
    void matrix(const render::Matrix& m) {
        for (float v : {m.a, m.b, m.c, m.d, m.tx, m.ty}) number(v);
    }
    void colorTransform(const DrawColorTransform& cx) {
        for (float v : cx.mul) number(v);
        for (float v : cx.add) number(v);
    }
    void filters(const std::vector<swf::Filter>& list) {
        word(static_cast<std::uint32_t>(list.size()));
        m_key.filters.insert(m_key.filters.end(), list.begin(), list.end());
    }

    // `masks`: also the items of the clip layers that mask this one (a mask's own items carry
    // none that matter: masks are not masked).
    void item(const DrawItem& it, bool masks) {
        word(it.characterId | static_cast<std::uint32_t>(it.kind) << 16 | static_cast<std::uint32_t>(it.blendMode) << 24);
        matrix(it.matrix);
        colorTransform(it.colorTransform);
        word(it.ratio | (it.maskOf >= 0 ? 1u << 16 : 0u));
        address(it.editText);
        word(it.textRevision);
        address(it.drawing.get());
        if (it.drawing) m_key.drawings.push_back(it.drawing);
        if (masks) clipLayers(it.clipLayers);
    }

    void clipLayers(const std::vector<std::uint32_t>& ids) {
        word(static_cast<std::uint32_t>(ids.size()));
        for (std::uint32_t id : ids) {
            if (id >= m_list.clipLayers.size()) {
                word(~0u);
                continue;
            }
            const ClipLayer& clip = m_list.clipLayers[id];
            word(static_cast<std::uint32_t>(clip.items.size()));
            for (std::uint32_t i : clip.items) {
                if (i < m_list.items.size()) item(m_list.items[i], false);
                else word(~0u);
            }
        }
    }

    void layerSettings(const DrawLayer& l) {
        matrix(l.matrix);
        word((l.cacheAsBitmap ? 1u : 0u) | (l.background ? 2u : 0u));
        if (l.background) word(l.background->r | l.background->g << 8 | l.background->b << 16 | std::uint32_t{l.background->a} << 24);
        filters(l.filters);
    }

private:
    LayerKey& m_key;
    const DrawList& m_list;
    float m_anchorX, m_anchorY;
};

}  // namespace

LayerKey layerKey(const DrawList& list, std::size_t index, const LayerPlacement& placement) {
    LayerKey key;
    if (index >= list.layers.size()) return key;
    const DrawLayer& l = list.layers[index];
    KeyWriter w(key, list, placement.movable ? l.matrix.tx : 0.0f, placement.movable ? l.matrix.ty : 0.0f);
    w.matrix(placement.stage);
    w.word(static_cast<std::uint32_t>(placement.origin));
    w.word(static_cast<std::uint32_t>(placement.width));
    w.word(static_cast<std::uint32_t>(placement.height));
    w.word(static_cast<std::uint32_t>(placement.depth) | (placement.antiAlias ? 1u << 16 : 0u) |
           (placement.movable ? 1u << 17 : 0u));
    // The layer's own colour transform, blend mode and outer masks apply when it is composited.
    w.layerSettings(l);
    const std::uint32_t end = std::min<std::uint32_t>(l.end, static_cast<std::uint32_t>(list.items.size()));
    w.word(end > l.first ? end - l.first : 0);
    for (std::uint32_t i = l.first; i < end; ++i) w.item(list.items[i], true);
    // Nested layers are drawn inside this one with everything they carry.
    const std::size_t nestedEnd = std::min<std::size_t>(l.nestedEnd, list.layers.size());
    for (std::size_t j = index + 1; j < nestedEnd; ++j) {
        const DrawLayer& n = list.layers[j];
        w.word(n.first - l.first);
        w.word(n.end - l.first);
        w.word(static_cast<std::uint32_t>(n.nestedEnd - index));
        w.colorTransform(n.colorTransform);
        w.word(static_cast<std::uint32_t>(n.blendMode));
        w.clipLayers(n.clipLayers);
        w.layerSettings(n);
    }
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a over the words
    for (std::uint32_t v : key.words) h = (h ^ v) * 1099511628211ull;
    key.hash = h;
    return key;
}

LayerCache::Entry* LayerCache::lookup(const LayerKey& key) {
    for (Entry& e : m_entries)
        if (e.key == key) return &e;
    return nullptr;
}

namespace {

render::IntRect around(const render::IntRect& box, int originX, int originY) {
    return render::IntRect{box.x0 - originX, box.y0 - originY, box.x1 - originX, box.y1 - originY};
}

bool same(const render::IntRect& a, const render::IntRect& b) {
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

}  // namespace

const render::Pixmap* LayerCache::find(const LayerKey& key, const render::IntRect& box, int originX, int originY) {
    Entry* e = lookup(key);
    if (!e) return nullptr;
    e->used = true;
    return same(e->box, around(box, originX, originY)) && !e->pixels.isEmpty() ? &e->pixels : nullptr;
}

std::size_t LayerCache::keptPixels() const {
    std::size_t n = 0;
    for (const Entry& e : m_entries) n += e.pixels.pixels().size();
    return n;
}

void LayerCache::store(LayerKey key, const render::IntRect& box, int originX, int originY, const render::Pixmap& pixels,
                       bool atOnce) {
    if (box.isEmpty() || box.x0 < 0 || box.y0 < 0 || box.x1 > pixels.width() || box.y1 > pixels.height()) return;
    Entry* e = lookup(key);
    if (!e) {
        if (m_entries.size() >= kMaxEntries) return;
        m_entries.push_back(Entry{std::move(key), around(box, originX, originY), {}, true});
        if (!atOnce) return;
        e = &m_entries.back();
    }
    e->used = true;
    e->box = around(box, originX, originY);
    const std::size_t area = static_cast<std::size_t>(box.width()) * static_cast<std::size_t>(box.height());
    if (keptPixels() - e->pixels.pixels().size() + area > kPixelBudget) {
        e->pixels = render::Pixmap();
        return;
    }
    e->pixels = render::Pixmap(box.width(), box.height());
    for (int y = box.y0; y < box.y1; ++y)
        std::memcpy(e->pixels.row(y - box.y0), pixels.row(y) + box.x0, static_cast<std::size_t>(box.width()) * sizeof(render::Pixel));
}

void LayerCache::endFrame() {
    std::erase_if(m_entries, [](const Entry& e) { return !e.used; });
    for (Entry& e : m_entries) e.used = false;
}

}  // namespace player
