// Generic list: creation rules, identity checks, in-place headers and the codes every function gives
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
        EXPECT_EQ(list->nCount, 0);
        EXPECT_TRUE(SpareSlotsZero(list));
        EXPECT_EQ(QmList_GetCreateOptions(list), QMLIST_OPT_ALWAYS | c.options);  // added even when forgotten
        EXPECT_EQ(list->lock.pLock != nullptr, c.lock);
        EXPECT_EQ(list->hPrivateHeap != nullptr, c.privateHeap);
        EXPECT_EQ(QmList_GetThreadOwner(list), qm::platform::CurrentThreadId());
    }

    tQMLIST* list = reinterpret_cast<tQMLIST*>(uintptr_t{0x1234});
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    EXPECT_EQ(list, nullptr);  // cleared before the options were checked
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, QMLIST_OPT_INPLACE, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(nullptr, 8, 0, 0, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(&list, -4, 0, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    // A slot array no allocator could give is refused without reaching the allocator.
    EXPECT_EQ(QmList_CreateExZ(&list, 0x10000, 0x7FFFFFFF, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_OUTOFMEMORY);
}

TEST(ListInPlace, CreatedInOrConvertedToCallerStorage) {
    tQMLIST storage;
    std::memset(&storage, 0xCD, sizeof(storage));
    tQMLIST* list = &storage;
    ASSERT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INPLACE | QMLIST_OPT_HEAPITEMS, 0, 0, 0), S_OK);
    EXPECT_EQ(list, &storage);
    EXPECT_EQ(storage.dwOptions, QMLIST_OPT_ALWAYS | QMLIST_OPT_INPLACE | QMLIST_OPT_HEAPITEMS);
    EXPECT_EQ(storage.lUserData, 0);  // the 0xCD fill is gone
    EXPECT_EQ(AddText(list, "abc"), S_OK);
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // frees the item and slots, not the storage
    EXPECT_FALSE(QmList_IsListFast(&storage));
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // a dead header is ignored
    // An in-place creation that fails leaves a dead header behind.
    EXPECT_EQ(QmList_CreateExZ(&list, 0x10000, 0x7FFFFFFF, 0, QMLIST_OPT_INPLACE | QMLIST_OPT_INLINEITEMS, 0, 0, 0),
              E_OUTOFMEMORY);
    EXPECT_EQ(storage.dwMagic, 0u);

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
    EXPECT_EQ(again, &storage);
    EXPECT_EQ(QmList_ConvertToInPlace(&again, nullptr), E_INVALIDARG);
    EXPECT_EQ(QmList_Destroy(&storage), S_OK);
}

TEST(ListIdentity, IsListProbesOnlyWithTheRightSizeAndIndexesStopAtTheCount) {
    OwnedList list(0);
    const int size = static_cast<int>(sizeof(tQMLIST));
    EXPECT_TRUE(QmList_IsList(list, size));
    EXPECT_FALSE(QmList_IsList(list, size - 4));
    // An unmapped address: a wrong size answers without reading it, the right size after a probe.
    const void* unmapped = reinterpret_cast<const void*>(uintptr_t{0x10});
    EXPECT_FALSE(QmList_IsList(unmapped, 12));
    EXPECT_FALSE(QmList_IsList(unmapped, size));
    tQMLIST lookalike{};
    EXPECT_FALSE(QmList_IsList(&lookalike, size));
    lookalike.dwMagic = QMLIST_MAGIC;
    EXPECT_TRUE(QmList_IsList(&lookalike, size));
    AppendValues(list, {1, 2, 3});
    EXPECT_FALSE(QmList_IsValidIndexSlow(list, -1));
    EXPECT_TRUE(QmList_IsValidIndexSlow(list, 2));
    EXPECT_FALSE(QmList_IsValidIndexSlow(list, 3));
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
        EXPECT_EQ(QmList_AllocItem(list, 8, &block), E_FAIL);
        EXPECT_EQ(block, nullptr);
        EXPECT_EQ(QmList_AllocAndInsertItem(list, nullptr, 8, 0, &index), E_FAIL);
        EXPECT_EQ(index, -1);
        for (HRESULT hr : {QmList_InsertList(list, 0, &block, 1), QmList_DeleteList(list, 0, 1, TRUE),
                           QmList_ReAllocItem(list, 0, 8), QmList_MoveRange(list, 0, 1, 1),
                           QmList_MoveItemsBetweenHeapLists(list, 0, list, 0, 1), QmList_ArrayForceItemCount(list, 2, 0),
                           QmList_GrowAllocated(list, 4), QmList_ShrinkAllocated(list, -1),
                           QmList_Sort(list, 0, CompareValues), QmList_HeapSort(list, 0, CompareValues),
                           QmList_SortTo(list, list, 0, CompareValues), QmList_SetThreadOwner(list, 0)})
            EXPECT_EQ(hr, E_FAIL) << "call " << call++;
        for (LONG_PTR v : {LONG_PTR(QmList_FindItemRange(list, 0, -1, nullptr, nullptr)),
                           LONG_PTR(QmList_FindSpecificItemRange(list, 0, -1, nullptr)),
                           LONG_PTR(QmList_FindSortedItemRange(list, nullptr, 0, -1, CompareValues)),
                           LONG_PTR(QmList_FindSortedInsertIndexRange(list, nullptr, 0, -1, CompareValues))})
            EXPECT_EQ(v, -1) << "find " << call++;
        for (LONG_PTR v : {LONG_PTR(QmList_AllocSize(list, -1)), QmList_GetUserData(list), QmList_SetUserData(list, 5),
                           LONG_PTR(QmList_GetCreateOptions(list)), LONG_PTR(QmList_GetSortCriteria(list)),
                           LONG_PTR(QmList_GetThreadOwner(list)), LONG_PTR(QmList_IsValidIndexSlow(list, 0)),
                           LONG_PTR(QmList_IsListFast(list))})
            EXPECT_EQ(v, 0) << "query " << call++;
        EXPECT_EQ(QmList_ConvertToInPlace(&pointer, &storage), E_INVALIDARG);
        EXPECT_EQ(QmList_Destroy(list), S_OK);
    }
    EXPECT_EQ(dead.nCount, 3);
}
