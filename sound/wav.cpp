#include "sound/wav.h"

#include <cstring>

namespace sound {

namespace {

void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
std::uint32_t get32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::vector<std::uint8_t> wavBytes(const Clip& clip) {
    std::vector<std::uint8_t> b;
    auto dataBytes = static_cast<std::uint32_t>(clip.samples.size() * 2);
    auto channels = static_cast<std::uint16_t>(clip.channels);
    b.reserve(44 + dataBytes);
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put32(b, 36 + dataBytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, channels);
    put32(b, static_cast<std::uint32_t>(clip.rate));
    put32(b, static_cast<std::uint32_t>(clip.rate) * channels * 2);
    put16(b, static_cast<std::uint16_t>(channels * 2));
    put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put32(b, dataBytes);
    for (std::int16_t s : clip.samples) put16(b, static_cast<std::uint16_t>(s));
    return b;
}

core::Result<Clip> readWav(std::span<const std::uint8_t> bytes) {
    auto bad = [](const char* why) { return core::Error{core::ErrorCode::Corrupt, why, std::nullopt}; };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return bad("not a WAVE file");
    Clip c;
    bool haveFormat = false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint8_t* h = bytes.data() + pos;
        std::size_t size = get32(h + 4);
        std::size_t body = pos + 8;
        std::size_t avail = std::min(size, bytes.size() - body);
        if (std::memcmp(h, "fmt ", 4) == 0 && avail >= 16) {
            if (get16(h + 8) != 1 || get16(h + 22) != 16) return bad("not 16-bit PCM");
            c.channels = get16(h + 10);
            c.rate = static_cast<int>(get32(h + 12));
            if (c.channels < 1 || c.channels > 2) return bad("unsupported channel count");
            haveFormat = true;
        } else if (std::memcmp(h, "data", 4) == 0 && haveFormat) {
            c.samples.resize(avail / 2);
            for (std::size_t i = 0; i < c.samples.size(); ++i)
                c.samples[i] = static_cast<std::int16_t>(get16(bytes.data() + body + 2 * i));
            return c;
        }
        pos = body + size + (size & 1);
    }
    return bad("no data chunk");
}

}  // namespace sound
