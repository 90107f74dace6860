// What a completed rescan does to the plug-in list: the old records are merged into the new list,
// and every list the page or the type shows is kept in one order.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include "framework/list.h"

namespace qm {

// Sorts a record list: faulted records first, working instruments by name, then records without
// editor, non-instruments last.
HRESULT SortPluginList(tQMLIST* list) noexcept;

// Merges `oldList` (the page's working copy) into `newList` (the worker's) and sorts it. Each old
// record is looked up by same path, then by same identity. One that is found hands its use count and
// its alternative-drawing bit to the new record (the enabled bit stays the new test's, so an
// instrument the user had disabled is enabled again when it tests well); one that is not found is
// appended, marked missing. S_OK, or the failure of an append or of the sort.
HRESULT MergeRescannedList(const tQMLIST* oldList, tQMLIST* newList) noexcept;

}  // namespace qm
