// CVSTIPatchDevice: creation, interfaces and reference counting, the simple slots, the host's
// strings and capabilities, the listener slots, opening and closing.
#include "patches/patch_device.h"

#include <new>

#include "hosting/vsti_soft_synth.h"
#include "platform/text.h"
#include "qmvsti/guids.h"

namespace qm {

namespace {

constexpr HRESULT kMinusOne = static_cast<HRESULT>(-1);
constexpr DWORD kHostCapsTaken = PatchDeviceCaps::NoPrograms | PatchDeviceCaps::AtMostOne | PatchDeviceCaps::OmniOrPlain;

HRESULT ReadField(const WCHAR* field, LPWSTR buffer, LONG capacity) noexcept {
    if (buffer == nullptr) return E_POINTER;
    platform::CopyWide(field, buffer, static_cast<int>(capacity));
    return S_OK;
}

HRESULT WriteField(LPCWSTR text, WCHAR* field) noexcept {
    platform::CopyWide(text, field, CVSTIPatchDevice::kStringChars);
    return S_OK;
}

}  // namespace

CVSTIPatchDevice::CVSTIPatchDevice(CVSTiSofthSynth* owner) noexcept : owner_(owner) {}

CVSTIPatchDevice* CVSTIPatchDevice::Create(CVSTiSofthSynth* owner) noexcept {
    void* memory = ::operator new(sizeof(CVSTIPatchDevice), std::nothrow);
    if (memory == nullptr) return nullptr;
    return new (memory) CVSTIPatchDevice(owner);
}

CVSTIPatchDevice::~CVSTIPatchDevice() {
    // Listeners that are still registered hear the close; one that does not unregister in answer is
    // removed here, so that the loop ends.
    CloseDevice();
    delete[] parameters_;
}

HRESULT CVSTIPatchDevice::DeletingDestructor(UINT flags) noexcept {
    this->~CVSTIPatchDevice();
    if (flags & 1) ::operator delete(this);
    return S_OK;
}

HRESULT CVSTIPatchDevice::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IMIDIDevice)) {
        *ppv = static_cast<IMIDIDevice*>(this);
        AddRef();
        return S_OK;
    }
    if (owner_ != nullptr && (IsEqualGUID(riid, IID_IQmSoftSynth) || IsEqualGUID(riid, IID_IMIDIOut))) {
        return owner_->QueryInterface(riid, ppv);
    }
    return E_NOINTERFACE;
}

ULONG CVSTIPatchDevice::AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }

ULONG CVSTIPatchDevice::Release() noexcept {
    const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) DeletingDestructor(1);
    return count;
}

// ---- Slots that forward to the instance or answer a fixed value ----

HRESULT CVSTIPatchDevice::GetName(LPWSTR dest, LONG capacity) noexcept {
    if (owner_ == nullptr) return S_FALSE;
    return owner_->GetName(dest, capacity);
}

HRESULT CVSTIPatchDevice::Reserved4() noexcept { return S_OK; }

GUID* CVSTIPatchDevice::GetDeviceBlock() noexcept {
    if (owner_ != nullptr) owner_->GetGuid(&deviceBlock_);
    return &deviceBlock_;
}

HRESULT CVSTIPatchDevice::Reserved6() noexcept { return S_OK; }

HRESULT CVSTIPatchDevice::GetKind(DWORD* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = 3;
    if (owner_ == nullptr) return S_OK;
    return owner_->GetKind(out);
}

HRESULT CVSTIPatchDevice::Reserved8() noexcept { return S_FALSE; }

HRESULT CVSTIPatchDevice::GetMidiInput(IMIDIIn** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (owner_ == nullptr) return E_NOINTERFACE;
    return owner_->QueryInterface(IID_IMIDIIn, reinterpret_cast<void**>(out));
}

HRESULT CVSTIPatchDevice::Reserved10() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved11(DWORD* out) noexcept {
    if (out != nullptr) *out = 0;
    return E_NOTIMPL;
}
HRESULT CVSTIPatchDevice::Reserved12() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved13() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved14() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved15() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved16() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved26() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved27() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved28() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved34() noexcept { return kMinusOne; }
HRESULT CVSTIPatchDevice::Reserved35() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved36() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved37() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved52() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved53() noexcept { return S_FALSE; }
HRESULT CVSTIPatchDevice::Reserved54() noexcept { return kMinusOne; }
HRESULT CVSTIPatchDevice::Reserved55(DWORD* out) noexcept {
    if (out != nullptr) *out = 0;
    return S_FALSE;
}
HRESULT CVSTIPatchDevice::Reserved56(DWORD* out) noexcept {
    if (out != nullptr) *out = 0;
    return S_FALSE;
}
HRESULT CVSTIPatchDevice::Reserved57() noexcept { return E_NOTIMPL; }
HRESULT CVSTIPatchDevice::Reserved58() noexcept { return E_NOTIMPL; }

// ---- Listeners ----

HRESULT CVSTIPatchDevice::AddListener(IMIDIDeviceListener* listener) noexcept {
    if (listener == nullptr) return E_POINTER;
    const HRESULT added = listeners_.Add(listener);
    return added == S_FALSE ? S_OK : added;
}

HRESULT CVSTIPatchDevice::RemoveListener(IMIDIDeviceListener* listener) noexcept {
    listeners_.Remove(listener);
    return S_FALSE;
}

HRESULT CVSTIPatchDevice::SendPatchChangeEvent() noexcept {
    SendPatchChange();
    return S_OK;
}

// ---- Capabilities and the host's strings ----

HRESULT CVSTIPatchDevice::GetDeviceCaps(MidiDeviceCaps* caps) noexcept {
    if (caps == nullptr) return E_POINTER;
    caps->reported = 0;
    caps->caps = caps_;
    if (caps->name != nullptr && owner_ != nullptr) platform::CopyWide(owner_->DisplayName(), caps->name, static_cast<int>(caps->nameCapacity));
    return S_OK;
}

HRESULT CVSTIPatchDevice::SetHostCaps(const MidiDeviceCaps* caps) noexcept {
    if (caps == nullptr) return E_POINTER;
    caps_ = (caps_ & ~kHostCapsTaken) | (caps->caps & kHostCapsTaken) | PatchDeviceCaps::HostCapsSet;
    return S_OK;
}

// The three host strings are 260-character fields, copied in and out.
HRESULT CVSTIPatchDevice::GetDeviceName(LPWSTR buffer, LONG capacity) noexcept { return ReadField(deviceName_, buffer, capacity); }
HRESULT CVSTIPatchDevice::SetDeviceName(LPCWSTR text) noexcept { return WriteField(text, deviceName_); }
HRESULT CVSTIPatchDevice::GetSecondString(LPWSTR buffer, LONG capacity) noexcept { return ReadField(secondString_, buffer, capacity); }
HRESULT CVSTIPatchDevice::SetSecondString(LPCWSTR text) noexcept { return WriteField(text, secondString_); }
HRESULT CVSTIPatchDevice::GetThirdString(LPWSTR buffer, LONG capacity) noexcept { return ReadField(thirdString_, buffer, capacity); }
HRESULT CVSTIPatchDevice::SetThirdString(LPCWSTR text) noexcept { return WriteField(text, thirdString_); }

// ---- Opening and closing ----

HRESULT CVSTIPatchDevice::OpenDevice() noexcept {
    RefreshPrograms();
    if (thirdString_[0] != 0 && listeners_.Count() > 0) {
        PatchListenerEvent event;
        BeginEvent(event, GUID_PatchEventOpen, PatchEventKind::Open);
        // The host's answer would let the device skip its parameter table; the table is built
        // anyway, so that the parameter slots always have one to read.
        Broadcast(event);
    }
    const HRESULT built = BuildParameterTable();
    if (owner_ != nullptr) owner_->ClearFaulted();
    return built;
}

void CVSTIPatchDevice::CloseDevice() noexcept {
    while (IMIDIDeviceListener* listener = listeners_.First()) {
        PatchListenerEvent event;
        BeginEvent(event, GUID_PatchEventClose, PatchEventKind::Change);
        listener->OnEvent(&event);
        listeners_.Remove(listener);
        listener->Release();
    }
}

}  // namespace qm
