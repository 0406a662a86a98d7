// Frame time of the vector renderer at 1920x1080 on one core: a synthetic scene of 200
// overlapping shapes (curved blobs and stars) with linear and radial gradient fills and solid
// strokes, drawn over a cleared background. The standard scene's shapes are 60-220 px across and
// cover about one screen in total; the "large" scene's are 120-440 px across (about four screens
// of overdraw). Variants: anti-aliased and aliased, and solid fills.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "render/renderer.h"

namespace {

using namespace render;

struct SceneShape {
    Path path;
    Matrix matrix;
    Paint fill;
    StrokeStyle stroke;
    Color strokeColor;
};

std::vector<SceneShape> makeScene(bool gradients, float sizeScale) {
    std::mt19937 rng(20261207);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    std::vector<SceneShape> shapes;
    for (int i = 0; i < 200; ++i) {
        SceneShape s;
        const int points = 5 + static_cast<int>(u(rng) * 6);
        const bool star = i % 3 == 0;
        // Unit-sized outline, placed and scaled by the matrix.
        for (int k = 0; k <= points; ++k) {
            float a = 6.2831853f * static_cast<float>(k) / static_cast<float>(points);
            float r = 0.7f + 0.3f * u(rng);
            float x = r * std::cos(a), y = r * std::sin(a);
            if (k == 0) {
                s.path.moveTo(x, y);
            } else if (star) {
                float am = a - 3.14159265f / static_cast<float>(points);
                s.path.lineTo(0.45f * std::cos(am), 0.45f * std::sin(am));
                s.path.lineTo(x, y);
            } else {
                float am = a - 3.14159265f / static_cast<float>(points);
                s.path.quadTo(1.25f * std::cos(am), 1.25f * std::sin(am), x, y);
            }
        }
        s.path.close();
        float size = (30.0f + 80.0f * u(rng)) * sizeScale;
        s.matrix = Matrix::translate(u(rng) * 1920.0f, u(rng) * 1080.0f) *
                   Matrix::rotate(u(rng) * 6.28f) * Matrix::scale(size, size * (0.6f + 0.4f * u(rng)));
        auto col = [&](std::uint8_t a) {
            return Color{static_cast<std::uint8_t>(u(rng) * 255), static_cast<std::uint8_t>(u(rng) * 255),
                         static_cast<std::uint8_t>(u(rng) * 255), a};
        };
        if (gradients) {
            GradientPaint g;
            g.kind = i % 2 ? GradientKind::Radial : GradientKind::Linear;
            g.stops = {{0.0f, col(255)}, {0.5f, col(200)}, {1.0f, col(255)}};
            g.focal = i % 4 == 1 ? 0.5f : 0.0f;
            g.spread = i % 5 == 0 ? Spread::Reflect : Spread::Pad;
            // Linear: t runs over x in [-1, 1] of the unit outline; radial: the unit circle.
            g.matrix = g.kind == GradientKind::Linear ? Matrix{2, 0, 0, 2, -1, 0} : Matrix{};
            s.fill = g;
        } else {
            s.fill = SolidPaint{col(i % 2 ? 255 : 180)};
        }
        s.stroke.width = (2.0f + 4.0f * u(rng)) / size;
        s.stroke.join = i % 2 ? LineJoin::Round : LineJoin::Miter;
        s.strokeColor = col(255);
        shapes.push_back(std::move(s));
    }
    return shapes;
}

// Grouped: every fill goes through the seam-free group accumulator, as the fills of multi-fill
// shapes do.
void drawScene(Renderer& r, const std::vector<SceneShape>& shapes, bool grouped) {
    r.target().fill(Color{255, 255, 255, 255});
    for (const SceneShape& s : shapes) {
        if (grouped) r.beginGroup(s.path.transformed(s.matrix).bounds());
        r.fillPath(s.path, s.matrix, FillRule::NonZero, s.fill);
        if (grouped) r.endGroup();
        r.strokePath(s.path, s.matrix, s.stroke, SolidPaint{s.strokeColor});
    }
}

void runScene(benchmark::State& state, bool gradients, AntiAlias aa, float sizeScale = 1.0f,
              bool grouped = false) {
    const auto shapes = makeScene(gradients, sizeScale);
    Pixmap pm(1920, 1080);
    Renderer r(pm);
    r.setAntiAlias(aa);
    for (auto _ : state) {
        drawScene(r, shapes, grouped);
        benchmark::DoNotOptimize(pm.pixels().data());
    }
}

void BM_GradientShapes1080p(benchmark::State& state) { runScene(state, true, AntiAlias::On); }
void BM_GradientShapes1080pAliased(benchmark::State& state) { runScene(state, true, AntiAlias::Off); }
void BM_SolidShapes1080p(benchmark::State& state) { runScene(state, false, AntiAlias::On); }
void BM_GroupedGradientShapes1080p(benchmark::State& state) {
    runScene(state, true, AntiAlias::On, 1.0f, true);
}
void BM_LargeGradientShapes1080p(benchmark::State& state) {
    runScene(state, true, AntiAlias::On, 2.0f);
}

BENCHMARK(BM_GradientShapes1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GradientShapes1080pAliased)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SolidShapes1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GroupedGradientShapes1080p)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeGradientShapes1080p)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
