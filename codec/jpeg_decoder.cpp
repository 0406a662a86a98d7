// JPEG decoding (see jpeg_decoder.h).
//
// Every scan decodes Huffman-coded coefficients into one coefficient buffer per component
// (padded to whole MCUs), so sequential and progressive frames share everything after the
// entropy decoding. When the stream ends, each block is dequantised and put through an integer
// inverse DCT (the Loeffler-Ligtenberg-Moschytz factorisation: 12 multiplications per
// 8 points), the chroma planes are upsampled with a triangle filter and the result is converted
// to RGB.
#include "codec/jpeg_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace codec {

namespace {

// Zigzag index -> position in the 8x8 block (row-major).
constexpr std::uint8_t kNatural[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kFastBits = 9;

core::Error corrupt(const char* what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Corrupt, std::string("JPEG: ") + what, offset);
}

core::Error truncated(const char* what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Truncated, std::string("JPEG: ") + what, offset);
}

// A Huffman table: codes of up to kFastBits bits are looked up directly, longer ones by
// comparing against the largest code of each length (the canonical code order of T.81 C).
struct Huffman {
    bool defined = false;
    std::array<std::uint8_t, 1 << kFastBits> fastLen{};  // 0: code longer than kFastBits
    std::array<std::uint8_t, 1 << kFastBits> fastSym{};
    std::array<std::int32_t, 17> maxCode{};  // per length; -1 when no code has it
    std::array<std::int32_t, 17> valOffset{};
    std::array<std::uint8_t, 256> symbols{};

    // False when the counts describe more codes than the lengths can hold.
    bool build(const std::uint8_t* counts, const std::uint8_t* syms, int total) {
        fastLen.fill(0);
        std::copy(syms, syms + total, symbols.begin());
        std::int32_t code = 0;
        int k = 0;
        for (int len = 1; len <= 16; ++len) {
            valOffset[len] = k - code;
            for (int i = 0; i < counts[len - 1]; ++i, ++code, ++k) {
                if (code >= (1 << len)) return false;
                if (len <= kFastBits) {
                    const int first = code << (kFastBits - len);
                    const int n = 1 << (kFastBits - len);
                    for (int j = 0; j < n; ++j) {
                        fastLen[first + j] = static_cast<std::uint8_t>(len);
                        fastSym[first + j] = syms[k];
                    }
                }
            }
            maxCode[len] = counts[len - 1] ? code - 1 : -1;
            code <<= 1;
        }
        defined = true;
        return true;
    }
};

// Reads the entropy-coded bits of a scan. Stuffed zero bytes after FF are dropped; at a marker
// or at the end of the data the reader supplies zero bits and remembers that bits beyond the
// real data were consumed (a truncated or damaged scan).
class BitReader {
public:
    BitReader(const std::uint8_t* p, const std::uint8_t* end) : m_p(p), m_end(end) {}

    std::uint32_t peek16() {
        if (m_bits < 16) fill();
        return m_buf >> 16;
    }
    void skip(int n) {
        if (n > m_real) {
            m_overrun = true;
            m_real = 0;
        } else {
            m_real -= n;
        }
        m_buf <<= n;
        m_bits -= n;
    }
    int bits(int n) {
        if (n == 0) return 0;
        if (m_bits < n) fill();
        const int v = static_cast<int>(m_buf >> (32 - n));
        skip(n);
        return v;
    }
    int bit() { return bits(1); }
    // A magnitude of `n` bits, sign-extended as T.81 F.2.2.1 describes.
    int receiveExtend(int n) {
        if (n == 0) return 0;
        const int v = bits(n);
        return v < (1 << (n - 1)) ? v - (1 << n) + 1 : v;
    }
    int decode(const Huffman& h) {
        const std::uint32_t look = peek16();
        const int fast = static_cast<int>(look >> (16 - kFastBits));
        if (h.fastLen[fast]) {
            skip(h.fastLen[fast]);
            return h.fastSym[fast];
        }
        int len = kFastBits + 1;
        while (len <= 16 && static_cast<std::int32_t>(look >> (16 - len)) > h.maxCode[len]) ++len;
        if (len > 16) {
            m_bad = true;
            return 0;
        }
        skip(len);
        const int index = static_cast<int>(look >> (16 - len)) + h.valOffset[len];
        if (index < 0 || index > 255) {
            m_bad = true;
            return 0;
        }
        return h.symbols[index];
    }
    // Drops the buffered bits and steps over the restart marker the reader stopped at.
    void restart() {
        m_buf = 0;
        m_bits = m_real = 0;
        m_atMarker = false;
        if (m_p + 1 < m_end && m_p[0] == 0xFF && m_p[1] >= 0xD0 && m_p[1] <= 0xD7) m_p += 2;
        else m_bad = true;
    }
    bool failed() const { return m_overrun || m_bad; }
    bool overrun() const { return m_overrun; }
    const std::uint8_t* position() const { return m_p; }

private:
    void fill() {
        while (m_bits <= 24) {
            std::uint32_t b = 0;
            if (!m_atMarker && m_p < m_end) {
                b = *m_p;
                if (b != 0xFF) {
                    ++m_p;
                    m_real += 8;
                } else if (m_p + 1 < m_end && m_p[1] == 0x00) {
                    m_p += 2;
                    m_real += 8;
                } else {
                    m_atMarker = true;
                    b = 0;
                }
            }
            m_buf |= b << (24 - m_bits);
            m_bits += 8;
        }
    }

    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    std::uint32_t m_buf = 0;
    int m_bits = 0;
    int m_real = 0;  // leading bits of m_buf that came from the data
    bool m_atMarker = false;
    bool m_overrun = false;
    bool m_bad = false;
};

struct Component {
    int id = 0;
    int h = 1, v = 1;
    int tq = 0;
    int td = 0, ta = 0;
    int dcPred = 0;
    bool scanned = false;  // by at least one scan
    int blocksW = 0, blocksH = 0;  // of the coefficient buffer (whole MCUs)
    int width = 0, height = 0;     // in samples
    std::vector<std::int16_t> coef;
    std::vector<std::uint8_t> plane;  // blocksW * 8 samples per row
    std::vector<std::uint32_t> hmap;  // per output column: left source sample << 4 | weight of the right one

    std::int16_t* block(int bx, int by) {
        return coef.data() + (static_cast<std::size_t>(by) * blocksW + bx) * 64;
    }
};

// ---- inverse DCT ----

constexpr int kConstBits = 13;
constexpr std::int32_t fix(double x) { return static_cast<std::int32_t>(x * (1 << kConstBits) + 0.5); }
// Inputs of either pass are kept within this range, which keeps every intermediate product
// inside 32 bits; valid data stays far below it.
constexpr int kClampIn = 8191;

inline int clampIn(int v) { return std::clamp(v, -kClampIn, kClampIn); }

// One 8-point inverse DCT on s[0..7] (stride `step`); outputs scaled by 2^kConstBits.
inline void idct8(const int* s, int step, std::int32_t* o) {
    const std::int32_t s0 = s[0], s1 = s[step], s2 = s[2 * step], s3 = s[3 * step];
    const std::int32_t s4 = s[4 * step], s5 = s[5 * step], s6 = s[6 * step], s7 = s[7 * step];
    // Even part.
    std::int32_t z1 = (s2 + s6) * fix(0.541196100);
    const std::int32_t t2 = z1 - s6 * fix(1.847759065);
    const std::int32_t t3 = z1 + s2 * fix(0.765366865);
    const std::int32_t t0 = (s0 + s4) * (1 << kConstBits);
    const std::int32_t t1 = (s0 - s4) * (1 << kConstBits);
    const std::int32_t e0 = t0 + t3, e3 = t0 - t3, e1 = t1 + t2, e2 = t1 - t2;
    // Odd part.
    z1 = s7 + s1;
    std::int32_t z2 = s5 + s3, z3 = s7 + s3, z4 = s5 + s1;
    const std::int32_t z5 = (z3 + z4) * fix(1.175875602);
    std::int32_t a0 = s7 * fix(0.298631336), a1 = s5 * fix(2.053119869);
    std::int32_t a2 = s3 * fix(3.072711026), a3 = s1 * fix(1.501321110);
    z1 *= -fix(0.899976223);
    z2 *= -fix(2.562915447);
    z3 = z3 * -fix(1.961570560) + z5;
    z4 = z4 * -fix(0.390180644) + z5;
    a0 += z1 + z3;
    a1 += z2 + z4;
    a2 += z2 + z3;
    a3 += z1 + z4;
    o[0] = e0 + a3;
    o[7] = e0 - a3;
    o[1] = e1 + a2;
    o[6] = e1 - a2;
    o[2] = e2 + a1;
    o[5] = e2 - a1;
    o[3] = e3 + a0;
    o[4] = e3 - a0;
}

// 0 below the range, 255 above it, without a branch the predictor could miss.
inline std::uint8_t clampByte(int v) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(v) > 255 ? ~v >> 31 : v);
}

void idctBlock(const std::int16_t* in, const std::uint16_t* q, std::uint8_t* out, std::size_t stride) {
    int acBits = 0;
    for (int i = 1; i < 64; ++i) acBits |= in[i];
    if (acBits == 0) {  // a flat block, frequent in smooth pictures
        const std::uint8_t v = clampByte(((clampIn(in[0] * q[0]) + 4) >> 3) + 128);
        for (int r = 0; r < 8; ++r) std::memset(out + r * stride, v, 8);
        return;
    }
    int ws[64];
    int col[8];
    std::int32_t o[8];
    for (int c = 0; c < 8; ++c) {
        if ((in[8 + c] | in[16 + c] | in[24 + c] | in[32 + c] | in[40 + c] | in[48 + c] | in[56 + c]) == 0) {
            const int dc = clampIn(in[c] * q[c]);
            for (int r = 0; r < 8; ++r) ws[r * 8 + c] = dc;
            continue;
        }
        for (int r = 0; r < 8; ++r) col[r] = clampIn(in[r * 8 + c] * q[r * 8 + c]);
        idct8(col, 1, o);
        constexpr int kRound = 1 << (kConstBits - 1);
        for (int r = 0; r < 8; ++r) ws[r * 8 + c] = clampIn((o[r] + kRound) >> kConstBits);
    }
    // The rows: the two passes together scale by 8, taken out here with the level shift.
    constexpr int kShift = kConstBits + 3;
    constexpr std::int32_t kBias = (128 << kShift) + (1 << (kShift - 1));
    for (int r = 0; r < 8; ++r) {
        const int* w = ws + r * 8;
        std::uint8_t* dst = out + r * stride;
        if ((w[1] | w[2] | w[3] | w[4] | w[5] | w[6] | w[7]) == 0) {
            std::memset(dst, clampByte((w[0] * (1 << kConstBits) + kBias) >> kShift), 8);
            continue;
        }
        idct8(w, 1, o);
        for (int i = 0; i < 8; ++i) dst[i] = clampByte((o[i] + kBias) >> kShift);
    }
}

// ---- the decoder ----

class Decoder {
public:
    core::Status read(std::span<const std::uint8_t> data);
    core::Result<Image> finish();

private:
    core::Status readFrame(const std::uint8_t* p, std::size_t n, bool progressive, std::size_t at);
    core::Status readScan(std::span<const std::uint8_t> data, std::size_t header, std::size_t n,
                          std::size_t& pos);
    void decodeBlock(BitReader& br, Component& c, std::int16_t* blk);
    void decodeAt(BitReader& br, Component& c, int bx, int by);
    const std::uint8_t* upsampledRow(const Component& c, int y, std::vector<int>& tmp, std::uint8_t* out) const;

    std::array<std::array<std::uint16_t, 64>, 4> m_qt{};
    std::array<bool, 4> m_qtDefined{};
    std::array<Huffman, 4> m_dc, m_ac;
    int m_restartInterval = 0;
    bool m_frame = false, m_progressive = false, m_scanned = false;
    int m_width = 0, m_height = 0, m_hmax = 1, m_vmax = 1, m_mcusX = 0, m_mcusY = 0;
    std::vector<Component> m_comps;
    int m_adobeTransform = -1;  // -1: no Adobe segment
    bool m_jfif = false;
    // The scan being decoded.
    int m_ss = 0, m_se = 63, m_ah = 0, m_al = 0;
    int m_eobrun = 0;
    bool m_done = false;
};

core::Status Decoder::read(std::span<const std::uint8_t> data) {
    const std::uint8_t* d = data.data();
    const std::size_t size = data.size();
    std::size_t pos = 0;
    while (pos + 1 < size && !m_done) {
        if (d[pos] != 0xFF) {  // stray bytes between segments
            ++pos;
            continue;
        }
        const std::uint8_t marker = d[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        const std::size_t at = pos;
        pos += 2;
        if (marker == 0xD8 || marker == 0x01 || marker == 0x00 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9) {
            if (m_scanned) m_done = true;
            continue;
        }
        if (pos + 2 > size) return truncated("segment length missing", at);
        const std::size_t len = (static_cast<std::size_t>(d[pos]) << 8) | d[pos + 1];
        if (len < 2) return corrupt("bad segment length", at);
        if (pos + len > size) return truncated("segment runs past the end", at);
        const std::uint8_t* s = d + pos + 2;
        const std::size_t n = len - 2;
        const std::size_t next = pos + len;
        switch (marker) {
        case 0xDB: {  // DQT
            std::size_t i = 0;
            while (i < n) {
                const int pq = s[i] >> 4, tq = s[i] & 15;
                const std::size_t need = 1 + 64 * (pq ? 2 : 1);
                if (tq > 3 || pq > 1 || i + need > n) return corrupt("bad quantisation table", at);
                for (int k = 0; k < 64; ++k)
                    m_qt[tq][kNatural[k]] = pq ? static_cast<std::uint16_t>((s[i + 1 + 2 * k] << 8) | s[i + 2 + 2 * k])
                                               : s[i + 1 + k];
                m_qtDefined[tq] = true;
                i += need;
            }
            break;
        }
        case 0xC4: {  // DHT
            std::size_t i = 0;
            while (i < n) {
                if (i + 17 > n) return corrupt("bad Huffman table", at);
                const int tc = s[i] >> 4, th = s[i] & 15;
                int total = 0;
                for (int k = 0; k < 16; ++k) total += s[i + 1 + k];
                if (tc > 1 || th > 3 || total > 256 || i + 17 + total > n)
                    return corrupt("bad Huffman table", at);
                Huffman& h = tc ? m_ac[th] : m_dc[th];
                if (!h.build(s + i + 1, s + i + 17, total)) return corrupt("bad Huffman table", at);
                i += 17 + total;
            }
            break;
        }
        case 0xDD:  // DRI
            if (n < 2) return corrupt("bad restart interval", at);
            m_restartInterval = (s[0] << 8) | s[1];
            break;
        case 0xC0:
        case 0xC1:
        case 0xC2: {
            auto st = readFrame(s, n, marker == 0xC2, at);
            if (!st) return st;
            break;
        }
        case 0xDA: {
            pos = next;
            auto st = readScan(data, at + 4, n, pos);
            if (!st) return st;
            continue;
        }
        case 0xE0:
            if (n >= 5 && std::memcmp(s, "JFIF", 5) == 0) m_jfif = true;
            break;
        case 0xEE:
            if (n >= 12 && std::memcmp(s, "Adobe", 5) == 0) m_adobeTransform = s[11];
            break;
        default:
            // Other frame types: lossless, hierarchical and arithmetic-coded JPEG.
            if ((marker >= 0xC3 && marker <= 0xCF) && marker != 0xC8 && marker != 0xCC)
                return core::makeError(core::ErrorCode::Unsupported, "JPEG: unsupported frame type", at);
            if (marker == 0xCC) return core::makeError(core::ErrorCode::Unsupported, "JPEG: arithmetic coding", at);
            break;  // APPn, COM and the rest carry nothing we need
        }
        pos = next;
    }
    return core::okStatus();
}

core::Status Decoder::readFrame(const std::uint8_t* s, std::size_t n, bool progressive, std::size_t at) {
    if (m_frame) return corrupt("second frame header", at);
    if (n < 6) return corrupt("short frame header", at);
    if (s[0] != 8) return core::makeError(core::ErrorCode::Unsupported, "JPEG: precision other than 8 bits", at);
    m_height = (s[1] << 8) | s[2];
    m_width = (s[3] << 8) | s[4];
    const int count = s[5];
    if (m_height == 0) return core::makeError(core::ErrorCode::Unsupported, "JPEG: height given after the scan", at);
    auto size = checkImageSize(m_width, m_height);
    if (!size) return size;
    if ((count != 1 && count != 3 && count != 4) || n < 6 + 3 * static_cast<std::size_t>(count))
        return corrupt("bad component count", at);
    m_comps.resize(count);
    for (int i = 0; i < count; ++i) {
        Component& c = m_comps[i];
        c.id = s[6 + 3 * i];
        c.h = s[7 + 3 * i] >> 4;
        c.v = s[7 + 3 * i] & 15;
        c.tq = s[8 + 3 * i];
        if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.tq > 3) return corrupt("bad component", at);
        m_hmax = std::max(m_hmax, c.h);
        m_vmax = std::max(m_vmax, c.v);
    }
    m_mcusX = (m_width + 8 * m_hmax - 1) / (8 * m_hmax);
    m_mcusY = (m_height + 8 * m_vmax - 1) / (8 * m_vmax);
    for (Component& c : m_comps) {
        c.blocksW = m_mcusX * c.h;
        c.blocksH = m_mcusY * c.v;
        c.width = (m_width * c.h + m_hmax - 1) / m_hmax;
        c.height = (m_height * c.v + m_vmax - 1) / m_vmax;
        // Progressive scans refine coefficients over several passes and keep all of them;
        // sequential blocks are complete at once and go straight through the inverse DCT.
        if (progressive) c.coef.assign(static_cast<std::size_t>(c.blocksW) * c.blocksH * 64, 0);
        else c.plane.assign(static_cast<std::size_t>(c.blocksW) * 8 * c.blocksH * 8, 0);
    }
    m_progressive = progressive;
    m_frame = true;
    return core::okStatus();
}

void Decoder::decodeBlock(BitReader& br, Component& c, std::int16_t* blk) {
    if (!m_progressive) {
        const int t = br.decode(m_dc[c.td]);
        c.dcPred += br.receiveExtend(std::min(t, 16));
        blk[0] = static_cast<std::int16_t>(c.dcPred);
        const Huffman& ac = m_ac[c.ta];
        for (int k = 1; k < 64;) {
            const int rs = br.decode(ac);
            const int r = rs >> 4, s = rs & 15;
            if (s) {
                k += r;
                if (k > 63) break;
                blk[kNatural[k++]] = static_cast<std::int16_t>(br.receiveExtend(s));
            } else {
                if (r != 15) break;
                k += 16;
            }
        }
        return;
    }
    if (m_ss == 0) {  // DC scans
        if (m_ah == 0) {
            const int t = br.decode(m_dc[c.td]);
            c.dcPred += br.receiveExtend(std::min(t, 16));
            blk[0] = static_cast<std::int16_t>(c.dcPred * (1 << m_al));
        } else if (br.bit()) {
            blk[0] = static_cast<std::int16_t>(blk[0] | (1 << m_al));
        }
        return;
    }
    const Huffman& ac = m_ac[c.ta];
    if (m_ah == 0) {  // first AC scan of this band
        if (m_eobrun > 0) {
            --m_eobrun;
            return;
        }
        for (int k = m_ss; k <= m_se;) {
            const int rs = br.decode(ac);
            const int r = rs >> 4, s = rs & 15;
            if (s) {
                k += r;
                if (k > 63) break;
                blk[kNatural[k++]] = static_cast<std::int16_t>(br.receiveExtend(s) * (1 << m_al));
            } else if (r < 15) {
                m_eobrun = (1 << r) - 1 + br.bits(r);
                break;
            } else {
                k += 16;
            }
        }
        return;
    }
    // Refinement of an AC band: one more bit for every coefficient already non-zero, and new
    // coefficients of magnitude 1 placed among the zero ones (T.81 G.1.2.3).
    const int p1 = 1 << m_al, m1 = -p1;
    auto refine = [&](std::int16_t& coef) {
        if (br.bit() && (coef & p1) == 0) coef = static_cast<std::int16_t>(coef + (coef >= 0 ? p1 : m1));
    };
    int k = m_ss;
    if (m_eobrun == 0) {
        for (; k <= m_se; ++k) {
            const int rs = br.decode(ac);
            int r = rs >> 4;
            int value = 0;
            if (rs & 15) {
                value = br.bit() ? p1 : m1;
            } else if (r != 15) {
                m_eobrun = (1 << r) + br.bits(r);
                break;
            }
            for (; k <= m_se; ++k) {
                std::int16_t& coef = blk[kNatural[k]];
                if (coef != 0) {
                    refine(coef);
                } else if (--r < 0) {
                    break;
                }
            }
            if (value && k <= m_se) blk[kNatural[k]] = static_cast<std::int16_t>(value);
        }
    }
    if (m_eobrun > 0) {
        for (; k <= m_se; ++k)
            if (blk[kNatural[k]] != 0) refine(blk[kNatural[k]]);
        --m_eobrun;
    }
}

void Decoder::decodeAt(BitReader& br, Component& c, int bx, int by) {
    if (m_progressive) {
        decodeBlock(br, c, c.block(bx, by));
        return;
    }
    std::int16_t blk[64] = {};
    decodeBlock(br, c, blk);
    const std::size_t stride = static_cast<std::size_t>(c.blocksW) * 8;
    idctBlock(blk, m_qt[c.tq].data(), c.plane.data() + stride * by * 8 + bx * 8, stride);
}

core::Status Decoder::readScan(std::span<const std::uint8_t> data, std::size_t at, std::size_t n,
                               std::size_t& pos) {
    const std::uint8_t* s = data.data() + at;
    if (!m_frame) return corrupt("scan before the frame header", at);
    if (n < 1) return corrupt("short scan header", at);
    const int count = s[0];
    if (count < 1 || count > 4 || n < 4 + 2 * static_cast<std::size_t>(count))
        return corrupt("bad scan header", at);
    std::vector<Component*> comps;
    int blocksPerMcu = 0;
    for (int i = 0; i < count; ++i) {
        const int id = s[1 + 2 * i];
        auto it = std::find_if(m_comps.begin(), m_comps.end(), [&](const Component& c) { return c.id == id; });
        if (it == m_comps.end()) return corrupt("scan names an unknown component", at);
        it->td = s[2 + 2 * i] >> 4;
        it->ta = s[2 + 2 * i] & 15;
        if (it->td > 3 || it->ta > 3) return corrupt("bad table selector", at);
        comps.push_back(&*it);
        it->scanned = true;
        blocksPerMcu += it->h * it->v;
    }
    m_ss = s[1 + 2 * count];
    m_se = s[2 + 2 * count];
    m_ah = s[3 + 2 * count] >> 4;
    m_al = s[3 + 2 * count] & 15;
    if (m_progressive) {
        if (m_ss > m_se || m_se > 63 || (m_ss == 0 && m_se != 0) || (m_ss > 0 && count != 1) || m_al > 13)
            return corrupt("bad progressive scan", at);
    } else {
        m_ss = 0;
        m_se = 63;
        m_ah = m_al = 0;
    }
    if (blocksPerMcu > 10 && count > 1) return corrupt("too many blocks in an MCU", at);
    for (Component* c : comps) {
        const bool needDc = m_ss == 0 && m_ah == 0;
        const bool needAc = !m_progressive || m_ss > 0;
        if ((needDc && !m_dc[c->td].defined) || (needAc && !m_ac[c->ta].defined))
            return corrupt("scan uses an undefined Huffman table", at);
        if (!m_progressive && !m_qtDefined[c->tq]) return corrupt("undefined quantisation table", at);
        c->dcPred = 0;
    }
    m_eobrun = 0;

    BitReader br(data.data() + pos, data.data() + data.size());
    int restartsLeft = m_restartInterval;
    auto restartDue = [&]() {
        if (m_restartInterval == 0) return;
        if (restartsLeft == 0) {
            br.restart();
            for (Component* c : comps) c->dcPred = 0;
            m_eobrun = 0;
            restartsLeft = m_restartInterval;
        }
        --restartsLeft;
    };
    if (count == 1) {
        // A single-component scan covers the component's own blocks, not whole MCUs.
        Component& c = *comps[0];
        const int bw = (c.width + 7) / 8, bh = (c.height + 7) / 8;
        for (int by = 0; by < bh; ++by) {
            for (int bx = 0; bx < bw; ++bx) {
                restartDue();
                decodeAt(br, c, bx, by);
                if (br.failed()) return br.overrun() ? truncated("data ends inside a scan", pos) : corrupt("bad Huffman code", pos);
            }
        }
    } else {
        for (int my = 0; my < m_mcusY; ++my) {
            for (int mx = 0; mx < m_mcusX; ++mx) {
                restartDue();
                for (Component* c : comps)
                    for (int v = 0; v < c->v; ++v)
                        for (int h = 0; h < c->h; ++h) decodeAt(br, *c, mx * c->h + h, my * c->v + v);
                if (br.failed()) return br.overrun() ? truncated("data ends inside a scan", pos) : corrupt("bad Huffman code", pos);
            }
        }
    }
    m_scanned = true;
    // Continue at the next marker that is not a restart marker.
    std::size_t p = static_cast<std::size_t>(br.position() - data.data());
    while (p + 1 < data.size() &&
           !(data[p] == 0xFF && data[p + 1] != 0 && data[p + 1] != 0xFF && (data[p + 1] < 0xD0 || data[p + 1] > 0xD7)))
        ++p;
    pos = p + 1 < data.size() ? p : data.size();
    return core::okStatus();
}

// Row y of component c at full resolution: vertical then horizontal linear interpolation with
// the sample centres of a co-sited-free (centred) grid, as T.81 places chroma samples.
const std::uint8_t* Decoder::upsampledRow(const Component& c, int y, std::vector<int>& tmp,
                                          std::uint8_t* out) const {
    const std::size_t stride = static_cast<std::size_t>(c.blocksW) * 8;
    if (c.h == m_hmax && c.v == m_vmax) return c.plane.data() + stride * y;
    // Source position in 1/16 samples: (y + 0.5) * v / vmax - 0.5.
    const int sy16 = ((2 * y + 1) * c.v * 8) / m_vmax - 8;
    const int y0 = std::clamp(sy16 >> 4, 0, c.height - 1);
    const int y1 = std::min(std::max(sy16, 0) / 16 + 1, c.height - 1);
    const int fy = sy16 < 0 ? 0 : (sy16 & 15);
    const std::uint8_t* r0 = c.plane.data() + stride * y0;
    const std::uint8_t* r1 = c.plane.data() + stride * y1;
    tmp.resize(c.width + 1);
    for (int x = 0; x < c.width; ++x) tmp[x] = r0[x] * (16 - fy) + r1[x] * fy;  // x16
    tmp[c.width] = tmp[c.width - 1];
    if (c.h == m_hmax) {
        for (int x = 0; x < m_width; ++x) out[x] = static_cast<std::uint8_t>((tmp[x] + 8) >> 4);
        return out;
    }
    if (m_hmax == 2 * c.h) {
        // Halved columns (4:2:2, 4:2:0): output 2i + 1 takes 3/4 of sample i and 1/4 of i + 1,
        // output 2i + 2 the other way round; the same weights as the general case below.
        out[0] = static_cast<std::uint8_t>((tmp[0] + 8) >> 4);
        const int pairs = (m_width - 1) / 2;
        for (int i = 0; i < pairs; ++i) {
            const int a = tmp[i], b = tmp[i + 1];
            out[2 * i + 1] = static_cast<std::uint8_t>((a * 12 + b * 4 + 128) >> 8);
            out[2 * i + 2] = static_cast<std::uint8_t>((a * 4 + b * 12 + 128) >> 8);
        }
        if ((m_width - 1) % 2) out[m_width - 1] = static_cast<std::uint8_t>((tmp[pairs] * 12 + tmp[pairs + 1] * 4 + 128) >> 8);
        return out;
    }
    const std::uint32_t* map = c.hmap.data();
    for (int x = 0; x < m_width; ++x) {
        const int x0 = static_cast<int>(map[x] >> 4), fx = static_cast<int>(map[x] & 15);
        out[x] = static_cast<std::uint8_t>((tmp[x0] * (16 - fx) + tmp[x0 + 1] * fx + 128) >> 8);
    }
    return out;
}

core::Result<Image> Decoder::finish() {
    if (!m_frame || !m_scanned) return corrupt("no picture in the data", 0);
    for (const Component& c : m_comps)
        if (!c.scanned) return truncated("a component has no scan", 0);
    for (Component& c : m_comps) {
        if (!m_progressive) break;
        if (!m_qtDefined[c.tq]) return corrupt("undefined quantisation table", 0);
        const std::size_t stride = static_cast<std::size_t>(c.blocksW) * 8;
        c.plane.resize(stride * c.blocksH * 8);
        const std::uint16_t* q = m_qt[c.tq].data();
        for (int by = 0; by < c.blocksH; ++by)
            for (int bx = 0; bx < c.blocksW; ++bx)
                idctBlock(c.block(bx, by), q, c.plane.data() + stride * by * 8 + bx * 8, stride);
        std::vector<std::int16_t>().swap(c.coef);
    }
    Image img;
    img.width = m_width;
    img.height = m_height;
    img.rgba.resize(static_cast<std::size_t>(m_width) * m_height * 4);
    const int count = static_cast<int>(m_comps.size());
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(m_width) * count);
    std::vector<int> tmp;
    for (Component& c : m_comps) {
        if (c.h == m_hmax) continue;
        c.hmap.resize(m_width);
        for (int x = 0; x < m_width; ++x) {
            // Source position in 1/16 samples: (x + 0.5) * h / hmax - 0.5.
            const int sx16 = ((2 * x + 1) * c.h * 8) / m_hmax - 8;
            const int x0 = std::min(std::max(sx16, 0) >> 4, c.width - 1);
            c.hmap[x] = static_cast<std::uint32_t>(x0) << 4 | static_cast<std::uint32_t>(sx16 < 0 ? 0 : sx16 & 15);
        }
    }
    // Three components are YCbCr unless an Adobe segment says otherwise or (without JFIF) the
    // component ids spell R, G, B; four are CMYK or YCCK, stored inverted as Adobe writes them.
    bool ycc = count == 3;
    if (count == 3 && m_adobeTransform == 0) ycc = false;
    if (count == 3 && m_adobeTransform < 0 && !m_jfif && m_comps[0].id == 'R' && m_comps[1].id == 'G' &&
        m_comps[2].id == 'B')
        ycc = false;
    if (count == 4) ycc = m_adobeTransform == 2;
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* src[4] = {};
        for (int i = 0; i < count; ++i)
            src[i] = upsampledRow(m_comps[i], y, tmp, rows.data() + static_cast<std::size_t>(i) * m_width);
        std::uint8_t* out = img.rgba.data() + static_cast<std::size_t>(y) * m_width * 4;
        const std::uint8_t *c0 = src[0], *c1 = src[1], *c2 = src[2], *c3 = src[3];
        if (count == 1) {
            for (int x = 0; x < m_width; ++x, out += 4) {
                out[0] = out[1] = out[2] = c0[x];
                out[3] = 255;
            }
            continue;
        }
        if (count == 3 && ycc) {
            // BT.601 full range, 16 fractional bits.
            for (int x = 0; x < m_width; ++x, out += 4) {
                const int cb = c1[x] - 128, cr = c2[x] - 128, yy = (c0[x] << 16) + 32768;
                out[0] = clampByte((yy + 91881 * cr) >> 16);
                out[1] = clampByte((yy - 22554 * cb - 46802 * cr) >> 16);
                out[2] = clampByte((yy + 116130 * cb) >> 16);
                out[3] = 255;
            }
            continue;
        }
        for (int x = 0; x < m_width; ++x, out += 4) {
            int r = c0[x], g = c1[x], b = c2[x];
            if (ycc) {  // YCCK
                const int cb = g - 128, cr = b - 128, yy = (r << 16) + 32768;
                r = (yy + 91881 * cr) >> 16;
                g = (yy - 22554 * cb - 46802 * cr) >> 16;
                b = (yy + 116130 * cb) >> 16;
                // The transform gave the inverted C, M, Y.
                r = 255 - clampByte(r);
                g = 255 - clampByte(g);
                b = 255 - clampByte(b);
            }
            if (count == 4) {
                const int k = c3[x];
                r = (clampByte(r) * k + 127) / 255;
                g = (clampByte(g) * k + 127) / 255;
                b = (clampByte(b) * k + 127) / 255;
            }
            out[0] = clampByte(r);
            out[1] = clampByte(g);
            out[2] = clampByte(b);
            out[3] = 255;
        }
    }
    return img;
}

}  // namespace

core::Result<Image> decodeJpeg(std::span<const std::uint8_t> data, std::span<const std::uint8_t> tables) {
    Decoder dec;
    if (!tables.empty()) {
        auto st = dec.read(tables);
        if (!st) return st.error();
    }
    auto st = dec.read(data);
    if (!st) return st.error();
    return dec.finish();
}

}  // namespace codec
