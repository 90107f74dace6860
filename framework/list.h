/* Generic list: the framework's one container.
 *
 * A growable array of fixed-size slots behind a small header. A list holds one kind of slot, chosen
 * at creation: value slots (one pointer-sized value the list does not own), heap items (each slot
 * points at an item block the list owns and frees) or inline items (each slot is the item itself).
 * Callers walk a list by reading nCount, cbSlot and pSlots directly; everything else goes through
 * the QmList_* functions, which are exported undecorated with the __cdecl convention.
 *
 * Results are HRESULTs: S_OK, E_FAIL for bad arguments, E_OUTOFMEMORY (the list is then left as it
 * was) and E_INVALIDARG where noted. Finds return an index or -1. A thread-safe list holds its
 * re-entrant lock for the whole of every call, callbacks included. */
#ifndef QMVSTI_FRAMEWORK_LIST_H
#define QMVSTI_FRAMEWORK_LIST_H

#include <stddef.h>

#include "qmvsti/com.h"

/* Creation options (a bit set; none of the kind bits = value slots). */
#define QMLIST_OPT_HEAPITEMS 0x00000002u   /* slots point at item blocks the list owns */
#define QMLIST_OPT_INLINEITEMS 0x00000004u /* slots are the items; not with QMLIST_OPT_HEAPITEMS */
#define QMLIST_OPT_INPLACE 0x00000008u     /* the header lives in caller storage */
#define QMLIST_OPT_PRIVATEHEAP 0x10000000u /* heap items from a private heap released as a whole */
#define QMLIST_OPT_ALWAYS 0x40000000u      /* always set by creation */
#define QMLIST_OPT_THREADSAFE 0x80000000u  /* every call holds the list's re-entrant lock */

/* The header's magic while the list lives ('CURT' in memory); 0 after destruction. */
#define QMLIST_MAGIC 0x54525543u

/* The lock field has the size of the platform's critical section (24 bytes on 32-bit Windows) so
 * that the header keeps its 32-bit layout; it carries the list's lock object. */
#define QMLIST_LOCK_BYTES (sizeof(void*) == 4 ? 24 : 40)

typedef struct tQMLISTLOCK {
    void* pLock; /* the re-entrant lock of a thread-safe list, else null */
    BYTE reserved[QMLIST_LOCK_BYTES - sizeof(void*)];
} tQMLISTLOCK;

typedef struct tQMLIST {
    LONG nCount;            /* items in use */
    ULONG cbSlot;           /* bytes per slot */
    BYTE* pSlots;           /* nCapacity * cbSlot bytes; slots from nCount on hold zero bytes */
    tQMLISTLOCK lock;       /* initialised only for thread-safe lists */
    DWORD dwMagic;          /* QMLIST_MAGIC while the list lives */
    DWORD dwOptions;        /* creation options | QMLIST_OPT_ALWAYS (| QMLIST_OPT_INPLACE once converted) */
    LONG_PTR lUserData;     /* the caller's value; 0 at creation */
    LONG_PTR lSortCriteria; /* the last criteria given to a sort */
    DWORD dwOwnerThread;    /* recorded, never enforced */
    LONG nCapacity;         /* slots allocated */
    LONG nGrowBy;           /* slots added or released at a time, 4 to 0x10400 */
    void* hPrivateHeap;     /* the item blocks' private heap, or null */
    DWORD dwHeapAllocFlags; /* flags for allocating item blocks from the private heap */
    DWORD dwHeapFreeFlags;  /* flags for releasing item blocks to the private heap */
    void* pPendingItem;     /* allocated by QmList_AllocItem and not yet inserted, or null */
    DWORD dwReserved;       /* zero */
} tQMLIST;

/* Match callback of QmList_FindItemRange: 0 when item is the one sought. */
typedef int(QMAPI* tQMLISTMATCHPROC)(const void* pKey, void* pItem);
/* Compare callback of the sorts and sorted finds: negative, zero or positive; positive means a
 * belongs after b. In the sorted finds a is the caller's key and b the item. */
typedef int(QMAPI* tQMLISTCOMPAREPROC)(LONG_PTR lCriteria, const void* pA, const void* pB);
/* The item handed to a callback is the slot's value for value slots and heap items, the slot's
 * address for inline items. */

#ifdef __cplusplus
extern "C" {
#  define QMLIST_NOEXCEPT noexcept
#else
#  define QMLIST_NOEXCEPT
#endif

QM_EXPORT HRESULT QMAPI QmList_CreateExZ(tQMLIST** ppList, int cbItem, int nInitialCount, int nGrowBy,
                                         DWORD dwOptions, LONG_PTR lReserved1, LONG_PTR lReserved2,
                                         LONG_PTR lReserved3) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_Destroy(tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT BOOL QMAPI QmList_IsList(const void* pList, int cbHeader) QMLIST_NOEXCEPT;
QM_EXPORT BOOL QMAPI QmList_IsListFast(const tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT BOOL QMAPI QmList_IsValidIndexSlow(tQMLIST* pList, int nIndex) QMLIST_NOEXCEPT;

QM_EXPORT HRESULT QMAPI QmList_InsertList(tQMLIST* pList, int nIndex, const void* pSource, int nCount) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_DeleteList(tQMLIST* pList, int nIndex, int nCount, BOOL bShrink) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_AllocItem(tQMLIST* pList, int cbItem, void** ppBlock) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_AllocAndInsertItem(tQMLIST* pList, const void* pSource, int cbItem, int nIndex,
                                                  int* pnIndex) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_ReAllocItem(tQMLIST* pList, int nIndex, int cbNew) QMLIST_NOEXCEPT;
QM_EXPORT size_t QMAPI QmList_AllocSize(tQMLIST* pList, int nIndex) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_MoveRange(tQMLIST* pList, int nFrom, int nTo, int nCount) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_MoveItemsBetweenHeapLists(tQMLIST* pDest, int nDestIndex, tQMLIST* pSource,
                                                         int nSourceStart, int nCount) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_ArrayForceItemCount(tQMLIST* pList, int nCount, BOOL bShrink) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_GrowAllocated(tQMLIST* pList, int nSlots) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_ShrinkAllocated(tQMLIST* pList, int nSlots) QMLIST_NOEXCEPT;

QM_EXPORT int QMAPI QmList_FindItemRange(tQMLIST* pList, int nStart, int nCount, const void* pKey,
                                         tQMLISTMATCHPROC pfnMatch) QMLIST_NOEXCEPT;
QM_EXPORT int QMAPI QmList_FindSpecificItemRange(tQMLIST* pList, int nStart, int nCount,
                                                 const void* pItem) QMLIST_NOEXCEPT;
QM_EXPORT int QMAPI QmList_FindSortedItemRange(tQMLIST* pList, const void* pKey, int nStart, int nCount,
                                               tQMLISTCOMPAREPROC pfnCompare) QMLIST_NOEXCEPT;
QM_EXPORT int QMAPI QmList_FindSortedInsertIndexRange(tQMLIST* pList, const void* pKey, int nStart, int nCount,
                                                      tQMLISTCOMPAREPROC pfnCompare) QMLIST_NOEXCEPT;

QM_EXPORT HRESULT QMAPI QmList_Sort(tQMLIST* pList, LONG_PTR lCriteria, tQMLISTCOMPAREPROC pfnCompare) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_HeapSort(tQMLIST* pList, LONG_PTR lCriteria,
                                        tQMLISTCOMPAREPROC pfnCompare) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_SortTo(tQMLIST* pDest, tQMLIST* pSource, LONG_PTR lCriteria,
                                      tQMLISTCOMPAREPROC pfnCompare) QMLIST_NOEXCEPT;

QM_EXPORT HRESULT QMAPI QmList_ConvertToInPlace(tQMLIST** ppList, tQMLIST* pStorage) QMLIST_NOEXCEPT;
QM_EXPORT LONG_PTR QMAPI QmList_GetUserData(tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT LONG_PTR QMAPI QmList_SetUserData(tQMLIST* pList, LONG_PTR lUserData) QMLIST_NOEXCEPT;
QM_EXPORT DWORD QMAPI QmList_GetCreateOptions(tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT LONG_PTR QMAPI QmList_GetSortCriteria(tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT DWORD QMAPI QmList_GetThreadOwner(tQMLIST* pList) QMLIST_NOEXCEPT;
QM_EXPORT HRESULT QMAPI QmList_SetThreadOwner(tQMLIST* pList, DWORD dwThreadId) QMLIST_NOEXCEPT;
QM_EXPORT int QMAPI QmList_GetFileAndLine(tQMLIST* pList, WCHAR* pszBuffer, int cchBuffer) QMLIST_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#ifdef __cplusplus
/* Typed access to slot i of a list (no range check): the value of a value or heap-item slot, or
 * the address of an inline item. */
template <typename T>
inline T QmList_ValueAt(const tQMLIST* pList, int i) noexcept {
    return *reinterpret_cast<T*>(pList->pSlots + static_cast<size_t>(i) * sizeof(void*));
}
template <typename T>
inline T* QmList_InlineAt(const tQMLIST* pList, int i) noexcept {
    return reinterpret_cast<T*>(pList->pSlots + static_cast<size_t>(i) * pList->cbSlot);
}

static_assert(sizeof(void*) != 4 || sizeof(tQMLIST) == 84, "tQMLIST is 84 bytes on 32-bit targets");
static_assert(sizeof(void*) != 4 || offsetof(tQMLIST, lock) == 12, "tQMLIST lock offset");
static_assert(sizeof(void*) != 4 || offsetof(tQMLIST, dwMagic) == 36, "tQMLIST magic offset");
static_assert(sizeof(void*) != 4 || offsetof(tQMLIST, lUserData) == 44, "tQMLIST user data offset");
static_assert(sizeof(void*) != 4 || offsetof(tQMLIST, nCapacity) == 56, "tQMLIST capacity offset");
static_assert(sizeof(void*) != 4 || offsetof(tQMLIST, pPendingItem) == 76, "tQMLIST pending item offset");
static_assert(offsetof(tQMLIST, nCount) == 0 && offsetof(tQMLIST, cbSlot) == 4 && offsetof(tQMLIST, pSlots) == 8,
              "callers read count, slot size and slot array at fixed offsets");
#endif

#endif
