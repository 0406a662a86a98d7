// Drawing a frame through the renderer (see frame_renderer.h).
#include "player/frame_renderer.h"

#include <algorithm>
#include <cmath>

#include "player/bitmap_decode.h"
#include "player/player.h"

namespace player {

namespace {

render::Matrix toRender(const swf::Matrix& m) {
    return render::Matrix{static_cast<float>(m.a), static_cast<float>(m.b), static_cast<float>(m.c),
                          static_cast<float>(m.d), static_cast<float>(m.tx), static_cast<float>(m.ty)};
}

render::Matrix toRender(const DrawMatrix& m) { return render::Matrix{m.a, m.b, m.c, m.d, m.tx, m.ty}; }

render::ColorTransform toRender(const DrawColorTransform& cx) {
    render::ColorTransform t;
    t.mulR = cx.mul[0];
    t.mulG = cx.mul[1];
    t.mulB = cx.mul[2];
    t.mulA = cx.mul[3];
    t.addR = cx.add[0];
    t.addG = cx.add[1];
    t.addB = cx.add[2];
    t.addA = cx.add[3];
    return t;
}

render::Color toRender(const swf::Rgba& c) { return render::Color{c.r, c.g, c.b, c.a}; }

render::LineCap toRender(swf::CapStyle c) {
    switch (c) {
    case swf::CapStyle::None: return render::LineCap::None;
    case swf::CapStyle::Square: return render::LineCap::Square;
    case swf::CapStyle::Round: break;
    }
    return render::LineCap::Round;
}

render::LineJoin toRender(swf::JoinStyle j) {
    switch (j) {
    case swf::JoinStyle::Bevel: return render::LineJoin::Bevel;
    case swf::JoinStyle::Miter: return render::LineJoin::Miter;
    case swf::JoinStyle::Round: break;
    }
    return render::LineJoin::Round;
}

// Device-space box of a twips box under `m`, padded by `pad` pixels.
render::Rect deviceBounds(const render::Rect& b, const render::Matrix& m, float pad) {
    const render::Point corners[4] = {m.apply({b.x0, b.y0}), m.apply({b.x1, b.y0}),
                                      m.apply({b.x0, b.y1}), m.apply({b.x1, b.y1})};
    render::Rect r{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const render::Point& p : corners) {
        r.x0 = std::min(r.x0, p.x);
        r.y0 = std::min(r.y0, p.y);
        r.x1 = std::max(r.x1, p.x);
        r.y1 = std::max(r.y1, p.y);
    }
    r.x0 -= pad;
    r.y0 -= pad;
    r.x1 += pad;
    r.y1 += pad;
    return r;
}

// The gradient square of SWF runs from -16384 to 16384 twips; render's linear gradients run
// from x = 0 to x = 1 and radial ones over the unit circle.
const render::Matrix kLinearGradientSquare{32768.0f, 0.0f, 0.0f, 32768.0f, -16384.0f, 0.0f};
const render::Matrix kRadialGradientSquare{16384.0f, 0.0f, 0.0f, 16384.0f, 0.0f, 0.0f};

}  // namespace

std::vector<render::GradientStop> gradientStops(const std::vector<swf::GradientStop>& in) {
    // The reference colour table has 256 entries and gives every stop an entry of its own: a
    // stop whose ratio does not exceed its predecessor's moves to the next entry, and stops
    // pushed past the last entry are dropped. Stops that share a ratio thus show as thin bands
    // of one entry each instead of vanishing.
    std::vector<render::GradientStop> out;
    int prev = -1;
    for (const swf::GradientStop& st : in) {
        const int r = std::max<int>(st.ratio, prev + 1);
        if (r > 255) break;
        out.push_back(render::GradientStop{static_cast<float>(r) / 255.0f, toRender(st.color)});
        prev = r;
    }
    return out;
}

struct FrameRenderer::Frame {
    render::Renderer* r;
    render::Pixmap* target;
    const DrawList& list;
    render::Matrix stage;  // stage twips -> target pixels
    float pixelsPerTwip = 0.05f;
    int width = 0, height = 0;
    // Clip masks by clip layers, for the target [0] and for layer pixmaps [1] (their own size
    // and origin).
    std::map<std::vector<std::uint32_t>, std::unique_ptr<render::Mask>> masks[2];
    int layerDepth = 0;  // layers open around the draws
    int origin = 0;      // where the target's (0, 0) lies in the pixmap drawn into
};

FrameRenderer::FrameRenderer(const Library& library) : m_library(library), m_fonts(library) {}
FrameRenderer::~FrameRenderer() = default;

const render::Pixmap* FrameRenderer::bitmap(std::uint16_t id) {
    auto it = m_bitmaps.find(id);
    if (it != m_bitmaps.end()) return it->second.get();
    const Character* c = m_library.find(id);
    std::unique_ptr<render::Pixmap> pix;
    if (!c || c->kind != CharacterKind::Bitmap) {
        m_report.missingCharacters.insert(id);
    } else if (auto* lossless = std::get_if<const swf::DefineBitsLossless*>(&c->def)) {
        auto decoded = decodeLossless(**lossless);
        if (decoded) {
            pix = std::make_unique<render::Pixmap>(std::move(decoded).value());
        } else {
            m_report.brokenBitmaps.insert(id);
        }
    } else if (auto* jpeg = std::get_if<const swf::DefineBitsJpeg*>(&c->def)) {
        auto decoded = decodeJpegBits(**jpeg, m_library.jpegTablesFor(id));
        if (decoded) {
            pix = std::make_unique<render::Pixmap>(std::move(decoded).value());
        } else {
            m_report.brokenBitmaps.insert(id);
        }
    }
    const render::Pixmap* p = pix.get();
    m_bitmaps.emplace(id, std::move(pix));
    return p;
}

bool FrameRenderer::makePaint(const swf::FillStyle& fill, render::Paint& out) {
    switch (fill.kind) {
    case swf::FillKind::Solid:
        out = render::SolidPaint{toRender(fill.color)};
        return true;
    case swf::FillKind::LinearGradient:
    case swf::FillKind::RadialGradient:
    case swf::FillKind::FocalRadialGradient: {
        render::GradientPaint g;
        const bool linear = fill.kind == swf::FillKind::LinearGradient;
        g.kind = linear ? render::GradientKind::Linear : render::GradientKind::Radial;
        g.stops = gradientStops(fill.gradient.stops);
        switch (fill.gradient.spread) {
        case swf::SpreadMode::Reflect: g.spread = render::Spread::Reflect; break;
        case swf::SpreadMode::Repeat: g.spread = render::Spread::Repeat; break;
        default: g.spread = render::Spread::Pad; break;
        }
        g.interpolation = fill.gradient.interpolation == swf::InterpolationMode::LinearRgb
                              ? render::Interpolation::LinearRgb
                              : render::Interpolation::Rgb;
        if (fill.kind == swf::FillKind::FocalRadialGradient)
            g.focal = static_cast<float>(fill.gradient.focalPoint);
        g.matrix = toRender(fill.matrix) * (linear ? kLinearGradientSquare : kRadialGradientSquare);
        out = std::move(g);
        return true;
    }
    case swf::FillKind::RepeatingBitmap:
    case swf::FillKind::ClippedBitmap:
    case swf::FillKind::NonSmoothedRepeatingBitmap:
    case swf::FillKind::NonSmoothedClippedBitmap: {
        const render::Pixmap* image = bitmap(fill.bitmapId);
        if (!image) return false;
        render::BitmapPaint b;
        b.image = image;
        b.matrix = toRender(fill.matrix);
        b.wrap = (fill.kind == swf::FillKind::RepeatingBitmap ||
                  fill.kind == swf::FillKind::NonSmoothedRepeatingBitmap)
                     ? render::BitmapWrap::Repeat
                     : render::BitmapWrap::Clamp;
        const bool smooth = (fill.kind == swf::FillKind::RepeatingBitmap ||
                             fill.kind == swf::FillKind::ClippedBitmap) &&
                            m_quality == Quality::High;
        b.filter = smooth ? render::BitmapFilter::Smooth : render::BitmapFilter::Nearest;
        out = b;
        return true;
    }
    }
    return false;
}

const TextPicture* FrameRenderer::staticText(std::uint16_t id) {
    auto it = m_texts.find(id);
    if (it != m_texts.end()) return it->second.get();
    const Character* c = m_library.find(id);
    std::unique_ptr<TextPicture> pic;
    if (c && c->kind == CharacterKind::Text) {
        const auto& text = *std::get<const swf::DefineText*>(c->def);
        for (const swf::TextRecord& rec : text.records)
            if (rec.fontId && !m_fonts.font(*rec.fontId)) m_report.missingCharacters.insert(*rec.fontId);
        pic = std::make_unique<TextPicture>(pictureOf(text, m_fonts));
    }
    const TextPicture* p = pic.get();
    m_texts.emplace(id, std::move(pic));
    return p;
}

void FrameRenderer::drawText(Frame& f, const TextPicture& text, const render::Matrix& m,
                             const render::ColorTransform& cx) {
    for (const TextRun& run : text.runs) {
        if (run.path.isEmpty()) continue;
        f.r->fillPath(run.path, m, run.nonZero ? render::FillRule::NonZero : render::FillRule::EvenOdd,
                     render::SolidPaint{toRender(run.color)}, cx);
        ++m_report.pathsDrawn;
    }
}

const ConvertedShape* FrameRenderer::shapeOf(std::uint16_t id, CharacterKind kind, std::uint16_t ratio) {
    if (kind == CharacterKind::MorphShape) {
        auto key = std::make_pair(id, ratio);
        auto it = m_morphs.find(key);
        if (it != m_morphs.end()) return it->second.get();
        const Character* c = m_library.find(id);
        if (!c || c->kind != CharacterKind::MorphShape) return nullptr;
        // Morphs of a movie take few ratios at a time; keep the cache from growing without end.
        if (m_morphs.size() > 256) m_morphs.clear();
        auto shape = std::make_unique<ConvertedShape>(
            convertMorph(*std::get<const swf::DefineMorphShape*>(c->def), ratio));
        const ConvertedShape* p = shape.get();
        m_morphs.emplace(key, std::move(shape));
        return p;
    }
    auto it = m_shapes.find(id);
    if (it != m_shapes.end()) return it->second.get();
    const Character* c = m_library.find(id);
    if (!c) return nullptr;
    if (c->kind == CharacterKind::Shape) {
        auto shape = std::make_unique<ConvertedShape>(
            convertDefineShape(*std::get<const swf::DefineShape*>(c->def)));
        const ConvertedShape* p = shape.get();
        m_shapes.emplace(id, std::move(shape));
        return p;
    }
    return nullptr;
}

void FrameRenderer::drawShape(Frame& f, const ConvertedShape& shape, const render::Matrix& m,
                              const render::ColorTransform& cx) {
    const render::FillRule rule = shape.nonZero ? render::FillRule::NonZero : render::FillRule::EvenOdd;
    for (const ShapeLayer& layer : shape.layers) {
        const bool group = layer.fills.size() > 1;
        if (group) f.r->beginGroup(deviceBounds(shape.bounds, m, 2.0f));
        for (const ShapeFill& fill : layer.fills) {
            render::Paint paint;
            if (!makePaint(fill.style, paint)) continue;
            f.r->fillPath(fill.path, m, rule, paint, cx);
            ++m_report.pathsDrawn;
        }
        if (group) f.r->endGroup();
        for (const ShapeStroke& stroke : layer.strokes) {
            render::Paint paint = render::SolidPaint{toRender(stroke.style.color)};
            if (stroke.style.fill && !makePaint(*stroke.style.fill, paint)) continue;
            render::StrokeStyle s;
            s.width = stroke.style.width;
            s.startCap = toRender(stroke.style.startCap);
            s.endCap = toRender(stroke.style.endCap);
            s.join = toRender(stroke.style.join);
            s.miterLimit = static_cast<float>(stroke.style.miterLimit);
            if (stroke.style.noHScale && stroke.style.noVScale)
                s.scaling = render::StrokeScaling::None;
            else if (stroke.style.noHScale)
                s.scaling = render::StrokeScaling::NoHorizontal;
            else if (stroke.style.noVScale)
                s.scaling = render::StrokeScaling::NoVertical;
            s.unscaledFactor = f.pixelsPerTwip;
            f.r->strokePath(stroke.path, m, s, paint, cx);
            ++m_report.pathsDrawn;
        }
    }
}

void FrameRenderer::maskShape(Frame& f, render::Mask& mask, const ConvertedShape& shape,
                              const render::Matrix& m) {
    const render::FillRule rule = shape.nonZero ? render::FillRule::NonZero : render::FillRule::EvenOdd;
    // A mask is the area of its fills; its strokes do not widen it.
    for (const ShapeLayer& layer : shape.layers)
        for (const ShapeFill& fill : layer.fills) f.r->fillMask(mask, fill.path, m, rule);
}

const render::Mask* FrameRenderer::clipFor(Frame& f, const std::vector<std::uint32_t>& clipLayers) {
    if (clipLayers.empty()) return nullptr;
    auto& masks = f.masks[f.origin ? 1 : 0];
    auto it = masks.find(clipLayers);
    if (it != masks.end()) return it->second.get();
    auto combined = std::make_unique<render::Mask>();
    bool first = true;
    for (std::uint32_t layerIndex : clipLayers) {
        std::vector<std::uint32_t> single{layerIndex};
        auto one = masks.find(single);
        if (one == masks.end()) {
            auto mask = std::make_unique<render::Mask>(f.target->width(), f.target->height());
            const render::Mask* saved = f.r->clip();
            f.r->setClip(nullptr);
            if (layerIndex < f.list.clipLayers.size()) {
                for (std::uint32_t idx : f.list.clipLayers[layerIndex].items) {
                    if (idx >= f.list.items.size()) continue;
                    const DrawItem& mi = f.list.items[idx];
                    const render::Matrix mm = f.stage * toRender(mi.matrix);
                    // Text masks by its glyphs; a field's are not cut at its box.
                    const TextPicture* text = mi.kind == CharacterKind::Text ? staticText(mi.characterId)
                                              : mi.editText ? &mi.editText->picture() : nullptr;
                    if (text) {
                        for (const TextRun& run : text->runs)
                            f.r->fillMask(*mask, run.path, mm,
                                         run.nonZero ? render::FillRule::NonZero : render::FillRule::EvenOdd);
                        continue;
                    }
                    const ConvertedShape* shape = mi.drawing ? mi.drawing.get() : shapeOf(mi.characterId, mi.kind, mi.ratio);
                    if (shape) maskShape(f, *mask, *shape, f.stage * toRender(mi.matrix));
                }
            }
            f.r->setClip(saved);
            one = masks.emplace(single, std::move(mask)).first;
        }
        if (first) {
            *combined = *one->second;
            first = false;
        } else {
            combined->intersect(*one->second);
        }
    }
    if (clipLayers.size() == 1) return masks.find(clipLayers)->second.get();
    return masks.emplace(clipLayers, std::move(combined)).first->second.get();
}

void FrameRenderer::drawEditTextBox(Frame& f, const swf::DefineEditText& text, const FieldDecor& decor,
                                    const render::Matrix& m, const render::ColorTransform& cx) {
    if (!decor.border && !decor.background) return;
    // The background fills the box; the one-pixel frame sits on whole device pixels: its top and
    // left lines run through the box's first row and column, its right and bottom lines through
    // the pixels just past the box.
    const render::Rect b = deviceBounds(
        render::Rect{static_cast<float>(text.bounds.xMin), static_cast<float>(text.bounds.yMin),
                     static_cast<float>(text.bounds.xMax), static_cast<float>(text.bounds.yMax)},
        m, 0.0f);
    // The corner and the size are rounded each on its own, halves down (a box at 20.5 pixels
    // starts at pixel 20), so a box keeps its rounded size wherever it stands.
    auto snap = [](float v) { return std::ceil(v - 0.5f); };
    const float x0 = snap(b.x0), y0 = snap(b.y0);
    const float x1 = x0 + snap(b.x1 - b.x0), y1 = y0 + snap(b.y1 - b.y0);
    if (!(x1 > x0) || !(y1 > y0)) return;
    auto color = [](std::uint32_t rgb) {
        return render::Color{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                             static_cast<std::uint8_t>(rgb), 255};
    };
    const render::Matrix identity;
    if (decor.background) {
        render::Path background;
        background.addRect(x0, y0, x1, y1);
        f.r->fillPath(background, identity, render::FillRule::NonZero, render::SolidPaint{color(decor.backgroundColor)}, cx);
        ++m_report.pathsDrawn;
    }
    if (decor.border) {
        render::Path frame;
        frame.addRect(x0, y0, x1 + 1, y0 + 1);
        frame.addRect(x0, y0 + 1, x0 + 1, y1 + 1);
        frame.addRect(x1, y0 + 1, x1 + 1, y1);
        frame.addRect(x0 + 1, y1, x1, y1 + 1);
        f.r->fillPath(frame, identity, render::FillRule::NonZero, render::SolidPaint{color(decor.borderColor)}, cx);
        ++m_report.pathsDrawn;
    }
}

void FrameRenderer::drawItem(Frame& f, const DrawItem& item) {
    if (item.maskOf >= 0) return;  // part of a clip layer
    if (item.kind == CharacterKind::EditText) {
        ++m_report.editTexts;
        // A field draws with its own definition, which scripts may have changed (or made).
        const swf::DefineEditText* fieldDef = item.editText ? &item.editText->definition() : nullptr;
        if (!fieldDef) {
            const Character* c = m_library.find(item.characterId);
            if (c && c->kind == CharacterKind::EditText) fieldDef = std::get<const swf::DefineEditText*>(c->def);
        }
        if (fieldDef) {
            const render::Matrix m = f.stage * toRender(item.matrix);
            const render::ColorTransform cx = toRender(item.colorTransform);
            f.r->setClip(clipFor(f, item.clipLayers));
            const swf::DefineEditText& def = *fieldDef;
            drawEditTextBox(f, def, item.editText ? item.editText->decor() : FieldDecor{def.border, def.border}, m, cx);
            if (item.editText) {
                // Text that reaches past the field is cut at its bounds: the draws go through a
                // group limited to the field's box on the target.
                const TextPicture& text = item.editText->picture();
                const render::Rect field{static_cast<float>(def.bounds.xMin), static_cast<float>(def.bounds.yMin),
                                         static_cast<float>(def.bounds.xMax), static_cast<float>(def.bounds.yMax)};
                const bool overflows = !text.bounds.isEmpty() &&
                                       (text.bounds.x0 < field.x0 || text.bounds.y0 < field.y0 ||
                                        text.bounds.x1 > field.x1 || text.bounds.y1 > field.y1);
                if (overflows) f.r->beginGroup(deviceBounds(field, m, 0.0f));
                drawText(f, text, m, cx);
                if (overflows) f.r->endGroup();
            }
            f.r->setClip(nullptr);
            ++m_report.itemsDrawn;
        }
        return;
    }
    if (item.kind == CharacterKind::Text) {
        const TextPicture* text = staticText(item.characterId);
        if (!text) {
            m_report.missingCharacters.insert(item.characterId);
            return;
        }
        f.r->setClip(clipFor(f, item.clipLayers));
        drawText(f, *text, f.stage * toRender(item.matrix), toRender(item.colorTransform));
        f.r->setClip(nullptr);
        ++m_report.itemsDrawn;
        return;
    }
    const ConvertedShape* shape = item.drawing ? item.drawing.get() : shapeOf(item.characterId, item.kind, item.ratio);
    if (!shape) {
        if (!m_library.find(item.characterId)) m_report.missingCharacters.insert(item.characterId);
        return;
    }
    f.r->setClip(clipFor(f, item.clipLayers));
    drawShape(f, *shape, f.stage * toRender(item.matrix), toRender(item.colorTransform));
    f.r->setClip(nullptr);
    ++m_report.itemsDrawn;
}

std::vector<render::Filter> toRenderFilters(const std::vector<swf::Filter>& filters, float scale) {
    std::vector<render::Filter> out;
    out.reserve(filters.size());
    for (const swf::Filter& in : filters) {
        render::Filter f;
        f.kind = static_cast<render::FilterKind>(in.kind);
        f.blurX = static_cast<float>(in.blurX) * scale;
        f.blurY = static_cast<float>(in.blurY) * scale;
        f.angle = static_cast<float>(in.angle);
        f.distance = static_cast<float>(in.distance) * scale;
        f.strength = static_cast<float>(in.strength);
        f.passes = static_cast<int>(in.passes);
        f.inner = in.inner;
        f.knockout = in.knockout;
        f.hideObject = !in.compositeSource;
        f.onTop = in.onTop;
        f.color = toRender(in.color);
        f.highlight = toRender(in.highlightColor);
        for (std::size_t i = 0; i < in.gradientColors.size() && i < in.gradientRatios.size(); ++i)
            f.stops.push_back(render::FilterStop{in.gradientRatios[i], toRender(in.gradientColors[i])});
        f.cols = static_cast<int>(in.matrixX);
        f.rows = static_cast<int>(in.matrixY);
        f.matrix = in.matrix;
        f.divisor = in.divisor;
        f.bias = in.bias;
        f.defaultColor = toRender(in.defaultColor);
        f.clamp = in.clamp;
        f.preserveAlpha = in.preserveAlpha;
        out.push_back(std::move(f));
    }
    return out;
}

render::BlendMode toRender(swf::BlendMode mode) {
    // The file's values from 2 (layer) on follow the same order as render's list.
    const auto v = static_cast<unsigned>(mode);
    if (v < 2 || v > 14) return render::BlendMode::Normal;
    return static_cast<render::BlendMode>(v - 1);
}

render::Rect FrameRenderer::itemBounds(Frame& f, const DrawItem& item) {
    if (item.maskOf >= 0) return {};
    const render::Matrix m = f.stage * toRender(item.matrix);
    render::Rect local;
    if (item.kind == CharacterKind::EditText) {
        const Character* c = m_library.find(item.characterId);
        if (!c || c->kind != CharacterKind::EditText) return {};
        const swf::Rect& b = std::get<const swf::DefineEditText*>(c->def)->bounds;
        local = render::Rect{static_cast<float>(b.xMin), static_cast<float>(b.yMin),
                             static_cast<float>(b.xMax), static_cast<float>(b.yMax)};
    } else if (item.kind == CharacterKind::Text) {
        const TextPicture* text = staticText(item.characterId);
        if (!text) return {};
        local = text->bounds;
    } else {
        const ConvertedShape* shape = item.drawing ? item.drawing.get() : shapeOf(item.characterId, item.kind, item.ratio);
        if (!shape) return {};
        local = shape->bounds;
    }
    if (local.isEmpty()) return {};
    return deviceBounds(local, m, 0.0f);
}

void FrameRenderer::drawRange(Frame& f, std::uint32_t begin, std::uint32_t end, std::size_t layer,
                              std::size_t layerEnd) {
    layerEnd = std::min(layerEnd, f.list.layers.size());
    for (std::uint32_t i = begin; i < end;) {
        if (layer < layerEnd && f.list.layers[layer].first == i) {
            const DrawLayer& l = f.list.layers[layer];
            drawLayer(f, layer);
            layer = std::max<std::size_t>(l.nestedEnd, layer + 1);
            i = std::max(i, std::min(l.end, end));
            continue;
        }
        drawItem(f, f.list.items[i]);
        ++i;
    }
}

void FrameRenderer::drawLayer(Frame& f, std::size_t index) {
    constexpr int kMaxLayerDepth = 8;
    constexpr int kLayerMargin = 64;
    const DrawLayer& l = f.list.layers[index];
    const std::uint32_t end = std::min<std::uint32_t>(l.end, static_cast<std::uint32_t>(f.list.items.size()));
    if (l.first >= end) return;
    // Layer pixmaps reach kLayerMargin pixels past the target on every side, so that filters
    // can bring in content from just outside it (a shadow cast from above the top edge).
    const render::Matrix savedStage = f.stage;
    const int shift = kLayerMargin - f.origin;
    const int slotW = f.width + 2 * kLayerMargin, slotH = f.height + 2 * kLayerMargin;
    f.stage = render::Matrix::translate(static_cast<float>(shift), static_cast<float>(shift)) * f.stage;
    const std::vector<render::Filter> filters = toRenderFilters(l.filters, f.pixelsPerTwip * 20.0f);
    render::Rect content;
    for (std::uint32_t i = l.first; i < end; ++i) {
        const render::Rect b = itemBounds(f, f.list.items[i]);
        if (b.isEmpty()) continue;
        if (content.isEmpty()) {
            content = b;
        } else {
            content = render::Rect{std::min(content.x0, b.x0), std::min(content.y0, b.y0),
                                   std::max(content.x1, b.x1), std::max(content.y1, b.y1)};
        }
    }
    const bool cached = (l.cacheAsBitmap || !l.filters.empty()) && !content.isEmpty();
    if (cached) {
        // A cached bitmap (filters imply one) holds its content with the top-left corner of its
        // bounds on the bitmap's first pixel, and is placed on the whole pixel nearest to that
        // corner: the content moves by less than half a pixel each way.
        const float dx = std::round(content.x0) - content.x0;
        const float dy = std::round(content.y0) - content.y0;
        f.stage = render::Matrix::translate(dx, dy) * f.stage;
        content = render::Rect{content.x0 + dx, content.y0 + dy, content.x1 + dx, content.y1 + dy};
    }
    const render::IntRect box = render::layerBox(content, filters, render::IntRect{0, 0, slotW, slotH});
    const render::BlendMode mode = toRender(l.blendMode);
    // Alpha and erase act on the layer beneath; on the stage itself they show nothing.
    const bool shows = f.layerDepth > 0 || (mode != render::BlendMode::Alpha && mode != render::BlendMode::Erase);
    if (box.isEmpty() || !shows || f.layerDepth >= kMaxLayerDepth) {
        f.stage = savedStage;
        if (shows && !box.isEmpty()) drawRange(f, l.first, end, index + 1, l.nestedEnd);
        return;
    }
    // A cached bitmap can be reused wherever it moves: its box is kept relative to its content.
    const int originX = cached ? static_cast<int>(std::lround(content.x0)) : 0;
    const int originY = cached ? static_cast<int>(std::lround(content.y0)) : 0;
    LayerKey key = m_reuseLayers ? layerKey(f.list, index, LayerPlacement{savedStage, f.origin, f.width, f.height, f.layerDepth,
                                                                           f.r->antiAlias() == render::AntiAlias::On, cached})
                                 : LayerKey{};
    if (const render::Pixmap* kept = m_reuseLayers ? m_layerCache.find(key, box, originX, originY) : nullptr) {
        f.stage = savedStage;
        ++m_report.layers;
        ++m_report.layersReused;
        render::compositeLayer(*f.target, *kept, render::IntRect{0, 0, kept->width(), kept->height()}, box.x0 - shift,
                               box.y0 - shift, mode, toRender(l.colorTransform), clipFor(f, l.clipLayers));
        return;
    }
    const auto depth = static_cast<std::size_t>(f.layerDepth);
    if (m_layerSlots.size() <= depth) m_layerSlots.resize(depth + 1);
    auto& owned = m_layerSlots[depth];
    if (!owned || owned->pixels.width() != slotW || owned->pixels.height() != slotH) {
        owned = std::make_unique<LayerSlot>();
        owned->pixels = render::Pixmap(slotW, slotH);
        owned->renderer = std::make_unique<render::Renderer>(owned->pixels);
    }
    LayerSlot* slot = owned.get();  // nested layers may grow m_layerSlots
    slot->renderer->setAntiAlias(f.r->antiAlias());
    render::Renderer* savedRenderer = f.r;
    render::Pixmap* savedTarget = f.target;
    const int savedOrigin = f.origin;
    f.r = slot->renderer.get();
    f.target = &slot->pixels;
    f.origin = kLayerMargin;
    if (l.background) {
        const render::Pixel bg = render::premultiply(render::Color{l.background->r, l.background->g, l.background->b, 255});
        // The background covers the pixels whose top-left corners lie in the content's bounds.
        const int x0 = std::max(static_cast<int>(std::floor(content.x0)), box.x0);
        const int x1 = std::min(static_cast<int>(std::floor(content.x1)), box.x1);
        for (int y = std::max(static_cast<int>(std::floor(content.y0)), box.y0);
             y < std::min(static_cast<int>(std::floor(content.y1)), box.y1); ++y)
            for (int x = x0; x < x1; ++x) slot->pixels.row(y)[x] = bg;
    }
    ++f.layerDepth;
    drawRange(f, l.first, end, index + 1, l.nestedEnd);
    --f.layerDepth;
    f.r = savedRenderer;
    f.target = savedTarget;
    f.origin = savedOrigin;
    f.stage = savedStage;
    ++m_report.layers;

    for (const render::Filter& filter : filters) render::applyFilter(slot->pixels, box, filter, m_filterScratch);
    if (m_reuseLayers) m_layerCache.store(std::move(key), box, originX, originY, slot->pixels, !filters.empty());
    render::compositeLayer(*f.target, slot->pixels, box, -shift, -shift, mode, toRender(l.colorTransform),
                           clipFor(f, l.clipLayers));
    // Clear what the layer used (with a margin for anti-aliasing that strayed past the box).
    const render::IntRect used{std::max(box.x0 - 4, 0), std::max(box.y0 - 4, 0), std::min(box.x1 + 4, slotW),
                               std::min(box.y1 + 4, slotH)};
    for (int y = used.y0; y < used.y1; ++y) std::fill(slot->pixels.row(y) + used.x0, slot->pixels.row(y) + used.x1, 0u);
}

void FrameRenderer::render(const DrawList& list, const swf::Rect& frameSize, swf::Rgba background,
                           render::Pixmap& target) {
    m_report = RenderReport{};
    if (target.isEmpty()) return;
    target.fill(render::Color{background.r, background.g, background.b, 255});
    const float stageW = static_cast<float>(frameSize.xMax - frameSize.xMin) / 20.0f;
    const float stageH = static_cast<float>(frameSize.yMax - frameSize.yMin) / 20.0f;
    render::Viewport vp = render::showAll(stageW, stageH, target.width(), target.height());
    if (target.width() == static_cast<int>(stageW) && target.height() == static_cast<int>(stageH)) {
        // A target of the stage's own (whole-pixel) size shows the stage at 100%, as a player
        // window of the movie's size does; a fractional stage is cut, not shrunk.
        vp = render::Viewport{};
        vp.x1 = stageW;
        vp.y1 = stageH;
    }
    // The renderer keeps its scratch buffers between frames drawn into the same target.
    if (!m_renderer || &m_renderer->target() != &target) m_renderer = std::make_unique<render::Renderer>(target);
    render::Renderer& r = *m_renderer;
    r.setClip(nullptr);
    r.setAntiAlias(m_quality == Quality::High ? render::AntiAlias::On : render::AntiAlias::Off);
    Frame f{&r, &target, list, {}, vp.scale / 20.0f, target.width(), target.height(), {}, 0, 0};
    f.stage = vp.stageToTarget * render::Matrix::scale(0.05f, 0.05f) *
              render::Matrix::translate(static_cast<float>(-frameSize.xMin),
                                        static_cast<float>(-frameSize.yMin));
    drawRange(f, 0, static_cast<std::uint32_t>(list.items.size()), 0, list.layers.size());
    m_layerCache.endFrame();
}

render::Pixmap renderPlayerFrame(const Player& player, FrameRenderer& renderer, int width, int height) {
    if (width <= 0 || height <= 0) {
        width = player.stageWidth();
        height = player.stageHeight();
    }
    render::Pixmap target(width, height);
    renderer.render(player.drawList(), player.movie().header.frameSize, player.backgroundColor(),
                    target);
    return target;
}

}  // namespace player
