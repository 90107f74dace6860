#include "discovery/process_scan_probe.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "discovery/plugin_record.h"
#include "discovery/probe_report.h"
#include "platform/directory.h"
#include "platform/file.h"
#include "platform/module.h"
#include "platform/process.h"

namespace qm {

ProcessScanProbe::ProcessScanProbe(const WCHAR* program, uint32_t timeoutMs, unsigned parallel) noexcept
    : timeoutMs_(timeoutMs),
      parallel_(static_cast<int>(parallel != 0 ? parallel : platform::ProcessorCount())) {
    WideCopy(program_, kPluginPathChars, program);
}

bool ProcessScanProbe::FindBesideModule(WCHAR (&program)[kPluginPathChars]) noexcept {
    program[0] = 0;
    static const int anchor = 0;
    WCHAR self[kPluginPathChars];
    size_t n = platform::ModulePathOf(&anchor, self, kPluginPathChars);
    while (n > 0 && self[n - 1] != platform::kPathSeparator && self[n - 1] != '/') --n;
    if (n == 0) return false;
    const WCHAR* name = platform::ProbeProgramName();
    if (n + WideLen(name) >= kPluginPathChars) return false;
    self[n] = 0;
    WideCopy(program, kPluginPathChars, self);
    WideCopy(program + n, kPluginPathChars - n, name);
    if (platform::FileExists(program)) return true;
    program[0] = 0;
    return false;
}

void ProcessScanProbe::ProbeAll(const VstiPluginRecord* records, int count, ProbeResult* results) noexcept {
    for (int i = 0; i < count; ++i) results[i].verdict = ProbeVerdict::NotProbed;
    std::unique_ptr<platform::ChildProcess[]> children(new (std::nothrow) platform::ChildProcess[count]);
    if (children == nullptr) return;
    try {
        for (int i = 0; i < count; ++i) {
            const std::vector<std::basic_string<WCHAR>> arguments{records[i].path};
            children[i].Start(program_, arguments);
        }
        // Started together, so each child's own deadline is about the batch's.
        for (int i = 0; i < count; ++i) {
            if (!children[i].Started()) continue;
            std::string output;
            uint32_t code = 0;
            const platform::ChildEnd end = children[i].Finish(timeoutMs_, &output, &code);
            if (end == platform::ChildEnd::TimedOut) {
                results[i].verdict = ProbeVerdict::TimedOut;
                continue;
            }
            ParseProbeReport(output, &results[i]);
            if (end == platform::ChildEnd::Crashed || code != 0) results[i].verdict = ProbeVerdict::Crashed;
        }
    } catch (...) {
        // Without memory for the arguments the remaining candidates are tested in this process.
    }
}

}  // namespace qm
