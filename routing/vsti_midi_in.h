// CVSTiSofthSynthIn: the MIDI output of a hosted instrument as the host sees it, a MIDI input port
// ("<instrument> Input") that the host opens and records from. The plug-in's short messages
// (audioMasterProcessEvents) arrive through the instance; while the port is open and started each
// goes to the host's callback, stamped with the milliseconds since Start, and then to every MIDI
// output connected to the port.
//
// Threads: Open, Close, Start, Stop and the names on the host's user-interface thread; Connect and
// Disconnect on any thread (also from an output's teardown); Deliver on whatever thread the plug-in
// sends from, normally the render thread. The sink list is guarded by the port's own lock, which is
// held while forwarding; the host callback is called outside it.
#pragma once
#include <atomic>
#include <cstdint>

#include "framework/list.h"
#include "platform/sync.h"
#include "qmvsti/midi_in.h"
#include "qmvsti/vst2.h"

namespace qm {

class CVSTiSofthSynth;

namespace MidiPortStatus {
inline constexpr DWORD Opened = 0x1;
inline constexpr DWORD Paused = 0x2;
inline constexpr DWORD Started = 0x4;
}  // namespace MidiPortStatus

class CVSTiSofthSynthIn final : public IMIDIIn {
public:
    // A port of `instance` with count 0; E_OUTOFMEMORY or the sink list's error.
    static HRESULT Create(CVSTiSofthSynth* instance, CVSTiSofthSynthIn** out) noexcept;
    // One event the plug-in sent: to the callback and the connected outputs while open and started.
    void Deliver(const VstMidiEvent& event) noexcept;
    // The instance's teardown: the name falls back to the port's own from now on.
    void ClearInstance() noexcept { instance_.store(nullptr, std::memory_order_release); }
    DWORD Status() const noexcept { return status_.load(std::memory_order_acquire); }
    int SinkCount() noexcept;

    // ---- IUnknown, IMIDIIn ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL GetGuid(GUID* out) noexcept override;
    HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept override;
    HRESULT QM_COMCALL Reserved5(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved6(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL GetName(LPWSTR buffer, LONG capacity) noexcept override;
    HRESULT QM_COMCALL GetKind(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Open(void** buffers, DWORD* size, DWORD* count, MidiPortCallback callback,
                            ULONG_PTR cookie) noexcept override;
    HRESULT QM_COMCALL Close(void** buffers) noexcept override;
    HRESULT QM_COMCALL Start() noexcept override;
    HRESULT QM_COMCALL Stop() noexcept override;
    HRESULT QM_COMCALL Pause() noexcept override;
    HRESULT QM_COMCALL Reserved14(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved15(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL Connect(IMIDIOut* output) noexcept override;
    HRESULT QM_COMCALL Disconnect(IMIDIOut* output) noexcept override;
    HRESULT QM_COMCALL Reserved18(void** out) noexcept override;
    HRESULT QM_COMCALL Reserved19(DWORD value) noexcept override;

private:
    explicit CVSTiSofthSynthIn(CVSTiSofthSynth* instance) noexcept;
    ~CVSTiSofthSynthIn();
    CVSTiSofthSynthIn(const CVSTiSofthSynthIn&) = delete;
    CVSTiSofthSynthIn& operator=(const CVSTiSofthSynthIn&) = delete;

    int FindSink(IMIDIOut* output) noexcept;  // under the lock; -1 when absent

    std::atomic<ULONG> refs_{0};
    std::atomic<CVSTiSofthSynth*> instance_;
    const DWORD kind_ = 3;
    platform::RecursiveLock lock_;
    GUID guid_{};
    std::atomic<DWORD> status_{0};
    std::atomic<MidiPortCallback> callback_{nullptr};
    std::atomic<ULONG_PTR> cookie_{0};
    DWORD bufferCount_ = 0;
    void* bufferBlock_ = nullptr;
    tQMLIST* sinks_ = nullptr;  // IMIDIOut pointers, not referenced
    std::atomic<uint32_t> startTime_{0};
};

}  // namespace qm
