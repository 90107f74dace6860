// Generic list: insertion, deletion, growth and shrinking, forced counts and run moves.
#include <gtest/gtest.h>

#include <memory>

#include "list_test_helpers.h"

using namespace listtest;
using V = std::vector<intptr_t>;

TEST(ListInsert, IndexPastTheEndAppendsAndGrowthStepsByIncrement) {
    std::unique_ptr<OwnedList> list(NewValueList());
    AppendValues(*list, {1, 2});
    const intptr_t more[] = {7, 8, 9};
    EXPECT_EQ(QmList_InsertList(*list, 99, more, 3), S_OK);
    EXPECT_EQ(Values(*list), (V{1, 2, 7, 8, 9}));
    EXPECT_EQ(QmList_InsertList(*list, 1, more, 1), S_OK);
    EXPECT_EQ(Values(*list), (V{1, 7, 2, 7, 8, 9}));

    std::unique_ptr<OwnedList> grow(NewValueList());
    for (intptr_t i = 1; i <= 16; ++i) ASSERT_EQ(QmList_InsertList(*grow, -1, &i, 1), S_OK);
    EXPECT_EQ((*grow)->nCapacity, 16);
    const intptr_t seventeen = 17;
    EXPECT_EQ(QmList_InsertList(*grow, -1, &seventeen, 1), S_OK);
    EXPECT_EQ((*grow)->nCapacity, 32);
    EXPECT_EQ(ValueAt(*grow, 16), 17);
    EXPECT_TRUE(SpareSlotsZero(*grow));

    // A big insertion grows by itself rounded up to the increment in one step.
    std::unique_ptr<OwnedList> big(NewValueList(4, 8));
    V many(21, 5);
    EXPECT_EQ(QmList_InsertList(*big, 0, many.data(), 21), S_OK);
    EXPECT_EQ((*big)->nCapacity, 8 + 24);
}

TEST(ListInsert, SourceForms) {
    std::unique_ptr<OwnedList> list(NewValueList());
    const intptr_t two[] = {4, 5};
    EXPECT_EQ(QmList_InsertList(*list, 0, two, -2), S_OK);  // negative count: -count slots
    EXPECT_EQ(QmList_InsertList(*list, 0, two, 0), S_OK);   // nothing to insert
    EXPECT_EQ(QmList_InsertList(*list, 0, nullptr, 3), E_FAIL);
    EXPECT_EQ(QmList_InsertList(*list, 0, nullptr, -1), E_FAIL);  // no pending item
    EXPECT_EQ(QmList_InsertList(*list, 0, nullptr, -2), E_FAIL);
    EXPECT_EQ(Values(*list), (V{4, 5}));

    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    void* block = nullptr;
    EXPECT_EQ(QmList_InsertList(heap, 0, &block, 1), E_FAIL);  // raw items are refused
    ASSERT_EQ(QmList_AllocItem(heap, 16, &block), S_OK);
    EXPECT_EQ(QmList_InsertList(heap, 0, &block, -1), S_OK);  // one slot value: the block
    EXPECT_EQ(heap->nCount, 1);
    EXPECT_EQ(QmList_ValueAt<void*>(heap, 0), block);
    EXPECT_EQ(heap->pPendingItem, nullptr);  // inserting the block ended its pending state
}

TEST(ListInsert, SourceInsideTheListSurvivesGrowth) {
    std::unique_ptr<OwnedList> list(NewValueList());
    V all;
    for (intptr_t i = 0; i < 16; ++i) all.push_back(i * 3);
    AppendValues(*list, all);
    ASSERT_EQ((*list)->nCapacity, 16);
    EXPECT_EQ(QmList_InsertList(*list, 0, (*list)->pSlots, 16), S_OK);
    V twice = all;
    twice.insert(twice.end(), all.begin(), all.end());
    EXPECT_EQ(Values(*list), twice);
}

TEST(ListDelete, RangesPendingAndZeroedTail) {
    std::unique_ptr<OwnedList> list(NewValueList());
    AppendValues(*list, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(QmList_DeleteList(*list, 6, -1, FALSE), S_OK);  // at the count: nothing
    EXPECT_EQ(QmList_DeleteList(*list, -1, -1, FALSE), E_FAIL);  // no pending item
    EXPECT_EQ(QmList_DeleteList(*list, -1, 1, FALSE), E_FAIL);
    EXPECT_EQ(QmList_DeleteList(*list, -1, 0, FALSE), S_OK);
    EXPECT_EQ(QmList_DeleteList(*list, 6, 1, FALSE), E_FAIL);
    EXPECT_EQ(QmList_DeleteList(*list, 2, 0, FALSE), S_OK);
    EXPECT_EQ((*list)->nCount, 6);

    EXPECT_EQ(QmList_DeleteList(*list, 1, 2, FALSE), S_OK);
    EXPECT_EQ(Values(*list), (V{1, 4, 5, 6}));
    EXPECT_TRUE(SpareSlotsZero(*list));
    EXPECT_EQ(QmList_DeleteList(*list, 2, 100, FALSE), S_OK);  // cut to the end
    EXPECT_EQ(Values(*list), (V{1, 4}));
    EXPECT_TRUE(SpareSlotsZero(*list));
    EXPECT_EQ(QmList_DeleteList(*list, 0, -1, FALSE), S_OK);
    EXPECT_EQ((*list)->nCount, 0);
    EXPECT_TRUE(SpareSlotsZero(*list));
    EXPECT_EQ((*list)->nCapacity, 16);  // no shrink flag: storage kept
}

TEST(ListDelete, ShrinkReleasesWholeIncrementsOnlyWhenMoreThanOneIsSpare) {
    struct Case {
        int remaining;
        LONG capacity;
    };
    for (const Case& c : {Case{10, 16}, Case{0, 0}, Case{32, 48}, Case{31, 32}}) {
        std::unique_ptr<OwnedList> list(NewValueList(48, 16));
        AppendValues(*list, V(48, 9));
        ASSERT_EQ((*list)->nCapacity, 48);
        EXPECT_EQ(QmList_DeleteList(*list, c.remaining, -1, TRUE), S_OK);
        EXPECT_EQ((*list)->nCount, c.remaining);
        EXPECT_EQ((*list)->nCapacity, c.capacity) << "remaining " << c.remaining;
        EXPECT_TRUE(SpareSlotsZero(*list));
        // Even an empty capacity keeps a real block of one slot.
        EXPECT_GE(QmList_AllocSize(*list, -1), sizeof(tQMLIST) + sizeof(void*));
        const intptr_t one = 1;
        EXPECT_EQ(QmList_InsertList(*list, -1, &one, 1), S_OK);
        EXPECT_EQ(ValueAt(*list, c.remaining), 1);
    }
}

TEST(ListCapacity, GrowAndShrinkAllocated) {
    std::unique_ptr<OwnedList> list(NewValueList(16, 16));
    AppendValues(*list, V(5, 3));
    EXPECT_EQ(QmList_GrowAllocated(*list, 0), S_OK);
    EXPECT_EQ((*list)->nCapacity, 32);
    EXPECT_EQ(QmList_GrowAllocated(*list, 17), S_OK);
    EXPECT_EQ((*list)->nCapacity, 64);
    EXPECT_TRUE(SpareSlotsZero(*list));
    EXPECT_EQ(QmList_ShrinkAllocated(*list, 1), S_OK);  // one slot rounds up to a whole increment
    EXPECT_EQ((*list)->nCapacity, 48);
    EXPECT_EQ(QmList_ShrinkAllocated(*list, 0), S_OK);
    EXPECT_EQ((*list)->nCapacity, 48);
    EXPECT_EQ(QmList_ShrinkAllocated(*list, -1), S_OK);  // 43 spare: two increments go
    EXPECT_EQ((*list)->nCapacity, 16);
    EXPECT_EQ(QmList_ShrinkAllocated(*list, 1000), S_OK);  // never below the count
    EXPECT_EQ((*list)->nCapacity, 16);
    EXPECT_EQ(Values(*list), V(5, 3));
    EXPECT_EQ(QmList_GrowAllocated(*list, 0x7FFFFFFF), E_OUTOFMEMORY);
    EXPECT_EQ((*list)->nCapacity, 16);
}

TEST(ListForceCount, InlineListsOnlyAndExposedSlotsAreZero) {
    std::unique_ptr<OwnedList> values(NewValueList());
    EXPECT_EQ(QmList_ArrayForceItemCount(*values, 3, FALSE), E_FAIL);

    OwnedList list(12, 16, 16, QMLIST_OPT_INLINEITEMS);
    EXPECT_EQ(QmList_ArrayForceItemCount(list, -1, FALSE), E_FAIL);
    EXPECT_EQ(QmList_ArrayForceItemCount(list, 40, FALSE), S_OK);
    EXPECT_EQ(list->nCount, 40);
    EXPECT_EQ(list->nCapacity, 48);  // grown by 24, rounded up to 32
    std::memset(list->pSlots, 0xAB, 40 * 12);
    EXPECT_EQ(QmList_ArrayForceItemCount(list, 20, FALSE), S_OK);
    EXPECT_EQ(list->nCapacity, 48);
    EXPECT_TRUE(SpareSlotsZero(list));
    EXPECT_EQ(QmList_ArrayForceItemCount(list, 30, FALSE), S_OK);
    EXPECT_EQ(QmList_InlineAt<BYTE>(list, 19)[11], 0xAB);
    EXPECT_EQ(QmList_InlineAt<BYTE>(list, 20)[0], 0);
    EXPECT_EQ(QmList_ArrayForceItemCount(list, 5, TRUE), S_OK);
    EXPECT_EQ(list->nCapacity, 16);
    EXPECT_EQ(QmList_InlineAt<BYTE>(list, 4)[0], 0xAB);
}

TEST(ListMoveRange, RunsMoveBothWaysAndArgumentsAreChecked) {
    struct Case {
        int from, to, count;
        HRESULT result;
        V expected;
    };
    const Case cases[] = {
        {0, 2, 3, S_OK, {4, 5, 1, 2, 3}},
        {3, 0, 2, S_OK, {4, 5, 1, 2, 3}},
        {1, -5, 1, S_OK, {2, 1, 3, 4, 5}},  // a negative target means 0
        {0, 1, -1, S_OK, {5, 1, 2, 3, 4}},  // count 5 - max(0, 1) = 4
        {2, 2, 3, S_OK, {1, 2, 3, 4, 5}},
        {-1, 0, 1, E_INVALIDARG, {1, 2, 3, 4, 5}},
        {3, 0, 3, E_FAIL, {1, 2, 3, 4, 5}},
        {0, 3, 3, E_FAIL, {1, 2, 3, 4, 5}},
        {0, 1, 0, S_OK, {1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<OwnedList> list(NewValueList());
        AppendValues(*list, {1, 2, 3, 4, 5});
        EXPECT_EQ(QmList_MoveRange(*list, c.from, c.to, c.count), c.result) << c.from << "->" << c.to;
        EXPECT_EQ(Values(*list), c.expected) << c.from << "->" << c.to;
    }
}

TEST(ListMoveRange, LongRunOfInlineItems) {
    // 20 items of 64 bytes do not fit the on-stack buffer.
    OwnedList list(64, 0, 0, QMLIST_OPT_INLINEITEMS);
    ASSERT_EQ(QmList_ArrayForceItemCount(list, 30, FALSE), S_OK);
    for (int i = 0; i < 30; ++i) std::memset(QmList_InlineAt<BYTE>(list, i), i + 1, 64);
    EXPECT_EQ(QmList_MoveRange(list, 10, 0, 20), S_OK);
    for (int i = 0; i < 30; ++i) {
        const int expected = i < 20 ? i + 11 : i - 19;
        EXPECT_EQ(QmList_InlineAt<BYTE>(list, i)[0], expected);
        EXPECT_EQ(QmList_InlineAt<BYTE>(list, i)[63], expected);
    }
}

TEST(ListAllocSize, SlotsHeaderAndItems) {
    OwnedList inlined(10, 0, 0, QMLIST_OPT_INLINEITEMS);
    ASSERT_EQ(QmList_ArrayForceItemCount(inlined, 2, FALSE), S_OK);
    EXPECT_EQ(QmList_AllocSize(inlined, 1), 12u);
    EXPECT_EQ(QmList_AllocSize(inlined, 2), 0u);
    EXPECT_GE(QmList_AllocSize(inlined, -1), sizeof(tQMLIST) + 16 * 12);

    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    ASSERT_EQ(QmList_AllocAndInsertItem(heap, nullptr, 100, -1, nullptr), S_OK);
    ASSERT_EQ(QmList_AllocAndInsertItem(heap, nullptr, 300, -1, nullptr), S_OK);
    EXPECT_GE(QmList_AllocSize(heap, 0), 100u);
    EXPECT_GE(QmList_AllocSize(heap, 1), 300u);
    EXPECT_GE(QmList_AllocSize(heap, -1), sizeof(tQMLIST) + 16 * sizeof(void*) + 400);
}
