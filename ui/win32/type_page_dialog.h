// The type page's Windows dialog (resource 1387): the window service its logic (TypePageLogic)
// works through, over the dialog's real controls. The dialog owns this object (made at
// WM_INITDIALOG, deleted at WM_NCDESTROY); the page owns the logic, which the dialog has the page drop
// when it is destroyed, before this object goes.
//
// Threads: the page's; PostScanMessage alone comes on the scan worker's and only posts.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "discovery/type_page_view.h"
#include "ui/win32/skin_image_lists.h"

namespace qm {

class CVSTiTypePage;
class TypePageLogic;

// The dialog's own posted messages, after the scan worker's: a row's check box the user changed
// (wParam the record's index, lParam 1 when checked), handled once the list view's notification is
// over, since the logic may remove the row; and sizing the columns once a batch of rows is in.
inline constexpr UINT kTypePageCheckMessage = 0x8020;
inline constexpr UINT kTypePageSizeMessage = 0x8021;

class TypePageDialog final : public ITypePageView {
public:
    TypePageDialog(CVSTiTypePage& page, HWND dialog) noexcept;
    ~TypePageDialog();
    TypePageDialog(const TypePageDialog&) = delete;
    TypePageDialog& operator=(const TypePageDialog&) = delete;

    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    // False when the page could not open its logic (no type, no memory): the dialog is useless.
    bool Opened() const noexcept;

    bool AskYesNo(const WCHAR* text) noexcept override;
    void ShowMessage(const WCHAR* text, bool exclamation) noexcept override;
    bool BrowseFolder(const WCHAR* title, const WCHAR* start, WCHAR (&chosen)[kPluginPathChars]) noexcept override;
    void PostToPage(UINT message) noexcept override;
    int FocusedFolderSlot() noexcept override;
    void ReadFolderText(int slot, WCHAR (&text)[kPluginPathChars]) noexcept override;
    void ShowFolders(const WCHAR (*folders)[kPluginPathChars], const bool enabled[3]) noexcept override;
    void EnableFolderControls(bool enabled) noexcept override;
    void ShowStatus(const WCHAR* text) noexcept override;
    void SetScanButtonText(const WCHAR* text) noexcept override;
    void SetScanTimer(bool running) noexcept override;
    void ClearRows() noexcept override;
    void AddRow(int index, const VstiPluginRecord& record, int image, bool checked) noexcept override;
    void UpdateRow(int index, int image, bool checked) noexcept override;
    void RemoveRow(int index) noexcept override;
    void PostScanMessage(UINT message, const void* argument) noexcept override;

private:
    // The page's logic, asked for each time: the page drops it when its objects change.
    TypePageLogic* Logic() const noexcept;
    void Open() noexcept;
    void Close() noexcept;
    INT_PTR OnCommand(WORD id, WORD code) noexcept;
    INT_PTR OnNotify(const NMHDR& header) noexcept;
    void OnScanMessage(UINT message, LPARAM argument) noexcept;
    void BringTestedWindowForward() noexcept;
    // The controls follow the size the host's frame gives the page: the folder boxes and the list
    // widen, the browse buttons, the status line and the scan button keep to the edges.
    void RememberLayout() noexcept;
    void Layout(int width, int height) noexcept;

    // The list view (type_page_dialog_list.cpp).
    void SetUpList() noexcept;
    int FindRow(int index) const noexcept;
    void SetRowCheck(int row, bool checked) noexcept;
    void ScheduleColumnSizing() noexcept;
    void SizeColumns() noexcept;
    void OnItemChanged(const NMLISTVIEW& change) noexcept;
    void ShowContextMenu(int row) noexcept;
    int SelectedIndex() const noexcept;

    CVSTiTypePage& page_;
    HWND dialog_;
    HWND list_ = nullptr;
    SkinImageLists images_;
    HFONT font_ = nullptr;
    HWND focusBeforeScan_ = nullptr;
    static constexpr int kAnchoredControls = 9;
    RECT layout_[kAnchoredControls] = {};  // the controls' places in the template's client area
    SIZE layoutClient_ = {};
    int settingRows_ = 0;  // the view's own check-state changes notify too: not the user's
    bool sizingPending_ = false;
};

}  // namespace qm
