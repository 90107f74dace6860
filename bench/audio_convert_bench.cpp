// One render block of the host path: a stereo plug-in's two planar float outputs (265 frames) into
// the host's interleaved 16-, 24- and 32-bit integers, scalar reference against the SIMD variants,
// beside a memcpy of the same float bytes as the floor. The SSSE3 and AVX2 variants need a processor
// that has them (the bench does not check).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "framework/audio.h"
#include "framework/audio_convert.h"

namespace {

constexpr size_t kFrames = 265;

struct Block {
    std::vector<float> left, right;
    std::vector<uint8_t> out;
    Block() : left(kFrames), right(kFrames), out(kFrames * 2 * 4) {
        std::mt19937 rng(1);
        // Music-like levels with the odd over-range peak a synth produces.
        std::normal_distribution<float> level(0.0f, 0.4f);
        for (size_t i = 0; i < kFrames; ++i) {
            left[i] = level(rng);
            right[i] = level(rng);
        }
    }
};

void Interleave(benchmark::State& state, QMAUDIOINTERLEAVEPROC proc) {
    Block b;
    for (auto _ : state) {
        proc(b.out.data(), b.left.data(), b.right.data(), DWORD(kFrames));
        benchmark::DoNotOptimize(b.out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFrames));
}

void MemcpyFloatBlock(benchmark::State& state) {
    std::vector<float> planar(kFrames * 2, 0.25f), out(kFrames * 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(planar.data());
        std::memcpy(out.data(), planar.data(), planar.size() * sizeof(float));
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(kFrames));
}

using namespace qm::audio;

// On a shared machine the fastest of several repetitions is the figure least disturbed by neighbours.
double Fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

const int kRegistered = [] {
    benchmark::RegisterBenchmark("MemcpyFloatBlock", MemcpyFloatBlock)->ComputeStatistics("min", Fastest);
    const struct { const char* name; QMAUDIOINTERLEAVEPROC proc; } procs[] = {
        {"Interleave/f32_to_s16_reference", Interleave_f32_to_s16_reference},
        {"Interleave/f32_to_s16_sse2", Interleave_f32_to_s16_sse2},
        {"Interleave/f32_to_s16_avx2", Interleave_f32_to_s16_avx2},
        {"Interleave/f32_to_s24_reference", Interleave_f32_to_s24_reference},
        {"Interleave/f32_to_s24_sse2", Interleave_f32_to_s24_sse2},
        {"Interleave/f32_to_s24_ssse3", Interleave_f32_to_s24_ssse3},
        {"Interleave/f32_to_s24_avx2", Interleave_f32_to_s24_avx2},
        {"Interleave/f32_to_s32_reference", Interleave_f32_to_s32_reference},
        {"Interleave/f32_to_s32_sse2", Interleave_f32_to_s32_sse2},
        {"Interleave/f32_to_s32_avx2", Interleave_f32_to_s32_avx2},
        {"Interleave/f32_to_s24in32_reference", Interleave_f32_to_s24in32_reference},
        {"Interleave/f32_to_s24in32_sse2", Interleave_f32_to_s24in32_sse2},
        {"Interleave/f32_to_s24in32_avx2", Interleave_f32_to_s24in32_avx2},
        {"Interleave/f32_to_f32_reference", Interleave_f32_to_f32_reference},
    };
    for (const auto& p : procs) benchmark::RegisterBenchmark(p.name, Interleave, p.proc)->ComputeStatistics("min", Fastest);
    // What the render path gets on this processor.
    for (const QMSAMPLETYPE type : {QMST_PCM16, QMST_PCM24, QMST_PCM32, QMST_PCM24IN32})
        benchmark::RegisterBenchmark(("Interleave/f32_to_type" + std::to_string(type) + "_lookup").c_str(), Interleave,
                                     QmAudio_GetStereoInterleaveFunction(type, QMST_FLOAT32))
            ->ComputeStatistics("min", Fastest);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
