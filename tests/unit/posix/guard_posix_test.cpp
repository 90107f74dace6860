// Linux side of the guarded calls: abort() in a plug-in, the signal mask after a fault, the
// alternate signal stack, and handing signals on to the previous handler when no guard is active.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <thread>

namespace qm::platform {
namespace {

void WriteBadAddress(void*) {
    volatile uintptr_t address = 0x40;
    __asm__ __volatile__("movl $1, (%0)" : : "r"(address) : "memory");
}

void DoNothing(void*) {}

// abort() is a raised exception like raise(SIGABRT); after any fault its signal is unblocked again.
TEST(GuardPosix, TheFaultingSignalIsUnblockedAfterTheFaultAndAlternateStacksAreProvided) {
    for (void (*fault)(void*) : {WriteBadAddress, +[](void*) { raise(SIGABRT); }, +[](void*) { abort(); }}) {
        const GuardOutcome outcome = GuardedCall(fault, nullptr);
        EXPECT_EQ(outcome.kind, fault == WriteBadAddress ? FaultKind::AccessViolation : FaultKind::RaisedException);
        sigset_t blocked;
        ASSERT_EQ(sigprocmask(SIG_BLOCK, nullptr, &blocked), 0);
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT})
            EXPECT_FALSE(sigismember(&blocked, signal)) << "signal " << signal;
    }

    // A thread without an alternate signal stack gets one of at least 64 KiB; one it already has is kept.
    static char ownStack[128 * 1024];
    stack_t before{}, after{}, kept{};
    std::thread([&] {
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);  // whatever a sanitizer runtime set up for the thread
        sigaltstack(nullptr, &before);
        GuardedCall(DoNothing, nullptr);
        sigaltstack(nullptr, &after);
    }).join();
    EXPECT_TRUE(before.ss_flags & SS_DISABLE);
    EXPECT_FALSE(after.ss_flags & SS_DISABLE);
    EXPECT_GE(after.ss_size, 64u * 1024u);
    std::thread([&] {
        stack_t own{};
        own.ss_sp = ownStack;
        own.ss_size = sizeof(ownStack);
        ASSERT_EQ(sigaltstack(&own, nullptr), 0);
        EXPECT_TRUE(GuardedCall(WriteBadAddress, nullptr).faulted);
        sigaltstack(nullptr, &kept);
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
    }).join();
    EXPECT_EQ(kept.ss_sp, static_cast<void*>(ownStack));
}

// Without a guard on the faulting thread the signal goes where it went before we were installed: to the
// previous handler, or to the default action.
TEST(GuardPosixDeathTest, AFaultOutsideAnyGuardReachesThePreviousHandlerOrTheDefaultAction) {
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
