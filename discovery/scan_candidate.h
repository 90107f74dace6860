// One file of the folder scan: whether it may be loaded at all, and what its test load records.
#pragma once
#include "discovery/scan_services.h"

namespace qm {

class CQmVSTiSynthType;

// The candidate filter: false for the blocked names (strings 1047, 1048) and for shell modules that
// host several plug-ins in one file (names containing string 1007), compared against the upper-cased
// file name (with extension, without folder).
bool IsScanCandidate(const WCHAR* fileName) noexcept;
// True when `folder` (ending in a separator) lies in a folder the scan must never enter.
bool IsRefusedScanFolder(const WCHAR* folder) noexcept;

// Test-loads the candidate whose path the zeroed `record` holds, inside the worker's own exception
// frame (an exception escaping create-for-record counts as a failed creation, 0x8004E017), and
// writes the record as the scan keeps it: name, product, the Native Instruments drawing mark, and
// the enabled bit when it is neither faulted, nor a non-instrument, nor without editor.
void TestScanCandidate(IScanTester& tester, VstiPluginRecord* record) noexcept;

// Writes a probe's verdict that ends the test into the record: the probe's findings for Failed (with
// "FAILED" from this process's string table);
// faulted with the file's title as name and "Timed out" or "Crashed" as product otherwise. Returns
// false for Passed and NotProbed, which leave the record alone for the in-process test.
bool ApplyProbeVerdict(const ProbeResult& result, VstiPluginRecord* record) noexcept;

enum class RetestOutcome { Declined, Failed, NotInstrument, NoEditor, Ready };

// Tests a faulted record again (the type page's re-test without its question and message): clears
// the faulted bit and refreshes name and product when an instance is made, sets it otherwise.
RetestOutcome RetestRecord(IScanTester& tester, VstiPluginRecord* record) noexcept;

// The scan's tester over the type: its create-for-record, and the names the instance reports.
class TypeScanTester final : public IScanTester {
public:
    explicit TypeScanTester(CQmVSTiSynthType* type) noexcept : type_(type) {}
    HRESULT CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept override;
    void ReadInstanceNames(IUnknown* instance, VstiPluginRecord* record) noexcept override;

private:
    CQmVSTiSynthType* type_;
};

}  // namespace qm
