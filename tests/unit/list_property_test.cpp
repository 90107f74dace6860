// Generic list: random operation sequences checked against a std::vector model, with the header's
// invariants (count within capacity, capacity in whole increments, zeroed spare slots) after each step.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

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

TEST(ListProperty, ValueListMatchesVectorModel) {
    std::mt19937 rng(20240601);
    for (int run = 0; run < 20; ++run) {
        OwnedList list(0, Pick(rng, -1, 9), Pick(rng, 0, 6), 0);
        ASSERT_NE(list.list, nullptr);
        std::vector<intptr_t> model;
        intptr_t next = 1;
        for (int step = 0; step < 300; ++step) {
            const int n = static_cast<int>(model.size());
            switch (Pick(rng, 0, 5)) {
                case 0: {  // insert a few, sometimes past the end
                    const int k = Pick(rng, 1, 6);
                    std::vector<intptr_t> items;
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
                    if (wanted < 1) {
                        ASSERT_EQ(hr, S_OK);
                    } else if (index >= n) {
                        ASSERT_EQ(hr, E_FAIL);
                    } else {
                        ASSERT_EQ(hr, S_OK);
                        model.erase(model.begin() + index, model.begin() + std::min(n, index + wanted));
                    }
                    break;
                }
                case 2: {  // move a run
                    if (n == 0) break;
                    const int count = Pick(rng, 1, n);
                    const int from = Pick(rng, 0, n - count), to = Pick(rng, 0, n - count);
                    ASSERT_EQ(QmList_MoveRange(list, from, to, count), S_OK);
                    std::vector<intptr_t> moved(model.begin() + from, model.begin() + from + count);
                    model.erase(model.begin() + from, model.begin() + from + count);
                    model.insert(model.begin() + to, moved.begin(), moved.end());
                    break;
                }
                case 3: {  // find something present or absent
                    const intptr_t wanted = n && Pick(rng, 0, 1) ? model[static_cast<size_t>(Pick(rng, 0, n - 1))] : -5;
                    const auto it = std::find(model.begin(), model.end(), wanted);
                    const int expected = it == model.end() ? -1 : static_cast<int>(it - model.begin());
                    ASSERT_EQ(QmList_FindSpecificItemRange(list, 0, -1, reinterpret_cast<const void*>(wanted)), expected);
                    break;
                }
                case 4:
                    ASSERT_EQ(Pick(rng, 0, 1) ? QmList_HeapSort(list, 0, CompareValues) : QmList_Sort(list, 0, CompareValues),
                              S_OK);
                    std::sort(model.begin(), model.end());
                    break;
                default:
                    ASSERT_EQ(QmList_ShrinkAllocated(list, Pick(rng, -1, 8)), S_OK);
                    break;
            }
            ASSERT_EQ(Values(list), model) << "run " << run << " step " << step;
            ASSERT_TRUE(Invariants(list)) << "run " << run << " step " << step;
        }
    }
}

TEST(ListProperty, HeapItemListMatchesVectorModel) {
    // Under the address sanitizer this also proves every block is freed exactly once.
    std::mt19937 rng(77);
    for (DWORD heap : {0u, QMLIST_OPT_PRIVATEHEAP}) {
        OwnedList list(0, 0, 4, QMLIST_OPT_HEAPITEMS | heap);
        std::vector<std::string> model;
        for (int step = 0; step < 400; ++step) {
            const int n = static_cast<int>(model.size());
            const int op = Pick(rng, 0, 3);
            if (op <= 1) {
                const std::string text(static_cast<size_t>(Pick(rng, 0, 300)), static_cast<char>('a' + step % 26));
                const int index = Pick(rng, -1, n + 1);
                int at = -2;
                ASSERT_EQ(QmList_AllocAndInsertItem(list, text.c_str(), static_cast<int>(text.size()) + 1, index, &at),
                          S_OK);
                ASSERT_EQ(at, (index < 0 || index >= n) ? n : index);
                model.insert(model.begin() + at, text);
            } else if (op == 2 && n > 0) {
                const int index = Pick(rng, 0, n - 1), count = Pick(rng, 1, 3);
                ASSERT_EQ(QmList_DeleteList(list, index, count, TRUE), S_OK);
                model.erase(model.begin() + index, model.begin() + std::min(n, index + count));
            } else if (n > 0) {
                const int index = Pick(rng, 0, n - 1);
                const size_t size = static_cast<size_t>(Pick(rng, 1, 600));
                ASSERT_EQ(QmList_ReAllocItem(list, index, static_cast<int>(size) + 1), S_OK);
                std::string& text = model[static_cast<size_t>(index)];
                text.resize(std::min(text.size(), size));
                QmList_ValueAt<char*>(list, index)[text.size()] = 0;
            }
            ASSERT_EQ(list->nCount, static_cast<LONG>(model.size()));
            for (size_t i = 0; i < model.size(); ++i)
                ASSERT_EQ(QmList_ValueAt<const char*>(list, static_cast<int>(i)), model[i]) << "step " << step;
            ASSERT_TRUE(Invariants(list));
        }
    }
}
