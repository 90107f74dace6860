// Generic list: random operation sequences checked against a std::vector model, with the header's
// invariants (count within capacity, capacity in whole increments, zeroed spare slots) after each
// step; then the edges a random sequence does not reach.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "list_test_helpers.h"

using namespace listtest;

namespace {

::testing::AssertionResult Invariants(const tQMLIST* list) {
    if (list->nCount < 0 || list->nCount > list->nCapacity)
        return ::testing::AssertionFailure() << "count " << list->nCount << " capacity " << list->nCapacity;
    if (list->nCapacity % list->nGrowBy != 0)
        return ::testing::AssertionFailure() << "capacity " << list->nCapacity << " not in whole increments";
    if (!SpareSlotsZero(list)) return ::testing::AssertionFailure() << "spare slots not zero";
    if (list->pPendingItem) return ::testing::AssertionFailure() << "stray pending item";
    return ::testing::AssertionSuccess();
}

int Pick(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

}  // namespace

TEST(ListModel, ValueListMatchesVectorModel) {
    std::mt19937 rng(20240601);
    for (int run = 0; run < 20; ++run) {
        OwnedList list(0, 0, Pick(rng, -1, 9), Pick(rng, 0, 6));
        ASSERT_NE(list.list, nullptr);
        V model;
        intptr_t next = 1;
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(testing::Message() << "run " << run << " step " << step);
            const int n = static_cast<int>(model.size());
            switch (Pick(rng, 0, 4)) {
                case 0: {  // insert a few, sometimes past the end
                    const int k = Pick(rng, 1, 6);
                    V items;
                    for (int i = 0; i < k; ++i) items.push_back(next++);
                    const int index = Pick(rng, -2, n + 3);
                    ASSERT_EQ(QmList_InsertList(list, index, items.data(), k), S_OK);
                    const int at = (index < 0 || index >= n) ? n : index;
                    model.insert(model.begin() + at, items.begin(), items.end());
                    break;
                }
                case 1: {  // delete, with every form of count
                    const int index = Pick(rng, 0, n + 1);
                    const int count = Pick(rng, -1, 5);
                    const HRESULT hr = QmList_DeleteList(list, index, count, Pick(rng, 0, 1));
                    const int wanted = count < 0 ? n - index : count;
                    ASSERT_EQ(hr, wanted >= 1 && index >= n ? E_FAIL : S_OK);
                    if (wanted >= 1 && index < n)
                        model.erase(model.begin() + index, model.begin() + std::min(n, index + wanted));
                    break;
                }
                case 2: {  // move a run
                    if (n == 0) break;
                    const int count = Pick(rng, 1, n);
                    const int from = Pick(rng, 0, n - count), to = Pick(rng, 0, n - count);
                    ASSERT_EQ(QmList_MoveRange(list, from, to, count), S_OK);
                    V moved(model.begin() + from, model.begin() + from + count);
                    model.erase(model.begin() + from, model.begin() + from + count);
                    model.insert(model.begin() + to, moved.begin(), moved.end());
                    break;
                }
                case 3:
                    ASSERT_EQ(Pick(rng, 0, 1) ? QmList_HeapSort(list, 0, CompareValues) : QmList_Sort(list, 0, CompareValues),
                              S_OK);
                    std::sort(model.begin(), model.end());
                    break;
                default:
                    ASSERT_EQ(QmList_ShrinkAllocated(list, Pick(rng, -1, 8)), S_OK);
                    break;
            }
            ASSERT_EQ(Values(list), model);
            ASSERT_TRUE(Invariants(list));
        }
    }
}

TEST(ListEdges, CapacityGrowsAndShrinksInWholeIncrements) {
    // A source inside the list itself survives the reallocation it causes.
    OwnedList grow(0);
    AppendValues(grow, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    EXPECT_EQ(grow->nCapacity, 16);
    const V once = Values(grow);
    V twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(QmList_InsertList(grow, 0, grow->pSlots, 16), S_OK);
    EXPECT_EQ(Values(grow), twice);
    EXPECT_EQ(grow->nCapacity, 32);
    OwnedList big(0, 0, 4, 8);  // a big insertion grows by itself rounded up to the increment, in one step
    EXPECT_EQ(QmList_InsertList(big, 0, V(21, 5).data(), 21), S_OK);
    EXPECT_EQ(big->nCapacity, 8 + 24);

    // Deleting with the shrink flag releases whole increments, only when more than one is spare.
    for (const auto& [remaining, shrink, capacity] : {std::tuple{10, TRUE, 16}, {0, TRUE, 0}, {32, TRUE, 48},
                                                      {31, TRUE, 32}, {0, FALSE, 48}}) {
        OwnedList list(0, 0, 48, 16);
        AppendValues(list, V(48, 9));
        EXPECT_EQ(QmList_DeleteList(list, remaining, -1, shrink), S_OK);
        EXPECT_EQ(list->nCapacity, capacity) << remaining << " " << shrink;
        const intptr_t one = 1;  // an empty capacity still takes an insertion
        EXPECT_EQ(QmList_InsertList(list, -1, &one, 1), S_OK);
    }
    OwnedList list(0, 0, 16, 16);
    AppendValues(list, V(5, 3));
    // {grow, slots, result, capacity}: shrinking releases a whole increment, -1 all but what the count needs.
    for (const auto& [up, slots, result, capacity] :
         {std::tuple{true, 0, S_OK, 32}, {true, 17, S_OK, 64}, {false, 1, S_OK, 48}, {false, 0, S_OK, 48},
          {false, -1, S_OK, 16}, {false, 1000, S_OK, 16}, {true, 0x7FFFFFFF, E_OUTOFMEMORY, 16}}) {
        EXPECT_EQ(up ? QmList_GrowAllocated(list, slots) : QmList_ShrinkAllocated(list, slots), result) << slots;
        EXPECT_EQ(list->nCapacity, capacity) << (up ? "grow " : "shrink ") << slots;
    }
    EXPECT_EQ(Values(list), V(5, 3));

    // A forced count exposes zeroed slots, only on inline lists.
    EXPECT_EQ(QmList_ArrayForceItemCount(list, 3, FALSE), E_FAIL);
    OwnedList inlined(QMLIST_OPT_INLINEITEMS, 12, 16, 16);
    EXPECT_EQ(QmList_ArrayForceItemCount(inlined, 40, FALSE), S_OK);
    EXPECT_EQ(inlined->nCapacity, 48);  // grown by 24, rounded up to 32
    std::memset(inlined->pSlots, 0xAB, 40 * 12);
    EXPECT_EQ(QmList_ArrayForceItemCount(inlined, 20, FALSE), S_OK);
    EXPECT_EQ(QmList_ArrayForceItemCount(inlined, 30, FALSE), S_OK);
    EXPECT_EQ(QmList_InlineAt<BYTE>(inlined, 19)[11], 0xAB);
    EXPECT_EQ(QmList_InlineAt<BYTE>(inlined, 20)[0], 0);
    EXPECT_EQ(QmList_ArrayForceItemCount(inlined, 5, TRUE), S_OK);
    EXPECT_EQ(inlined->nCapacity, 16);
}

TEST(ListEdges, RunMovesAndBlocksMovedBetweenLists) {
    const struct {
        int from, to, count;
        HRESULT result;
        V expected;
    } cases[] = {
        {1, -5, 1, S_OK, {2, 1, 3, 4, 5}},  // a negative target means 0
        {0, 1, -1, S_OK, {5, 1, 2, 3, 4}},  // count 5 - max(0, 1) = 4
        {-1, 0, 1, E_INVALIDARG, {1, 2, 3, 4, 5}}, {3, 0, 3, E_FAIL, {1, 2, 3, 4, 5}},
        {0, 3, 3, E_FAIL, {1, 2, 3, 4, 5}},        {0, 1, 0, S_OK, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        OwnedList values(0);
        AppendValues(values, {1, 2, 3, 4, 5});
        EXPECT_EQ(QmList_MoveRange(values, c.from, c.to, c.count), c.result) << c.from << "->" << c.to;
        EXPECT_EQ(Values(values), c.expected) << c.from << "->" << c.to << " x" << c.count;
    }
    // 20 items of 64 bytes do not fit the on-stack buffer.
    OwnedList inlined(QMLIST_OPT_INLINEITEMS, 64);
    ASSERT_EQ(QmList_ArrayForceItemCount(inlined, 30, FALSE), S_OK);
    for (int i = 0; i < 30; ++i) std::memset(QmList_InlineAt<BYTE>(inlined, i), i + 1, 64);
    EXPECT_EQ(QmList_MoveRange(inlined, 10, 0, 20), S_OK);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(QmList_InlineAt<BYTE>(inlined, i)[63], i < 20 ? i + 11 : i - 19) << i;

    // Blocks change hands in order without being copied; never into a private heap, whose blocks die
    // with it, nor from or into a list without heap items.
    OwnedList source(QMLIST_OPT_HEAPITEMS), dest(QMLIST_OPT_HEAPITEMS | QMLIST_OPT_THREADSAFE);
    OwnedList privateHeap(QMLIST_OPT_HEAPITEMS | QMLIST_OPT_PRIVATEHEAP), values(0);
    for (const char* text : {"A", "B", "C", "D"}) ASSERT_EQ(AddText(source, text), S_OK);
    for (const char* text : {"X", "Y"}) ASSERT_EQ(AddText(dest, text), S_OK);
    void* b = QmList_ValueAt<void*>(source, 1);
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, 1, source, 1, 2), S_OK);
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y"}));
    EXPECT_EQ(Texts(source), (T{"A", "D"}));
    EXPECT_EQ(QmList_ValueAt<void*>(dest, 1), b);
    EXPECT_TRUE(SpareSlotsZero(source));
    for (const auto& [to, from, start, count] :
         {std::tuple{&dest, &source, 1, 2} /* past the end */, {&dest, &source, -1, 1}, {&dest, &dest, 0, 1},
          {&privateHeap, &source, 0, 1},
          {&values, &source, 0, 1}, {&source, &values, 0, 1}})
        EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(*to, 0, *from, start, count), E_FAIL) << start << "/" << count;
    EXPECT_EQ(QmList_MoveItemsBetweenHeapLists(dest, -1, source, 0, -1), S_OK);  // all, appended
    EXPECT_EQ(Texts(dest), (T{"X", "B", "C", "Y", "A", "D"}));
    EXPECT_EQ(source->nCount, 0);
}
