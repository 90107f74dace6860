// Generic list: creation rules, in-place headers, item ownership and the codes every function gives
// for a missing or dead list.
#include <gtest/gtest.h>

#include "list_test_helpers.h"
#include "platform/thread.h"

using namespace listtest;

TEST(ListCreate, CapacityGrowthSlotSizeAndOptionsOfEachForm) {
    constexpr ULONG kWord = sizeof(void*);
    const struct {
        int itemSize, initial, growBy;
        DWORD options;
        LONG capacity, growth;
        ULONG slot;
        bool lock, privateHeap;
    } cases[] = {
        {123, -1, -1, 0, 16, 16, kWord, false, false},  // an item size without inline items is ignored
        {0, 17, 16, 0, 32, 16, kWord, false, false},     {0, 1, 4, 0, 4, 4, kWord, false, false},
        {0, 3, 2, 0, 4, 4, kWord, false, false},         {0, 5, 100000, 0, 66560, 66560, kWord, false, false},
        {0, 100, 0, 0, 112, 16, kWord, false, false},
        {13, 0, 0, QMLIST_OPT_INLINEITEMS | QMLIST_OPT_THREADSAFE, 16, 16, 16, true, false},
        {0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP, 16, 16, kWord, false, true},
        {0, 0, 0, QMLIST_OPT_PRIVATEHEAP, 16, 16, kWord, false, false},  // needs heap items
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.itemSize << "/" << c.initial << "/" << c.growBy << "/" << std::hex
                                        << c.options);
        OwnedList list(c.options, c.itemSize, c.initial, c.growBy);
        ASSERT_NE(list.list, nullptr);
        EXPECT_EQ(list->nCapacity, c.capacity);
        EXPECT_EQ(list->nGrowBy, c.growth);
        EXPECT_EQ(list->cbSlot, c.slot);
        EXPECT_TRUE(SpareSlotsZero(list));
        EXPECT_EQ(QmList_GetCreateOptions(list), QMLIST_OPT_ALWAYS | c.options);  // added even when forgotten
        EXPECT_EQ(list->lock.pLock != nullptr, c.lock);
        EXPECT_EQ(list->hPrivateHeap != nullptr, c.privateHeap);
        EXPECT_EQ(QmList_GetThreadOwner(list), qm::platform::CurrentThreadId());
        EXPECT_TRUE(QmList_IsList(list, sizeof(tQMLIST)));
        EXPECT_FALSE(QmList_IsList(list, sizeof(tQMLIST) - 4));
    }
    tQMLIST* list = reinterpret_cast<tQMLIST*>(uintptr_t{0x1234});
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    EXPECT_EQ(list, nullptr);  // cleared before the options were checked
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, QMLIST_OPT_INPLACE, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    // A slot array no allocator could give is refused without reaching the allocator.
    EXPECT_EQ(QmList_CreateExZ(&list, 0x10000, 0x7FFFFFFF, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_OUTOFMEMORY);
}

TEST(ListInPlace, CreatedInOrConvertedToCallerStorage) {
    tQMLIST storage;
    std::memset(&storage, 0xCD, sizeof(storage));
    tQMLIST* list = &storage;
    ASSERT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INPLACE | QMLIST_OPT_HEAPITEMS, 0, 0, 0), S_OK);
    EXPECT_EQ(list, &storage);
    EXPECT_EQ(storage.lUserData, 0);  // the 0xCD fill is gone
    EXPECT_EQ(AddText(list, "abc"), S_OK);
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // frees the item and slots, not the storage
    EXPECT_FALSE(QmList_IsListFast(&storage));
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // a dead header is ignored

    // Conversion moves the header with its items, user data and lock.
    list = nullptr;
    ASSERT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE, 0, 0, 0), S_OK);
    ASSERT_EQ(AddText(list, "one"), S_OK);
    QmList_SetUserData(list, 77);
    EXPECT_EQ(QmList_ConvertToInPlace(&list, &storage), S_OK);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(QmList_GetCreateOptions(&storage),
              QMLIST_OPT_ALWAYS | QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE | QMLIST_OPT_INPLACE);
    EXPECT_EQ(QmList_GetUserData(&storage), 77);
    EXPECT_EQ(AddText(&storage, "two", 0), S_OK);
    EXPECT_EQ(Texts(&storage), (T{"two", "one"}));
    tQMLIST* again = &storage;
    tQMLIST other;
    EXPECT_EQ(QmList_ConvertToInPlace(&again, &other), E_FAIL);  // already in place
    EXPECT_EQ(QmList_Destroy(&storage), S_OK);
}

// The pending item is one at a time, zeroed (reused blocks of a private heap too), and ends when it
// is inserted or discarded; allocate-and-insert gives the index it used.
TEST(ListItems, PendingItemAndAllocateAndInsert) {
    OwnedList values(0);
    void* block = &values;
    int index = 99;
    EXPECT_EQ(QmList_AllocItem(values, 8, &block), E_FAIL);
    EXPECT_EQ(block, nullptr);
    for (DWORD heap : {0u, QMLIST_OPT_PRIVATEHEAP}) {
        OwnedList list(QMLIST_OPT_HEAPITEMS | heap);
        for (int i = 0; i < 40; ++i) {
            ASSERT_EQ(QmList_AllocItem(list, 8 + i * 37, &block), S_OK);
            ASSERT_TRUE(AllZero(block, size_t(8 + i * 37))) << heap << "/" << i;
            std::memset(block, 0xFF, size_t(8 + i * 37));
            void* second = &values;
            ASSERT_EQ(QmList_AllocItem(list, 8, &second), E_FAIL);  // one at a time
            ASSERT_EQ(second, nullptr);
            ASSERT_EQ(QmList_DeleteList(list, -1, -1, FALSE), S_OK);  // discarded and freed
        }
        EXPECT_EQ(QmList_DeleteList(list, -1, -1, FALSE), E_FAIL);  // nothing pending any more
        ASSERT_EQ(QmList_AllocItem(list, 2, &block), S_OK);
        EXPECT_EQ(QmList_AllocAndInsertItem(list, "x", 2, 0, &index), E_FAIL);  // another caller's item pending
        EXPECT_EQ(index, -1);
        std::strcpy(static_cast<char*>(block), "d");
        EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), S_OK);
        EXPECT_EQ(list->pPendingItem, nullptr);
        for (const auto& [text, at, used] : {std::tuple{"b", 0, 0}, {"a", 0, 0}, {"c", 2, 2}, {"e", 42, 4}}) {
            ASSERT_EQ(QmList_AllocAndInsertItem(list, text, 2, at, &index), S_OK);
            EXPECT_EQ(index, used);
        }
        EXPECT_EQ(Texts(list), (T{"a", "b", "c", "d", "e"}));
        ASSERT_EQ(QmList_AllocAndInsertItem(list, nullptr, 24, -1, nullptr), S_OK);  // no source: a zero block
        EXPECT_TRUE(AllZero(QmList_ValueAt<void*>(list, 5), 24));
    }
}

// Every function given no list, or a list whose header is dead, answers with its failure value.
TEST(ListBadArguments, MissingOrDeadListGivesExactCodes) {
    tQMLIST dead{};
    dead.nCount = 3;  // would be walked if the magic were not checked
    for (tQMLIST* list : {static_cast<tQMLIST*>(nullptr), &dead}) {
        SCOPED_TRACE(list ? "dead" : "null");
        void* block = &dead;
        int index = 5, call = 0;
        tQMLIST* pointer = list;
        tQMLIST storage;
        EXPECT_EQ(QmList_AllocAndInsertItem(list, nullptr, 8, 0, &index), E_FAIL);
        EXPECT_EQ(index, -1);
        for (HRESULT hr : {QmList_AllocItem(list, 8, &block), QmList_InsertList(list, 0, &block, 1),
                           QmList_DeleteList(list, 0, 1, TRUE), QmList_ReAllocItem(list, 0, 8),
                           QmList_MoveRange(list, 0, 1, 1), QmList_MoveItemsBetweenHeapLists(list, 0, list, 0, 1),
                           QmList_ArrayForceItemCount(list, 2, 0), QmList_GrowAllocated(list, 4),
                           QmList_ShrinkAllocated(list, -1), QmList_Sort(list, 0, CompareValues),
                           QmList_HeapSort(list, 0, CompareValues), QmList_SortTo(list, list, 0, CompareValues),
                           QmList_SetThreadOwner(list, 0)})
            EXPECT_EQ(hr, E_FAIL) << "call " << call++;
        for (LONG_PTR v : {LONG_PTR(QmList_FindItemRange(list, 0, -1, nullptr, nullptr)),
                           LONG_PTR(QmList_FindSpecificItemRange(list, 0, -1, nullptr)),
                           LONG_PTR(QmList_FindSortedItemRange(list, nullptr, 0, -1, CompareValues)),
                           LONG_PTR(QmList_FindSortedInsertIndexRange(list, nullptr, 0, -1, CompareValues))})
            EXPECT_EQ(v, -1) << "find " << call++;
        for (LONG_PTR v : {LONG_PTR(QmList_AllocSize(list, -1)), QmList_GetUserData(list), QmList_SetUserData(list, 5),
                           LONG_PTR(QmList_GetCreateOptions(list)), LONG_PTR(QmList_GetSortCriteria(list)),
                           LONG_PTR(QmList_GetThreadOwner(list)), LONG_PTR(QmList_IsValidIndexSlow(list, 0)),
                           LONG_PTR(QmList_IsList(list, sizeof(tQMLIST)))})
            EXPECT_EQ(v, 0) << "query " << call++;
        EXPECT_EQ(block, nullptr);
        EXPECT_EQ(QmList_ConvertToInPlace(&pointer, &storage), E_INVALIDARG);
        EXPECT_EQ(QmList_Destroy(list), S_OK);
    }
    EXPECT_EQ(dead.nCount, 3);
}
