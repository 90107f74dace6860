// One render block of the host path: a stereo plug-in's two planar float outputs (265 frames) into
// the host's interleaved 16-, 24- and 32-bit integers, scalar reference against the SIMD variants,
// beside a memcpy of the same float bytes as the floor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "framework/audio.h"
#include "framework/audio_convert.h"
#include "platform/cpu_features.h"

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
    using qm::platform::CpuHasAvx2;
    using qm::platform::CpuHasSse2;
    using qm::platform::CpuHasSsse3;
    const struct { const char* name; QMAUDIOINTERLEAVEPROC proc; bool runs; } procs[] = {
        {"Interleave/f32_to_s16_reference", Interleave_f32_to_s16_reference, true},
        {"Interleave/f32_to_s16_sse2", Interleave_f32_to_s16_sse2, CpuHasSse2()},
        {"Interleave/f32_to_s16_avx2", Interleave_f32_to_s16_avx2, CpuHasAvx2()},
        {"Interleave/f32_to_s24_reference", Interleave_f32_to_s24_reference, true},
        {"Interleave/f32_to_s24_sse2", Interleave_f32_to_s24_sse2, CpuHasSse2()},
        {"Interleave/f32_to_s24_ssse3", Interleave_f32_to_s24_ssse3, CpuHasSsse3()},
        {"Interleave/f32_to_s24_avx2", Interleave_f32_to_s24_avx2, CpuHasAvx2()},
        {"Interleave/f32_to_s32_reference", Interleave_f32_to_s32_reference, true},
        {"Interleave/f32_to_s32_sse2", Interleave_f32_to_s32_sse2, CpuHasSse2()},
        {"Interleave/f32_to_s32_avx2", Interleave_f32_to_s32_avx2, CpuHasAvx2()},
        {"Interleave/f32_to_s24in32_reference", Interleave_f32_to_s24in32_reference, true},
        {"Interleave/f32_to_s24in32_sse2", Interleave_f32_to_s24in32_sse2, CpuHasSse2()},
        {"Interleave/f32_to_s24in32_avx2", Interleave_f32_to_s24in32_avx2, CpuHasAvx2()},
        {"Interleave/f32_to_f32_reference", Interleave_f32_to_f32_reference, true},
    };
    // Variants for instruction sets this processor lacks are left out.
    for (const auto& p : procs) {
        if (p.runs) benchmark::RegisterBenchmark(p.name, Interleave, p.proc)->ComputeStatistics("min", Fastest);
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
