// The faults the fault module raises, one per kind. Every kind but Handled leaves the function by a
// CPU exception, a signal, a raised exception, a C++ throw or abort(); Handled returns normally after faults
// the plug-in catches itself, which a host's guard must not notice.
#pragma once
#include "qmfault/fault_plan.h"

namespace qmtest {

void PerformFault(FaultKind kind);

// Per-OS parts (qmfault/posix, qmfault/win32).
void RaiseOsException();    // RaiseException(kFaultRaiseCode) / raise(SIGABRT)
void HandledOsFault();      // Windows: IsBadReadPtr on an unmapped address; nothing more elsewhere

}  // namespace qmtest
