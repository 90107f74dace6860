// Generic list: the slot array. Growth and shrinking, insertion, deletion, forced counts, run moves
// and the allocation sizes.
#include <cstring>

#include "framework/list_internal.h"

using namespace qm;
using namespace qm::list;

namespace qm::list {

namespace {

int64_t RoundUp(int64_t n, int64_t multiple) noexcept { return (n + multiple - 1) / multiple * multiple; }

bool OverlapsSlots(const tQMLIST* list, const void* p, int64_t bytes) noexcept {
    const auto* begin = list->pSlots;
    const auto* end = begin + static_cast<int64_t>(list->nCapacity) * list->cbSlot;
    const auto* q = static_cast<const BYTE*>(p);
    return q < end && begin < q + bytes;
}

}  // namespace

HRESULT Grow(tQMLIST* list, int64_t slots) noexcept {
    const int64_t step = RoundUp(slots > 0 ? slots : list->nGrowBy, list->nGrowBy);
    const int64_t capacity = list->nCapacity + step;
    const int64_t bytes = capacity * list->cbSlot;
    if (capacity > INT32_MAX || bytes > kMaxBlockBytes) return E_OUTOFMEMORY;
    // A fresh block rather than a resize: the old one stays intact if the allocation fails.
    auto* block = static_cast<BYTE*>(platform::HeapAllocBlock(nullptr, static_cast<size_t>(bytes),
                                                              platform::kHeapZeroMemory));
    if (!block) return E_OUTOFMEMORY;
    std::memcpy(block, list->pSlots, static_cast<size_t>(list->nCapacity) * list->cbSlot);
    platform::HeapFreeBlock(nullptr, list->pSlots, 0);
    list->pSlots = block;
    list->nCapacity = static_cast<LONG>(capacity);
    return S_OK;
}

HRESULT Shrink(tQMLIST* list, int64_t slots) noexcept {
    const int64_t spare = list->nCapacity - list->nCount;
    if (slots < 0) slots = spare;
    int64_t amount = RoundUp(slots, list->nGrowBy);
    if (amount > spare) amount = spare;
    amount = amount / list->nGrowBy * list->nGrowBy;
    if (amount <= 0) return S_OK;
    const int64_t capacity = list->nCapacity - amount;
    // The block never drops below one slot, so the slot array is always a real block.
    const size_t bytes = static_cast<size_t>((capacity > 0 ? capacity : 1) * list->cbSlot);
    auto* block = static_cast<BYTE*>(platform::HeapReAllocBlock(nullptr, list->pSlots, bytes, 0));
    if (!block) return E_OUTOFMEMORY;
    list->pSlots = block;
    list->nCapacity = static_cast<LONG>(capacity);
    return S_OK;
}

void ShrinkIfSpare(tQMLIST* list) noexcept {
    if (list->nCapacity - list->nCount > list->nGrowBy) Shrink(list, list->nCapacity - list->nCount);
}

HRESULT OpenGap(tQMLIST* list, int index, int64_t k) noexcept {
    if (list->nCount + k > INT32_MAX) return E_OUTOFMEMORY;
    if (list->nCount + k > list->nCapacity) {
        HRESULT hr = Grow(list, k);
        if (FAILED(hr)) return hr;
    }
    const size_t tail = static_cast<size_t>(list->nCount - index) * list->cbSlot;
    std::memmove(SlotAt(list, index + k), SlotAt(list, index), tail);
    std::memset(SlotAt(list, index), 0, static_cast<size_t>(k) * list->cbSlot);
    list->nCount += static_cast<LONG>(k);
    return S_OK;
}

void CloseGap(tQMLIST* list, int index, int k) noexcept {
    const size_t tail = static_cast<size_t>(list->nCount - index - k) * list->cbSlot;
    std::memmove(SlotAt(list, index), SlotAt(list, index + k), tail);
    list->nCount -= k;
    // Spare slots always hold zero bytes; callers rely on it when they walk past a deletion.
    std::memset(SlotAt(list, list->nCount), 0, static_cast<size_t>(k) * list->cbSlot);
}

HRESULT Insert(tQMLIST* list, int index, const void* source, int count) noexcept {
    int64_t k;
    void* pending = list->pPendingItem;
    if (source) {
        // A heap-item list only takes item blocks one slot value at a time, never raw items.
        if (count >= 0 && HasHeapItems(list)) return E_FAIL;
        k = count >= 0 ? count : -static_cast<int64_t>(count);
    } else if (count == -1) {
        if (!pending) return E_FAIL;
        k = 1;
        source = &pending;
    } else {
        return E_FAIL;
    }
    if (k == 0) return S_OK;
    if (index < 0 || index >= list->nCount) index = list->nCount;
    const int64_t bytes = k * list->cbSlot;
    if (bytes > kMaxBlockBytes) return E_OUTOFMEMORY;

    // A source inside the slot array would move or be freed by the growth below.
    void* copy = nullptr;
    if (OverlapsSlots(list, source, bytes)) {
        copy = platform::HeapAllocBlock(nullptr, static_cast<size_t>(bytes), 0);
        if (!copy) return E_OUTOFMEMORY;
        std::memcpy(copy, source, static_cast<size_t>(bytes));
        source = copy;
    }
    HRESULT hr = OpenGap(list, index, k);
    if (SUCCEEDED(hr)) {
        std::memcpy(SlotAt(list, index), source, static_cast<size_t>(bytes));
        // The pending item leaves its staging state once it sits in a slot; a pending block that
        // was not inserted stays pending rather than leak.
        if (pending && QmList_FindSpecificItemRange(list, index, static_cast<int>(k), pending) >= 0)
            list->pPendingItem = nullptr;
    }
    platform::HeapFreeBlock(nullptr, copy, 0);
    return hr;
}

}  // namespace qm::list

extern "C" QM_EXPORT HRESULT QMAPI QmList_InsertList(tQMLIST* pList, int nIndex, const void* pSource,
                                                     int nCount) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    return Insert(pList, nIndex, pSource, nCount);
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_DeleteList(tQMLIST* pList, int nIndex, int nCount, BOOL bShrink) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    if (nIndex < 0) {
        if (nCount < 0) {
            if (!pList->pPendingItem) return E_FAIL;
            FreePending(pList);
            return S_OK;
        }
        if (nCount >= 1) return E_FAIL;
    } else if (nCount < 0) {
        nCount = pList->nCount - nIndex;
    }
    if (nCount < 1) return S_OK;
    if (nIndex >= pList->nCount) return E_FAIL;
    if (nCount > pList->nCount - nIndex) nCount = pList->nCount - nIndex;
    if (HasHeapItems(pList))
        for (int i = nIndex; i < nIndex + nCount; ++i) FreeBlock(pList, SlotValue(pList, i));
    CloseGap(pList, nIndex, nCount);
    if (bShrink) ShrinkIfSpare(pList);
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_GrowAllocated(tQMLIST* pList, int nSlots) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    return Grow(pList, nSlots);
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_ShrinkAllocated(tQMLIST* pList, int nSlots) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    return Shrink(pList, nSlots);
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_ArrayForceItemCount(tQMLIST* pList, int nCount, BOOL bShrink) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    if (!HasInlineItems(pList) || nCount < 0) return E_FAIL;
    if (nCount > pList->nCapacity) {
        HRESULT hr = Grow(pList, static_cast<int64_t>(nCount) - pList->nCapacity);
        if (FAILED(hr)) return hr;
    } else if (nCount < pList->nCount) {
        std::memset(SlotAt(pList, nCount), 0, static_cast<size_t>(pList->nCount - nCount) * pList->cbSlot);
        pList->nCount = nCount;
        if (bShrink) ShrinkIfSpare(pList);
        return S_OK;
    }
    pList->nCount = nCount;
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_MoveRange(tQMLIST* pList, int nFrom, int nTo, int nCount) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    if (nFrom < 0) return E_INVALIDARG;
    if (nTo < 0) nTo = 0;
    int64_t count = nCount >= 0 ? nCount : static_cast<int64_t>(pList->nCount) - (nFrom > nTo ? nFrom : nTo);
    if (nFrom + count > pList->nCount || nTo + count > pList->nCount) return E_FAIL;
    if (count < 1 || nFrom == nTo) return S_OK;

    const size_t runBytes = static_cast<size_t>(count) * pList->cbSlot;
    BYTE stackRun[512];
    BYTE* run = stackRun;
    if (runBytes > sizeof(stackRun)) {
        run = static_cast<BYTE*>(platform::HeapAllocBlock(nullptr, runBytes, 0));
        if (!run) return E_OUTOFMEMORY;
    }
    std::memcpy(run, SlotAt(pList, nFrom), runBytes);
    if (nTo > nFrom)
        std::memmove(SlotAt(pList, nFrom), SlotAt(pList, nFrom + count), static_cast<size_t>(nTo - nFrom) * pList->cbSlot);
    else
        std::memmove(SlotAt(pList, nTo + count), SlotAt(pList, nTo), static_cast<size_t>(nFrom - nTo) * pList->cbSlot);
    std::memcpy(SlotAt(pList, nTo), run, runBytes);
    if (run != stackRun) platform::HeapFreeBlock(nullptr, run, 0);
    return S_OK;
}

extern "C" QM_EXPORT size_t QMAPI QmList_AllocSize(tQMLIST* pList, int nIndex) noexcept {
    if (!IsLive(pList)) return 0;
    Guard guard(pList);
    if (nIndex >= 0) {
        if (nIndex >= pList->nCount) return 0;
        return HasHeapItems(pList) ? platform::HeapBlockSize(ItemHeap(pList), SlotValue(pList, nIndex)) : pList->cbSlot;
    }
    size_t total = platform::HeapBlockSize(nullptr, pList->pSlots) + sizeof(tQMLIST);
    if (HasHeapItems(pList))
        for (LONG i = 0; i < pList->nCount; ++i) total += platform::HeapBlockSize(ItemHeap(pList), SlotValue(pList, i));
    return total;
}
