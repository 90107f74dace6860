// Generic list: creation rules, identity checks, header accessors, in-place conversion and the
// codes every function gives for a missing or dead list.
#include <gtest/gtest.h>

#include "list_test_helpers.h"
#include "platform/thread.h"

using namespace listtest;

TEST(ListCreate, DefaultsClampsAndRounding) {
    const struct {
        int initial, growBy;
        LONG capacity, growth;
    } cases[] = {{-1, -1, 16, 16}, {0, 0, 16, 16}, {17, 16, 32, 16},          {1, 4, 4, 4},
                 {3, 2, 4, 4},     {5, 100000, 66560, 66560}, {100, 0, 112, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.initial << "/" << c.growBy);
        ValueList list(c.initial, c.growBy);
        ASSERT_NE(list.list, nullptr);
        EXPECT_EQ(list->nCapacity, c.capacity);
        EXPECT_EQ(list->nGrowBy, c.growth);
        EXPECT_EQ(list->nCount, 0);
        EXPECT_TRUE(SpareSlotsZero(list));
    }
}

TEST(ListCreate, HeaderFieldsOfEachKind) {
    OwnedList values(123, 0, 0, 0);
    ASSERT_NE(values.list, nullptr);
    EXPECT_EQ(values->cbSlot, sizeof(void*));
    EXPECT_EQ(values->dwMagic, QMLIST_MAGIC);
    EXPECT_EQ(QmList_GetCreateOptions(values), QMLIST_OPT_ALWAYS);  // added even when the caller forgot it
    EXPECT_EQ(values->dwOwnerThread, qm::platform::CurrentThreadId());
    EXPECT_EQ(values->lock.pLock, nullptr);
    EXPECT_EQ(values->hPrivateHeap, nullptr);

    OwnedList inlined(13, 0, 0, QMLIST_OPT_INLINEITEMS | QMLIST_OPT_THREADSAFE);
    EXPECT_EQ(inlined->cbSlot, 16u);
    EXPECT_NE(inlined->lock.pLock, nullptr);
    EXPECT_EQ(QmList_GetCreateOptions(inlined), QMLIST_OPT_ALWAYS | QMLIST_OPT_INLINEITEMS | QMLIST_OPT_THREADSAFE);

    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP);
    EXPECT_EQ(heap->cbSlot, sizeof(void*));
    EXPECT_NE(heap->hPrivateHeap, nullptr);
    // The private-heap bit means nothing without heap items.
    OwnedList plain(0, 0, 0, QMLIST_OPT_PRIVATEHEAP);
    EXPECT_EQ(plain->hPrivateHeap, nullptr);

    // The owner thread falls back to the caller's; the list knows no file and line.
    EXPECT_EQ(QmList_SetThreadOwner(values, 4321), S_OK);
    EXPECT_EQ(QmList_GetThreadOwner(values), 4321u);
    EXPECT_EQ(QmList_SetThreadOwner(values, 0), S_OK);
    EXPECT_EQ(QmList_GetThreadOwner(values), qm::platform::CurrentThreadId());
    WCHAR buffer[8] = {'x', 'y', 0};
    EXPECT_EQ(QmList_GetFileAndLine(values, buffer, 8), -1);
    EXPECT_EQ(buffer[0], 0);
}

TEST(ListCreate, RefusedForms) {
    tQMLIST* list = reinterpret_cast<tQMLIST*>(uintptr_t{0x1234});
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, 0x00000006, 0, 0, 0), E_FAIL);
    EXPECT_EQ(list, nullptr);  // cleared before the options were checked
    EXPECT_EQ(QmList_CreateExZ(&list, 8, 0, 0, QMLIST_OPT_INPLACE, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(nullptr, 8, 0, 0, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    EXPECT_EQ(QmList_CreateExZ(&list, -4, 0, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_FAIL);
    // A slot array no allocator could give is refused without reaching the allocator.
    EXPECT_EQ(QmList_CreateExZ(&list, 0x10000, 0x7FFFFFFF, 0, QMLIST_OPT_INLINEITEMS, 0, 0, 0), E_OUTOFMEMORY);
    EXPECT_EQ(list, nullptr);
}

TEST(ListCreate, InPlaceHeaderLivesInCallerStorage) {
    tQMLIST storage;
    std::memset(&storage, 0xCD, sizeof(storage));
    tQMLIST* list = &storage;
    ASSERT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_INPLACE | QMLIST_OPT_HEAPITEMS, 0, 0, 0), S_OK);
    EXPECT_EQ(list, &storage);
    EXPECT_EQ(storage.dwOptions, QMLIST_OPT_ALWAYS | QMLIST_OPT_INPLACE | QMLIST_OPT_HEAPITEMS);
    EXPECT_EQ(storage.lUserData, 0);  // the 0xCD fill is gone
    EXPECT_EQ(storage.pPendingItem, nullptr);
    EXPECT_EQ(AddText(list, "abc"), S_OK);
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // frees the item and slots, not the storage
    EXPECT_FALSE(QmList_IsListFast(&storage));
    EXPECT_EQ(QmList_Destroy(list), S_OK);  // a dead header is ignored

    // An in-place creation that fails leaves a dead header behind.
    EXPECT_EQ(QmList_CreateExZ(&list, 0x10000, 0x7FFFFFFF, 0, QMLIST_OPT_INPLACE | QMLIST_OPT_INLINEITEMS, 0, 0, 0),
              E_OUTOFMEMORY);
    EXPECT_EQ(storage.dwMagic, 0u);
}

TEST(ListIdentity, IsListProbesOnlyWithTheRightSize) {
    ValueList list;
    const int size = static_cast<int>(sizeof(tQMLIST));
    EXPECT_TRUE(QmList_IsList(list, size));
    EXPECT_TRUE(QmList_IsListFast(list));
    EXPECT_FALSE(QmList_IsList(list, size - 4));
    EXPECT_FALSE(QmList_IsList(list, size + 4));
    // An unmapped address: a wrong size answers without reading it, the right size after a probe.
    const void* unmapped = reinterpret_cast<const void*>(uintptr_t{0x10});
    EXPECT_FALSE(QmList_IsList(unmapped, 12));
    EXPECT_FALSE(QmList_IsList(unmapped, size));
    EXPECT_FALSE(QmList_IsList(nullptr, size));
    EXPECT_FALSE(QmList_IsListFast(nullptr));
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
        int index = 5;
        EXPECT_EQ(QmList_Destroy(list), S_OK);
        EXPECT_FALSE(QmList_IsValidIndexSlow(list, 0));
        EXPECT_EQ(QmList_InsertList(list, 0, &block, 1), E_FAIL);
        EXPECT_EQ(QmList_DeleteList(list, 0, 1, TRUE), E_FAIL);
        EXPECT_EQ(QmList_AllocItem(list, 8, &block), E_FAIL);
        EXPECT_EQ(block, nullptr);
        EXPECT_EQ(QmList_AllocAndInsertItem(list, nullptr, 8, 0, &index), E_FAIL);
        EXPECT_EQ(index, -1);
        EXPECT_EQ(QmList_ReAllocItem(list, 0, 8), E_FAIL);
        EXPECT_EQ(QmList_AllocSize(list, -1), 0u);
        EXPECT_EQ(QmList_MoveRange(list, 0, 1, 1), E_FAIL);
        EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(list, 0, list, 0, 1), E_FAIL);
        EXPECT_EQ(QmList_ArrayForceItemCount(list, 2, FALSE), E_FAIL);
        EXPECT_EQ(QmList_GrowAllocated(list, 4), E_FAIL);
        EXPECT_EQ(QmList_ShrinkAllocated(list, -1), E_FAIL);
        EXPECT_EQ(QmList_FindItemRange(list, 0, -1, nullptr, nullptr), -1);
        EXPECT_EQ(QmList_FindSpecificItemRange(list, 0, -1, nullptr), -1);
        EXPECT_EQ(QmList_FindSortedItemRange(list, nullptr, 0, -1, CompareValues), -1);
        EXPECT_EQ(QmList_FindSortedInsertIndexRange(list, nullptr, 0, -1, CompareValues), -1);
        EXPECT_EQ(QmList_Sort(list, 0, CompareValues), E_FAIL);
        EXPECT_EQ(QmList_HeapSort(list, 0, CompareValues), E_FAIL);
        EXPECT_EQ(QmList_SortTo(list, list, 0, CompareValues), E_FAIL);
        EXPECT_EQ(QmList_GetUserData(list), 0);
        EXPECT_EQ(QmList_SetUserData(list, 5), 0);
        EXPECT_EQ(QmList_GetCreateOptions(list), 0u);
        EXPECT_EQ(QmList_GetSortCriteria(list), 0);
        EXPECT_EQ(QmList_GetThreadOwner(list), 0u);
        EXPECT_EQ(QmList_SetThreadOwner(list, 0), E_FAIL);
        tQMLIST* pointer = list;
        tQMLIST storage;
        EXPECT_EQ(QmList_ConvertToInPlace(&pointer, &storage), E_INVALIDARG);
    }
    EXPECT_EQ(dead.nCount, 3);
}

TEST(ListConvertToInPlace, MovesHeaderWithItemsAndLock) {
    tQMLIST* list = nullptr;
    ASSERT_EQ(QmList_CreateExZ(&list, 0, 0, 0, QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE, 0, 0, 0), S_OK);
    ASSERT_EQ(AddText(list, "one"), S_OK);
    ASSERT_EQ(AddText(list, "two"), S_OK);
    QmList_SetUserData(list, 77);
    tQMLIST storage;
    EXPECT_EQ(QmList_ConvertToInPlace(&list, &storage), S_OK);
    EXPECT_EQ(list, nullptr);
    EXPECT_NE(storage.dwOptions & QMLIST_OPT_INPLACE, 0u);
    EXPECT_EQ(QmList_GetUserData(&storage), 77);
    // The lock came along: the list still works as a thread-safe list.
    EXPECT_EQ(AddText(&storage, "three", 0), S_OK);
    EXPECT_EQ(Texts(&storage), (T{"three", "one", "two"}));

    tQMLIST* again = &storage;
    tQMLIST other;
    EXPECT_EQ(QmList_ConvertToInPlace(&again, &other), E_FAIL);  // already in place
    EXPECT_EQ(again, &storage);
    EXPECT_EQ(QmList_ConvertToInPlace(nullptr, &other), E_INVALIDARG);
    EXPECT_EQ(QmList_ConvertToInPlace(&again, nullptr), E_INVALIDARG);
    EXPECT_EQ(QmList_Destroy(&storage), S_OK);
    EXPECT_FALSE(QmList_IsListFast(&storage));
}
