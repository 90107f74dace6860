// Create-for-record with real instances: a CVSTiSofthSynth that has loaded the record's module.
#include "discovery/synth_maker.h"
#include "hosting/vsti_soft_synth.h"

namespace qm {

namespace {

CVSTiSofthSynth* AsSynth(IUnknown* instance) noexcept {
    return static_cast<CVSTiSofthSynth*>(static_cast<IQmSoftSynth*>(instance));
}

class PlugInMaker final : public ISynthMaker {
public:
    HRESULT CreateForRecord(ISynthTypeLink* type, VstiPluginRecord* record, IUnknown** instance) noexcept override {
        *instance = nullptr;
        CVSTiSofthSynth* synth = nullptr;
        HRESULT hr = CVSTiSofthSynth::CreateInstance(type, &synth);
        if (FAILED(hr)) return hr;
        // The creation reference; releasing it destroys an instance that failed half-way.
        synth->AddRef();
        hr = synth->Initialize();
        if (hr == S_OK) hr = synth->LoadPlugIn(record);
        if (hr != S_OK) {
            synth->Release();
            return hr;
        }
        *instance = static_cast<IQmSoftSynth*>(synth);
        return S_OK;
    }
    void SetNoSizeWindow(IUnknown* instance, bool noSizeWindow) noexcept override {
        AsSynth(instance)->SetNoSizeWindow(noSizeWindow);
    }
    void SetManagerId(IUnknown* instance, const GUID& managerId) noexcept override {
        AsSynth(instance)->SetManagerId(managerId);
    }
};

}  // namespace

ISynthMaker& PlugInSynthMaker() noexcept {
    static PlugInMaker maker;
    return maker;
}

}  // namespace qm
