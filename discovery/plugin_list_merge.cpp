#include "discovery/plugin_list_merge.h"

#include "discovery/plugin_record.h"

namespace qm {

namespace {

// Faulted records first, working instruments by name, then records without editor, non-instruments
// last; records sharing one of those states compare equal whatever their names.
int QMAPI ComparePluginRecords(LONG_PTR, const void* pa, const void* pb) {
    using namespace PluginRecordFlags;
    const auto& a = *static_cast<const VstiPluginRecord*>(pa);
    const auto& b = *static_cast<const VstiPluginRecord*>(pb);
    const DWORD fa = a.flags, fb = b.flags;
    if ((fa & fb & NotInstrument) || (fa & fb & NoEditor) || (fa & fb & Faulted)) return 0;
    if (fa & NotInstrument) return 1;
    if ((fb & NotInstrument) || (fa & Faulted)) return -1;
    if ((fb & Faulted) || (fa & NoEditor)) return 1;
    if (fb & NoEditor) return -1;
    for (const WCHAR *x = a.name, *y = b.name;; ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
        if (*x == 0) return 0;
    }
}

}  // namespace

HRESULT SortPluginList(tQMLIST* list) noexcept {
    if (list == nullptr) return E_POINTER;
    return QmList_Sort(list, 0, ComparePluginRecords);
}

namespace {

// Index among the first `count` records of `list` of the one matching `key` under `match`, or -1.
template <class Match>
LONG FindAmong(const tQMLIST* list, LONG count, const VstiPluginRecord& key, Match match) noexcept {
    for (LONG i = 0; i < count; ++i) {
        if (match(key, *PluginRecordAt(list, i))) return i;
    }
    return -1;
}

}  // namespace

HRESULT MergeRescannedList(const tQMLIST* oldList, tQMLIST* newList) noexcept {
    using namespace PluginRecordFlags;
    if (newList == nullptr) return E_POINTER;
    // Only the records the scan produced are looked up, never the missing ones appended here.
    const LONG scanned = newList->nCount;
    for (LONG i = 0; oldList != nullptr && i < oldList->nCount; ++i) {
        const VstiPluginRecord& old = *PluginRecordAt(oldList, i);
        LONG found = FindAmong(newList, scanned, old, IsSamePath);
        if (found < 0) found = FindAmong(newList, scanned, old, IsSameIdentity);
        if (found < 0) {
            VstiPluginRecord missing = old;
            missing.flags |= Missing;
            const HRESULT hr = AppendPluginRecord(newList, missing);
            if (FAILED(hr)) return hr;
            continue;
        }
        VstiPluginRecord* fresh = PluginRecordAt(newList, found);
        fresh->useCount = old.useCount;
        fresh->flags = (fresh->flags & ~AlternativeDrawing) | (old.flags & AlternativeDrawing);
    }
    return SortPluginList(newList);
}

}  // namespace qm
