// CTypeScanner: IQmVSTiScanner over the type, the scan and list access of a host without a type
// page. A scan runs the page's worker and merge, with the worker's messages brought to the
// caller's thread as the page's window would receive them.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "discovery/scan_services.h"
#include "qmvsti/scanner.h"

namespace qm {

class CQmVSTiSynthType;

class CTypeScanner final : public IQmVSTiScanner, private IScanMessageSink {
public:
    // A new scanner with count 0 holding a reference on `type`, or null without memory.
    static CTypeScanner* Create(CQmVSTiSynthType* type) noexcept;

    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    ULONG QM_COMCALL AddRef() noexcept override;
    ULONG QM_COMCALL Release() noexcept override;
    HRESULT QM_COMCALL GetFolder(LONG slot, LPWSTR buffer, LONG size) noexcept override;
    HRESULT QM_COMCALL SetFolder(LONG slot, LPCWSTR path) noexcept override;
    HRESULT QM_COMCALL SetScanOptions(DWORD timeoutMs, DWORD parallel, DWORD options) noexcept override;
    HRESULT QM_COMCALL Scan(LONG count, const LPCWSTR* folders, IQmVSTiScanProgress* progress) noexcept override;
    LONG QM_COMCALL GetRecordCount() noexcept override;
    HRESULT QM_COMCALL GetRecord(LONG index, VstiPluginRecord* record) noexcept override;
    HRESULT QM_COMCALL SetRecordEnabled(LONG index, BOOL enabled) noexcept override;

private:
    struct Event {
        UINT message;             // a scan message, or 0 for a tested record
        VstiPluginRecord record;  // found or tested
        WCHAR status[2 * kPluginPathChars];
    };

    explicit CTypeScanner(CQmVSTiSynthType* type) noexcept;
    ~CTypeScanner();
    void PostScanMessage(UINT message, const void* argument) noexcept override;
    void RecordTested(const VstiPluginRecord& record) noexcept override;
    void Push(const Event& event) noexcept;
    // Delivers the worker's events to `progress` until it finishes (S_OK) or is cancelled (S_FALSE).
    HRESULT Deliver(IQmVSTiScanProgress* progress) noexcept;

    std::atomic<ULONG> refs_{0};
    CQmVSTiSynthType* type_;
    DWORD timeoutMs_ = 0;
    DWORD parallel_ = 0;
    DWORD options_ = 0;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Event> events_;
    // Kept apart from the queue, so that a scan's end is seen even when its event could not be queued.
    bool finished_ = false;
};

}  // namespace qm
