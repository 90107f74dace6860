#include "support/fault_kinds.h"

#include <cstring>

#include "testplugins/protocol.h"

namespace qm::test {

using qm::platform::FaultKind;

const char* const kFaultKinds[12] = {"av",    "intdiv",        "fpdiv",    "fpinvalid", "fpoverflow", "illegal",
                                     "breakpoint", "raise", "stackoverflow", "cppthrow", "abort",      "terminate"};

bool ReportedAsKind(const qm::platform::GuardOutcome& outcome, const char* kind) {
    if (!outcome.faulted) return false;
    auto is = [kind](const char* name) { return std::strcmp(kind, name) == 0; };
    // SSE traps arrive under different codes on different systems.
    if (is("fpdiv") || is("fpinvalid") || is("fpoverflow")) return qm::platform::IsFloatingPointFaultCode(outcome.code);
    // RaiseException with qmfault's own code on Windows, raise(SIGABRT) on Linux.
    if (is("raise")) return outcome.code == qmtest::kFaultRaiseCode || outcome.code == qm::platform::kExceptionAbort;
    // A runtime that gives up ends in abort(), on every target alike.
    if (is("abort") || is("terminate")) return outcome.code == qm::platform::kExceptionAbort;
#if defined(__i386__)
    // A 32-bit mingw plug-in unwinds with DWARF tables: its escaping throw never becomes a structured
    // exception, its runtime terminates instead, and the guard reports the abort.
    if (is("cppthrow")) return outcome.code == qm::platform::kExceptionAbort;
#endif
    const FaultKind expected = is("av")           ? FaultKind::AccessViolation
                               : is("intdiv")     ? FaultKind::IntegerDivideByZero
                               : is("illegal")    ? FaultKind::IllegalInstruction
                               : is("breakpoint") ? FaultKind::Breakpoint
                               : is("stackoverflow") ? FaultKind::StackOverflow
                               : is("cppthrow")   ? FaultKind::CppException
                                                  : FaultKind::Other;
    return expected != FaultKind::Other && outcome.kind == expected;
}

}  // namespace qm::test
