#include "saver_runtime/screen_layout.h"

namespace saver_runtime {
namespace {

int mulDivRounded(int value, int numerator, int denominator) {
    if (denominator <= 0) return 0;
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

}  // namespace

int twipsToPixels(int twips, int dpi) { return mulDivRounded(twips, dpi, 1440); }

int fontHeightForPoints(int points, int dpi) { return -mulDivRounded(points, dpi, 72); }

ScreenLayout layoutScreen(int screenWidth, int screenHeight, int dpi) {
    ScreenLayout layout;
    const int width = screenWidth > 0 ? screenWidth : 0;
    const int height = screenHeight > 0 ? screenHeight : 0;
    int labelHeight = twipsToPixels(kLabelHeightTwips, dpi);
    if (labelHeight > height) labelHeight = height;
    if (labelHeight < 0) labelHeight = 0;
    layout.label = Rect{0, 0, width, labelHeight};
    layout.movie = Rect{0, labelHeight, width, height - labelHeight};
    return layout;
}

}  // namespace saver_runtime
