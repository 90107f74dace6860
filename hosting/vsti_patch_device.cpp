// The instance's side of its patch device: created and opened once the plug-in is loaded, handed
// to the host as its MIDI device, closed before the plug-in goes away.
#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "qmvsti/guids.h"

namespace qm {

HRESULT CVSTiSofthSynth::CreatePatchDevice() noexcept {
    if (patchDevice_ == nullptr) {
        patchDevice_ = CVSTIPatchDevice::Create(this);
        if (patchDevice_ == nullptr) return E_OUTOFMEMORY;
        patchDevice_->AddRef();
    }
    const HRESULT opened = patchDevice_->OpenDevice();
    return opened == E_OUTOFMEMORY ? E_OUTOFMEMORY : S_OK;
}

HRESULT CVSTiSofthSynth::QueryPatchDevice(void** out) noexcept {
    return patchDevice_->QueryInterface(IID_IMIDIDevice, out);
}

void CVSTiSofthSynth::ClosePatchDevice() noexcept {
    CVSTIPatchDevice* device = patchDevice_;
    if (device == nullptr) return;
    device->CloseDevice();
    device->ClearOwner();
    patchDevice_ = nullptr;
    device->Release();
}

HRESULT CVSTiSofthSynth::GetPatchDevice(IMIDIDevice** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (patchDevice_ == nullptr) return E_NOINTERFACE;
    return QueryPatchDevice(reinterpret_cast<void**>(out));
}

}  // namespace qm
