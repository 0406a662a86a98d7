// Decoding time of one minute of 128 kbit/s MP3 (44.1 kHz, joint stereo) into 16-bit samples,
// decoder construction (its tables) included.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "sound/mp3_decoder.h"

namespace {

void BM_Mp3Minute128k(benchmark::State& state) {
    std::ifstream in(VFS_BENCH_MP3, std::ios::binary);
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (data.empty()) {
        state.SkipWithError("the benchmark MP3 is missing");
        return;
    }
    std::vector<std::int16_t> out;
    out.reserve(44100 * 61 * 2);
    for (auto _ : state) {
        out.clear();
        sound::Mp3Decoder dec;
        dec.decode(data, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["seconds_of_sound"] = static_cast<double>(out.size() / 2) / 44100.0;
}
BENCHMARK(BM_Mp3Minute128k)->Unit(benchmark::kMillisecond);

void BM_Mp3DecoderSetUp(benchmark::State& state) {
    for (auto _ : state) {
        sound::Mp3Decoder dec;
        benchmark::DoNotOptimize(&dec);
    }
}
BENCHMARK(BM_Mp3DecoderSetUp)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
