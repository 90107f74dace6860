// Generic list: creation, destruction, identity checks, in-place conversion and the header's
// accessors.
#include <cstring>
#include <new>

#include "framework/list_internal.h"
#include "platform/thread.h"

using namespace qm;
using namespace qm::list;

namespace qm::list {

Range ResolveRange(const tQMLIST* list, int start, int count) noexcept {
    Range range{start < 0 ? 0 : start, 0, false};
    if (range.start > list->nCount) {
        range.beyond = true;
        return range;
    }
    const int available = list->nCount - range.start;
    range.count = (count < 0 || count > available) ? available : count;
    return range;
}

}  // namespace qm::list

namespace {

void ReleaseItems(tQMLIST* list) noexcept {
    if (!HasHeapItems(list)) return;
    if (list->hPrivateHeap) {
        // The heap goes as a whole; no block is walked.
        platform::DestroyPrivateHeap(ItemHeap(list));
        list->hPrivateHeap = nullptr;
        if (list->pSlots) std::memset(list->pSlots, 0, static_cast<size_t>(list->nCount) * list->cbSlot);
        list->pPendingItem = nullptr;
        return;
    }
    for (LONG i = 0; i < list->nCount; ++i) FreeBlock(list, SlotValue(list, i));
    FreePending(list);
}

// Tears down whatever part of a list exists; used by destruction and by a creation that failed.
void Teardown(tQMLIST* list) noexcept {
    auto* lock = static_cast<platform::RecursiveLock*>(list->lock.pLock);
    if (lock) lock->Enter();
    ReleaseItems(list);
    platform::HeapFreeBlock(nullptr, list->pSlots, 0);
    list->pSlots = nullptr;
    list->nCount = 0;
    list->nCapacity = 0;
    list->dwMagic = 0;
    list->lock.pLock = nullptr;
    const bool inPlace = (list->dwOptions & QMLIST_OPT_INPLACE) != 0;
    if (lock) {
        lock->Leave();
        delete lock;
    }
    if (!inPlace) platform::HeapFreeBlock(nullptr, list, 0);
}

}  // namespace

extern "C" QM_EXPORT HRESULT QMAPI QmList_CreateExZ(tQMLIST** ppList, int cbItem, int nInitialCount, int nGrowBy,
                                                    DWORD dwOptions, LONG_PTR, LONG_PTR, LONG_PTR) noexcept {
    if (!ppList) return E_FAIL;
    const DWORD options = dwOptions | QMLIST_OPT_ALWAYS;
    const bool inPlace = (options & QMLIST_OPT_INPLACE) != 0;
    tQMLIST* list = nullptr;
    if (inPlace) {
        list = *ppList;
        if (!list) return E_FAIL;
        std::memset(list, 0, sizeof(tQMLIST));
    } else {
        *ppList = nullptr;
    }
    const bool heapItems = (options & QMLIST_OPT_HEAPITEMS) != 0;
    const bool inlineItems = (options & QMLIST_OPT_INLINEITEMS) != 0;
    if (heapItems && inlineItems) return E_FAIL;
    if (inlineItems && (cbItem <= 0 || cbItem > kMaxBlockBytes - 3)) return E_FAIL;

    if (!inPlace) {
        list = static_cast<tQMLIST*>(platform::HeapAllocBlock(nullptr, sizeof(tQMLIST), platform::kHeapZeroMemory));
        if (!list) return E_OUTOFMEMORY;
    }
    list->dwMagic = QMLIST_MAGIC;
    list->dwOptions = options;
    list->cbSlot = inlineItems ? static_cast<ULONG>((cbItem + 3) & ~3) : static_cast<ULONG>(sizeof(void*));

    int64_t initial = nInitialCount <= 0 ? kDefaultSlots : nInitialCount;
    if (initial < 4) initial = 4;
    LONG growBy = nGrowBy <= 0 ? kDefaultSlots : nGrowBy;
    if (growBy < kMinGrowBy) growBy = kMinGrowBy;
    if (growBy > kMaxGrowBy) growBy = kMaxGrowBy;
    const int64_t capacity = (initial + growBy - 1) / growBy * growBy;
    const int64_t bytes = capacity * list->cbSlot;
    if (bytes <= kMaxBlockBytes)
        list->pSlots = static_cast<BYTE*>(
            platform::HeapAllocBlock(nullptr, static_cast<size_t>(bytes), platform::kHeapZeroMemory));
    if (!list->pSlots) {
        Teardown(list);
        return E_OUTOFMEMORY;
    }
    list->nCapacity = static_cast<LONG>(capacity);
    list->nGrowBy = growBy;
    list->dwOwnerThread = platform::CurrentThreadId();
    if (options & QMLIST_OPT_THREADSAFE) {
        list->lock.pLock = new (std::nothrow) platform::RecursiveLock();
        if (!list->lock.pLock) {
            Teardown(list);
            return E_OUTOFMEMORY;
        }
    }
    if (heapItems) {
        list->dwHeapAllocFlags = platform::kHeapZeroMemory;
        if (options & QMLIST_OPT_PRIVATEHEAP) {
            list->hPrivateHeap = platform::CreatePrivateHeap(4096);
            if (!list->hPrivateHeap) {
                Teardown(list);
                return E_OUTOFMEMORY;
            }
            list->dwHeapAllocFlags |= platform::kHeapNoSerialize;
            list->dwHeapFreeFlags = platform::kHeapNoSerialize;
        }
    }
    *ppList = list;
    return S_OK;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_Destroy(tQMLIST* pList) noexcept {
    if (IsLive(pList)) Teardown(pList);
    return S_OK;
}

extern "C" QM_EXPORT BOOL QMAPI QmList_IsList(const void* pList, int cbHeader) noexcept {
    if (cbHeader != static_cast<int>(sizeof(tQMLIST))) return FALSE;
    if (!platform::IsReadableMemory(pList, sizeof(tQMLIST))) return FALSE;
    return IsLive(static_cast<const tQMLIST*>(pList)) ? TRUE : FALSE;
}

extern "C" QM_EXPORT BOOL QMAPI QmList_IsListFast(const tQMLIST* pList) noexcept {
    return IsLive(pList) ? TRUE : FALSE;
}

extern "C" QM_EXPORT BOOL QMAPI QmList_IsValidIndexSlow(tQMLIST* pList, int nIndex) noexcept {
    if (!IsLive(pList)) return FALSE;
    Guard guard(pList);
    return nIndex >= 0 && nIndex < pList->nCount ? TRUE : FALSE;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_ConvertToInPlace(tQMLIST** ppList, tQMLIST* pStorage) noexcept {
    if (!ppList || !pStorage) return E_INVALIDARG;
    tQMLIST* list = *ppList;
    if (!IsLive(list)) return E_INVALIDARG;
    const auto* a = reinterpret_cast<const BYTE*>(list);
    const auto* b = reinterpret_cast<const BYTE*>(pStorage);
    if (a < b + sizeof(tQMLIST) && b < a + sizeof(tQMLIST)) return E_INVALIDARG;
    {
        // The lock object lives apart from the header, so it moves with it by pointer and a
        // thread-safe list stays locked across the move.
        Guard guard(list);
        if (list->dwOptions & QMLIST_OPT_INPLACE) return E_FAIL;
        std::memcpy(pStorage, list, sizeof(tQMLIST));
        pStorage->dwOptions |= QMLIST_OPT_INPLACE;
        list->dwMagic = 0;
    }
    platform::HeapFreeBlock(nullptr, list, 0);
    *ppList = nullptr;
    return S_OK;
}

extern "C" QM_EXPORT LONG_PTR QMAPI QmList_GetUserData(tQMLIST* pList) noexcept {
    return IsLive(pList) ? __atomic_load_n(&pList->lUserData, __ATOMIC_SEQ_CST) : 0;
}

extern "C" QM_EXPORT LONG_PTR QMAPI QmList_SetUserData(tQMLIST* pList, LONG_PTR lUserData) noexcept {
    return IsLive(pList) ? __atomic_exchange_n(&pList->lUserData, lUserData, __ATOMIC_SEQ_CST) : 0;
}

extern "C" QM_EXPORT DWORD QMAPI QmList_GetCreateOptions(tQMLIST* pList) noexcept {
    if (!IsLive(pList)) return 0;
    Guard guard(pList);
    return pList->dwOptions;
}

extern "C" QM_EXPORT LONG_PTR QMAPI QmList_GetSortCriteria(tQMLIST* pList) noexcept {
    if (!IsLive(pList)) return 0;
    Guard guard(pList);
    return pList->lSortCriteria;
}

extern "C" QM_EXPORT DWORD QMAPI QmList_GetThreadOwner(tQMLIST* pList) noexcept {
    if (!IsLive(pList)) return 0;
    Guard guard(pList);
    return pList->dwOwnerThread;
}

extern "C" QM_EXPORT HRESULT QMAPI QmList_SetThreadOwner(tQMLIST* pList, DWORD dwThreadId) noexcept {
    if (!IsLive(pList)) return E_FAIL;
    Guard guard(pList);
    pList->dwOwnerThread = dwThreadId ? dwThreadId : platform::CurrentThreadId();
    return S_OK;
}

extern "C" QM_EXPORT int QMAPI QmList_GetFileAndLine(tQMLIST*, WCHAR* pszBuffer, int cchBuffer) noexcept {
    // No creation site is recorded in release builds of the framework.
    if (pszBuffer && cchBuffer > 0) pszBuffer[0] = 0;
    return -1;
}
