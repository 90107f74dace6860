// Locks, events and threads of the platform layer.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/sync.h"
#include "platform/thread.h"

using namespace qm::platform;

TEST(PlatformSync, RecursiveLockIsReentrantExcludesOtherThreadsAndLosesNoUpdate) {
    struct Shared {
        RecursiveLock lock;
        long counter = 0;
        std::atomic<int> otherEntered{-1};
    } shared;
    shared.lock.Enter();
    EXPECT_TRUE(shared.lock.TryEnter());  // same thread again
    Thread probe;
    ASSERT_TRUE(probe.Start(
        [](void* c) -> uint32_t {
            auto* s = static_cast<Shared*>(c);
            const bool entered = s->lock.TryEnter();
            if (entered) s->lock.Leave();
            s->otherEntered = entered ? 1 : 0;
            return 0;
        },
        &shared));
    ASSERT_TRUE(probe.Join(10000));
    EXPECT_EQ(shared.otherEntered.load(), 0);
    shared.lock.Leave();
    shared.lock.Leave();

    auto routine = [](void* c) -> uint32_t {
        auto* s = static_cast<Shared*>(c);
        for (int i = 0; i < 20000; ++i) {
            LockScope scope(s->lock);
            LockScope nested(s->lock);
            ++s->counter;
        }
        return 7;
    };
    Thread a, b;
    ASSERT_TRUE(a.Start(routine, &shared));
    ASSERT_TRUE(b.Start(routine, &shared));
    uint32_t codeA = 0, codeB = 0;
    ASSERT_TRUE(a.Join(ManualResetEvent::kInfinite, &codeA));
    ASSERT_TRUE(b.Join(ManualResetEvent::kInfinite, &codeB));
    EXPECT_EQ(shared.counter, 40000);
    EXPECT_EQ(codeA + codeB, 14u);
}

TEST(PlatformSync, ManualResetEventWakesAWaiterAndStaysSignalledUntilReset) {
    ManualResetEvent event, initially(true);
    EXPECT_FALSE(event.Wait(0));
    EXPECT_TRUE(initially.IsSet());

    Thread waiter;
    ASSERT_TRUE(waiter.Start(
        [](void* c) -> uint32_t { return static_cast<ManualResetEvent*>(c)->Wait(ManualResetEvent::kInfinite) ? 3 : 0; },
        &event));
    EXPECT_FALSE(waiter.Join(20));  // still waiting
    EXPECT_TRUE(waiter.Running());
    EXPECT_FALSE(waiter.Start([](void*) -> uint32_t { return 0; }, nullptr));  // one routine per thread
    event.Set();
    uint32_t code = 0;
    EXPECT_TRUE(waiter.Join(10000, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_FALSE(waiter.Running());
    EXPECT_TRUE(event.Wait(ManualResetEvent::kInfinite));  // still set: manual reset
    event.Reset();
    EXPECT_FALSE(event.IsSet());
}
