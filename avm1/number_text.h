#pragma once
// Exact conversions between doubles and decimal text. The C library's printf and strtod would
// do the same, but they bring a large formatting engine into the size-limited player programs;
// these need only a small big-integer helper.

#include <string_view>

namespace avm1 {

// The first `count` (1..20) significant decimal digits of `v` (finite and > 0), correctly
// rounded with ties to even, written to `digits` as characters; returns the decimal exponent
// of the first digit: v ~ d0.d1d2... x 10^exp.
int decimalDigits(double v, int count, char* digits);

// The double nearest to `text` (ties to even): an optional sign, decimal digits with an
// optional point, an optional exponent ("e5", "E-7"). Text that does not have this form reads
// as far as it does (nothing read: 0).
double parseDecimal(std::string_view text);

}  // namespace avm1
