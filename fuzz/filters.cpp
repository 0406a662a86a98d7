// Fuzz target: random layers (size and premultiplied content), chains of filters with any
// parameters (raw float bits included: NaN, infinities, huge values), layer boxes, and
// compositing with every blend mode, colour transform and clip. Checks that every pixel stays a
// valid premultiplied colour and that the layer box stays inside its limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "render/blend_modes.h"
#include "render/filters.h"

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    float number() {
        const std::uint8_t kind = byte();
        if (kind < 16) {
            std::uint32_t bits = 0;
            for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
        return static_cast<float>(static_cast<std::int16_t>((byte() << 8) | byte())) / 64.0f;
    }
    render::Color color() { return render::Color{byte(), byte(), byte(), byte()}; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

render::Filter readFilter(Input& in) {
    render::Filter f;
    f.kind = static_cast<render::FilterKind>(in.byte() % 8);
    f.blurX = in.number();
    f.blurY = in.number();
    f.angle = in.number();
    f.distance = in.number();
    f.strength = in.number();
    f.passes = in.byte() % 32;
    const std::uint8_t flags = in.byte();
    f.inner = flags & 1;
    f.knockout = flags & 2;
    f.hideObject = flags & 4;
    f.onTop = flags & 8;
    f.clamp = flags & 16;
    f.preserveAlpha = flags & 32;
    f.color = in.color();
    f.highlight = in.color();
    for (int n = in.byte() % 17; n > 0; --n) f.stops.push_back(render::FilterStop{in.byte(), in.color()});
    f.cols = in.byte() % 20;
    f.rows = in.byte() % 20;
    const int values = f.kind == render::FilterKind::ColorMatrix ? 20 : f.cols * f.rows;
    for (int i = 0; i < values && !in.empty(); ++i) f.matrix.push_back(in.number());
    f.divisor = in.number();
    f.bias = in.number();
    f.defaultColor = in.color();
    return f;
}

void checkPremultiplied(const render::Pixmap& p) {
    for (render::Pixel px : p.pixels()) {
        const std::uint8_t a = render::pixelA(px);
        if (render::pixelR(px) > a || render::pixelG(px) > a || render::pixelB(px) > a) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int w = 1 + in.byte() % 48, h = 1 + in.byte() % 48;
    render::Pixmap layer(w, h), dst(w, h);
    for (render::Pixel& px : layer.pixels()) px = render::premultiply(in.color());
    dst.fill(in.color());
    std::vector<render::Filter> filters;
    for (int n = in.byte() % 4; n > 0; --n) filters.push_back(readFilter(in));

    const render::Rect content{in.number(), in.number(), in.number(), in.number()};
    const render::IntRect limit{0, 0, w, h};
    const render::IntRect box = render::layerBox(content, filters, limit);
    if (!box.isEmpty() && (box.x0 < 0 || box.y0 < 0 || box.x1 > w || box.y1 > h)) std::abort();
    render::FilterMargin m = render::filterMargin(filters);
    if (m.left < 0 || m.top < 0 || m.right < 0 || m.bottom < 0) std::abort();

    render::FilterScratch scratch;
    const render::IntRect area = box.isEmpty() ? limit : box;
    for (const render::Filter& f : filters) {
        render::applyFilter(layer, area, f, scratch);
        checkPremultiplied(layer);
    }
    render::ColorTransform cx;
    cx.mulR = in.number();
    cx.mulA = in.number();
    cx.addG = in.number();
    if (in.byte() & 1) cx = render::ColorTransform{};
    render::Mask clip(w, h);
    clip.clear(in.byte());
    const auto mode = static_cast<render::BlendMode>(in.byte() % 14);
    const int dx = in.byte() % 17 - 8, dy = in.byte() % 17 - 8;
    render::compositeLayer(dst, layer, area, dx, dy, mode, cx, (in.byte() & 1) ? &clip : nullptr);
    checkPremultiplied(dst);
    return 0;
}
