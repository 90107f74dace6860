// The probe's report: the record its own test load wrote, as lines of UTF-8 text on its standard
// output, and the verdict the scan reads from it.
//   QMVSTI-PROBE 1
//   flags <hex>  uniqueId <decimal>  vendorVersion <decimal>  (one per line)
//   name <text>  product <text>  vendor <text>                (one per line)
//   threadsLeft <decimal>   threads the module left running after it was closed and unloaded
//   end
// Anything a module prints itself never reaches this stream (the probe sends it elsewhere).
#pragma once
#include <string>

#include "discovery/scan_services.h"

namespace qm {

// The report of `record` (its path is not written: the scan knows it).
std::string FormatProbeReport(const VstiPluginRecord& record, unsigned threadsLeft = 0);

// Reads a report into result->record (zeroed first). A complete report gives Failed when the record
// is faulted, TimedOut when the module left threads running (they would never end in the host),
// else Passed; anything else (cut short, garbled, empty) gives Crashed: the probe did
// not live to finish it.
void ParseProbeReport(const std::string& text, ProbeResult* result) noexcept;

}  // namespace qm
