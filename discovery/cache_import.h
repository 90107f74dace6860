// Records from the host's plug-in manager cache: the import that fills the type's list when the type
// is connected to the host, and the record built from one entry for instance creation.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include "framework/list.h"
#include "qmvsti/plugin_manager_cache.h"

namespace qm {

enum class CacheRecordUse {
    Import,    // the list's record: first name, faulted bit copied
    Creation,  // a record to create an instance from: second name, faulted bit not copied, load-failed preset
};

// Builds the record of `entry` (zeroed first). The enabled bit is set when the entry leaves the record
// neither faulted, nor a non-instrument, nor without editor.
void RecordFromCacheEntry(const PlugInManagerEntry& entry, CacheRecordUse use, VstiPluginRecord* record) noexcept;

// Enumerates the cache and appends one record per entry to `list`; entries the cache's check rejects
// are marked not in use; each import is reported to `progress` (may be null) as "Added %s VST
// Instrument". Stops at the first append failure and returns it, else S_OK.
HRESULT ImportPluginCache(tQMLIST* list, PlugInManagerCache* cache, IHostProgress* progress) noexcept;

}  // namespace qm
