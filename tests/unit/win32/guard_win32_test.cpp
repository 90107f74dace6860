// Windows side of the guarded calls: RaiseException codes, faults the plug-in handles with its own
// frame (Wine's IsBadReadPtr), the thread's exception chain left as it was found and cleanups unwound.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <signal.h>

#include <atomic>

namespace qm::platform {
namespace {

// The frame handler chain of 32-bit Windows (fs:[0]); unused, and left alone, on x86_64.
// GCC 12 takes mingw's segment read in NtCurrentTeb for an access to a zero-length array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
void* ExceptionChainHead() { return reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList; }
#pragma GCC diagnostic pop

__attribute__((noinline)) void WriteToNull(void* = nullptr) {
    volatile uintptr_t bad = 0x10;
    *reinterpret_cast<volatile int*>(bad) = 1;
}

// A fault the plug-in's own frame handles (Wine's IsBadReadPtr) is none. GCC code's catch (...) does not
// take structured exceptions (unlike MSVC's /EHa): the fault passes the routine's own catch frame and
// reaches the guard with its code, on both architectures.
TEST(GuardWin32, FaultsTheRoutinesFramesHandleOrLetThroughAndRaisedCodesArrivePlain) {
    BOOL bad = FALSE;
    EXPECT_FALSE(Guarded([&] { bad = IsBadReadPtr(reinterpret_cast<void*>(0x10), 4); }).faulted);
    EXPECT_TRUE(bad);
    bool caught = false;
    const GuardOutcome outcome = Guarded([&] {
        try {
            WriteToNull();
        } catch (...) {
            caught = true;
        }
    });
    EXPECT_EQ(outcome.code, kExceptionAccessViolation);
    EXPECT_FALSE(caught);

    // Raised codes arrive plain, with parameters and noncontinuable.
    const ULONG_PTR arguments[3] = {1, 2, 3};
    const GuardOutcome withArguments =
        Guarded([&] { RaiseException(0xE0001234, EXCEPTION_NONCONTINUABLE, 3, arguments); });
    EXPECT_EQ(withArguments.code, 0xE0001234u);
    EXPECT_EQ(withArguments.kind, FaultKind::RaisedException);
    // What an MSVC-built plug-in's escaping throw looks like to us.
    const GuardOutcome msvcThrow = Guarded([] { RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr); });
    EXPECT_EQ(msvcThrow.kind, FaultKind::CppException);
}

// raise(SIGABRT) never reaches a frame handler: it goes through the C runtime's signal table, which the
// guard owns only while a call runs. The host's own handler is back afterwards.
TEST(GuardWin32, AnAbortSignalInsideIsReportedAndTheHostsHandlerReturns) {
    static std::atomic<int> hostHandlerCalls{0};
    auto hostHandler = [](int) { ++hostHandlerCalls; };
    const auto before = signal(SIGABRT, hostHandler);
    for (int i = 0; i < 3; ++i) {
        const GuardOutcome outcome = Guarded([] { raise(SIGABRT); });
        EXPECT_TRUE(outcome.faulted);
        EXPECT_EQ(outcome.code, kExceptionAbort);
    }
    EXPECT_EQ(hostHandlerCalls.load(), 0);
    raise(SIGABRT);
    EXPECT_EQ(hostHandlerCalls.load(), 1);
    signal(SIGABRT, before);
}

// After a clean call, a fault, a C++ throw and a raise inside a nested guard.
TEST(GuardWin32, TheExceptionChainIsLeftAsFound) {
    void* const head = ExceptionChainHead();
    for (void (*call)() : {+[] { GuardedCall([](void*) {}, nullptr); }, +[] { GuardedCall(WriteToNull, nullptr); },
                           +[] { Guarded([] { throw 42; }); },
                           +[] { Guarded([] { GuardedCall([](void*) { RaiseException(0xE0000001, 0, 0, nullptr); }, nullptr); }); }}) {
        call();
        EXPECT_EQ(ExceptionChainHead(), head);
    }
}

}  // namespace
}  // namespace qm::platform
