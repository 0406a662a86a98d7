// Frame time with filters at 1920x1080 on one core: ten objects (blobs about 200 px across)
// each with a blur and a drop shadow from PlaceObject3, drawn through the player's frame
// renderer over a cleared stage. Variants: quality 1 (the filters' default), 2 and 3, and the
// same scene without filters for comparison.
//
// Then the filters and the layer composite alone, on layers the size of those in a busy real
// frame: a large four-channel blur, bevels with very wide blurs, a blur plus bevel on a tall
// layer, and a normal-mode composite of a large layer onto a 1080p target.
#include <benchmark/benchmark.h>

#include <cmath>

#include "../tests/player/shape_builder.h"
#include "render/blend_modes.h"
#include "render/filters.h"

namespace {

swf::DefineShape blob(std::uint16_t id, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    swf::DefineShape s = shapes::shapeWith(id, {shapes::solid(r, g, b)});
    shapes::Pen pen(s.shape.records);
    const int n = 8;
    pen.style(100, 0, 0, 1);
    for (int k = 1; k <= n; ++k) {
        const double a = 6.2831853 * k / n, am = a - 3.14159265 / n;
        pen.curve(130 * std::cos(am), 130 * std::sin(am), 100 * std::cos(a), 100 * std::sin(a));
    }
    return s;
}

swf::Filter filter(swf::Filter::Kind kind, double blur, unsigned passes, double distance) {
    swf::Filter f;
    f.kind = kind;
    f.blurX = f.blurY = blur;
    f.passes = passes;
    f.distance = distance;
    f.angle = 0.785398;
    f.strength = 1;
    f.color = {0, 0, 0, 160};
    return f;
}

swf::MovieWriter scene(bool filters, unsigned quality) {
    swf::MovieWriter w(8, 1920, 1080);
    w.add(swf::SetBackgroundColor{{240, 240, 240, 255}});
    for (std::uint16_t i = 0; i < 10; ++i) {
        w.add(blob(static_cast<std::uint16_t>(1 + i), static_cast<std::uint8_t>(25 * i), 120,
                   static_cast<std::uint8_t>(250 - 25 * i)));
        swf::PlaceObject p = shapes::placeAt(static_cast<std::uint16_t>(1 + i), static_cast<std::uint16_t>(1 + i),
                                             200 + 360 * (i % 5), 250 + 500 * (i / 5));
        p.version = 3;
        if (filters)
            p.filters = std::vector<swf::Filter>{filter(swf::Filter::Kind::Blur, 6, quality, 0),
                                                 filter(swf::Filter::Kind::DropShadow, 12, quality, 10)};
        w.add(p);
    }
    w.showFrame();
    return w;
}

void run(benchmark::State& state, bool filters, unsigned quality) {
    auto p = player::Player::loadBytes(scene(filters, quality).finish());
    if (!p.ok()) {
        state.SkipWithError("movie did not load");
        return;
    }
    (*p)->advance();
    player::FrameRenderer r((*p)->library());
    render::Pixmap target(1920, 1080);
    for (auto _ : state) {
        r.render((*p)->drawList(), (*p)->movie().header.frameSize, (*p)->backgroundColor(), target);
        benchmark::DoNotOptimize(target.pixels().data());
    }
    state.counters["layers"] = r.report().layers;
}

void BM_TenBlurredShadowedObjects1080pQuality1(benchmark::State& state) { run(state, true, 1); }
void BM_TenBlurredShadowedObjects1080p(benchmark::State& state) { run(state, true, 2); }
void BM_TenBlurredShadowedObjects1080pQuality3(benchmark::State& state) { run(state, true, 3); }
void BM_TenPlainObjects1080p(benchmark::State& state) { run(state, false, 1); }

BENCHMARK(BM_TenBlurredShadowedObjects1080pQuality1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenBlurredShadowedObjects1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenBlurredShadowedObjects1080pQuality3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenPlainObjects1080p)->Unit(benchmark::kMillisecond);

// A layer holding an anti-aliased ellipse that fills most of it: opaque inside, a soft edge a few
// pixels wide, a translucent band across the middle, transparent corners.
render::Pixmap ellipseLayer(int w, int h) {
    render::Pixmap p(w, h);
    const double cx = w / 2.0, cy = h / 2.0, rx = w * 0.42, ry = h * 0.42;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            const double edge = (1.0 - std::sqrt(dx * dx + dy * dy)) * std::min(rx, ry) / 3.0;
            if (edge <= 0) continue;
            const double a = std::min(edge, 1.0) * (std::abs(y - cy) < h * 0.05 ? 0.5 : 1.0);
            p.set(x, y, render::premultiply(render::Color{static_cast<std::uint8_t>(x * 255 / w), 90,
                                                          static_cast<std::uint8_t>(y * 255 / h),
                                                          static_cast<std::uint8_t>(a * 255)}));
        }
    return p;
}

render::Filter blurFilter(float bx, float by, int passes) {
    render::Filter f;
    f.kind = render::FilterKind::Blur;
    f.blurX = bx;
    f.blurY = by;
    f.passes = passes;
    return f;
}

render::Filter bevelFilter(float blur, int passes, bool inner = false) {
    render::Filter f;
    f.inner = inner;
    f.kind = render::FilterKind::Bevel;
    f.blurX = f.blurY = blur;
    f.passes = passes;
    f.distance = 4;
    f.angle = 0.785398f;
    f.strength = 1;
    f.color = {0, 0, 0, 255};
    f.highlight = {255, 255, 255, 255};
    return f;
}

// Filters applied in turn to a fresh copy of the layer each iteration (the copy is timed too;
// BM_CopyLayer gives its cost).
void runFilters(benchmark::State& state, int w, int h, std::vector<render::Filter> filters) {
    const render::Pixmap source = ellipseLayer(w, h);
    render::Pixmap layer;
    render::FilterScratch scratch;
    for (auto _ : state) {
        layer = source;
        for (const render::Filter& f : filters) render::applyFilter(layer, render::IntRect{0, 0, w, h}, f, scratch);
        benchmark::DoNotOptimize(layer.pixels().data());
    }
}

void BM_Blur4Channels1464x718(benchmark::State& state) { runFilters(state, 1464, 718, {blurFilter(22.5f, 22.5f, 1)}); }
void BM_Bevel255On1442x389(benchmark::State& state) { runFilters(state, 1442, 389, {bevelFilter(450, 1)}); }
void BM_InnerBevel255On1442x389(benchmark::State& state) { runFilters(state, 1442, 389, {bevelFilter(450, 1, true)}); }
void BM_Bevel112On372x543(benchmark::State& state) { runFilters(state, 372, 543, {bevelFilter(112, 1)}); }
void BM_BlurAndBevel90On350x621(benchmark::State& state) {
    runFilters(state, 350, 621, {blurFilter(90, 22, 1), bevelFilter(90, 1)});
}
void BM_CopyLayer1464x718(benchmark::State& state) { runFilters(state, 1464, 718, {}); }

void BM_CompositeLayer1464x718(benchmark::State& state) {
    const render::Pixmap layer = ellipseLayer(1464, 718);
    render::Pixmap target(1920, 1080);
    target.fill(render::Color{240, 240, 240, 255});
    const render::ColorTransform identity;
    for (auto _ : state) {
        render::compositeLayer(target, layer, render::IntRect{0, 0, 1464, 718}, 200, 150,
                               render::BlendMode::Normal, identity, nullptr);
        benchmark::DoNotOptimize(target.pixels().data());
    }
}

void BM_CompositeFadedLayer1464x718(benchmark::State& state) {
    const render::Pixmap layer = ellipseLayer(1464, 718);
    render::Pixmap target(1920, 1080);
    target.fill(render::Color{240, 240, 240, 255});
    render::ColorTransform fade;
    fade.mulA = 0.5f;
    for (auto _ : state) {
        render::compositeLayer(target, layer, render::IntRect{0, 0, 1464, 718}, 200, 150,
                               render::BlendMode::Normal, fade, nullptr);
        benchmark::DoNotOptimize(target.pixels().data());
    }
}

BENCHMARK(BM_Blur4Channels1464x718)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bevel255On1442x389)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InnerBevel255On1442x389)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bevel112On372x543)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlurAndBevel90On350x621)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyLayer1464x718)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeLayer1464x718)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompositeFadedLayer1464x718)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
