#include "swf/records.h"

#include <algorithm>

namespace swf {

Rgba readRgb(core::BitReader& r) {
    Rgba c;
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
}

Rgba readRgba(core::BitReader& r) {
    Rgba c = readRgb(r);
    c.a = r.u8();
    return c;
}

Rgba readArgb(core::BitReader& r) {
    Rgba c;
    c.a = r.u8();
    c.r = r.u8();
    c.g = r.u8();
    c.b = r.u8();
    return c;
}

Rect readRect(core::BitReader& r) {
    r.align();
    unsigned n = r.ub(5);
    Rect rc;
    rc.xMin = r.sb(n);
    rc.xMax = r.sb(n);
    rc.yMin = r.sb(n);
    rc.yMax = r.sb(n);
    r.align();
    return rc;
}

Matrix readMatrix(core::BitReader& r) {
    r.align();
    Matrix m;
    if (r.flag()) {
        unsigned n = r.ub(5);
        m.a = r.fb(n);
        m.d = r.fb(n);
    }
    if (r.flag()) {
        unsigned n = r.ub(5);
        m.b = r.fb(n);
        m.c = r.fb(n);
    }
    unsigned n = r.ub(5);
    m.tx = r.sb(n);
    m.ty = r.sb(n);
    r.align();
    return m;
}

ColorTransform readColorTransform(core::BitReader& r, bool withAlpha) {
    r.align();
    ColorTransform cx;
    bool hasAdd = r.flag();
    bool hasMul = r.flag();
    unsigned n = r.ub(4);
    if (hasMul) {
        cx.rMul = static_cast<std::int16_t>(r.sb(n));
        cx.gMul = static_cast<std::int16_t>(r.sb(n));
        cx.bMul = static_cast<std::int16_t>(r.sb(n));
        if (withAlpha) cx.aMul = static_cast<std::int16_t>(r.sb(n));
    }
    if (hasAdd) {
        cx.rAdd = static_cast<std::int16_t>(r.sb(n));
        cx.gAdd = static_cast<std::int16_t>(r.sb(n));
        cx.bAdd = static_cast<std::int16_t>(r.sb(n));
        if (withAlpha) cx.aAdd = static_cast<std::int16_t>(r.sb(n));
    }
    r.align();
    return cx;
}

namespace {

Rgba readShapeColor(core::BitReader& r, const ShapeContext& ctx) {
    return (ctx.shapeVersion >= 3 || ctx.morph) ? readRgba(r) : readRgb(r);
}

}  // namespace

Gradient readGradient(core::BitReader& r, const ShapeContext& ctx, bool focal) {
    Gradient g;
    r.align();
    g.spread = static_cast<SpreadMode>(std::min<std::uint32_t>(r.ub(2), 2));
    g.interpolation = static_cast<InterpolationMode>(std::min<std::uint32_t>(r.ub(2), 1));
    unsigned count = r.ub(4);
    // Shapes before version 4 allow at most 8 stops; a 4-bit count cannot exceed 15.
    g.stops.reserve(count);
    for (unsigned i = 0; i < count && !r.failed(); ++i) {
        GradientStop s;
        s.ratio = r.u8();
        s.color = readShapeColor(r, ctx);
        g.stops.push_back(s);
    }
    if (focal) g.focalPoint = r.fixed8();
    return g;
}

FillStyle readFillStyle(core::BitReader& r, const ShapeContext& ctx) {
    FillStyle f;
    std::uint8_t kind = r.u8();
    switch (kind) {
    case 0x00:
        f.kind = FillKind::Solid;
        f.color = readShapeColor(r, ctx);
        break;
    case 0x10:
    case 0x12:
    case 0x13:
        f.kind = static_cast<FillKind>(kind);
        f.matrix = readMatrix(r);
        f.gradient = readGradient(r, ctx, kind == 0x13);
        break;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
        f.kind = static_cast<FillKind>(kind);
        f.bitmapId = r.u16();
        f.matrix = readMatrix(r);
        break;
    default:
        r.fail();  // unknown fill type: the rest of the record cannot be located
        break;
    }
    return f;
}

LineStyle readLineStyle(core::BitReader& r, const ShapeContext& ctx) {
    LineStyle l;
    l.width = r.u16();
    if (ctx.shapeVersion < 4) {
        l.color = readShapeColor(r, ctx);
        return l;
    }
    l.startCap = static_cast<CapStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    l.join = static_cast<JoinStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    bool hasFill = r.flag();
    l.noHScale = r.flag();
    l.noVScale = r.flag();
    l.pixelHinting = r.flag();
    r.ub(5);  // reserved
    l.noClose = r.flag();
    l.endCap = static_cast<CapStyle>(std::min<std::uint32_t>(r.ub(2), 2));
    if (l.join == JoinStyle::Miter) l.miterLimit = r.fixed8();
    if (hasFill) {
        l.fill = readFillStyle(r, ctx);
    } else {
        l.color = readRgba(r);
    }
    return l;
}

StyleTables readStyleTables(core::BitReader& r, const ShapeContext& ctx) {
    StyleTables t;
    std::size_t fills = r.u8();
    if (fills == 0xFF && ctx.shapeVersion >= 2) fills = r.u16();
    t.fills.reserve(std::min(fills, r.remaining()));
    for (std::size_t i = 0; i < fills && !r.failed(); ++i) t.fills.push_back(readFillStyle(r, ctx));
    std::size_t lines = r.u8();
    if (lines == 0xFF && ctx.shapeVersion >= 2) lines = r.u16();
    t.lines.reserve(std::min(lines, r.remaining()));
    for (std::size_t i = 0; i < lines && !r.failed(); ++i) t.lines.push_back(readLineStyle(r, ctx));
    return t;
}

Shape readShape(core::BitReader& r, const ShapeContext& ctx, bool withStyles) {
    Shape s;
    if (withStyles) s.styles = readStyleTables(r, ctx);
    r.align();
    unsigned fillBits = r.ub(4);
    unsigned lineBits = r.ub(4);
    while (!r.failed()) {
        if (s.records.size() >= kMaxShapeRecords) {
            r.fail();
            break;
        }
        bool isEdge = r.flag();
        if (!isEdge) {
            unsigned flags = r.ub(5);
            if (flags == 0) break;  // end of shape
            ShapeRecord rec;
            rec.kind = ShapeRecord::Kind::StyleChange;
            bool newStyles = flags & 0x10;
            bool changeLine = flags & 0x08;
            bool changeFill1 = flags & 0x04;
            bool changeFill0 = flags & 0x02;
            bool moveTo = flags & 0x01;
            if (moveTo) {
                unsigned n = r.ub(5);
                rec.hasMove = true;
                rec.dx = r.sb(n);
                rec.dy = r.sb(n);
            }
            // Index fields are at most 15 bits wide, so they fit 16 bits.
            rec.hasFill0 = changeFill0;
            rec.hasFill1 = changeFill1;
            rec.hasLine = changeLine;
            if (changeFill0) rec.fill0 = static_cast<std::uint16_t>(r.ub(fillBits));
            if (changeFill1) rec.fill1 = static_cast<std::uint16_t>(r.ub(fillBits));
            if (changeLine) rec.line = static_cast<std::uint16_t>(r.ub(lineBits));
            // New style tables exist only in DefineShape2 and later; in glyphs and morphs the
            // bit is meaningless and the record ends here.
            if (newStyles && withStyles && ctx.shapeVersion >= 2 && !ctx.morph) {
                rec.newStyles = readStyleTables(r, ctx);
                r.align();
                fillBits = r.ub(4);
                lineBits = r.ub(4);
            }
            s.records.push_back(std::move(rec));
        } else {
            ShapeRecord rec;
            bool straight = r.flag();
            unsigned n = r.ub(4) + 2;
            if (straight) {
                rec.kind = ShapeRecord::Kind::StraightEdge;
                bool general = r.flag();
                bool vertical = general ? false : r.flag();
                if (general || !vertical) rec.dx = r.sb(n);
                if (general || vertical) rec.dy = r.sb(n);
            } else {
                rec.kind = ShapeRecord::Kind::CurvedEdge;
                rec.controlDx = r.sb(n);
                rec.controlDy = r.sb(n);
                rec.dx = r.sb(n);
                rec.dy = r.sb(n);
            }
            s.records.push_back(rec);
        }
    }
    r.align();
    return s;
}

}  // namespace swf
