#pragma once
// The writing counterpart of BitReader: little-endian bytes and most-significant-bit-first bit
// fields, as SWF stores them. Byte writes align to the next byte first.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace core {

class BitWriter {
public:
    void u8(std::uint8_t v);
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void s16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void fixed8(double v);
    void fixed16(double v);
    void f32(float v);
    void encodedU32(std::uint32_t v);

    void ub(unsigned bits, std::uint32_t v);
    void sb(unsigned bits, std::int32_t v);
    void fb(unsigned bits, double v);  // 16.16 fixed point
    void flag(bool v) { ub(1, v ? 1 : 0); }
    void align();

    void bytes(std::span<const std::uint8_t> b);
    void cstring(std::string_view s);  // adds the terminating zero

    std::vector<std::uint8_t>& data() { return m_data; }
    std::vector<std::uint8_t> take() {
        align();
        return std::move(m_data);
    }
    std::size_t size() const { return m_data.size(); }

    // Bits needed to hold the value as a UB / SB field.
    static unsigned bitsUnsigned(std::uint32_t v);
    static unsigned bitsSigned(std::int32_t v);
    // Bits needed to hold the value as a 16.16 FB field.
    static unsigned bitsFixed(double v);

private:
    std::vector<std::uint8_t> m_data;
    unsigned m_bitPos = 0;  // bits used in the last byte (0 when aligned)
};

}  // namespace core
