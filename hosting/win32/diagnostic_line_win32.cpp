#include "hosting/plugin_fault_log.h"

namespace qm {

// A host application has no console; the debugger output is where its vendors look.
void WriteDiagnosticLine(const char* line) noexcept {
    OutputDebugStringA(line);
    OutputDebugStringA("\n");
}

}  // namespace qm
