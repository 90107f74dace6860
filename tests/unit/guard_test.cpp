// Guarded calls: faults of the kinds the plug-in matrix leaves out, a thousand times in a row on two
// threads at once, with the caller's FPU state compared before and after each call; nesting, clean
// calls and the fault classification.
#include "platform/guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace qm::platform {
namespace {

volatile uint32_t gSink;

// Hides a value from the optimiser so that no fault below is folded away or proven impossible.
template <class T>
T Opaque(T value) {
    __asm__ __volatile__("" : "+m"(value));
    return value;
}

void UnmaskX87(uint16_t bits) {
    uint16_t control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    control = static_cast<uint16_t>(control & ~bits);
    __asm__ __volatile__("fldcw %0" : : "m"(control));
}

void UnmaskSse(uint32_t bits) {
    uint32_t mxcsr;
    __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
    mxcsr &= ~bits;
    __asm__ __volatile__("ldmxcsr %0" : : "m"(mxcsr));
}

// The fault routines use inline assembly: plug-ins are not built with our sanitizers, and a
// sanitizer check must not report the fault before the CPU does.
__attribute__((noinline)) void ReadBadAddress(void*) {
    uintptr_t address = Opaque<uintptr_t>(0x10);
    uint32_t value;
    __asm__ __volatile__("movl (%1), %0" : "=r"(value) : "r"(address) : "memory");
    gSink = value;
}

const char kReadOnly[] = "read-only";

__attribute__((noinline)) void WriteReadOnlyMemory(void*) {
    uintptr_t address = Opaque(reinterpret_cast<uintptr_t>(kReadOnly));
    __asm__ __volatile__("movl $1, (%0)" : : "r"(address) : "memory");
}

// x87: the unmasked exception is flagged by the division (or by the store for overflow, since the
// register format does not overflow) and raised at the next waiting instruction. 1/0 divides by
// zero, 0/0 is invalid, DBL_MAX/DBL_MIN overflows a double.
template <uint16_t kUnmasked>
__attribute__((noinline)) void X87Divide(void*) {
    UnmaskX87(kUnmasked);
    double dividend = Opaque(kUnmasked == 0x04 ? 1.0 : kUnmasked == 0x01 ? 0.0 : DBL_MAX);
    double divisor = Opaque(kUnmasked == 0x08 ? DBL_MIN : 0.0), result;
    __asm__ __volatile__("fldl %1\n\tfdivl %2\n\tfstpl %0\n\tfwait" : "=m"(result) : "m"(dividend), "m"(divisor));
    gSink = static_cast<uint32_t>(result);
}

__attribute__((noinline)) void SseDivideByZero(void*) {
    UnmaskSse(0x0200);
    double result = Opaque(1.0), zero = Opaque(0.0);
    __asm__ __volatile__("divsd %1, %0" : "+x"(result) : "x"(zero));
    gSink = static_cast<uint32_t>(result);
}

__attribute__((noinline)) void ExecuteIllegalInstruction(void*) { __asm__ __volatile__("ud2"); }

__attribute__((noinline)) uint32_t Recurse(uint32_t depth) {
    volatile char frame[256];
    frame[depth & 255] = static_cast<char>(depth);
    if (Opaque(depth) == UINT32_MAX) return 0;
    return Recurse(depth + 1) + static_cast<uint32_t>(frame[(depth + 1) & 255]);
}

__attribute__((noinline)) void OverflowStack(void*) { gSink = Recurse(0); }

__attribute__((noinline)) void ThrowCppException(void*) { throw std::runtime_error("plug-in error"); }

void DoNothing(void*) {}

struct FaultCase {
    const char* name;
    GuardedRoutine routine;
    FaultKind kind;
    uint32_t code;
    // 32-bit Windows reports every SSE trap as STATUS_FLOAT_MULTIPLE_TRAPS.
    uint32_t alternativeCode;
};

// The kinds the plug-in fault matrix does not raise (reads, read-only pages, the x87 unit), and one SSE
// trap, each against a caller FPU state unlike the defaults.
std::vector<FaultCase> FaultCases() {
    return {
        {"ReadBadAddress", ReadBadAddress, FaultKind::AccessViolation, kExceptionAccessViolation, 0},
        {"WriteReadOnlyMemory", WriteReadOnlyMemory, FaultKind::AccessViolation, kExceptionAccessViolation, 0},
        {"X87DivideByZero", X87Divide<0x04>, FaultKind::FloatDivideByZero, kExceptionFloatDivideByZero, 0},
        {"X87Invalid", X87Divide<0x01>, FaultKind::FloatInvalid, kExceptionFloatInvalidOperation, 0},
        {"X87Overflow", X87Divide<0x08>, FaultKind::FloatOverflow, kExceptionFloatOverflow, 0},
        {"SseDivideByZero", SseDivideByZero, FaultKind::FloatDivideByZero, kExceptionFloatDivideByZero,
         kExceptionFloatMultipleTraps},
        {"StackOverflow", OverflowStack, FaultKind::StackOverflow, kExceptionStackOverflow, 0},
    };
}

// A caller state unlike any default: round down, 53-bit x87 precision; round up and flush-to-zero for SSE.
constexpr FloatingPointState kCallerState{0x0A7F, 0x1F80 | 0x4000 | 0x8000};

struct X87Environment {
    uint16_t status, tag;
};

X87Environment ReadX87Environment() {
    uint32_t env[7] = {};  // FNSTENV masks every exception as a side effect: load it straight back.
    __asm__ __volatile__("fnstenv %0\n\tfldenv %0" : "+m"(env) : : "memory");
    return {static_cast<uint16_t>(env[1]), static_cast<uint16_t>(env[2])};
}

// Empty string when the outcome and the FPU are as expected, else what differs.
std::string CheckFault(const FaultCase& c, const GuardOutcome& outcome) {
    std::string problems;
    const bool codeMatches = outcome.code == c.code || (c.alternativeCode != 0 && outcome.code == c.alternativeCode);
    if (!outcome.faulted) problems += " not faulted;";
    if (!codeMatches) problems += " code " + std::to_string(outcome.code) + ";";
    if (outcome.kind != FaultKindOf(outcome.code) || (outcome.code == c.code && outcome.kind != c.kind))
        problems += std::string(" kind ") + FaultKindName(outcome.kind) + ";";
    const FloatingPointState now = SaveFloatingPointState();
    if (now.x87Control != kCallerState.x87Control) problems += " x87 control " + std::to_string(now.x87Control) + ";";
    if (now.mxcsr != kCallerState.mxcsr) problems += " mxcsr " + std::to_string(now.mxcsr) + ";";
    const X87Environment env = ReadX87Environment();
    if ((env.status & 0x3F) != 0) problems += " x87 flags left;";
    if (env.tag != 0xFFFF) problems += " x87 stack not empty;";
    return problems;
}

class GuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = SaveFloatingPointState();
        RestoreFloatingPointState(kCallerState);
    }
    void TearDown() override { RestoreFloatingPointState(original_); }

private:
    FloatingPointState original_;
};

class GuardedFaultTest : public GuardTest, public ::testing::WithParamInterface<FaultCase> {};

// Under AddressSanitizer every jump out of a signal handler unpoisons the whole thread stack and
// each overflow takes tens of milliseconds: a hundred overflows prove the same there.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kStackOverflowRepeats = 100;
#else
constexpr int kStackOverflowRepeats = 1000;
#endif

int RepeatsFor(const FaultCase& c) { return c.kind == FaultKind::StackOverflow ? kStackOverflowRepeats : 1000; }

// Two threads fault at the same time, each a thousand times in a row with a clean call after every
// fault: each report is right and the caller's FPU state is back every time.
TEST_P(GuardedFaultTest, IsReportedEveryTimeOnTwoThreadsAtOnceWithTheCallerFpuStateBack) {
    const FaultCase& c = GetParam();
    std::atomic<int> ready{0};
    std::atomic<int> failures{0};
    std::string firstProblem[2];
    auto worker = [&](int index) {
        RestoreFloatingPointState(kCallerState);
        ready.fetch_add(1);
        while (ready.load() < 2) std::this_thread::yield();
        for (int i = 0; i < RepeatsFor(c); ++i) {
            const GuardOutcome outcome = GuardedCall(c.routine, nullptr);
            std::string problems = CheckFault(c, outcome);
            const GuardOutcome clean = GuardedCall(DoNothing, nullptr);
            if (clean.faulted || clean.kind != FaultKind::None) problems += " clean call faulted;";
            if (problems.empty()) continue;
            if (firstProblem[index].empty())
                firstProblem[index] = "iteration " + std::to_string(i) + ", code " + std::to_string(outcome.code) + ":" + problems;
            failures.fetch_add(1);
        }
    };
    std::thread first(worker, 0), second(worker, 1);
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0) << firstProblem[0] << " / " << firstProblem[1];
}

INSTANTIATE_TEST_SUITE_P(EveryKind, GuardedFaultTest, ::testing::ValuesIn(FaultCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& param) { return std::string(param.param.name); });

// Inner guards report their own faults; an exception the routine catches itself is no fault. A clean
// call gives the plug-in the target's defaults and the caller its own state back.
TEST_F(GuardTest, NestedGuardsReportTheirOwnFaultsAndACleanCallRestoresTheCallersFpu) {
    std::vector<FaultKind> inner;
    int caught = 0;
    const GuardOutcome outer = Guarded([&] {
        for (GuardedRoutine routine : {ReadBadAddress, DoNothing, X87Divide<0x04>, OverflowStack, ThrowCppException})
            inner.push_back(GuardedCall(routine, nullptr).kind);
        try {
            ThrowCppException(nullptr);
        } catch (const std::runtime_error&) {
            ++caught;
        }
        // The inner guards are gone: this one is the outer guard's.
        ExecuteIllegalInstruction(nullptr);
    });
    EXPECT_EQ(caught, 1);
    EXPECT_EQ(inner, (std::vector<FaultKind>{FaultKind::AccessViolation, FaultKind::None, FaultKind::FloatDivideByZero,
                                             FaultKind::StackOverflow, FaultKind::CppException}));
    EXPECT_EQ(CheckFault({"outer", nullptr, FaultKind::IllegalInstruction, kExceptionIllegalInstruction, 0}, outer), "");

    // The reset gives the target's defaults whatever the plug-in unmasked; after the call the caller's
    // control words are back and the sticky flags of masked inexact results on both units are cleared.
    FloatingPointState reset{};
    const GuardOutcome outcome = Guarded([&] {
        UnmaskSse(0x1F80);
        UnmaskX87(0x3F);
        ResetFloatingPointUnit();
        reset = SaveFloatingPointState();
        double third = Opaque(1.0), three = Opaque(3.0), result;
        __asm__ __volatile__("fldl %1\n\tfdivl %2\n\tfstpl %0" : "=m"(result) : "m"(third), "m"(three));
        __asm__ __volatile__("divsd %1, %0" : "+x"(third) : "x"(three));
        gSink = static_cast<uint32_t>(result + third);
    });
    EXPECT_FALSE(outcome.faulted);
    EXPECT_EQ(reset.x87Control, DefaultX87ControlWord());
    EXPECT_EQ(reset.mxcsr, kMxcsrDefault);
    const FloatingPointState now = SaveFloatingPointState();
    EXPECT_EQ(now.x87Control, kCallerState.x87Control);
    EXPECT_EQ(now.mxcsr, kCallerState.mxcsr);
    EXPECT_EQ(ReadX87Environment().status & 0x3F, 0);

    // Codes the matrix above does not raise: the floating-point range (whose faults reset the FPU), the
    // customer bit of application codes, and a kind's name.
    const struct {
        uint32_t code;
        FaultKind kind;
        bool floatingPoint;
    } cases[] = {
        {0, FaultKind::None, false}, {kExceptionArrayBoundsExceeded, FaultKind::Other, false},
        {kExceptionFloatDenormalOperand, FaultKind::FloatOther, true}, {kExceptionFloatMultipleTraps, FaultKind::FloatOther, true},
        {0xC00002B3, FaultKind::Other, false}, {0xC00002B6, FaultKind::Other, false},
        {kExceptionPrivilegedInstruction, FaultKind::IllegalInstruction, false}, {kExceptionSingleStep, FaultKind::Breakpoint, false},
        {0xE0000042, FaultKind::RaisedException, false}, {0xC0000006 /* in-page error */, FaultKind::Other, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(FaultKindOf(c.code), c.kind) << std::hex << c.code;
        EXPECT_EQ(IsFloatingPointFaultCode(c.code), c.floatingPoint) << std::hex << c.code;
    }
    EXPECT_STREQ(FaultKindName(FaultKind::AccessViolation), "access violation");
}

}  // namespace
}  // namespace qm::platform
