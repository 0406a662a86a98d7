#include "core/bit_writer.h"

#include <cmath>
#include <cstring>

namespace core {

void BitWriter::align() { m_bitPos = 0; }

void BitWriter::u8(std::uint8_t v) {
    align();
    m_data.push_back(v);
}

void BitWriter::u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
}

void BitWriter::u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
}

void BitWriter::fixed8(double v) { s16(static_cast<std::int16_t>(std::lround(v * 256.0))); }

void BitWriter::fixed16(double v) {
    u32(static_cast<std::uint32_t>(static_cast<std::int32_t>(std::llround(v * 65536.0))));
}

void BitWriter::f32(float v) {
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void BitWriter::encodedU32(std::uint32_t v) {
    do {
        std::uint8_t b = v & 0x7F;
        v >>= 7;
        if (v) b |= 0x80;
        u8(b);
    } while (v);
}

void BitWriter::ub(unsigned bits, std::uint32_t v) {
    for (unsigned i = bits; i-- > 0;) {
        if (m_bitPos == 0) m_data.push_back(0);
        if ((v >> i) & 1u) m_data.back() |= static_cast<std::uint8_t>(0x80u >> m_bitPos);
        m_bitPos = (m_bitPos + 1) & 7;
    }
}

void BitWriter::sb(unsigned bits, std::int32_t v) { ub(bits, static_cast<std::uint32_t>(v)); }

void BitWriter::fb(unsigned bits, double v) {
    sb(bits, static_cast<std::int32_t>(std::llround(v * 65536.0)));
}

void BitWriter::bytes(std::span<const std::uint8_t> b) {
    align();
    m_data.insert(m_data.end(), b.begin(), b.end());
}

void BitWriter::cstring(std::string_view s) {
    align();
    m_data.insert(m_data.end(), s.begin(), s.end());
    m_data.push_back(0);
}

unsigned BitWriter::bitsUnsigned(std::uint32_t v) {
    unsigned n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

unsigned BitWriter::bitsSigned(std::int32_t v) {
    if (v == 0) return 0;
    std::uint32_t mag = v < 0 ? static_cast<std::uint32_t>(~v) : static_cast<std::uint32_t>(v);
    return bitsUnsigned(mag) + 1;
}

unsigned BitWriter::bitsFixed(double v) {
    return bitsSigned(static_cast<std::int32_t>(std::llround(v * 65536.0)));
}

}  // namespace core
