// Script, asset, attribute and sound tags: DoAction, DoInitAction, ExportAssets,
// ImportAssets(2), ScriptLimits, FileAttributes, SetTabIndex, Protect, EnableDebugger(2),
// Metadata and the sound family (kept as bytes).
#include "core/text_encoding.h"
#include "swf/tag_codes.h"
#include "swf/tag_parsers.h"

namespace swf::detail {

namespace {

Bytes copyOf(std::span<const std::uint8_t> s) { return Bytes(s.begin(), s.end()); }

std::vector<AssetRef> readAssets(core::BitReader& r, const ParseContext& ctx) {
    std::vector<AssetRef> out;
    std::size_t n = r.u16();
    for (std::size_t i = 0; i < n && !r.failed(); ++i) {
        AssetRef a;
        a.id = r.u16();
        a.name = readString(r, ctx);
        out.push_back(std::move(a));
    }
    return out;
}

// Text up to the first zero byte or the end of the tag, whichever comes first.
std::string restAsText(core::BitReader& r, const ParseContext& ctx) {
    auto raw = r.rest();
    std::string s(reinterpret_cast<const char*>(raw.data()), raw.size());
    if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
    return core::movieStringToUtf8(s, ctx.swfVersion);
}

SoundTag readSound(core::BitReader& r, std::uint16_t code) {
    SoundTag s;
    auto all = r.rest();
    s.data = copyOf(all);
    switch (static_cast<TagCode>(code)) {
    case TagCode::DefineSound:
    case TagCode::StartSound:
    case TagCode::DefineButtonSound:
        if (all.size() < 2) r.fail();
        else s.id = static_cast<std::uint16_t>(all[0] | (all[1] << 8));
        break;
    default:
        break;
    }
    return s;
}

}  // namespace

TagBody parseMiscTag(core::BitReader& r, std::uint16_t code, const ParseContext& ctx) {
    switch (static_cast<TagCode>(code)) {
    case TagCode::DoAction: return DoAction{copyOf(r.rest())};
    case TagCode::DoInitAction: {
        DoInitAction d;
        d.spriteId = r.u16();
        d.actions = copyOf(r.rest());
        return d;
    }
    case TagCode::ExportAssets: return ExportAssets{readAssets(r, ctx)};
    case TagCode::ImportAssets:
    case TagCode::ImportAssets2: {
        ImportAssets im;
        im.version = code == static_cast<std::uint16_t>(TagCode::ImportAssets2) ? 2 : 1;
        im.url = readString(r, ctx);
        if (im.version == 2) {
            r.u8();  // reserved, 1
            r.u8();  // reserved, 0
        }
        im.assets = readAssets(r, ctx);
        return im;
    }
    case TagCode::ScriptLimits: {
        ScriptLimits s;
        s.maxRecursionDepth = r.u16();
        s.scriptTimeoutSeconds = r.u16();
        return s;
    }
    case TagCode::FileAttributes: {
        // Only the first byte carries flags; some writers omit the three reserved bytes.
        FileAttributes a;
        std::uint8_t f = r.u8();
        a.useDirectBlit = f & 0x40;
        a.useGpu = f & 0x20;
        a.hasMetadata = f & 0x10;
        a.actionScript3 = f & 0x08;
        a.useNetwork = f & 0x01;
        return a;
    }
    case TagCode::SetTabIndex: {
        SetTabIndex t;
        t.depth = r.u16();
        t.tabIndex = r.u16();
        return t;
    }
    case TagCode::Protect:
    case TagCode::EnableDebugger:
    case TagCode::EnableDebugger2: {
        // An optional password hash, after a reserved UI16 in the forms that carry one.
        Protect p;
        if (code == static_cast<std::uint16_t>(TagCode::EnableDebugger2) && r.remaining() >= 2)
            r.u16();
        p.passwordHash = restAsText(r, ctx);
        return p;
    }
    case TagCode::Metadata: return Metadata{restAsText(r, ctx)};
    case TagCode::DefineSound:
    case TagCode::StartSound:
    case TagCode::StartSound2:
    case TagCode::DefineButtonSound:
    case TagCode::SoundStreamHead:
    case TagCode::SoundStreamHead2:
    case TagCode::SoundStreamBlock:
        return readSound(r, code);
    default:
        return SkippedTag{};
    }
}

}  // namespace swf::detail
