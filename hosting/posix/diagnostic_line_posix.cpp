#include <cstdio>

#include "hosting/plugin_fault_log.h"

namespace qm {

void WriteDiagnosticLine(const char* line) noexcept {
    std::fputs(line, stderr);
    std::fputc('\n', stderr);
}

}  // namespace qm
