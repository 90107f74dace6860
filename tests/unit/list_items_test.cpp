// Generic list: item blocks of heap-item lists. The pending item, allocate-and-insert, moving blocks
// between lists and private heaps. Resizing and freeing are covered by the heap-item model.
#include <gtest/gtest.h>

#include "list_test_helpers.h"

using namespace listtest;

TEST(ListPendingItem, OneAtATimeThenInsertedOrDiscarded) {
    OwnedList values(0);
    void* block = &values;
    int index = 99;
    EXPECT_EQ(QmList_AllocItem(values, 8, &block), E_FAIL);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(QmList_AllocAndInsertItem(values, "x", 2, 0, &index), E_FAIL);
    EXPECT_EQ(index, -1);
    AppendValues(values, {1});
    EXPECT_EQ(QmList_ReAllocItem(values, 0, 8), E_FAIL);

    OwnedList list(QMLIST_OPT_HEAPITEMS);
    ASSERT_EQ(QmList_AllocItem(list, 40, &block), S_OK);
    EXPECT_TRUE(AllZero(block, 40));
    void* second = &values;
    EXPECT_EQ(QmList_AllocItem(list, 8, &second), E_FAIL);  // one pending item at a time
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(QmList_AllocAndInsertItem(list, "x", 2, 0, &index), E_FAIL);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(list->pPendingItem, block);  // the other caller's item is untouched
    std::strcpy(static_cast<char*>(block), "d");
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), S_OK);
    EXPECT_EQ(list->pPendingItem, nullptr);
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), E_FAIL);  // nothing pending any more
    EXPECT_EQ(QmList_DeleteList(list, -1, -1, FALSE), E_FAIL);

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

    // The raw form inserts a pending block as one slot value; a discarded one is freed.
    ASSERT_EQ(QmList_AllocItem(list, 16, &block), S_OK);
    EXPECT_EQ(QmList_InsertList(list, 5, &block, -1), S_OK);
    EXPECT_EQ(QmList_ValueAt<void*>(list, 5), block);
    EXPECT_EQ(list->pPendingItem, nullptr);
    ASSERT_EQ(QmList_AllocItem(list, 16, &block), S_OK);
    EXPECT_EQ(QmList_DeleteList(list, -1, -1, FALSE), S_OK);
    EXPECT_EQ(list->pPendingItem, nullptr);
    EXPECT_EQ(list->nCount, 6);
    EXPECT_EQ(QmList_AllocItem(list, -1, &block), E_FAIL);
}

TEST(ListMoveBetweenHeapLists, BlocksChangeHandsInOrder) {
    OwnedList source(QMLIST_OPT_HEAPITEMS), dest(QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE);
    for (const char* text : {"A", "B", "C", "D"}) ASSERT_EQ(AddText(source, text), S_OK);
    for (const char* text : {"X", "Y"}) ASSERT_EQ(AddText(dest, text), S_OK);
    void* b = QmList_ValueAt<void*>(source, 1);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 1, source, 1, 2), S_OK);
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y"}));
    EXPECT_EQ(Texts(source), (T{"A", "D"}));
    EXPECT_EQ(QmList_ValueAt<void*>(dest, 1), b);  // moved, not copied
    EXPECT_TRUE(SpareSlotsZero(source));
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, 1, 2), E_FAIL);  // past the end
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, -1, 1), E_FAIL);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, -1, source, 0, -1), S_OK);  // all, appended
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y", "A", "D"}));
    EXPECT_EQ(source->nCount, 0);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, dest, 0, 1), E_FAIL);

    // Not into a list with a pending item, a value list or a private heap, whose blocks die with it.
    ASSERT_EQ(AddText(source, "Z"), S_OK);
    void* pending = nullptr;
    ASSERT_EQ(QmList_AllocItem(dest, 4, &pending), S_OK);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 0, source, 0, 1), E_FAIL);
    OwnedList values(0), privateHeap(QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(values, 0, source, 0, 1), E_FAIL);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(source, 0, values, 0, 1), E_FAIL);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(privateHeap, 0, source, 0, 1), E_FAIL);
    EXPECT_EQ(Texts(source), T{"Z"});
}

// Freed blocks come back zeroed; the heap goes as a whole, without walking the blocks: a slot value
// that is no block of the heap would fault, a pending block would leak.
TEST(ListPrivateHeap, ReusedBlocksComeBackZeroedAndTheHeapGoesWhole) {
    OwnedList list(QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 64; ++i) {
            void* block = nullptr;
            ASSERT_EQ(QmList_AllocItem(list, 1 + i * 37, &block), S_OK);
            ASSERT_TRUE(AllZero(block, size_t(1 + i * 37))) << round << "/" << i;
            ASSERT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
            std::memset(block, 0xFF, size_t(1 + i * 37));
            ASSERT_EQ(QmList_InsertList(list, -1, nullptr, -1), S_OK);
        }
        if (round == 0) {
            ASSERT_EQ(QmList_DeleteList(list, 0, -1, FALSE), S_OK);
        }
    }
    void* foreign = reinterpret_cast<void*>(uintptr_t{0x40});
    ASSERT_EQ(QmList_InsertList(list, -1, &foreign, -1), S_OK);
    void* pending = nullptr;
    ASSERT_EQ(QmList_AllocItem(list, 64, &pending), S_OK);
    tQMLIST storage;
    tQMLIST* moved = list.list;
    ASSERT_EQ(QmList_ConvertToInPlace(&moved, &storage), S_OK);
    list.list = nullptr;
    EXPECT_EQ(QmList_Destroy(&storage), S_OK);
    EXPECT_EQ(storage.hPrivateHeap, nullptr);
}
