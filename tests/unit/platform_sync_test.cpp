#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"
#include "platform/sync.h"
#include "platform/thread.h"

using namespace qm::platform;

TEST(PlatformSync, RecursiveLockIsReentrantButExcludesOtherThreads) {
    RecursiveLock lock;
    lock.Enter();
    EXPECT_TRUE(lock.TryEnter());  // same thread again
    struct Probe {
        RecursiveLock* lock;
        std::atomic<int> got{-1};
    } probe{&lock};
    Thread other;
    ASSERT_TRUE(other.Start(
        [](void* c) -> uint32_t {
            auto* p = static_cast<Probe*>(c);
            const bool entered = p->lock->TryEnter();
            if (entered) p->lock->Leave();
            p->got = entered ? 1 : 0;
            return 0;
        },
        &probe));
    ASSERT_TRUE(other.Join(10000));
    EXPECT_EQ(probe.got.load(), 0);
    lock.Leave();
    lock.Leave();
}

TEST(PlatformSync, CounterUnderContentionLosesNothing) {
    struct Shared {
        RecursiveLock lock;
        long counter = 0;
    } shared;
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
    EXPECT_EQ(codeA, 7u);
    EXPECT_EQ(codeB, 7u);
}

TEST(PlatformSync, ManualResetEventStaysSignalledUntilReset) {
    ManualResetEvent event;
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0));
    const uint32_t before = MillisecondClock();
    EXPECT_FALSE(event.Wait(50));
    EXPECT_GE(static_cast<uint32_t>(MillisecondClock() - before), 40u);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(ManualResetEvent::kInfinite));  // still set: manual reset
    event.Reset();
    EXPECT_FALSE(event.IsSet());
    ManualResetEvent initially(true);
    EXPECT_TRUE(initially.IsSet());
}

TEST(PlatformSync, EventWakesAWaitingThread) {
    struct Pair {
        ManualResetEvent go;
        ManualResetEvent done;
    } pair;
    Thread waiter;
    ASSERT_TRUE(waiter.Start(
        [](void* c) -> uint32_t {
            auto* p = static_cast<Pair*>(c);
            const bool woke = p->go.Wait(ManualResetEvent::kInfinite);
            p->done.Set();
            return woke ? 1 : 0;
        },
        &pair));
    EXPECT_FALSE(pair.done.Wait(20));
    pair.go.Set();
    EXPECT_TRUE(pair.done.Wait(10000));
    uint32_t code = 0;
    EXPECT_TRUE(waiter.Join(10000, &code));
    EXPECT_EQ(code, 1u);
    EXPECT_FALSE(waiter.Running());
}

TEST(PlatformThread, JoinTimesOutWhileTheRoutineRuns) {
    ManualResetEvent release;
    Thread worker;
    ASSERT_TRUE(worker.Start(
        [](void* c) -> uint32_t {
            static_cast<ManualResetEvent*>(c)->Wait(ManualResetEvent::kInfinite);
            return 3;
        },
        &release));
    EXPECT_FALSE(worker.Join(10));
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start([](void*) -> uint32_t { return 0; }, nullptr));  // one routine per thread
    release.Set();
    uint32_t code = 0;
    EXPECT_TRUE(worker.Join(10000, &code));
    EXPECT_EQ(code, 3u);
}
