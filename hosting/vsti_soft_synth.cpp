// CVSTiSofthSynth: creation, interfaces and reference counting, the simple slots and the teardown.
#include "hosting/vsti_soft_synth.h"

#include <cstdlib>
#include <new>

#include "framework/lang.h"
#include "hosting/output_queue.h"
#include "hosting/vsti_editor_session.h"
#include "platform/text.h"
#include "platform/fpu.h"
#include "presets/preset_access.h"
#include "qmvsti/editor.h"
#include "qmvsti/guids.h"
#include "qmvsti/presets.h"
#include "routing/synth_buffer.h"
#include "routing/vsti_bus.h"
#include "routing/vsti_midi_in.h"
#include "ui/synth_page.h"

namespace qm {

namespace {

constexpr UINT kIdsVstiSoftSynth = 1050;  // "VSTi Soft Synth"

// At most `keep` characters of `source`, terminated.
void CopyTruncated(const WCHAR* source, WCHAR* dest, LONG keep) noexcept {
    platform::CopyWide(source, dest, static_cast<int>(keep) + 1);
}

}  // namespace

CVSTiSofthSynth::CVSTiSofthSynth(ISynthTypeLink* type) noexcept : type_(type) {
    plugInFormat_.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    plugInFormat_.nChannels = 1;
    plugInFormat_.nSamplesPerSec = 44100;
    plugInFormat_.wBitsPerSample = 32;
    plugInFormat_.nBlockAlign = 4;
    plugInFormat_.nAvgBytesPerSec = 176400;
}

HRESULT CVSTiSofthSynth::CreateInstance(ISynthTypeLink* type, CVSTiSofthSynth** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (type == nullptr) return E_INVALIDARG;
    // Some plug-ins' static initialisers leave the FPU unmasked or in single precision; every
    // instance starts from the defaults.
    platform::ResetFloatingPointUnit();
    CVSTiSofthSynth* instance = new (std::nothrow) CVSTiSofthSynth(type);
    if (instance == nullptr) return E_OUTOFMEMORY;
    *out = instance;
    return S_OK;
}

HRESULT CVSTiSofthSynth::Initialize() noexcept {
    displayName_[0] = 0;
    CopyTruncated(QmGetString(KernelLangHandle(), kIdsVstiSoftSynth), productName_, kNameChars - 1);
    if (propertyPages_ == nullptr) {
        propertyPages_ = CSpecifyPropertyPages::Create(CSpecifyPropertyPages::Owner::Instance, this);
        if (propertyPages_ == nullptr) return E_OUTOFMEMORY;
        propertyPages_->AddRef();
    }
    return S_OK;
}

void CVSTiSofthSynth::SetNoSizeWindow(bool on) noexcept {
    if (on) SetBits(InstanceStatus::NoSizeWindow);
    else ClearBits(InstanceStatus::NoSizeWindow);
}

void CVSTiSofthSynth::SetManagerId(const GUID& id) noexcept { secondId_ = id; }

bool CVSTiSofthSynth::HasMoreOutputsThanMain() const noexcept {
    const int mainChannels = HasBits(InstanceStatus::MonoMainOutput) ? 1 : 2;
    return type_->ExposeMultiChannel() && usedOutputs_ > mainChannels;
}

// ---- IUnknown ----

HRESULT CVSTiSofthSynth::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IQmSoftSynth) || IsEqualGUID(riid, IID_IMIDIOut)) {
        *ppv = static_cast<IQmSoftSynth*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualGUID(riid, IID_ISpecifyPropertyPages) && propertyPages_ != nullptr) {
        return propertyPages_->QueryInterface(riid, ppv);
    }
    if (IsEqualGUID(riid, IID_IQmSoftSynthPresets)) return presets::CreatePresetAccess(this, ppv);
    if (IsEqualGUID(riid, IID_IQmSoftSynthEditor)) return CreateEditorSession(this, ppv);
    if (IsEqualGUID(riid, IID_IMIDIDevice) && patchDevice_ != nullptr) return QueryPatchDevice(ppv);
    return E_NOINTERFACE;
}

ULONG CVSTiSofthSynth::AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }

ULONG CVSTiSofthSynth::Release() noexcept {
    const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

CVSTiSofthSynth::~CVSTiSofthSynth() {
    ClosePatchDevice();
    if (HasBits(InstanceStatus::PlugInOpened)) CallDispatcher(effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    entryPoint_ = nullptr;
    if (renderBuffer_ != nullptr) renderBuffer_->Release();
    if (liveBuffer_ != nullptr) liveBuffer_->Release();
    renderBuffer_ = nullptr;
    liveBuffer_ = nullptr;
    ReleaseBuses();
    SetEditorWindow(nullptr);
    midiInput_ = nullptr;
    FreeAudioBlock();
    FreeQueue();
    // The plug-in's code goes away only after its last call has returned.
    if (module_ != nullptr) platform::UnloadModule(module_);
    module_ = nullptr;
    if (propertyPages_ != nullptr) {
        propertyPages_->ClearOwner();
        propertyPages_->Release();
        propertyPages_ = nullptr;
    }
    if (midiSink_ != nullptr) {
        midiSink_->Disconnect(this);
        midiSink_->Release();
        midiSink_ = nullptr;
    }
    ReleaseMidiPort();
    std::free(pendingChunk_);
    std::free(capturedChunk_);
}

// ---- Simple slots ----

HRESULT CVSTiSofthSynth::Reserved4() noexcept { return static_cast<HRESULT>(-1); }

HRESULT CVSTiSofthSynth::GetGuid(GUID* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = instanceGuid_;
    return S_OK;
}

HRESULT CVSTiSofthSynth::SetGuid(REFGUID guid) noexcept {
    instanceGuid_ = guid;
    for (int i = 0; i < busCount_; ++i) buses_[i]->SetBusGuid(guid);
    if (midiPort_ != nullptr) midiPort_->SetGuid(guid);
    return S_OK;
}

HRESULT CVSTiSofthSynth::GetName(LPWSTR dest, LONG capacity) noexcept {
    if (capacity < 2) return S_OK;
    if (dest == nullptr) return E_POINTER;
    CopyTruncated(displayName_, dest, capacity - 2);
    return S_OK;
}

HRESULT CVSTiSofthSynth::GetDisplayName(LPWSTR dest, LONG capacity) noexcept {
    if (dest != nullptr && capacity >= 1) CopyTruncated(displayName_, dest, capacity - 1);
    return static_cast<HRESULT>(constantOne_);
}

HRESULT CVSTiSofthSynth::GetKind(DWORD* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = constantThree_;
    return S_OK;
}

HRESULT CVSTiSofthSynth::Reserved14(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept {
    return QM_S_NOTHING_RENDERED;
}
HRESULT CVSTiSofthSynth::Reserved17(DWORD, DWORD) noexcept { return S_OK; }
HRESULT CVSTiSofthSynth::Reserved21(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynth::Reserved22(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynth::Reserved23(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynth::Reserved25(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynth::Reserved35(DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynth::Reserved37() noexcept { return S_OK; }
HRESULT CVSTiSofthSynth::Reserved40(DWORD, DWORD) noexcept { return S_OK; }
HRESULT CVSTiSofthSynth::Reserved43() noexcept { return S_OK; }

HRESULT CVSTiSofthSynth::SetMidiSink(IMIDIIn* sink) noexcept {
    if (midiSink_ != nullptr) {
        midiSink_->Disconnect(this);
        midiSink_->Release();
    }
    midiSink_ = sink;
    if (sink != nullptr) {
        sink->Connect(this);
        sink->AddRef();
    }
    return S_OK;
}

HRESULT CVSTiSofthSynth::GetMidiSink(IMIDIIn** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (midiSink_ == nullptr) return E_NOINTERFACE;
    return midiSink_->QueryInterface(IID_IMIDIIn, reinterpret_cast<void**>(out));
}

HRESULT CVSTiSofthSynth::IsOptionAOff() noexcept {
    return HasBits(InstanceStatus::OptionA) && midiSink_ != nullptr ? 0 : 1;
}

HRESULT CVSTiSofthSynth::SetOptionA(DWORD on) noexcept {
    if (on & 1) SetBits(InstanceStatus::OptionA);
    else ClearBits(InstanceStatus::OptionA);
    return S_OK;
}

HRESULT CVSTiSofthSynth::IsOptionBOff() noexcept { return HasBits(InstanceStatus::OptionB) ? 0 : 1; }

HRESULT CVSTiSofthSynth::SetOptionB(DWORD on) noexcept {
    if (on & 1) SetBits(InstanceStatus::OptionB);
    else ClearBits(InstanceStatus::OptionB);
    return S_OK;
}

HRESULT CVSTiSofthSynth::IsSinkAttached() noexcept {
    return HasBits(InstanceStatus::SinkDetached) && midiSink_ != nullptr ? 0 : 1;
}

HRESULT CVSTiSofthSynth::SetSinkDetached(DWORD on) noexcept {
    if (on & 1) SetBits(InstanceStatus::SinkDetached);
    else ClearBits(InstanceStatus::SinkDetached);
    if (midiSink_ == nullptr) return S_FALSE;
    return (on & 1) ? midiSink_->Disconnect(this) : midiSink_->Connect(this);
}

HRESULT CVSTiSofthSynth::CreatePropertyPage(REFIID iid, void** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    CVSTiSynthPage* page = CVSTiSynthPage::Create();
    if (page == nullptr) return E_OUTOFMEMORY;
    // The query takes the caller's reference; a refused interface frees the page again.
    page->AddRef();
    const HRESULT hr = page->QueryInterface(iid, out);
    page->Release();
    return hr;
}

HRESULT CVSTiSofthSynth::ResetQueue() noexcept {
    pendingFrames_ = 0;
    if (queue_ != nullptr) queue_->Reset();
    ClearBits(InstanceStatus::QueueOverflow);
    return S_OK;
}
HRESULT CVSTiSofthSynth::ResetQueue2(DWORD, DWORD) noexcept { return ResetQueue(); }
HRESULT CVSTiSofthSynth::ResetQueue3() noexcept { return ResetQueue(); }


HRESULT CVSTiSofthSynth::QueryThis(IQmSoftSynth** out) noexcept {
    return QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(out));
}

}  // namespace qm
