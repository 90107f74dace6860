// The walk of one scan folder and everything below it: every candidate module is tested (through
// the probe first when there is one) and appended to the worker's new list, with a status message
// per folder and per file and a found-instrument message per usable record.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include <vector>

#include "discovery/scan_services.h"
#include "framework/list.h"
#include "platform/directory.h"

namespace qm {

// The worker's check point between files and after each sub-folder: honours a pause request and
// answers false once the scan is to stop.
class IScanCheckpoint {
public:
    virtual bool Continue() noexcept = 0;

protected:
    ~IScanCheckpoint() = default;
};

class FolderScan {
public:
    FolderScan(IScanTester& tester, IScanProbe* probe, IScanMessageSink& sink, IScanCheckpoint& checkpoint,
               tQMLIST* newList) noexcept
        : tester_(tester), probe_(probe), sink_(sink), checkpoint_(checkpoint), list_(newList) {}

    // Scans `folder` and its sub-folders. S_OK when the walk ran to its end; S_FALSE when it was
    // stopped, or when the folder lies in a refused folder (at the top level that ends the whole
    // scan); the failure code when a record could not be appended (which also ends it).
    HRESULT Run(const WCHAR* folder) noexcept;

    // The status line the worker's messages point to: one buffer for the process, overwritten by
    // the next status.
    static const WCHAR* StatusLine() noexcept;

private:
    HRESULT ScanFiles(const WCHAR* folder, const std::vector<platform::DirectoryEntry>& entries) noexcept;
    HRESULT TestAndAppend(VstiPluginRecord* record, const ProbeResult* probed) noexcept;
    void PostStatus(UINT textId, const WCHAR* argument) noexcept;

    IScanTester& tester_;
    IScanProbe* probe_;
    IScanMessageSink& sink_;
    IScanCheckpoint& checkpoint_;
    tQMLIST* list_;
};

}  // namespace qm
