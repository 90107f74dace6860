// Diagnostics for a plug-in that faulted inside a guarded call: one line naming the module, the call,
// the opcode and the fault, so a misbehaving plug-in is identified rather than silently absorbed.
#pragma once
#include "hosting/vsti_soft_synth.h"

namespace qm {

// "QmVSTi: plug-in <path> faulted in dispatcher opcode 45: access violation (0xC0000005)".
void ReportPlugInFault(const WCHAR* path, const PlugInFault& fault) noexcept;

// Platform part: writes one line to the diagnostics channel (the debugger output on Windows,
// standard error elsewhere).
void WriteDiagnosticLine(const char* line) noexcept;

}  // namespace qm
