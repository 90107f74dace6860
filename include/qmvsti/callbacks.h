/* Host functions handed to the library: the site callback of a soft-synth instance (IQmSoftSynth::Open)
 * and the callback of a MIDI input port (IMIDIIn::Open); plus the codes the library sends through them
 * and through the property-page site.
 *
 * Both callbacks are __stdcall on i686 Windows, like every COM slot: a cdecl declaration here would
 * leave the argument words on the host's stack after every call. The trailing words are 32-bit on the
 * host's ABI. Where a word carries a pointer (the site callback's records and buffer) it is declared
 * pointer-sized, which is the same 32-bit word on i686 and keeps the pointer whole on x86_64; a 64-bit
 * value travels as two words, low half first, on both targets. */
#ifndef QMVSTI_CALLBACKS_H
#define QMVSTI_CALLBACKS_H

#include "com.h"

namespace qm {

struct IQmSoftSynth;
struct IMIDIIn;

/* (instance, code, cookie, seven words). Returns an HRESULT; 0 accepts.
 *   SiteCode::Attached (0), SiteCode::Detached (1): all seven words 0. A failing answer makes Open
 *       or Close fail.
 *   SiteCode::TimeQuery (4): w1 = TimeQuery*, w2/w3 = current time (low, high), w4/w5 = the current
 *       time again (low, high), w6 = 0, w7 = HostTimeRecord* or null. A non-zero answer leaves the
 *       plug-in's time request unanswered (0).
 *   SiteCode::FillBlock (969): w1 = IQMMIDIBuffer* of the render MIDI buffer, w2/w3 = block start,
 *       w4/w5 = block duration (100-ns units, low then high), w6 = render flags, w7 = HostTimeRecord*
 *       or null. A failing answer skips the block's plug-in call.
 * Called on the thread that opens, closes or renders the instance, or that the plug-in asks its
 * time question on; the instance lock is held for FillBlock. */
typedef HRESULT(QM_COMCALL* SynthSiteCallback)(IQmSoftSynth* instance, DWORD code, ULONG_PTR cookie,
                                              ULONG_PTR w1, ULONG_PTR w2, ULONG_PTR w3, ULONG_PTR w4,
                                              ULONG_PTR w5, ULONG_PTR w6, ULONG_PTR w7);

namespace SiteCode {
inline constexpr DWORD Attached = 0;
inline constexpr DWORD Detached = 1;
inline constexpr DWORD TimeQuery = 4;
inline constexpr DWORD FillBlock = 969;
} // namespace SiteCode

/* (port, code, cookie, five 32-bit words). Returns 0 to accept; any other answer to Opened or Closed
 * makes the port's Open or Close fail with E_UNEXPECTED.
 *   PortCode::Opened (0), PortCode::Closed (1): all five words 0.
 *   PortCode::ShortMessage (963): w1 = packed short message, w2..w4 = 0, w5 = milliseconds since Start.
 * Opened and Closed come on the thread calling Open or Close; ShortMessage on whatever thread the
 * plug-in sends its MIDI from (normally the render thread), outside the port's lock. */
typedef HRESULT(QM_COMCALL* MidiPortCallback)(IMIDIIn* port, DWORD code, ULONG_PTR cookie, DWORD w1,
                                             DWORD w2, DWORD w3, DWORD w4, DWORD w5);

namespace PortCode {
inline constexpr DWORD Opened = 0;
inline constexpr DWORD Closed = 1;
inline constexpr DWORD ShortMessage = 963;
} // namespace PortCode

/* IPropertyPageSite::OnStatusChange values sent by the library's pages. */
namespace PageStatus {
inline constexpr DWORD Dirty = 0x1;          /* PROPPAGESTATUS_DIRTY */
inline constexpr DWORD Resized = 0x1000;     /* the page changed its size for the plug-in's editor */
inline constexpr DWORD Scanning = 0x4000;    /* the type page started a rescan */
inline constexpr DWORD ScanCancelled = 0x8000; /* added to the dirty state when a rescan was cancelled */
} // namespace PageStatus

} // namespace qm

#endif
