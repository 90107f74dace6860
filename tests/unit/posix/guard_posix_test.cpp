// Linux side of the guarded calls: abort() in a plug-in, the signal mask after a fault, the
// alternate signal stack, and handing signals on to the previous handler when no guard is active.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <thread>

namespace qm::platform {
namespace guard_test {
void RaiseSoftwareException() { raise(SIGABRT); }
uint32_t SoftwareExceptionCode() { return kExceptionAbort; }
}  // namespace guard_test

namespace {

void WriteBadAddress(void*) {
    volatile uintptr_t address = 0x40;
    __asm__ __volatile__("movl $1, (%0)" : : "r"(address) : "memory");
}

void DoNothing(void*) {}

TEST(GuardPosix, TheFaultingSignalIsUnblockedAfterTheFault) {
    for (void (*fault)(void*) : {WriteBadAddress, +[](void*) { raise(SIGABRT); }}) {
        ASSERT_TRUE(GuardedCall(fault, nullptr).faulted);
        sigset_t blocked;
        ASSERT_EQ(sigprocmask(SIG_BLOCK, nullptr, &blocked), 0);
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT})
            EXPECT_FALSE(sigismember(&blocked, signal)) << "signal " << signal;
    }
}

TEST(GuardPosix, AbortInTheRoutineIsARaisedException) {
    const GuardOutcome outcome = GuardedCall([](void*) { abort(); }, nullptr);
    EXPECT_TRUE(outcome.faulted);
    EXPECT_EQ(outcome.code, kExceptionAbort);
    EXPECT_EQ(outcome.kind, FaultKind::RaisedException);
}

TEST(GuardPosix, AThreadGetsAnAlternateSignalStackOfAtLeast64KiB) {
    stack_t before{}, after{};
    std::thread worker([&] {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);  // whatever a sanitizer runtime set up for the thread
        sigaltstack(nullptr, &before);
        GuardedCall(DoNothing, nullptr);
        sigaltstack(nullptr, &after);
    });
    worker.join();
    EXPECT_TRUE(before.ss_flags & SS_DISABLE);
    EXPECT_FALSE(after.ss_flags & SS_DISABLE);
    EXPECT_GE(after.ss_size, 64u * 1024u);
}

TEST(GuardPosix, AnAlternateStackTheThreadAlreadyHasIsKept) {
    static char ownStack[128 * 1024];
    stack_t after{};
    std::thread worker([&] {
        stack_t own{};
        own.ss_sp = ownStack;
        own.ss_size = sizeof(ownStack);
        ASSERT_EQ(sigaltstack(&own, nullptr), 0);
        EXPECT_TRUE(GuardedCall(WriteBadAddress, nullptr).faulted);
        sigaltstack(nullptr, &after);
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    });
    worker.join();
    EXPECT_EQ(after.ss_sp, static_cast<void*>(ownStack));
}

// Without a guard on the faulting thread the signal goes where it went before we were installed.
TEST(GuardPosixDeathTest, AFaultOutsideAnyGuardReachesThePreviousHandler) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct sigaction previous {};
            previous.sa_handler = [](int) { _exit(42); };
            sigemptyset(&previous.sa_mask);
            sigaction(SIGSEGV, &previous, nullptr);
            GuardedCall(DoNothing, nullptr);  // installs the guard's handlers over it
            WriteBadAddress(nullptr);
        },
        ::testing::ExitedWithCode(42), "");
}

TEST(GuardPosixDeathTest, AFaultOutsideAnyGuardKeepsTheDefaultAction) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            signal(SIGSEGV, SIG_DFL);
            GuardedCall(DoNothing, nullptr);
            WriteBadAddress(nullptr);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
}  // namespace qm::platform
