/* IMIDIClass and IQmSoftSynthType: the driver class the host receives from
 * QmMIDIDriver_CreateDriverClass, which is also the soft-synth type (25 slots in one table).
 *
 * Every slot is called by the host on its user-interface thread. Slots without a documented meaning
 * keep their place and their argument words: on i686 each slot pops its own arguments (__stdcall), so
 * a wrong count would unbalance the host's stack. */
#ifndef QMVSTI_MIDI_CLASS_H
#define QMVSTI_MIDI_CLASS_H

#include "callconv.h"
#include "com.h"
#include "host_structures.h"

namespace qm {

struct IQmSoftSynth;

struct IMIDIClass : IUnknown {
    /* 3: keeps the host's settings handle (a pointer to the host's settings record) and opens the
     * type's own sub-key under it; returns the open's result. The two words are not used. */
    virtual HRESULT QM_COMCALL SetSettingsKey(void* settingsHandle, DWORD unused1, DWORD unused2) noexcept = 0;
    /* 4: clears *out and returns E_NOINTERFACE. */
    virtual HRESULT QM_COMCALL Reserved4(DWORD value, void** out) noexcept = 0;
    /* 5: copies the type name into the caller's buffer, truncated to `size` characters; 0. */
    virtual HRESULT QM_COMCALL GetTypeName(LPWSTR buffer, LONG size) noexcept = 0;
    /* 6: returns the kind value 3. */
    virtual HRESULT QM_COMCALL GetKind() noexcept = 0;
    /* 7: connects to the host: asks the site (not kept) for the plug-in manager cache (kept with a
     * reference) and the progress object, registers the cache sink, loads the settings and imports
     * the cache. Always 0. */
    virtual HRESULT QM_COMCALL ConnectHost(IUnknown* site) noexcept = 0;
    /* 8-13: return 0. */
    virtual HRESULT QM_COMCALL Reserved8() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved9() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved10() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved11() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved12() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved13() noexcept = 0;
    /* 14: creates the type's property page and returns its interface `iid` in *out (a new reference
     * owned by the caller); E_OUTOFMEMORY when it cannot be made. */
    virtual HRESULT QM_COMCALL CreateTypePage(REFIID iid, void** out) noexcept = 0;
    /* 15-17: return E_NOTIMPL. */
    virtual HRESULT QM_COMCALL Reserved15(DWORD value) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved16(DWORD value) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved17(DWORD value) noexcept = 0;
    /* 18: returns the second kind value 1. */
    virtual HRESULT QM_COMCALL GetSecondKind() noexcept = 0;
};

struct IQmSoftSynthType : IMIDIClass {
    /* 19: describes the index-th enabled instrument in the host-allocated `info`. The strings asked
     * for in info->mask are CoTaskMemAlloc'ed and owned by the host afterwards. 0, S_FALSE when there
     * is no such instrument, E_OUTOFMEMORY (info->state = SoftSynthInfoState::Failed). */
    virtual HRESULT QM_COMCALL GetSynthInfo(LONG index, SoftSynthTypeInfo* info) noexcept = 0;
    /* 20: creates an instance of the instrument matching `descriptor` (not kept) and returns its
     * IQmSoftSynth in *out, one reference owned by the caller. S_FALSE when nothing matches,
     * E_INVALIDARG for null arguments when the host cache is connected, else the creation's error. */
    virtual HRESULT QM_COMCALL CreateSynth(const SoftSynthTypeInfo* descriptor, IQmSoftSynth** out) noexcept = 0;
    /* 21, 22: return 0. */
    virtual HRESULT QM_COMCALL Reserved21() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved22() noexcept = 0;
    /* 23: forgets the use counts (and the missing records) of the list, or marks the cache entries
     * unused; 0, S_FALSE for an empty list. */
    virtual HRESULT QM_COMCALL ResetUsage() noexcept = 0;
    /* 24: the deleting destructor, called by the object's own last Release with 1; frees the
     * memory when bit 0 of `flags` is set. Never called by the host. */
    virtual HRESULT QM_COMCALL DeletingDestructor(UINT flags) noexcept = 0;
};

} // namespace qm

#endif
