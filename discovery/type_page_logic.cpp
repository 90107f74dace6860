#include "discovery/type_page_logic.h"

#include <new>

#include "discovery/cache_import.h"
#include "framework/text_format.h"
#include "discovery/plugin_list_merge.h"
#include "discovery/plugin_record.h"
#include "discovery/synth_type.h"
#include "framework/lang.h"
#include "qmvsti/callbacks.h"

namespace qm {

namespace {

constexpr UINT kIdsBrowseTitle = 1014;     // "Browse for VSTi Folder"
constexpr UINT kIdsRescanQuestion = 1028;  // "This command will rescan all folders ..."
constexpr UINT kIdsRefresh = 1035;         // "&Refresh"
constexpr UINT kIdsCancelScan = 1059;      // "Cancel Scan"
constexpr UINT kIdsCancelQuestion = 1060;  // "Do you wish to cancel the scan for plugins?"
constexpr UINT kIdsRetestQuestion = 1092;  // "Do you want to test %s again?"
constexpr UINT kIdsRetestNotInstrument = 1093;
constexpr UINT kIdsRetestNoEditor = 1094;
constexpr UINT kIdsRetestReady = 1095;
constexpr UINT kIdsRetestFailed = 1096;

const WCHAR* Text(UINT id) noexcept { return QmGetString(KernelLangHandle(), id); }

int RowImage(const VstiPluginRecord& r) noexcept {
    if (r.flags & PluginRecordFlags::Faulted) return kRowImageFailed;
    return r.useCount > 0 ? kRowImageInUse : kRowImageAvailable;
}

bool RowChecked(const VstiPluginRecord& r) noexcept {
    return (r.flags & PluginRecordFlags::Enabled) && !(r.flags & PluginRecordFlags::Faulted);
}

}  // namespace

TypePageLogic::TypePageLogic(CQmVSTiSynthType& type, ITypePageView& view, IScanTester& tester,
                             IScanProbe* probe) noexcept
    : type_(type), view_(view), tester_(tester), probe_(probe) {}

TypePageLogic::~TypePageLogic() { Close(); }

HRESULT TypePageLogic::Open() noexcept {
    Close();
    for (int i = 0; i < kScanSlotCount; ++i) type_.GetFolder(i, folders_[i], kPluginPathChars);
    HRESULT hr = CreatePluginList(&working_);
    for (int i = 0; SUCCEEDED(hr) && i < PluginCount(type_.PluginList()); ++i)
        hr = AppendPluginRecord(working_, *PluginRecordAt(type_.PluginList(), i));
    if (FAILED(hr)) return hr;
    ShowFolders();
    FillRows();
    return S_OK;
}

void TypePageLogic::Close() noexcept {
    if (worker_ != nullptr) worker_->Stop();
    worker_.reset();
    QmList_Destroy(working_);
    working_ = nullptr;
    listReady_ = false;
}

void TypePageLogic::ShowFolders() noexcept {
    if (Scanning()) return;
    // Each further slot opens once the one before it holds a folder.
    const bool enabled[kScanSlotCount] = {true, folders_[1][0] != 0 || folders_[0][0] != 0,
                                          folders_[2][0] != 0 || folders_[1][0] != 0};
    view_.ShowFolders(folders_, enabled);
}

void TypePageLogic::FillRows() noexcept {
    using namespace PluginRecordFlags;
    listReady_ = false;
    view_.ClearRows();
    for (int i = 0; i < PluginCount(working_); ++i) {
        const VstiPluginRecord& r = *PluginRecordAt(working_, i);
        if (r.flags & (NotInstrument | NoEditor)) continue;
        view_.AddRow(i, r, RowImage(r), RowChecked(r));
    }
    listReady_ = true;
}

void TypePageLogic::TellSite(DWORD status) noexcept {
    if (site_ != nullptr) site_->OnStatusChange(status);
}

void TypePageLogic::MarkDirty() noexcept {
    dirty_ = true;
    TellSite(PageStatus::Dirty);
}

void TypePageLogic::SetFolderCopy(int slot, const WCHAR* folder) noexcept {
    WideCopy(folders_[slot], kPluginPathChars, folder);
    MarkDirty();
    rescanNeeded_ = true;
}

bool TypePageLogic::CommitFolderText(int slot, const WCHAR* text) noexcept {
    if (Scanning() || slot < 0 || slot >= kScanSlotCount || text == nullptr) return false;
    if ((slot == 0 && text[0] == 0) || WideEqualNoCase(text, folders_[slot])) return false;
    SetFolderCopy(slot, text);
    return true;
}

HRESULT TypePageLogic::TranslateKey(UINT message, WPARAM key) noexcept {
    constexpr UINT kKeyDown = 0x0100;  // WM_KEYDOWN
    constexpr WPARAM kReturn = 0x0D, kEscape = 0x1B;
    if (message != kKeyDown) return S_FALSE;
    const int slot = view_.FocusedFolderSlot();
    if (slot < 0 || slot >= kScanSlotCount) return S_FALSE;
    if (key == kReturn) {
        WCHAR text[kPluginPathChars] = {};
        view_.ReadFolderText(slot, text);
        return CommitFolderText(slot, text) ? S_OK : S_FALSE;
    }
    if (key == kEscape) RestoreFolders();
    return S_FALSE;
}

void TypePageLogic::BrowseFolder(int slot) noexcept {
    if (Scanning() || slot < 0 || slot >= kScanSlotCount) return;
    WCHAR chosen[kPluginPathChars] = {};
    if (!view_.BrowseFolder(Text(kIdsBrowseTitle), folders_[slot], chosen)) return;
    if (WideEqualNoCase(chosen, folders_[slot])) return;
    SetFolderCopy(slot, chosen);
    ShowFolders();
}

void TypePageLogic::CheckChanged(int index, bool checked) noexcept {
    using namespace PluginRecordFlags;
    if (!listReady_ || index < 0 || index >= PluginCount(working_)) return;
    VstiPluginRecord* r = PluginRecordAt(working_, index);
    // An instrument in use keeps its state.
    if (r->useCount > 0) {
        view_.UpdateRow(index, RowImage(*r), RowChecked(*r));
        return;
    }
    if (r->flags & Faulted) {
        if (Retest(index) != RetestOutcome::Ready) {
            view_.RemoveRow(index);  // the record stays in the working list
            return;
        }
        r = PluginRecordAt(working_, index);
        view_.UpdateRow(index, RowImage(*r), checked);
    }
    if (checked == ((r->flags & Enabled) != 0)) return;
    r->flags ^= Enabled;
    MarkDirty();
}

RetestOutcome TypePageLogic::Retest(int index) noexcept {
    if (index < 0 || index >= PluginCount(working_)) return RetestOutcome::Declined;
    VstiPluginRecord* r = PluginRecordAt(working_, index);
    WCHAR text[2 * kPluginPathChars];
    FormatTexts(text, sizeof(text) / sizeof(text[0]), Text(kIdsRetestQuestion), {r->name});
    if (!view_.AskYesNo(text)) return RetestOutcome::Declined;

    const RetestOutcome outcome = RetestRecord(tester_, r);
    const UINT message = outcome == RetestOutcome::Ready           ? kIdsRetestReady
                         : outcome == RetestOutcome::NotInstrument ? kIdsRetestNotInstrument
                         : outcome == RetestOutcome::NoEditor      ? kIdsRetestNoEditor
                                                                   : kIdsRetestFailed;
    FormatTexts(text, sizeof(text) / sizeof(text[0]), Text(message), {r->name});
    view_.ShowMessage(text, outcome != RetestOutcome::Ready);
    return outcome;
}

void TypePageLogic::ToggleAlternativeDrawing(int index) noexcept {
    using namespace PluginRecordFlags;
    if (index < 0 || index >= PluginCount(working_)) return;
    VstiPluginRecord* r = PluginRecordAt(working_, index);
    r->flags ^= AlternativeDrawing;
    tQMLIST* typeList = type_.PluginList();
    const int match = FindPluginRecord(typeList, *r, RecordMatch::SameModule);
    if (match >= 0) {
        VstiPluginRecord* t = PluginRecordAt(typeList, match);
        t->flags = (t->flags & ~AlternativeDrawing) | (r->flags & AlternativeDrawing);
    }
}

void TypePageLogic::ScanButtonPressed() noexcept {
    if (!Scanning()) {
        StartRescan();
        return;
    }
    worker_->Pause();
    if (view_.AskYesNo(Text(kIdsCancelQuestion))) {
        EndScan(true);
    } else {
        worker_->Resume();
    }
}

bool TypePageLogic::StartRescan() noexcept {
    if (Scanning() || !view_.AskYesNo(Text(kIdsRescanQuestion))) return false;
    view_.ClearRows();
    view_.ShowStatus(FolderScan::StatusLine());
    worker_.reset(new (std::nothrow) ScanWorker(tester_, view_, probe_));
    if (worker_ == nullptr || FAILED(worker_->Create(folders_))) {
        worker_.reset();
        view_.ShowStatus(nullptr);
        FillRows();
        return false;
    }
    view_.SetScanTimer(true);
    view_.EnableFolderControls(false);
    TellSite(PageStatus::Scanning);
    worker_->Start();
    view_.SetScanButtonText(Text(kIdsCancelScan));
    return true;
}

void TypePageLogic::EndScan(bool cancelled) noexcept {
    worker_->Stop();
    tQMLIST* found = worker_->TakeNewList();
    worker_.reset();
    view_.SetScanTimer(false);
    view_.EnableFolderControls(true);
    view_.ShowStatus(nullptr);
    if (!cancelled && found != nullptr && SUCCEEDED(MergeRescannedList(working_, found))) {
        QmList_Destroy(working_);
        working_ = found;
    } else {
        QmList_Destroy(found);
    }
    dirty_ = true;
    if (!applyStartedScan_) {
        rescanNeeded_ = false;
    } else if (!cancelled) {
        rescanNeeded_ = false;
        Apply();
        dirty_ = false;
    } else {
        rescanNeeded_ = true;
    }
    applyStartedScan_ = false;
    TellSite((dirty_ ? PageStatus::Dirty : 0) | (cancelled ? PageStatus::ScanCancelled : 0));
    view_.SetScanButtonText(Text(kIdsRefresh));
    ShowFolders();
    FillRows();
}

void TypePageLogic::OnMessage(UINT message, const void* argument) noexcept {
    switch (message) {
    case kScanMessageFinished:
        if (Scanning()) EndScan(false);
        break;
    case kScanMessageStatus:
        if (Scanning()) view_.ShowStatus(static_cast<const WCHAR*>(argument));
        break;
    case kScanMessageRescan: applyStartedScan_ = StartRescan(); break;
    case kScanMessageFound: {
        const auto* r = static_cast<const VstiPluginRecord*>(argument);
        if (Scanning() && r != nullptr && r->name[0] != 0) view_.AddRow(-1, *r, RowImage(*r), RowChecked(*r));
        break;
    }
    default: break;
    }
}

HRESULT TypePageLogic::Apply() noexcept {
    if (dirty_ && !rescanNeeded_) {
        for (int i = 0; i < kScanSlotCount; ++i) {
            WCHAR current[kPluginPathChars];
            type_.GetFolder(i, current, kPluginPathChars);
            if (!WideEqualNoCase(current, folders_[i])) type_.SetFolder(i, folders_[i]);
        }
        if (working_ != nullptr) type_.ReplaceList(working_);
        dirty_ = false;
    }
    if (rescanNeeded_) {
        view_.PostToPage(kScanMessageRescan);
        return S_FALSE;
    }
    return S_OK;
}

}  // namespace qm
