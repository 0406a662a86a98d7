// Sound decoders: uncompressed PCM, SWF ADPCM against an encoder written here, and MP3 against
// lame's own decode of files made at build time.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "core/bit_writer.h"
#include "sound/mp3_decoder.h"
#include "sound/pcm.h"
#include "sound/wav.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct PcmCase {
    const char* name;
    Bytes data;
    bool sixteen, stereo;
    sound::ByteOrder order;
    std::vector<std::int16_t> want;
};

TEST(Pcm, DecodesEveryLayout) {
    const PcmCase cases[] = {
        {"8-bit is unsigned", {0, 128, 255}, false, false, sound::ByteOrder::Little, {-32768, 0, 32512}},
        {"16-bit little", {0x01, 0x80, 0xFF, 0x7F}, true, false, sound::ByteOrder::Little, {-32767, 32767}},
        {"16-bit big", {0x80, 0x01, 0x7F, 0xFF}, true, false, sound::ByteOrder::Big, {-32767, 32767}},
        {"stereo drops a partial frame", {1, 0, 2, 0, 3, 0}, true, true, sound::ByteOrder::Little, {1, 2}},
        {"odd byte of 16-bit dropped", {5, 0, 9}, true, false, sound::ByteOrder::Little, {5}},
    };
    for (const auto& c : cases) {
        auto clip = sound::decodePcm(c.data, 22050, c.sixteen, c.stereo, c.order);
        EXPECT_EQ(clip.samples, c.want) << c.name;
        EXPECT_EQ(clip.channels, c.stereo ? 2 : 1) << c.name;
    }
}

// An SWF ADPCM encoder: picks each code by the decoder's own arithmetic, so that the samples it
// predicts are exactly what a correct decoder must produce.
struct AdpcmEncoded {
    Bytes data;
    std::vector<std::int16_t> predicted;
};

AdpcmEncoded encodeAdpcm(const std::vector<std::int16_t>& in, unsigned bits, int channels) {
    core::BitWriter w;
    w.ub(2, bits - 2);
    AdpcmEncoded e;
    const std::size_t frames = in.size() / static_cast<std::size_t>(channels);
    int sample[2] = {0, 0}, index[2] = {0, 0};
    const unsigned sign = 1u << (bits - 1);
    for (std::size_t f = 0; f < frames; ++f) {
        for (int ch = 0; ch < channels; ++ch) {
            int x = in[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(ch)];
            if (f % 4096 == 0) {
                sample[ch] = x;
                index[ch] = (f == 0) ? 20 : index[ch];
                w.sb(16, x);
                w.ub(6, static_cast<std::uint32_t>(index[ch]));
            } else {
                int step = sound::kAdpcmSteps[index[ch]];
                unsigned best = 0;
                int bestValue = 0;
                long bestErr = -1;
                for (unsigned code = 0; code < (1u << bits); ++code) {
                    int delta = step >> (bits - 1);
                    for (unsigned b = 0; b + 1 < bits; ++b)
                        if (code & (1u << (bits - 2 - b))) delta += step >> b;
                    int v = std::clamp(sample[ch] + ((code & sign) ? -delta : delta), -32768, 32767);
                    long err = std::labs(static_cast<long>(v) - x);
                    if (bestErr < 0 || err < bestErr) {
                        bestErr = err;
                        best = code;
                        bestValue = v;
                    }
                }
                w.ub(bits, best);
                sample[ch] = bestValue;
                index[ch] = std::clamp(index[ch] + sound::adpcmIndexChange(bits, best & (sign - 1)), 0, 88);
            }
            e.predicted.push_back(static_cast<std::int16_t>(sample[ch]));
        }
    }
    e.data = w.take();
    return e;
}

std::vector<std::int16_t> sine(std::size_t frames, int channels, double freq, double rate, double amp) {
    std::vector<std::int16_t> s;
    for (std::size_t i = 0; i < frames; ++i)
        for (int ch = 0; ch < channels; ++ch)
            s.push_back(static_cast<std::int16_t>(amp * std::sin(2 * M_PI * freq * (ch + 1) * static_cast<double>(i) / rate)));
    return s;
}

TEST(Adpcm, MatchesAnEncoderForEveryCodeSizeAcrossPackets) {
    for (unsigned bits = 2; bits <= 5; ++bits) {
        for (int channels = 1; channels <= 2; ++channels) {
            // Two packets and part of a third.
            auto in = sine(4096 * 2 + 777, channels, 440, 22050, 12000);
            auto enc = encodeAdpcm(in, bits, channels);
            // The count bounds the decoding: the padding of the last byte could hold a sample.
            auto clip = sound::decodeAdpcm(enc.data, 22050, channels == 2, in.size() / static_cast<std::size_t>(channels));
            SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channel(s)");
            ASSERT_EQ(clip.samples.size(), enc.predicted.size());
            EXPECT_EQ(clip.samples, enc.predicted);
            // And the coding follows the signal: 5-bit coding closely, 2-bit roughly.
            double err = 0;
            for (std::size_t i = 0; i < in.size(); ++i) err += std::abs(clip.samples[i] - in[i]);
            EXPECT_LT(err / static_cast<double>(in.size()), bits >= 4 ? 400 : 3000);
        }
    }
}

TEST(Adpcm, StopsAtTheDeclaredCountAndOnCutData) {
    auto enc = encodeAdpcm(sine(5000, 1, 300, 11025, 8000), 4, 1);
    EXPECT_EQ(sound::decodeAdpcm(enc.data, 11025, false, 1234).samples.size(), 1234u);
    Bytes cut(enc.data.begin(), enc.data.begin() + 100);
    auto clip = sound::decodeAdpcm(cut, 11025, false);
    // 800 bits: 2 of code size, 22 of packet header, then 4 bits a sample.
    EXPECT_EQ(clip.samples.size(), 1u + (800 - 24) / 4);
    EXPECT_TRUE(sound::decodeAdpcm(Bytes{}, 11025, false).samples.empty());
}

// --- MP3 ---------------------------------------------------------------------------------------

Bytes readAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

// Signal-to-noise ratio in dB of `got` against `ref` (both interleaved stereo) at a shift of
// `shift` frames, over every `stride`-th frame past the first and before the last 2000.
double snrAt(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& ref, long shift, std::size_t stride) {
    double sig = 0, noise = 0;
    std::size_t frames = std::min(got.size(), ref.size()) / 2;
    for (std::size_t i = 2000; i + 2000 < frames; i += stride) {
        long j = static_cast<long>(i) + shift;
        if (j < 0 || static_cast<std::size_t>(j) >= got.size() / 2) continue;
        for (std::size_t ch = 0; ch < 2; ++ch) {
            double r = ref[i * 2 + ch], g = got[static_cast<std::size_t>(j) * 2 + ch];
            sig += r * r;
            noise += (g - r) * (g - r);
        }
    }
    return sig > 0 ? 10 * std::log10(sig / std::max(noise, 1.0)) : -1e9;
}

// The best SNR within +-maxShift frames (decoders differ in the delay they drop): the shift is
// found on a sparse sample, the ratio measured on every frame.
double bestSnr(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& ref, long maxShift) {
    long best = 0;
    double bestValue = -1e9;
    for (long shift = -maxShift; shift <= maxShift; ++shift) {
        double v = snrAt(got, ref, shift, 61);
        if (v > bestValue) {
            bestValue = v;
            best = shift;
        }
    }
    return snrAt(got, ref, best, 1);
}

TEST(Mp3, MatchesTheReferenceDecode) {
    const std::string dir = VFS_SOUND_DATA;
    struct Case { const char* name; int rate; };
    const Case cases[] = {{"stereo44", 44100}, {"mono22", 22050}, {"short11", 11025}, {"short48", 48000}};
    for (const Case& c : cases) {
        std::string mp3 = dir + "/" + c.name + ".mp3";
        if (!std::filesystem::exists(mp3)) GTEST_SKIP() << "no MP3 test data (sox and lame are installed by scripts/setup.sh)";
        auto ref = sound::readWav(readAll(dir + "/" + c.name + "_ref.wav"));
        ASSERT_TRUE(ref) << c.name;
        std::vector<std::int16_t> refStereo;
        for (std::size_t i = 0; i < ref->frames(); ++i)
            for (int ch = 0; ch < 2; ++ch) refStereo.push_back(ref->samples[i * static_cast<std::size_t>(ref->channels) + (ref->channels == 2 ? static_cast<std::size_t>(ch) : 0)]);

        // Fed in uneven pieces, as stream blocks arrive.
        Bytes bytes = readAll(mp3);
        sound::Mp3Decoder dec;
        std::vector<std::int16_t> out;
        for (std::size_t pos = 0; pos < bytes.size(); pos += 1000)
            dec.decode(std::span(bytes).subspan(pos, std::min<std::size_t>(1000, bytes.size() - pos)), out);
        EXPECT_EQ(dec.sampleRate(), c.rate) << c.name;
        EXPECT_NEAR(static_cast<double>(out.size() / 2), static_cast<double>(ref->frames()), 4000.0) << c.name;
        // Both decoders compute in floats: what differs is rounding (about 87 dB here).
        EXPECT_GT(bestSnr(out, refStereo, 2400), 70.0) << c.name;
    }
}

TEST(Mp3, SkipsGarbageAndWaitsForWholeFrames) {
    std::string mp3 = std::string(VFS_SOUND_DATA) + "/stereo44.mp3";
    if (!std::filesystem::exists(mp3)) GTEST_SKIP() << "no MP3 test data";
    Bytes bytes = readAll(mp3);
    sound::Mp3Header h;
    std::size_t first = 0;
    while (first + 4 < bytes.size() && !sound::parseMp3Header(&bytes[first], h)) ++first;
    ASSERT_TRUE(sound::parseMp3Header(&bytes[first], h));
    EXPECT_EQ(h.version, 1);
    EXPECT_EQ(h.sampleRate, 44100);
    EXPECT_EQ(h.frameBytes, 417 + ((bytes[first + 2] >> 1) & 1));

    sound::Mp3Decoder dec;
    std::vector<std::int16_t> out;
    Bytes junk = {0xFF, 0xFF, 0x00, 0x12, 0xFF, 0xE0};
    EXPECT_EQ(dec.decode(junk, out), 0u);
    // Half a frame decodes nothing; the rest completes it.
    std::span<const std::uint8_t> all(bytes);
    EXPECT_EQ(dec.decode(all.subspan(first, 200), out), 0u);
    EXPECT_EQ(dec.decode(all.subspan(first + 200, static_cast<std::size_t>(h.frameBytes)), out), 1u);
    EXPECT_EQ(out.size(), 1152u * 2);
}

}  // namespace
