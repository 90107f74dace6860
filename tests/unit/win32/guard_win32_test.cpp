// Windows side of the guarded calls: RaiseException codes, faults the plug-in handles with its own
// frame (Wine's IsBadReadPtr), and the thread's exception chain left as it was found.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace qm::platform {
namespace guard_test {
constexpr DWORD kPlugInExceptionCode = 0xE0000042;
void RaiseSoftwareException() { RaiseException(kPlugInExceptionCode, 0, 0, nullptr); }
uint32_t SoftwareExceptionCode() { return kPlugInExceptionCode; }
}  // namespace guard_test

namespace {

void* ExceptionChainHead() {
    void* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head));
    return head;
}

TEST(GuardWin32, IsBadReadPtrOnABadPointerIsNotAFault) {
    BOOL bad = FALSE;
    const GuardOutcome outcome = Guarded([&] { bad = IsBadReadPtr(reinterpret_cast<void*>(0x10), 4); });
    EXPECT_FALSE(outcome.faulted);
    EXPECT_TRUE(bad);
}

TEST(GuardWin32, RaisedCodesArrivePlainWithParametersAndNoncontinuable) {
    const ULONG_PTR arguments[3] = {1, 2, 3};
    const GuardOutcome withArguments =
        Guarded([&] { RaiseException(0xE0001234, EXCEPTION_NONCONTINUABLE, 3, arguments); });
    EXPECT_EQ(withArguments.code, 0xE0001234u);
    EXPECT_EQ(withArguments.kind, FaultKind::RaisedException);
    // What an MSVC-built plug-in's escaping throw looks like to us.
    const GuardOutcome msvcThrow = Guarded([] { RaiseException(0xE06D7363, EXCEPTION_NONCONTINUABLE, 0, nullptr); });
    EXPECT_EQ(msvcThrow.kind, FaultKind::CppException);
}

TEST(GuardWin32, TheExceptionChainIsLeftAsFound) {
    void* const head = ExceptionChainHead();
    GuardedCall([](void*) {}, nullptr);
    EXPECT_EQ(ExceptionChainHead(), head);
    GuardedCall(
        [](void*) {
            volatile uintptr_t bad = 0x10;
            *reinterpret_cast<volatile int*>(bad) = 1;
        },
        nullptr);
    EXPECT_EQ(ExceptionChainHead(), head);
    Guarded([] { throw 42; });
    EXPECT_EQ(ExceptionChainHead(), head);
    Guarded([] { GuardedCall([](void*) { RaiseException(0xE0000001, 0, 0, nullptr); }, nullptr); });
    EXPECT_EQ(ExceptionChainHead(), head);
}

}  // namespace
}  // namespace qm::platform
