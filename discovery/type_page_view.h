// What the type page's logic asks of its window: the dialog's controls, its message boxes and
// folder dialog, and the messages it posts to itself. The Windows dialog implements it; tests
// implement it without a window. Every call comes on the page's thread; PostScanMessage (from
// IScanMessageSink) comes on the worker's and must hand the message over to the page's thread,
// copying a found record.
#pragma once
#include "discovery/scan_services.h"

namespace qm {

// Row images of the instrument list.
inline constexpr int kRowImageInUse = 3;
inline constexpr int kRowImageAvailable = 4;
inline constexpr int kRowImageFailed = 5;

class ITypePageView : public IScanMessageSink {
public:
    // Message boxes with the component's caption. AskYesNo defaults to no; true for yes.
    virtual bool AskYesNo(const WCHAR* text) noexcept = 0;
    virtual void ShowMessage(const WCHAR* text, bool exclamation) noexcept = 0;
    // The folder dialog; false when the user cancelled, else the folder in `chosen`.
    virtual bool BrowseFolder(const WCHAR* title, const WCHAR* start, WCHAR (&chosen)[kPluginPathChars]) noexcept = 0;
    // Posts `message` (kScanMessageRescan) to the page's own window.
    virtual void PostToPage(UINT message) noexcept = 0;

    // The folder edit box that has the focus (0-2), or -1; and the text one of them holds now.
    virtual int FocusedFolderSlot() noexcept = 0;
    virtual void ReadFolderText(int slot, WCHAR (&text)[kPluginPathChars]) noexcept = 0;
    // The three folder edit boxes with their browse buttons and labels, each enabled or not.
    virtual void ShowFolders(const WCHAR (*folders)[kPluginPathChars], const bool enabled[3]) noexcept = 0;
    // The six folder controls during a scan.
    virtual void EnableFolderControls(bool enabled) noexcept = 0;
    // The status line: shown with a text, or hidden (text null).
    virtual void ShowStatus(const WCHAR* text) noexcept = 0;
    // The "&Refresh" / "Cancel Scan" button.
    virtual void SetScanButtonText(const WCHAR* text) noexcept = 0;
    // The scan's timer (bringing forward windows a tested plug-in opens), started and stopped.
    virtual void SetScanTimer(bool running) noexcept = 0;

    // The instrument list. `index` is the record's index in the working list, or -1 for a record the
    // running scan found (`record` then is a copy the view keeps).
    virtual void ClearRows() noexcept = 0;
    virtual void AddRow(int index, const VstiPluginRecord& record, int image, bool checked) noexcept = 0;
    virtual void UpdateRow(int index, int image, bool checked) noexcept = 0;
    virtual void RemoveRow(int index) noexcept = 0;

protected:
    ~ITypePageView() = default;
};

}  // namespace qm
