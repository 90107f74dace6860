// Memory blocks for the generic list: the general heap, private heaps released as a whole, and a
// readability probe for handles the host passes in.
#pragma once
#include <cstddef>
#include <cstdint>

namespace qm::platform {

// Allocation flags, with the values of the Windows heap API so that list headers keep them as is.
constexpr uint32_t kHeapNoSerialize = 0x00000001;  // the caller serialises (the list's own lock)
constexpr uint32_t kHeapZeroMemory = 0x00000008;   // new bytes, also those added by a resize, are zero

// A private heap: a growable, unserialised heap whose blocks are all released with it. On Windows it
// is a real heap (HeapCreate); on Linux an arena of chunks. A null heap stands for the general heap.
struct PrivateHeap;

PrivateHeap* CreatePrivateHeap(size_t initialBytes) noexcept;
// Releases every block still allocated from the heap at once.
void DestroyPrivateHeap(PrivateHeap* heap) noexcept;

// Blocks of the general heap (heap == nullptr) or of a private heap. Allocation returns null on
// failure; a resize that fails keeps the old block. Blocks are at least 8-byte aligned.
void* HeapAllocBlock(PrivateHeap* heap, size_t bytes, uint32_t flags) noexcept;
void* HeapReAllocBlock(PrivateHeap* heap, void* block, size_t bytes, uint32_t flags) noexcept;
void HeapFreeBlock(PrivateHeap* heap, void* block, uint32_t flags) noexcept;
// The usable size the allocator reports for a block (0 for null).
size_t HeapBlockSize(PrivateHeap* heap, const void* block) noexcept;

// True when `bytes` bytes at `address` can be read without faulting (host handles are checked
// before their magic is read).
bool IsReadableMemory(const void* address, size_t bytes) noexcept;

}  // namespace qm::platform
