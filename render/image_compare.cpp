// Per-channel outlier count, largest difference and PSNR (10 log10(255^2 / MSE)).
#include "render/image_compare.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace render {

ImageDiff compareImages(const RgbaImage& actual, const RgbaImage& expected, int tolerance) {
    ImageDiff d;
    const std::size_t n = static_cast<std::size_t>(actual.width) * actual.height * 4;
    if (actual.width != expected.width || actual.height != expected.height ||
        actual.rgba.size() < n || expected.rgba.size() < n) {
        return d;
    }
    d.sameSize = true;
    double sumSq = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        int diff = std::abs(static_cast<int>(actual.rgba[i]) - static_cast<int>(expected.rgba[i]));
        if (diff > tolerance) {
            ++d.outliers;
        }
        if (diff > d.maxDifference) {
            d.maxDifference = diff;
        }
        sumSq += static_cast<double>(diff) * diff;
    }
    if (sumSq == 0.0 || n == 0) {
        d.psnr = std::numeric_limits<double>::infinity();
    } else {
        double mse = sumSq / static_cast<double>(n);
        d.psnr = 10.0 * std::log10(255.0 * 255.0 / mse);
    }
    return d;
}

}  // namespace render
