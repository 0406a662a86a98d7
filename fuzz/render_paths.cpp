// Fuzz target: random paths (any coordinates, including huge and non-finite ones), matrices,
// paints, strokes, fill rules, clip masks and groups, rendered into a small pixmap. Checks that
// every pixel stays a valid premultiplied colour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "render/renderer.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    float coord() {
        std::uint8_t kind = byte();
        if (kind < 8) {
            // Raw float bits: NaN, infinities, huge and tiny values.
            std::uint32_t bits = 0;
            for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        return static_cast<float>(static_cast<std::int16_t>((byte() << 8) | byte())) / 256.0f;
    }
    render::Color color() { return render::Color{byte(), byte(), byte(), byte()}; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

render::Path readPath(Input& in) {
    render::Path p;
    int verbs = in.byte() % 48;
    for (int i = 0; i < verbs; ++i) {
        switch (in.byte() % 4) {
        case 0: p.moveTo(in.coord(), in.coord()); break;
        case 1: p.lineTo(in.coord(), in.coord()); break;
        case 2: {
            float cx = in.coord(), cy = in.coord();
            p.quadTo(cx, cy, in.coord(), in.coord());
            break;
        }
        default: p.close(); break;
        }
    }
    return p;
}

render::Matrix readMatrix(Input& in) {
    if (in.byte() % 2 == 0) {
        return render::Matrix{};
    }
    return render::Matrix{in.coord(), in.coord(), in.coord(), in.coord(), in.coord() * 8, in.coord() * 8};
}

render::Paint readPaint(Input& in, const render::Pixmap& image) {
    switch (in.byte() % 3) {
    case 0: return render::SolidPaint{in.color()};
    case 1: {
        render::GradientPaint g;
        g.kind = in.byte() % 2 ? render::GradientKind::Radial : render::GradientKind::Linear;
        int stops = in.byte() % 17;
        for (int i = 0; i < stops; ++i) g.stops.push_back({in.byte() / 255.0f, in.color()});
        g.spread = static_cast<render::Spread>(in.byte() % 3);
        g.interpolation = in.byte() % 2 ? render::Interpolation::LinearRgb : render::Interpolation::Rgb;
        g.focal = in.coord();
        g.matrix = readMatrix(in);
        return g;
    }
    default: {
        render::BitmapPaint b;
        b.image = &image;
        b.matrix = readMatrix(in);
        b.wrap = in.byte() % 2 ? render::BitmapWrap::Repeat : render::BitmapWrap::Clamp;
        b.filter = in.byte() % 2 ? render::BitmapFilter::Smooth : render::BitmapFilter::Nearest;
        return b;
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    render::Pixmap image(3, 2);
    for (int i = 0; i < 6; ++i) image.set(i % 3, i / 3, render::premultiply(render::Color{200, 100, 50, 128}));
    render::Pixmap target(48, 40);
    render::Renderer r(target);
    render::Mask mask(48, 40);
    render::Mask other(48, 40);
    for (int op = 0; op < 12 && !in.empty(); ++op) {
        std::uint8_t kind = in.byte();
        r.setAntiAlias(kind & 0x10 ? render::AntiAlias::Off : render::AntiAlias::On);
        render::Path path = readPath(in);
        render::Matrix m = readMatrix(in);
        render::FillRule rule = kind & 0x20 ? render::FillRule::EvenOdd : render::FillRule::NonZero;
        render::ColorTransform cx;
        if (kind & 0x40) {
            cx = render::ColorTransform{in.coord(), in.coord(), in.coord(), in.coord(),
                                        in.coord(), in.coord(), in.coord(), in.coord()};
        }
        switch (kind % 7) {
        case 0: r.fillPath(path, m, rule, readPaint(in, image), cx); break;
        case 1: {
            render::StrokeStyle s;
            s.width = in.coord();
            s.startCap = static_cast<render::LineCap>(in.byte() % 3);
            s.endCap = static_cast<render::LineCap>(in.byte() % 3);
            s.join = static_cast<render::LineJoin>(in.byte() % 3);
            s.miterLimit = in.coord();
            s.scaling = static_cast<render::StrokeScaling>(in.byte() % 4);
            s.unscaledFactor = in.coord();
            r.strokePath(path, m, s, readPaint(in, image), cx);
            break;
        }
        case 2: r.fillMask(mask, path, m, rule); break;
        case 3: r.setClip(r.clip() ? nullptr : &mask); break;
        case 4:
            if (r.inGroup()) {
                r.endGroup();
            } else if (kind & 0x80) {
                float x0 = in.coord(), y0 = in.coord();
                r.beginGroup(render::Rect{x0, y0, x0 + in.coord() * 4, y0 + in.coord() * 4});
            } else {
                r.beginGroup();
            }
            break;
        case 5: mask.intersect(other); break;
        default: r.fillMask(other, path, m, rule); break;
        }
    }
    r.endGroup();
    for (render::Pixel p : target.pixels()) {
        std::uint8_t a = render::pixelA(p);
        if (render::pixelR(p) > a || render::pixelG(p) > a || render::pixelB(p) > a) {
            std::abort();  // not a premultiplied colour
        }
    }
    return 0;
}
