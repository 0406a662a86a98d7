// Frame time of the player's drawing at 1920x1080 on one core: the busiest frame of the corpus
// (the movie and frame, among the first 120 frames of every corpus movie, that pass the most
// fills and strokes to the renderer) drawn afresh, the same movie playing (layers that did not
// change are reused from frame to frame), and the demo movie. Both quality levels.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "cli/demo/demo_movie.h"
#include "player/frame_renderer.h"
#include "player/player.h"

namespace {

void findMovies(const std::string& dir, std::vector<std::string>& out) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == "..") continue;
        const std::string p = dir + "/" + n;
        struct stat st {};
        if (stat(p.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) findMovies(p, out);
        else if (n.size() > 4 && n.compare(n.size() - 4, 4, ".swf") == 0) out.push_back(p);
    }
    closedir(d);
}

struct Busiest {
    std::string path;
    int frame = 0;
    unsigned paths = 0;
};

constexpr int kScanFrames = 120;

const Busiest& busiest() {
    static const Busiest b = [] {
        Busiest best;
        std::vector<std::string> movies;
        findMovies((std::getenv("VFS_SHARED_DIR") ? std::string(std::getenv("VFS_SHARED_DIR")) : std::string(VFS_SOURCE_DIR) + "/../shared") + "/corpus", movies);
        for (const std::string& m : movies) {
            auto loaded = player::Player::loadFile(m);
            if (!loaded) continue;
            player::Player& p = **loaded;
            player::FrameRenderer r(p.library());
            r.setReuseLayers(false);  // count every path of the frame
            for (int f = 1; f <= kScanFrames; ++f) {
                p.advance();
                player::renderPlayerFrame(p, r, 64, 36);
                if (r.report().pathsDrawn > best.paths) best = Busiest{m, f, r.report().pathsDrawn};
            }
        }
        if (!best.path.empty())
            std::fprintf(stderr, "busiest corpus frame: %s frame %d (%u fills and strokes)\n",
                         best.path.c_str(), best.frame, best.paths);
        return best;
    }();
    return b;
}

// The same frame over and over, every layer drawn afresh each time.
void drawFrames(benchmark::State& state, player::Player& p, player::Quality q) {
    player::FrameRenderer r(p.library());
    r.setQuality(q);
    r.setReuseLayers(false);
    render::Pixmap target(1920, 1080);
    const player::DrawList list = p.drawList();
    for (auto _ : state) {
        r.render(list, p.movie().header.frameSize, p.backgroundColor(), target);
        benchmark::DoNotOptimize(target.pixels().data());
    }
    state.counters["paths"] = r.report().pathsDrawn;
}

void BM_BusiestCorpusFrame(benchmark::State& state) {
    const Busiest& b = busiest();
    if (b.path.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    auto loaded = player::Player::loadFile(b.path);
    if (!loaded) {
        state.SkipWithError("movie did not load");
        return;
    }
    for (int f = 0; f < b.frame; ++f) (*loaded)->advance();
    drawFrames(state, **loaded, state.range(0) ? player::Quality::High : player::Quality::Low);
}
BENCHMARK(BM_BusiestCorpusFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The busiest movie playing: each iteration advances the movie one frame (not timed) and draws
// it with one renderer, as a screensaver does, so layers that did not change are reused. The
// movie starts over after kPlayFrames frames. Reports the mean and the slowest frame.
constexpr int kPlayFrames = 60;

void BM_BusiestCorpusMoviePlaying(benchmark::State& state) {
    const Busiest& b = busiest();
    if (b.path.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    std::unique_ptr<player::Player> p;
    std::unique_ptr<player::FrameRenderer> r;
    render::Pixmap target(1920, 1080);
    int frame = kPlayFrames;
    double slowest = 0;
    for (auto _ : state) {
        if (frame == kPlayFrames) {
            auto loaded = player::Player::loadFile(b.path);
            if (!loaded) {
                state.SkipWithError("movie did not load");
                return;
            }
            p = std::move(*loaded);
            r = std::make_unique<player::FrameRenderer>(p->library());
            r->setQuality(state.range(0) ? player::Quality::High : player::Quality::Low);
            frame = 0;
        }
        p->advance();
        ++frame;
        const auto start = std::chrono::steady_clock::now();
        r->render(p->drawList(), p->movie().header.frameSize, p->backgroundColor(), target);
        benchmark::DoNotOptimize(target.pixels().data());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        slowest = std::max(slowest, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["slowest_ms"] = slowest * 1000.0;
}
BENCHMARK(BM_BusiestCorpusMoviePlaying)->Arg(1)->Arg(0)->UseManualTime()->Iterations(3 * kPlayFrames)->Unit(benchmark::kMillisecond);

void BM_DemoMovieFrame(benchmark::State& state) {
    auto loaded = player::Player::loadBytes(demo::buildDemoMovie());
    if (!loaded) {
        state.SkipWithError("demo did not load");
        return;
    }
    for (int f = 0; f < 24; ++f) (*loaded)->advance();
    drawFrames(state, **loaded, state.range(0) ? player::Quality::High : player::Quality::Low);
}
BENCHMARK(BM_DemoMovieFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
