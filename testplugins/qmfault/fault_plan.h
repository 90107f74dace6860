// The fault module's plan, read from QMVSTI_FAULT at every call:
//   where=<entry|dispatcher|process|processReplacing|setParameter|getParameter>
//   kind=<av|intdiv|fpdiv|fpinvalid|fpoverflow|illegal|breakpoint|raise|stackoverflow|cppthrow|handled|abort|terminate>
//   opcode=<n>  (dispatcher only; any opcode when absent)
//   index=<n>   (dispatcher, setParameter, getParameter; any index when absent)
//   after=<n>   (let the first n matching calls pass; default 0)
// as key=value pairs separated by ';'. An unknown key or value, a missing where or kind, or a number
// that does not parse makes the whole plan invalid: no fault is raised.
#pragma once
#include <cstdint>

namespace qmtest {

enum class FaultSite { None, Entry, Dispatcher, Process, ProcessReplacing, SetParameter, GetParameter };
enum class FaultKind {
    None, AccessViolation, IntDivide, FpDivide, FpInvalid, FpOverflow, Illegal, Breakpoint, Raise,
    StackOverflow, CppThrow, Handled, Abort, Terminate
};

struct FaultPlan {
    FaultSite site = FaultSite::None;
    FaultKind kind = FaultKind::None;
    bool anyOpcode = true;
    int32_t opcode = 0;
    bool anyIndex = true;
    int32_t index = 0;
    int64_t after = 0;

    // Whether a call at this site with this opcode (dispatcher) and index is selected.
    bool selects(FaultSite where, int32_t callOpcode, int32_t callIndex) const;
};

// Parses text; on failure returns false and leaves *plan empty (selecting nothing).
bool ParseFaultPlan(const char* text, FaultPlan* plan);
// The plan in QMVSTI_FAULT; false when it is unset or invalid.
bool ReadFaultPlan(FaultPlan* plan);

const char* FaultSiteName(FaultSite site);
const char* FaultKindName(FaultKind kind);

}  // namespace qmtest
