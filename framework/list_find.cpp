// Generic list: linear finds and the binary searches of sorted lists.
#include <cstring>

#include "framework/list_internal.h"

using namespace qm;
using namespace qm::list;

namespace {

struct SearchResult {
    int found;     // index of an item that compared equal, or -1
    int insertAt;  // where the key keeps the range sorted
};

// Binary search over n >= 1 items from lo. The probe is the middle item (the lower middle for an
// even count); equal items give whichever one the probes meet first.
SearchResult Search(tQMLIST* list, const void* key, int lo, int n, tQMLISTCOMPAREPROC compare) noexcept {
    int answer = lo;
    while (n >= 2) {
        const int offset = (n & 1) ? n / 2 : n / 2 - 1;
        const int mid = lo + offset;
        const int c = compare(list->lSortCriteria, key, CallbackItem(list, mid));
        if (c == 0) return {mid, mid};
        if (c < 0) {
            answer = mid;
            n = offset;
        } else {
            answer = mid + 1;
            lo = mid + 1;
            n = n / 2;
        }
    }
    if (n == 1) {
        const int c = compare(list->lSortCriteria, key, CallbackItem(list, lo));
        if (c == 0) return {lo, lo};
        return {-1, c > 0 ? lo + 1 : lo};
    }
    return {-1, answer};
}

}  // namespace

namespace qm::list {

int SortedInsertIndex(tQMLIST* list, const void* key, int start, int count, tQMLISTCOMPAREPROC compare) noexcept {
    const Range range = ResolveRange(list, start, count);
    if (range.beyond) return -1;
    if (range.count == 0) return 0;
    return Search(list, key, range.start, range.count, compare).insertAt;
}

}  // namespace qm::list

extern "C" QM_EXPORT int QMAPI QmList_FindItemRange(tQMLIST* pList, int nStart, int nCount, const void* pKey,
                                                    tQMLISTMATCHPROC pfnMatch) noexcept {
    if (!IsLive(pList) || !pfnMatch) return -1;
    Guard guard(pList);
    const Range range = ResolveRange(pList, nStart, nCount);
    for (int i = range.start; i < range.start + range.count; ++i)
        if (pfnMatch(pKey, CallbackItem(pList, i)) == 0) return i;
    return -1;
}

extern "C" QM_EXPORT int QMAPI QmList_FindSpecificItemRange(tQMLIST* pList, int nStart, int nCount,
                                                            const void* pItem) noexcept {
    if (!IsLive(pList)) return -1;
    Guard guard(pList);
    const bool inlineItems = HasInlineItems(pList);
    if (inlineItems && !pItem) return -1;
    const Range range = ResolveRange(pList, nStart, nCount);
    for (int i = range.start; i < range.start + range.count; ++i) {
        const bool equal = inlineItems ? std::memcmp(SlotAt(pList, i), pItem, pList->cbSlot) == 0
                                       : SlotValue(pList, i) == pItem;
        if (equal) return i;
    }
    return -1;
}

extern "C" QM_EXPORT int QMAPI QmList_FindSortedItemRange(tQMLIST* pList, const void* pKey, int nStart, int nCount,
                                                          tQMLISTCOMPAREPROC pfnCompare) noexcept {
    if (!IsLive(pList) || !pfnCompare) return -1;
    Guard guard(pList);
    const Range range = ResolveRange(pList, nStart, nCount);
    if (range.beyond || range.count == 0) return -1;
    return Search(pList, pKey, range.start, range.count, pfnCompare).found;
}

extern "C" QM_EXPORT int QMAPI QmList_FindSortedInsertIndexRange(tQMLIST* pList, const void* pKey, int nStart,
                                                                 int nCount, tQMLISTCOMPAREPROC pfnCompare) noexcept {
    if (!IsLive(pList) || !pfnCompare) return -1;
    Guard guard(pList);
    return SortedInsertIndex(pList, pKey, nStart, nCount, pfnCompare);
}
