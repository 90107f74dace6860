// Shared internals of the generic list: validation, the lock scope and the slot-level operations
// that the exported functions combine. Every function here expects the caller to hold the lock of a
// thread-safe list.
#pragma once
#include <cstdint>

#include "framework/list.h"
#include "platform/private_heap.h"
#include "platform/sync.h"

namespace qm::list {

constexpr LONG kDefaultSlots = 16;
constexpr LONG kMinGrowBy = 4;
constexpr LONG kMaxGrowBy = 0x10400;
// No slot array or item block beyond this size is asked for: it keeps every byte count an int on
// 32-bit hosts and keeps absurd counts from reaching the allocator.
constexpr int64_t kMaxBlockBytes = 0x7FFFFFFF;

inline bool IsLive(const tQMLIST* list) noexcept { return list && list->dwMagic == QMLIST_MAGIC; }
inline bool HasHeapItems(const tQMLIST* list) noexcept { return (list->dwOptions & QMLIST_OPT_HEAPITEMS) != 0; }
inline bool HasInlineItems(const tQMLIST* list) noexcept {
    return (list->dwOptions & QMLIST_OPT_INLINEITEMS) != 0;
}
inline platform::PrivateHeap* ItemHeap(const tQMLIST* list) noexcept {
    return static_cast<platform::PrivateHeap*>(list->hPrivateHeap);
}

inline BYTE* SlotAt(const tQMLIST* list, int64_t index) noexcept {
    return list->pSlots + index * static_cast<int64_t>(list->cbSlot);
}
inline void* SlotValue(const tQMLIST* list, int64_t index) noexcept {
    void* value;
    __builtin_memcpy(&value, SlotAt(list, index), sizeof(value));
    return value;
}
// What a callback receives for a slot: the value of a value or heap-item slot, the address of an
// inline item.
inline void* CallbackItem(const tQMLIST* list, int64_t index) noexcept {
    return HasInlineItems(list) ? static_cast<void*>(SlotAt(list, index)) : SlotValue(list, index);
}

// Holds the lock of a thread-safe list for its lifetime; no-op for other lists.
class Guard {
public:
    explicit Guard(tQMLIST* list) noexcept
        : lock_((list->dwOptions & QMLIST_OPT_THREADSAFE) ? static_cast<platform::RecursiveLock*>(list->lock.pLock)
                                                          : nullptr) {
        if (lock_) lock_->Enter();
    }
    ~Guard() {
        if (lock_) lock_->Leave();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    platform::RecursiveLock* lock_;
};

// A resolved (start, count) range: a negative start means 0, a negative count or one past the end
// means up to the end; a start beyond the list gives an empty range marked `beyond`.
struct Range {
    int start;
    int count;
    bool beyond;  // start > count of the list
};
Range ResolveRange(const tQMLIST* list, int start, int count) noexcept;

// Storage (list_storage.cpp).
HRESULT Grow(tQMLIST* list, int64_t slots) noexcept;
HRESULT Shrink(tQMLIST* list, int64_t slots) noexcept;
// Releases spare slots after a deletion when more than one growth increment is spare.
void ShrinkIfSpare(tQMLIST* list) noexcept;
// Opens a gap of k zeroed slots at index (growing when needed); count += k.
HRESULT OpenGap(tQMLIST* list, int index, int64_t k) noexcept;
// Removes slots [index, index + k) without touching item blocks; zeroes the vacated tail.
void CloseGap(tQMLIST* list, int index, int k) noexcept;
HRESULT Insert(tQMLIST* list, int index, const void* source, int count) noexcept;

// Item blocks (list_items.cpp).
void* AllocBlock(tQMLIST* list, int64_t bytes) noexcept;
void FreeBlock(tQMLIST* list, void* block) noexcept;
void FreePending(tQMLIST* list) noexcept;
HRESULT AllocPending(tQMLIST* list, int bytes, void** block) noexcept;

// Finds (list_find.cpp).
int SortedInsertIndex(tQMLIST* list, const void* key, int start, int count, tQMLISTCOMPAREPROC compare) noexcept;

}  // namespace qm::list
