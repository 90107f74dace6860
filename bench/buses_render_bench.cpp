// What the output buses cost: one 265-frame block (6 ms at 44.1 kHz) of the null instrument with
// 8 stereo output pairs, rendered with its main pair only (ExposeMultiChannel off) and with the other
// seven pairs offered as buses, each bus pulled for the same block. Both into 16-bit stereo. The
// difference per bus is its queue push and pull: two conversions of its block.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/module.h"

namespace {

class BusBenchType final : public qm::ISynthTypeLink {
public:
    explicit BusBenchType(bool expose) : expose_(expose) {}
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return 0; }
    bool ExposeMultiChannel() const noexcept override { return expose_; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }

private:
    bool expose_;
};

HRESULT QM_COMCALL EmptySite(qm::IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                             ULONG_PTR, ULONG_PTR) {
    return S_OK;
}

// testplugins/qmnull_buses beside this program, whichever module suffix the platform uses.
bool LoadNullBuses(qm::CVSTiSofthSynth* synth, qm::VstiPluginRecord* record) {
    WCHAR self[1024];
    const size_t length = qm::platform::ModulePathOf(reinterpret_cast<const void*>(&LoadNullBuses), self, 1024);
    std::basic_string<WCHAR> folder(self, length);
    const size_t slash = folder.find_last_of(QMW("/\\"));
    folder.resize(slash == std::basic_string<WCHAR>::npos ? 0 : slash + 1);
    for (const char* suffix : {".so", ".dll"}) {
        std::basic_string<WCHAR> path = folder;
        for (const char* c = "testplugins/qmnull_buses"; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
        for (const char* c = suffix; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
        *record = qm::VstiPluginRecord{};
        record->flags = qm::PluginRecordFlags::Enabled;
        path.copy(record->path, path.size());
        if (synth->LoadPlugIn(record) == S_OK) return true;
    }
    return false;
}

void RenderWithBuses(benchmark::State& state, bool expose) {
    if (qm::KernelLangHandle() == nullptr) {
        qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&LoadNullBuses)), 1033);
    }
    BusBenchType type(expose);
    qm::CVSTiSofthSynth* synth = nullptr;
    qm::CVSTiSofthSynth::CreateInstance(&type, &synth);
    synth->AddRef();
    synth->Initialize();
    qm::VstiPluginRecord record{};
    if (!LoadNullBuses(synth, &record)) {
        state.SkipWithError("testplugins/qmnull_buses could not be loaded");
        synth->Release();
        return;
    }
    synth->Open(0, 0, 0, &EmptySite, 0, 0);
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    synth->SetFormat(&format, 0, 0);
    std::vector<qm::IQmSoftSynth*> buses;
    for (LONG i = 0;; ++i) {
        qm::IQmSoftSynth* bus = nullptr;
        if (synth->GetBus(i, &bus) != S_OK) break;
        bus->SetFormat(&format, 0, 0);
        buses.push_back(bus);
    }
    synth->Cue(0);
    synth->Play(0, 0);
    constexpr LONG kFrames = 265;
    std::vector<int16_t> out(2 * kFrames);
    LONGLONG position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(synth->Render(out.data(), position, kFrames, 0, 0, nullptr));
        for (qm::IQmSoftSynth* bus : buses) benchmark::DoNotOptimize(bus->Render(out.data(), position, kFrames, 0, 0, nullptr));
        benchmark::ClobberMemory();
        position += kFrames;
    }
    state.counters["buses"] = static_cast<double>(buses.size());
    state.SetItemsProcessed(state.iterations());
    for (qm::IQmSoftSynth* bus : buses) {
        bus->ReleaseFormat();
        bus->Release();
    }
    synth->Close();
    synth->Release();
}

void BM_RenderBlockMainPairOnly(benchmark::State& state) { RenderWithBuses(state, false); }
void BM_RenderBlockWithSevenBuses(benchmark::State& state) { RenderWithBuses(state, true); }

// The yardstick: two copies of one bus's block of floats (265 frames, two channels).
void BM_TwoMemcpyOfOneBusBlock(benchmark::State& state) {
    std::vector<float> from(2 * 265, 0.25f), to(2 * 265);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size() * sizeof(float));
        benchmark::ClobberMemory();
        std::memcpy(from.data(), to.data(), to.size() * sizeof(float));
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_RenderBlockMainPairOnly);
BENCHMARK(BM_RenderBlockWithSevenBuses);
BENCHMARK(BM_TwoMemcpyOfOneBusBlock);
BENCHMARK_MAIN();
