// The plug-in list of the soft-synth type: VstiPluginRecord items held inline in a tQMLIST, the match
// rules used to find a record, and the wide-string helpers the records need.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include "framework/list.h"
#include "qmvsti/host_structures.h"

namespace qm {

// Creates an empty list of records (growth 16 and 16, inline items). S_OK, E_OUTOFMEMORY.
HRESULT CreatePluginList(tQMLIST** list) noexcept;
// Record i of a list created by CreatePluginList (no range check).
inline VstiPluginRecord* PluginRecordAt(const tQMLIST* list, int i) noexcept {
    return QmList_InlineAt<VstiPluginRecord>(list, i);
}
inline int PluginCount(const tQMLIST* list) noexcept { return list == nullptr ? 0 : list->nCount; }
// Appends a copy of the record.
HRESULT AppendPluginRecord(tQMLIST* list, const VstiPluginRecord& record) noexcept;

// Match rules (QmList_FindItemRange callbacks take the key record first).
// Same module: equal names, equal file names of the paths (no folder, no extension), equal unique
// IDs; everything case-sensitive.
bool IsSameModule(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept;
// Same identity: equal name, product and vendor (case-sensitive).
bool IsSameIdentity(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept;
// Same path: the paths are equal ignoring letter case.
bool IsSamePath(const VstiPluginRecord& a, const VstiPluginRecord& b) noexcept;

enum class RecordMatch { SameModule, SameIdentity, SamePath };
// Index of the first record matching `key` under `rule`, or -1.
int FindPluginRecord(tQMLIST* list, const VstiPluginRecord& key, RecordMatch rule) noexcept;

// Wide-string helpers over the host's WCHAR.
size_t WideLen(const WCHAR* s) noexcept;
// Copies src into dst of `capacity` characters, truncating; always terminated when capacity > 0.
void WideCopy(WCHAR* dst, size_t capacity, const WCHAR* src) noexcept;
bool WideEqual(const WCHAR* a, const WCHAR* b) noexcept;
// Equal ignoring case (ASCII and Latin-1 letters fold; enough for paths the host shows).
bool WideEqualNoCase(const WCHAR* a, const WCHAR* b) noexcept;
// True when `needle` occurs in `text` (case-sensitive); an empty needle is always contained.
bool WideContains(const WCHAR* text, const WCHAR* needle) noexcept;
// The file name of `path` without folder and extension, as [*begin, *end).
void PathFileTitle(const WCHAR* path, const WCHAR** begin, const WCHAR** end) noexcept;
// Upper case of one character (ASCII and Latin-1 letters), as the case-insensitive rules fold.
WCHAR WideUpper(WCHAR c) noexcept;
// A CoTaskMemAlloc'ed copy (length + 1 characters), or null without memory.
WCHAR* WideDupTask(const WCHAR* s) noexcept;

}  // namespace qm
