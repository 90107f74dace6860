// Generic list: linear and sorted finds, the three sorts and the compare-callback contract.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "list_test_helpers.h"

using namespace listtest;
using V = std::vector<intptr_t>;

namespace {

int QMAPI MatchEqual(const void* key, void* item) { return key == item ? 0 : 1; }

struct Record {
    int key;
    int tag;
    int pad;
};
static_assert(sizeof(Record) == 12, "three words");

int QMAPI CompareRecords(LONG_PTR, const void* a, const void* b) {
    const int x = static_cast<const Record*>(a)->key, y = static_cast<const Record*>(b)->key;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Criteria 1 sorts descending: shows that the stored criteria reach the sorted finds.
int QMAPI CompareByCriteria(LONG_PTR criteria, const void* a, const void* b) {
    const int c = CompareValues(0, a, b);
    return criteria == 1 ? -c : c;
}

int QMAPI CompareTexts(LONG_PTR, const void* a, const void* b) {
    return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

V RandomValues(std::mt19937& rng, size_t n, int range) {
    std::uniform_int_distribution<int> value(0, range);
    V out(n);
    for (auto& v : out) v = value(rng);
    return out;
}

}  // namespace

TEST(ListFind, LinearFindsHonourRanges) {
    std::unique_ptr<OwnedList> list(NewValueList());
    AppendValues(*list, {5, 7, 5, 9});
    const void* five = reinterpret_cast<const void*>(intptr_t{5});
    EXPECT_EQ(QmList_FindItemRange(*list, 0, -1, five, MatchEqual), 0);
    EXPECT_EQ(QmList_FindItemRange(*list, 1, -1, five, MatchEqual), 2);
    EXPECT_EQ(QmList_FindItemRange(*list, 1, 1, five, MatchEqual), -1);
    EXPECT_EQ(QmList_FindItemRange(*list, -3, 1, five, MatchEqual), 0);
    EXPECT_EQ(QmList_FindItemRange(*list, 3, 100, five, MatchEqual), -1);
    EXPECT_EQ(QmList_FindItemRange(*list, 9, -1, five, MatchEqual), -1);
    EXPECT_EQ(QmList_FindItemRange(*list, 0, -1, five, nullptr), -1);
    EXPECT_EQ(QmList_FindSpecificItemRange(*list, 0, -1, reinterpret_cast<const void*>(intptr_t{9})), 3);
    EXPECT_EQ(QmList_FindSpecificItemRange(*list, 1, 2, reinterpret_cast<const void*>(intptr_t{9})), -1);
    EXPECT_EQ(QmList_FindSpecificItemRange(*list, 1, -1, five), 2);

    OwnedList inlined(sizeof(Record), 0, 0, QMLIST_OPT_INLINEITEMS);
    const Record records[] = {{1, 10, 0}, {2, 20, 0}, {2, 21, 0}};
    ASSERT_EQ(QmList_InsertList(inlined, 0, records, 3), S_OK);
    const Record wanted{2, 21, 0};
    EXPECT_EQ(QmList_FindSpecificItemRange(inlined, 0, -1, &wanted), 2);  // every byte counts
    EXPECT_EQ(QmList_FindSpecificItemRange(inlined, 0, -1, nullptr), -1);
    // An inline item reaches a callback as the address of its slot.
    const void* slot = QmList_InlineAt<Record>(inlined, 1);
    EXPECT_EQ(QmList_FindItemRange(inlined, 0, -1, slot, MatchEqual), 1);

    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    ASSERT_EQ(QmList_AllocAndInsertItem(heap, "abc", 4, -1, nullptr), S_OK);
    EXPECT_EQ(QmList_FindSpecificItemRange(heap, 0, -1, QmList_ValueAt<void*>(heap, 0)), 0);
}

TEST(ListFindSorted, FixedCases) {
    std::unique_ptr<OwnedList> list(NewValueList());
    const auto key = [](intptr_t v) { return reinterpret_cast<const void*>(v); };
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(3), 0, -1, CompareValues), 0);  // empty list
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(3), 0, -1, CompareValues), -1);
    AppendValues(*list, {10, 20, 20, 30, 40, 50});
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(30), 0, -1, CompareValues), 3);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(10), 0, -1, CompareValues), 0);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(50), 0, -1, CompareValues), 5);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(25), 0, -1, CompareValues), -1);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(10), 1, -1, CompareValues), -1);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(10), 7, -1, CompareValues), -1);
    EXPECT_EQ(QmList_FindSortedItemRange(*list, key(10), 0, -1, nullptr), -1);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(25), 0, -1, CompareValues), 3);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(5), 0, -1, CompareValues), 0);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(99), 0, -1, CompareValues), 6);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(99), 1, 3, CompareValues), 4);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, key(99), 7, -1, CompareValues), -1);
    const int equal = QmList_FindSortedInsertIndexRange(*list, key(20), 0, -1, CompareValues);
    EXPECT_TRUE(equal == 1 || equal == 2) << equal;
}

TEST(ListFindSorted, AgreesWithTheModelForEverySmallList) {
    std::mt19937 rng(1234);
    for (size_t n = 0; n <= 13; ++n) {
        for (int round = 0; round < 20; ++round) {
            V values = RandomValues(rng, n, 12);
            std::sort(values.begin(), values.end());
            std::unique_ptr<OwnedList> list(NewValueList());
            AppendValues(*list, values);
            for (intptr_t k = -1; k <= 13; ++k) {
                const void* key = reinterpret_cast<const void*>(k);
                const int found = QmList_FindSortedItemRange(*list, key, 0, -1, CompareValues);
                const bool present = std::binary_search(values.begin(), values.end(), k);
                ASSERT_EQ(found >= 0, present) << "n=" << n << " key=" << k;
                if (present) {
                    ASSERT_EQ(values[static_cast<size_t>(found)], k);
                }
                const int at = QmList_FindSortedInsertIndexRange(*list, key, 0, -1, CompareValues);
                ASSERT_GE(at, 0);
                ASSERT_LE(at, static_cast<int>(n));
                if (at > 0) {
                    ASSERT_LE(values[static_cast<size_t>(at - 1)], k) << "n=" << n << " key=" << k;
                }
                if (at < static_cast<int>(n)) {
                    ASSERT_GE(values[static_cast<size_t>(at)], k) << "n=" << n << " key=" << k;
                }
            }
        }
    }
}

TEST(ListFindSorted, KeyComesFirstAndStoredCriteriaAreUsed) {
    std::unique_ptr<OwnedList> list(NewValueList());
    AppendValues(*list, {3, 9, 1, 7});
    ASSERT_EQ(QmList_Sort(*list, 1, CompareByCriteria), S_OK);
    EXPECT_EQ(Values(*list), (V{9, 7, 3, 1}));
    EXPECT_EQ(QmList_FindSortedItemRange(*list, reinterpret_cast<const void*>(intptr_t{3}), 0, -1, CompareByCriteria), 2);
    EXPECT_EQ(QmList_FindSortedInsertIndexRange(*list, reinterpret_cast<const void*>(intptr_t{8}), 0, -1,
                                                CompareByCriteria),
              1);
}

TEST(ListSort, SelectionSortOrdersAndSwapsEqualPair) {
    OwnedList pair(sizeof(Record), 0, 0, QMLIST_OPT_INLINEITEMS);
    const Record xy[] = {{5, 'X', 0}, {5, 'Y', 0}};
    ASSERT_EQ(QmList_InsertList(pair, 0, xy, 2), S_OK);
    EXPECT_EQ(QmList_Sort(pair, 0, CompareRecords), S_OK);
    EXPECT_EQ(QmList_InlineAt<Record>(pair, 0)->tag, 'Y');
    EXPECT_EQ(QmList_InlineAt<Record>(pair, 1)->tag, 'X');

    std::mt19937 rng(99);
    for (size_t n : {0u, 1u, 2u, 3u, 17u, 64u}) {
        V values = RandomValues(rng, n, 20);
        std::unique_ptr<OwnedList> list(NewValueList());
        AppendValues(*list, values);
        ASSERT_EQ(QmList_Sort(*list, 5, CompareValues), S_OK);
        std::sort(values.begin(), values.end());
        EXPECT_EQ(Values(*list), values);
        EXPECT_EQ(QmList_GetSortCriteria(*list), 5);
    }
    std::unique_ptr<OwnedList> unsorted(NewValueList());
    AppendValues(*unsorted, {3, 1, 2});
    EXPECT_EQ(QmList_Sort(*unsorted, 8, nullptr), S_OK);
    EXPECT_EQ(Values(*unsorted), (V{3, 1, 2}));
    EXPECT_EQ(QmList_GetSortCriteria(*unsorted), 8);
}

TEST(ListSort, HeapSortOrdersAscendingForEverySize) {
    std::mt19937 rng(7);
    for (size_t n = 0; n <= 40; ++n) {
        V values = RandomValues(rng, n, 15);
        std::unique_ptr<OwnedList> list(NewValueList());
        AppendValues(*list, values);
        ASSERT_EQ(QmList_HeapSort(*list, 3, CompareValues), S_OK);
        std::sort(values.begin(), values.end());
        ASSERT_EQ(Values(*list), values) << "n=" << n;
        EXPECT_EQ(QmList_GetSortCriteria(*list), 3);
    }
    // Inline items move whole: every word of a record stays with its key.
    OwnedList records(sizeof(Record), 0, 0, QMLIST_OPT_INLINEITEMS);
    for (int i = 0; i < 25; ++i) {
        const Record r{(i * 7) % 25, i, ~i};
        ASSERT_EQ(QmList_InsertList(records, -1, &r, 1), S_OK);
    }
    ASSERT_EQ(QmList_HeapSort(records, 0, CompareRecords), S_OK);
    for (int i = 0; i < 25; ++i) {
        const Record* r = QmList_InlineAt<Record>(records, i);
        EXPECT_EQ(r->key, i);
        EXPECT_EQ((r->tag * 7) % 25, i);
        EXPECT_EQ(r->pad, ~r->tag);
    }
}

TEST(ListSort, SortToInsertsEverySourceItemAtItsPlace) {
    std::unique_ptr<OwnedList> source(NewValueList());
    std::unique_ptr<OwnedList> dest(NewValueList());
    AppendValues(*source, {8, 2, 6, 4});
    AppendValues(*dest, {1, 5});
    EXPECT_EQ(QmList_SortTo(*dest, *source, 11, CompareValues), S_OK);
    EXPECT_EQ(Values(*dest), (V{1, 2, 4, 5, 6, 8}));
    EXPECT_EQ(Values(*source), (V{8, 2, 6, 4}));
    EXPECT_EQ(QmList_GetSortCriteria(*dest), 11);
    EXPECT_EQ(QmList_SortTo(*dest, *source, 12, nullptr), S_OK);
    EXPECT_EQ((*dest)->nCount, 6);
    EXPECT_EQ(QmList_GetSortCriteria(*dest), 12);
    EXPECT_EQ(QmList_SortTo(*dest, *dest, 0, CompareValues), E_FAIL);

    // A sorted view of a heap-item list: the destination gets the block addresses.
    OwnedList heap(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    for (const char* text : {"pear", "apple", "fig"})
        ASSERT_EQ(QmList_AllocAndInsertItem(heap, text, static_cast<int>(std::strlen(text)) + 1, -1, nullptr), S_OK);
    std::unique_ptr<OwnedList> view(NewValueList());
    ASSERT_EQ(QmList_SortTo(*view, heap, 0, CompareTexts), S_OK);
    ASSERT_EQ((*view)->nCount, 3);
    EXPECT_STREQ(QmList_ValueAt<const char*>(*view, 0), "apple");
    EXPECT_STREQ(QmList_ValueAt<const char*>(*view, 2), "pear");
    // A heap-item destination would own the source's blocks; a different slot size cannot take them.
    OwnedList heapDest(0, 0, 0, QMLIST_OPT_HEAPITEMS);
    EXPECT_EQ(QmList_SortTo(heapDest, *view, 0, CompareTexts), E_FAIL);
    OwnedList records(sizeof(Record), 0, 0, QMLIST_OPT_INLINEITEMS);
    EXPECT_EQ(QmList_SortTo(records, *view, 0, CompareTexts), E_FAIL);
}
