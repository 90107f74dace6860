// The host-side cost of one render block: Render of one 265-frame block (6 ms at 44.1 kHz) of the null
// instrument into 16-bit stereo, with a host site that adds no MIDI. What it measures is the instance:
// the lock, the site callback, the event hand-over, the guarded process call, time keeping and the
// float to 16-bit interleave.
#include <benchmark/benchmark.h>

#include "bench/null_synth_rig.h"

namespace {

void BM_RenderOneBlockNullSynth16Bit(benchmark::State& state) {
    bench::NullSynthRig rig;
    if (!rig.Loaded()) {
        state.SkipWithError("testplugins/qmnull could not be loaded");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.Render());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderOneBlockNullSynth16Bit);

}  // namespace

BENCHMARK_MAIN();
