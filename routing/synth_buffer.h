// CSofSynthBuffer: the time-stamped MIDI event buffer of a soft-synth instance. The host writes short
// messages into it through IQMMIDIBuffer; the instance hands its content to the plug-in as a VstEvents
// list whose events already carry their sample offsets within the block about to be rendered.
//
// Layout of the one event block: the VstEvents header, capacity / 32 + 2 event pointers, then the pool
// of capacity / 32 VstMidiEvent records. Ordering moves pointers only, never records, and nothing is
// allocated after Init. The buffer has no lock: its owner holds the instance lock around every use.
#pragma once
#include <atomic>
#include <cstdint>

#include "qmvsti/midi_buffer.h"
#include "qmvsti/vst2.h"

namespace qm {

class CSofSynthBuffer final : public IQMMIDIBuffer {
public:
    static constexpr uint32_t kRecordBytes = 32;
    static constexpr uint32_t kMinimumCapacity = 1024;
    // What an instance gives each of its buffers: 2048 events.
    static constexpr uint32_t kInstanceCapacity = 65536;

    // A new buffer with count 0 and no pool, or null when memory is short. The caller takes the
    // first reference.
    static CSofSynthBuffer* Create() noexcept;
    // A buffer made, sized, framed and formatted the way an instance uses it, holding one reference;
    // null when memory is short.
    static CSofSynthBuffer* CreateForInstance(int32_t blockFrames, const WAVEFORMATEX& format) noexcept;

    // Sizes the pool; below kMinimumCapacity bytes nothing is allocated and no event is taken.
    // S_OK, E_OUTOFMEMORY.
    HRESULT Init(uint32_t capacityBytes) noexcept;
    // Block frames := frames, event count := 0 (for a fresh buffer).
    void SetFrameCount(int32_t frames) noexcept;
    // Only the sample rate of the format is used.
    void SetFormat(const WAVEFORMATEX& format) noexcept;

    int32_t BlockFrames() const noexcept { return blockFrames_; }
    // The block about to be rendered; events at or past this offset stay queued for later blocks.
    // numEvents is not recounted here (AdvanceTime does that).
    void SetBlockFrames(int32_t frames) noexcept { blockFrames_ = frames; }
    int32_t EventCount() const noexcept { return eventCount_; }
    // The list for effProcessEvents; null without a pool.
    VstEvents* Events() const noexcept { return events_; }
    VstMidiEvent* EventAt(int32_t index) const noexcept;
    LONGLONG StartTime() const noexcept { return startTime_; }
    uint32_t Capacity() const noexcept { return capacity_; }
    // Empties the buffer (an advance by 0).
    void Clear() noexcept { AdvanceTime(0); }

    // ---- IUnknown ----
    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;

    // ---- IQMMIDIBuffer ----
    HRESULT QM_COMCALL Reserved3(DWORD a1) noexcept override;
    HRESULT QM_COMCALL Reserved4(DWORD a1, DWORD a2, DWORD a3, DWORD a4) noexcept override;
    HRESULT QM_COMCALL Reserved5(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept override;
    HRESULT QM_COMCALL AdvanceTime(LONGLONG duration) noexcept override;
    HRESULT QM_COMCALL PutShortEvent(LONGLONG time, DWORD message, DWORD unused) noexcept override;
    HRESULT QM_COMCALL Reserved8(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5) noexcept override;
    HRESULT QM_COMCALL Reserved9(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept override;
    HRESULT QM_COMCALL Reserved10(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept override;
    HRESULT QM_COMCALL Reserved11(DWORD a1, DWORD a2) noexcept override;
    HRESULT QM_COMCALL GetLastEventOffset(LONGLONG* out) noexcept override;
    HRESULT QM_COMCALL SetStartTime(LONGLONG time) noexcept override;
    HRESULT QM_COMCALL GetStartTime(LONGLONG* out) noexcept override;
    HRESULT QM_COMCALL Reserved15(DWORD a1) noexcept override;
    HRESULT QM_COMCALL Reserved16(DWORD a1) noexcept override;

private:
    CSofSynthBuffer() noexcept = default;
    ~CSofSynthBuffer();
    CSofSynthBuffer(const CSofSynthBuffer&) = delete;
    CSofSynthBuffer& operator=(const CSofSynthBuffer&) = delete;

    int32_t FramesOf(LONGLONG duration) const noexcept;
    void Empty() noexcept;

    std::atomic<ULONG> refs_{0};
    WAVEFORMATEX format_{};
    uint32_t capacity_ = 0;
    uint32_t bytesUsed_ = 0;
    int32_t blockFrames_ = 0;
    int32_t eventCount_ = 0;
    VstEvents* events_ = nullptr;  // the event block
    VstEvent** table_ = nullptr;   // its pointer array (VstEvents::events, sized for the pool)
    VstMidiEvent* poolStart_ = nullptr;
    VstMidiEvent* nextFree_ = nullptr;
    LONGLONG startTime_ = 0;
    LONGLONG lastEventOffset_ = 0;
};

}  // namespace qm
