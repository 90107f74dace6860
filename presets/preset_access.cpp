#include "presets/preset_access.h"

#include <atomic>
#include <new>

#include "presets/preset_files.h"
#include "qmvsti/presets.h"

namespace qm::presets {

namespace {

class CVSTiPresetAccess final : public IQmSoftSynthPresets {
public:
    explicit CVSTiPresetAccess(CVSTiSofthSynth* synth) noexcept : synth_(synth) { synth_->AddRef(); }

    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override {
        if (ppv == nullptr) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IQmSoftSynthPresets)) return E_NOINTERFACE;
        *ppv = static_cast<IQmSoftSynthPresets*>(this);
        AddRef();
        return S_OK;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }
    ULONG QM_COMCALL Release() noexcept override {
        const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (count == 0) delete this;
        return count;
    }

    HRESULT QM_COMCALL SavePresetFile(LPCWSTR path) noexcept override { return presets::SavePresetFile(*synth_, path); }
    HRESULT QM_COMCALL LoadPresetFile(LPCWSTR path) noexcept override { return presets::LoadPresetFile(*synth_, path); }
    HRESULT QM_COMCALL SaveBankFile(LPCWSTR path) noexcept override { return KeepingProgram(presets::SaveBankFile, path); }
    HRESULT QM_COMCALL LoadBankFile(LPCWSTR path) noexcept override { return KeepingProgram(presets::LoadBankFile, path); }
    HRESULT QM_COMCALL SelectProgram(LONG program) noexcept override {
        const AEffect* effect = synth_->Effect();
        if (effect == nullptr) return E_UNEXPECTED;
        if (program < 0 || program >= effect->numPrograms) return E_INVALIDARG;
        synth_->CallDispatcher(effSetProgram, 0, program, nullptr, 0.0f);
        return S_OK;
    }

private:
    ~CVSTiPresetAccess() { synth_->Release(); }

    // Parameter-form banks step through the programs; the user expects to stay where he was. A
    // chunk plug-in is not moved: selecting a program after its bank chunk would replace what the
    // chunk restored (amsynth keeps its current sound in the chunk).
    HRESULT KeepingProgram(HRESULT (*operation)(CVSTiSofthSynth&, const WCHAR*) noexcept, LPCWSTR path) noexcept {
        const AEffect* effect = synth_->Effect();
        if (effect == nullptr || (effect->flags & effFlagsProgramChunks)) return operation(*synth_, path);
        const intptr_t current = synth_->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
        const HRESULT result = operation(*synth_, path);
        synth_->CallDispatcher(effSetProgram, 0, current, nullptr, 0.0f);
        return result;
    }

    std::atomic<ULONG> refs_{1};
    CVSTiSofthSynth* synth_;
};

}  // namespace

HRESULT CreatePresetAccess(CVSTiSofthSynth* synth, void** out) noexcept {
    *out = nullptr;
    CVSTiPresetAccess* access = new (std::nothrow) CVSTiPresetAccess(synth);
    if (access == nullptr) return E_OUTOFMEMORY;
    *out = static_cast<IQmSoftSynthPresets*>(access);
    return S_OK;
}

}  // namespace qm::presets
