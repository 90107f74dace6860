/* IQMMIDIBuffer: the time-stamped MIDI buffer of a soft-synth instance (17 slots). The host fills the
 * render buffer through it during SiteCode::FillBlock, under the instance lock, on the render thread.
 * Times are 64-bit counts of 100-ns units (two stack words each on i686). Reserved slots keep their
 * argument words (each slot pops its own arguments on i686). */
#ifndef QMVSTI_MIDI_BUFFER_H
#define QMVSTI_MIDI_BUFFER_H

#include "callconv.h"
#include "com.h"

namespace qm {

struct IQMMIDIBuffer : IUnknown {
    /* 3-5: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved3(DWORD a1) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved4(DWORD a1, DWORD a2, DWORD a3, DWORD a4) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved5(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept = 0;
    /* 6: moves the start time on by `duration` and drops the events before it; a duration of 0 or
     * less empties the buffer. S_OK. */
    virtual HRESULT QM_COMCALL AdvanceTime(LONGLONG duration) noexcept = 0;
    /* 7: adds a packed short message at host time `time`; S_OK, S_FALSE when the pool is full. */
    virtual HRESULT QM_COMCALL PutShortEvent(LONGLONG time, DWORD message, DWORD unused) noexcept = 0;
    /* 8: accepted and ignored; S_OK. */
    virtual HRESULT QM_COMCALL Reserved8(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5) noexcept = 0;
    /* 9-11: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved9(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved10(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved11(DWORD a1, DWORD a2) noexcept = 0;
    /* 12: writes the offset of the last event added after the start; returns QM_S_NOTHING_RENDERED
     * (a success code). */
    virtual HRESULT QM_COMCALL GetLastEventOffset(LONGLONG* out) noexcept = 0;
    /* 13, 14: set and read the host time of sample offset 0 of the current block; S_OK. */
    virtual HRESULT QM_COMCALL SetStartTime(LONGLONG time) noexcept = 0;
    virtual HRESULT QM_COMCALL GetStartTime(LONGLONG* out) noexcept = 0;
    /* 15: S_OK, nothing done. 16: S_FALSE, nothing done. */
    virtual HRESULT QM_COMCALL Reserved15(DWORD a1) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved16(DWORD a1) noexcept = 0;
};

} // namespace qm

#endif
