// The host-side cost of one render block: Render of one 265-frame block (6 ms at 44.1 kHz) of the null
// instrument into 16-bit stereo, with a host site that adds no MIDI. What it measures is the instance:
// the lock, the site callback, the event hand-over, the guarded process call, time keeping and the
// float to 16-bit interleave.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "framework/lang.h"
#include "hosting/synth_type_link.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/module.h"

namespace {

class BenchType final : public qm::ISynthTypeLink {
public:
    int64_t FrameSizeDuration() const noexcept override { return 60000; }
    uint32_t FlushOnStopCount() const noexcept override { return 0; }
    bool ExposeMultiChannel() const noexcept override { return false; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

HRESULT QM_COMCALL EmptySite(qm::IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                             ULONG_PTR, ULONG_PTR) {
    return S_OK;
}

// testplugins/qmnull beside this program, whichever module suffix the platform uses.
bool LoadNull(qm::CVSTiSofthSynth* synth, qm::VstiPluginRecord* record) {
    WCHAR self[1024];
    const size_t length = qm::platform::ModulePathOf(reinterpret_cast<const void*>(&LoadNull), self, 1024);
    std::basic_string<WCHAR> folder(self, length);
    const size_t slash = folder.find_last_of(QMW("/\\"));
    folder.resize(slash == std::basic_string<WCHAR>::npos ? 0 : slash + 1);
    for (const char* suffix : {".so", ".dll"}) {
        std::basic_string<WCHAR> path = folder;
        for (const char* c = "testplugins/qmnull"; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
        for (const char* c = suffix; *c != 0; ++c) path.push_back(static_cast<WCHAR>(*c));
        *record = qm::VstiPluginRecord{};
        record->flags = qm::PluginRecordFlags::Enabled;
        path.copy(record->path, path.size());
        if (synth->LoadPlugIn(record) == S_OK) return true;
    }
    return false;
}

void BM_RenderOneBlockNullSynth16Bit(benchmark::State& state) {
    if (qm::KernelLangHandle() == nullptr) {
        qm::OpenKernelLangHandle(qm::ModuleInstanceOf(reinterpret_cast<const void*>(&LoadNull)), 1033);
    }
    BenchType type;
    qm::CVSTiSofthSynth* synth = nullptr;
    qm::CVSTiSofthSynth::CreateInstance(&type, &synth);
    synth->AddRef();
    synth->Initialize();
    qm::VstiPluginRecord record{};
    if (!LoadNull(synth, &record)) {
        state.SkipWithError("testplugins/qmnull could not be loaded");
        synth->Release();
        return;
    }
    synth->Open(0, 0, 0, &EmptySite, 0, 0);
    const WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
    synth->SetFormat(&format, 0, 0);
    synth->Cue(0);
    synth->Play(0, 0);
    constexpr LONG kFrames = 265;
    std::vector<int16_t> out(2 * kFrames);
    LONGLONG position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(synth->Render(out.data(), position, kFrames, 0, 0, nullptr));
        benchmark::ClobberMemory();
        position += kFrames;
    }
    state.SetItemsProcessed(state.iterations());
    synth->Close();
    synth->Release();
}
BENCHMARK(BM_RenderOneBlockNullSynth16Bit);

}  // namespace

BENCHMARK_MAIN();
