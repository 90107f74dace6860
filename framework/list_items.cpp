// Generic list: item blocks of heap-item lists. The pending item, allocate-and-insert, resizing a
// block and moving blocks between lists.
#include <cstring>

#include "framework/list_internal.h"

using namespace qm;
using namespace qm::list;

namespace qm::list {

void* AllocBlock(tQMLIST* list, int64_t bytes) noexcept {
    if (bytes < 0 || bytes > kMaxBlockBytes) return nullptr;
    return platform::HeapAllocBlock(ItemHeap(list), static_cast<size_t>(bytes),
                                    list->dwHeapAllocFlags | platform::kHeapZeroMemory);
}

void FreeBlock(tQMLIST* list, void* block) noexcept {
    platform::HeapFreeBlock(ItemHeap(list), block, list->dwHeapFreeFlags);
}

void FreePending(tQMLIST* list) noexcept {
    FreeBlock(list, list->pPendingItem);
    list->pPendingItem = nullptr;
}

HRESULT AllocPending(tQMLIST* list, int bytes, void** block) noexcept {
    if (block) *block = nullptr;
    if (!HasHeapItems(list) || list->pPendingItem || bytes < 0) return E_FAIL;
    void* item = AllocBlock(list, bytes);
    if (!item) return E_OUTOFMEMORY;
    list->pPendingItem = item;
    if (block) *block = item;
    return S_OK;
}

}  // namespace qm::list

extern "C" QM_EXPORT HRESULT QMAPI QmList_AllocItem(tQMLIST* pList, int cbItem, void** ppBlock) noexcept {
    if (ppBlock) *ppBlock = nullptr;
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    return AllocPending(pList, cbItem, ppBlock);
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_AllocAndInsertItem(tQMLIST* pList, const void* pSource, int cbItem,
                                                             int nIndex, int* pnIndex) noexcept {
    if (pnIndex) *pnIndex = -1;
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    if (nIndex < 0 || nIndex >= pList->nCount) nIndex = pList->nCount;
    void* block = nullptr;
    // A pending item of another caller is left alone: the allocation fails before touching it.
    HRESULT hr = AllocPending(pList, cbItem, &block);
    if (FAILED(hr)) return hr;
    if (pSource && cbItem > 0) std::memcpy(block, pSource, static_cast<size_t>(cbItem));
    hr = Insert(pList, nIndex, nullptr, -1);
    if (FAILED(hr)) {
        FreePending(pList);
        return hr;
    }
    if (pnIndex) *pnIndex = nIndex;
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_ReAllocItem(tQMLIST* pList, int nIndex, int cbNew) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    // The index is checked although callers are meant to keep it in range: a stray index must not
    // hand a random word to the allocator.
    if (!HasHeapItems(pList) || nIndex < 0 || nIndex >= pList->nCount || cbNew < 0) return E_FAIL;
    void* block = platform::HeapReAllocBlock(ItemHeap(pList), SlotValue(pList, nIndex), static_cast<size_t>(cbNew),
                                             pList->dwHeapAllocFlags | platform::kHeapZeroMemory);
    if (!block) return E_OUTOFMEMORY;
    std::memcpy(SlotAt(pList, nIndex), &block, sizeof(block));
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_MoveItemsBetweenHeapLists(tQMLIST* pDest, int nDestIndex, tQMLIST* pSource,
                                                                    int nSourceStart, int nCount) noexcept {
    if (!IsLive(pDest) || !IsLive(pSource) || pDest == pSource) return E_FAIL;
    Guard destGuard(pDest);
    Guard sourceGuard(pSource);
    if (!HasHeapItems(pDest) || !HasHeapItems(pSource) || pDest->pPendingItem) return E_FAIL;
    // A block from a private heap dies with that heap, and one from the general heap must not be
    // released into a private one: only lists on the general heap trade blocks.
    if (pDest->hPrivateHeap || pSource->hPrivateHeap) return E_FAIL;
    if (nSourceStart < 0) return E_FAIL;
    if (nCount < 0) nCount = pSource->nCount - nSourceStart;
    if (nCount == 0) return S_OK;
    if (nCount < 0 || nCount > pSource->nCount - nSourceStart) return E_FAIL;
    if (nDestIndex < 0 || nDestIndex > pDest->nCount) nDestIndex = pDest->nCount;

    // The run is opened in one piece, so a failed growth leaves both lists as they were; the blocks
    // change hands without being copied or freed, in their source order.
    HRESULT hr = OpenGap(pDest, nDestIndex, nCount);
    if (FAILED(hr)) return hr;
    std::memcpy(SlotAt(pDest, nDestIndex), SlotAt(pSource, nSourceStart), static_cast<size_t>(nCount) * pDest->cbSlot);
    CloseGap(pSource, nSourceStart, nCount);
    return S_OK;
}
