// Building 100 screensavers of a 10 MB movie through the builder's code (listed-name lookup,
// whole reads, layout, write to a temporary file, flush, rename), against copying the same
// bytes with cp: one cp run copying 100 files of the saver's length. A third case flushes each
// copy as the builder does, to show what the durability costs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "builders/saver_builder.h"
#include "builders/saver_cli.h"
#include "builders/saver_layout.h"

namespace {

constexpr int kSavers = 100;
constexpr std::size_t kMovieBytes = 10u * 1024 * 1024;

struct Scratch {
    std::string dir;
    std::vector<std::string> movies;  // 100 names of one movie (symbolic links)
    std::vector<std::string> sources;  // 100 names of one saver-length file, for cp
    std::string image;
    Scratch() {
        char tmpl[] = "/tmp/vfs_bench_saver_XXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        std::string movie(kMovieBytes, '\0');
        for (std::size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<char>(i * 2654435761u >> 24);
        std::ofstream(dir + "/movie.swf", std::ios::binary) << movie;
        image.assign(builders::kSaverHeaderSize, 'R');
        image.back() = '\0';
        std::string saver;
        builders::composeSaverFile(image, movie, saver);
        std::ofstream(dir + "/saver.bin", std::ios::binary) << saver;
        for (int i = 0; i < kSavers; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/m%03d.swf", i);
            movies.push_back(dir + name);
            if (::symlink((dir + "/movie.swf").c_str(), movies.back().c_str()) != 0) std::abort();
            std::snprintf(name, sizeof name, "/c%03d.Scr", i);
            sources.push_back(dir + name);
            if (::symlink((dir + "/saver.bin").c_str(), sources.back().c_str()) != 0) std::abort();
        }
        ::mkdir((dir + "/out").c_str(), 0755);
    }
    ~Scratch() { std::system(("rm -rf '" + dir + "'").c_str()); }
    void clearOut() { std::system(("rm -f '" + dir + "'/out/*").c_str()); }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void BM_BuildSavers(benchmark::State& state) {
    Scratch& s = scratch();
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        std::string out, err;
        const int rc = builders::writeSavers(s.movies, s.dir + "/out", s.image,
                                             ui::nativeFileSystem(), builders::nativeFileLookup(),
                                             out, err);
        if (rc != 0) state.SkipWithError(err.c_str());
    }
    state.SetBytesProcessed(state.iterations() * kSavers *
                            static_cast<int64_t>(builders::saverFileLength(kMovieBytes)));
}

void BM_CopySameBytesWithCp(benchmark::State& state) {
    Scratch& s = scratch();
    std::string command = "cp -L";
    for (const std::string& src : s.sources) command += " '" + src + "'";
    command += " '" + s.dir + "/out/'";
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kSavers *
                            static_cast<int64_t>(builders::saverFileLength(kMovieBytes)));
}

void BM_CopySameBytesWithCpAndFlush(benchmark::State& state) {
    Scratch& s = scratch();
    std::string command = "cp -L";
    for (const std::string& src : s.sources) command += " '" + src + "'";
    command += " '" + s.dir + "/out/' && sync -d '" + s.dir + "'/out/*";
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kSavers *
                            static_cast<int64_t>(builders::saverFileLength(kMovieBytes)));
}

// The steps of one build on their own, 100 times each: where the time goes.
void BM_StepReadMovie(benchmark::State& state) {
    Scratch& s = scratch();
    for (auto _ : state) {
        for (const std::string& m : s.movies) {
            auto movie = ui::nativeFileSystem().readFile(m);
            benchmark::DoNotOptimize(movie);
        }
    }
}

void BM_StepCompose(benchmark::State& state) {
    Scratch& s = scratch();
    const std::string movie(kMovieBytes, 'm');
    std::string saver;
    for (auto _ : state) {
        for (int i = 0; i < kSavers; ++i) {
            builders::composeSaverFile(s.image, movie, saver);
            benchmark::DoNotOptimize(saver.data());
        }
    }
}

void BM_StepReplaceFile(benchmark::State& state) {
    Scratch& s = scratch();
    std::string saver;
    builders::composeSaverFile(s.image, std::string(kMovieBytes, 'm'), saver);
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        for (int i = 0; i < kSavers; ++i) {
            const auto st = ui::nativeFileSystem().replaceFile(
                s.dir + "/out/s" + std::to_string(i) + ".Scr", saver);
            if (!st) state.SkipWithError(st.error().message.c_str());
        }
    }
}

}  // namespace

BENCHMARK(BM_StepReadMovie)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StepCompose)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_StepReplaceFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_BuildSavers)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopySameBytesWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CopySameBytesWithCpAndFlush)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
