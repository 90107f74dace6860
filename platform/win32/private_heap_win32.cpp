// Windows heaps: the process heap for general blocks, HeapCreate for private heaps.
#include "platform/private_heap.h"

#include "qmvsti/com.h"

namespace qm::platform {
namespace {

HANDLE HeapOf(PrivateHeap* heap) noexcept {
    return heap ? reinterpret_cast<HANDLE>(heap) : GetProcessHeap();
}

// The process heap is shared by every thread of the host: never ask it to skip serialisation.
DWORD FlagsFor(PrivateHeap* heap, uint32_t flags) noexcept {
    DWORD result = (flags & kHeapZeroMemory) ? HEAP_ZERO_MEMORY : 0;
    if (heap && (flags & kHeapNoSerialize)) result |= HEAP_NO_SERIALIZE;
    return result;
}

}  // namespace

PrivateHeap* CreatePrivateHeap(size_t initialBytes) noexcept {
    // Growable (maximum 0), not serialised: the owning list serialises through its own lock.
    return reinterpret_cast<PrivateHeap*>(HeapCreate(HEAP_NO_SERIALIZE, initialBytes, 0));
}

void DestroyPrivateHeap(PrivateHeap* heap) noexcept {
    if (heap) HeapDestroy(reinterpret_cast<HANDLE>(heap));
}

void* HeapAllocBlock(PrivateHeap* heap, size_t bytes, uint32_t flags) noexcept {
    return HeapAlloc(HeapOf(heap), FlagsFor(heap, flags), bytes);
}

void* HeapReAllocBlock(PrivateHeap* heap, void* block, size_t bytes, uint32_t flags) noexcept {
    if (!block) return HeapAllocBlock(heap, bytes, flags);
    return HeapReAlloc(HeapOf(heap), FlagsFor(heap, flags), block, bytes);
}

void HeapFreeBlock(PrivateHeap* heap, void* block, uint32_t flags) noexcept {
    if (block) HeapFree(HeapOf(heap), FlagsFor(heap, flags) & HEAP_NO_SERIALIZE, block);
}

size_t HeapBlockSize(PrivateHeap* heap, const void* block) noexcept {
    if (!block) return 0;
    SIZE_T size = HeapSize(HeapOf(heap), 0, block);
    return size == static_cast<SIZE_T>(-1) ? 0 : size;
}

bool IsReadableMemory(const void* address, size_t bytes) noexcept {
    if (!address) return false;
    auto p = reinterpret_cast<uintptr_t>(address);
    const uintptr_t end = p + bytes;
    if (end < p) return false;
    constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                                PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    while (p < end) {
        MEMORY_BASIC_INFORMATION info;
        if (VirtualQuery(reinterpret_cast<const void*>(p), &info, sizeof(info)) == 0) return false;
        if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) ||
            !(info.Protect & kReadable))
            return false;
        p = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    }
    return true;
}

}  // namespace qm::platform
