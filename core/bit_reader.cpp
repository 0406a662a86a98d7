#include "core/bit_reader.h"

#include <cstring>

namespace core {

void BitReader::fail() {
    if (!m_failed) {
        m_failed = true;
        m_failOffset = offset();
    }
}

void BitReader::failAt(std::uint64_t offset) {
    if (!m_failed) {
        m_failed = true;
        m_failOffset = offset;
    }
}

bool BitReader::need(std::size_t n) {
    align();
    if (n > remaining()) {
        fail();
        m_pos = m_data.size();
        return false;
    }
    return true;
}

void BitReader::align() {
    if (m_bitPos != 0) {
        m_bitPos = 0;
        ++m_pos;
    }
}

std::uint8_t BitReader::u8() {
    if (!need(1)) return 0;
    return m_data[m_pos++];
}

std::uint16_t BitReader::u16() {
    if (!need(2)) return 0;
    std::uint16_t v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return v;
}

std::uint32_t BitReader::u32() {
    if (!need(4)) return 0;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
    m_pos += 4;
    return v;
}

float BitReader::fixed8() { return static_cast<float>(s16()) / 256.0f; }

double BitReader::fixed16() { return static_cast<double>(s32()) / 65536.0; }

float BitReader::f32() {
    std::uint32_t bits = u32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

double BitReader::f64() {
    std::uint64_t lo = u32();
    std::uint64_t hi = u32();
    std::uint64_t bits = (hi << 32) | lo;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::uint32_t BitReader::encodedU32() {
    std::uint32_t v = 0;
    for (unsigned i = 0; i < 5; ++i) {
        std::uint8_t b = u8();
        v |= static_cast<std::uint32_t>(b & 0x7f) << (7 * i);
        if (!(b & 0x80)) break;
    }
    return v;
}

std::uint32_t BitReader::ubSlow(unsigned bits) {
    if (bits > 32) {
        fail();
        return 0;
    }
    if (bits == 0) return 0;
    std::size_t availableBits = remaining() * 8 - m_bitPos;
    if (bits > availableBits) {
        fail();
        m_pos = m_data.size();
        m_bitPos = 0;
        return 0;
    }
    // Near the end of the data: whole runs of bits from each byte, at most five steps.
    std::uint64_t v = 0;
    while (bits > 0) {
        unsigned left = 8 - m_bitPos;
        unsigned take = bits < left ? bits : left;
        unsigned chunk = (m_data[m_pos] >> (left - take)) & ((1u << take) - 1u);
        v = (v << take) | chunk;
        bits -= take;
        m_bitPos += take;
        if (m_bitPos == 8) {
            m_bitPos = 0;
            ++m_pos;
        }
    }
    return static_cast<std::uint32_t>(v);
}

std::int32_t BitReader::sb(unsigned bits) {
    std::uint32_t v = ub(bits);
    if (bits == 0 || bits >= 32) return static_cast<std::int32_t>(v);
    std::uint32_t sign = 1u << (bits - 1);
    if (v & sign) v |= ~((sign << 1) - 1);
    return static_cast<std::int32_t>(v);
}

double BitReader::fb(unsigned bits) { return static_cast<double>(sb(bits)) / 65536.0; }

std::span<const std::uint8_t> BitReader::bytes(std::size_t n) {
    if (!need(n)) return {};
    auto s = m_data.subspan(m_pos, n);
    m_pos += n;
    return s;
}

std::span<const std::uint8_t> BitReader::rest() {
    align();
    if (m_pos >= m_data.size()) return {};
    auto s = m_data.subspan(m_pos);
    m_pos = m_data.size();
    return s;
}

std::string BitReader::cstring() {
    align();
    std::size_t start = m_pos;
    while (m_pos < m_data.size() && m_data[m_pos] != 0) ++m_pos;
    std::string s(reinterpret_cast<const char*>(m_data.data()) + start, m_pos - start);
    if (m_pos < m_data.size()) {
        ++m_pos;
    } else {
        fail();
    }
    return s;
}

BitReader BitReader::sub(std::size_t n) {
    align();
    std::size_t avail = remaining();
    std::size_t take = n <= avail ? n : avail;
    BitReader r(m_data.subspan(m_pos, take), offset());
    if (take < n) fail();
    m_pos += take;
    return r;
}

}  // namespace core
