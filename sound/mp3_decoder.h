#pragma once
// MPEG-1, MPEG-2 and MPEG-2.5 audio layer III decoder (ISO/IEC 11172-3 and 13818-3): frame
// sync, side information, bit reservoir, Huffman decoding, requantisation, mid/side and
// MPEG-1 intensity stereo, antialiasing, IMDCT with overlap, and the polyphase synthesis filter
// bank. Float arithmetic; the tables it can compute it computes when constructed.
//
// Input may arrive in pieces of any size (SWF stream blocks): a frame that is not complete yet
// waits for the next call. Output is always stereo (a mono frame is written to both channels).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace sound {

struct Mp3Header {
    int version = 1;         // 1 (MPEG-1), 2 (MPEG-2) or 25 (MPEG-2.5)
    int sampleRate = 44100;
    int channels = 2;
    int mode = 0;            // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int modeExtension = 0;
    bool crc = false;
    int frameBytes = 0;      // the whole frame, header included
    int samples = 1152;      // per channel
};

// Reads a layer III frame header from the first four bytes; false when they are not one
// (free-format frames are refused too: their size is not in the header).
bool parseMp3Header(const std::uint8_t* p, Mp3Header& out);

class Mp3Decoder {
public:
    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Decodes every complete frame of `data` (after what earlier calls left over) and appends
    // interleaved stereo samples to `out`. Bytes that are not frames are skipped. Returns the
    // number of frames decoded.
    std::size_t decode(std::span<const std::uint8_t> data, std::vector<std::int16_t>& out);
    // The sample rate of the last frame decoded (0 before the first).
    int sampleRate() const { return m_rate; }
    // Forgets buffered input and the state between frames (a new stream starts).
    void reset();

private:
    struct State;
    bool decodeFrame(const std::uint8_t* frame, const Mp3Header& h, std::vector<std::int16_t>& out);
    std::vector<std::uint8_t> m_pending;
    std::unique_ptr<State> m_state;
    int m_rate = 0;
};

}  // namespace sound
