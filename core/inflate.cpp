// Inflate (RFC 1950 zlib wrapper around RFC 1951 deflate) over a buffer held in memory.
//
// Algorithm: the whole input is in memory and the output is one growing vector, so
// back-references copy straight out of what was already produced and no sliding window is
// kept. Bits are taken least significant first from a 64-bit buffer refilled a byte at a time.
// Each Huffman code set is canonical: codes of a length are consecutive, shorter lengths first.
// A table indexed by the next kFastBits input bits (bit-reversed codes) decodes every code of
// up to kFastBits bits in one look-up; longer codes, which are rare, are decoded a bit at a time
// from the per-length counts. Code sets are checked as zlib checks them: an over-subscribed set
// is corrupt, and an incomplete one is accepted only when it holds a single one-bit code.
// The Adler-32 trailer is verified; the stream is complete only when it matches.
#include "core/inflate.h"

#include <algorithm>
#include <array>
#include <string>

namespace core {
namespace {

constexpr int kFastBits = 10;
constexpr int kMaxBits = 15;

// A canonical Huffman code set.
struct Huffman {
    std::array<std::uint16_t, kMaxBits + 1> count{};  // codes of each length
    std::array<std::uint16_t, 288> symbol{};          // symbols in code order
    // Entries for codes of up to kFastBits bits: (length << 9) | symbol; 0 where no short code
    // starts with those bits.
    std::array<std::uint16_t, 1u << kFastBits> fast{};
};

// Builds a code set from per-symbol lengths; false when the lengths cannot form one.
bool buildHuffman(Huffman& h, const std::uint8_t* lengths, int n) {
    h.count.fill(0);
    h.fast.fill(0);
    for (int s = 0; s < n; ++s) ++h.count[lengths[s]];
    h.count[0] = 0;
    int left = 1;
    int longest = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        left = (left << 1) - h.count[len];
        if (left < 0) return false;  // over-subscribed
        if (h.count[len]) longest = len;
    }
    if (left > 0 && longest > 1) return false;  // incomplete beyond a single one-bit code
    std::array<std::uint16_t, kMaxBits + 2> offset{};
    for (int len = 1; len <= kMaxBits; ++len) offset[len + 1] = offset[len] + h.count[len];
    std::array<std::uint16_t, kMaxBits + 1> next{};  // next code of each length
    unsigned code = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        code = (code + h.count[len - 1]) << 1;
        next[len] = static_cast<std::uint16_t>(code);
    }
    for (int s = 0; s < n; ++s) {
        const int len = lengths[s];
        if (len == 0) continue;
        h.symbol[offset[len]++] = static_cast<std::uint16_t>(s);
        if (len > kFastBits) continue;
        unsigned c = next[len]++;
        unsigned reversed = 0;
        for (int i = 0; i < len; ++i, c >>= 1) reversed = (reversed << 1) | (c & 1);
        for (unsigned i = reversed; i < (1u << kFastBits); i += 1u << len)
            h.fast[i] = static_cast<std::uint16_t>((len << 9) | s);
    }
    return true;
}

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                         33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                         1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

std::uint32_t adler32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t a = 1, b = 0;
    while (n > 0) {
        std::size_t run = std::min<std::size_t>(n, 5552);  // largest run without overflow
        n -= run;
        while (run--) {
            a += *p++;
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return (b << 16) | a;
}

// How a decoding step ended when it did not simply go on.
enum class Stop { None, RanOut, Full, Corrupt };

class Inflater {
public:
    Inflater(std::span<const std::uint8_t> in, std::size_t maxOutput, std::vector<std::uint8_t>& out)
        : m_begin(in.data()), m_p(in.data()), m_end(in.data() + in.size()), m_max(maxOutput), m_out(out) {}

    // Decodes blocks until the last one ends; then reads the trailer.
    Stop run();
    const char* why() const { return m_why; }
    // Input bytes consumed so far.
    std::uint64_t offset() const { return static_cast<std::uint64_t>(m_p - m_begin) - m_bitCount / 8; }
    bool checked() const { return m_checked; }

private:
    void refill() {
        while (m_bitCount <= 56 && m_p < m_end) {
            m_bits |= static_cast<std::uint64_t>(*m_p++) << m_bitCount;
            m_bitCount += 8;
        }
    }
    bool need(int k) {
        if (m_bitCount < k) refill();
        return m_bitCount >= k;
    }
    std::uint32_t take(int k) {
        const auto v = static_cast<std::uint32_t>(m_bits & ((std::uint64_t{1} << k) - 1));
        m_bits >>= k;
        m_bitCount -= k;
        return v;
    }
    Stop corrupt(const char* why) {
        m_why = why;
        return Stop::Corrupt;
    }
    // Reads k bits into v (k <= 32).
    Stop bits(int k, std::uint32_t& v) {
        if (!need(k)) return Stop::RanOut;
        v = take(k);
        return Stop::None;
    }
    Stop decode(const Huffman& h, int& symbol);
    Stop stored();
    Stop codes(const Huffman& lit, const Huffman& dist);
    Stop fixed();
    Stop dynamic();

    const std::uint8_t* m_begin;
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    std::uint64_t m_bits = 0;
    int m_bitCount = 0;
    std::size_t m_max;
    std::vector<std::uint8_t>& m_out;
    const char* m_why = "";
    bool m_checked = false;
    Huffman m_lit, m_dist;
};

Stop Inflater::decode(const Huffman& h, int& symbol) {
    refill();
    const std::uint16_t e = h.fast[m_bits & ((1u << kFastBits) - 1)];
    if (e != 0) {
        const int len = e >> 9;
        if (len > m_bitCount) return Stop::RanOut;
        take(len);
        symbol = e & 511;
        return Stop::None;
    }
    // A code longer than the table: walk the lengths one bit at a time.
    int code = 0, first = 0, index = 0;
    for (int len = 1; len <= kMaxBits; ++len) {
        if (m_bitCount == 0) return Stop::RanOut;
        code |= static_cast<int>(take(1));
        const int count = h.count[len];
        if (code - count < first) {
            symbol = h.symbol[index + (code - first)];
            return Stop::None;
        }
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return corrupt("invalid code");
}

Stop Inflater::stored() {
    take(m_bitCount % 8);
    std::uint32_t len = 0, nlen = 0;
    if (Stop s = bits(16, len); s != Stop::None) return s;
    if (Stop s = bits(16, nlen); s != Stop::None) return s;
    if ((len ^ 0xFFFF) != nlen) return corrupt("invalid stored block lengths");
    // Bytes still in the bit buffer come first, then straight from the input.
    while (len > 0 && m_bitCount >= 8) {
        if (m_out.size() >= m_max) return Stop::Full;
        m_out.push_back(static_cast<std::uint8_t>(take(8)));
        --len;
    }
    const std::size_t room = m_max - m_out.size();
    const std::size_t avail = static_cast<std::size_t>(m_end - m_p);
    const std::size_t n = std::min<std::size_t>({len, room, avail});
    m_out.insert(m_out.end(), m_p, m_p + n);
    m_p += n;
    if (n == len) return Stop::None;
    return n == room ? Stop::Full : Stop::RanOut;
}

Stop Inflater::codes(const Huffman& lit, const Huffman& dist) {
    for (;;) {
        int sym = 0;
        if (Stop s = decode(lit, sym); s != Stop::None) return s;
        if (sym < 256) {
            if (m_out.size() >= m_max) return Stop::Full;
            m_out.push_back(static_cast<std::uint8_t>(sym));
            continue;
        }
        if (sym == 256) return Stop::None;
        sym -= 257;
        if (sym >= 29) return corrupt("invalid literal/length code");
        std::uint32_t extra = 0;
        if (Stop s = bits(kLengthExtra[sym], extra); s != Stop::None) return s;
        std::size_t len = kLengthBase[sym] + extra;
        int dsym = 0;
        if (Stop s = decode(dist, dsym); s != Stop::None) return s;
        if (dsym >= 30) return corrupt("invalid distance code");
        if (Stop s = bits(kDistExtra[dsym], extra); s != Stop::None) return s;
        const std::size_t distance = kDistBase[dsym] + extra;
        if (distance > m_out.size()) return corrupt("invalid distance too far back");
        const bool full = len > m_max - m_out.size();
        if (full) len = m_max - m_out.size();
        std::size_t from = m_out.size() - distance;
        for (std::size_t i = 0; i < len; ++i) m_out.push_back(m_out[from++]);
        if (full) return Stop::Full;
    }
}

Stop Inflater::fixed() {
    std::uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    buildHuffman(m_lit, lengths, 288);
    // All 32 five-bit codes, so the set is complete; codes 30 and 31 are refused when met.
    std::fill(lengths, lengths + 32, 5);
    buildHuffman(m_dist, lengths, 32);
    return codes(m_lit, m_dist);
}

Stop Inflater::dynamic() {
    std::uint32_t hlit = 0, hdist = 0, hclen = 0;
    if (Stop s = bits(5, hlit); s != Stop::None) return s;
    if (Stop s = bits(5, hdist); s != Stop::None) return s;
    if (Stop s = bits(4, hclen); s != Stop::None) return s;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    if (hlit > 286 || hdist > 30) return corrupt("too many length or distance symbols");
    std::uint8_t lengths[286 + 30] = {};
    for (std::uint32_t i = 0; i < hclen; ++i) {
        std::uint32_t v = 0;
        if (Stop s = bits(3, v); s != Stop::None) return s;
        lengths[kCodeLengthOrder[i]] = static_cast<std::uint8_t>(v);
    }
    Huffman lencode;
    if (!buildHuffman(lencode, lengths, 19)) return corrupt("invalid code lengths set");
    std::fill(lengths, lengths + 19, 0);
    std::uint32_t index = 0;
    while (index < hlit + hdist) {
        int sym = 0;
        if (Stop s = decode(lencode, sym); s != Stop::None) return s;
        if (sym < 16) {
            lengths[index++] = static_cast<std::uint8_t>(sym);
            continue;
        }
        std::uint8_t value = 0;
        std::uint32_t repeat = 0;
        if (sym == 16) {
            if (index == 0) return corrupt("invalid bit length repeat");
            value = lengths[index - 1];
            if (Stop s = bits(2, repeat); s != Stop::None) return s;
            repeat += 3;
        } else if (sym == 17) {
            if (Stop s = bits(3, repeat); s != Stop::None) return s;
            repeat += 3;
        } else {
            if (Stop s = bits(7, repeat); s != Stop::None) return s;
            repeat += 11;
        }
        if (index + repeat > hlit + hdist) return corrupt("invalid bit length repeat");
        while (repeat--) lengths[index++] = value;
    }
    if (lengths[256] == 0) return corrupt("invalid code -- missing end-of-block");
    if (!buildHuffman(m_lit, lengths, static_cast<int>(hlit))) return corrupt("invalid literal/lengths set");
    if (!buildHuffman(m_dist, lengths + hlit, static_cast<int>(hdist))) return corrupt("invalid distances set");
    return codes(m_lit, m_dist);
}

Stop Inflater::run() {
    std::uint32_t cmf = 0, flg = 0;
    if (Stop s = bits(8, cmf); s != Stop::None) return s;
    if (Stop s = bits(8, flg); s != Stop::None) return s;
    if ((cmf & 15) != 8 || (cmf >> 4) > 7) return corrupt("unknown compression method");
    if ((cmf * 256 + flg) % 31 != 0) return corrupt("incorrect header check");
    if (flg & 0x20) return corrupt("need dictionary");
    for (bool last = false; !last;) {
        std::uint32_t head = 0;
        if (Stop s = bits(3, head); s != Stop::None) return s;
        last = head & 1;
        Stop s = Stop::None;
        switch (head >> 1) {
        case 0: s = stored(); break;
        case 1: s = fixed(); break;
        case 2: s = dynamic(); break;
        default: return corrupt("invalid block type");
        }
        if (s != Stop::None) return s;
    }
    take(m_bitCount % 8);
    std::uint32_t trailer = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t byte = 0;
        if (Stop s = bits(8, byte); s != Stop::None) return s;
        trailer = (trailer << 8) | byte;
    }
    if (trailer != adler32(m_out.data(), m_out.size())) return corrupt("incorrect data check");
    m_checked = true;
    return Stop::None;
}

}  // namespace

Result<InflateResult> inflateZlib(std::span<const std::uint8_t> input, std::size_t maxOutput,
                                  std::size_t sizeHint, InflateOverflow overflow) {
    InflateResult out;
    // A declared size is a hint, not a promise: reserve no more than the input could plausibly
    // expand to, so a tiny file that claims a huge size costs nothing up front.
    out.data.reserve(std::min({sizeHint, maxOutput, input.size() * 8 + 65536}));
    Inflater inflater(input, maxOutput, out.data);
    switch (inflater.run()) {
    case Stop::None:
        out.complete = inflater.checked();
        return out;
    case Stop::RanOut:
        return out;
    case Stop::Full:
        if (overflow == InflateOverflow::Truncate) return out;
        return makeError(ErrorCode::TooLarge, "decompressed data exceeds " + std::to_string(maxOutput) + " bytes");
    case Stop::Corrupt:
        break;
    }
    return makeError(ErrorCode::Corrupt, std::string("zlib: ") + inflater.why(), inflater.offset());
}

}  // namespace core
