#include "sound/movie_sound.h"

#include <algorithm>
#include <cmath>

#include "sound/pcm.h"
#include "swf/tag_codes.h"

namespace sound {

namespace {

using swf::SoundCoding;

bool is(std::uint8_t coding, SoundCoding c) { return coding == static_cast<std::uint8_t>(c); }

core::Error cannotDecode(const char* why) { return core::Error{core::ErrorCode::Unsupported, why, std::nullopt}; }

// Uncompressed and ADPCM samples; MP3 goes through a decoder of its own.
std::optional<Clip> decodeSimple(const swf::SoundFormat& f, std::span<const std::uint8_t> data,
                                 std::size_t maxFrames) {
    int rate = swfRate(f.rateCode);
    if (is(f.coding, SoundCoding::PcmNative) || is(f.coding, SoundCoding::PcmLittle))
        return decodePcm(data, rate, f.sixteenBit, f.stereo, ByteOrder::Little);
    if (is(f.coding, SoundCoding::Adpcm)) return decodeAdpcm(data, rate, f.stereo, maxFrames);
    return std::nullopt;
}

}  // namespace

core::Result<Clip> decodeSound(const swf::SoundDefinition& def) {
    Clip c;
    if (is(def.format.coding, SoundCoding::Mp3)) {
        Mp3Decoder dec;
        c.channels = 2;
        dec.decode(def.data, c.samples);
        c.rate = dec.sampleRate();
        // The declared count trims the decoder's padding at the end.
        if (def.sampleCount > 0 && c.frames() > def.sampleCount) c.samples.resize(std::size_t{def.sampleCount} * 2);
    } else if (auto simple = decodeSimple(def.format, def.data, def.sampleCount ? def.sampleCount : SIZE_MAX)) {
        c = std::move(*simple);
    } else {
        return cannotDecode("sound coding not supported");
    }
    if (c.frames() == 0 || c.rate <= 0) return cannotDecode("sound has no samples");
    return c;
}

MovieSound::MovieSound(const player::Library& library, double frameRate, std::uint32_t rootClipId)
    : m_library(library), m_frameRate(frameRate > 0 ? frameRate : 12.0), m_rootId(rootClipId) {}

MovieSound::~MovieSound() = default;

MovieSound::StreamState* MovieSound::stream(std::uint32_t clipId) {
    for (StreamState& s : m_streams)
        if (s.clipId == clipId) return &s;
    return nullptr;
}

const MovieSound::StreamState* MovieSound::stream(std::uint32_t clipId) const {
    return const_cast<MovieSound*>(this)->stream(clipId);
}

std::shared_ptr<const Clip> MovieSound::clip(std::uint16_t id) {
    for (const auto& [known, c] : m_clips)
        if (known == id) return c;
    std::shared_ptr<const Clip> decoded;
    const player::Character* ch = m_library.find(id);
    if (ch && ch->kind == player::CharacterKind::Sound) {
        if (auto* const* tag = std::get_if<const swf::SoundTag*>(&ch->def)) {
            auto def = swf::readSoundDefinition(**tag);
            auto c = def ? decodeSound(*def) : core::Result<Clip>(def.error());
            if (c) decoded = std::make_shared<const Clip>(std::move(c).value());
            else ++m_undecodable;
        }
    }
    m_clips.emplace_back(id, decoded);
    return decoded;
}

std::uint16_t MovieSound::soundOf(const player::SoundEvent& e, swf::SoundInfo* info) const {
    auto rec = e.code == static_cast<std::uint16_t>(swf::TagCode::DefineButtonSound) ? swf::readButtonSound(*e.tag, e.frame)
                                                                                      : swf::readStartSound(*e.tag, e.code);
    if (!rec) return 0;
    if (info) *info = std::move(rec->info);
    if (rec->className.empty()) return rec->soundId;
    return m_library.exported(rec->className).value_or(0);
}

void MovieSound::prepare(const player::SoundEvents& events) {
    for (const player::SoundEvent& e : events) {
        if (e.action == player::SoundAction::Start) clip(e.soundId);
        else if (e.action == player::SoundAction::Tag &&
                 (e.code == static_cast<std::uint16_t>(swf::TagCode::StartSound) ||
                  e.code == static_cast<std::uint16_t>(swf::TagCode::StartSound2) ||
                  e.code == static_cast<std::uint16_t>(swf::TagCode::DefineButtonSound)))
            if (std::uint16_t id = soundOf(e)) clip(id);
    }
}

void MovieSound::scriptRequest(const player::SoundEvent& e, Mixer& mixer) {
    switch (e.action) {
    case player::SoundAction::Start: {
        swf::SoundInfo info;
        info.loops = e.loops;
        if (e.value > 0) {
            info.hasInPoint = true;
            info.inPoint = static_cast<std::uint32_t>(std::min(e.value * kOutputRate, 4.0e9));
        }
        mixer.start(clip(e.soundId), e.soundId, info);
        break;
    }
    case player::SoundAction::Stop:
        if (e.soundId) mixer.stopSound(e.soundId);
        else mixer.stopSounds();
        break;
    case player::SoundAction::Volume:
        mixer.setVolume(static_cast<int>(std::lround(std::clamp(e.value, 0.0, 100.0))));
        break;
    case player::SoundAction::Tag:
        break;
    }
}

void MovieSound::apply(const player::SoundEvents& events, Mixer& mixer) {
    for (StreamState& s : m_streams) {
        ++s.framesSinceStart;
        ++s.framesSinceBlock;
    }
    for (const player::SoundEvent& e : events) {
        if (e.action != player::SoundAction::Tag) {
            scriptRequest(e, mixer);
            continue;
        }
        switch (static_cast<swf::TagCode>(e.code)) {
        case swf::TagCode::StartSound:
        case swf::TagCode::StartSound2:
        case swf::TagCode::DefineButtonSound: {
            swf::SoundInfo info;
            std::uint16_t id = soundOf(e, &info);
            if (id == 0) break;
            mixer.start(info.syncStop ? nullptr : clip(id), id, info);
            break;
        }
        case swf::TagCode::SoundStreamHead:
        case swf::TagCode::SoundStreamHead2: {
            auto head = swf::readStreamHead(*e.tag);
            if (!head) break;
            mixer.streamStop(e.clipId);
            StreamState* existing = stream(e.clipId);
            StreamState& s = existing ? *existing : m_streams.emplace_back();
            s = StreamState{};
            s.clipId = e.clipId;
            s.head = *head;
            if (is(head->stream.coding, SoundCoding::Mp3)) s.mp3 = std::make_unique<Mp3Decoder>();
            break;
        }
        case swf::TagCode::SoundStreamBlock:
            streamBlock(e.clipId, *e.tag, mixer);
            break;
        default:
            break;
        }
    }
}

std::optional<Clip> MovieSound::decodeBlock(StreamState& s, std::span<const std::uint8_t> data) {
    if (s.mp3) {
        Clip c;
        c.channels = 2;
        s.mp3->decode(data, c.samples);
        c.rate = s.mp3->sampleRate();
        return c;
    }
    return decodeSimple(s.head.stream, data, SIZE_MAX);
}

void MovieSound::streamBlock(std::uint32_t clipId, const swf::SoundTag& tag, Mixer& mixer) {
    StreamState* found = stream(clipId);
    if (!found) return;  // a block without a head: nothing says how to read it
    StreamState& s = *found;
    auto block = swf::readStreamBlock(tag, s.head);
    if (!block) return;
    auto piece = decodeBlock(s, block->data);
    if (!piece) {
        ++m_undecodable;
        return;
    }
    if (!s.started || !mixer.hasStream(clipId)) {
        // The stream's clock starts with its first block, and again after the mixer dropped
        // the stream (the movie was stopped and plays on).
        s.started = true;
        s.framesSinceStart = 1;
    }
    s.framesSinceBlock = 0;
    if (piece->frames() > 0) mixer.streamAppend(clipId, *piece);
}

std::optional<unsigned> MovieSound::framesDue(const Mixer& mixer, unsigned lead) const {
    const StreamState* root = stream(m_rootId);
    if (!root || !root->started || !mixer.hasStream(m_rootId)) return std::nullopt;
    // A stream whose blocks stopped coming (it ended, the timeline halted) no longer leads.
    if (root->framesSinceBlock > lead) return std::nullopt;
    double mixedFrames = static_cast<double>(mixer.streamMixed(m_rootId)) * m_frameRate / kOutputRate;
    auto target = static_cast<std::uint64_t>(std::floor(mixedFrames)) + lead;
    std::uint64_t shown = root->framesSinceStart;
    return target > shown ? static_cast<unsigned>(std::min<std::uint64_t>(target - shown, 1000)) : 0u;
}

}  // namespace sound
