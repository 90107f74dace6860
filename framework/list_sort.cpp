// Generic list: selection sort, heap sort and sorted copy into another list.
#include <cstring>

#include "framework/list_internal.h"

using namespace qm;
using namespace qm::list;

namespace {

// Slot sizes are multiples of 4, so inline items are exchanged 32-bit word by word.
void SwapSlots(tQMLIST* list, int a, int b) noexcept {
    BYTE* pa = SlotAt(list, a);
    BYTE* pb = SlotAt(list, b);
    for (ULONG offset = 0; offset < list->cbSlot; offset += 4) {
        uint32_t wa, wb;
        std::memcpy(&wa, pa + offset, 4);
        std::memcpy(&wb, pb + offset, 4);
        std::memcpy(pa + offset, &wb, 4);
        std::memcpy(pb + offset, &wa, 4);
    }
}

int Compare(tQMLIST* list, tQMLISTCOMPAREPROC compare, int a, int b) noexcept {
    return compare(list->lSortCriteria, CallbackItem(list, a), CallbackItem(list, b));
}

// Sift-down over 1-based positions with heap size m. The walk follows the larger child to the
// bottom even after a step that exchanged nothing.
void SiftDown(tQMLIST* list, tQMLISTCOMPAREPROC compare, int i, int m) noexcept {
    int c = 2 * i;
    do {
        if (c < m && Compare(list, compare, c, c - 1) > 0) ++c;  // item c + 1 against item c
        if (Compare(list, compare, c - 1, i - 1) > 0) SwapSlots(list, c - 1, i - 1);
        i = c;
        c = 2 * c;
    } while (c < m);
}

}  // namespace

extern "C" QM_EXPORT HRESULT QMAPI QmList_Sort(tQMLIST* pList, LONG_PTR lCriteria,
                                               tQMLISTCOMPAREPROC pfnCompare) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    pList->lSortCriteria = lCriteria;
    if (pList->nCount < 2 || !pfnCompare) return S_OK;
    for (int end = pList->nCount - 1; end >= 1; --end) {
        int largest = 0;
        for (int i = 1; i <= end; ++i)
            if (Compare(pList, pfnCompare, i, largest) > 0) largest = i;
        if (largest != end) SwapSlots(pList, largest, end);
    }
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_HeapSort(tQMLIST* pList, LONG_PTR lCriteria,
                                                   tQMLISTCOMPAREPROC pfnCompare) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    pList->lSortCriteria = lCriteria;
    const int n = pList->nCount;
    if (n < 2 || !pfnCompare) return S_OK;
    // Position 1 joins the heap in the first extraction round, which sifts it with the full size.
    for (int i = n / 2; i >= 2; --i) SiftDown(pList, pfnCompare, i, n);
    for (int m = n; m >= 2; --m) {
        SiftDown(pList, pfnCompare, 1, m);
        SwapSlots(pList, 0, m - 1);
    }
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_SortTo(tQMLIST* pDest, tQMLIST* pSource, LONG_PTR lCriteria,
                                                 tQMLISTCOMPAREPROC pfnCompare) noexcept {
    if (!IsLive(pDest) || !IsLive(pSource) || pDest == pSource) return E_FAIL;
    Guard sourceGuard(pSource);
    {
        Guard destGuard(pDest);
        // The destination gets copies of the source's slots: a heap-item destination would own (and
        // free) blocks that still belong to the source.
        if (HasHeapItems(pDest) || pDest->cbSlot != pSource->cbSlot) return E_FAIL;
        pDest->lSortCriteria = lCriteria;
    }
    if (!pfnCompare) return S_OK;
    for (int i = 0; i < pSource->nCount; ++i) {
        Guard destGuard(pDest);
        const int index = SortedInsertIndex(pDest, CallbackItem(pSource, i), 0, -1, pfnCompare);
        HRESULT hr = Insert(pDest, index, SlotAt(pSource, i), -1);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}
