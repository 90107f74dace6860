// Generic list: item blocks of heap-item lists. The pending item, allocate-and-insert, resizing,
// moving blocks between lists and private heaps.
#include <gtest/gtest.h>

#include "list_test_helpers.h"
#include "platform/private_heap.h"

using namespace listtest;

TEST(ListPendingItem, OneAtATimeThenInsertedOrDiscarded) {
    OwnedList values(0, 0, 0, 0);
    void* block = &values;
    int index = 99;
    EXPECT_EQ(QmList_AllocItem(values, 8, &block), E_FAIL);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(QmList_AllocAndInsertItem(values, "x", 2, 0, &index), E_FAIL);
    EXPECT_EQ(index, -1);

    OwnedList list(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    ASSERT_EQ(QmList_AllocItem(list, 40, &block), S_OK);
    EXPECT_TRUE(AllZero(block, 40));
    EXPECT_EQ(list->pPendingItem, block);
    void* second = &values;
    EXPECT_EQ(QmList_AllocItem(list, 8, &second), E_FAIL);  // one pending item at a time
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(QmList_AllocAndInsertItem(list, "x", 2, 0, &index), E_FAIL);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(list->pPendingItem, block);  // the other caller's item is untouched
    EXPECT_EQ(list->nCount, 0);
    std::strcpy(static_cast<char*>(block), "d");
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), S_OK);
    EXPECT_EQ(list->pPendingItem, nullptr);
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), E_FAIL);  // nothing pending any more

    // Allocate-and-insert resolves the index it used; without a source the block is zero.
    const struct {
        const char* text;
        int index, at;
    } inserts[] = {{"b", 0, 0}, {"a", 0, 0}, {"c", 2, 2}, {nullptr, 42, 4}};
    for (const auto& i : inserts) {
        ASSERT_EQ(QmList_AllocAndInsertItem(list, i.text, i.text ? 2 : 24, i.index, &index), S_OK);
        EXPECT_EQ(index, i.at);
    }
    EXPECT_TRUE(AllZero(QmList_ValueAt<void*>(list, 4), 24));
    QmList_ValueAt<char*>(list, 4)[0] = 'e';
    EXPECT_EQ(Texts(list), (T{"a", "b", "c", "d", "e"}));

    // A discarded pending item is freed (the leak checker would see it otherwise) and makes room.
    ASSERT_EQ(QmList_AllocItem(list, 16, &block), S_OK);
    EXPECT_EQ(QmList_DeleteList(list, -1, -1, FALSE), S_OK);
    EXPECT_EQ(list->pPendingItem, nullptr);
    EXPECT_EQ(list->nCount, 5);
    EXPECT_EQ(QmList_AllocItem(list, 16, &block), S_OK);
    EXPECT_EQ(QmList_AllocItem(list, -1, &block), E_FAIL);
}

TEST(ListItems, ReAllocKeepsContentAndZeroesGrowth) {
    for (DWORD heap : {0u, QMLIST_OPT_PRIVATEHEAP}) {
        SCOPED_TRACE(heap ? "private heap" : "process heap");
        OwnedList list(0, 0, 0, QMLIST_OPT_HEAPITEMS | heap);
        ASSERT_EQ(AddText(list, "hello"), S_OK);
        EXPECT_EQ(QmList_ReAllocItem(list, 0, 5000), S_OK);
        const char* grown = QmList_ValueAt<const char*>(list, 0);
        EXPECT_STREQ(grown, "hello");
        EXPECT_TRUE(AllZero(grown + 6, 5000 - 6));
        EXPECT_GE(QmList_AllocSize(list, 0), 5000u);
        EXPECT_EQ(QmList_ReAllocItem(list, 0, 3), S_OK);
        EXPECT_EQ(std::memcmp(QmList_ValueAt<const char*>(list, 0), "hel", 3), 0);
        EXPECT_EQ(QmList_ReAllocItem(list, 1, 8), E_FAIL);
        EXPECT_EQ(QmList_ReAllocItem(list, -1, 8), E_FAIL);
        EXPECT_EQ(QmList_ReAllocItem(list, 0, -8), E_FAIL);
    }
    ValueList values;
    AppendValues(values, {1});
    EXPECT_EQ(QmList_ReAllocItem(values, 0, 8), E_FAIL);
}

TEST(ListMoveBetweenHeapLists, BlocksChangeHandsInOrder) {
    OwnedList source(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    OwnedList dest(0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE);
    for (const char* text : {"A", "B", "C", "D"}) ASSERT_EQ(AddText(source, text), S_OK);
    for (const char* text : {"X", "Y"}) ASSERT_EQ(AddText(dest, text), S_OK);
    void* b = QmList_ValueAt<void*>(source, 1);

    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 1, source, 1, 2), S_OK);
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y"}));
    EXPECT_EQ(Texts(source), (T{"A", "D"}));
    EXPECT_EQ(QmList_ValueAt<void*>(dest, 1), b);  // moved, not copied
    EXPECT_TRUE(SpareSlotsZero(source));

    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, 0, 0), S_OK);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, 1, 2), E_FAIL);  // past the end
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, -1, 1), E_FAIL);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, -1, source, 0, -1), S_OK);  // all, appended
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y", "A", "D"}));
    EXPECT_EQ(source->nCount, 0);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, dest, 0, 1), E_FAIL);

    void* pending = nullptr;
    ASSERT_EQ(AddText(source, "Z"), S_OK);
    ASSERT_EQ(QmList_AllocItem(dest, 4, &pending), S_OK);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, 0, 1), E_FAIL);
    EXPECT_EQ(QmList_DeleteList(dest, -1, -1, FALSE), S_OK);

    ValueList values;
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(values, 0, source, 0, 1), E_FAIL);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(source, 0, values, 0, 1), E_FAIL);
    // A private heap's blocks die with it: they never move to another list.
    OwnedList privateHeap(0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(privateHeap, 0, source, 0, 1), E_FAIL);
    EXPECT_EQ(Texts(source), T{"Z"});
}

TEST(ListPrivateHeap, ManyBlocksOfEverySizeStayIntact) {
    OwnedList list(0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP | QMLIST_OPT_THREADSAFE);
    std::vector<int> sizes;
    for (int i = 0; i < 300; ++i) sizes.push_back(1 + (i * 37) % 6000);
    for (size_t i = 0; i < sizes.size(); ++i) {
        void* block = nullptr;
        ASSERT_EQ(QmList_AllocItem(list, sizes[i], &block), S_OK);
        ASSERT_TRUE(AllZero(block, static_cast<size_t>(sizes[i])));
        std::memset(block, static_cast<int>(i & 0x7F) + 1, static_cast<size_t>(sizes[i]));
        ASSERT_EQ(QmList_InsertList(list, -1, nullptr, -1), S_OK);
    }
    // Free every other block, then allocate again: reused blocks must come back zeroed.
    for (int i = 299; i >= 0; i -= 2) ASSERT_EQ(QmList_DeleteList(list, i, 1, FALSE), S_OK);
    for (int i = 0; i < 150; ++i) {
        void* block = nullptr;
        ASSERT_EQ(QmList_AllocItem(list, 100, &block), S_OK);
        ASSERT_TRUE(AllZero(block, 100));
        ASSERT_EQ(QmList_InsertList(list, -1, nullptr, -1), S_OK);
    }
    size_t items = 0;
    for (int i = 0; i < 150; ++i) {
        const size_t size = static_cast<size_t>(sizes[static_cast<size_t>(2 * i)]);
        const auto* block = QmList_ValueAt<const BYTE*>(list, i);
        EXPECT_EQ(block[0], (2 * i & 0x7F) + 1);
        EXPECT_EQ(block[size - 1], (2 * i & 0x7F) + 1);
        EXPECT_GE(QmList_AllocSize(list, i), size);
        items += QmList_AllocSize(list, i) + QmList_AllocSize(list, 150 + i);
    }
    EXPECT_EQ(QmList_AllocSize(list, -1), items + sizeof(tQMLIST) + qm::platform::HeapBlockSize(nullptr, list->pSlots));
}

TEST(ListPrivateHeap, DestructionReleasesTheHeapWithoutWalkingBlocks) {
    // A slot value that is no block of the heap: freeing blocks one by one would fault on it.
    OwnedList list(0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(AddText(list, "item"), S_OK);
    void* foreign = reinterpret_cast<void*>(uintptr_t{0x40});
    ASSERT_EQ(QmList_InsertList(list, -1, &foreign, -1), S_OK);
    void* pending = nullptr;
    ASSERT_EQ(QmList_AllocItem(list, 64, &pending), S_OK);  // left pending: released with the heap

    tQMLIST storage;
    tQMLIST* moved = list.list;
    ASSERT_EQ(QmList_ConvertToInPlace(&moved, &storage), S_OK);
    list.list = nullptr;
    EXPECT_EQ(QmList_Destroy(&storage), S_OK);
    EXPECT_EQ(storage.hPrivateHeap, nullptr);
    EXPECT_EQ(storage.pPendingItem, nullptr);
}

TEST(ListPrivateHeap, PlatformHeapBlocks) {
    using namespace qm::platform;
    PrivateHeap* heap = CreatePrivateHeap(4096);
    ASSERT_NE(heap, nullptr);
    std::vector<void*> blocks;
    for (size_t size : {size_t{0}, size_t{1}, size_t{16}, size_t{17}, size_t{4096}, size_t{4097}, size_t{70000}}) {
        void* block = HeapAllocBlock(heap, size, kHeapZeroMemory | kHeapNoSerialize);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        EXPECT_EQ(HeapBlockSize(heap, block), size);
        EXPECT_TRUE(AllZero(block, size));
        std::memset(block, 0x5A, size);
        blocks.push_back(block);
    }
    void* big = HeapReAllocBlock(heap, blocks[3], 9000, kHeapZeroMemory);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(static_cast<BYTE*>(big)[16], 0x5A);
    EXPECT_TRUE(AllZero(static_cast<BYTE*>(big) + 17, 9000 - 17));
    HeapFreeBlock(heap, blocks[6], kHeapNoSerialize);
    HeapFreeBlock(heap, nullptr, 0);
    DestroyPrivateHeap(heap);  // the rest goes with the heap
    DestroyPrivateHeap(nullptr);
}
