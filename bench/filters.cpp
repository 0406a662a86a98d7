// Frame time with filters at 1920x1080 on one core: ten objects (blobs about 200 px across)
// each with a blur and a drop shadow from PlaceObject3, drawn through the player's frame
// renderer over a cleared stage. Variants: quality 1 (the filters' default), 2 and 3, and the
// same scene without filters for comparison.
#include <benchmark/benchmark.h>

#include <cmath>

#include "../tests/player/shape_builder.h"

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

}  // namespace

BENCHMARK_MAIN();
