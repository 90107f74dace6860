// What the folder scan needs around it: someone to test-load a candidate (the type's
// create-for-record), optionally an isolated probe that tries candidates first, and the page window
// that receives the worker's messages.
#pragma once
#include "qmvsti/com.h"
#include "qmvsti/host_structures.h"

namespace qm {

// The type's folder slots, which a scan walks in order.
inline constexpr int kScanSlotCount = 3;

// Messages of the worker to the page window (the platform's application message base 0x8000 + n).
inline constexpr UINT kScanMessageFinished = 0x8004;  // no argument
inline constexpr UINT kScanMessageStatus = 0x8005;    // argument: the status line (const WCHAR*)
inline constexpr UINT kScanMessageRescan = 0x8006;    // posted by Apply to the page itself
inline constexpr UINT kScanMessageFound = 0x8007;     // argument: the record inside the new list

// The page window as the worker sees it. Called on the worker thread; a status text lives in one
// process-wide buffer that the next status overwrites, a found record inside the worker's list
// (valid until the worker appends the next record: a sink that hands it to another thread copies it).
class IScanMessageSink {
public:
    virtual void PostScanMessage(UINT message, const void* argument) noexcept = 0;
    // Every record the scan appends, tested or refused, right after it is appended (for progress
    // counts; the page has no use for it).
    virtual void RecordTested(const VstiPluginRecord& record) noexcept { (void)record; }

protected:
    ~IScanMessageSink() = default;
};

// Test-loading one candidate in this process.
class IScanTester {
public:
    // Create-for-record: S_OK with one reference in *instance, S_OK with no instance for a module
    // that is no instrument, or the failure (the record then carries the loader's flag bits).
    virtual HRESULT CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept = 0;
    // Name and product of an instance made above, into the record (63 characters at most).
    virtual void ReadInstanceNames(IUnknown* instance, VstiPluginRecord* record) noexcept = 0;

protected:
    ~IScanTester() = default;
};

enum class ProbeVerdict {
    NotProbed,  // no probe ran (none available, or it could not be started): test in-process
    Passed,     // the module can be created; the in-process test follows
    Failed,     // the in-process test would fail: the probe's record stands
    TimedOut,   // hung in its entry point or a call, or left threads running: faulted, "Timed out"
    Crashed,    // ended the probe (crash, exit, abort): recorded faulted, "Crashed"
};

struct ProbeResult {
    ProbeVerdict verdict;
    VstiPluginRecord record;  // what the probe's own test recorded (Passed, Failed)
};

// Tries candidates in short-lived child processes, so that no module can hang or end the host.
class IScanProbe {
public:
    // How many candidates ProbeAll takes at once (they run in parallel).
    virtual int BatchSize() const noexcept = 0;
    // Probes `count` (at most BatchSize()) records whose paths are set; results[i] for records[i].
    virtual void ProbeAll(const VstiPluginRecord* records, int count, ProbeResult* results) noexcept = 0;

protected:
    ~IScanProbe() = default;
};

}  // namespace qm
