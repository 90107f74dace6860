// Generic list: a thread-safe list holds its re-entrant lock across a callback, so another thread's
// insertion waits. Deterministic and short, so that it also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
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
