// The movie-level half of the test writer: tag codes for bodies, tag headers and whole files.
#include <algorithm>

#include "core/inflate.h"
#include "swf/tag_codes.h"
#include "swf/test_writer.h"

namespace swf {

using core::BitWriter;

std::uint16_t tagCodeOf(const TagBody& body) {
    struct V {
        static std::uint16_t c(TagCode t) { return static_cast<std::uint16_t>(t); }
        std::uint16_t operator()(const End&) { return c(TagCode::End); }
        std::uint16_t operator()(const ShowFrame&) { return c(TagCode::ShowFrame); }
        std::uint16_t operator()(const SetBackgroundColor&) { return c(TagCode::SetBackgroundColor); }
        std::uint16_t operator()(const DefineShape& s) {
            constexpr TagCode k[] = {TagCode::DefineShape, TagCode::DefineShape, TagCode::DefineShape2,
                                     TagCode::DefineShape3, TagCode::DefineShape4};
            return c(k[std::min(s.version, 4u)]);
        }
        std::uint16_t operator()(const DefineMorphShape& m) {
            return c(m.version >= 2 ? TagCode::DefineMorphShape2 : TagCode::DefineMorphShape);
        }
        std::uint16_t operator()(const PlaceObject& p) {
            return c(p.version == 1 ? TagCode::PlaceObject
                                    : p.version == 2 ? TagCode::PlaceObject2 : TagCode::PlaceObject3);
        }
        std::uint16_t operator()(const RemoveObject& r) {
            return c(r.version == 1 ? TagCode::RemoveObject : TagCode::RemoveObject2);
        }
        std::uint16_t operator()(const FrameLabel&) { return c(TagCode::FrameLabel); }
        std::uint16_t operator()(const DefineSprite&) { return c(TagCode::DefineSprite); }
        std::uint16_t operator()(const DefineBitsJpeg& j) {
            constexpr TagCode k[] = {TagCode::DefineBits, TagCode::DefineBits, TagCode::DefineBitsJpeg2,
                                     TagCode::DefineBitsJpeg3, TagCode::DefineBitsJpeg4};
            return c(k[std::min(j.version, 4u)]);
        }
        std::uint16_t operator()(const JpegTables&) { return c(TagCode::JpegTables); }
        std::uint16_t operator()(const DefineBitsLossless& b) {
            return c(b.version >= 2 ? TagCode::DefineBitsLossless2 : TagCode::DefineBitsLossless);
        }
        std::uint16_t operator()(const DefineFont& f) {
            return c(f.version >= 3 ? TagCode::DefineFont3
                                    : f.version == 2 ? TagCode::DefineFont2 : TagCode::DefineFont);
        }
        std::uint16_t operator()(const DefineFontInfo& f) {
            return c(f.version >= 2 ? TagCode::DefineFontInfo2 : TagCode::DefineFontInfo);
        }
        std::uint16_t operator()(const DefineFontAlignZones&) { return c(TagCode::DefineFontAlignZones); }
        std::uint16_t operator()(const DefineFontName&) { return c(TagCode::DefineFontName); }
        std::uint16_t operator()(const DefineText& t) {
            return c(t.version >= 2 ? TagCode::DefineText2 : TagCode::DefineText);
        }
        std::uint16_t operator()(const DefineEditText&) { return c(TagCode::DefineEditText); }
        std::uint16_t operator()(const DefineButton& b) {
            return c(b.version >= 2 ? TagCode::DefineButton2 : TagCode::DefineButton);
        }
        std::uint16_t operator()(const DefineButtonCxform&) { return c(TagCode::DefineButtonCxform); }
        std::uint16_t operator()(const DoAction&) { return c(TagCode::DoAction); }
        std::uint16_t operator()(const DoInitAction&) { return c(TagCode::DoInitAction); }
        std::uint16_t operator()(const ExportAssets&) { return c(TagCode::ExportAssets); }
        std::uint16_t operator()(const ImportAssets& i) {
            return c(i.version >= 2 ? TagCode::ImportAssets2 : TagCode::ImportAssets);
        }
        std::uint16_t operator()(const ScriptLimits&) { return c(TagCode::ScriptLimits); }
        std::uint16_t operator()(const FileAttributes&) { return c(TagCode::FileAttributes); }
        std::uint16_t operator()(const SetTabIndex&) { return c(TagCode::SetTabIndex); }
        std::uint16_t operator()(const Protect&) { return c(TagCode::Protect); }
        std::uint16_t operator()(const Metadata&) { return c(TagCode::Metadata); }
        std::uint16_t operator()(const SoundTag&) { return c(TagCode::DefineSound); }
        std::uint16_t operator()(const Avm2Tag&) { return c(TagCode::DoAbc); }
        std::uint16_t operator()(const SkippedTag&) { return 0xFFFF >> 6; }
    };
    return std::visit(V{}, body);
}

Tag makeTag(TagBody body) {
    Tag t;
    t.code = tagCodeOf(body);
    t.body = std::move(body);
    return t;
}

Bytes encodeRawTag(std::uint16_t code, std::span<const std::uint8_t> body, bool forceLong) {
    BitWriter w;
    if (body.size() < 0x3F && !forceLong) {
        w.u16(static_cast<std::uint16_t>((code << 6) | body.size()));
    } else {
        w.u16(static_cast<std::uint16_t>((code << 6) | 0x3F));
        w.u32(static_cast<std::uint32_t>(body.size()));
    }
    w.bytes(body);
    return w.take();
}

MovieWriter::MovieWriter(unsigned version, int widthPx, int heightPx, double frameRate)
    : m_version(version), m_frameSize{0, widthPx * 20, 0, heightPx * 20}, m_frameRate(frameRate) {}

MovieWriter& MovieWriter::add(const TagBody& body) { return add(makeTag(body)); }

MovieWriter& MovieWriter::add(const Tag& tag) {
    Bytes b = encodeTag(tag, m_version);
    m_tags.insert(m_tags.end(), b.begin(), b.end());
    if (tag.code == static_cast<std::uint16_t>(TagCode::ShowFrame)) ++m_frames;
    return *this;
}

MovieWriter& MovieWriter::raw(std::uint16_t code, std::span<const std::uint8_t> body, bool forceLong) {
    Bytes b = encodeRawTag(code, body, forceLong);
    m_tags.insert(m_tags.end(), b.begin(), b.end());
    if (code == static_cast<std::uint16_t>(TagCode::ShowFrame)) ++m_frames;
    return *this;
}

MovieWriter& MovieWriter::showFrame() { return add(ShowFrame{}); }

MovieWriter& MovieWriter::frameCount(std::uint16_t n) {
    m_frameCountOverride = n;
    return *this;
}

MovieWriter& MovieWriter::frameSize(const Rect& twips) {
    m_frameSize = twips;
    return *this;
}

Bytes MovieWriter::finish(Compression compression, bool withEnd) const {
    if (compression == Compression::Lzma) return {};  // no LZMA encoder here
    BitWriter body;
    writeRect(body, m_frameSize);
    body.fixed8(m_frameRate);
    body.u16(m_frameCountOverride.value_or(m_frames));
    body.bytes(m_tags);
    if (withEnd) body.bytes(encodeRawTag(0, {}));
    Bytes rest = body.take();

    BitWriter out;
    out.u8(compression == Compression::Zlib ? 'C' : compression == Compression::Lzma ? 'Z' : 'F');
    out.u8('W');
    out.u8('S');
    out.u8(static_cast<std::uint8_t>(m_version));
    out.u32(static_cast<std::uint32_t>(rest.size() + 8));
    if (compression == Compression::Zlib) out.bytes(core::deflateZlib(rest));
    else out.bytes(rest);
    return out.take();
}

}  // namespace swf
