// The type page without its window: the page's copies of the folder slots, the working list of
// instruments, the dirty and rescan-needed marks, the rescan (confirmed, cancellable, merged when
// it finishes, applied when Apply started it), folder edits, enabling and disabling, the re-test of
// a faulted instrument, the alternative-drawing command and Apply.
//
// Threads: the page's thread only. The scan worker talks to it through the view's posted messages,
// handed to OnMessage.
#pragma once
#include <cstddef>  // offsetof for framework/list.h on i686 mingw
#include <memory>

#include "discovery/scan_candidate.h"
#include "discovery/scan_worker.h"
#include "discovery/type_page_view.h"
#include "framework/list.h"
#include "qmvsti/com.h"

namespace qm {

class CQmVSTiSynthType;

class TypePageLogic {
public:
    // `tester` creates instances for re-tests and scans; `probe` (may be null) isolates the scans.
    // None of them is owned.
    TypePageLogic(CQmVSTiSynthType& type, ITypePageView& view, IScanTester& tester, IScanProbe* probe) noexcept;
    ~TypePageLogic();
    TypePageLogic(const TypePageLogic&) = delete;
    TypePageLogic& operator=(const TypePageLogic&) = delete;

    void SetSite(IPropertyPageSite* site) noexcept { site_ = site; }

    // Opening the dialog: the page's copies of the folders and the type's list, shown. S_OK or
    // E_OUTOFMEMORY. Closing stops a scan still running and drops both lists.
    HRESULT Open() noexcept;
    void Close() noexcept;

    // A folder edit box lost the focus with `text`: true when that changed the page's copy.
    bool CommitFolderText(int slot, const WCHAR* text) noexcept;
    // Escape in a folder edit box: the boxes show the page's copies again.
    void RestoreFolders() noexcept { ShowFolders(); }
    // A key message the page's TranslateAccelerator sees: Enter in a folder edit box commits it as
    // losing the focus would (S_OK when that changed something), Escape restores the boxes; S_FALSE
    // for everything else.
    HRESULT TranslateKey(UINT message, WPARAM key) noexcept;
    // Leaving the page or cancelling the sheet: refused (true) while a scan runs.
    bool RefusesToLeave() const noexcept { return Scanning(); }
    // The browse button of `slot`.
    void BrowseFolder(int slot) noexcept;
    // A row's check box changed to `checked` (ignored while the page fills the list).
    void CheckChanged(int index, bool checked) noexcept;
    // "Use alternative drawing method" on a row: toggles the mark here and on the type's record.
    void ToggleAlternativeDrawing(int index) noexcept;
    // Offers to test a faulted record again and reports the outcome.
    RetestOutcome Retest(int index) noexcept;
    // "&Refresh" (starts a rescan) or "Cancel Scan" (offers to cancel the running one).
    void ScanButtonPressed() noexcept;
    // The messages of the page's window: 0x8004, 0x8005, 0x8006, 0x8007.
    void OnMessage(UINT message, const void* argument) noexcept;

    HRESULT Apply() noexcept;
    bool Dirty() const noexcept { return dirty_; }
    bool RescanNeeded() const noexcept { return rescanNeeded_; }
    bool Scanning() const noexcept { return worker_ != nullptr; }
    const tQMLIST* WorkingList() const noexcept { return working_; }
    const WCHAR* Folder(int slot) const noexcept { return folders_[slot]; }

private:
    void ShowFolders() noexcept;
    void FillRows() noexcept;
    void TellSite(DWORD status) noexcept;
    void MarkDirty() noexcept;
    // Asks, then starts the worker: true when it runs.
    bool StartRescan() noexcept;
    void EndScan(bool cancelled) noexcept;
    void SetFolderCopy(int slot, const WCHAR* folder) noexcept;

    CQmVSTiSynthType& type_;
    ITypePageView& view_;
    IScanTester& tester_;
    IScanProbe* probe_;
    IPropertyPageSite* site_ = nullptr;
    std::unique_ptr<ScanWorker> worker_;
    tQMLIST* working_ = nullptr;
    WCHAR folders_[kScanSlotCount][kPluginPathChars] = {};
    bool dirty_ = false;
    bool rescanNeeded_ = false;
    bool applyStartedScan_ = false;
    bool listReady_ = false;
};

}  // namespace qm
