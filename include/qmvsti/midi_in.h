/* IMIDIIn: a MIDI input port (20 slots). The library implements it for a plug-in's own MIDI output;
 * the host's MIDI sink handed to IMIDIOut::SetMidiSink is one too (the library calls its Connect and
 * Disconnect).
 *
 * Threads: the host's user-interface thread; Connect and Disconnect also from an instance's teardown.
 * Reserved slots keep their argument words (each slot pops its own arguments on i686). */
#ifndef QMVSTI_MIDI_IN_H
#define QMVSTI_MIDI_IN_H

#include "callbacks.h"
#include "callconv.h"
#include "com.h"

namespace qm {

struct IMIDIOut;

struct IMIDIIn : IUnknown {
    /* 3: copies the 16-byte port GUID into *out; 0. */
    virtual HRESULT QM_COMCALL GetGuid(GUID* out) noexcept = 0;
    /* 4: stores the port GUID (read, not kept); 0. */
    virtual HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept = 0;
    /* 5, 6: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved5(DWORD a1, DWORD a2) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved6(DWORD a1, DWORD a2) noexcept = 0;
    /* 7: writes the port's name ("<instrument> Input"), cut to `capacity` characters; 0. */
    virtual HRESULT QM_COMCALL GetName(LPWSTR buffer, LONG capacity) noexcept = 0;
    /* 8: writes the kind 3 into *out; 0. */
    virtual HRESULT QM_COMCALL GetKind(DWORD* out) noexcept = 0;
    /* 9: opens the port: fills `buffers` with *count buffers of *size bytes (owned by the port, freed
     * by Close), keeps `callback` and `cookie` and calls PortCode::Opened. 0; E_POINTER for a null
     * argument; QM_E_MIDI_PORT when already open or *count < 2; E_OUTOFMEMORY; E_UNEXPECTED when the
     * callback refuses. */
    virtual HRESULT QM_COMCALL Open(void** buffers, DWORD* size, DWORD* count, MidiPortCallback callback,
                                    ULONG_PTR cookie) noexcept = 0;
    /* 10: closes the port (PortCode::Closed), frees the buffers and nulls the caller's array entries.
     * 0; QM_E_NOT_OPENED; E_POINTER; E_UNEXPECTED when the callback refuses (the port stays open). */
    virtual HRESULT QM_COMCALL Close(void** buffers) noexcept = 0;
    /* 11-13: start (restarts the millisecond stamp), stop, pause mark; 0. */
    virtual HRESULT QM_COMCALL Start() noexcept = 0;
    virtual HRESULT QM_COMCALL Stop() noexcept = 0;
    virtual HRESULT QM_COMCALL Pause() noexcept = 0;
    /* 14, 15: return 0. */
    virtual HRESULT QM_COMCALL Reserved14(DWORD a1, DWORD a2) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved15(DWORD a1, DWORD a2) noexcept = 0;
    /* 16: connects an output that then receives every message (not referenced: it must disconnect
     * before it goes away). 0; S_FALSE for the owning instance; E_POINTER for null. */
    virtual HRESULT QM_COMCALL Connect(IMIDIOut* output) noexcept = 0;
    /* 17: disconnects an output; 0, S_FALSE when it was not connected. */
    virtual HRESULT QM_COMCALL Disconnect(IMIDIOut* output) noexcept = 0;
    /* 18: clears *out, returns E_NOINTERFACE. */
    virtual HRESULT QM_COMCALL Reserved18(void** out) noexcept = 0;
    /* 19: returns E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved19(DWORD value) noexcept = 0;
};

} // namespace qm

#endif
