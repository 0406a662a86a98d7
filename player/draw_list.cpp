#include "player/draw_list.h"

#include <algorithm>
#include <unordered_map>

#include "player/button.h"
#include "player/movie_clip.h"
#include "player/script_drawing.h"
#include "player/shape_convert.h"

namespace player {

DrawMatrix toDrawMatrix(const swf::Matrix& m) {
    return DrawMatrix{static_cast<float>(m.a), static_cast<float>(m.b), static_cast<float>(m.c),
                      static_cast<float>(m.d), static_cast<float>(m.tx), static_cast<float>(m.ty)};
}

DrawColorTransform toDrawColorTransform(const swf::ColorTransform& cx) {
    DrawColorTransform t;
    t.mul[0] = cx.rMul / 256.0f;
    t.mul[1] = cx.gMul / 256.0f;
    t.mul[2] = cx.bMul / 256.0f;
    t.mul[3] = cx.aMul / 256.0f;
    t.add[0] = cx.rAdd;
    t.add[1] = cx.gAdd;
    t.add[2] = cx.bAdd;
    t.add[3] = cx.aAdd;
    return t;
}

DrawMatrix concat(const DrawMatrix& p, const DrawMatrix& c) {
    DrawMatrix m;
    m.a = p.a * c.a + p.c * c.b;
    m.b = p.b * c.a + p.d * c.b;
    m.c = p.a * c.c + p.c * c.d;
    m.d = p.b * c.c + p.d * c.d;
    m.tx = p.a * c.tx + p.c * c.ty + p.tx;
    m.ty = p.b * c.tx + p.d * c.ty + p.ty;
    return m;
}

DrawColorTransform concat(const DrawColorTransform& p, const DrawColorTransform& c) {
    DrawColorTransform t;
    for (int i = 0; i < 4; ++i) {
        t.mul[i] = c.mul[i] * p.mul[i];
        t.add[i] = c.add[i] * p.mul[i] + p.add[i];
    }
    return t;
}

bool needsLayer(const Placement& p) {
    return !p.filters.empty() || p.cacheAsBitmap || p.blendMode != swf::BlendMode::Normal || p.background;
}

namespace {

// A filled rectangle from (0, 0) to (w, h) twips, the mask of a scroll rectangle.
std::shared_ptr<const ConvertedShape> rectangleShape(double w, double h) {
    std::vector<avm1::DrawOp> ops(7);
    ops[0].kind = avm1::DrawOp::Kind::BeginFill;
    const double corners[4][2] = {{0, 0}, {w, 0}, {w, h}, {0, h}};
    ops[1].kind = avm1::DrawOp::Kind::MoveTo;
    for (int i = 0; i < 4; ++i) {
        auto& op = ops[static_cast<std::size_t>(i + 1)];
        if (i > 0) op.kind = avm1::DrawOp::Kind::LineTo;
        op.x = corners[i][0];
        op.y = corners[i][1];
    }
    ops[5].kind = avm1::DrawOp::Kind::LineTo;
    ops[6].kind = avm1::DrawOp::Kind::EndFill;
    return std::make_shared<const ConvertedShape>(convertDefineShape(buildDrawingShape(ops)));
}

class Walker {
public:
    Walker(const Library& lib, DrawList& out) : m_lib(lib), m_out(out) {}

    void walkList(const DisplayMap& list, const DrawMatrix& m, const DrawColorTransform& cx,
                  const std::vector<std::uint32_t>& clips, std::int32_t maskOf, unsigned nesting) {
        struct Active {
            Depth until;
            std::uint32_t layer;
        };
        std::vector<Active> masks;
        for (const auto& [depth, obj] : list) {
            while (!masks.empty() && depth > masks.back().until) masks.pop_back();
            const Placement& pl = obj.placement;
            if (!pl.visible) continue;
            std::vector<std::uint32_t> itemClips = clips;
            for (const Active& a : masks) itemClips.push_back(a.layer);
            DrawMatrix wm = concat(m, toDrawMatrix(pl.matrix));
            DrawColorTransform wcx = concat(cx, toDrawColorTransform(pl.colorTransform));
            if (pl.scrollRect) scroll(*pl.scrollRect, depth, wm, itemClips, maskOf < 0 && pl.clipDepth == 0);
            if (maskOf < 0 && obj.scriptMask && (obj.clip || obj.editText)) {  // drawn only as a mask
                const std::uint32_t layer = scriptMaskLayer(obj.clip ? obj.clip->id() : obj.instanceId);
                m_maskSeen.push_back(layer);
                walkObject(depth, obj, wm, wcx, {}, static_cast<std::int32_t>(layer), nesting);
                continue;
            }
            if (maskOf < 0 && obj.maskClip) itemClips.push_back(scriptMaskLayer(obj.maskClip));
            if (pl.clipDepth > 0 && maskOf < 0) {
                auto layer = static_cast<std::uint32_t>(m_out.clipLayers.size());
                m_out.clipLayers.emplace_back();
                walkObject(depth, obj, wm, wcx, itemClips, static_cast<std::int32_t>(layer), nesting);
                // Later masks nest inside earlier ones; drop any that end before this one.
                masks.push_back({pl.clipDepth, layer});
                std::sort(masks.begin(), masks.end(),
                          [](const Active& x, const Active& y) { return x.until > y.until; });
            } else if (maskOf < 0 && needsLayer(pl)) {
                DrawLayer layer;
                layer.blendMode = pl.blendMode;
                layer.cacheAsBitmap = pl.cacheAsBitmap;
                layer.filters = pl.filters;
                layer.background = pl.background;
                const std::uint32_t index = openLayer(std::move(layer), wm, wcx, itemClips);
                walkObject(depth, obj, wm, DrawColorTransform{}, {}, maskOf, nesting);
                closeLayer(index);
            } else {
                walkObject(depth, obj, wm, wcx, itemClips, maskOf, nesting);
            }
        }
    }

    // A clip whose mask is gone (removed from the stage) shows unmasked: the layers of masks
    // that were not met are taken off the items and layers that name them.
    void dropMissingMasks() {
        std::vector<std::uint32_t> missing;
        for (const auto& [clip, layer] : m_scriptMasks)
            if (std::find(m_maskSeen.begin(), m_maskSeen.end(), layer) == m_maskSeen.end()) missing.push_back(layer);
        if (missing.empty()) return;
        auto strip = [&](std::vector<std::uint32_t>& clips) {
            std::erase_if(clips, [&](std::uint32_t c) { return std::find(missing.begin(), missing.end(), c) != missing.end(); });
        };
        for (DrawItem& item : m_out.items) strip(item.clipLayers);
        for (DrawLayer& layer : m_out.layers) strip(layer.clipLayers);
    }

private:
    // The clip layer of a clip that setMask made a mask, made by whichever of the mask and the
    // clip it masks comes first.
    std::uint32_t scriptMaskLayer(std::uint32_t clipId) {
        auto [it, added] = m_scriptMasks.try_emplace(clipId, static_cast<std::uint32_t>(m_out.clipLayers.size()));
        if (added) m_out.clipLayers.emplace_back();
        return it->second;
    }

    // A scroll rectangle: the object's content moves by the rectangle's corner and, when `clip`,
    // is clipped to the rectangle's size at its origin (a clip layer of its own). Masks take
    // only the move: their shapes mask whole, as in a Flash player.
    void scroll(const std::array<double, 4>& r, Depth depth, DrawMatrix& m, std::vector<std::uint32_t>& clips,
                bool clip) {
        if (clip) {
            const auto layer = static_cast<std::uint32_t>(m_out.clipLayers.size());
            m_out.clipLayers.emplace_back();
            emit(depth, 0, CharacterKind::Shape, m, DrawColorTransform{}, 0, swf::BlendMode::Normal, clips,
                 static_cast<std::int32_t>(layer));
            m_out.items.back().drawing = rectangleShape(std::max(0.0, r[2]) * 20, std::max(0.0, r[3]) * 20);
            clips.push_back(layer);
        }
        m = concat(m, DrawMatrix{1, 0, 0, 1, static_cast<float>(-r[0] * 20), static_cast<float>(-r[1] * 20)});
    }

    // A layer takes the object's colour transform and outer masks; its content is walked as if
    // the object stood alone, and closeLayer() ends it.
    std::uint32_t openLayer(DrawLayer layer, const DrawMatrix& m, const DrawColorTransform& cx,
                            const std::vector<std::uint32_t>& clips) {
        layer.first = static_cast<std::uint32_t>(m_out.items.size());
        layer.matrix = m;
        layer.colorTransform = cx;
        layer.clipLayers = clips;
        m_out.layers.push_back(std::move(layer));
        return static_cast<std::uint32_t>(m_out.layers.size() - 1);
    }
    void closeLayer(std::uint32_t index) {
        m_out.layers[index].end = static_cast<std::uint32_t>(m_out.items.size());
        m_out.layers[index].nestedEnd = static_cast<std::uint32_t>(m_out.layers.size());
    }

    void emit(Depth depth, std::uint16_t id, CharacterKind kind, const DrawMatrix& m,
              const DrawColorTransform& cx, std::uint16_t ratio, swf::BlendMode blend,
              const std::vector<std::uint32_t>& clips, std::int32_t maskOf,
              const EditText* editText = nullptr) {
        DrawItem item;
        item.characterId = id;
        item.kind = kind;
        item.depth = depth;
        item.matrix = m;
        item.colorTransform = cx;
        item.ratio = ratio;
        item.blendMode = blend;
        item.clipLayers = clips;
        item.maskOf = maskOf;
        item.editText = editText;
        if (editText) item.textRevision = editText->revision();
        if (maskOf >= 0)
            m_out.clipLayers[static_cast<std::size_t>(maskOf)].items.push_back(
                static_cast<std::uint32_t>(m_out.items.size()));
        m_out.items.push_back(std::move(item));
    }

    void walkObject(Depth depth, const DisplayObject& obj, const DrawMatrix& m,
                    const DrawColorTransform& cx, const std::vector<std::uint32_t>& clips,
                    std::int32_t maskOf, unsigned nesting) {
        const Placement& pl = obj.placement;
        switch (obj.kind) {
        case CharacterKind::Sprite:
            if (obj.clip && obj.clip->drawing()) {
                emit(depth, 0, CharacterKind::Shape, m, cx, 0, pl.blendMode, clips, maskOf);
                m_out.items.back().drawing = obj.clip->drawing();
            }
            if (obj.clip) walkList(obj.clip->displayList(), m, cx, clips, maskOf, nesting + 1);
            break;
        case CharacterKind::Button:
            walkButton(depth, obj, m, cx, clips, maskOf, nesting);
            break;
        case CharacterKind::Font:
        case CharacterKind::Sound:
            break;  // not drawable
        default:
            emit(depth, pl.characterId, obj.kind, m, cx, pl.ratio, pl.blendMode, clips, maskOf,
                 obj.editText.get());
            break;
        }
    }

    // A button shows the characters of its current state in record depth order; its sprites
    // are the clips the button instance keeps for them. The records of a version 1 button take
    // the colour transform of its DefineButtonCxform.
    void walkButton(Depth depth, const DisplayObject& obj, const DrawMatrix& m,
                    const DrawColorTransform& cx, const std::vector<std::uint32_t>& clips,
                    std::int32_t maskOf, unsigned nesting) {
        const std::uint16_t id = obj.placement.characterId;
        const Character* c = m_lib.find(id);
        if (!c || c->kind != CharacterKind::Button) return;
        const auto* button = std::get<const swf::DefineButton*>(c->def);
        std::vector<std::size_t> shown;
        for (std::size_t i = 0; i < button->records.size(); ++i)
            if (recordShows(button->records[i], obj.buttonState)) shown.push_back(i);
        const swf::ColorTransform* cxform = button->version == 1 ? m_lib.buttonCxform(id) : nullptr;
        // By depth; records of one depth keep their order.
        std::sort(shown.begin(), shown.end(), [button](std::size_t x, std::size_t y) {
            const auto dx = button->records[x].depth, dy = button->records[y].depth;
            return dx != dy ? dx < dy : x < y;
        });
        for (std::size_t i : shown) {
            const swf::ButtonRecord& r = button->records[i];
            const Character* rc = m_lib.find(r.characterId);
            if (!rc || rc->kind == CharacterKind::Button || rc->kind == CharacterKind::Font ||
                rc->kind == CharacterKind::Sound)
                continue;
            const DrawMatrix rm = concat(m, toDrawMatrix(r.matrix));
            DrawColorTransform rcx = concat(cx, toDrawColorTransform(cxform ? *cxform : r.colorTransform));
            // Records with filters or a blend mode of their own get a layer each.
            const bool layered = maskOf < 0 && (!r.filters.empty() || r.blendMode != swf::BlendMode::Normal);
            std::uint32_t layer = 0;
            if (layered) {
                DrawLayer l;
                l.blendMode = r.blendMode;
                l.filters = r.filters;
                layer = openLayer(std::move(l), rm, rcx, clips);
                rcx = DrawColorTransform{};
            }
            const std::vector<std::uint32_t> noClips;
            const std::vector<std::uint32_t>& recordClips = layered ? noClips : clips;
            if (rc->kind == CharacterKind::Sprite) {
                if (i < obj.buttonClips.size() && obj.buttonClips[i])
                    walkList(obj.buttonClips[i]->displayList(), rm, rcx, recordClips, maskOf, nesting + 1);
            } else {
                emit(depth, r.characterId, rc->kind, rm, rcx, 0,
                     r.blendMode != swf::BlendMode::Normal ? r.blendMode : obj.placement.blendMode, recordClips, maskOf);
            }
            if (layered) closeLayer(layer);
        }
    }

    const Library& m_lib;
    DrawList& m_out;
    std::unordered_map<std::uint32_t, std::uint32_t> m_scriptMasks;
    std::vector<std::uint32_t> m_maskSeen;
};

}  // namespace

DrawList buildDrawList(const MovieClip& root, const Library& library) {
    const MovieClip* const levels[] = {&root};
    return buildDrawList(levels, library);
}

DrawList buildDrawList(std::span<const MovieClip* const> levels, const Library& library) {
    DrawList out;
    Walker walker(library, out);
    for (const MovieClip* root : levels) {
        if (root->drawing()) {  // a main timeline's own drawing lies beneath its objects
            DrawItem item;
            item.drawing = root->drawing();
            out.items.push_back(std::move(item));
        }
        walker.walkList(root->displayList(), DrawMatrix{}, DrawColorTransform{}, {}, -1, 0);
    }
    walker.dropMissingMasks();
    return out;
}

}  // namespace player
