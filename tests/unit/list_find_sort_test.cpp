// Generic list: linear and sorted finds, the three sorts and the compare-callback contract.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "list_test_helpers.h"

using namespace listtest;

namespace {

int QMAPI MatchEqual(const void* key, void* item) { return key == item ? 0 : 1; }

struct Record {
    int key;
    int tag;
    int pad;
};

int QMAPI CompareRecords(LONG_PTR, const void* a, const void* b) {
    const int x = static_cast<const Record*>(a)->key, y = static_cast<const Record*>(b)->key;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Criteria 1 sorts descending: shows that the stored criteria reach the sorted finds.
int QMAPI CompareByCriteria(LONG_PTR criteria, const void* a, const void* b) {
    const int c = CompareValues(0, a, b);
    return criteria == 1 ? -c : c;
}


}  // namespace

TEST(ListFind, LinearFindsHonourRanges) {
    OwnedList list(0);
    AppendValues(list, {5, 7, 5, 9});
    const struct {
        int start, end;
        intptr_t key;
        int match, specific;  // FindItemRange with MatchEqual, FindSpecificItemRange
    } cases[] = {{0, -1, 5, 0, 0}, {1, -1, 5, 2, 2}, {1, 1, 5, -1, -1}, {-3, 1, 5, 0, 0},
                 {3, 100, 5, -1, -1}, {9, -1, 5, -1, -1}, {0, -1, 9, 3, 3}, {1, 2, 9, -1, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " in " << c.start << ".." << c.end);
        EXPECT_EQ(QmList_FindItemRange(list, c.start, c.end, Key(c.key), MatchEqual), c.match);
        EXPECT_EQ(QmList_FindSpecificItemRange(list, c.start, c.end, Key(c.key)), c.specific);
    }
    EXPECT_EQ(QmList_FindItemRange(list, 0, -1, Key(5), nullptr), -1);

    OwnedList inlined(QMLIST_OPT_INLINEITEMS, sizeof(Record));
    const Record records[] = {{1, 10, 0}, {2, 20, 0}, {2, 21, 0}};
    ASSERT_EQ(QmList_InsertList(inlined, 0, records, 3), S_OK);
    const Record wanted{2, 21, 0};
    EXPECT_EQ(QmList_FindSpecificItemRange(inlined, 0, -1, &wanted), 2);  // every byte counts
    EXPECT_EQ(QmList_FindSpecificItemRange(inlined, 0, -1, nullptr), -1);
    // An inline item reaches a callback as the address of its slot.
    EXPECT_EQ(QmList_FindItemRange(inlined, 0, -1, QmList_InlineAt<Record>(inlined, 1), MatchEqual), 1);
}

TEST(ListFindSorted, AgreesWithTheModelForEverySmallListAndHonoursRanges) {
    std::mt19937 rng(1234);
    for (size_t n = 0; n <= 13; ++n) {
        for (int round = 0; round < 20; ++round) {
            V values(n);
            for (auto& v : values) v = std::uniform_int_distribution<int>(0, 12)(rng);
            std::sort(values.begin(), values.end());
            OwnedList list(0);
            AppendValues(list, values);
            for (intptr_t k = -1; k <= 13; ++k) {
                SCOPED_TRACE(testing::Message() << "n=" << n << " key=" << k);
                const int found = QmList_FindSortedItemRange(list, Key(k), 0, -1, CompareValues);
                const bool present = std::binary_search(values.begin(), values.end(), k);
                ASSERT_EQ(found >= 0, present);
                ASSERT_TRUE(!present || values[size_t(found)] == k);
                const int at = QmList_FindSortedInsertIndexRange(list, Key(k), 0, -1, CompareValues);
                ASSERT_GE(at, 0);
                ASSERT_LE(at, int(n));
                ASSERT_TRUE(at == 0 || values[size_t(at - 1)] <= k);
                ASSERT_TRUE(at == int(n) || values[size_t(at)] >= k);
            }
        }
    }
    OwnedList list(0);
    AppendValues(list, {10, 20, 20, 30, 40, 50});
    EXPECT_EQ(QmList_FindSortedItemRange(list, Key(10), 1, -1, CompareValues), -1);
    EXPECT_EQ(QmList_FindSortedItemRange(list, Key(10), 7, -1, CompareValues), -1);
    EXPECT_EQ(QmList_FindSortedItemRange(list, Key(10), 0, -1, nullptr), -1);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(list, Key(99), 1, 3, CompareValues), 4);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(list, Key(99), 7, -1, CompareValues), -1);

    // The key comes first to the callback, which gets the criteria the last sort stored.
    OwnedList descending(0);
    AppendValues(descending, {3, 9, 1, 7});
    ASSERT_EQ(QmList_Sort(descending, 1, CompareByCriteria), S_OK);
    EXPECT_EQ(Values(descending), (V{9, 7, 3, 1}));
    EXPECT_EQ(QmList_FindSortedItemRange(descending, Key(3), 0, -1, CompareByCriteria), 2);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(descending, Key(8), 0, -1, CompareByCriteria), 1);
}

// Ordering of every size is covered by the value-list model. The selection sort swaps an equal pair;
// a sort without a callback only stores its criteria; inline records move whole.
TEST(ListSort, EqualPairsCriteriaAndWholeRecords) {
    OwnedList pair(QMLIST_OPT_INLINEITEMS, sizeof(Record));
    const Record xy[] = {{5, 'X', 0}, {5, 'Y', 0}};
    ASSERT_EQ(QmList_InsertList(pair, 0, xy, 2), S_OK);
    EXPECT_EQ(QmList_Sort(pair, 0, CompareRecords), S_OK);
    EXPECT_EQ(QmList_InlineAt<Record>(pair, 0)->tag, 'Y');
    EXPECT_EQ(QmList_InlineAt<Record>(pair, 1)->tag, 'X');

    OwnedList unsorted(0);
    EXPECT_EQ(QmList_Sort(unsorted, 99, nullptr), S_OK);  // stored even with nothing to sort
    EXPECT_EQ(QmList_GetSortCriteria(unsorted), 99);
    AppendValues(unsorted, {3, 1, 2});
    EXPECT_EQ(QmList_HeapSort(unsorted, 8, nullptr), S_OK);
    EXPECT_EQ(Values(unsorted), (V{3, 1, 2}));
    EXPECT_EQ(QmList_GetSortCriteria(unsorted), 8);

    OwnedList records(QMLIST_OPT_INLINEITEMS, sizeof(Record));
    for (int i = 0; i < 25; ++i) {
        const Record r{(i * 7) % 25, i, ~i};
        ASSERT_EQ(QmList_InsertList(records, -1, &r, 1), S_OK);
    }
    ASSERT_EQ(QmList_HeapSort(records, 0, CompareRecords), S_OK);
    for (int i = 0; i < 25; ++i) {
        const Record* r = QmList_InlineAt<Record>(records, i);
        EXPECT_TRUE(r->key == i && (r->tag * 7) % 25 == i && r->pad == ~r->tag) << i;
    }
}

TEST(ListSort, SortToInsertsEverySourceItemAtItsPlace) {
    OwnedList source(0), dest(0);
    AppendValues(source, {8, 2, 6, 4});
    AppendValues(dest, {1, 5});
    EXPECT_EQ(QmList_SortTo(dest, source, 11, CompareValues), S_OK);
    EXPECT_EQ(Values(dest), (V{1, 2, 4, 5, 6, 8}));
    EXPECT_EQ(Values(source), (V{8, 2, 6, 4}));
    EXPECT_EQ(QmList_GetSortCriteria(dest), 11);
    EXPECT_EQ(QmList_SortTo(dest, dest, 0, CompareValues), E_FAIL);
    // A heap-item destination would own the source's blocks; a different slot size cannot take them.
    OwnedList heapDest(QMLIST_OPT_HEAPITEMS), records(QMLIST_OPT_INLINEITEMS, sizeof(Record));
    EXPECT_EQ(QmList_SortTo(heapDest, source, 0, CompareValues), E_FAIL);
    EXPECT_EQ(QmList_SortTo(records, source, 0, CompareValues), E_FAIL);
}
