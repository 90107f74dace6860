#include "qmfault/fault_actions.h"

#include <emmintrin.h>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace qmtest {

namespace {

// Volatile everywhere: the compiler must neither prove these faults away nor fold them into constants.
volatile uintptr_t g_badAddress = 16;
volatile int g_zero = 0;
volatile int g_one = 1;
volatile double g_zeroDouble = 0.0;
volatile double g_oneDouble = 1.0;
volatile double g_minusOne = -1.0;
volatile double g_huge = 1.0e308;
volatile int g_sink = 0;
volatile double g_doubleSink = 0.0;
// Never set: it only keeps the recursion below from being provably infinite.
volatile int g_recursionLimit = 0;

// Unmasks one exception in both FPUs: the SSE unit, which raises the fault, and the x87 unit, so that
// a host that fails to restore the caller's control word trips over it later.
void UnmaskFloatException(unsigned sseMask, uint16_t x87Mask) {
    uint16_t control;
    __asm__ volatile("fnclex\n\tfnstcw %0" : "=m"(control));
    control = static_cast<uint16_t>(control & ~x87Mask);
    __asm__ volatile("fldcw %0" : : "m"(control));
    _mm_setcsr(_mm_getcsr() & ~(sseMask | 0x3Fu));
}

__attribute__((noinline)) int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    if (g_recursionLimit != 0 && depth >= g_recursionLimit) return frame[0];
    // The addition after the call keeps it from becoming a loop.
    return Recurse(depth + 1) + frame[depth & 511];
}

void CaughtThrow() {
    try {
        throw std::runtime_error("qmfault: handled inside the plug-in");
    } catch (const std::runtime_error&) {
        g_sink = g_sink + 1;
    }
}

}  // namespace

void PerformFault(FaultKind kind) {
    switch (kind) {
    case FaultKind::None:
        return;
    case FaultKind::AccessViolation:
        *reinterpret_cast<volatile int*>(g_badAddress) = 1;
        return;
    case FaultKind::IntDivide:
        g_sink = g_one / g_zero;
        return;
    case FaultKind::FpDivide: {
        UnmaskFloatException(0x200u /* ZM */, 0x04 /* ZM */);
        const __m128d result = _mm_div_sd(_mm_set_sd(g_oneDouble), _mm_set_sd(g_zeroDouble));
        g_doubleSink = _mm_cvtsd_f64(result);
        return;
    }
    case FaultKind::FpInvalid: {
        UnmaskFloatException(0x80u /* IM */, 0x01 /* IM */);
        const __m128d result = _mm_sqrt_sd(_mm_set_sd(0.0), _mm_set_sd(g_minusOne));
        g_doubleSink = _mm_cvtsd_f64(result);
        return;
    }
    case FaultKind::FpOverflow: {
        UnmaskFloatException(0x400u /* OM */, 0x08 /* OM */);
        const __m128d result = _mm_mul_sd(_mm_set_sd(g_huge), _mm_set_sd(g_huge));
        g_doubleSink = _mm_cvtsd_f64(result);
        return;
    }
    case FaultKind::Illegal:
        __asm__ volatile("ud2");
        return;
    case FaultKind::Breakpoint:
        __asm__ volatile("int3");
        return;
    case FaultKind::Raise:
        RaiseOsException();
        return;
    case FaultKind::StackOverflow:
        g_sink = Recurse(0);
        return;
    case FaultKind::CppThrow:
        throw std::runtime_error("qmfault: exception escaping the plug-in");
    case FaultKind::Handled:
        CaughtThrow();
        HandledOsFault();
        return;
    // What a plug-in's own runtime does when nothing catches its exception: a mingw plug-in with
    // DWARF unwinding never raises a structured exception, it terminates and aborts instead.
    case FaultKind::Abort:
        std::abort();
    case FaultKind::Terminate:
        std::terminate();
    }
}

}  // namespace qmtest
