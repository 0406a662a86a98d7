// Decoding time of a 1920x1080 baseline JPEG (4:2:0) into RGBA, and of the same coefficients as
// a progressive stream.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "codec/jpeg_decoder.h"

namespace {

std::vector<std::uint8_t> readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void decode(benchmark::State& state, const std::vector<std::uint8_t>& data) {
    if (data.empty()) {
        state.SkipWithError("the benchmark picture is missing");
        return;
    }
    for (auto _ : state) {
        auto img = codec::decodeJpeg(data);
        if (!img) {
            state.SkipWithError(img.error().message.c_str());
            return;
        }
        benchmark::DoNotOptimize(img->rgba.data());
    }
    state.counters["bytes"] = static_cast<double>(data.size());
    state.counters["Mpixel/s"] = benchmark::Counter(1920.0 * 1080 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_JpegBaseline1080p(benchmark::State& state) {
    static const std::vector<std::uint8_t> data = readFile(VFS_BENCH_JPEG);
    decode(state, data);
}
BENCHMARK(BM_JpegBaseline1080p)->Unit(benchmark::kMillisecond);

void BM_JpegProgressive1080p(benchmark::State& state) {
    static const std::vector<std::uint8_t> data = readFile(VFS_BENCH_JPEG_PROGRESSIVE);
    decode(state, data);
}
BENCHMARK(BM_JpegProgressive1080p)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
