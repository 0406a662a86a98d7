// DefineShape 1-4 and DefineMorphShape 1-2.
#include <algorithm>

#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

DefineShape readDefineShape(core::BitReader& r, unsigned version) {
    DefineShape s;
    s.version = version;
    s.id = r.u16();
    s.bounds = readRect(r);
    if (version >= 4) {
        s.edgeBounds = readRect(r);
        std::uint8_t flags = r.u8();
        s.usesFillWindingRule = flags & 0x04;
        s.usesNonScalingStrokes = flags & 0x02;
        s.usesScalingStrokes = flags & 0x01;
    }
    s.shape = readShape(r, ShapeContext{version, false}, true);
    return s;
}

Gradient readMorphGradient(core::BitReader& r, Gradient& end) {
    Gradient start;
    r.align();
    start.spread = static_cast<SpreadMode>(std::min<std::uint32_t>(r.ub(2), 2));
    start.interpolation = static_cast<InterpolationMode>(std::min<std::uint32_t>(r.ub(2), 1));
    unsigned count = r.ub(4);
    end.spread = start.spread;
    end.interpolation = start.interpolation;
    for (unsigned i = 0; i < count && !r.failed(); ++i) {
        GradientStop a, b;
        a.ratio = r.u8();
        a.color = readRgba(r);
        b.ratio = r.u8();
        b.color = readRgba(r);
        start.stops.push_back(a);
        end.stops.push_back(b);
    }
    return start;
}

MorphFillStyle readMorphFillStyle(core::BitReader& r) {
    MorphFillStyle f;
    std::uint8_t kind = r.u8();
    switch (kind) {
    case 0x00:
        f.start.color = readRgba(r);
        f.end.color = readRgba(r);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        f.start.matrix = readMatrix(r);
        f.end.matrix = readMatrix(r);
        f.start.gradient = readMorphGradient(r, f.end.gradient);
        if (kind == 0x13) {
            f.start.gradient.focalPoint = r.fixed8();
            f.end.gradient.focalPoint = r.fixed8();
        }
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.start.bitmapId = f.end.bitmapId = r.u16();
        f.start.matrix = readMatrix(r);
        f.end.matrix = readMatrix(r);
        break;
    default:
        r.fail();
        return f;
    }
    f.start.kind = f.end.kind = static_cast<FillKind>(kind);
    return f;
}

MorphLineStyle readMorphLineStyle(core::BitReader& r, unsigned version) {
    MorphLineStyle l;
    l.start.width = r.u16();
    l.end.width = r.u16();
    if (version < 2) {
        l.start.color = readRgba(r);
        l.end.color = readRgba(r);
        return l;
    }
    l.start.startCap = static_cast<CapStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    l.start.join = static_cast<JoinStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    bool hasFill = r.flag();
    l.start.noHScale = r.flag();
    l.start.noVScale = r.flag();
    l.start.pixelHinting = r.flag();
    r.ub(5);
    l.start.noClose = r.flag();
    l.start.endCap = static_cast<CapStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    if (l.start.join == JoinStyle::Miter) l.start.miterLimit = r.fixed8();
    if (hasFill) {
        MorphFillStyle f = readMorphFillStyle(r);
        l.start.fill = f.start;
        l.end.fill = f.end;
    } else {
        l.start.color = readRgba(r);
        l.end.color = readRgba(r);
    }
    // The end style shares everything but width and paint with the start.
    std::uint16_t endWidth = l.end.width;
    Rgba endColor = l.end.color;
    std::optional<FillStyle> endFill = l.end.fill;
    l.end = l.start;
    l.end.width = endWidth;
    l.end.color = endColor;
    l.end.fill = endFill;
    return l;
}

DefineMorphShape readDefineMorphShape(core::BitReader& r, unsigned version) {
    DefineMorphShape m;
    m.version = version;
    m.id = r.u16();
    m.startBounds = readRect(r);
    m.endBounds = readRect(r);
    if (version >= 2) {
        m.startEdgeBounds = readRect(r);
        m.endEdgeBounds = readRect(r);
        std::uint8_t flags = r.u8();
        m.usesNonScalingStrokes = flags & 0x02;
        m.usesScalingStrokes = flags & 0x01;
    }
    std::uint32_t endOffset = r.u32();
    std::size_t endAt = r.position() + endOffset;
    std::size_t fills = r.u8();
    if (fills == 0xFF) fills = r.u16();
    m.fills.reserve(std::min(fills, r.remaining()));
    for (std::size_t i = 0; i < fills && !r.failed(); ++i) m.fills.push_back(readMorphFillStyle(r));
    std::size_t lines = r.u8();
    if (lines == 0xFF) lines = r.u16();
    m.lines.reserve(std::min(lines, r.remaining()));
    for (std::size_t i = 0; i < lines && !r.failed(); ++i)
        m.lines.push_back(readMorphLineStyle(r, version));
    ShapeContext ctx{version >= 2 ? 4u : 3u, true};
    m.startEdges = readShape(r, ctx, false);
    // The end edges start where the offset says; writers that leave padding rely on it.
    if (endOffset != 0 && endAt > r.position() && endAt <= r.size()) r.skip(endAt - r.position());
    m.endEdges = readShape(r, ctx, false);
    return m;
}

}  // namespace

TagBody parseShapeTag(core::BitReader& r, std::uint16_t code) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::DefineShape: return readDefineShape(r, 1);
    case TagCode::DefineShape2: return readDefineShape(r, 2);
    case TagCode::DefineShape3: return readDefineShape(r, 3);
    case TagCode::DefineShape4: return readDefineShape(r, 4);
    case TagCode::DefineMorphShape: return readDefineMorphShape(r, 1);
    case TagCode::DefineMorphShape2: return readDefineMorphShape(r, 2);
    default: return SkippedTag{};
    }
}

}  // namespace swf::detail
