// The preview's costs, measured on the portable path the player view runs:
//
// BM_PreviewFrame: one frame period of a 24 fps corpus movie in the 181 x 161 player area, the
//   way the view's timer runs it (tick, then draw only if the picture changed). The counter
//   `core_percent` is the processor time of a frame times the frame rate: the share of one core
//   the engine needs to keep up (the window's blit and the message loop come on top).
// BM_ClockDrift: a minute of frames at 24 fps driven by a real sleep, woken the way the view's
//   timer is (whole milliseconds rounded up, or the 15.625 ms tick of a default Windows timer).
//   `drift_ms` is how far the last frame of the minute lies from where the schedule puts it,
//   `frames` how many were shown; a loop that sleeps one period after each frame is the
//   comparison (`naive_drift_ms`), since that is what a timer that is simply re-armed does.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <string>
#include <thread>

#include "core/file_io.h"
#include "platform/playback.h"
#include "tests/support/corpus_files.h"

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t nowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch()).count();
}

void BM_PreviewFrame(benchmark::State& state, const char* name) {
    const std::string root = vfs_test::corpusRoot(VFS_SOURCE_DIR);
    if (root.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    const auto bytes = core::readFile(root + "/realworld/" + name + "/movie.swf");
    if (!bytes) {
        state.SkipWithError("corpus movie not found");
        return;
    }
    platform::Playback pb;
    if (!pb.load(*bytes, 0).ok()) {
        state.SkipWithError("movie did not load");
        return;
    }
    render::Pixmap area(181, 161);
    pb.render(area, {});
    const double rate = platform::effectiveFrameRate(pb.player()->frameRate());
    const std::int64_t period = static_cast<std::int64_t>(std::ceil(1e6 / rate));
    std::int64_t t = 0;
    std::uint64_t drawn = 0, frames = 0;
    const std::clock_t cpuStart = std::clock();
    for (auto _ : state) {
        t += period;
        frames += pb.tick(t);
        drawn += pb.render(area, {}) ? 1 : 0;
    }
    const double cpuPerFrame = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC /
                               static_cast<double>(state.iterations());
    state.counters["fps"] = rate;
    state.counters["drawn_share"] = frames ? static_cast<double>(drawn) / static_cast<double>(frames) : 0.0;
    state.counters["core_percent"] = cpuPerFrame * rate * 100.0;
}
BENCHMARK_CAPTURE(BM_PreviewFrame, reycrest_services, "reycrest_services")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewFrame, gnash_car_smash, "gnash_car_smash")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PreviewFrame, ows_banner, "ows_banner")->Unit(benchmark::kMicrosecond);

// Sleeps until `due` (microseconds on nowMicros()), woken at the granularity of a timer.
void sleepLikeATimer(std::int64_t wait, double granularityUs) {
    if (wait <= 0) return;
    const double ticks = std::ceil(static_cast<double>(wait) / granularityUs);
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(ticks * granularityUs)));
}

void BM_ClockDrift(benchmark::State& state) {
    const double granularity = static_cast<double>(state.range(0)) / 1000.0;  // microseconds
    const std::int64_t seconds = state.range(1);
    constexpr double kRate = 24.0;
    for (auto _ : state) {
        platform::FrameClock clock(kRate);
        const std::int64_t start = nowMicros();
        clock.start(start);
        std::uint64_t frames = 0;
        std::int64_t last = start;
        while (last - start < seconds * 1000000) {
            sleepLikeATimer(clock.untilNext(nowMicros()), granularity);
            const std::int64_t now = nowMicros();
            const unsigned n = clock.take(now);
            if (n) {
                frames += n;
                last = now;
            }
        }
        const double due = static_cast<double>(start) + static_cast<double>(frames) * 1e6 / kRate;
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["expected"] = static_cast<double>(last - start) * kRate / 1e6;
        state.counters["drift_ms"] = (static_cast<double>(last) - due) / 1000.0;
        state.counters["dropped"] = static_cast<double>(clock.dropped());

        // The comparison: sleep one period (as the timer rounds it) after each frame.
        const std::int64_t period = static_cast<std::int64_t>(std::llround(1e6 / kRate));
        const std::int64_t naiveStart = nowMicros();
        std::uint64_t naiveFrames = 0;
        std::int64_t naiveLast = naiveStart;
        while (naiveLast - naiveStart < seconds * 1000000) {
            sleepLikeATimer(period, granularity);
            naiveLast = nowMicros();
            ++naiveFrames;
        }
        const double naiveDue = static_cast<double>(naiveStart) + static_cast<double>(naiveFrames) * 1e6 / kRate;
        state.counters["naive_frames"] = static_cast<double>(naiveFrames);
        state.counters["naive_drift_ms"] = (static_cast<double>(naiveLast) - naiveDue) / 1000.0;
    }
}
// Granularity in nanoseconds (1 ms; the 15.625 ms Windows tick), then seconds.
BENCHMARK(BM_ClockDrift)->Args({1000000, 60})->Args({15625000, 60})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
