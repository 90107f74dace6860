// The isolated probe: each candidate is first test-loaded by the probe program in a short-lived
// child process with a time-out, a bounded number of them side by side. A module that crashes,
// ends its process or hangs costs the scan one child, not the host.
#pragma once
#include <cstdint>

#include "discovery/scan_services.h"

namespace qm {

inline constexpr uint32_t kDefaultProbeTimeoutMs = 10000;

class ProcessScanProbe final : public IScanProbe {
public:
    // `program` is the probe's path; parallel 0 takes the number of processors.
    explicit ProcessScanProbe(const WCHAR* program, uint32_t timeoutMs = kDefaultProbeTimeoutMs,
                              unsigned parallel = 0) noexcept;

    // The probe program beside this module, when it is there: true with its path.
    static bool FindBesideModule(WCHAR (&program)[kPluginPathChars]) noexcept;

    int BatchSize() const noexcept override { return parallel_; }
    // Children that cannot be started leave their candidates NotProbed (tested in-process).
    void ProbeAll(const VstiPluginRecord* records, int count, ProbeResult* results) noexcept override;

private:
    WCHAR program_[kPluginPathChars] = {};
    uint32_t timeoutMs_;
    int parallel_;
};

}  // namespace qm
