// Parse time and peak heap memory of movie parsing: the largest movie of the shared corpus and
// a synthetic 10 MB movie (shapes with many edges, sprites, bitmaps and frames).
//
// Peak memory is measured by counting heap bytes in use (global operator new/delete) and
// reported as the rise above what was in use when the parse started.
//
// Each iteration frees the parsed movie and glibc hands the pages back to the system, so the
// next parse pays for fresh pages as a first load in a new process does. To see the parser
// alone, keep the heap: GLIBC_TUNABLES=glibc.malloc.trim_threshold=2000000000.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <malloc.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "player/player.h"
#include "swf/movie.h"
#include "swf/test_writer.h"
#include "tests/support/corpus_files.h"

namespace {

std::atomic<std::size_t> g_inUse{0};
std::atomic<std::size_t> g_peak{0};

void noteAlloc(void* p) {
    if (!p) return;
    std::size_t now = g_inUse.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    std::size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}

void noteFree(void* p) {
    if (p) g_inUse.fetch_sub(malloc_usable_size(p));
}

}  // namespace

// The replacement operators below pair malloc with free on purpose; GCC cannot see that.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    noteAlloc(p);
    return p;
}
void operator delete(void* p) noexcept {
    noteFree(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    noteFree(p);
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

std::string largestCorpusMovie() {
    const std::vector<std::string> movies = vfs_test::corpusMovies(VFS_SOURCE_DIR);
    std::string best;
    off_t bestSize = -1;
    for (const std::string& m : movies) {
        struct stat st {};
        if (stat(m.c_str(), &st) == 0 && st.st_size > bestSize) {
            bestSize = st.st_size;
            best = m;
        }
    }
    return best;
}

// About 10 MB: 3400 shapes of 400 edges each, 200 sprites, 50 bitmaps of 64 KB and 1000 frames.
constexpr std::uint16_t kShapes = 3400;

std::vector<std::uint8_t> syntheticMovie(swf::Compression compression) {
    swf::MovieWriter w(8, 800, 600, 30);
    for (std::uint16_t id = 1; id <= kShapes; ++id) {
        swf::DefineShape s;
        s.id = id;
        s.version = 3;
        s.bounds = {-4000, 4000, -4000, 4000};
        swf::FillStyle f;
        f.color = {std::uint8_t(id), 80, 160, 255};
        s.shape.styles.fills = {f};
        swf::LineStyle l;
        l.width = 20;
        s.shape.styles.lines = {l};
        swf::ShapeRecord start;
        start.hasMove = true;
        start.dx = id % 100;
        start.hasFill1 = start.hasLine = true;
        start.fill1 = 1;
        start.line = 1;
        s.shape.records.push_back(start);
        for (int e = 0; e < 400; ++e) {
            swf::ShapeRecord r;
            r.kind = e % 2 ? swf::ShapeRecord::Kind::CurvedEdge : swf::ShapeRecord::Kind::StraightEdge;
            r.dx = (e * 37) % 2001 - 1000;
            r.dy = (e * 91) % 1601 - 800;
            r.controlDx = (e * 13) % 301 - 150;
            r.controlDy = (e * 17) % 301 - 150;
            s.shape.records.push_back(r);
        }
        w.add(s);
    }
    for (std::uint16_t i = 0; i < 50; ++i) {
        swf::DefineBitsLossless b;
        b.id = static_cast<std::uint16_t>(10000 + i);
        b.version = 2;
        b.format = 5;
        b.width = b.height = 64;
        b.zlibData.assign(64 * 1024, static_cast<std::uint8_t>(i));
        w.add(b);
    }
    for (std::uint16_t i = 0; i < 200; ++i) {
        swf::DefineSprite sp;
        sp.id = static_cast<std::uint16_t>(20000 + i);
        sp.frameCount = 10;
        for (int f = 0; f < 10; ++f) {
            swf::PlaceObject p;
            p.version = 2;
            p.depth = 1;
            p.move = f > 0;
            if (f == 0) p.characterId = static_cast<std::uint16_t>(1 + i);
            p.matrix = swf::Matrix{1, 0, 0, 1, f * 20, f * 10};
            sp.tags.push_back(swf::makeTag(p));
            sp.tags.push_back(swf::makeTag(swf::ShowFrame{}));
        }
        sp.tags.push_back(swf::makeTag(swf::End{}));
        w.add(sp);
    }
    for (int f = 0; f < 1000; ++f) {
        swf::PlaceObject p;
        p.version = 2;
        p.depth = static_cast<std::uint16_t>(1 + f % 50);
        p.characterId = static_cast<std::uint16_t>(f % 3 == 0 ? 20000 + f % 200 : 1 + f % kShapes);
        p.matrix = swf::Matrix{1, 0, 0, 1, f, f};
        w.add(p).showFrame();
    }
    return w.finish(compression);
}

void parseBench(benchmark::State& state, const std::vector<std::uint8_t>& bytes) {
    std::size_t peakRise = 0;
    std::size_t tags = 0;
    for (auto _ : state) {
        std::size_t base = g_inUse.load();
        g_peak.store(base);
        auto m = swf::parseMovie(bytes);
        if (!m.ok() || m->hasErrors()) {
            state.SkipWithError("parse failed");
            return;
        }
        tags = m->tags.size();
        peakRise = std::max(peakRise, g_peak.load() - base);
        benchmark::DoNotOptimize(m);
    }
    state.counters["file_MB"] = bytes.size() / 1e6;
    state.counters["peak_heap_MB"] = peakRise / 1e6;
    state.counters["top_level_tags"] = static_cast<double>(tags);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void BM_ParseLargestCorpusMovie(benchmark::State& state) {
    std::string path = largestCorpusMovie();
    if (path.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    auto bytes = core::readFile(path);
    if (!bytes) {
        state.SkipWithError("cannot read the movie");
        return;
    }
    state.SetLabel(path.substr(path.find("corpus/") + 7));
    parseBench(state, *bytes);
}
BENCHMARK(BM_ParseLargestCorpusMovie)->Unit(benchmark::kMillisecond);

void BM_ParseSynthetic10MB(benchmark::State& state) {
    static const auto bytes = syntheticMovie(swf::Compression::None);
    parseBench(state, bytes);
}
BENCHMARK(BM_ParseSynthetic10MB)->Unit(benchmark::kMillisecond);

void BM_ParseSynthetic10MBZlib(benchmark::State& state) {
    static const auto bytes = syntheticMovie(swf::Compression::Zlib);
    parseBench(state, bytes);
}
BENCHMARK(BM_ParseSynthetic10MBZlib)->Unit(benchmark::kMillisecond);

// Loading into the player (parse, dictionary, timelines) and running 100 frames.
void BM_LoadAndPlay100Frames(benchmark::State& state) {
    static const auto bytes = syntheticMovie(swf::Compression::None);
    for (auto _ : state) {
        auto p = player::Player::loadBytes(bytes);
        if (!p.ok()) {
            state.SkipWithError("load failed");
            return;
        }
        for (int i = 0; i < 100; ++i) (*p)->advance();
        benchmark::DoNotOptimize((*p)->drawList());
        state.counters["top_level_tags"] = static_cast<double>((*p)->movie().tags.size());
        state.counters["problems"] = static_cast<double>((*p)->problems().size());
    }
}
BENCHMARK(BM_LoadAndPlay100Frames)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
