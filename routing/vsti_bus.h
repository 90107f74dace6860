// CVSTiSofthSynthBus: one extra output of a hosted instrument (a stereo pair, or a single mono pin)
// offered to the host as a soft synth of its own. A bus has no plug-in: its owning instance pushes the
// bus's channels of every rendered block into the bus's queue, already in the host's format, and a
// bus asked for more than its queue holds makes the owner render further blocks. Everything that
// concerns the plug-in as a whole (MIDI, sinks, options, pages, idle) is passed on to the owner.
//
// Threads: the owner's render thread pushes; the host's render thread pulls in Render, which holds
// the owner's lock for the whole call, so pulls and pushes never overlap. SetFormat, ReleaseFormat,
// the state and the information slots come from the host's user-interface thread, never during a
// render. The owner link is cleared by the owner's teardown; a bus still held by the host then
// answers forwarded slots with 0 and renders silence.
#pragma once
#include <atomic>
#include <cstdint>

#include "hosting/host_sample_writer.h"
#include "qmvsti/soft_synth.h"

namespace qm {

class CVSTiSofthSynth;
class OutputQueue;

namespace BusStatus {
inline constexpr DWORD Opened = 0x1;
inline constexpr DWORD FormatSet = 0x2;
inline constexpr DWORD Cued = 0x4;
inline constexpr DWORD Playing = 0x8;
inline constexpr DWORD Live = 0x10;
inline constexpr DWORD OutputsGone = 0x2000;
inline constexpr DWORD Mono = 0x4000;
inline constexpr DWORD QueueOverflow = 0x8000;
}  // namespace BusStatus

class CVSTiSofthSynthBus final : public IQmSoftSynth {
public:
    static constexpr int kNameChars = 260;
    static constexpr uint32_t kStateVersion = 5;
    static constexpr uint32_t kOldStateVersion = 4;

    // A bus with count 0 and state 0, or null when memory is short.
    static CVSTiSofthSynthBus* Create(CVSTiSofthSynth* owner, uint32_t number, const GUID& guid) noexcept;
    // The plug-in output that feeds the left channel, and whether the bus plays that one pin alone.
    HRESULT SetOutputs(int firstOutput, bool mono) noexcept;
    void SetBusName(const WCHAR* name) noexcept;
    void SetBusGuid(const GUID& guid) noexcept { guid_ = guid; }
    // The owner's teardown: forwarded slots answer 0 from now on.
    void ClearOwner() noexcept { owner_.store(nullptr, std::memory_order_release); }
    // audioMasterIOChanged past this bus's output: silence and -2 from now on.
    void MarkOutputsGone() noexcept { status_.fetch_or(BusStatus::OutputsGone, std::memory_order_acq_rel); }
    // One rendered block of the bus's channels (right null: mono), called by the owner under its
    // lock. 0 kept; 1 not kept (outputs gone, or the queue full: overflow set); E_OUTOFMEMORY.
    HRESULT Push(const float* left, const float* right, uint32_t frames) noexcept;

    int FirstOutput() const noexcept { return firstOutput_; }
    uint32_t Number() const noexcept { return number_; }
    DWORD Status() const noexcept { return status_.load(std::memory_order_acquire); }
    const WCHAR* Name() const noexcept { return name_; }
    uint32_t PendingFrames() const noexcept { return pendingFrames_; }
    uint32_t BlockFrames() const noexcept { return blockFrames_; }
    const OutputQueue* Queue() const noexcept { return queue_; }
    const GUID& Guid() const noexcept { return guid_; }

    // ---- IUnknown, IMIDIOut, IQmSoftSynth ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL GetMidiInput(REFIID iid, void** out) noexcept override;
    HRESULT QM_COMCALL Reserved4() noexcept override;
    HRESULT QM_COMCALL GetGuid(GUID* out) noexcept override;
    HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept override;
    HRESULT QM_COMCALL GetName(LPWSTR dest, LONG capacity) noexcept override;
    HRESULT QM_COMCALL GetKind(DWORD* out) noexcept override;
    HRESULT QM_COMCALL Open(DWORD unused1, DWORD unused2, DWORD unused3, SynthSiteCallback callback, ULONG_PTR cookie,
                            DWORD unused4) noexcept override;
    HRESULT QM_COMCALL Close() noexcept override;
    HRESULT QM_COMCALL Play(DWORD unused1, DWORD unused2) noexcept override;
    HRESULT QM_COMCALL Stop() noexcept override;
    HRESULT QM_COMCALL Cue(LONGLONG time) noexcept override;
    HRESULT QM_COMCALL Reserved14(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL StartLive() noexcept override;
    HRESULT QM_COMCALL StopLive() noexcept override;
    HRESULT QM_COMCALL Reserved17(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL SendShortMessage(DWORD message, DWORD unused) noexcept override;
    HRESULT QM_COMCALL SendShortMessages(const DWORD* messages, DWORD count, DWORD unused) noexcept override;
    HRESULT QM_COMCALL SendTimedMessage(DWORD message, LONGLONG duration) noexcept override;
    HRESULT QM_COMCALL Reserved21(DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved22(DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved23(DWORD) noexcept override;
    HRESULT QM_COMCALL GetPatchDevice(IMIDIDevice** out) noexcept override;
    HRESULT QM_COMCALL Reserved25(DWORD) noexcept override;
    HRESULT QM_COMCALL SetMidiSink(IMIDIIn* sink) noexcept override;
    HRESULT QM_COMCALL GetMidiSink(IMIDIIn** out) noexcept override;
    HRESULT QM_COMCALL IsOptionAOff() noexcept override;
    HRESULT QM_COMCALL SetOptionA(DWORD on) noexcept override;
    HRESULT QM_COMCALL IsOptionBOff() noexcept override;
    HRESULT QM_COMCALL SetOptionB(DWORD on) noexcept override;
    HRESULT QM_COMCALL IsSinkAttached() noexcept override;
    HRESULT QM_COMCALL SetSinkDetached(DWORD on) noexcept override;
    HRESULT QM_COMCALL CreatePropertyPage(REFIID iid, void** out) noexcept override;
    HRESULT QM_COMCALL Reserved35(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL GetDisplayName(LPWSTR dest, LONG capacity) noexcept override;
    HRESULT QM_COMCALL Reserved37() noexcept override;
    HRESULT QM_COMCALL SetFormat(const WAVEFORMATEX* format, DWORD unused, DWORD offline) noexcept override;
    HRESULT QM_COMCALL ReleaseFormat() noexcept override;
    HRESULT QM_COMCALL Reserved40(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL ResetQueue() noexcept override;
    HRESULT QM_COMCALL ResetQueue2(DWORD, DWORD) noexcept override;
    HRESULT QM_COMCALL Reserved43() noexcept override;
    HRESULT QM_COMCALL ResetQueue3() noexcept override;
    HRESULT QM_COMCALL Render(void* destination, LONGLONG startFrame, LONG frames, DWORD unused, DWORD flags,
                              HostTimeRecord* timeRecord) noexcept override;
    HRESULT QM_COMCALL SaveState(IStream* stream) noexcept override;
    HRESULT QM_COMCALL LoadState(IStream* stream) noexcept override;
    HRESULT QM_COMCALL CaptureChunk() noexcept override;
    HRESULT QM_COMCALL Idle(DWORD now) noexcept override;
    HRESULT QM_COMCALL GetInfo(SoftSynthTypeInfo* info) noexcept override;
    HRESULT QM_COMCALL GetBus(LONG index, IQmSoftSynth** out) noexcept override;
    HRESULT QM_COMCALL QueryThis(IQmSoftSynth** out) noexcept override;

private:
    CVSTiSofthSynthBus(CVSTiSofthSynth* owner, uint32_t number, const GUID& guid) noexcept;
    ~CVSTiSofthSynthBus();
    CVSTiSofthSynthBus(const CVSTiSofthSynthBus&) = delete;
    CVSTiSofthSynthBus& operator=(const CVSTiSofthSynthBus&) = delete;

    CVSTiSofthSynth* Owner() const noexcept { return owner_.load(std::memory_order_acquire); }
    bool Has(DWORD bits) const noexcept { return (Status() & bits) != 0; }
    void Set(DWORD bits) noexcept { status_.fetch_or(bits, std::memory_order_acq_rel); }
    void Clear(DWORD bits) noexcept { status_.fetch_and(~bits, std::memory_order_acq_rel); }
    // Up to `frames` queued frames into dest (silence with the overflow set); the count taken.
    uint32_t Pull(unsigned char* dest, uint32_t frames) noexcept;
    HRESULT RenderFromOwner(CVSTiSofthSynth* owner, unsigned char* dest, LONGLONG start, uint32_t frames,
                            DWORD flags, HostTimeRecord* timeRecord) noexcept;

    std::atomic<ULONG> refs_{0};
    std::atomic<CVSTiSofthSynth*> owner_;
    HostSampleWriter writer_;  // the host format and its converters
    uint32_t blockFrames_ = 0;
    int firstOutput_ = 0;
    uint32_t number_;
    GUID guid_;
    WCHAR name_[kNameChars] = {};
    std::atomic<DWORD> status_{0};
    OutputQueue* queue_ = nullptr;
    uint32_t pendingFrames_ = 0;
    HostTimeRecord timeCopy_{};
};

}  // namespace qm
