#include "hosting/plugin_fault_log.h"

#include <cstdio>

#include "platform/guard.h"
#include "platform/text.h"

namespace qm {

void ReportPlugInFault(const WCHAR* path, const PlugInFault& fault) noexcept {
    char file[512];
    platform::WideToAnsi(path != nullptr && path[0] != 0 ? path : QMW("(unknown module)"), -1, file, sizeof file);
    char where[64];
    if (fault.opcode >= 0) {
        std::snprintf(where, sizeof where, "%s opcode %d", fault.call, static_cast<int>(fault.opcode));
    } else {
        std::snprintf(where, sizeof where, "%s", fault.call);
    }
    char line[768];
    std::snprintf(line, sizeof line, "QmVSTi: plug-in %s faulted in %s: %s (0x%08X)", file, where,
                  platform::FaultKindName(platform::FaultKindOf(fault.code)), static_cast<unsigned>(fault.code));
    WriteDiagnosticLine(line);
}

}  // namespace qm
