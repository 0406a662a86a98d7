#include "swf/test_writer.h"

#include <algorithm>
#include <cmath>

#include "core/inflate.h"
#include "swf/tag_codes.h"

namespace swf {

using core::BitWriter;

namespace {

unsigned maxBits(std::initializer_list<unsigned> v) { return std::max(v); }

void writeRgb(BitWriter& w, const Rgba& c) {
    w.u8(c.r);
    w.u8(c.g);
    w.u8(c.b);
}

void writeRgba(BitWriter& w, const Rgba& c) {
    writeRgb(w, c);
    w.u8(c.a);
}

void writeShapeColor(BitWriter& w, const Rgba& c, const ShapeContext& ctx) {
    if (ctx.shapeVersion >= 3 || ctx.morph) writeRgba(w, c);
    else writeRgb(w, c);
}

void writeGradientHeader(BitWriter& w, const Gradient& g, std::size_t count) {
    w.align();
    w.ub(2, static_cast<unsigned>(g.spread));
    w.ub(2, static_cast<unsigned>(g.interpolation));
    w.ub(4, static_cast<std::uint32_t>(count));
}

void writeFillStyle(BitWriter& w, const FillStyle& f, const ShapeContext& ctx) {
    w.u8(static_cast<std::uint8_t>(f.kind));
    switch (f.kind) {
    case FillKind::Solid: writeShapeColor(w, f.color, ctx); break;
    case FillKind::LinearGradient:
    case FillKind::RadialGradient:
    case FillKind::FocalRadialGradient:
        writeMatrix(w, f.matrix);
        writeGradientHeader(w, f.gradient, f.gradient.stops.size());
        for (const GradientStop& s : f.gradient.stops) {
            w.u8(s.ratio);
            writeShapeColor(w, s.color, ctx);
        }
        if (f.kind == FillKind::FocalRadialGradient) w.fixed8(f.gradient.focalPoint);
        break;
    default:
        w.u16(f.bitmapId);
        writeMatrix(w, f.matrix);
        break;
    }
}

void writeLineStyle2Flags(BitWriter& w, const LineStyle& l, bool hasFill) {
    w.ub(2, static_cast<unsigned>(l.startCap));
    w.ub(2, static_cast<unsigned>(l.join));
    w.flag(hasFill);
    w.flag(l.noHScale);
    w.flag(l.noVScale);
    w.flag(l.pixelHinting);
    w.ub(5, 0);
    w.flag(l.noClose);
    w.ub(2, static_cast<unsigned>(l.endCap));
    if (l.join == JoinStyle::Miter) w.fixed8(l.miterLimit);
}

void writeLineStyle(BitWriter& w, const LineStyle& l, const ShapeContext& ctx) {
    w.u16(l.width);
    if (ctx.shapeVersion < 4) {
        writeShapeColor(w, l.color, ctx);
        return;
    }
    writeLineStyle2Flags(w, l, l.fill.has_value());
    if (l.fill) writeFillStyle(w, *l.fill, ctx);
    else writeRgba(w, l.color);
}

void writeCount(BitWriter& w, std::size_t n, bool extendable) {
    if (n >= 0xFF && extendable) {
        w.u8(0xFF);
        w.u16(static_cast<std::uint16_t>(n));
    } else {
        w.u8(static_cast<std::uint8_t>(n));
    }
}

void writeStyleTables(BitWriter& w, const StyleTables& t, const ShapeContext& ctx) {
    writeCount(w, t.fills.size(), ctx.shapeVersion >= 2);
    for (const FillStyle& f : t.fills) writeFillStyle(w, f, ctx);
    writeCount(w, t.lines.size(), ctx.shapeVersion >= 2);
    for (const LineStyle& l : t.lines) writeLineStyle(w, l, ctx);
}

// Index bits for the records from `from` up to the next record with new styles.
void styleBits(const Shape& s, std::size_t from, std::size_t fills, std::size_t lines,
               unsigned& fillBits, unsigned& lineBits) {
    std::uint32_t maxFill = static_cast<std::uint32_t>(fills);
    std::uint32_t maxLine = static_cast<std::uint32_t>(lines);
    for (std::size_t i = from; i < s.records.size(); ++i) {
        const ShapeRecord& r = s.records[i];
        if (i > from && r.newStyles) break;
        if (r.hasFill0) maxFill = std::max<std::uint32_t>(maxFill, r.fill0);
        if (r.hasFill1) maxFill = std::max<std::uint32_t>(maxFill, r.fill1);
        if (r.hasLine) maxLine = std::max<std::uint32_t>(maxLine, r.line);
    }
    fillBits = BitWriter::bitsUnsigned(maxFill);
    lineBits = BitWriter::bitsUnsigned(maxLine);
}

void writeClipActions(BitWriter& w, const PlaceObject& p, unsigned swfVersion) {
    bool wide = swfVersion >= 6;
    w.u16(0);
    std::uint32_t all = p.allEventFlags;
    for (const ClipAction& a : p.clipActions) all |= a.events;
    if (wide) w.u32(all);
    else w.u16(static_cast<std::uint16_t>(all));
    for (const ClipAction& a : p.clipActions) {
        if (wide) w.u32(a.events);
        else w.u16(static_cast<std::uint16_t>(a.events));
        bool key = wide && (a.events & 0x00020000);
        w.u32(static_cast<std::uint32_t>(a.actions.size() + (key ? 1 : 0)));
        if (key) w.u8(a.keyCode);
        w.bytes(a.actions);
    }
    if (wide) w.u32(0);
    else w.u16(0);
}

void writeFilterFlags(BitWriter& w, const Filter& f, unsigned passBits, bool onTop) {
    w.flag(f.inner);
    w.flag(f.knockout);
    w.flag(f.compositeSource);
    if (onTop) w.flag(f.onTop);
    w.ub(passBits, f.passes);
    w.align();
}

void writeFilter(BitWriter& w, const Filter& f) {
    w.u8(static_cast<std::uint8_t>(f.kind));
    switch (f.kind) {
    case Filter::Kind::DropShadow:
        writeRgba(w, f.color);
        w.fixed16(f.blurX); w.fixed16(f.blurY); w.fixed16(f.angle); w.fixed16(f.distance);
        w.fixed8(f.strength);
        writeFilterFlags(w, f, 5, false);
        break;
    case Filter::Kind::Blur:
        w.fixed16(f.blurX); w.fixed16(f.blurY);
        w.ub(5, f.passes);
        w.ub(3, 0);
        break;
    case Filter::Kind::Glow:
        writeRgba(w, f.color);
        w.fixed16(f.blurX); w.fixed16(f.blurY);
        w.fixed8(f.strength);
        writeFilterFlags(w, f, 5, false);
        break;
    case Filter::Kind::Bevel:
        writeRgba(w, f.highlightColor);
        writeRgba(w, f.color);
        w.fixed16(f.blurX); w.fixed16(f.blurY); w.fixed16(f.angle); w.fixed16(f.distance);
        w.fixed8(f.strength);
        writeFilterFlags(w, f, 4, true);
        break;
    case Filter::Kind::GradientGlow:
    case Filter::Kind::GradientBevel:
        w.u8(static_cast<std::uint8_t>(f.gradientColors.size()));
        for (const Rgba& c : f.gradientColors) writeRgba(w, c);
        for (std::uint8_t r : f.gradientRatios) w.u8(r);
        w.fixed16(f.blurX); w.fixed16(f.blurY); w.fixed16(f.angle); w.fixed16(f.distance);
        w.fixed8(f.strength);
        writeFilterFlags(w, f, 4, true);
        break;
    case Filter::Kind::Convolution:
        w.u8(static_cast<std::uint8_t>(f.matrixX));
        w.u8(static_cast<std::uint8_t>(f.matrixY));
        w.f32(f.divisor);
        w.f32(f.bias);
        for (float v : f.matrix) w.f32(v);
        writeRgba(w, f.defaultColor);
        w.u8(static_cast<std::uint8_t>((f.clamp ? 2 : 0) | (f.preserveAlpha ? 1 : 0)));
        break;
    case Filter::Kind::ColorMatrix:
        for (float v : f.matrix) w.f32(v);
        break;
    }
}

void writeFilterList(BitWriter& w, const std::vector<Filter>& filters) {
    w.u8(static_cast<std::uint8_t>(filters.size()));
    for (const Filter& f : filters) writeFilter(w, f);
}

void writePlaceObject(BitWriter& w, const PlaceObject& p, unsigned swfVersion) {
    if (p.version == 1) {
        w.u16(p.characterId.value_or(0));
        w.u16(p.depth);
        writeMatrix(w, p.matrix.value_or(Matrix{}));
        if (p.colorTransform) writeColorTransform(w, *p.colorTransform, false);
        return;
    }
    std::uint8_t flags = 0;
    if (!p.clipActions.empty()) flags |= 0x80;
    if (p.clipDepth) flags |= 0x40;
    if (p.name) flags |= 0x20;
    if (p.ratio) flags |= 0x10;
    if (p.colorTransform) flags |= 0x08;
    if (p.matrix) flags |= 0x04;
    if (p.characterId) flags |= 0x02;
    if (p.move) flags |= 0x01;
    w.u8(flags);
    if (p.version >= 3) {
        std::uint8_t f2 = 0;
        if (p.backgroundColor) f2 |= 0x40;
        if (p.visible) f2 |= 0x20;
        if (p.className) f2 |= 0x08;
        if (p.cacheAsBitmap) f2 |= 0x04;
        if (p.blendMode) f2 |= 0x02;
        if (p.filters) f2 |= 0x01;
        w.u8(f2);
    }
    w.u16(p.depth);
    if (p.version >= 3 && p.className) w.cstring(*p.className);
    if (p.characterId) w.u16(*p.characterId);
    if (p.matrix) writeMatrix(w, *p.matrix);
    if (p.colorTransform) writeColorTransform(w, *p.colorTransform, true);
    if (p.ratio) w.u16(*p.ratio);
    if (p.name) w.cstring(*p.name);
    if (p.clipDepth) w.u16(*p.clipDepth);
    if (p.version >= 3) {
        if (p.filters) writeFilterList(w, *p.filters);
        if (p.blendMode) w.u8(static_cast<std::uint8_t>(p.blendMode == BlendMode::Normal ? 1 : static_cast<int>(*p.blendMode)));
        if (p.cacheAsBitmap) w.u8(*p.cacheAsBitmap ? 1 : 0);
        if (p.visible) w.u8(*p.visible ? 1 : 0);
        if (p.backgroundColor) writeRgba(w, *p.backgroundColor);
    }
    if (!p.clipActions.empty()) writeClipActions(w, p, swfVersion);
}

void writeMorphFill(BitWriter& w, const MorphFillStyle& f) {
    w.u8(static_cast<std::uint8_t>(f.start.kind));
    switch (f.start.kind) {
    case FillKind::Solid:
        writeRgba(w, f.start.color);
        writeRgba(w, f.end.color);
        break;
    case FillKind::LinearGradient:
    case FillKind::RadialGradient:
    case FillKind::FocalRadialGradient: {
        writeMatrix(w, f.start.matrix);
        writeMatrix(w, f.end.matrix);
        std::size_t n = std::min(f.start.gradient.stops.size(), f.end.gradient.stops.size());
        writeGradientHeader(w, f.start.gradient, n);
        for (std::size_t i = 0; i < n; ++i) {
            w.u8(f.start.gradient.stops[i].ratio);
            writeRgba(w, f.start.gradient.stops[i].color);
            w.u8(f.end.gradient.stops[i].ratio);
            writeRgba(w, f.end.gradient.stops[i].color);
        }
        if (f.start.kind == FillKind::FocalRadialGradient) {
            w.fixed8(f.start.gradient.focalPoint);
            w.fixed8(f.end.gradient.focalPoint);
        }
        break;
    }
    default:
        w.u16(f.start.bitmapId);
        writeMatrix(w, f.start.matrix);
        writeMatrix(w, f.end.matrix);
        break;
    }
}

void writeMorphShape(BitWriter& w, const DefineMorphShape& m) {
    w.u16(m.id);
    writeRect(w, m.startBounds);
    writeRect(w, m.endBounds);
    if (m.version >= 2) {
        writeRect(w, m.startEdgeBounds);
        writeRect(w, m.endEdgeBounds);
        w.u8(static_cast<std::uint8_t>((m.usesNonScalingStrokes ? 2 : 0) |
                                       (m.usesScalingStrokes ? 1 : 0)));
    }
    BitWriter body;
    writeCount(body, m.fills.size(), true);
    for (const MorphFillStyle& f : m.fills) writeMorphFill(body, f);
    writeCount(body, m.lines.size(), true);
    for (const MorphLineStyle& l : m.lines) {
        body.u16(l.start.width);
        body.u16(l.end.width);
        if (m.version < 2) {
            writeRgba(body, l.start.color);
            writeRgba(body, l.end.color);
            continue;
        }
        writeLineStyle2Flags(body, l.start, l.start.fill.has_value());
        if (l.start.fill) {
            writeMorphFill(body, MorphFillStyle{*l.start.fill, l.end.fill.value_or(*l.start.fill)});
        } else {
            writeRgba(body, l.start.color);
            writeRgba(body, l.end.color);
        }
    }
    ShapeContext ctx{m.version >= 2 ? 4u : 3u, true};
    writeShape(body, m.startEdges, ctx, false);
    Bytes start = body.take();
    w.u32(static_cast<std::uint32_t>(start.size()));
    w.bytes(start);
    writeShape(w, m.endEdges, ctx, false);
}

void writeFontName(BitWriter& w, const std::string& name) {
    w.u8(static_cast<std::uint8_t>(name.size()));
    w.bytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
}

void writeFont(BitWriter& w, const DefineFont& f) {
    w.u16(f.id);
    std::vector<Bytes> glyphs;
    for (const Shape& g : f.glyphs) {
        BitWriter gw;
        writeShape(gw, g, ShapeContext{1, false}, false);
        glyphs.push_back(gw.take());
    }
    if (f.version == 1) {
        std::size_t at = glyphs.size() * 2;
        for (const Bytes& g : glyphs) {
            w.u16(static_cast<std::uint16_t>(at));
            at += g.size();
        }
        for (const Bytes& g : glyphs) w.bytes(g);
        return;
    }
    w.u8(static_cast<std::uint8_t>((f.hasLayout ? 0x80 : 0) | (f.shiftJis ? 0x40 : 0) |
                                   (f.smallText ? 0x20 : 0) | (f.ansi ? 0x10 : 0) |
                                   (f.wideOffsets ? 0x08 : 0) | (f.wideCodes ? 0x04 : 0) |
                                   (f.italic ? 0x02 : 0) | (f.bold ? 0x01 : 0)));
    w.u8(f.language);
    writeFontName(w, f.name);
    w.u16(static_cast<std::uint16_t>(glyphs.size()));
    std::size_t offSize = f.wideOffsets ? 4 : 2;
    std::size_t at = (glyphs.size() + 1) * offSize;
    auto off = [&](std::size_t v) {
        if (f.wideOffsets) w.u32(static_cast<std::uint32_t>(v));
        else w.u16(static_cast<std::uint16_t>(v));
    };
    if (!glyphs.empty()) {
        for (const Bytes& g : glyphs) {
            off(at);
            at += g.size();
        }
        off(at);
        for (const Bytes& g : glyphs) w.bytes(g);
    }
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        std::uint16_t c = i < f.codes.size() ? f.codes[i] : 0;
        if (f.wideCodes) w.u16(c);
        else w.u8(static_cast<std::uint8_t>(c));
    }
    if (!f.hasLayout) return;
    w.s16(f.layout.ascent);
    w.s16(f.layout.descent);
    w.s16(f.layout.leading);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        w.s16(i < f.layout.advances.size() ? f.layout.advances[i] : 0);
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        writeRect(w, i < f.layout.bounds.size() ? f.layout.bounds[i] : Rect{});
    w.u16(static_cast<std::uint16_t>(f.layout.kerning.size()));
    for (const KerningPair& k : f.layout.kerning) {
        if (f.wideCodes) { w.u16(k.left); w.u16(k.right); }
        else { w.u8(static_cast<std::uint8_t>(k.left)); w.u8(static_cast<std::uint8_t>(k.right)); }
        w.s16(k.adjustment);
    }
}

void writeText(BitWriter& w, const DefineText& t) {
    w.u16(t.id);
    writeRect(w, t.bounds);
    writeMatrix(w, t.matrix);
    std::uint32_t maxIndex = 0;
    unsigned advBits = 0;
    for (const TextRecord& r : t.records)
        for (const TextRecord::Glyph& g : r.glyphs) {
            maxIndex = std::max(maxIndex, g.index);
            advBits = std::max(advBits, BitWriter::bitsSigned(g.advance));
        }
    unsigned glyphBits = BitWriter::bitsUnsigned(maxIndex);
    w.u8(static_cast<std::uint8_t>(glyphBits));
    w.u8(static_cast<std::uint8_t>(advBits));
    for (const TextRecord& r : t.records) {
        w.u8(static_cast<std::uint8_t>(0x80 | (r.fontId ? 0x08 : 0) | (r.color ? 0x04 : 0) |
                                       (r.yOffset ? 0x02 : 0) | (r.xOffset ? 0x01 : 0)));
        if (r.fontId) w.u16(*r.fontId);
        if (r.color) {
            if (t.version >= 2) writeRgba(w, *r.color);
            else writeRgb(w, *r.color);
        }
        if (r.xOffset) w.s16(*r.xOffset);
        if (r.yOffset) w.s16(*r.yOffset);
        if (r.fontId) w.u16(r.height.value_or(0));
        w.u8(static_cast<std::uint8_t>(r.glyphs.size()));
        for (const TextRecord::Glyph& g : r.glyphs) {
            w.ub(glyphBits, g.index);
            w.sb(advBits, g.advance);
        }
        w.align();
    }
    w.u8(0);
}

void writeEditText(BitWriter& w, const DefineEditText& e) {
    w.u16(e.id);
    writeRect(w, e.bounds);
    w.u8(static_cast<std::uint8_t>((e.initialText ? 0x80 : 0) | (e.wordWrap ? 0x40 : 0) |
                                   (e.multiline ? 0x20 : 0) | (e.password ? 0x10 : 0) |
                                   (e.readOnly ? 0x08 : 0) | (e.color ? 0x04 : 0) |
                                   (e.maxLength ? 0x02 : 0) | (e.fontId ? 0x01 : 0)));
    w.u8(static_cast<std::uint8_t>((e.fontClass ? 0x80 : 0) | (e.autoSize ? 0x40 : 0) |
                                   (e.layout ? 0x20 : 0) | (e.noSelect ? 0x10 : 0) |
                                   (e.border ? 0x08 : 0) | (e.wasStatic ? 0x04 : 0) |
                                   (e.html ? 0x02 : 0) | (e.useOutlines ? 0x01 : 0)));
    if (e.fontId) w.u16(*e.fontId);
    if (e.fontClass) w.cstring(*e.fontClass);
    if (e.fontId || e.fontClass) w.u16(e.fontHeight.value_or(0));
    if (e.color) writeRgba(w, *e.color);
    if (e.maxLength) w.u16(*e.maxLength);
    if (e.layout) {
        w.u8(e.layout->align);
        w.u16(e.layout->leftMargin);
        w.u16(e.layout->rightMargin);
        w.u16(e.layout->indent);
        w.s16(e.layout->leading);
    }
    w.cstring(e.variableName);
    if (e.initialText) w.cstring(*e.initialText);
}

void writeButtonRecords(BitWriter& w, const DefineButton& b) {
    for (const ButtonRecord& r : b.records) {
        bool v2 = b.version >= 2;
        bool hasBlend = v2 && r.blendMode != BlendMode::Normal;
        bool hasFilters = v2 && !r.filters.empty();
        w.u8(static_cast<std::uint8_t>((hasBlend ? 0x20 : 0) | (hasFilters ? 0x10 : 0) |
                                       (r.hitTest ? 0x08 : 0) | (r.down ? 0x04 : 0) |
                                       (r.over ? 0x02 : 0) | (r.up ? 0x01 : 0)));
        w.u16(r.characterId);
        w.u16(r.depth);
        writeMatrix(w, r.matrix);
        if (v2) {
            writeColorTransform(w, r.colorTransform, true);
            if (hasFilters) writeFilterList(w, r.filters);
            if (hasBlend) w.u8(static_cast<std::uint8_t>(r.blendMode));
        }
    }
    w.u8(0);
}

void writeButton(BitWriter& w, const DefineButton& b) {
    w.u16(b.id);
    if (b.version < 2) {
        writeButtonRecords(w, b);
        if (!b.actions.empty()) w.bytes(b.actions.front().actions);
        return;
    }
    w.u8(b.trackAsMenu ? 1 : 0);
    BitWriter records;
    writeButtonRecords(records, b);
    Bytes rec = records.take();
    w.u16(b.actions.empty() ? 0 : static_cast<std::uint16_t>(2 + rec.size()));
    w.bytes(rec);
    for (std::size_t i = 0; i < b.actions.size(); ++i) {
        const ButtonCondAction& a = b.actions[i];
        bool last = i + 1 == b.actions.size();
        w.u16(last ? 0 : static_cast<std::uint16_t>(4 + a.actions.size()));
        w.u16(a.conditions);
        w.bytes(a.actions);
    }
}

void writeAssets(BitWriter& w, const std::vector<AssetRef>& assets) {
    w.u16(static_cast<std::uint16_t>(assets.size()));
    for (const AssetRef& a : assets) {
        w.u16(a.id);
        w.cstring(a.name);
    }
}

struct BodyWriter {
    BitWriter& w;
    unsigned swfVersion;

    void operator()(const SkippedTag&) {}
    void operator()(const Avm2Tag&) {}
    void operator()(const End&) {}
    void operator()(const ShowFrame&) {}
    void operator()(const SetBackgroundColor& t) { writeRgb(w, t.color); }
    void operator()(const DefineShape& s) {
        w.u16(s.id);
        writeRect(w, s.bounds);
        if (s.version >= 4) {
            writeRect(w, s.edgeBounds);
            w.u8(static_cast<std::uint8_t>((s.usesFillWindingRule ? 4 : 0) |
                                           (s.usesNonScalingStrokes ? 2 : 0) |
                                           (s.usesScalingStrokes ? 1 : 0)));
        }
        writeShape(w, s.shape, ShapeContext{s.version, false}, true);
    }
    void operator()(const DefineMorphShape& m) { writeMorphShape(w, m); }
    void operator()(const PlaceObject& p) { writePlaceObject(w, p, swfVersion); }
    void operator()(const RemoveObject& r) {
        if (r.version == 1) w.u16(r.characterId.value_or(0));
        w.u16(r.depth);
    }
    void operator()(const FrameLabel& f) {
        w.cstring(f.name);
        if (f.namedAnchor) w.u8(1);
    }
    void operator()(const DefineSprite& s) {
        w.u16(s.id);
        w.u16(s.frameCount);
        for (const Tag& t : s.tags) w.bytes(encodeTag(t, swfVersion));
    }
    void operator()(const DefineBitsJpeg& j) {
        w.u16(j.id);
        if (j.version >= 3) {
            w.u32(static_cast<std::uint32_t>(j.imageData.size()));
            if (j.version == 4) w.fixed8(j.deblocking);
        }
        w.bytes(j.imageData);
        if (j.version >= 3) w.bytes(j.alphaData);
    }
    void operator()(const JpegTables& j) { w.bytes(j.data); }
    void operator()(const DefineBitsLossless& b) {
        w.u16(b.id);
        w.u8(b.format);
        w.u16(b.width);
        w.u16(b.height);
        if (b.format == 3) w.u8(static_cast<std::uint8_t>(b.colorTableSize - 1));
        w.bytes(b.zlibData);
    }
    void operator()(const DefineFont& f) { writeFont(w, f); }
    void operator()(const DefineFontInfo& f) {
        w.u16(f.fontId);
        writeFontName(w, f.name);
        w.u8(static_cast<std::uint8_t>((f.smallText ? 0x20 : 0) | (f.shiftJis ? 0x10 : 0) |
                                       (f.ansi ? 0x08 : 0) | (f.italic ? 0x04 : 0) |
                                       (f.bold ? 0x02 : 0) | (f.wideCodes ? 0x01 : 0)));
        if (f.version >= 2) w.u8(f.language);
        for (std::uint16_t c : f.codes) {
            if (f.wideCodes) w.u16(c);
            else w.u8(static_cast<std::uint8_t>(c));
        }
    }
    void operator()(const DefineFontAlignZones& z) {
        w.u16(z.fontId);
        w.u8(static_cast<std::uint8_t>(z.csmTableHint << 6));
        for (const auto& zone : z.zones) {
            // Half floats of the values the tests use (exact small integers and halves).
            auto half = [](float v) -> std::uint16_t {
                if (v == 0) return 0;
                int e;
                float m = std::frexp(std::fabs(v), &e);  // v = m * 2^e, m in [0.5, 1)
                std::uint16_t bits = static_cast<std::uint16_t>(((e + 14) << 10) |
                                                                (static_cast<int>(m * 2048) & 0x3FF));
                return static_cast<std::uint16_t>(v < 0 ? bits | 0x8000 : bits);
            };
            w.u8(2);
            w.u16(half(zone.alignX)); w.u16(half(zone.widthX));
            w.u16(half(zone.alignY)); w.u16(half(zone.heightY));
            w.u8(static_cast<std::uint8_t>((zone.hasY ? 2 : 0) | (zone.hasX ? 1 : 0)));
        }
    }
    void operator()(const DefineFontName& n) {
        w.u16(n.fontId);
        w.cstring(n.name);
        w.cstring(n.copyright);
    }
    void operator()(const DefineText& t) { writeText(w, t); }
    void operator()(const DefineEditText& e) { writeEditText(w, e); }
    void operator()(const DefineButton& b) { writeButton(w, b); }
    void operator()(const DefineButtonCxform& c) {
        w.u16(c.buttonId);
        writeColorTransform(w, c.colorTransform, false);
    }
    void operator()(const DoAction& a) { w.bytes(a.actions); }
    void operator()(const DoInitAction& a) {
        w.u16(a.spriteId);
        w.bytes(a.actions);
    }
    void operator()(const ExportAssets& e) { writeAssets(w, e.assets); }
    void operator()(const ImportAssets& i) {
        w.cstring(i.url);
        if (i.version == 2) { w.u8(1); w.u8(0); }
        writeAssets(w, i.assets);
    }
    void operator()(const ScriptLimits& s) {
        w.u16(s.maxRecursionDepth);
        w.u16(s.scriptTimeoutSeconds);
    }
    void operator()(const FileAttributes& a) {
        w.u8(static_cast<std::uint8_t>((a.useDirectBlit ? 0x40 : 0) | (a.useGpu ? 0x20 : 0) |
                                       (a.hasMetadata ? 0x10 : 0) | (a.actionScript3 ? 0x08 : 0) |
                                       (a.useNetwork ? 0x01 : 0)));
        w.u8(0); w.u8(0); w.u8(0);
    }
    void operator()(const SetTabIndex& t) {
        w.u16(t.depth);
        w.u16(t.tabIndex);
    }
    void operator()(const Protect& p) {
        if (!p.passwordHash.empty()) w.cstring(p.passwordHash);
    }
    void operator()(const Metadata& m) { w.cstring(m.xml); }
    void operator()(const SoundTag& s) { w.bytes(s.data); }
};

}  // namespace

void writeRect(BitWriter& w, const Rect& r) {
    w.align();
    unsigned n = maxBits({BitWriter::bitsSigned(r.xMin), BitWriter::bitsSigned(r.xMax),
                          BitWriter::bitsSigned(r.yMin), BitWriter::bitsSigned(r.yMax)});
    w.ub(5, n);
    w.sb(n, r.xMin);
    w.sb(n, r.xMax);
    w.sb(n, r.yMin);
    w.sb(n, r.yMax);
    w.align();
}

void writeMatrix(BitWriter& w, const Matrix& m) {
    w.align();
    bool hasScale = m.a != 1 || m.d != 1;
    w.flag(hasScale);
    if (hasScale) {
        unsigned n = std::max(BitWriter::bitsFixed(m.a), BitWriter::bitsFixed(m.d));
        w.ub(5, n);
        w.fb(n, m.a);
        w.fb(n, m.d);
    }
    bool hasRotate = m.b != 0 || m.c != 0;
    w.flag(hasRotate);
    if (hasRotate) {
        unsigned n = std::max(BitWriter::bitsFixed(m.b), BitWriter::bitsFixed(m.c));
        w.ub(5, n);
        w.fb(n, m.b);
        w.fb(n, m.c);
    }
    unsigned n = std::max(BitWriter::bitsSigned(m.tx), BitWriter::bitsSigned(m.ty));
    w.ub(5, n);
    w.sb(n, m.tx);
    w.sb(n, m.ty);
    w.align();
}

void writeColorTransform(BitWriter& w, const ColorTransform& cx, bool withAlpha) {
    w.align();
    bool hasMul = cx.rMul != 256 || cx.gMul != 256 || cx.bMul != 256 || (withAlpha && cx.aMul != 256);
    bool hasAdd = cx.rAdd != 0 || cx.gAdd != 0 || cx.bAdd != 0 || (withAlpha && cx.aAdd != 0);
    w.flag(hasAdd);
    w.flag(hasMul);
    unsigned n = 1;
    auto widen = [&](std::int16_t v) { n = std::max(n, BitWriter::bitsSigned(v)); };
    if (hasMul) { widen(cx.rMul); widen(cx.gMul); widen(cx.bMul); if (withAlpha) widen(cx.aMul); }
    if (hasAdd) { widen(cx.rAdd); widen(cx.gAdd); widen(cx.bAdd); if (withAlpha) widen(cx.aAdd); }
    w.ub(4, n);
    if (hasMul) {
        w.sb(n, cx.rMul); w.sb(n, cx.gMul); w.sb(n, cx.bMul);
        if (withAlpha) w.sb(n, cx.aMul);
    }
    if (hasAdd) {
        w.sb(n, cx.rAdd); w.sb(n, cx.gAdd); w.sb(n, cx.bAdd);
        if (withAlpha) w.sb(n, cx.aAdd);
    }
    w.align();
}

void writeShape(BitWriter& w, const Shape& s, const ShapeContext& ctx, bool withStyles) {
    if (withStyles) writeStyleTables(w, s.styles, ctx);
    unsigned fillBits, lineBits;
    std::size_t fills = withStyles ? s.styles.fills.size() : 0;
    std::size_t lines = withStyles ? s.styles.lines.size() : 0;
    styleBits(s, 0, fills, lines, fillBits, lineBits);
    w.align();
    w.ub(4, fillBits);
    w.ub(4, lineBits);
    for (std::size_t i = 0; i < s.records.size(); ++i) {
        const ShapeRecord& r = s.records[i];
        if (r.kind == ShapeRecord::Kind::StyleChange) {
            bool newStyles = r.newStyles && withStyles;
            w.flag(false);
            w.flag(newStyles);
            w.flag(r.hasLine);
            w.flag(r.hasFill1);
            w.flag(r.hasFill0);
            w.flag(r.hasMove);
            if (r.hasMove) {
                unsigned n = std::max(BitWriter::bitsSigned(r.dx), BitWriter::bitsSigned(r.dy));
                w.ub(5, n);
                w.sb(n, r.dx);
                w.sb(n, r.dy);
            }
            if (r.hasFill0) w.ub(fillBits, r.fill0);
            if (r.hasFill1) w.ub(fillBits, r.fill1);
            if (r.hasLine) w.ub(lineBits, r.line);
            if (newStyles) {
                writeStyleTables(w, *r.newStyles, ctx);
                styleBits(s, i, r.newStyles->fills.size(), r.newStyles->lines.size(), fillBits,
                          lineBits);
                w.align();
                w.ub(4, fillBits);
                w.ub(4, lineBits);
            }
        } else if (r.kind == ShapeRecord::Kind::StraightEdge) {
            unsigned n = std::max({2u, BitWriter::bitsSigned(r.dx), BitWriter::bitsSigned(r.dy)});
            w.flag(true);
            w.flag(true);
            w.ub(4, n - 2);
            bool general = r.dx != 0 && r.dy != 0;
            w.flag(general);
            if (general) {
                w.sb(n, r.dx);
                w.sb(n, r.dy);
            } else {
                bool vertical = r.dx == 0;
                w.flag(vertical);
                w.sb(n, vertical ? r.dy : r.dx);
            }
        } else {
            unsigned n = std::max({2u, BitWriter::bitsSigned(r.controlDx), BitWriter::bitsSigned(r.controlDy),
                                   BitWriter::bitsSigned(r.dx), BitWriter::bitsSigned(r.dy)});
            w.flag(true);
            w.flag(false);
            w.ub(4, n - 2);
            w.sb(n, r.controlDx);
            w.sb(n, r.controlDy);
            w.sb(n, r.dx);
            w.sb(n, r.dy);
        }
    }
    w.ub(6, 0);  // end record
    w.align();
}

Bytes encodeTag(const Tag& tag, unsigned swfVersion) {
    BitWriter w;
    std::visit(BodyWriter{w, swfVersion}, tag.body);
    Bytes body = w.take();
    return encodeRawTag(tag.code, body);
}

}  // namespace swf
