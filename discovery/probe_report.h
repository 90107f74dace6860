// The probe's report: the record its own test load wrote, as lines of UTF-8 text on its standard
// output, and the verdict the scan reads from it.
//   QMVSTI-PROBE 1
//   flags <hex>  uniqueId <decimal>  vendorVersion <decimal>  (one per line)
//   name <text>  product <text>  vendor <text>                (one per line)
//   end
// Anything a module prints itself never reaches this stream (the probe sends it elsewhere).
#pragma once
#include <string>

#include "discovery/scan_services.h"

namespace qm {

// The report of `record` (its path is not written: the scan knows it).
std::string FormatProbeReport(const VstiPluginRecord& record);

// Reads a report into result->record (zeroed first). A complete report gives Failed when the record
// is faulted, else Passed; anything else (cut short, garbled, empty) gives Crashed: the probe did
// not live to finish it.
void ParseProbeReport(const std::string& text, ProbeResult* result) noexcept;

}  // namespace qm
