// The kinds of fault the qmfault module raises, and how the guard must report each one.
#pragma once
#include "platform/guard.h"

namespace qm::test {

// Every kind but "handled" (which the plug-in catches itself), in the order of qmfault's plan syntax.
extern const char* const kFaultKinds[12];

// Whether `outcome` is the guard's report of a fault of `kind` raised by qmfault.
bool ReportedAsKind(const qm::platform::GuardOutcome& outcome, const char* kind);

}  // namespace qm::test
