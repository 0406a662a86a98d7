#include "core/lzma.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace core {

namespace {

using Prob = std::uint16_t;
constexpr Prob kProbInit = 1024;  // probabilities are 11-bit; 1024 is one half
constexpr unsigned kNumStates = 12;
constexpr unsigned kMaxPosBits = 4;
constexpr unsigned kMatchMinLen = 2;
constexpr unsigned kEndPosModelIndex = 14;
constexpr unsigned kNumFullDistances = 128;
constexpr unsigned kNumAlignBits = 4;
constexpr unsigned kNumLenToPosStates = 4;

class RangeDecoder {
public:
    explicit RangeDecoder(std::span<const std::uint8_t> in) : m_in(in) {
        if (next() != 0) m_corrupt = true;  // the first byte of a stream is always zero
        for (int i = 0; i < 4; ++i) m_code = (m_code << 8) | next();
        if (m_code == m_range) m_corrupt = true;
    }

    unsigned bit(Prob& p) {
        std::uint32_t bound = (m_range >> 11) * p;
        unsigned b;
        if (m_code < bound) {
            m_range = bound;
            p = static_cast<Prob>(p + ((2048 - p) >> 5));
            b = 0;
        } else {
            m_range -= bound;
            m_code -= bound;
            p = static_cast<Prob>(p - (p >> 5));
            b = 1;
        }
        normalize();
        return b;
    }

    std::uint32_t direct(unsigned count) {
        std::uint32_t v = 0;
        for (unsigned i = 0; i < count; ++i) {
            m_range >>= 1;
            std::uint32_t b = m_code >= m_range ? 1u : 0u;
            if (b) m_code -= m_range;
            v = (v << 1) | b;
            normalize();
        }
        return v;
    }

    // A value of `bits` bits coded most significant bit first through a tree of probabilities.
    std::uint32_t tree(Prob* probs, unsigned bits) {
        std::uint32_t m = 1;
        for (unsigned i = 0; i < bits; ++i) m = (m << 1) | bit(probs[m]);
        return m - (1u << bits);
    }

    // The same, least significant bit first.
    std::uint32_t reverseTree(Prob* probs, unsigned bits) {
        std::uint32_t m = 1, v = 0;
        for (unsigned i = 0; i < bits; ++i) {
            unsigned b = bit(probs[m]);
            m = (m << 1) | b;
            v |= b << i;
        }
        return v;
    }

    bool exhausted() const { return m_overrun; }
    bool corrupt() const { return m_corrupt; }
    std::size_t position() const { return m_pos; }

private:
    std::uint8_t next() {
        if (m_pos < m_in.size()) return m_in[m_pos++];
        m_overrun = true;
        return 0;
    }
    void normalize() {
        if (m_range < (1u << 24)) {
            m_range <<= 8;
            m_code = (m_code << 8) | next();
        }
    }

    std::span<const std::uint8_t> m_in;
    std::size_t m_pos = 0;
    std::uint32_t m_range = 0xFFFFFFFFu;
    std::uint32_t m_code = 0;
    bool m_overrun = false;
    bool m_corrupt = false;
};

struct LengthModel {
    Prob choice = kProbInit;
    Prob choice2 = kProbInit;
    std::array<std::array<Prob, 8>, 1u << kMaxPosBits> low;
    std::array<std::array<Prob, 8>, 1u << kMaxPosBits> mid;
    std::array<Prob, 256> high;

    LengthModel() {
        for (auto& a : low) a.fill(kProbInit);
        for (auto& a : mid) a.fill(kProbInit);
        high.fill(kProbInit);
    }

    // A match length minus kMatchMinLen: 0-7, 8-15 or 16-271.
    unsigned decode(RangeDecoder& rc, unsigned posState) {
        if (!rc.bit(choice)) return rc.tree(low[posState].data(), 3);
        if (!rc.bit(choice2)) return 8 + rc.tree(mid[posState].data(), 3);
        return 16 + rc.tree(high.data(), 8);
    }
};

}  // namespace

Result<InflateResult> decodeLzma(std::span<const std::uint8_t> props,
                                 std::span<const std::uint8_t> data, std::size_t outSize,
                                 std::size_t maxOutput) {
    if (props.size() < 5) return makeError(ErrorCode::Truncated, "LZMA properties are missing", 0);
    unsigned d = props[0];
    if (d >= 9 * 5 * 5) return makeError(ErrorCode::Corrupt, "invalid LZMA properties", 0);
    const unsigned lc = d % 9;
    d /= 9;
    const unsigned lp = d % 5;
    const unsigned pb = d / 5;
    if (outSize > maxOutput)
        return makeError(ErrorCode::TooLarge,
                         "decompressed data exceeds " + std::to_string(maxOutput) + " bytes");

    InflateResult out;
    std::vector<std::uint8_t>& buf = out.data;
    buf.reserve(std::min(outSize, data.size() * 8 + 65536));  // outSize is only declared

    std::vector<Prob> literal(0x300u << (lc + lp), kProbInit);
    std::array<Prob, kNumStates << kMaxPosBits> isMatch, isRep0Long;
    std::array<Prob, kNumStates> isRep, isRepG0, isRepG1, isRepG2;
    isMatch.fill(kProbInit);
    isRep0Long.fill(kProbInit);
    isRep.fill(kProbInit);
    isRepG0.fill(kProbInit);
    isRepG1.fill(kProbInit);
    isRepG2.fill(kProbInit);
    std::array<std::array<Prob, 64>, kNumLenToPosStates> posSlot;
    for (auto& a : posSlot) a.fill(kProbInit);
    std::array<Prob, 1 + kNumFullDistances - kEndPosModelIndex> posSpecial;
    posSpecial.fill(kProbInit);
    std::array<Prob, 1u << kNumAlignBits> align;
    align.fill(kProbInit);
    LengthModel lenModel, repLenModel;

    RangeDecoder rc(data);
    if (rc.corrupt()) return makeError(ErrorCode::Corrupt, "invalid LZMA stream start", 0);

    const std::uint32_t pbMask = (1u << pb) - 1;
    const std::uint32_t lpMask = (1u << lp) - 1;
    unsigned state = 0;
    std::uint32_t rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0;

    while (buf.size() < outSize) {
        if (rc.exhausted()) break;  // input ran out: keep what was decoded
        const auto pos = static_cast<std::uint32_t>(buf.size());
        const unsigned posState = pos & pbMask;
        if (!rc.bit(isMatch[(state << kMaxPosBits) + posState])) {
            // Literal, coded with the previous byte's top bits as context; after a match it is
            // coded against the byte at the last match distance.
            unsigned prev = buf.empty() ? 0 : buf.back();
            Prob* probs = &literal[0x300u * (((pos & lpMask) << lc) + (prev >> (8 - lc)))];
            unsigned symbol = 1;
            if (state >= 7) {
                unsigned matchByte = buf[pos - rep0 - 1];
                while (symbol < 0x100) {
                    unsigned matchBit = (matchByte >> 7) & 1;
                    matchByte <<= 1;
                    unsigned b = rc.bit(probs[((1 + matchBit) << 8) + symbol]);
                    symbol = (symbol << 1) | b;
                    if (matchBit != b) break;
                }
            }
            while (symbol < 0x100) symbol = (symbol << 1) | rc.bit(probs[symbol]);
            buf.push_back(static_cast<std::uint8_t>(symbol));
            state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
            continue;
        }

        unsigned len;
        if (rc.bit(isRep[state])) {
            if (buf.empty()) return makeError(ErrorCode::Corrupt, "LZMA repeat match before any data", rc.position());
            if (!rc.bit(isRepG0[state])) {
                if (!rc.bit(isRep0Long[(state << kMaxPosBits) + posState])) {
                    // A single byte from the last distance.
                    state = state < 7 ? 9 : 11;
                    buf.push_back(buf[pos - rep0 - 1]);
                    continue;
                }
            } else {
                std::uint32_t dist;
                if (!rc.bit(isRepG1[state])) {
                    dist = rep1;
                } else {
                    if (!rc.bit(isRepG2[state])) {
                        dist = rep2;
                    } else {
                        dist = rep3;
                        rep3 = rep2;
                    }
                    rep2 = rep1;
                }
                rep1 = rep0;
                rep0 = dist;
            }
            len = repLenModel.decode(rc, posState);
            state = state < 7 ? 8 : 11;
        } else {
            rep3 = rep2;
            rep2 = rep1;
            rep1 = rep0;
            len = lenModel.decode(rc, posState);
            state = state < 7 ? 7 : 10;
            unsigned lenState = len < kNumLenToPosStates - 1 ? len : kNumLenToPosStates - 1;
            unsigned slot = rc.tree(posSlot[lenState].data(), 6);
            if (slot < 4) {
                rep0 = slot;
            } else {
                unsigned directBits = (slot >> 1) - 1;
                std::uint32_t dist = (2u | (slot & 1u)) << directBits;
                if (slot < kEndPosModelIndex) {
                    dist += rc.reverseTree(posSpecial.data() + dist - slot, directBits);
                } else {
                    dist += rc.direct(directBits - kNumAlignBits) << kNumAlignBits;
                    dist += rc.reverseTree(align.data(), kNumAlignBits);
                }
                rep0 = dist;
            }
            if (rep0 == 0xFFFFFFFFu) {  // end marker
                out.complete = true;
                return out;
            }
        }
        if (rep0 >= buf.size())
            return makeError(ErrorCode::Corrupt, "LZMA match distance before the start of the data",
                             rc.position());
        std::size_t n = len + kMatchMinLen;
        if (n > outSize - buf.size()) n = outSize - buf.size();
        std::size_t from = buf.size() - rep0 - 1;
        for (std::size_t i = 0; i < n; ++i) buf.push_back(buf[from + i]);
    }
    out.complete = buf.size() == outSize && !rc.exhausted();
    return out;
}

}  // namespace core
