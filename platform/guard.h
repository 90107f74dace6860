// Guarded calls: the one way into untrusted plug-in code. A crash, an unmasked floating-point trap,
// a raised exception or an escaping C++ exception inside the routine becomes a reported outcome
// instead of taking the host down, and the caller's FPU control state survives every call.
#pragma once
#include <cstdint>
#include <memory>
#include <type_traits>

#include "platform/fpu.h"

namespace qm::platform {

enum class FaultKind : uint32_t {
    None,
    AccessViolation,
    IntegerDivideByZero,
    FloatDivideByZero,
    FloatInvalid,
    FloatOverflow,
    FloatOther,
    IllegalInstruction,
    Breakpoint,
    RaisedException,
    StackOverflow,
    CppException,
    Other
};

// `code` is a Windows exception code on both targets; on Linux the signal is translated to the code
// Windows reports for the same fault (table below), so logs and decisions read the same everywhere.
struct GuardOutcome {
    bool faulted = false;
    uint32_t code = 0;
    FaultKind kind = FaultKind::None;
};

// Exception codes the guard reports (the Windows STATUS_* values).
constexpr uint32_t kExceptionAccessViolation = 0xC0000005;      // SIGSEGV, SIGBUS
constexpr uint32_t kExceptionIllegalInstruction = 0xC000001D;   // SIGILL
constexpr uint32_t kExceptionPrivilegedInstruction = 0xC0000096;  // SIGILL/ILL_PRVOPC
constexpr uint32_t kExceptionBreakpoint = 0x80000003;           // SIGTRAP (int3)
constexpr uint32_t kExceptionSingleStep = 0x80000004;           // SIGTRAP/TRAP_TRACE
constexpr uint32_t kExceptionArrayBoundsExceeded = 0xC000008C;  // SIGFPE/FPE_FLTSUB
constexpr uint32_t kExceptionFloatDenormalOperand = 0xC000008D;
constexpr uint32_t kExceptionFloatDivideByZero = 0xC000008E;    // SIGFPE/FPE_FLTDIV
constexpr uint32_t kExceptionFloatInexactResult = 0xC000008F;   // SIGFPE/FPE_FLTRES
constexpr uint32_t kExceptionFloatInvalidOperation = 0xC0000090;  // SIGFPE/FPE_FLTINV
constexpr uint32_t kExceptionFloatOverflow = 0xC0000091;        // SIGFPE/FPE_FLTOVF
constexpr uint32_t kExceptionFloatStackCheck = 0xC0000092;
constexpr uint32_t kExceptionFloatUnderflow = 0xC0000093;       // SIGFPE/FPE_FLTUND
constexpr uint32_t kExceptionIntegerDivideByZero = 0xC0000094;  // SIGFPE/FPE_INTDIV
constexpr uint32_t kExceptionIntegerOverflow = 0xC0000095;      // SIGFPE/FPE_INTOVF
constexpr uint32_t kExceptionStackOverflow = 0xC00000FD;        // SIGSEGV at the stack's end
constexpr uint32_t kExceptionFloatMultipleFaults = 0xC00002B4;  // any other SIGFPE
constexpr uint32_t kExceptionFloatMultipleTraps = 0xC00002B5;   // SSE traps on 32-bit Windows
constexpr uint32_t kExceptionCpp = 0xE06D7363;                  // an escaping C++ exception ('msc')
// SIGABRT (abort(), raise(SIGABRT)) is reported as STATUS_FATAL_APP_EXIT, the code Windows uses
// when a program ends through abort().
constexpr uint32_t kExceptionAbort = 0x40000015;

using GuardedRoutine = void (*)(void* context);

// Runs routine(context) and reports how it ended. Reentrant (a guarded routine may make guarded
// calls of its own) and usable from any number of threads at once. Faults the routine handles itself
// are not seen. After the call the caller's x87 control word and MXCSR are back, with no exception
// flag left set; after a fault the FPU is reset first (the x87 stack may hold abandoned values).
GuardOutcome GuardedCall(GuardedRoutine routine, void* context) noexcept;

// GuardedCall over any callable: Guarded([&] { effect->dispatcher(effect, op, 0, 0, ptr, 0.f); }).
template <class F>
GuardOutcome Guarded(F&& f) noexcept {
    using Callable = std::remove_reference_t<F>;
    GuardedRoutine trampoline = [](void* context) { (*static_cast<Callable*>(context))(); };
    return GuardedCall(trampoline, const_cast<void*>(static_cast<const volatile void*>(std::addressof(f))));
}

// True for the codes after which the FPU is reset: 0xC000008D to 0xC0000093, 0xC00002B4, 0xC00002B5.
bool IsFloatingPointFaultCode(uint32_t code) noexcept;
FaultKind FaultKindOf(uint32_t code) noexcept;
// A short lower-case name for logs: "access violation", "stack overflow", ...
const char* FaultKindName(FaultKind kind) noexcept;

namespace guard_detail {
// Shared by the OS back ends. Calls the routine inside a try/catch(...) that lives while the
// routine's frames do: an exception escaping a plug-in built with our compiler is caught here,
// before it can reach frames that cannot unwind. Returns 0 or kExceptionCpp.
uint32_t InvokeRoutine(GuardedRoutine routine, void* context) noexcept;
// Builds the outcome and puts the FPU back: reset after a fault, then the caller's control words.
GuardOutcome Conclude(uint32_t code, const FloatingPointState& caller) noexcept;
}  // namespace guard_detail

}  // namespace qm::platform
