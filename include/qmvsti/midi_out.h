/* IMIDIOut: the MIDI-output face of a soft-synth instance and of its buses (slots 0-37 of the
 * 53-slot table that IQmSoftSynth completes).
 *
 * Threads: the host's user-interface thread for everything but the transport and message slots;
 * Play, Stop, Cue, live mode and the Send* slots also come from its MIDI and transport threads, and
 * Send* may also come from a MIDI input port's forwarding (the render thread). Reserved slots keep
 * their argument words: each slot pops its own arguments on i686 (__stdcall). */
#ifndef QMVSTI_MIDI_OUT_H
#define QMVSTI_MIDI_OUT_H

#include "callbacks.h"
#include "callconv.h"
#include "com.h"

namespace qm {

struct IMIDIIn;
struct IMIDIDevice;

struct IMIDIOut : IUnknown {
    /* 3: the MIDI input port of the plug-in's own MIDI output: with iid = IID_IMIDIIn and a port,
     * that port's QueryInterface (one reference for the caller); else *out = null, E_NOINTERFACE. */
    virtual HRESULT QM_COMCALL GetMidiInput(REFIID iid, void** out) noexcept = 0;
    /* 4: returns -1. */
    virtual HRESULT QM_COMCALL Reserved4() noexcept = 0;
    /* 5: copies the 16-byte instance GUID into *out; 0. */
    virtual HRESULT QM_COMCALL GetGuid(GUID* out) noexcept = 0;
    /* 6: stores the instance GUID (read, not kept) and passes it on to buses and MIDI port; 0. */
    virtual HRESULT QM_COMCALL SetGuid(REFGUID guid) noexcept = 0;
    /* 7: copies the display name, at most capacity - 2 characters and a terminator; 0. (A bus:
     * its own name, capacity - 1 characters.) */
    virtual HRESULT QM_COMCALL GetName(LPWSTR dest, LONG capacity) noexcept = 0;
    /* 8: writes the kind 3 into *out; 0. */
    virtual HRESULT QM_COMCALL GetKind(DWORD* out) noexcept = 0;
    /* 9: attaches the host site: keeps `callback` and `cookie` and calls the callback with
     * SiteCode::Attached. 0; E_OUTOFMEMORY or the callback's failure leave the instance detached.
     * The three leading words and the last one are not used. */
    virtual HRESULT QM_COMCALL Open(DWORD unused1, DWORD unused2, DWORD unused3, SynthSiteCallback callback,
                                    ULONG_PTR cookie, DWORD unused4) noexcept = 0;
    /* 10: detaches the host site (SiteCode::Detached); QM_E_NOT_OPENED when not attached, or the
     * callback's failure (the instance stays attached). */
    virtual HRESULT QM_COMCALL Close() noexcept = 0;
    /* 11: starts the transport; 0. The two words are not used. */
    virtual HRESULT QM_COMCALL Play(DWORD unused1, DWORD unused2) noexcept = 0;
    /* 12: stops the transport and flushes the plug-in; 0. */
    virtual HRESULT QM_COMCALL Stop() noexcept = 0;
    /* 13: positions the stream at `time` (100-ns units); 0. */
    virtual HRESULT QM_COMCALL Cue(LONGLONG time) noexcept = 0;
    /* 14: returns QM_S_NOTHING_RENDERED. */
    virtual HRESULT QM_COMCALL Reserved14(DWORD a1, DWORD a2, DWORD a3, DWORD a4, DWORD a5, DWORD a6, DWORD a7,
                                          DWORD a8) noexcept = 0;
    /* 15, 16: enters and leaves live mode; 0, or E_OUTOFMEMORY from StartLive. */
    virtual HRESULT QM_COMCALL StartLive() noexcept = 0;
    virtual HRESULT QM_COMCALL StopLive() noexcept = 0;
    /* 17: returns 0. */
    virtual HRESULT QM_COMCALL Reserved17(DWORD a1, DWORD a2) noexcept = 0;
    /* 18: one packed short message (status in bits 0-7) at the chosen buffer's start time; 0. */
    virtual HRESULT QM_COMCALL SendShortMessage(DWORD message, DWORD unused) noexcept = 0;
    /* 19: `count` packed messages (read, not kept), all at the same time; 0. */
    virtual HRESULT QM_COMCALL SendShortMessages(const DWORD* messages, DWORD count, DWORD unused) noexcept = 0;
    /* 20: a message now and, for a positive `duration` (100-ns units), its note-off after it; 0. */
    virtual HRESULT QM_COMCALL SendTimedMessage(DWORD message, LONGLONG duration) noexcept = 0;
    /* 21-23: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved21(DWORD value) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved22(DWORD value) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved23(DWORD value) noexcept = 0;
    /* 24: the patch device in *out (one reference for the caller); null and E_NOINTERFACE without. */
    virtual HRESULT QM_COMCALL GetPatchDevice(IMIDIDevice** out) noexcept = 0;
    /* 25: returns E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved25(DWORD value) noexcept = 0;
    /* 26: replaces the host's MIDI sink (kept with a reference; may be null): the old one gets its
     * Disconnect with the instance, the new one its Connect; 0. */
    virtual HRESULT QM_COMCALL SetMidiSink(IMIDIIn* sink) noexcept = 0;
    /* 27: the sink in *out (one reference for the caller); null and E_NOINTERFACE without. */
    virtual HRESULT QM_COMCALL GetMidiSink(IMIDIIn** out) noexcept = 0;
    /* 28-33: the host's two option bits and the sink-detached bit; the Is* slots return a plain 0 or
     * 1, the Set* slots copy bit 0 of `on` and return 0 (SetSinkDetached: the sink's answer, 1 without
     * a sink). */
    virtual HRESULT QM_COMCALL IsOptionAOff() noexcept = 0;
    virtual HRESULT QM_COMCALL SetOptionA(DWORD on) noexcept = 0;
    virtual HRESULT QM_COMCALL IsOptionBOff() noexcept = 0;
    virtual HRESULT QM_COMCALL SetOptionB(DWORD on) noexcept = 0;
    virtual HRESULT QM_COMCALL IsSinkAttached() noexcept = 0;
    virtual HRESULT QM_COMCALL SetSinkDetached(DWORD on) noexcept = 0;
    /* 34: creates the instance property page and returns its interface `iid` in *out (one reference
     * for the caller); E_OUTOFMEMORY or the query's failure. */
    virtual HRESULT QM_COMCALL CreatePropertyPage(REFIID iid, void** out) noexcept = 0;
    /* 35: returns E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved35(DWORD a1, DWORD a2) noexcept = 0;
    /* 36: copies the display name, at most capacity - 1 characters and a terminator; returns 1. */
    virtual HRESULT QM_COMCALL GetDisplayName(LPWSTR dest, LONG capacity) noexcept = 0;
    /* 37: returns 0. */
    virtual HRESULT QM_COMCALL Reserved37() noexcept = 0;
};

} // namespace qm

#endif
