// Exact pixels of the blur, the shadow/glow/bevel filters and layer compositing, checked against
// plain one-pixel-at-a-time references over many sizes, widths and modes. The fast paths
// (vector code, skipped runs, border and interior loops) must give these bytes exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/blend_modes.h"
#include "render/filters.h"

namespace render {
namespace {

using U = std::uint32_t;

struct Rng {
    U state;
    U next() { return (state = state * 1103515245u + 12345u) >> 8; }
    U below(U n) { return next() % n; }
};

// How a blur width becomes whole taps r and end weight fw / 256.
struct RefBox {
    int r = 0;
    U fw = 0;
};

RefBox refBox(float blur) {
    if (!(blur > 1.0f)) return {};
    const float half = (std::min(blur, 255.0f) - 1.0f) / 2.0f;
    RefBox b{static_cast<int>(half), static_cast<U>(std::lround((half - std::floor(half)) * 256.0f))};
    if (b.fw >= 256) b = RefBox{b.r + 1, 0};
    return b;
}

// The weighted box sum over `width` (in 1/256 units when there are end taps), divided as
// (sum + width / 2) * ceil(2^23 / width) >> 23, which can exceed 255 by one on full boxes.
std::uint8_t refDivide(U sum, U width) {
    const U inv = ((U{1} << 23) + width - 1) / width;
    return static_cast<std::uint8_t>(std::min<U>(((sum + width / 2) * inv) >> 23, 255));
}

// One box pass along a line of n bytes `step` apart, zeros beyond both ends.
void refPass(std::uint8_t* line, int n, int step, RefBox b) {
    std::vector<U> in(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) in[i] = line[static_cast<std::ptrdiff_t>(i) * step];
    auto at = [&](int i) { return i >= 0 && i < n ? in[i] : 0u; };
    const U width = b.fw ? 256 * (2 * U(b.r) + 1) + 2 * b.fw : 2 * U(b.r) + 1;
    for (int i = 0; i < n; ++i) {
        U whole = 0;
        for (int k = -b.r; k <= b.r; ++k) whole += at(i + k);
        const U sum = b.fw ? whole * 256 + b.fw * (at(i - b.r - 1) + at(i + b.r + 1)) : whole;
        line[static_cast<std::ptrdiff_t>(i) * step] = refDivide(sum, width);
    }
}

// All horizontal passes first, then the vertical ones, channel by channel.
void refBlur(std::uint8_t* data, int stride, int w, int h, int channels, float bx, float by, int passes) {
    const RefBox x = refBox(bx), y = refBox(by);
    const bool doX = x.r > 0 || x.fw > 0, doY = y.r > 0 || y.fw > 0;
    for (int pass = 0; pass < passes && doX; ++pass)
        for (int row = 0; row < h; ++row)
            for (int c = 0; c < channels; ++c) refPass(data + static_cast<std::ptrdiff_t>(row) * stride + c, w, channels, x);
    for (int pass = 0; pass < passes && doY; ++pass)
        for (int col = 0; col < w; ++col)
            for (int c = 0; c < channels; ++c) refPass(data + col * channels + c, h, stride, y);
}

// Bytes with runs of zeros and of 255 between random ones, the way layers look.
std::vector<std::uint8_t> layerBytes(std::size_t n, Rng& rng) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n;) {
        const std::size_t run = std::min<std::size_t>(n - i, 1 + rng.below(40));
        const U kind = rng.below(3);
        for (std::size_t k = 0; k < run; ++k, ++i)
            v[i] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(rng.below(256));
    }
    return v;
}

TEST(FilterPixels, BoxBlurMatchesReferenceExactly) {
    const float widths[] = {0, 1, 1.5f, 2, 2.3f, 3, 4, 6.5f, 7.99f, 22.5f, 23, 41, 90, 112, 200.25f, 254.5f, 255, 450};
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {5, 1}, {17, 16}, {33, 9}, {3, 70}, {70, 35}, {150, 41}};
    Rng rng{7};
    FilterScratch scratch;
    for (int channels : {1, 4})
        for (const auto& [w, h] : sizes)
            for (float bx : widths) {
                const float by = widths[rng.below(std::size(widths))];
                const int passes = 1 + static_cast<int>(rng.below(3));
                SCOPED_TRACE(testing::Message() << channels << " channels " << w << "x" << h << " blur " << bx << "x"
                                                << by << " passes " << passes);
                // Rows padded past the area: the padding must stay as it is.
                const int stride = w * channels + 5;
                std::vector<std::uint8_t> data = layerBytes(static_cast<std::size_t>(stride) * h, rng);
                if (rng.below(2) == 0) {
                    // Mostly empty, as layers are around their content: only a block in the middle.
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < stride; ++x)
                            if (y < h / 3 || y > h / 2 || x < stride / 3 || x > stride / 2) data[static_cast<std::size_t>(y) * stride + x] = 0;
                }
                std::vector<std::uint8_t> want = data;
                boxBlur(data.data(), stride, w, h, channels, bx, by, passes, scratch);
                refBlur(want.data(), stride, w, h, channels, bx, by, passes);
                ASSERT_EQ(data, want);
            }
}

// Inside a solid area wider than the box, every box is full and the blur keeps 255, for every
// width in quarter pixels (some widths used to round a full box up to 256, which wrapped to 0).
TEST(FilterPixels, SolidAreasStaySolidUnderEveryBlurWidth) {
    FilterScratch scratch;
    for (int quarter = 4; quarter <= 4 * 256; ++quarter) {
        const float width = quarter / 4.0f;
        const int n = 2 * static_cast<int>(width) + 24;
        for (int channels : {1, 4}) {
            // An n x 20 picture blurred across and a 20 x n one blurred down (20 columns or rows
            // are enough for the sixteen-byte steps).
            std::vector<std::uint8_t> wide(static_cast<std::size_t>(n) * 20 * channels, 255);
            boxBlur(wide.data(), n * channels, n, 20, channels, width, 0, 1, scratch);
            std::vector<std::uint8_t> tall = std::vector<std::uint8_t>(wide.size(), 255);
            boxBlur(tall.data(), 20 * channels, 20, n, channels, 0, width, 1, scratch);
            for (int k = 0; k < 20 * channels; ++k) {
                ASSERT_EQ(wide[static_cast<std::size_t>(k / channels * n + n / 2) * channels + k % channels], 255)
                    << "blur " << width << " across, row " << k / channels;
                ASSERT_EQ(tall[static_cast<std::size_t>(n / 2) * 20 * channels + k], 255) << "blur " << width << " down";
            }
        }
    }
}

// A random premultiplied layer: transparent runs, opaque runs and translucent pixels.
Pixmap randomLayer(int w, int h, Rng& rng) {
    Pixmap p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            const int run = std::min(w - x, 1 + static_cast<int>(rng.below(24)));
            const U kind = rng.below(3);
            for (int k = 0; k < run; ++k, ++x) {
                const U a = kind == 0 ? 0 : kind == 1 ? 255 : rng.below(256);
                p.set(x, y, premultiply(Color{static_cast<std::uint8_t>(rng.below(256)), static_cast<std::uint8_t>(rng.below(256)),
                                              static_cast<std::uint8_t>(rng.below(256)), static_cast<std::uint8_t>(a)}));
            }
        }
    return p;
}

Pixel refAdd(Pixel x, Pixel y) {
    Pixel out = 0;
    for (int c = 0; c < 4; ++c) out |= std::min<U>(255, ((x >> (8 * c)) & 0xFF) + ((y >> (8 * c)) & 0xFF)) << (8 * c);
    return out;
}

Pixel refOver(Pixel top, Pixel below) { return refAdd(top, scalePixel(below, 255 - pixelA(top))); }

U refStrengthen(U v, float strength) {
    // Rounded to float as the renderer (built with SSE maths) does, also where this test is built
    // for the x87 unit.
    const volatile float s = static_cast<float>(v) * strength;
    return s >= 255.0f ? 255 : (s > 0.0f ? static_cast<U>(s + 0.5f) : 0);
}

// Drop shadows, glows and bevels (one colour each) one pixel at a time, on the alpha plane
// blurred by the reference blur.
void refShadow(Pixmap& layer, const IntRect& box, const Filter& f) {
    const int w = box.width(), h = box.height();
    const bool bevel = f.kind == FilterKind::Bevel;
    const bool inner = bevel ? f.inner && !f.onTop : f.inner;
    const bool full = bevel && f.onTop;
    int ox = 0, oy = 0;
    if (f.kind != FilterKind::Glow) {
        ox = static_cast<int>(std::lround(std::cos(f.angle) * f.distance));
        oy = static_cast<int>(std::lround(std::sin(f.angle) * f.distance));
    }
    const int dx = bevel ? 0 : ox, dy = bevel ? 0 : oy;
    const std::uint8_t outside = inner && !bevel ? 255 : 0;
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(w) * h, outside);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = x - dx, sy = y - dy;
            if (sx >= 0 && sy >= 0 && sx < w && sy < h)
                plane[static_cast<std::size_t>(y) * w + x] = pixelA(layer.at(box.x0 + sx, box.y0 + sy)) ^ outside;
        }
    refBlur(plane.data(), w, w, h, 1, f.blurX, f.blurY, std::clamp(f.passes, 1, 3));
    auto at = [&](int x, int y) -> int {
        return x >= 0 && y >= 0 && x < w && y < h ? plane[static_cast<std::size_t>(y) * w + x] : 0;
    };
    const Pixel shadow = premultiply(f.color), light = premultiply(f.highlight);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Pixel src = layer.at(box.x0 + x, box.y0 + y);
            const U sa = pixelA(src);
            Pixel effect;
            if (bevel) {
                const int lit = at(x + ox, y + oy) - at(x - ox, y - oy);
                effect = refAdd(scalePixel(light, refStrengthen(std::max(lit, 0), f.strength)),
                                scalePixel(shadow, refStrengthen(std::max(-lit, 0), f.strength)));
            } else {
                effect = scalePixel(shadow, refStrengthen(at(x, y), f.strength));
            }
            if (inner) {
                effect = scalePixel(effect, sa);
            } else if (!full && (f.knockout || bevel)) {
                effect = scalePixel(effect, 255 - sa);
            }
            Pixel out = src;
            if (f.knockout || f.hideObject) {
                out = effect;
            } else if (inner || full) {
                out = refOver(effect, src);
            } else {
                out = refOver(src, effect);
            }
            layer.set(box.x0 + x, box.y0 + y, out);
        }
}

TEST(FilterPixels, ShadowsGlowsAndBevelsMatchReferenceExactly) {
    struct Case {
        FilterKind kind;
        bool inner, knockout, hide, onTop;
    } kinds[] = {
        {FilterKind::DropShadow, false, false, false, false}, {FilterKind::DropShadow, true, false, false, false},
        {FilterKind::DropShadow, false, true, false, false},  {FilterKind::DropShadow, false, false, true, false},
        {FilterKind::Glow, false, false, false, false},       {FilterKind::Glow, true, true, false, false},
        {FilterKind::Bevel, false, false, false, false},      {FilterKind::Bevel, true, false, false, false},
        {FilterKind::Bevel, true, false, false, true},        {FilterKind::Bevel, false, true, false, false},
        {FilterKind::Bevel, true, true, false, false},        {FilterKind::Bevel, false, false, true, false},
    };
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {9, 7}, {31, 12}, {40, 33}};
    const float blurs[] = {0, 2, 5, 6.5f, 22, 300};
    const float distances[] = {0, 1, 4, 9, -3, 70};
    Rng rng{99};
    FilterScratch scratch;
    for (const Case& k : kinds)
        for (const auto& [w, h] : sizes)
            for (int trial = 0; trial < 6; ++trial) {
                Filter f;
                f.kind = k.kind;
                f.inner = k.inner;
                f.knockout = k.knockout;
                f.hideObject = k.hide;
                f.onTop = k.onTop;
                f.blurX = blurs[rng.below(std::size(blurs))];
                f.blurY = blurs[rng.below(std::size(blurs))];
                f.passes = 1 + static_cast<int>(rng.below(3));
                f.distance = distances[rng.below(std::size(distances))];
                f.angle = static_cast<float>(rng.below(628)) / 100.0f;
                f.strength = trial == 0 ? 1.0f : static_cast<float>(rng.below(400)) / 100.0f;
                f.color = Color{static_cast<std::uint8_t>(rng.below(256)), 20, 200, static_cast<std::uint8_t>(rng.below(256))};
                f.highlight = Color{255, 255, static_cast<std::uint8_t>(rng.below(256)), static_cast<std::uint8_t>(rng.below(256))};
                SCOPED_TRACE(testing::Message() << "kind " << int(k.kind) << " inner " << k.inner << " knockout " << k.knockout
                                                << " hide " << k.hide << " onTop " << k.onTop << " " << w << "x" << h << " blur "
                                                << f.blurX << "x" << f.blurY << " distance " << f.distance << " angle "
                                                << f.angle << " strength " << f.strength);
                // The filter box sits inside a larger layer, whose pixels around it must stay.
                const Pixmap source = randomLayer(w + 4, h + 3, rng);
                const IntRect box{2, 1, 2 + w, 1 + h};
                Pixmap got = source, want = source;
                applyFilter(got, box, f, scratch);
                refShadow(want, box, f);
                ASSERT_EQ(got.pixels(), want.pixels());
            }
}

U chan(Pixel p, int i) { return (p >> (8 * i)) & 0xFF; }

// Layer pixel: colour transform, blend mode, then the clip's weight, one pixel at a time.
Pixel refComposite(Pixel s, Pixel d, BlendMode mode, const ColorTransform& cx, int clip) {
    if (s == 0 && cx.isMultiplyOnly()) return d;
    const Pixel p = cx.isIdentity() ? s : transformLayerPixel(s, cx);
    if (p == 0) return d;
    Pixel out = blendPixel(mode, p, d);
    if (clip < 0 || clip == 255) return out;
    Pixel mixed = 0;
    for (int i = 0; i < 4; ++i) {
        const U a = chan(d, i), b = chan(out, i);
        mixed |= (b >= a ? a + mulDiv255(b - a, U(clip)) : a - mulDiv255(a - b, U(clip))) << (8 * i);
    }
    return mixed;
}

TEST(FilterPixels, CompositeLayerMatchesReferenceExactly) {
    ColorTransform fade;
    fade.mulA = 0.5f;
    ColorTransform tint;
    tint.mulR = 0.25f;
    tint.mulG = 0.75f;
    tint.mulB = 1.0f;
    tint.mulA = 0.8f;
    ColorTransform bright;  // multiply-only but above one: the general path
    bright.mulR = 1.5f;
    ColorTransform shifted;
    shifted.addG = 40;
    shifted.mulA = 0.6f;
    const ColorTransform transforms[] = {ColorTransform{}, fade, tint, bright, shifted};
    const BlendMode modes[] = {BlendMode::Normal, BlendMode::Layer, BlendMode::Multiply, BlendMode::Add, BlendMode::Erase};
    Rng rng{2024};
    for (const ColorTransform& cx : transforms)
        for (BlendMode mode : modes)
            for (bool clipped : {false, true}) {
                const int w = 37 + static_cast<int>(rng.below(20)), h = 5 + static_cast<int>(rng.below(5));
                const Pixmap layer = randomLayer(w, h, rng);
                const Pixmap below = randomLayer(w + 10, h + 10, rng);
                Mask clip(w + 10, h + 10);
                for (int y = 0; y < clip.height(); ++y)
                    for (int x = 0; x < clip.width(); ++x) clip.row(y)[x] = static_cast<std::uint8_t>(rng.below(3) == 0 ? rng.below(256) : 255);
                // Part of the layer, shifted so that some of it falls off the target's left and top.
                const IntRect box{1, 0, w - 2, h};
                const int dx = static_cast<int>(rng.below(14)) - 4, dy = static_cast<int>(rng.below(14)) - 2;
                SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " clip " << clipped << " mulA " << cx.mulA << " dx " << dx
                                                << " dy " << dy);
                Pixmap got = below, want = below;
                compositeLayer(got, layer, box, dx, dy, mode, cx, clipped ? &clip : nullptr);
                for (int y = box.y0; y < box.y1; ++y)
                    for (int x = box.x0; x < box.x1; ++x) {
                        const int tx = x + dx, ty = y + dy;
                        if (tx < 0 || ty < 0 || tx >= want.width() || ty >= want.height()) continue;
                        want.set(tx, ty, refComposite(layer.at(x, y), want.at(tx, ty), mode, cx, clipped ? clip.at(tx, ty) : -1));
                    }
                ASSERT_EQ(got.pixels(), want.pixels());
            }
}

}  // namespace
}  // namespace render
