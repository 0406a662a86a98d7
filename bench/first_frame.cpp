// Start-up of playback on the engine path the screensaver runtime takes: a 10 MB movie loaded
// (parse, dictionary, timeline, frame 1) and its first frame drawn at 1920x1080, from bytes in
// memory and from a file; then the cost of one further frame while playing, and of a timer
// check on a stopped movie (which the player view does not even make).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "core/file_io.h"
#include "platform/playback.h"
#include "tests/platform/view_movies.h"

namespace {

const std::vector<std::uint8_t>& movie() {
    static const std::vector<std::uint8_t> bytes = view_movies::bigMovie();
    return bytes;
}

void BM_FirstFrame10MB(benchmark::State& state) {
    const auto& bytes = movie();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    for (auto _ : state) {
        platform::Playback pb;
        if (!pb.load(bytes, 0).ok()) {
            state.SkipWithError("movie did not load");
            return;
        }
        render::Pixmap target(w, h);
        benchmark::DoNotOptimize(pb.render(target, {}));
    }
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / 1e6;
}
BENCHMARK(BM_FirstFrame10MB)->Args({1920, 1080})->Args({1024, 751})->Unit(benchmark::kMillisecond);

void BM_FirstFrame10MBFromFile(benchmark::State& state) {
    const std::string path = "/tmp/vfs_bench_first_frame.swf";
    if (!core::writeFile(path, movie()).ok()) {
        state.SkipWithError("cannot write the movie");
        return;
    }
    for (auto _ : state) {
        auto bytes = core::readFile(path);
        platform::Playback pb;
        if (!bytes || !pb.load(*bytes, 0).ok()) {
            state.SkipWithError("movie did not load");
            break;
        }
        render::Pixmap target(1920, 1080);
        benchmark::DoNotOptimize(pb.render(target, {}));
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_FirstFrame10MBFromFile)->Unit(benchmark::kMillisecond);

// One period of a playing movie: the frame due, then the picture drawn (it changes each frame).
void BM_PlayingFrame1080(benchmark::State& state) {
    platform::Playback pb;
    if (!pb.load(movie(), 0).ok()) {
        state.SkipWithError("movie did not load");
        return;
    }
    render::Pixmap target(1920, 1080);
    pb.render(target, {});
    const std::int64_t period = 1000000 / 30 + 1;
    std::int64_t now = 0;
    std::uint64_t drawn = 0;
    for (auto _ : state) {
        now += period;
        pb.tick(now);
        drawn += pb.render(target, {}) ? 1 : 0;
        if (pb.currentFrame() >= 990) {
            state.PauseTiming();
            pb.rewind(now);
            pb.play(now);
            state.ResumeTiming();
        }
    }
    state.counters["drawn_share"] = static_cast<double>(drawn) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PlayingFrame1080)->Unit(benchmark::kMillisecond);

// What a stopped movie would cost per timer tick if the view kept one: the frame check and the
// draw-list comparison (the view drops its timer instead, so this is never paid).
void BM_StoppedMovieCheck(benchmark::State& state) {
    platform::Playback pb;
    if (!pb.load(movie(), 0).ok()) {
        state.SkipWithError("movie did not load");
        return;
    }
    pb.stop(0);
    render::Pixmap target(1920, 1080);
    pb.render(target, {});
    std::int64_t now = 0;
    for (auto _ : state) {
        now += 33334;
        pb.tick(now);
        benchmark::DoNotOptimize(pb.render(target, {}));
        benchmark::DoNotOptimize(pb.nextWake(now));
    }
}
BENCHMARK(BM_StoppedMovieCheck)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
