// The portable half of the guarded call: classification, names, the C++ catch frame and the common
// epilogue. The fault trapping itself lives in posix/guard_posix.cpp and win32/guard_win32.cpp.
#include "platform/guard.h"

namespace qm::platform {

bool IsFloatingPointFaultCode(uint32_t code) noexcept {
    return (code >= kExceptionFloatDenormalOperand && code <= kExceptionFloatUnderflow) ||
           code == kExceptionFloatMultipleFaults || code == kExceptionFloatMultipleTraps;
}

FaultKind FaultKindOf(uint32_t code) noexcept {
    switch (code) {
    case 0: return FaultKind::None;
    case kExceptionAccessViolation: return FaultKind::AccessViolation;
    case kExceptionIntegerDivideByZero: return FaultKind::IntegerDivideByZero;
    case kExceptionFloatDivideByZero: return FaultKind::FloatDivideByZero;
    case kExceptionFloatInvalidOperation: return FaultKind::FloatInvalid;
    case kExceptionFloatOverflow: return FaultKind::FloatOverflow;
    case kExceptionIllegalInstruction:
    case kExceptionPrivilegedInstruction: return FaultKind::IllegalInstruction;
    case kExceptionBreakpoint:
    case kExceptionSingleStep: return FaultKind::Breakpoint;
    case kExceptionStackOverflow: return FaultKind::StackOverflow;
    case kExceptionCpp: return FaultKind::CppException;
    case kExceptionAbort: return FaultKind::RaisedException;
    default: break;
    }
    if (IsFloatingPointFaultCode(code)) return FaultKind::FloatOther;
    // RaiseException codes of applications carry the customer bit (bit 29); system codes do not.
    if ((code & 0x20000000u) != 0) return FaultKind::RaisedException;
    return FaultKind::Other;
}

const char* FaultKindName(FaultKind kind) noexcept {
    switch (kind) {
    case FaultKind::None: return "no fault";
    case FaultKind::AccessViolation: return "access violation";
    case FaultKind::IntegerDivideByZero: return "integer divide by zero";
    case FaultKind::FloatDivideByZero: return "floating-point divide by zero";
    case FaultKind::FloatInvalid: return "floating-point invalid operation";
    case FaultKind::FloatOverflow: return "floating-point overflow";
    case FaultKind::FloatOther: return "floating-point exception";
    case FaultKind::IllegalInstruction: return "illegal instruction";
    case FaultKind::Breakpoint: return "breakpoint";
    case FaultKind::RaisedException: return "raised exception";
    case FaultKind::StackOverflow: return "stack overflow";
    case FaultKind::CppException: return "C++ exception";
    case FaultKind::Other: return "exception";
    }
    return "exception";
}

namespace guard_detail {

__attribute__((noinline)) uint32_t InvokeRoutine(GuardedRoutine routine, void* context) noexcept {
    try {
        routine(context);
        return 0;
    } catch (...) {
        return kExceptionCpp;
    }
}

GuardOutcome Conclude(uint32_t code, const FloatingPointState& caller) noexcept {
    GuardOutcome outcome;
    if (code != 0) {
        // A fault abandons the routine mid-computation: values it pushed stay on the x87 stack and
        // would overflow it in the host's next float return. FP faults need the reset anyway.
        ResetFloatingPointUnit();
        outcome.faulted = true;
        outcome.code = code;
        outcome.kind = FaultKindOf(code);
    }
    RestoreFloatingPointState(caller);
    return outcome;
}

}  // namespace guard_detail
}  // namespace qm::platform
