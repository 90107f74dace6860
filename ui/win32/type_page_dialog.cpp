// The type page's dialog: creation, its messages, and the window services of the logic except the
// instrument list (type_page_dialog_list.cpp). Decisions stay in TypePageLogic; this file only
// moves texts and states between it and the controls.
#include "ui/win32/type_page_dialog.h"

#include <shlobj.h>

#include <new>

#include "discovery/plugin_record.h"
#include "discovery/type_page.h"
#include "discovery/type_page_logic.h"
#include "framework/lang.h"
#include "resources/type_page_ids.h"
#include "ui/page_dialogs.h"

namespace qm {

namespace {

constexpr WCHAR kMessageCaption[] = L"Kelo VSTi Soft Synth";
constexpr UINT_PTR kScanTimer = 88;
constexpr UINT kScanTimerPeriodMs = 10000;
constexpr int kFolderEdits[kScanSlotCount] = {IDC_TYPE_FOLDER0, IDC_TYPE_FOLDER1, IDC_TYPE_FOLDER2};
constexpr int kBrowseButtons[kScanSlotCount] = {IDC_TYPE_BROWSE0, IDC_TYPE_BROWSE1, IDC_TYPE_BROWSE2};
constexpr int kFolderLabels[kScanSlotCount] = {0, IDC_TYPE_LABEL1, IDC_TYPE_LABEL2};  // slot 0's is never disabled

int SlotOfControl(WORD id, const int (&ids)[kScanSlotCount]) noexcept {
    for (int slot = 0; slot < kScanSlotCount; ++slot) {
        if (ids[slot] == id) return slot;
    }
    return -1;
}

// The folder dialog starts at the slot's folder and carries the title as its caption too.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const auto* start = reinterpret_cast<const WCHAR* const*>(data);
        if (start[1] != nullptr) SetWindowTextW(window, start[1]);
        if (start[0] != nullptr && start[0][0] != 0)
            SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(start[0]));
    }
    return 0;
}

// Frees what PostScanMessage copied for `message` (0 for messages without an argument).
void FreeScanCopy(UINT message, LPARAM copy) noexcept {
    if (message == kScanMessageFound) delete reinterpret_cast<VstiPluginRecord*>(copy);
    if (message == kScanMessageStatus) delete[] reinterpret_cast<WCHAR*>(copy);
}

// How a control follows the dialog's size: moved right or down by the growth, or grown by it.
struct Anchor {
    int id;
    bool moveX, moveY, growX, growY;
};
constexpr Anchor kAnchors[] = {
    {IDC_TYPE_FOLDER0, false, false, true, false}, {IDC_TYPE_FOLDER1, false, false, true, false},
    {IDC_TYPE_FOLDER2, false, false, true, false}, {IDC_TYPE_BROWSE0, true, false, false, false},
    {IDC_TYPE_BROWSE1, true, false, false, false}, {IDC_TYPE_BROWSE2, true, false, false, false},
    {IDC_TYPE_LIST, false, false, true, true},     {IDC_TYPE_STATUS, false, true, true, false},
    {IDC_TYPE_SCAN, true, true, false, false},
};

// The first top-level window of this thread, besides the page's own frame and that frame's owner,
// that is enabled and visible: what a plug-in under test opened.
struct TestedWindowSearch {
    HWND frame;
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindTestedWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TestedWindowSearch*>(data);
    if (window == search->frame || window == search->owner || IsChild(search->frame, window)) return TRUE;
    if (!IsWindowEnabled(window) || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND CreateTypePageDialog(CVSTiTypePage& page, HWND parent) noexcept {
    const WCHAR* name = MAKEINTRESOURCEW(IDD_TYPE_PAGE);
    HINSTANCE resources = QmFindResInstance(KernelLangHandle(), name, MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HWND dialog = CreateDialogParamW(resources, name, parent, TypePageDialog::Procedure, reinterpret_cast<LPARAM>(&page));
    if (dialog == nullptr) return nullptr;
    const auto* view = reinterpret_cast<const TypePageDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (view == nullptr || !view->Opened()) {
        DestroyWindow(dialog);
        return nullptr;
    }
    return dialog;
}

TypePageDialog::TypePageDialog(CVSTiTypePage& page, HWND dialog) noexcept : page_(page), dialog_(dialog) {}

bool TypePageDialog::Opened() const noexcept { return Logic() != nullptr; }

TypePageLogic* TypePageDialog::Logic() const noexcept { return page_.Logic(); }

TypePageDialog::~TypePageDialog() {
    FreeSkinImageLists(images_);
    if (font_ != nullptr) DeleteObject(font_);
}

INT_PTR CALLBACK TypePageDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TypePageDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = new (std::nothrow) TypePageDialog(*reinterpret_cast<CVSTiTypePage*>(lParam), dialog);
        SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        if (self != nullptr) self->Open();
        return TRUE;
    }
    if (self == nullptr) return FALSE;
    switch (message) {
    case WM_COMMAND: return self->OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
        if (wParam == kScanTimer) self->BringTestedWindowForward();
        return TRUE;
    case kScanMessageFinished:
    case kScanMessageStatus:
    case kScanMessageRescan:
    case kScanMessageFound: self->OnScanMessage(message, lParam); return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) self->Layout(LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_DESTROY: self->Close(); return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        delete self;
        return FALSE;
    default: break;
    }
    if (message == kTypePageCheckMessage && self->Logic() != nullptr) {
        self->Logic()->CheckChanged(static_cast<int>(wParam), lParam != 0);
        return TRUE;
    }
    if (message == kTypePageSizeMessage) {
        self->SizeColumns();
        return TRUE;
    }
    return FALSE;
}

void TypePageDialog::Open() noexcept {
    RememberLayout();
    SetUpList();
    page_.OpenLogic(*this);
    SizeColumns();
}

void TypePageDialog::Close() noexcept {
    KillTimer(dialog_, kScanTimer);
    // The logic stops a running scan first, so that nothing is posted after this.
    page_.CloseLogic();
    // Found records and status texts still queued are copies this object made.
    MSG pending;
    while (PeekMessageW(&pending, dialog_, kScanMessageStatus, kScanMessageFound, PM_REMOVE))
        FreeScanCopy(pending.message, pending.lParam);
}

INT_PTR TypePageDialog::OnCommand(WORD id, WORD code) noexcept {
    if (Logic() == nullptr) return FALSE;
    const int edit = SlotOfControl(id, kFolderEdits);
    if (edit >= 0) {
        if (code != EN_KILLFOCUS) return FALSE;
        WCHAR text[kPluginPathChars] = {};
        ReadFolderText(edit, text);
        Logic()->CommitFolderText(edit, text);
        return TRUE;
    }
    if (code != BN_CLICKED) return FALSE;  // menu commands come with 0 too
    const int browse = SlotOfControl(id, kBrowseButtons);
    if (browse >= 0) {
        Logic()->BrowseFolder(browse);
    } else if (id == IDC_TYPE_SCAN) {
        Logic()->ScanButtonPressed();
    } else if (id == IDM_TYPE_ALTERNATIVE_DRAWING) {
        Logic()->ToggleAlternativeDrawing(SelectedIndex());
    } else {
        return FALSE;
    }
    return TRUE;
}

INT_PTR TypePageDialog::OnNotify(const NMHDR& header) noexcept {
    if (Logic() == nullptr) return FALSE;
    if (header.code == static_cast<UINT>(PSN_KILLACTIVE) || header.code == static_cast<UINT>(PSN_QUERYCANCEL)) {
        const bool refuse = Logic()->RefusesToLeave();
        if (refuse) BringTestedWindowForward();
        SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, refuse ? TRUE : FALSE);
        return TRUE;
    }
    if (header.idFrom != IDC_TYPE_LIST) return FALSE;
    if (header.code == static_cast<UINT>(LVN_ITEMCHANGED)) {
        OnItemChanged(reinterpret_cast<const NMLISTVIEW&>(header));
    } else if (header.code == static_cast<UINT>(NM_RCLICK)) {
        ShowContextMenu(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    }
    return FALSE;
}

void TypePageDialog::OnScanMessage(UINT message, LPARAM argument) noexcept {
    if (Logic() != nullptr) Logic()->OnMessage(message, reinterpret_cast<const void*>(argument));
    FreeScanCopy(message, argument);
}

void TypePageDialog::RememberLayout() noexcept {
    static_assert(sizeof(kAnchors) / sizeof(kAnchors[0]) == kAnchoredControls);
    RECT client;
    GetClientRect(dialog_, &client);
    layoutClient_ = SIZE{client.right, client.bottom};
    for (int i = 0; i < kAnchoredControls; ++i) {
        GetWindowRect(GetDlgItem(dialog_, kAnchors[i].id), &layout_[i]);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&layout_[i]), 2);
    }
}

void TypePageDialog::Layout(int width, int height) noexcept {
    if (layoutClient_.cx == 0) return;  // WM_SIZE before WM_INITDIALOG
    const int dx = width - layoutClient_.cx, dy = height - layoutClient_.cy;
    HDWP moves = BeginDeferWindowPos(kAnchoredControls);
    for (int i = 0; i < kAnchoredControls && moves != nullptr; ++i) {
        const Anchor& a = kAnchors[i];
        const RECT& r = layout_[i];
        const int w = r.right - r.left + (a.growX ? dx : 0), h = r.bottom - r.top + (a.growY ? dy : 0);
        moves = DeferWindowPos(moves, GetDlgItem(dialog_, a.id), nullptr, r.left + (a.moveX ? dx : 0),
                               r.top + (a.moveY ? dy : 0), w > 0 ? w : 0, h > 0 ? h : 0, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (moves != nullptr) EndDeferWindowPos(moves);
}

void TypePageDialog::BringTestedWindowForward() noexcept {
    TestedWindowSearch search{GetAncestor(dialog_, GA_ROOT), nullptr, nullptr};
    search.owner = GetWindow(search.frame, GW_OWNER);
    EnumThreadWindows(GetCurrentThreadId(), FindTestedWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && search.found != GetActiveWindow()) BringWindowToTop(search.found);
}

bool TypePageDialog::AskYesNo(const WCHAR* text) noexcept {
    return MessageBoxW(dialog_, text, kMessageCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void TypePageDialog::ShowMessage(const WCHAR* text, bool exclamation) noexcept {
    MessageBoxW(dialog_, text, kMessageCaption, MB_OK | (exclamation ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

bool TypePageDialog::BrowseFolder(const WCHAR* title, const WCHAR* start, WCHAR (&chosen)[kPluginPathChars]) noexcept {
    const WCHAR* startAndTitle[2] = {start, title};
    BROWSEINFOW info{};
    info.hwndOwner = dialog_;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(startAndTitle);
    PIDLIST_ABSOLUTE folder = SHBrowseForFolderW(&info);
    if (folder == nullptr) return false;
    const bool ok = SHGetPathFromIDListW(folder, chosen) != FALSE;
    CoTaskMemFree(folder);
    return ok;
}

void TypePageDialog::PostToPage(UINT message) noexcept { PostMessageW(dialog_, message, 0, 0); }

void TypePageDialog::PostScanMessage(UINT message, const void* argument) noexcept {
    // The worker's record and status buffer change under it as it goes on: the page gets copies.
    LPARAM copy = 0;
    if (message == kScanMessageFound && argument != nullptr) {
        auto* record = new (std::nothrow) VstiPluginRecord(*static_cast<const VstiPluginRecord*>(argument));
        if (record == nullptr) return;
        copy = reinterpret_cast<LPARAM>(record);
    } else if (message == kScanMessageStatus && argument != nullptr) {
        const auto* text = static_cast<const WCHAR*>(argument);
        const size_t length = WideLen(text);
        auto* owned = new (std::nothrow) WCHAR[length + 1];
        if (owned == nullptr) return;
        WideCopy(owned, length + 1, text);
        copy = reinterpret_cast<LPARAM>(owned);
    }
    if (!PostMessageW(dialog_, message, 0, copy)) FreeScanCopy(message, copy);
}

int TypePageDialog::FocusedFolderSlot() noexcept {
    const HWND focus = GetFocus();
    for (int slot = 0; slot < kScanSlotCount; ++slot) {
        if (focus != nullptr && focus == GetDlgItem(dialog_, kFolderEdits[slot])) return slot;
    }
    return -1;
}

void TypePageDialog::ReadFolderText(int slot, WCHAR (&text)[kPluginPathChars]) noexcept {
    text[0] = 0;
    if (slot >= 0 && slot < kScanSlotCount) GetDlgItemTextW(dialog_, kFolderEdits[slot], text, kPluginPathChars);
}

void TypePageDialog::ShowFolders(const WCHAR (*folders)[kPluginPathChars], const bool enabled[3]) noexcept {
    for (int slot = 0; slot < kScanSlotCount; ++slot) {
        SetDlgItemTextW(dialog_, kFolderEdits[slot], folders[slot]);
        EnableWindow(GetDlgItem(dialog_, kFolderEdits[slot]), enabled[slot]);
        EnableWindow(GetDlgItem(dialog_, kBrowseButtons[slot]), enabled[slot]);
        if (kFolderLabels[slot] != 0) EnableWindow(GetDlgItem(dialog_, kFolderLabels[slot]), enabled[slot]);
    }
}

void TypePageDialog::EnableFolderControls(bool enabled) noexcept {
    // The focus goes back where it was when the scan started, once the controls are usable again.
    if (!enabled) focusBeforeScan_ = GetFocus();
    for (int slot = 0; slot < kScanSlotCount; ++slot) {
        EnableWindow(GetDlgItem(dialog_, kFolderEdits[slot]), enabled);
        EnableWindow(GetDlgItem(dialog_, kBrowseButtons[slot]), enabled);
    }
    if (enabled && focusBeforeScan_ != nullptr && IsWindow(focusBeforeScan_)) SetFocus(focusBeforeScan_);
    if (enabled) focusBeforeScan_ = nullptr;
}

void TypePageDialog::ShowStatus(const WCHAR* text) noexcept {
    const HWND status = GetDlgItem(dialog_, IDC_TYPE_STATUS);
    SetWindowTextW(status, text != nullptr ? text : L"");
    ShowWindow(status, text != nullptr ? SW_SHOWNA : SW_HIDE);
}

void TypePageDialog::SetScanButtonText(const WCHAR* text) noexcept {
    SetDlgItemTextW(dialog_, IDC_TYPE_SCAN, text);
    RedrawWindow(dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TypePageDialog::SetScanTimer(bool running) noexcept {
    if (running) {
        SetTimer(dialog_, kScanTimer, kScanTimerPeriodMs, nullptr);
    } else {
        KillTimer(dialog_, kScanTimer);
    }
}

}  // namespace qm
