// Decimal text for doubles, exactly: both directions reduce to a ratio of two big integers
// R / S that is brought into a known range and then read out digit by digit (or bit by bit).

#include "avm1/number_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace avm1 {

namespace {

// An unsigned big integer, little-endian 32-bit limbs, no leading zero limbs.
class Big {
public:
    explicit Big(std::uint64_t v = 0) {
        while (v) {
            m_limbs.push_back(static_cast<std::uint32_t>(v));
            v >>= 32;
        }
    }
    bool isZero() const { return m_limbs.empty(); }

    void mulAdd(std::uint32_t mul, std::uint32_t add = 0) {
        std::uint64_t carry = add;
        for (std::uint32_t& l : m_limbs) {
            std::uint64_t t = static_cast<std::uint64_t>(l) * mul + carry;
            l = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        if (carry) m_limbs.push_back(static_cast<std::uint32_t>(carry));
        trim();
    }
    void mulPow10(unsigned n) {
        for (; n >= 9; n -= 9) mulAdd(1000000000u);
        static constexpr std::uint32_t kSmall[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
        if (n) mulAdd(kSmall[n]);
    }
    void shiftLeft(unsigned bits) {
        if (isZero() || bits == 0) return;
        unsigned words = bits / 32, rest = bits % 32;
        if (rest) {
            std::uint32_t carry = 0;
            for (std::uint32_t& l : m_limbs) {
                std::uint32_t next = l >> (32 - rest);
                l = (l << rest) | carry;
                carry = next;
            }
            if (carry) m_limbs.push_back(carry);
        }
        m_limbs.insert(m_limbs.begin(), words, 0u);
    }
    // *this -= o; requires *this >= o.
    void subtract(const Big& o) {
        std::int64_t borrow = 0;
        for (std::size_t i = 0; i < m_limbs.size(); ++i) {
            std::int64_t t = static_cast<std::int64_t>(m_limbs[i]) - borrow - (i < o.m_limbs.size() ? o.m_limbs[i] : 0);
            borrow = t < 0;
            m_limbs[i] = static_cast<std::uint32_t>(t + (borrow << 32));
        }
        trim();
    }
    unsigned bitLength() const {
        if (isZero()) return 0;
        unsigned bits = static_cast<unsigned>(m_limbs.size() - 1) * 32;
        for (std::uint32_t top = m_limbs.back(); top; top >>= 1) ++bits;
        return bits;
    }
    friend int compare(const Big& a, const Big& b) {
        if (a.m_limbs.size() != b.m_limbs.size()) return a.m_limbs.size() < b.m_limbs.size() ? -1 : 1;
        for (std::size_t i = a.m_limbs.size(); i-- > 0;)
            if (a.m_limbs[i] != b.m_limbs[i]) return a.m_limbs[i] < b.m_limbs[i] ? -1 : 1;
        return 0;
    }

private:
    void trim() {
        while (!m_limbs.empty() && m_limbs.back() == 0) m_limbs.pop_back();
    }
    std::vector<std::uint32_t> m_limbs;
};

// Takes S from R as often as it goes (R < 10 S on entry): the next decimal digit.
int nextDigit(Big& r, const Big& s) {
    int d = 0;
    while (compare(r, s) >= 0) {
        r.subtract(s);
        ++d;
    }
    return d;
}

}  // namespace

int decimalDigits(double v, int count, char* digits) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    int rawExp = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mant = bits & ((std::uint64_t{1} << 52) - 1);
    int e2 = rawExp ? rawExp - 1075 : -1074;
    if (rawExp) mant |= std::uint64_t{1} << 52;
    // v = R / S exactly.
    Big r(mant), s(1);
    if (e2 >= 0) r.shiftLeft(static_cast<unsigned>(e2));
    else s.shiftLeft(static_cast<unsigned>(-e2));
    // log10(2) ~ 0.30103: the estimate is at most one off.
    int binExp = e2 + static_cast<int>(Big(mant).bitLength()) - 1;
    int exp = static_cast<int>(std::floor(binExp * 0.30102999566398120));
    if (exp >= 0) s.mulPow10(static_cast<unsigned>(exp));
    else r.mulPow10(static_cast<unsigned>(-exp));
    Big s10 = s;
    s10.mulAdd(10);
    if (compare(r, s10) >= 0) {
        s = s10;
        ++exp;
    } else if (compare(r, s) < 0) {
        r.mulAdd(10);
        --exp;
    }
    // Now 1 <= R / S < 10.
    for (int i = 0; i < count; ++i) {
        digits[i] = static_cast<char>('0' + nextDigit(r, s));
        r.mulAdd(10);
    }
    // R is ten times the remainder: compare it with half of ten S.
    Big half = s;
    half.mulAdd(5);
    int c = compare(r, half);
    if (c > 0 || (c == 0 && (digits[count - 1] - '0') % 2 == 1)) {
        int i = count - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits[0] = '1';
            ++exp;
        }
    }
    return exp;
}

double parseDecimal(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    // The significant digits (at most kMaxDigits; a nonzero digit beyond stands for all the
    // rest, which is all that correct rounding needs) and the exponent of the last one kept.
    constexpr int kMaxDigits = 800;
    Big mant;
    int kept = 0;
    long exp = 0;
    bool sticky = false, point = false, any = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        any = true;
        if (kept == 0 && c == '0') {
            if (point) --exp;
            continue;
        }
        if (kept < kMaxDigits) {
            mant.mulAdd(10, static_cast<std::uint32_t>(c - '0'));
            ++kept;
            if (point) --exp;
        } else {
            if (c != '0') sticky = true;
            if (!point) ++exp;
        }
    }
    if (any && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        bool expNegative = false;
        if (k < text.size() && (text[k] == '-' || text[k] == '+')) expNegative = text[k++] == '-';
        long e = 0;
        for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k)
            if (e < 100000) e = e * 10 + (text[k] - '0');
        exp += expNegative ? -e : e;
    }
    if (sticky) {
        mant.mulAdd(10, 1);
        ++kept;
        --exp;
    }
    double sign = negative ? -1.0 : 1.0;
    if (mant.isZero() || kept + exp < -324) return sign * 0.0;
    if (kept + exp > 310) return sign * HUGE_VAL;
    // The value is R / S; bring it to [1, 2) times 2^b.
    Big r = mant, s(1);
    if (exp >= 0) r.mulPow10(static_cast<unsigned>(exp));
    else s.mulPow10(static_cast<unsigned>(-exp));
    int b = static_cast<int>(r.bitLength()) - static_cast<int>(s.bitLength());
    if (b > 0) s.shiftLeft(static_cast<unsigned>(b));
    else r.shiftLeft(static_cast<unsigned>(-b));
    if (compare(r, s) < 0) {
        r.shiftLeft(1);
        --b;
    }
    // Below 2^-1022 the mantissa loses a bit per binary order (subnormals).
    int mantBits = b < -1022 ? 53 - (-1022 - b) : 53;
    if (mantBits < 0) return sign * 0.0;
    std::uint64_t m = 0;
    for (int k = 0; k < mantBits; ++k) {
        m <<= 1;
        if (compare(r, s) >= 0) {
            r.subtract(s);
            m |= 1;
        }
        r.shiftLeft(1);
    }
    if (compare(r, s) >= 0) {
        r.subtract(s);
        if (!r.isZero() || (m & 1)) ++m;
    }
    return sign * std::ldexp(static_cast<double>(m), b - mantBits + 1);
}

}  // namespace avm1
