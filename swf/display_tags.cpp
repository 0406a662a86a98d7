// PlaceObject 1-3 (with filters and clip actions), RemoveObject 1-2, FrameLabel and
// SetBackgroundColor.
#include <algorithm>

#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

constexpr std::uint32_t kClipEventKeyPress = 0x00020000;
constexpr std::size_t kMaxFilterMatrix = 255 * 255;

std::vector<ClipAction> readClipActions(core::BitReader& r, unsigned swfVersion,
                                        std::uint32_t& allFlags) {
    std::vector<ClipAction> out;
    r.u16();  // reserved
    bool wide = swfVersion >= 6;
    allFlags = wide ? r.u32() : r.u16();
    while (!r.failed()) {
        std::uint32_t flags = wide ? r.u32() : r.u16();
        if (flags == 0) break;
        ClipAction a;
        a.events = flags;
        std::uint32_t size = r.u32();
        core::BitReader body = r.sub(size);
        if ((flags & kClipEventKeyPress) && wide) a.keyCode = body.u8();
        auto bytes = body.rest();
        a.actions.assign(bytes.begin(), bytes.end());
        out.push_back(std::move(a));
    }
    return out;
}

void readFilterFlags(core::BitReader& r, Filter& f, unsigned passBits, bool hasOnTop) {
    f.inner = r.flag();
    f.knockout = r.flag();
    f.compositeSource = r.flag();
    if (hasOnTop) f.onTop = r.flag();
    f.passes = r.ub(passBits);
    r.align();
}

Filter readFilter(core::BitReader& r) {
    Filter f;
    std::uint8_t id = r.u8();
    if (id > 7) {
        r.fail();
        return f;
    }
    f.kind = static_cast<Filter::Kind>(id);
    switch (f.kind) {
    case Filter::Kind::DropShadow:
        f.color = readRgba(r);
        f.blurX = r.fixed16();
        f.blurY = r.fixed16();
        f.angle = r.fixed16();
        f.distance = r.fixed16();
        f.strength = r.fixed8();
        readFilterFlags(r, f, 5, false);
        break;
    case Filter::Kind::Blur:
        f.blurX = r.fixed16();
        f.blurY = r.fixed16();
        f.passes = r.ub(5);
        r.align();
        break;
    case Filter::Kind::Glow:
        f.color = readRgba(r);
        f.blurX = r.fixed16();
        f.blurY = r.fixed16();
        f.strength = r.fixed8();
        readFilterFlags(r, f, 5, false);
        break;
    case Filter::Kind::Bevel:
        // The highlight comes first in the file, although the published format lists the shadow
        // first: authoring tools and the player agree on this order.
        f.highlightColor = readRgba(r);
        f.color = readRgba(r);  // shadow
        f.blurX = r.fixed16();
        f.blurY = r.fixed16();
        f.angle = r.fixed16();
        f.distance = r.fixed16();
        f.strength = r.fixed8();
        readFilterFlags(r, f, 4, true);
        break;
    case Filter::Kind::GradientGlow:
    case Filter::Kind::GradientBevel: {
        unsigned n = r.u8();
        for (unsigned i = 0; i < n && !r.failed(); ++i) f.gradientColors.push_back(readRgba(r));
        for (unsigned i = 0; i < n && !r.failed(); ++i) f.gradientRatios.push_back(r.u8());
        f.blurX = r.fixed16();
        f.blurY = r.fixed16();
        f.angle = r.fixed16();
        f.distance = r.fixed16();
        f.strength = r.fixed8();
        readFilterFlags(r, f, 4, true);
        break;
    }
    case Filter::Kind::Convolution: {
        f.matrixX = r.u8();
        f.matrixY = r.u8();
        f.divisor = r.f32();
        f.bias = r.f32();
        std::size_t n = std::min<std::size_t>(std::size_t{f.matrixX} * f.matrixY, kMaxFilterMatrix);
        if (n * 4 > r.remaining()) {
            r.fail();
            break;
        }
        for (std::size_t i = 0; i < n; ++i) f.matrix.push_back(r.f32());
        f.defaultColor = readRgba(r);
        std::uint8_t flags = r.u8();
        f.clamp = flags & 0x02;
        f.preserveAlpha = flags & 0x01;
        break;
    }
    case Filter::Kind::ColorMatrix:
        for (int i = 0; i < 20; ++i) f.matrix.push_back(r.f32());
        break;
    }
    return f;
}

PlaceObject readPlaceObject1(core::BitReader& r) {
    PlaceObject p;
    p.version = 1;
    p.characterId = r.u16();
    p.depth = r.u16();
    p.matrix = readMatrix(r);
    if (!r.atEnd()) p.colorTransform = readColorTransform(r, false);
    return p;
}

PlaceObject readPlaceObject23(core::BitReader& r, unsigned version, const ParseContext& ctx) {
    PlaceObject p;
    p.version = version;
    std::uint8_t flags = r.u8();
    std::uint8_t flags2 = version >= 3 ? r.u8() : 0;
    bool hasClipActions = flags & 0x80;
    bool hasClipDepth = flags & 0x40;
    bool hasName = flags & 0x20;
    bool hasRatio = flags & 0x10;
    bool hasCxform = flags & 0x08;
    bool hasMatrix = flags & 0x04;
    bool hasCharacter = flags & 0x02;
    p.move = flags & 0x01;
    bool hasBackground = flags2 & 0x40;
    bool hasVisible = flags2 & 0x20;
    bool hasImage = flags2 & 0x10;
    bool hasClassName = flags2 & 0x08;
    bool hasCache = flags2 & 0x04;
    bool hasBlend = flags2 & 0x02;
    bool hasFilters = flags2 & 0x01;

    p.depth = r.u16();
    if (hasClassName || (hasImage && hasCharacter)) p.className = readString(r, ctx);
    if (hasCharacter) p.characterId = r.u16();
    if (hasMatrix) p.matrix = readMatrix(r);
    if (hasCxform) p.colorTransform = readColorTransform(r, true);
    if (hasRatio) p.ratio = r.u16();
    if (hasName) p.name = readString(r, ctx);
    if (hasClipDepth) p.clipDepth = r.u16();
    if (hasFilters) p.filters = readFilterList(r);
    if (hasBlend) {
        std::uint8_t b = r.u8();
        p.blendMode = (b <= 1 || b > 14) ? BlendMode::Normal : static_cast<BlendMode>(b);
    }
    // Some authoring tools set the cache flag without writing its byte; the flag alone means on.
    if (hasCache) p.cacheAsBitmap = r.atEnd() ? true : r.u8() != 0;
    if (hasVisible) p.visible = r.u8() != 0;
    if (hasBackground) p.backgroundColor = readRgba(r);
    if (hasClipActions) p.clipActions = readClipActions(r, ctx.swfVersion, p.allEventFlags);
    return p;
}

}  // namespace

std::vector<Filter> readFilterList(core::BitReader& r) {
    std::vector<Filter> filters;
    unsigned n = r.u8();
    for (unsigned i = 0; i < n && !r.failed(); ++i) filters.push_back(readFilter(r));
    return filters;
}

TagBody parseDisplayTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::PlaceObject: return readPlaceObject1(r);
    case TagCode::PlaceObject2: return readPlaceObject23(r, 2, ctx);
    case TagCode::PlaceObject3: return readPlaceObject23(r, 3, ctx);
    case TagCode::RemoveObject: {
        RemoveObject ro;
        ro.characterId = r.u16();
        ro.depth = r.u16();
        return ro;
    }
    case TagCode::RemoveObject2: {
        RemoveObject ro;
        ro.version = 2;
        ro.depth = r.u16();
        return ro;
    }
    case TagCode::FrameLabel: {
        FrameLabel fl;
        fl.name = readString(r, ctx);
        if (!r.atEnd()) fl.namedAnchor = r.u8() == 1;
        return fl;
    }
    case TagCode::SetBackgroundColor: return SetBackgroundColor{readRgb(r)};
    default: return SkippedTag{};
    }
}

}  // namespace swf::detail
