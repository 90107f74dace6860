/* IQmSoftSynth: a soft-synth instance (and each of its output buses) as the host drives it; slots
 * 38-52 after IMIDIOut's 0-37, 53 in all. Also the instance status word and the render flags.
 *
 * Threads: Render and the queue resets on the host's audio thread; SetFormat and ReleaseFormat on its
 * user-interface thread, never during a render; state, information and the rest on the user-interface
 * thread; Idle on the user-interface or the editor's thread. */
#ifndef QMVSTI_SOFT_SYNTH_H
#define QMVSTI_SOFT_SYNTH_H

#include "callconv.h"
#include "com.h"
#include "host_structures.h"
#include "midi_out.h"

namespace qm {

struct IQmSoftSynth : IMIDIOut {
    /* 38: takes the host's buffer format (read, not kept), prepares the plug-in's buffers; bit 0 of
     * `offline` marks offline rendering. 0 or E_OUTOFMEMORY. */
    virtual HRESULT QM_COMCALL SetFormat(const WAVEFORMATEX* format, DWORD unused, DWORD offline) noexcept = 0;
    /* 39: suspends the plug-in and frees the buffers and the output queue; 0. */
    virtual HRESULT QM_COMCALL ReleaseFormat() noexcept = 0;
    /* 40: returns 0. */
    virtual HRESULT QM_COMCALL Reserved40(DWORD a1, DWORD a2) noexcept = 0;
    /* 41, 42, 44: empty the output queue and clear its overflow; 0. */
    virtual HRESULT QM_COMCALL ResetQueue() noexcept = 0;
    virtual HRESULT QM_COMCALL ResetQueue2(DWORD unused1, DWORD unused2) noexcept = 0;
    /* 43: returns 0. */
    virtual HRESULT QM_COMCALL Reserved43() noexcept = 0;
    virtual HRESULT QM_COMCALL ResetQueue3() noexcept = 0;
    /* 45: fills `frames` frames of the host format at `destination` from 64-bit frame `startFrame`.
     * `timeRecord` may be null; it is read (a private copy is advanced) and not kept. Returns
     * `frames`, or -2 after filling silence because of a plug-in fault or a queue overflow. */
    virtual HRESULT QM_COMCALL Render(void* destination, LONGLONG startFrame, LONG frames, DWORD unused,
                                      DWORD flags, HostTimeRecord* timeRecord) noexcept = 0;
    /* 46, 47: write and read the instance state at the stream's position (stream not kept); a stream
     * error is returned as it comes; LoadState: QM_E_STATE_VERSION, and on any failure the stream is
     * put back where the block began. */
    virtual HRESULT QM_COMCALL SaveState(IStream* stream) noexcept = 0;
    virtual HRESULT QM_COMCALL LoadState(IStream* stream) noexcept = 0;
    /* 48: copies the plug-in's chunk (kept by the instance); 0 or E_OUTOFMEMORY. */
    virtual HRESULT QM_COMCALL CaptureChunk() noexcept = 0;
    /* 49: idle pass now, or with 0 posted to the editor's thread when an editor is open; 0. */
    virtual HRESULT QM_COMCALL Idle(DWORD now) noexcept = 0;
    /* 50: fills the host's record; strings CoTaskMemAlloc'ed, owned by the host afterwards.
     * 0, E_UNEXPECTED without a plug-in, E_OUTOFMEMORY (info->state = SoftSynthInfoState::Failed). */
    virtual HRESULT QM_COMCALL GetInfo(SoftSynthTypeInfo* info) noexcept = 0;
    /* 51: the output bus at `index` in *out (one reference for the caller); null and S_FALSE when
     * there is none. */
    virtual HRESULT QM_COMCALL GetBus(LONG index, IQmSoftSynth** out) noexcept = 0;
    /* 52: the instance's own IQmSoftSynth in *out (one reference; a bus answers with its instance). */
    virtual HRESULT QM_COMCALL QueryThis(IQmSoftSynth** out) noexcept = 0;
};

/* Render flags (IQmSoftSynth::Render, SiteCode::FillBlock). */
namespace RenderFlags {
inline constexpr DWORD FirstBlockOnly = 0x10000000; /* passed on to the first block of a request only */
inline constexpr DWORD NoSiteCallback = 0x40000000; /* no SiteCode::FillBlock for any block */
} // namespace RenderFlags

/* The instance status word. */
namespace InstanceStatus {
inline constexpr DWORD Attached = 0x1;
inline constexpr DWORD Cued = 0x2;
inline constexpr DWORD Playing = 0x4;
inline constexpr DWORD Live = 0x8;
inline constexpr DWORD Offline = 0x10;
inline constexpr DWORD PlugInOpened = 0x20;
inline constexpr DWORD Faulted = 0x80;
inline constexpr DWORD OptionA = 0x100;
inline constexpr DWORD OptionB = 0x200;
inline constexpr DWORD SinkDetached = 0x400;
inline constexpr DWORD ProcessEvents = 0x800;
inline constexpr DWORD MonoMainOutput = 0x1000;
inline constexpr DWORD QueueOverflow = 0x2000;
inline constexpr DWORD InProcess = 0x4000;
inline constexpr DWORD ProgramChangeSeen = 0x8000;
inline constexpr DWORD BankSelectSeen = 0x10000;
inline constexpr DWORD NoSizeWindow = 0x20000;
inline constexpr DWORD NeedsIdle = 0x40000;
} // namespace InstanceStatus

} // namespace qm

#endif
