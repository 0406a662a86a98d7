// "SWF To EXE" and "EXE To SWF" throughput through the builders' code against cp of the same
// bytes: 30 projectors of a 10 MB movie (listed-name lookup, whole reads, layout, temporary file,
// flush, rename) against one cp run copying 30 files of the projector's length; and 30 movies
// taken back out of a projector (whole read, trailer, atomic write) against cp of the movie.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "builders/movie_extractor.h"
#include "builders/projector_cli.h"
#include "builders/projector_layout.h"

namespace {

constexpr int kFiles = 30;
constexpr std::size_t kMovieBytes = 10u * 1024 * 1024;

struct Scratch {
    std::string dir;
    std::vector<std::string> movies;      // kFiles names of one movie (symbolic links)
    std::vector<std::string> projectors;  // kFiles names of one projector-length file, for cp
    std::vector<std::string> movieCopies; // kFiles names of the movie, for cp
    std::string image;
    Scratch() {
        char tmpl[] = "/tmp/vfs_bench_projector_XXXXXX";
        if (!::mkdtemp(tmpl)) std::abort();
        dir = tmpl;
        std::string movie(kMovieBytes, '\0');
        movie.replace(0, 4, "FWS\x08");
        for (std::size_t i = 4; i < movie.size(); ++i) movie[i] = static_cast<char>(i * 2654435761u >> 24);
        std::ofstream(dir + "/movie.swf", std::ios::binary) << movie;
        image.assign(builders::kProjectorImageSize, 'P');
        std::string projector;
        builders::composeProjectorFile(image, movie, projector);
        std::ofstream(dir + "/projector.exe", std::ios::binary) << projector;
        for (int i = 0; i < kFiles; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/m%03d.swf", i);
            movies.push_back(dir + name);
            if (::symlink((dir + "/movie.swf").c_str(), movies.back().c_str()) != 0) std::abort();
            std::snprintf(name, sizeof name, "/p%03d.exe", i);
            projectors.push_back(dir + name);
            if (::symlink((dir + "/projector.exe").c_str(), projectors.back().c_str()) != 0) std::abort();
            std::snprintf(name, sizeof name, "/c%03d.swf", i);
            movieCopies.push_back(dir + name);
            if (::symlink((dir + "/movie.swf").c_str(), movieCopies.back().c_str()) != 0) std::abort();
        }
        ::mkdir((dir + "/out").c_str(), 0755);
    }
    ~Scratch() { std::system(("rm -rf '" + dir + "'").c_str()); }
    void clearOut() { std::system(("rm -f '" + dir + "'/out/*").c_str()); }
    std::string cp(const std::vector<std::string>& sources) const {
        std::string command = "cp -L";
        for (const std::string& src : sources) command += " '" + src + "'";
        return command + " '" + dir + "/out/'";
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

void BM_BuildProjectors(benchmark::State& state) {
    Scratch& s = scratch();
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        std::string out, err;
        const int rc = builders::writeProjectors(s.movies, s.dir + "/out", s.image, ui::nativeFileSystem(),
                                                 builders::nativeFileLookup(), out, err);
        if (rc != 0) state.SkipWithError(err.c_str());
    }
    state.SetBytesProcessed(state.iterations() * kFiles *
                            static_cast<int64_t>(builders::projectorFileLength(kMovieBytes)));
}

void BM_CopyProjectorBytesWithCp(benchmark::State& state) {
    Scratch& s = scratch();
    const std::string command = s.cp(s.projectors);
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kFiles *
                            static_cast<int64_t>(builders::projectorFileLength(kMovieBytes)));
}

// cp with each copy flushed, as the builder flushes each file before renaming it into place.
void BM_CopyProjectorBytesWithCpAndFlush(benchmark::State& state) {
    Scratch& s = scratch();
    const std::string command = s.cp(s.projectors) + " && sync -d '" + s.dir + "'/out/*";
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kFiles *
                            static_cast<int64_t>(builders::projectorFileLength(kMovieBytes)));
}

void BM_ExtractMovies(benchmark::State& state) {
    Scratch& s = scratch();
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        for (int i = 0; i < kFiles; ++i) {
            const builders::Extraction x = builders::extractMovieFile(
                s.projectors[static_cast<std::size_t>(i)], s.dir + "/out/x" + std::to_string(i) + ".swf",
                ui::nativeFileSystem(), {});
            if (!x.written()) state.SkipWithError("extraction failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kMovieBytes));
}

void BM_CopyMovieBytesWithCp(benchmark::State& state) {
    Scratch& s = scratch();
    const std::string command = s.cp(s.movieCopies);
    for (auto _ : state) {
        state.PauseTiming();
        s.clearOut();
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
    }
    state.SetBytesProcessed(state.iterations() * kFiles * static_cast<int64_t>(kMovieBytes));
}

}  // namespace

BENCHMARK(BM_BuildProjectors)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyProjectorBytesWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyProjectorBytesWithCpAndFlush)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExtractMovies)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyMovieBytesWithCp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
