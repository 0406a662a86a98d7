#pragma once
// Twips (1/1440 inch) and points (1/72 inch) to device pixels at a given screen resolution.
// Rounding follows the Windows MulDiv helper that window layouts are converted with: to the
// nearest pixel, with exact halves rounded away from zero.

#include <cstdint>
#include <limits>

namespace core {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kPointsPerInch = 72;
inline constexpr int kDefaultDpi = 96;

// a * b / c rounded to nearest, halves away from zero; c must be positive. The result is
// clamped to the int range instead of overflowing.
constexpr int mulDivRound(int a, int b, int c) {
    if (c <= 0) return 0;
    const std::int64_t product = std::int64_t{a} * std::int64_t{b};
    const std::int64_t half = c / 2;
    std::int64_t q = product >= 0 ? (product + half) / c : -((-product + half) / c);
    if (q > std::numeric_limits<int>::max()) q = std::numeric_limits<int>::max();
    if (q < std::numeric_limits<int>::min()) q = std::numeric_limits<int>::min();
    return static_cast<int>(q);
}

// Pixels covered by a length in twips at dpi dots per inch (15 twips per pixel at 96 dpi).
constexpr int twipsToPixels(int twips, int dpi) {
    return dpi > 0 ? mulDivRound(twips, dpi, kTwipsPerInch) : 0;
}

constexpr int pixelsToTwips(int pixels, int dpi) {
    return dpi > 0 ? mulDivRound(pixels, kTwipsPerInch, dpi) : 0;
}

// Character height in pixels of a font of size hundredthsOfPoint / 100 points (825 for
// 8.25 pt). Windows takes the negated value as a LOGFONT height.
constexpr int pointsToPixels(int hundredthsOfPoint, int dpi) {
    return dpi > 0 ? mulDivRound(hundredthsOfPoint, dpi, kPointsPerInch * 100) : 0;
}

// A rectangle in twips relative to its container, and the same in pixels.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

// Position and size convert independently, as the form loader places each control.
constexpr PixelRect twipsToPixels(const TwipsRect& r, int dpi) {
    return PixelRect{twipsToPixels(r.left, dpi), twipsToPixels(r.top, dpi),
                     twipsToPixels(r.width, dpi), twipsToPixels(r.height, dpi)};
}

}  // namespace core
