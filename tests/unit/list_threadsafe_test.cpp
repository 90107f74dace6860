// Generic list: thread-safe lists under two threads. Deterministic and short, so that it also runs
// under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "list_test_helpers.h"
#include "platform/sync.h"
#include "platform/thread.h"

using namespace listtest;

namespace {

constexpr DWORD kThreadSafeHeap = QMLIST_OPT_ALWAYS | QMLIST_OPT_THREADSAFE | QMLIST_OPT_HEAPITEMS;

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
    probe.reentered = QmList_IsValidIndexSlow(probe.list, 0) && QmList_AllocSize(probe.list, 0) >= 4 &&
                      QmList_SetUserData(probe.list, 1) == 0;
    probe.entered.Set();
    while (!probe.otherStarted.load()) qm::platform::SleepMs(1);
    qm::platform::SleepMs(30);
    probe.countSeenAfterWait = probe.list->nCount;
    return 0;
}

}  // namespace

TEST(ListThreadSafe, LockIsHeldAcrossCallbackAndReentrant) {
    OwnedList list(kThreadSafeHeap);
    ASSERT_EQ(QmList_AllocAndInsertItem(list, "seed", 5, -1, nullptr), S_OK);
    CallbackProbe probe(list);
    g_probe = &probe;

    std::thread other([&] {
        ASSERT_TRUE(probe.entered.Wait(10000));
        probe.otherStarted.store(true);
        EXPECT_EQ(QmList_AllocAndInsertItem(list, "late", 5, -1, nullptr), S_OK);
    });
    EXPECT_EQ(QmList_FindItemRange(list, 0, -1, nullptr, HoldLockMatch), 0);
    other.join();
    g_probe = nullptr;

    EXPECT_TRUE(probe.reentered);
    EXPECT_EQ(probe.countSeenAfterWait, 1);  // the other thread's insertion waited for the lock
    EXPECT_EQ(list->nCount, 2);
    EXPECT_EQ(QmList_GetUserData(list), 1);
}

TEST(ListThreadSafe, UserDataExchangeIsAtomicOnEveryList) {
    OwnedList list(0);  // not thread-safe: the exchange is atomic all the same
    constexpr int kValues = 4000;
    std::vector<LONG_PTR> seenA, seenB;
    auto worker = [&](LONG_PTR base, std::vector<LONG_PTR>* seen) {
        for (LONG_PTR v = 1; v <= kValues; ++v) seen->push_back(QmList_SetUserData(list, base + v));
    };
    std::thread a(worker, 0, &seenA);
    std::thread b(worker, 100000, &seenB);
    a.join();
    b.join();
    // Every value set is handed back exactly once: by a later exchange or as the final value.
    std::multiset<LONG_PTR> returned(seenA.begin(), seenA.end());
    returned.insert(seenB.begin(), seenB.end());
    returned.insert(QmList_GetUserData(list));
    std::multiset<LONG_PTR> expected{0};
    for (LONG_PTR v = 1; v <= kValues; ++v) {
        expected.insert(v);
        expected.insert(100000 + v);
    }
    EXPECT_EQ(returned, expected);
}
