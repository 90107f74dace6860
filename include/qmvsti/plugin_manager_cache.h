/* The host's plug-in manager cache and progress object (asked of the site given to
 * IMIDIClass::ConnectHost), and the sink the type registers with the cache.
 *
 * The cache and the progress object are the host's: the library calls only the slots named below,
 * on the host's user-interface thread. Their other slots keep their places; what the host passes to
 * them is the host's own business, so they are declared without arguments and never called. */
#ifndef QMVSTI_PLUGIN_MANAGER_CACHE_H
#define QMVSTI_PLUGIN_MANAGER_CACHE_H

#include "callconv.h"
#include "com.h"
#include "host_structures.h"

namespace qm {

struct IPluginManagerCacheSink;

/* Value passed to PlugInManagerCache::Prepare before every enumeration; its meaning is the host's. */
inline constexpr DWORD kPlugInManagerCacheEnumerate = 12;

struct PlugInManagerCache : IUnknown {
    virtual HRESULT QM_COMCALL Reserved3() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved4() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved5() noexcept = 0;
    /* 6: called with kPlugInManagerCacheEnumerate before every enumeration. */
    virtual HRESULT QM_COMCALL Prepare(DWORD what) noexcept = 0;
    /* 7: fills the caller's zeroed entry with entry `index` (from 0); non-zero after the last. */
    virtual HRESULT QM_COMCALL GetEntry(DWORD index, PlugInManagerEntry* entry) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved8() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved9() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved10() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved11() noexcept = 0;
    /* 12: fills `entry` with the entry whose manager id is `id`; 0 when found. */
    virtual HRESULT QM_COMCALL FindEntry(REFGUID id, PlugInManagerEntry* entry) noexcept = 0;
    /* 13: marks the entry with this manager id in use (1) or not (0). An entry's address serves as
     * its id's, the id being its first field. */
    virtual HRESULT QM_COMCALL SetEntryInUse(const GUID* id, DWORD inUse) noexcept = 0;
    /* 14: the host's check of an entry; a 0 answer makes the library mark it not in use. */
    virtual HRESULT QM_COMCALL CheckEntry(const PlugInManagerEntry* entry) noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved15() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved16() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved17() noexcept = 0;
    virtual HRESULT QM_COMCALL Reserved18() noexcept = 0;
    /* 19, 20: register and unregister the type's sink (the cache holds it as it sees fit). */
    virtual HRESULT QM_COMCALL RegisterSink(IPluginManagerCacheSink* sink) noexcept = 0;
    virtual HRESULT QM_COMCALL UnregisterSink(IPluginManagerCacheSink* sink) noexcept = 0;
};

/* The host's progress object; may be absent. */
struct IHostProgress : IUnknown {
    virtual HRESULT QM_COMCALL Reserved3() noexcept = 0;
    /* 4: shows one line of progress text (read, not kept). */
    virtual HRESULT QM_COMCALL SetText(LPCWSTR text) noexcept = 0;
};

/* Implemented by the library; the cache calls it on the host's user-interface thread. The
 * notifications are accepted and ignored. */
struct IPluginManagerCacheSink : IUnknown {
    /* 3, 4: return 0. */
    virtual HRESULT QM_COMCALL Notify3(DWORD value) noexcept = 0;
    virtual HRESULT QM_COMCALL Notify4() noexcept = 0;
};

} // namespace qm

#endif
