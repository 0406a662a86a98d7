#include "swf/sound_tags.h"

#include "core/bit_reader.h"
#include "swf/tag_codes.h"

namespace swf {

namespace {

SoundFormat readFormat(core::BitReader& r, bool withCoding) {
    SoundFormat f;
    if (withCoding) f.coding = static_cast<std::uint8_t>(r.ub(4));
    f.rateCode = static_cast<std::uint8_t>(r.ub(2));
    f.sixteenBit = r.flag();
    f.stereo = r.flag();
    return f;
}

core::Error broken(const char* what, const core::BitReader& r) {
    return core::Error{core::ErrorCode::Truncated, what, r.failOffset()};
}

}  // namespace

SoundInfo readSoundInfo(core::BitReader& r) {
    SoundInfo s;
    r.ub(2);
    s.syncStop = r.flag();
    s.syncNoMultiple = r.flag();
    bool hasEnvelope = r.flag(), hasLoops = r.flag();
    s.hasOutPoint = r.flag();
    s.hasInPoint = r.flag();
    if (s.hasInPoint) s.inPoint = r.u32();
    if (s.hasOutPoint) s.outPoint = r.u32();
    if (hasLoops) s.loops = r.u16();
    if (hasEnvelope) {
        unsigned n = r.u8();
        for (unsigned i = 0; i < n && !r.failed(); ++i) {
            EnvelopePoint p;
            p.position44 = r.u32();
            p.left = r.u16();
            p.right = r.u16();
            s.envelope.push_back(p);
        }
    }
    return s;
}

core::Result<SoundDefinition> readSoundDefinition(const SoundTag& tag) {
    core::BitReader r(tag.data);
    SoundDefinition d;
    d.id = r.u16();
    d.format = readFormat(r, true);
    d.sampleCount = r.u32();
    if (d.format.coding == static_cast<std::uint8_t>(SoundCoding::Mp3)) r.u16();  // seek samples
    d.data = r.rest();
    if (r.failed()) return broken("DefineSound is cut short", r);
    return d;
}

core::Result<StartSoundRecord> readStartSound(const SoundTag& tag, std::uint16_t code) {
    core::BitReader r(tag.data);
    StartSoundRecord s;
    if (code == static_cast<std::uint16_t>(TagCode::StartSound2)) {
        s.className = r.cstring();
    } else {
        s.soundId = r.u16();
    }
    s.info = readSoundInfo(r);
    if (r.failed()) return broken("StartSound is cut short", r);
    return s;
}

core::Result<StartSoundRecord> readButtonSound(const SoundTag& tag, unsigned index) {
    core::BitReader r(tag.data);
    r.u16();  // the button
    StartSoundRecord s;
    for (unsigned i = 0; i <= index && i < 4; ++i) {
        s.soundId = r.u16();
        s.info = s.soundId ? readSoundInfo(r) : SoundInfo{};
    }
    if (r.failed()) return broken("DefineButtonSound is cut short", r);
    return s;
}

core::Result<StreamHead> readStreamHead(const SoundTag& tag) {
    core::BitReader r(tag.data);
    StreamHead h;
    r.ub(4);
    h.playback = readFormat(r, false);
    h.stream = readFormat(r, true);
    h.samplesPerBlock = r.u16();
    if (h.stream.coding == static_cast<std::uint8_t>(SoundCoding::Mp3) && r.remaining() >= 2)
        h.latencySeek = r.s16();
    if (r.failed()) return broken("SoundStreamHead is cut short", r);
    return h;
}

core::Result<StreamBlock> readStreamBlock(const SoundTag& tag, const StreamHead& head) {
    core::BitReader r(tag.data);
    StreamBlock b;
    if (head.stream.coding == static_cast<std::uint8_t>(SoundCoding::Mp3)) {
        b.mp3Samples = r.u16();
        r.s16();
    }
    b.data = r.rest();
    if (r.failed()) return broken("SoundStreamBlock is cut short", r);
    return b;
}

}  // namespace swf
