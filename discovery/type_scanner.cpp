#include "discovery/type_scanner.h"

#include <cstring>
#include <memory>
#include <new>

#include "discovery/plugin_list_merge.h"
#include "discovery/plugin_record.h"
#include "discovery/process_scan_probe.h"
#include "discovery/scan_candidate.h"
#include "discovery/scan_worker.h"
#include "discovery/synth_type.h"

namespace qm {

CTypeScanner* CTypeScanner::Create(CQmVSTiSynthType* type) noexcept {
    if (type == nullptr) return nullptr;
    return new (std::nothrow) CTypeScanner(type);
}

CTypeScanner::CTypeScanner(CQmVSTiSynthType* type) noexcept : type_(type) { type_->AddRef(); }

CTypeScanner::~CTypeScanner() { type_->Release(); }

HRESULT CTypeScanner::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IQmVSTiScanner)) return E_NOINTERFACE;
    *ppv = static_cast<IQmVSTiScanner*>(this);
    AddRef();
    return S_OK;
}

ULONG CTypeScanner::AddRef() noexcept { return ++refs_; }

ULONG CTypeScanner::Release() noexcept {
    const ULONG count = --refs_;
    if (count == 0) delete this;
    return count;
}

HRESULT CTypeScanner::GetFolder(LONG slot, LPWSTR buffer, LONG size) noexcept {
    return type_->GetFolder(slot, buffer, size);
}

HRESULT CTypeScanner::SetFolder(LONG slot, LPCWSTR path) noexcept { return type_->SetFolder(slot, path); }

HRESULT CTypeScanner::SetScanOptions(DWORD timeoutMs, DWORD parallel, DWORD options) noexcept {
    timeoutMs_ = timeoutMs;
    parallel_ = parallel;
    options_ = options;
    return S_OK;
}

void CTypeScanner::Push(const Event& event) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    if (event.message == kScanMessageFinished) {
        finished_ = true;
        arrived_.notify_one();
        return;
    }
    try {
        events_.push_back(event);
    } catch (...) {
        // Without memory the event is dropped.
    }
    arrived_.notify_one();
}

void CTypeScanner::PostScanMessage(UINT message, const void* argument) noexcept {
    Event event;
    std::memset(&event, 0, sizeof(event));
    event.message = message;
    if (message == kScanMessageStatus) WideCopy(event.status, 2 * kPluginPathChars, static_cast<const WCHAR*>(argument));
    if (message == kScanMessageFound) event.record = *static_cast<const VstiPluginRecord*>(argument);
    Push(event);
}

void CTypeScanner::RecordTested(const VstiPluginRecord& record) noexcept {
    Event event;
    std::memset(&event, 0, sizeof(event));
    event.record = record;
    Push(event);
}

HRESULT CTypeScanner::Deliver(IQmVSTiScanProgress* progress) noexcept {
    for (;;) {
        Event event;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            arrived_.wait(lock, [&] { return !events_.empty() || finished_; });
            // What the worker found before it finished is delivered first.
            if (events_.empty()) return S_OK;
            event = events_.front();
            events_.pop_front();
        }
        if (progress == nullptr) continue;
        HRESULT answer = S_OK;
        if (event.message == kScanMessageStatus) answer = progress->Status(event.status);
        if (event.message == 0) answer = progress->Tested(&event.record);
        if (answer == S_FALSE) return S_FALSE;
    }
}

HRESULT CTypeScanner::Scan(LONG count, const LPCWSTR* folders, IQmVSTiScanProgress* progress) noexcept {
    if (count < 0 || count > kScanSlotCount || (count > 0 && folders == nullptr)) return E_INVALIDARG;
    WCHAR slots[kScanSlotCount][kPluginPathChars] = {};
    for (int i = 0; i < kScanSlotCount; ++i) {
        if (count == 0) type_->GetFolder(i, slots[i], kPluginPathChars);
        else if (i < count) WideCopy(slots[i], kPluginPathChars, folders[i]);
    }
    TypeScanTester tester(type_);
    std::unique_ptr<ProcessScanProbe> probe;
    WCHAR program[kPluginPathChars];
    if (!(options_ & ScanOptions::InProcess) && ProcessScanProbe::FindBesideModule(program)) {
        probe.reset(new (std::nothrow) ProcessScanProbe(
            program, timeoutMs_ != 0 ? timeoutMs_ : kDefaultProbeTimeoutMs, parallel_));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.clear();
        finished_ = false;
    }
    ScanWorker worker(tester, *this, probe.get());
    HRESULT hr = worker.Create(slots);
    if (FAILED(hr)) return hr;
    worker.Start();
    const HRESULT delivered = Deliver(progress);
    worker.Stop();
    if (delivered == S_FALSE) return S_FALSE;
    if (FAILED(worker.Result())) return worker.Result();
    tQMLIST* found = worker.TakeNewList();
    hr = MergeRescannedList(type_->PluginList(), found);
    if (SUCCEEDED(hr)) hr = type_->ReplaceList(found);
    QmList_Destroy(found);
    return FAILED(hr) ? hr : S_OK;
}

LONG CTypeScanner::GetRecordCount() noexcept { return PluginCount(type_->PluginList()); }

HRESULT CTypeScanner::GetRecord(LONG index, VstiPluginRecord* record) noexcept {
    if (record == nullptr) return E_POINTER;
    if (index < 0 || index >= GetRecordCount()) return E_INVALIDARG;
    *record = *PluginRecordAt(type_->PluginList(), index);
    return S_OK;
}

HRESULT CTypeScanner::SetRecordEnabled(LONG index, BOOL enabled) noexcept {
    using namespace PluginRecordFlags;
    if (index < 0 || index >= GetRecordCount()) return E_INVALIDARG;
    VstiPluginRecord* r = PluginRecordAt(type_->PluginList(), index);
    // The page lists neither non-instruments nor records without editor: they have no check box.
    if (r->useCount > 0 || (r->flags & (NotInstrument | NoEditor))) return S_FALSE;
    if (enabled && (r->flags & Faulted)) {
        TypeScanTester tester(type_);
        if (RetestRecord(tester, r) != RetestOutcome::Ready) return S_FALSE;
    }
    if (((r->flags & Enabled) != 0) == (enabled != 0)) return S_FALSE;
    r->flags ^= Enabled;
    return S_OK;
}

}  // namespace qm
