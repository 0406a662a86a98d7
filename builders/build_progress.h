#pragma once
// The progress bar value after row i of a build: i × (100 / n) with the division done in double
// precision first, rounded to the nearest integer with halves going to the even neighbour.

#include <cstddef>

namespace builders {

// For 0 <= v < 2^31; the fraction is compared with one half exactly.
constexpr int roundHalfToEven(double v) {
    long long r = static_cast<long long>(v);  // floor for non-negative v
    const double fraction = v - static_cast<double>(r);
    if (fraction > 0.5 || (fraction == 0.5 && r % 2 != 0)) ++r;
    return static_cast<int>(r);
}

// rowCount is the row count read after row i; a list emptied under the build counts as done.
constexpr int buildProgress(std::size_t row, std::size_t rowCount) {
    if (rowCount == 0) return 100;
    const double value = static_cast<double>(row) * (100.0 / static_cast<double>(rowCount));
    const int rounded = roundHalfToEven(value);
    return rounded < 0 ? 0 : (rounded > 100 ? 100 : rounded);
}

}  // namespace builders
