// Decimal digits and decimal parsing checked against the C library (exact on glibc): random
// doubles over the whole range, subnormals, exact halfway cases and boundary text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "avm1/number_text.h"
#include "avm1/value.h"

namespace {

double fromBits(std::uint64_t b) {
    double d;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

std::uint64_t bitsOf(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

// Digits and exponent as "%.*e" prints them.
std::string libraryDigits(double v, int count, int& exp) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", count - 1, v);
    std::string digits;
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    exp = std::atoi(p + 1);
    return digits;
}

void expectSameDigits(double v, int count) {
    int expected = 0;
    std::string want = libraryDigits(v, count, expected);
    char buf[20];
    int exp = avm1::decimalDigits(v, count, buf);
    EXPECT_EQ(std::string(buf, static_cast<std::size_t>(count)), want) << v << " count " << count;
    EXPECT_EQ(exp, expected) << v;
}

void expectSameParse(const std::string& text) {
    double want = std::strtod(text.c_str(), nullptr);
    double got = avm1::parseDecimal(text);
    EXPECT_EQ(bitsOf(got), bitsOf(want)) << text;
}

TEST(NumberText, DigitsMatchTheLibraryOverTheWholeRange) {
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 20000; ++i) {
        // Random bit patterns: every exponent, subnormals included (NaN and infinity skipped).
        double v = std::fabs(fromBits(rng()));
        if (!std::isfinite(v) || v == 0) continue;
        expectSameDigits(v, 15);
        if (i % 4 == 0) expectSameDigits(v, 17);
    }
    for (double v : {5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, 0.1, 0.5, 1.0, 9.5,
                     999999999999999.5, 1234567890123455.0, 1234567890123465.0, 9.999999999999999e22,
                     0.000001, 1e21, 123456789012345680.0})
        expectSameDigits(v, 15);
}

TEST(NumberText, ParseMatchesTheLibrary) {
    std::mt19937_64 rng(777);
    char buf[1200];
    for (int i = 0; i < 5000; ++i) {
        double v = std::fabs(fromBits(rng()));
        if (!std::isfinite(v)) continue;
        std::snprintf(buf, sizeof buf, "%.17g", v);
        expectSameParse(buf);
        std::snprintf(buf, sizeof buf, "%.15g", v);
        expectSameParse(buf);
        // The exact midpoint to the next double up, and a hair either side of it: ties go to
        // the even mantissa, anything off the tie to the nearer neighbour.
        double up = std::nextafter(v, HUGE_VAL);
        if (!std::isfinite(up) || v == 0) continue;
        long double mid = (static_cast<long double>(v) + static_cast<long double>(up)) / 2;
        std::snprintf(buf, sizeof buf, "%.1100Le", mid);
        std::string exact = buf;
        expectSameParse(exact);
        std::size_t e = exact.find('e');
        std::string mantissa = exact.substr(0, e), exponent = exact.substr(e);
        while (mantissa.back() == '0') mantissa.pop_back();
        expectSameParse(mantissa + "1" + exponent);
        std::string below = mantissa;
        std::size_t k = below.size() - 1;
        while (below[k] == '0' || below[k] == '.') --k;
        --below[k];
        expectSameParse(below + "9999" + exponent);
    }
}

TEST(NumberText, ParseBoundaryText) {
    for (const char* text :
         {"0", "-0", "+0", "000.000", "1", "-1.5", ".5", "5.", "1e", "1e+", "1e-", "2E3", "1e-324", "2e-324",
          "2.4703282292062327e-324", "2.4703282292062328e-324", "4.9406564584124654e-324",
          "2.2250738585072011e-308", "2.2250738585072012e-308", "1.7976931348623157e308",
          "1.7976931348623158e308", "1.7976931348623159e308", "1e309", "-1e400", "1e-400", "1e99999999",
          "0.0000000000000000000000000000000000000000000000001", "9007199254740993", "9007199254740995",
          "123456789012345678901234567890", "1.5x", "12.5.5"})
        expectSameParse(text);
    // Longer than the digits kept: the rest still decides the rounding.
    std::string many = "9007199254740993" + std::string(900, '0');
    expectSameParse(many);
    expectSameParse(many + "1");
    expectSameParse("0." + std::string(5000, '0') + "1e5000");
}

TEST(NumberText, NumberToStringAtTheEnds) {
    struct Case {
        double v;
        const char* text;
    } cases[] = {
        {999999999999999.5, "1e+15"},  // rounding carries into a new digit
        {-2.5e-7, "-2.5e-7"},
        {5e-324, "4.94065645841247e-324"},
        {1.7976931348623157e308, "1.79769313486232e+308"},
        {-0.0, "0"},
    };
    for (const Case& c : cases) EXPECT_EQ(avm1::numberToString(c.v), c.text) << c.v;
}

}  // namespace
