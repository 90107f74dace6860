// Linux heaps: the C heap for general blocks; a private heap is an arena of chunks with free lists per
// size class, released as a whole.
#include "platform/private_heap.h"

#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace qm::platform {
namespace {

// Every arena block is preceded by its requested size and its size class.
struct BlockHeader {
    size_t size;
    size_t sizeClass;
};
// Blocks above the largest class get their own allocation, linked so that destruction finds them.
struct LargeBlock {
    LargeBlock* prev;
    LargeBlock* next;
    BlockHeader header;
};
struct Chunk {
    Chunk* next;
    size_t capacity;
    size_t used;
    size_t pad;
};
static_assert(sizeof(BlockHeader) == 16 && sizeof(Chunk) == 32 && sizeof(LargeBlock) % 16 == 0,
              "arena blocks stay 16-byte aligned");

constexpr size_t kClassCount = 9;  // 16, 32, ... 4096 bytes
constexpr size_t kLargeClass = kClassCount;
constexpr size_t kMaxChunkBytes = 64 * 1024;

constexpr size_t ClassBytes(size_t sizeClass) { return size_t{16} << sizeClass; }

size_t ClassFor(size_t bytes) {
    size_t c = 0;
    while (c < kClassCount && ClassBytes(c) < bytes) ++c;
    return c;
}

BlockHeader* HeaderOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) - sizeof(BlockHeader));
}

}  // namespace

struct PrivateHeap {
    Chunk* chunks = nullptr;
    size_t nextChunkBytes = 4096;
    void* freeLists[kClassCount] = {};
    LargeBlock* large = nullptr;

    void* CarveSmall(size_t sizeClass) noexcept {
        const size_t need = sizeof(BlockHeader) + ClassBytes(sizeClass);
        if (!chunks || chunks->capacity - chunks->used < need) {
            size_t bytes = nextChunkBytes < need + sizeof(Chunk) ? need + sizeof(Chunk) : nextChunkBytes;
            auto* chunk = static_cast<Chunk*>(std::malloc(bytes));
            if (!chunk) return nullptr;
            chunk->next = chunks;
            chunk->capacity = bytes;
            chunk->used = sizeof(Chunk);
            chunks = chunk;
            if (nextChunkBytes < kMaxChunkBytes) nextChunkBytes *= 2;
        }
        auto* header = reinterpret_cast<BlockHeader*>(reinterpret_cast<char*>(chunks) + chunks->used);
        chunks->used += need;
        header->sizeClass = sizeClass;
        return header + 1;
    }

    void* Allocate(size_t bytes, uint32_t flags) noexcept {
        const size_t sizeClass = ClassFor(bytes);
        void* block = nullptr;
        if (sizeClass == kLargeClass) {
            if (bytes > SIZE_MAX - sizeof(LargeBlock)) return nullptr;
            auto* large_block = static_cast<LargeBlock*>(std::malloc(sizeof(LargeBlock) + bytes));
            if (!large_block) return nullptr;
            large_block->prev = nullptr;
            large_block->next = large;
            if (large) large->prev = large_block;
            large = large_block;
            large_block->header.sizeClass = kLargeClass;
            block = &large_block->header + 1;
        } else if (freeLists[sizeClass]) {
            block = freeLists[sizeClass];
            std::memcpy(&freeLists[sizeClass], block, sizeof(void*));
        } else {
            block = CarveSmall(sizeClass);
            if (!block) return nullptr;
        }
        HeaderOf(block)->size = bytes;
        if (flags & kHeapZeroMemory) std::memset(block, 0, bytes);
        return block;
    }

    void Free(void* block) noexcept {
        BlockHeader* header = HeaderOf(block);
        if (header->sizeClass == kLargeClass) {
            auto* large_block = reinterpret_cast<LargeBlock*>(reinterpret_cast<char*>(header) - offsetof(LargeBlock, header));
            if (large_block->prev) large_block->prev->next = large_block->next;
            else large = large_block->next;
            if (large_block->next) large_block->next->prev = large_block->prev;
            std::free(large_block);
            return;
        }
        std::memcpy(block, &freeLists[header->sizeClass], sizeof(void*));
        freeLists[header->sizeClass] = block;
    }

    void* Resize(void* block, size_t bytes, uint32_t flags) noexcept {
        BlockHeader* header = HeaderOf(block);
        const size_t old = header->size;
        if (header->sizeClass != kLargeClass && bytes <= ClassBytes(header->sizeClass)) {
            if (bytes > old && (flags & kHeapZeroMemory)) std::memset(static_cast<char*>(block) + old, 0, bytes - old);
            header->size = bytes;
            return block;
        }
        void* moved = Allocate(bytes, 0);
        if (!moved) return nullptr;
        std::memcpy(moved, block, old < bytes ? old : bytes);
        if (bytes > old && (flags & kHeapZeroMemory)) std::memset(static_cast<char*>(moved) + old, 0, bytes - old);
        Free(block);
        return moved;
    }

    ~PrivateHeap() {
        while (chunks) {
            Chunk* next = chunks->next;
            std::free(chunks);
            chunks = next;
        }
        while (large) {
            LargeBlock* next = large->next;
            std::free(large);
            large = next;
        }
    }
};

PrivateHeap* CreatePrivateHeap(size_t initialBytes) noexcept {
    auto* heap = new (std::nothrow) PrivateHeap;
    if (heap && initialBytes > sizeof(Chunk) + sizeof(BlockHeader)) heap->nextChunkBytes = initialBytes;
    return heap;
}

void DestroyPrivateHeap(PrivateHeap* heap) noexcept { delete heap; }

void* HeapAllocBlock(PrivateHeap* heap, size_t bytes, uint32_t flags) noexcept {
    if (heap) return heap->Allocate(bytes, flags);
    // calloc(0) may return null; a block of zero bytes must still be a block.
    return (flags & kHeapZeroMemory) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
}

void* HeapReAllocBlock(PrivateHeap* heap, void* block, size_t bytes, uint32_t flags) noexcept {
    if (!block) return HeapAllocBlock(heap, bytes, flags);
    if (heap) return heap->Resize(block, bytes, flags);
    const size_t old = malloc_usable_size(block);
    void* moved = std::realloc(block, bytes ? bytes : 1);
    if (moved && (flags & kHeapZeroMemory)) {
        const size_t now = malloc_usable_size(moved);
        if (now > old) std::memset(static_cast<char*>(moved) + old, 0, now - old);
    }
    return moved;
}

void HeapFreeBlock(PrivateHeap* heap, void* block, uint32_t) noexcept {
    if (!block) return;
    if (heap) heap->Free(block);
    else std::free(block);
}

size_t HeapBlockSize(PrivateHeap* heap, const void* block) noexcept {
    if (!block) return 0;
    if (heap) return HeaderOf(block)->size;
    return malloc_usable_size(const_cast<void*>(block));
}

bool IsReadableMemory(const void* address, size_t bytes) noexcept {
    if (!address) return false;
    char buffer[512];
    const char* p = static_cast<const char*>(address);
    while (bytes > 0) {
        const size_t n = bytes < sizeof(buffer) ? bytes : sizeof(buffer);
        iovec local{buffer, n};
        iovec remote{const_cast<char*>(p), n};
        ssize_t got = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
        if (got < 0 && (errno == EPERM || errno == ENOSYS)) {
            // Some sandboxes forbid reading one's own memory this way; a pipe reports EFAULT too.
            int fds[2];
            if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
            got = write(fds[1], p, n);
            if (got > 0) got = read(fds[0], buffer, static_cast<size_t>(got));
            close(fds[0]);
            close(fds[1]);
        }
        if (got <= 0) return false;
        p += got;
        bytes -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace qm::platform
