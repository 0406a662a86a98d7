// DefineButton, DefineButton2 and DefineButtonCxform.
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

constexpr std::uint16_t kCondOverDownToOverUp = 0x0008;  // a release inside the button

// Reads button records up to the terminating zero byte.
std::vector<ButtonRecord> readButtonRecords(core::BitReader& r, unsigned version) {
    std::vector<ButtonRecord> records;
    while (!r.failed()) {
        std::uint8_t flags = r.u8();
        if (flags == 0) break;
        ButtonRecord b;
        bool hasBlend = flags & 0x20;
        bool hasFilters = flags & 0x10;
        b.hitTest = flags & 0x08;
        b.down = flags & 0x04;
        b.over = flags & 0x02;
        b.up = flags & 0x01;
        b.characterId = r.u16();
        b.depth = r.u16();
        b.matrix = readMatrix(r);
        if (version >= 2) {
            b.colorTransform = readColorTransform(r, true);
            if (hasFilters) b.filters = readFilterList(r);
            if (hasBlend) {
                std::uint8_t m = r.u8();
                b.blendMode = (m <= 1 || m > 14) ? BlendMode::Normal : static_cast<BlendMode>(m);
            }
        }
        records.push_back(std::move(b));
    }
    return records;
}

DefineButton readButton1(core::BitReader& r) {
    DefineButton b;
    b.version = 1;
    b.id = r.u16();
    b.records = readButtonRecords(r, 1);
    auto rest = r.rest();
    b.actions.push_back(ButtonCondAction{kCondOverDownToOverUp, Bytes(rest.begin(), rest.end())});
    return b;
}

DefineButton readButton2(core::BitReader& r) {
    DefineButton b;
    b.version = 2;
    b.id = r.u16();
    b.trackAsMenu = r.u8() & 0x01;
    std::size_t offsetAt = r.position();
    std::uint16_t actionOffset = r.u16();
    b.records = readButtonRecords(r, 2);
    if (actionOffset == 0 || r.failed()) return b;
    std::size_t actionsAt = offsetAt + actionOffset;
    if (actionsAt < r.position() || actionsAt > r.size()) {
        r.fail();
        return b;
    }
    r.skip(actionsAt - r.position());
    while (!r.failed() && !r.atEnd()) {
        std::uint16_t size = r.u16();
        ButtonCondAction a;
        a.conditions = r.u16();
        auto bytes = size == 0 ? r.rest() : r.bytes(size >= 4 ? size - 4u : 0u);
        if (size != 0 && size < 4) r.fail();
        a.actions.assign(bytes.begin(), bytes.end());
        b.actions.push_back(std::move(a));
        if (size == 0) break;
    }
    return b;
}

}  // namespace

TagBody parseButtonTag(core::BitReader& r, std::uint16_t code, const ParseContext&) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::DefineButton: return readButton1(r);
    case TagCode::DefineButton2: return readButton2(r);
    case TagCode::DefineButtonCxform: {
        DefineButtonCxform c;
        c.buttonId = r.u16();
        c.colorTransform = readColorTransform(r, false);
        return c;
    }
    default: return SkippedTag{};
    }
}

}  // namespace swf::detail
