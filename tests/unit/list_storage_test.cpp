// Generic list: the insertion and deletion forms, growth and shrinking in whole increments, forced
// counts, run moves and allocation sizes. Ordinary sequences are checked against a model in
// list_property_test.cpp; these are the edges.
#include <gtest/gtest.h>

#include "list_test_helpers.h"

using namespace listtest;

TEST(ListInsert, GrowthStepsByWholeIncrements) {
    ValueList grow;
    for (intptr_t i = 1; i <= 16; ++i) ASSERT_EQ(QmList_InsertList(grow, -1, &i, 1), S_OK);
    EXPECT_EQ(grow->nCapacity, 16);
    const intptr_t seventeen = 17;
    EXPECT_EQ(QmList_InsertList(grow, 99, &seventeen, 1), S_OK);  // past the end appends
    EXPECT_EQ(grow->nCapacity, 32);
    EXPECT_EQ(ValueAt(grow, 16), 17);
    EXPECT_TRUE(SpareSlotsZero(grow));

    // A big insertion grows by itself rounded up to the increment in one step.
    ValueList big(4, 8);
    const V many(21, 5);
    EXPECT_EQ(QmList_InsertList(big, 0, many.data(), 21), S_OK);
    EXPECT_EQ(big->nCapacity, 8 + 24);

    // A source inside the list itself survives the reallocation it causes.
    const V once = Values(grow);
    V twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(QmList_InsertList(grow, 0, grow->pSlots, 17), S_OK);
    EXPECT_EQ(Values(grow), twice);
}

TEST(ListInsert, SourceForms) {
    ValueList list;
    const intptr_t two[] = {4, 5};
    EXPECT_EQ(QmList_InsertList(list, 0, two, -2), S_OK);  // negative count: -count slots
    EXPECT_EQ(QmList_InsertList(list, 0, two, 0), S_OK);   // nothing to insert
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, 3), E_FAIL);
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -1), E_FAIL);  // no pending item
    EXPECT_EQ(QmList_InsertList(list, 0, nullptr, -2), E_FAIL);
    EXPECT_EQ(Values(list), (V{4, 5}));

    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    void* block = nullptr;
    EXPECT_EQ(QmList_InsertList(heap, 0, &block, 1), E_FAIL);  // raw items are refused
    ASSERT_EQ(QmList_AllocItem(heap, 16, &block), S_OK);
    EXPECT_EQ(QmList_InsertList(heap, 0, &block, -1), S_OK);  // one slot value: the block
    EXPECT_EQ(QmList_ValueAt<void*>(heap, 0), block);
    EXPECT_EQ(heap->pPendingItem, nullptr);  // inserting the block ended its pending state
}

TEST(ListDelete, PendingFormsAndKeptStorage) {
    ValueList list;
    AppendValues(list, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(QmList_DeleteList(list, -1, -1, FALSE), E_FAIL);  // no pending item
    EXPECT_EQ(QmList_DeleteList(list, -1, 1, FALSE), E_FAIL);
    EXPECT_EQ(QmList_DeleteList(list, -1, 0, FALSE), S_OK);
    EXPECT_EQ(QmList_DeleteList(list, 6, -1, FALSE), S_OK);  // at the count: nothing
    EXPECT_EQ(QmList_DeleteList(list, 6, 1, FALSE), E_FAIL);
    EXPECT_EQ(QmList_DeleteList(list, 0, -1, FALSE), S_OK);
    EXPECT_TRUE(SpareSlotsZero(list));
    EXPECT_EQ(list->nCapacity, 16);  // no shrink flag: storage kept
}

TEST(ListDelete, ShrinkReleasesWholeIncrementsOnlyWhenMoreThanOneIsSpare) {
    for (const auto& [remaining, capacity] : {std::pair{10, 16}, {0, 0}, {32, 48}, {31, 32}}) {
        SCOPED_TRACE(testing::Message() << "remaining " << remaining);
        ValueList list(48, 16);
        AppendValues(list, V(48, 9));
        ASSERT_EQ(list->nCapacity, 48);
        EXPECT_EQ(QmList_DeleteList(list, remaining, -1, TRUE), S_OK);
        EXPECT_EQ(list->nCount, remaining);
        EXPECT_EQ(list->nCapacity, capacity);
        EXPECT_TRUE(SpareSlotsZero(list));
        // Even an empty capacity keeps a real block of one slot.
        EXPECT_GE(QmList_AllocSize(list, -1), sizeof(tQMLIST) + sizeof(void*));
        const intptr_t one = 1;
        EXPECT_EQ(QmList_InsertList(list, -1, &one, 1), S_OK);
        EXPECT_EQ(ValueAt(list, remaining), 1);
    }
}

TEST(ListCapacity, GrowAndShrinkAllocated) {
    ValueList list(16, 16);
    AppendValues(list, V(5, 3));
    const struct {
        bool grow;
        int slots;
        HRESULT result;
        LONG capacity;
    } steps[] = {{true, 0, S_OK, 32},     {true, 17, S_OK, 64},
                 {false, 1, S_OK, 48},    // one slot rounds up to a whole increment
                 {false, 0, S_OK, 48},    {false, -1, S_OK, 16},  // 43 spare: two increments go
                 {false, 1000, S_OK, 16},  // never below the count
                 {true, 0x7FFFFFFF, E_OUTOFMEMORY, 16}};
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << (s.grow ? "grow " : "shrink ") << s.slots);
        EXPECT_EQ(s.grow ? QmList_GrowAllocated(list, s.slots) : QmList_ShrinkAllocated(list, s.slots), s.result);
        EXPECT_EQ(list->nCapacity, s.capacity);
        EXPECT_TRUE(SpareSlotsZero(list));
    }
    EXPECT_EQ(Values(list), V(5, 3));
}

TEST(ListForceCount, InlineListsOnlyAndExposedSlotsAreZero) {
    ValueList values;
    EXPECT_EQ(QmList_ArrayForceItemCount(values, 3, FALSE), E_FAIL);

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
    const struct {
        int from, to, count;
        HRESULT result;
        V expected;
    } cases[] = {
        {0, 2, 3, S_OK, {4, 5, 1, 2, 3}},   {3, 0, 2, S_OK, {4, 5, 1, 2, 3}},
        {1, -5, 1, S_OK, {2, 1, 3, 4, 5}},  // a negative target means 0
        {0, 1, -1, S_OK, {5, 1, 2, 3, 4}},  // count 5 - max(0, 1) = 4
        {2, 2, 3, S_OK, {1, 2, 3, 4, 5}},   {-1, 0, 1, E_INVALIDARG, {1, 2, 3, 4, 5}},
        {3, 0, 3, E_FAIL, {1, 2, 3, 4, 5}}, {0, 3, 3, E_FAIL, {1, 2, 3, 4, 5}},
        {0, 1, 0, S_OK, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << "->" << c.to << " x" << c.count);
        ValueList list;
        AppendValues(list, {1, 2, 3, 4, 5});
        EXPECT_EQ(QmList_MoveRange(list, c.from, c.to, c.count), c.result);
        EXPECT_EQ(Values(list), c.expected);
    }

    // 20 items of 64 bytes do not fit the on-stack buffer.
    OwnedList inlined(64, 0, 0, QMLIST_OPT_INLINEITEMS);
    ASSERT_EQ(QmList_ArrayForceItemCount(inlined, 30, FALSE), S_OK);
    for (int i = 0; i < 30; ++i) std::memset(QmList_InlineAt<BYTE>(inlined, i), i + 1, 64);
    EXPECT_EQ(QmList_MoveRange(inlined, 10, 0, 20), S_OK);
    for (int i = 0; i < 30; ++i) {
        const int expected = i < 20 ? i + 11 : i - 19;
        EXPECT_EQ(QmList_InlineAt<BYTE>(inlined, i)[0], expected) << i;
        EXPECT_EQ(QmList_InlineAt<BYTE>(inlined, i)[63], expected) << i;
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
