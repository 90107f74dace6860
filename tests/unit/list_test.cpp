// Generic list: random operation sequences checked against a std::vector model, with the header's
// invariants (count within capacity, capacity in whole increments, zeroed spare slots) after each
// step; then what a random sequence does not reach: creation rules, capacity edges, run and block
// moves, item ownership, the codes every function gives for a missing or dead list, linear and
// sorted finds, the three sorts, and the lock a thread-safe list holds across a callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/list.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace {

// Owns one list for the duration of a test.
struct OwnedList {
    tQMLIST* list = nullptr;
    explicit OwnedList(DWORD options, int itemSize = 0, int initial = 0, int growBy = 0) {
        if (QmList_CreateExZ(&list, itemSize, initial, growBy, options, 0, 0, 0) != S_OK) list = nullptr;
    }
    ~OwnedList() { QmList_Destroy(list); }
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
    tQMLIST* operator->() const { return list; }
    operator tQMLIST*() const { return list; }
};

using V = std::vector<intptr_t>;
using T = std::vector<std::string>;

V Values(const tQMLIST* list) {
    V out;
    for (int i = 0; i < list->nCount; ++i) out.push_back(QmList_ValueAt<intptr_t>(list, i));
    return out;
}

void AppendValues(tQMLIST* list, const V& values) {
    // The negative-count form inserts raw slots on every kind of list.
    if (!values.empty()) QmList_InsertList(list, -1, values.data(), -static_cast<int>(values.size()));
}

// The texts of a list whose slots point at strings.
T Texts(const tQMLIST* list) {
    T out;
    for (int i = 0; i < list->nCount; ++i) out.emplace_back(QmList_ValueAt<const char*>(list, i));
    return out;
}

HRESULT AddText(tQMLIST* list, const char* text, int index = -1) {
    return QmList_AllocAndInsertItem(list, text, static_cast<int>(std::strlen(text)) + 1, index, nullptr);
}

bool AllZero(const void* block, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        if (static_cast<const BYTE*>(block)[i]) return false;
    return true;
}

// True when every byte from slot nCount to the end of the capacity is zero.
bool SpareSlotsZero(const tQMLIST* list) {
    return AllZero(list->pSlots + static_cast<size_t>(list->nCount) * list->cbSlot,
                   static_cast<size_t>(list->nCapacity - list->nCount) * list->cbSlot);
}

const void* Key(intptr_t v) { return reinterpret_cast<const void*>(v); }

int QMAPI CompareValues(LONG_PTR, const void* a, const void* b) {
    const auto x = reinterpret_cast<intptr_t>(a), y = reinterpret_cast<intptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

int QMAPI MatchEqual(const void* key, void* item) { return key == item ? 0 : 1; }

struct Record {
    int key, tag, pad;
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
    for (const auto& [from, to, count, result, expected] :
         {std::tuple{1, -5, 1, S_OK, V{2, 1, 3, 4, 5}},  // a negative target means 0
          {0, 1, -1, S_OK, V{5, 1, 2, 3, 4}},            // count 5 - max(0, 1) = 4
          {-1, 0, 1, E_INVALIDARG, V{1, 2, 3, 4, 5}}, {3, 0, 3, E_FAIL, V{1, 2, 3, 4, 5}},
          {0, 3, 3, E_FAIL, V{1, 2, 3, 4, 5}}, {0, 1, 0, S_OK, V{1, 2, 3, 4, 5}}}) {
        OwnedList values(0);
        AppendValues(values, {1, 2, 3, 4, 5});
        EXPECT_EQ(QmList_MoveRange(values, from, to, count), result) << from << "->" << to;
        EXPECT_EQ(Values(values), expected) << from << "->" << to << " x" << count;
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
        {0, 17, 16, 0, 32, 16, kWord, false, false},          {0, 3, 2, 0, 4, 4, kWord, false, false},
        {0, 5, 100000, 0, 66560, 66560, kWord, false, false}, {0, 100, 0, 0, 112, 16, kWord, false, false},
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
            ASSERT_EQ(QmList_AllocItem(list, 8, &block), E_FAIL);  // one at a time
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
// a sort without a callback only stores its criteria; inline records move whole; SortTo merges. The
// linear finds ride along on the sorted lists.
TEST(ListSort, EqualPairsCriteriaWholeRecordsAndSortTo) {
    OwnedList pair(QMLIST_OPT_INLINEITEMS, sizeof(Record));
    const Record xy[] = {{5, 'X', 0}, {5, 'Y', 0}};
    ASSERT_EQ(QmList_InsertList(pair, 0, xy, 2), S_OK);
    EXPECT_EQ(QmList_Sort(pair, 0, CompareRecords), S_OK);
    EXPECT_EQ(QmList_InlineAt<Record>(pair, 0)->tag, 'Y');
    // A linear find compares an inline item whole and hands a callback the address of its slot.
    EXPECT_EQ(QmList_FindSpecificItemRange(pair, 0, -1, &xy[0]), 1);
    EXPECT_EQ(QmList_FindItemRange(pair, 0, -1, QmList_InlineAt<Record>(pair, 1), MatchEqual), 1);

    OwnedList unsorted(0);
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

    OwnedList source(0), dest(0);
    AppendValues(source, {8, 2, 6, 4});
    AppendValues(dest, {1, 5});
    EXPECT_EQ(QmList_SortTo(dest, source, 11, CompareValues), S_OK);
    EXPECT_EQ(Values(dest), (V{1, 2, 4, 5, 6, 8}));
    EXPECT_EQ(Values(source), (V{8, 2, 6, 4}));
    // Linear finds look only inside their range; a negative start is 0.
    EXPECT_EQ(QmList_FindItemRange(source, 1, -1, Key(8), MatchEqual), -1);
    EXPECT_EQ(QmList_FindSpecificItemRange(source, -3, 1, Key(8)), 0);
    EXPECT_EQ(QmList_FindSpecificItemRange(source, 1, 2, Key(4)), -1);
    EXPECT_EQ(QmList_GetSortCriteria(dest), 11);
    EXPECT_EQ(QmList_SortTo(dest, dest, 0, CompareValues), E_FAIL);
    // A heap-item destination would own the source's blocks; a different slot size cannot take them.
    OwnedList heapDest(QMLIST_OPT_HEAPITEMS);
    EXPECT_EQ(QmList_SortTo(heapDest, source, 0, CompareValues), E_FAIL);
    EXPECT_EQ(QmList_SortTo(records, source, 0, CompareValues), E_FAIL);
}

namespace {

struct CallbackProbe {
    explicit CallbackProbe(tQMLIST* l) : list(l) {}
    tQMLIST* list;
    qm::platform::ManualResetEvent entered;
    std::atomic<bool> otherStarted{false};
    LONG countSeenAfterWait = -1;
    BOOL reentered = FALSE;
};
CallbackProbe* g_probe = nullptr;

// Runs under the list's lock: re-enters the list, lets the other thread try to insert, and checks
// that its insertion is held off while the callback runs.
int QMAPI HoldLockMatch(const void*, void*) {
    CallbackProbe& probe = *g_probe;
    probe.reentered = QmList_IsValidIndexSlow(probe.list, 0) && QmList_SetUserData(probe.list, 1) == 0;
    probe.entered.Set();
    while (!probe.otherStarted.load()) qm::platform::SleepMs(1);
    qm::platform::SleepMs(30);
    probe.countSeenAfterWait = probe.list->nCount;
    return 0;
}

}  // namespace

// Deterministic and short, so that it also runs under ThreadSanitizer.
TEST(ListThreadSafe, LockIsHeldAcrossCallbackAndReentrant) {
    OwnedList list(QMLIST_OPT_THREADSAFE | QMLIST_OPT_HEAPITEMS);
    ASSERT_EQ(AddText(list, "seed"), S_OK);
    CallbackProbe probe(list);
    g_probe = &probe;
    std::thread other([&] {
        ASSERT_TRUE(probe.entered.Wait(10000));
        probe.otherStarted.store(true);
        EXPECT_EQ(AddText(list, "late"), S_OK);
    });
    EXPECT_EQ(QmList_FindItemRange(list, 0, -1, nullptr, HoldLockMatch), 0);
    other.join();
    g_probe = nullptr;
    EXPECT_TRUE(probe.reentered);
    EXPECT_EQ(probe.countSeenAfterWait, 1);  // the other thread's insertion waited for the lock
    EXPECT_EQ(list->nCount, 2);
}
