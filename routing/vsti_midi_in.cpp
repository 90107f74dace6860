// CVSTiSofthSynthIn: creation, the port's slots, its connections and the delivery of the plug-in's
// MIDI messages.
#include "routing/vsti_midi_in.h"

#include <cstdlib>
#include <new>

#include "framework/lang.h"
#include "framework/text_format.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/clock.h"
#include "qmvsti/guids.h"

namespace qm {

namespace {

constexpr UINT kIdsNamedInput = 1056;  // "%s Input"
constexpr UINT kIdsDefaultInput = 1055;  // "VSTi Soft Synth Input"
constexpr DWORD kMinimumBuffers = 2;

}  // namespace

CVSTiSofthSynthIn::CVSTiSofthSynthIn(CVSTiSofthSynth* instance) noexcept : instance_(instance) {}

CVSTiSofthSynthIn::~CVSTiSofthSynthIn() {
    QmList_Destroy(sinks_);
    std::free(bufferBlock_);
}

HRESULT CVSTiSofthSynthIn::Create(CVSTiSofthSynth* instance, CVSTiSofthSynthIn** out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    CVSTiSofthSynthIn* port = new (std::nothrow) CVSTiSofthSynthIn(instance);
    if (port == nullptr) return E_OUTOFMEMORY;
    const HRESULT created = QmList_CreateExZ(&port->sinks_, static_cast<int>(sizeof(IMIDIOut*)), 4, 4,
                                             QMLIST_OPT_ALWAYS | QMLIST_OPT_INLINEITEMS, 0, 0, 0);
    if (FAILED(created)) {
        delete port;
        return created;
    }
    *out = port;
    return S_OK;
}

// ---- IUnknown ----

HRESULT CVSTiSofthSynthIn::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IMIDIIn)) return E_NOINTERFACE;
    *ppv = static_cast<IMIDIIn*>(this);
    AddRef();
    return S_OK;
}

ULONG CVSTiSofthSynthIn::AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }

ULONG CVSTiSofthSynthIn::Release() noexcept {
    const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

// ---- IMIDIIn ----

HRESULT CVSTiSofthSynthIn::GetGuid(GUID* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = guid_;
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::SetGuid(REFGUID guid) noexcept {
    guid_ = guid;
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Reserved5(DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthIn::Reserved6(DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CVSTiSofthSynthIn::Reserved14(DWORD, DWORD) noexcept { return S_OK; }
HRESULT CVSTiSofthSynthIn::Reserved15(DWORD, DWORD) noexcept { return S_OK; }
HRESULT CVSTiSofthSynthIn::Reserved19(DWORD) noexcept { return E_NOTIMPL; }

HRESULT CVSTiSofthSynthIn::Reserved18(void** out) noexcept {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT CVSTiSofthSynthIn::GetName(LPWSTR buffer, LONG capacity) noexcept {
    if (buffer == nullptr || capacity < 1) return S_OK;
    WCHAR display[CVSTiSofthSynth::kNameChars] = {};
    CVSTiSofthSynth* instance = instance_.load(std::memory_order_acquire);
    if (instance != nullptr) instance->GetName(display, CVSTiSofthSynth::kNameChars);
    const bool named = display[0] != 0;
    const WCHAR* format = QmGetString(KernelLangHandle(), named ? kIdsNamedInput : kIdsDefaultInput);
    FormatTexts(buffer, static_cast<size_t>(capacity), format, {display});
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::GetKind(DWORD* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = kind_;
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Open(void** buffers, DWORD* size, DWORD* count, MidiPortCallback callback,
                                ULONG_PTR cookie) noexcept {
    if (buffers == nullptr || size == nullptr || count == nullptr || callback == nullptr) return E_POINTER;
    if ((Status() & MidiPortStatus::Opened) != 0 || *count < kMinimumBuffers) return QM_E_MIDI_PORT;
    const size_t bytes = static_cast<size_t>(*count) * *size;
    void* block = std::calloc(bytes > 0 ? bytes : 1, 1);
    if (block == nullptr) return E_OUTOFMEMORY;
    // The host's buffers: the port allocates and frees them, and never writes into them.
    for (DWORD i = 0; i < *count; ++i) buffers[i] = static_cast<unsigned char*>(block) + static_cast<size_t>(i) * *size;
    bufferBlock_ = block;
    bufferCount_ = *count;
    cookie_.store(cookie, std::memory_order_relaxed);
    callback_.store(callback, std::memory_order_release);
    status_.fetch_or(MidiPortStatus::Opened, std::memory_order_acq_rel);
    if (callback(this, PortCode::Opened, cookie, 0, 0, 0, 0, 0) != S_OK) {
        Close(buffers);
        return E_UNEXPECTED;
    }
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Close(void** buffers) noexcept {
    if ((Status() & MidiPortStatus::Opened) == 0) return QM_E_NOT_OPENED;
    if (buffers == nullptr) return E_POINTER;
    MidiPortCallback callback = callback_.load(std::memory_order_acquire);
    if (callback != nullptr && callback(this, PortCode::Closed, cookie_.load(std::memory_order_relaxed), 0, 0, 0, 0, 0) != S_OK) return E_UNEXPECTED;
    status_.fetch_and(~MidiPortStatus::Opened, std::memory_order_acq_rel);
    callback_.store(nullptr, std::memory_order_release);
    for (DWORD i = 0; i < bufferCount_; ++i) buffers[i] = nullptr;
    std::free(bufferBlock_);
    bufferBlock_ = nullptr;
    cookie_.store(0, std::memory_order_relaxed);
    bufferCount_ = 0;
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Start() noexcept {
    startTime_.store(platform::MillisecondClock(), std::memory_order_release);
    status_.fetch_or(MidiPortStatus::Started, std::memory_order_acq_rel);
    status_.fetch_and(~MidiPortStatus::Paused, std::memory_order_acq_rel);
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Stop() noexcept {
    status_.fetch_and(~(MidiPortStatus::Started | MidiPortStatus::Paused), std::memory_order_acq_rel);
    return S_OK;
}

HRESULT CVSTiSofthSynthIn::Pause() noexcept {
    status_.fetch_or(MidiPortStatus::Paused, std::memory_order_acq_rel);
    return S_OK;
}

int CVSTiSofthSynthIn::FindSink(IMIDIOut* output) noexcept {
    return QmList_FindSpecificItemRange(sinks_, 0, -1, &output);
}

int CVSTiSofthSynthIn::SinkCount() noexcept {
    platform::LockScope hold(lock_);
    return static_cast<int>(sinks_->nCount);
}

HRESULT CVSTiSofthSynthIn::Connect(IMIDIOut* output) noexcept {
    if (output == nullptr) return E_POINTER;
    // The instance hears its own output already; connecting it would loop.
    CVSTiSofthSynth* instance = instance_.load(std::memory_order_acquire);
    if (instance != nullptr && output == static_cast<IMIDIOut*>(instance)) return S_FALSE;
    platform::LockScope hold(lock_);
    if (FindSink(output) >= 0) return S_OK;
    return QmList_InsertList(sinks_, sinks_->nCount, &output, 1);
}

HRESULT CVSTiSofthSynthIn::Disconnect(IMIDIOut* output) noexcept {
    platform::LockScope hold(lock_);
    const int at = FindSink(output);
    if (at < 0) return S_FALSE;
    return QmList_DeleteList(sinks_, at, 1, FALSE);
}

void CVSTiSofthSynthIn::Deliver(const VstMidiEvent& event) noexcept {
    if (event.type != kVstMidiType || (Status() & MidiPortStatus::Started) == 0) return;
    MidiPortCallback callback = callback_.load(std::memory_order_acquire);
    if (callback == nullptr) return;
    const DWORD message = static_cast<DWORD>(static_cast<unsigned char>(event.midiData[0])) |
                          static_cast<DWORD>(static_cast<unsigned char>(event.midiData[1])) << 8 |
                          static_cast<DWORD>(static_cast<unsigned char>(event.midiData[2])) << 16;
    const uint32_t elapsed = platform::MillisecondClock() - startTime_.load(std::memory_order_acquire);
    callback(this, PortCode::ShortMessage, cookie_.load(std::memory_order_relaxed), message, 0, 0, 0, elapsed);
    platform::LockScope hold(lock_);
    auto* const* outputs = reinterpret_cast<IMIDIOut* const*>(sinks_->pSlots);
    for (LONG i = 0; i < sinks_->nCount; ++i) outputs[i]->SendShortMessage(message, 0);
}

}  // namespace qm
