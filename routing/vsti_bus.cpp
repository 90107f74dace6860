// CVSTiSofthSynthBus: creation, interfaces, the slots a bus answers itself and the ones it passes on
// to its owning instance.
#include "routing/vsti_bus.h"

#include <cstring>
#include <new>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "qmvsti/guids.h"

namespace qm {

CVSTiSofthSynthBus::CVSTiSofthSynthBus(CVSTiSofthSynth* owner, uint32_t number, const GUID& guid) noexcept
    : owner_(owner), number_(number), guid_(guid) {}

CVSTiSofthSynthBus::~CVSTiSofthSynthBus() { OutputQueue::Destroy(queue_); }

CVSTiSofthSynthBus* CVSTiSofthSynthBus::Create(CVSTiSofthSynth* owner, uint32_t number, const GUID& guid) noexcept {
    return new (std::nothrow) CVSTiSofthSynthBus(owner, number, guid);
}

HRESULT CVSTiSofthSynthBus::SetOutputs(int firstOutput, bool mono) noexcept {
    firstOutput_ = firstOutput;
    if (mono) Set(BusStatus::Mono);
    else Clear(BusStatus::Mono);
    return S_OK;
}

void CVSTiSofthSynthBus::SetBusName(const WCHAR* name) noexcept {
    int length = 0;
    while (name != nullptr && name[length] != 0 && length < kNameChars - 1) ++length;
    if (length > 0) std::memcpy(name_, name, static_cast<size_t>(length) * sizeof(WCHAR));
    name_[length] = 0;
}

// ---- IUnknown ----

HRESULT CVSTiSofthSynthBus::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IQmSoftSynth)) {
        *ppv = static_cast<IQmSoftSynth*>(this);
        AddRef();
        return S_OK;
    }
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->QueryInterface(riid, ppv) : E_NOINTERFACE;
}

ULONG CVSTiSofthSynthBus::AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }

ULONG CVSTiSofthSynthBus::Release() noexcept {
    const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) {
        ClearOwner();
        delete this;
    }
    return count;
}

// ---- What a bus answers itself ----

HRESULT CVSTiSofthSynthBus::GetMidiInput(REFIID, void** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CVSTiSofthSynthBus::Reserved4() noexcept { return static_cast<HRESULT>(-1); }
HRESULT CVSTiSofthSynthBus::SetGuid(REFGUID) noexcept { return S_OK; }  // the owner's GUID rules

HRESULT CVSTiSofthSynthBus::GetName(LPWSTR dest, LONG capacity) noexcept {
    if (dest == nullptr || capacity < 1) return S_OK;
    LONG length = 0;
    while (length < capacity - 1 && name_[length] != 0) ++length;
    std::memcpy(dest, name_, static_cast<size_t>(length) * sizeof(WCHAR));
    dest[length] = 0;
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Open(DWORD, DWORD, DWORD, SynthSiteCallback, ULONG_PTR, DWORD) noexcept {
    Set(BusStatus::Opened);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Close() noexcept {
    if (!Has(BusStatus::Opened)) return QM_E_NOT_OPENED;
    Clear(BusStatus::Opened);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Play(DWORD, DWORD) noexcept {
    Set(BusStatus::Playing);
    Clear(BusStatus::Cued);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Stop() noexcept {
    Clear(BusStatus::Playing);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Cue(LONGLONG) noexcept {
    Set(BusStatus::Cued);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Reserved14(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept {
    return QM_S_NOTHING_RENDERED;
}

HRESULT CVSTiSofthSynthBus::StartLive() noexcept {
    Set(BusStatus::Live);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::StopLive() noexcept {
    Clear(BusStatus::Live);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::Reserved21(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthBus::Reserved22(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthBus::Reserved23(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthBus::Reserved25(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthBus::Reserved35(DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthBus::Reserved37() noexcept { return S_OK; }
HRESULT CVSTiSofthSynthBus::Reserved40(DWORD, DWORD) noexcept { return S_OK; }
HRESULT CVSTiSofthSynthBus::Reserved43() noexcept { return S_OK; }
HRESULT CVSTiSofthSynthBus::CaptureChunk() noexcept { return S_OK; }
HRESULT CVSTiSofthSynthBus::GetBus(LONG, IQmSoftSynth** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;  // a bus has no buses
}

HRESULT CVSTiSofthSynthBus::GetPatchDevice(IMIDIDevice** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}

// ---- Passed on to the owner: 0 once the owner has gone ----

HRESULT CVSTiSofthSynthBus::GetGuid(GUID* out) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->GetGuid(out) : S_OK;
}

HRESULT CVSTiSofthSynthBus::GetKind(DWORD* out) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->GetKind(out) : S_OK;
}

HRESULT CVSTiSofthSynthBus::Reserved17(DWORD a1, DWORD a2) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->Reserved17(a1, a2) : S_OK;
}

// MIDI sent to a bus reaches the plug-in.
HRESULT CVSTiSofthSynthBus::SendShortMessage(DWORD message, DWORD unused) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SendShortMessage(message, unused) : S_OK;
}

HRESULT CVSTiSofthSynthBus::SendShortMessages(const DWORD* messages, DWORD count, DWORD unused) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SendShortMessages(messages, count, unused) : S_OK;
}

HRESULT CVSTiSofthSynthBus::SendTimedMessage(DWORD message, LONGLONG duration) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SendTimedMessage(message, duration) : S_OK;
}

HRESULT CVSTiSofthSynthBus::SetMidiSink(IMIDIIn* sink) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SetMidiSink(sink) : S_OK;
}

HRESULT CVSTiSofthSynthBus::GetMidiSink(IMIDIIn** out) noexcept {
    if (out != nullptr) *out = nullptr;
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->GetMidiSink(out) : S_OK;
}

HRESULT CVSTiSofthSynthBus::IsOptionAOff() noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->IsOptionAOff() : S_OK;
}

HRESULT CVSTiSofthSynthBus::SetOptionA(DWORD on) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SetOptionA(on) : S_OK;
}

HRESULT CVSTiSofthSynthBus::IsOptionBOff() noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->IsOptionBOff() : S_OK;
}

HRESULT CVSTiSofthSynthBus::SetOptionB(DWORD on) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SetOptionB(on) : S_OK;
}

HRESULT CVSTiSofthSynthBus::IsSinkAttached() noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->IsSinkAttached() : S_OK;
}

HRESULT CVSTiSofthSynthBus::SetSinkDetached(DWORD on) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->SetSinkDetached(on) : S_OK;
}

HRESULT CVSTiSofthSynthBus::CreatePropertyPage(REFIID iid, void** out) noexcept {
    if (out != nullptr) *out = nullptr;
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->CreatePropertyPage(iid, out) : S_OK;
}

HRESULT CVSTiSofthSynthBus::GetDisplayName(LPWSTR dest, LONG capacity) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->GetDisplayName(dest, capacity) : S_FALSE;
}

HRESULT CVSTiSofthSynthBus::Idle(DWORD now) noexcept {
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->Idle(now) : S_OK;
}

// A bus answers for its instance.
HRESULT CVSTiSofthSynthBus::QueryThis(IQmSoftSynth** out) noexcept {
    if (out != nullptr) *out = nullptr;
    CVSTiSofthSynth* owner = Owner();
    return owner != nullptr ? owner->QueryInterface(IID_IQmSoftSynth, reinterpret_cast<void**>(out)) : S_OK;
}

}  // namespace qm
