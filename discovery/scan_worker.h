// ScanWorker: the background rescan of the type page. One thread walks the page's copies of the
// three folder slots into a new list; the page starts, pauses (for a confirmation question),
// resumes and stops it with two manual-reset events (resume, acknowledged) and two flags (running,
// pause request), and hears from it only through posted messages.
//
// Threads: every member function is called on the page's thread; the scan runs on the worker's.
// The new list belongs to the worker until Stop has returned.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include <atomic>

#include "discovery/folder_scan.h"
#include "framework/list.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace qm {

class ScanWorker final : private IScanCheckpoint {
public:
    // The probe may be null (every candidate is then tested in this process); none is owned.
    ScanWorker(IScanTester& tester, IScanMessageSink& sink, IScanProbe* probe) noexcept;
    ~ScanWorker();  // stops a worker still running
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Copies the folder slots, creates the new list and the thread, which waits for Start.
    // S_OK, E_OUTOFMEMORY, or E_FAIL when the thread cannot be made.
    HRESULT Create(const WCHAR (*folders)[kPluginPathChars]) noexcept;
    // Lets the thread scan the non-empty slots in order. Finished is posted when the walk was not
    // stopped; the thread then waits to be stopped.
    void Start() noexcept;
    // Holds the worker at its next check point (after a file or a sub-folder) and returns once it
    // is held, or at once when it is not scanning any more: RequestPause, then WaitUntilPaused.
    void Pause() noexcept;
    void RequestPause() noexcept;
    void WaitUntilPaused() noexcept;
    // Lets a paused worker go on.
    void Resume() noexcept;
    // Ends the thread (a paused worker included) and waits for it: RequestStop, then the wait.
    // After RequestStop the worker tests no further file.
    void Stop() noexcept;
    void RequestStop() noexcept;

    // The worker's list; TakeNewList hands it over (null afterwards). Only after Stop.
    const tQMLIST* NewList() const noexcept { return list_; }
    tQMLIST* TakeNewList() noexcept;
    // The outcome of the walk: S_OK ran to its end, S_FALSE stopped or refused, else the failure.
    HRESULT Result() const noexcept { return result_; }

private:
    static uint32_t ThreadMain(void* self);
    void Scan() noexcept;
    void WaitForResume() noexcept;
    void HonourPause() noexcept;
    bool Continue() noexcept override;

    IScanTester& tester_;
    IScanMessageSink& sink_;
    IScanProbe* probe_;
    WCHAR folders_[kScanSlotCount][kPluginPathChars] = {};
    tQMLIST* list_ = nullptr;
    platform::ManualResetEvent resume_;
    platform::ManualResetEvent acknowledged_;
    std::atomic<bool> running_{false};
    std::atomic<bool> pauseRequest_{false};
    platform::Thread thread_;
    HRESULT result_ = S_OK;
};

}  // namespace qm
