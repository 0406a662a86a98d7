#pragma once
// Stage 4a: paints. A paint is one of a closed set of kinds (solid colour, linear or radial
// gradient, bitmap). Before a fill, prepare() bakes the paint, the colour transform and the
// matrix into a PaintContext whose fillSpan() writes premultiplied pixels for a run of one row:
// one switch per span, never a call per pixel.
//
// Gradient space: a linear gradient runs from t = 0 at x = 0 to t = 1 at x = 1 (y is ignored); a
// radial gradient is the unit circle around the origin, t = 0 at the focal point (f, 0) and
// t = 1 on the circle. The paint's matrix maps gradient space (or bitmap pixels) into the space
// of the path it fills.

#include <array>
#include <cstdint>
#include <variant>
#include <vector>

#include "render/color.h"
#include "render/matrix.h"
#include "render/pixmap.h"

namespace render {

enum class Spread { Pad, Reflect, Repeat };
enum class Interpolation { Rgb, LinearRgb };
enum class GradientKind { Linear, Radial };
enum class BitmapWrap { Clamp, Repeat };
enum class BitmapFilter { Nearest, Smooth };

struct GradientStop {
    float ratio = 0.0f;  // 0..1, non-decreasing along the stop list
    Color color;
};

struct SolidPaint {
    Color color;
};

struct GradientPaint {
    GradientKind kind = GradientKind::Linear;
    std::vector<GradientStop> stops;  // the usual count is 1..15; none paints nothing
    Spread spread = Spread::Pad;
    Interpolation interpolation = Interpolation::Rgb;
    float focal = 0.0f;  // radial only: focal point on the x axis, clamped into (-1, 1)
    Matrix matrix;
};

struct BitmapPaint {
    const Pixmap* image = nullptr;  // premultiplied; must outlive the draw call
    Matrix matrix;                  // image pixels -> path space
    BitmapWrap wrap = BitmapWrap::Repeat;
    BitmapFilter filter = BitmapFilter::Smooth;
};

using Paint = std::variant<SolidPaint, GradientPaint, BitmapPaint>;

inline constexpr int kGradientLutSize = 256;

// Builds the colour table of a gradient: entry i is the colour at t = i / 255 after the colour
// transform, premultiplied. Linear-RGB interpolation mixes the stops in linear light and
// converts back to sRGB.
void buildGradientLut(const GradientPaint& g, const ColorTransform& cx,
                      std::array<Pixel, kGradientLutSize>& lut);

// Maps t onto 0..1 by the spread mode (non-finite t counts as 0).
inline float applySpread(float t, Spread spread) {
    if (!(t > -1.0e6f && t < 1.0e6f)) {
        t = t > 0.0f ? 1.0e6f : (t < 0.0f ? -1.0e6f : 0.0f);  // NaN gives 0
    }
    switch (spread) {
    case Spread::Pad:
        return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    case Spread::Repeat: {
        // Truncation plus a correction is floor() without a library call.
        float f = static_cast<float>(static_cast<int>(t));
        if (f > t) f -= 1.0f;
        return t - f;
    }
    case Spread::Reflect: {
        float h = t * 0.5f;
        float f = static_cast<float>(static_cast<int>(h));
        if (f > h) f -= 1.0f;
        float m = t - 2.0f * f;
        return m > 1.0f ? 2.0f - m : m;
    }
    }
    return 0.0f;
}

class PaintContext {
public:
    // `toDevice` maps the path's space to device pixels. Returns false when the paint draws
    // nothing (no stops, no image, a singular matrix).
    bool prepare(const Paint& paint, const Matrix& toDevice, const ColorTransform& cx);

    bool isSolid() const { return m_kind == Kind::Solid; }
    Pixel solid() const { return m_solid; }

    // Writes the premultiplied paint colour of pixels x .. x+n-1 of row y (pixel centres).
    void fillSpan(int x, int y, int n, Pixel* out) const;

private:
    enum class Kind { Solid, Linear, Radial, Bitmap };

    void fillLinear(float gx, float gy, int n, Pixel* out) const;
    void fillRadial(float gx, float gy, int n, Pixel* out) const;
    void fillBitmapNearest(float u, float v, int n, Pixel* out) const;
    void fillBitmapSmooth(float u, float v, int n, Pixel* out) const;
    Pixel texel(int ix, int iy) const;

    Kind m_kind = Kind::Solid;
    Pixel m_solid = 0;
    Matrix m_inverse;  // device -> gradient or image space
    Spread m_spread = Spread::Pad;
    float m_focal = 0.0f;
    std::array<Pixel, kGradientLutSize> m_lut{};
    const Pixmap* m_image = nullptr;
    BitmapWrap m_wrap = BitmapWrap::Repeat;
    BitmapFilter m_filter = BitmapFilter::Smooth;
    ColorTransform m_cx;
    bool m_cxIdentity = true;
};

}  // namespace render
