#pragma once
// A bounded reader over a byte span that reads both whole bytes (little-endian) and the
// bit fields SWF packs most-significant bit first. Reads past the end never touch memory
// outside the span: they yield 0 and set a sticky failure flag that the caller checks once
// the record is complete. Byte reads align to the next byte first, as SWF requires.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace core {

class BitReader {
public:
    BitReader() = default;
    // `base` is the absolute offset of data[0] in the outer input; offsets reported by
    // offset() and failOffset() include it.
    explicit BitReader(std::span<const std::uint8_t> data, std::uint64_t base = 0)
        : m_data(data), m_base(base) {}

    // Byte fields (each aligns to a byte boundary first).
    std::uint8_t u8();
    std::uint16_t u16();
    std::uint32_t u32();
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t s32() { return static_cast<std::int32_t>(u32()); }
    float fixed8();    // signed 8.8 fixed point
    double fixed16();  // signed 16.16 fixed point
    float f32();
    double f64();
    // Variable-length 32-bit integer: 7 bits a byte, at most five bytes.
    std::uint32_t encodedU32();

    // Bit fields.
    // Unsigned, 0..32 bits. Inline: shapes and matrices read millions of these.
    std::uint32_t ub(unsigned bits) {
        if (bits - 1u < 32u && m_data.size() - m_pos >= 8) {
            // The next eight bytes as one big-endian word hold every bit wanted.
            std::uint64_t word;
            std::memcpy(&word, m_data.data() + m_pos, 8);
            word = fromBigEndian(word);
            std::uint64_t v = (word << m_bitPos) >> (64 - bits);
            unsigned consumed = m_bitPos + bits;
            m_pos += consumed / 8;
            m_bitPos = consumed % 8;
            return static_cast<std::uint32_t>(v);
        }
        return ubSlow(bits);
    }
    std::int32_t sb(unsigned bits);   // sign-extended, 0..32 bits
    double fb(unsigned bits);         // signed 16.16 fixed point, 0..32 bits
    bool flag() { return ub(1) != 0; }
    void align();

    // `n` raw bytes; an empty span (and a failure) when fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t n);
    // Everything left.
    std::span<const std::uint8_t> rest();
    // A zero-terminated string's raw bytes (terminator consumed, not returned). A missing
    // terminator is a failure and yields the bytes up to the end.
    std::string cstring();
    // A bounded reader over the next `n` bytes; this reader moves past them. When fewer than
    // `n` remain, the sub-reader covers what is left and this reader fails.
    BitReader sub(std::size_t n);

    void skip(std::size_t n) { (void)bytes(n); }

    std::size_t remaining() const { return m_pos < m_data.size() ? m_data.size() - m_pos : 0; }
    bool atEnd() const { return remaining() == 0; }
    std::size_t position() const { return m_pos; }
    std::uint64_t offset() const { return m_base + m_pos; }
    std::size_t size() const { return m_data.size(); }
    // The whole span this reader covers (for records addressed by offset tables).
    std::span<const std::uint8_t> data() const { return m_data; }

    bool failed() const { return m_failed; }
    std::uint64_t failOffset() const { return m_failOffset; }
    // Marks the reader failed at the current offset (used by callers for semantic faults).
    void fail();
    // Marks the reader failed at an explicit offset (faults found through a table of offsets).
    void failAt(std::uint64_t offset);

private:
    bool need(std::size_t n);
    std::uint32_t ubSlow(unsigned bits);
    static std::uint64_t fromBigEndian(std::uint64_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        return v;
#else
        return __builtin_bswap64(v);
#endif
    }

    std::span<const std::uint8_t> m_data;
    std::uint64_t m_base = 0;
    std::size_t m_pos = 0;
    unsigned m_bitPos = 0;  // bits of m_data[m_pos] already consumed (0 when aligned)
    bool m_failed = false;
    std::uint64_t m_failOffset = 0;
};

}  // namespace core
