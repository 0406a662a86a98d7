#include "sound/mixer.h"

#include <algorithm>

namespace sound {

namespace {

// Interleaved stereo sample pair `i` of a clip (mono clips give the same sample twice).
inline void clipFrame(const Clip& c, std::size_t i, int& l, int& r) {
    if (c.channels == 2) {
        l = c.samples[2 * i];
        r = c.samples[2 * i + 1];
    } else {
        l = r = c.samples[i];
    }
}

}  // namespace

int envelopeLevel(const std::vector<swf::EnvelopePoint>& env, std::uint64_t pos44, bool right) {
    if (env.empty()) return 32768;
    auto level = [right](const swf::EnvelopePoint& p) { return static_cast<int>(right ? p.right : p.left); };
    if (pos44 <= env.front().position44) return std::min(level(env.front()), 32768);
    for (std::size_t i = 1; i < env.size(); ++i) {
        const auto& a = env[i - 1];
        const auto& b = env[i];
        if (pos44 < b.position44) {
            std::uint64_t span = b.position44 - a.position44;
            if (span == 0) return std::min(level(b), 32768);
            std::int64_t la = level(a), lb = level(b);
            std::int64_t v = la + (lb - la) * static_cast<std::int64_t>(pos44 - a.position44) / static_cast<std::int64_t>(span);
            return static_cast<int>(std::clamp<std::int64_t>(v, 0, 32768));
        }
    }
    return std::min(level(env.back()), 32768);
}

void Mixer::start(std::shared_ptr<const Clip> clip, std::uint16_t soundId, const swf::SoundInfo& info) {
    if (info.syncStop) {
        stopSound(soundId);
        return;
    }
    if (!clip || clip->rate <= 0 || clip->frames() == 0) return;
    if (info.syncNoMultiple)
        for (const Voice& v : m_voices)
            if (v.soundId == soundId) return;
    if (m_voices.size() >= kMaxVoices) return;
    Voice v;
    std::uint64_t length44 = static_cast<std::uint64_t>(clip->frames()) * kOutputRate / static_cast<unsigned>(clip->rate);
    v.start44 = info.hasInPoint ? std::min<std::uint64_t>(info.inPoint, length44) : 0;
    v.end44 = info.hasOutPoint ? std::min<std::uint64_t>(info.outPoint, length44) : length44;
    if (v.end44 <= v.start44) return;
    v.pos44 = v.start44;
    v.loopsLeft = std::max<std::uint32_t>(info.loops, 1);
    v.envelope = info.envelope;
    v.clip = std::move(clip);
    v.soundId = soundId;
    m_voices.push_back(std::move(v));
}

void Mixer::stopSound(std::uint16_t soundId) {
    std::erase_if(m_voices, [soundId](const Voice& v) { return v.soundId == soundId; });
}

void Mixer::stopAll() {
    m_voices.clear();
    m_streams.clear();
}

Mixer::Stream* Mixer::findStream(std::uint32_t key) {
    for (Stream& s : m_streams)
        if (s.key == key) return &s;
    return nullptr;
}

const Mixer::Stream* Mixer::findStream(std::uint32_t key) const {
    return const_cast<Mixer*>(this)->findStream(key);
}

void Mixer::streamAppend(std::uint32_t key, const Clip& piece) {
    if (piece.rate <= 0) return;
    Stream* s = findStream(key);
    if (!s) {
        m_streams.push_back({});
        s = &m_streams.back();
        s->key = key;
    }
    s->rate = piece.rate;
    // Mixed frames are dropped once they make up half the queue.
    if (s->head > 0 && s->head * 4 >= s->queue.size()) {
        s->queue.erase(s->queue.begin(), s->queue.begin() + static_cast<std::ptrdiff_t>(s->head * 2));
        s->head = 0;
    }
    if (piece.channels == 2) {
        s->queue.insert(s->queue.end(), piece.samples.begin(), piece.samples.end());
    } else {
        for (std::int16_t v : piece.samples) s->queue.insert(s->queue.end(), 2, v);
    }
}

void Mixer::streamStop(std::uint32_t key) {
    std::erase_if(m_streams, [key](const Stream& s) { return s.key == key; });
}

std::uint64_t Mixer::streamMixed(std::uint32_t key) const {
    const Stream* s = findStream(key);
    return s ? s->mixed : 0;
}

std::size_t Mixer::streamQueued(std::uint32_t key) const {
    const Stream* s = findStream(key);
    return s ? s->queue.size() / 2 - s->head : 0;
}

void Mixer::setVolume(int percent) { m_volume = std::clamp(percent, 0, 100); }

void Mixer::mix(std::int16_t* out, std::size_t frames) {
    m_acc.assign(frames * 2, 0);
    for (Voice& v : m_voices) {
        const Clip& c = *v.clip;
        const std::size_t n = c.frames();
        for (std::size_t i = 0; i < frames; ++i) {
            if (v.pos44 >= v.end44) {
                if (--v.loopsLeft == 0) break;
                v.pos44 = v.start44;
            }
            // Source position: a whole frame and a 16-bit fraction.
            std::uint64_t scaled = v.pos44 * static_cast<unsigned>(c.rate);
            std::size_t idx = static_cast<std::size_t>(scaled / kOutputRate);
            auto frac = static_cast<std::int64_t>((scaled % kOutputRate) * 65536 / kOutputRate);
            int l0, r0, l1, r1;
            clipFrame(c, std::min(idx, n - 1), l0, r0);
            clipFrame(c, std::min(idx + 1, n - 1), l1, r1);
            std::int64_t l = l0 + ((l1 - l0) * frac >> 16), r = r0 + ((r1 - r0) * frac >> 16);
            if (!v.envelope.empty()) {
                l = l * envelopeLevel(v.envelope, v.played44, false) >> 15;
                r = r * envelopeLevel(v.envelope, v.played44, true) >> 15;
            }
            m_acc[2 * i] += static_cast<std::int32_t>(l);
            m_acc[2 * i + 1] += static_cast<std::int32_t>(r);
            ++v.pos44;
            ++v.played44;
        }
    }
    std::erase_if(m_voices, [](const Voice& v) { return v.pos44 >= v.end44 && v.loopsLeft <= 1; });

    for (Stream& s : m_streams) {
        const std::uint64_t step = (static_cast<std::uint64_t>(s.rate) << 32) / kOutputRate;
        const std::int16_t* q = s.queue.data() + s.head * 2;
        const std::size_t avail = s.queue.size() / 2 - s.head;
        for (std::size_t i = 0; i < frames; ++i) {
            std::size_t idx = static_cast<std::size_t>(s.srcFixed >> 32);
            if (idx >= avail) break;  // starved: the timeline has not delivered more yet
            auto frac = static_cast<std::int64_t>((s.srcFixed >> 16) & 0xFFFF);
            std::size_t next = std::min(idx + 1, avail - 1);
            std::int64_t l0 = q[2 * idx], r0 = q[2 * idx + 1];
            std::int64_t l1 = q[2 * next], r1 = q[2 * next + 1];
            m_acc[2 * i] += static_cast<std::int32_t>(l0 + ((l1 - l0) * frac >> 16));
            m_acc[2 * i + 1] += static_cast<std::int32_t>(r0 + ((r1 - r0) * frac >> 16));
            s.srcFixed += step;
            ++s.mixed;
        }
        // Move past the source frames passed.
        std::size_t done = std::min<std::size_t>(static_cast<std::size_t>(s.srcFixed >> 32), avail);
        s.head += done;
        s.srcFixed -= static_cast<std::uint64_t>(done) << 32;
    }

    for (std::size_t i = 0; i < frames * 2; ++i) {
        std::int64_t v = static_cast<std::int64_t>(m_acc[i]) * m_volume / 100;
        out[i] = static_cast<std::int16_t>(std::clamp<std::int64_t>(v, -32768, 32767));
    }
}

}  // namespace sound
