// What the patch device adds to a render block: the same 265-frame block of the null instrument
// without a patch device, with the device and no listener, and with one host listener hearing the
// block's time event. The differences are the time event's cost per block.
#include <benchmark/benchmark.h>

#include "bench/null_synth_rig.h"
#include "patches/patch_device.h"

namespace {

// A host listener that only looks at the event.
class CountingListener final : public qm::IMIDIDeviceListener {
public:
    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL OnEvent(qm::PatchListenerEvent* event) noexcept override {
        frames += event->frames;
        return S_OK;
    }
    LONGLONG frames = 0;
};

enum class Device { None, NoListener, OneListener };

void RenderBlocks(benchmark::State& state, Device device) {
    bench::NullSynthRig rig;
    if (!rig.Loaded()) {
        state.SkipWithError("testplugins/qmnull could not be loaded");
        return;
    }
    CountingListener listener;
    if (device == Device::None) rig.Synth()->ClosePatchDevice();
    if (device == Device::OneListener) rig.Synth()->PatchDevice()->AddListener(&listener);
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.Render());
        benchmark::ClobberMemory();
    }
    if (device == Device::OneListener && listener.frames == 0) state.SkipWithError("the listener heard nothing");
    state.SetItemsProcessed(state.iterations());
}

void BM_BlockWithoutPatchDevice(benchmark::State& state) { RenderBlocks(state, Device::None); }
void BM_BlockWithPatchDeviceNoListener(benchmark::State& state) { RenderBlocks(state, Device::NoListener); }
void BM_BlockWithTimeEventToOneListener(benchmark::State& state) { RenderBlocks(state, Device::OneListener); }
BENCHMARK(BM_BlockWithoutPatchDevice);
BENCHMARK(BM_BlockWithPatchDeviceNoListener);
BENCHMARK(BM_BlockWithTimeEventToOneListener);

}  // namespace

BENCHMARK_MAIN();
