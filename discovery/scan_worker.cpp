#include "discovery/scan_worker.h"

#include "discovery/plugin_record.h"

namespace qm {

namespace {

constexpr uint32_t kInfinite = platform::ManualResetEvent::kInfinite;

}  // namespace

ScanWorker::ScanWorker(IScanTester& tester, IScanMessageSink& sink, IScanProbe* probe) noexcept
    : tester_(tester), sink_(sink), probe_(probe) {}

ScanWorker::~ScanWorker() {
    Stop();
    QmList_Destroy(list_);
}

HRESULT ScanWorker::Create(const WCHAR (*folders)[kPluginPathChars]) noexcept {
    if (thread_.Running() || list_ != nullptr) return E_UNEXPECTED;
    pauseRequest_ = false;
    resume_.Reset();
    acknowledged_.Reset();
    running_ = false;
    for (int i = 0; i < kScanSlotCount; ++i) WideCopy(folders_[i], kPluginPathChars, folders[i]);
    const HRESULT hr = CreatePluginList(&list_);
    if (FAILED(hr)) return hr;
    if (!thread_.Start(ThreadMain, this)) return E_FAIL;
    return S_OK;
}

void ScanWorker::Start() noexcept {
    running_ = true;
    resume_.Set();
}

void ScanWorker::Pause() noexcept {
    RequestPause();
    WaitUntilPaused();
}

void ScanWorker::RequestPause() noexcept {
    if (!thread_.Running()) return;
    resume_.Reset();
    pauseRequest_ = true;
    acknowledged_.Reset();
    resume_.Set();
}

void ScanWorker::WaitUntilPaused() noexcept {
    if (!thread_.Running() || !pauseRequest_) return;
    acknowledged_.Wait(kInfinite);
    // The worker waits for the next Set from here on; the one that woke it is taken back.
    resume_.Reset();
}

void ScanWorker::Resume() noexcept {
    pauseRequest_ = false;
    resume_.Set();
}

void ScanWorker::Stop() noexcept {
    if (!thread_.Running()) return;
    RequestStop();
    thread_.Join(kInfinite);
}

void ScanWorker::RequestStop() noexcept {
    if (!thread_.Running()) return;
    resume_.Reset();
    running_ = false;
    pauseRequest_ = false;
    resume_.Set();
}

tQMLIST* ScanWorker::TakeNewList() noexcept {
    tQMLIST* list = list_;
    list_ = nullptr;
    return list;
}

uint32_t ScanWorker::ThreadMain(void* self) {
    auto* worker = static_cast<ScanWorker*>(self);
    worker->WaitForResume();
    if (worker->running_) worker->Scan();
    // An asker waiting for the acknowledgement of a worker that has ended is let go.
    worker->acknowledged_.Set();
    return 0;
}

void ScanWorker::Scan() noexcept {
    FolderScan scan(tester_, probe_, sink_, *this, list_);
    for (int i = 0; i < kScanSlotCount && running_; ++i) {
        if (folders_[i][0] == 0) continue;
        result_ = scan.Run(folders_[i]);
        if (result_ != S_OK) break;
    }
    if (!running_) return;
    resume_.Reset();
    sink_.PostScanMessage(kScanMessageFinished, nullptr);
    WaitForResume();
}

void ScanWorker::WaitForResume() noexcept {
    resume_.Wait(kInfinite);
    HonourPause();
}

void ScanWorker::HonourPause() noexcept {
    if (!pauseRequest_ || !running_) return;
    resume_.Wait(kInfinite);
    acknowledged_.Set();
    // Resume and Stop clear the request before they set the event, so no wake-up is lost here; the
    // loop only turns while the asker has yet to take back the Set that woke this thread.
    while (pauseRequest_ && running_) resume_.Wait(kInfinite);
}

bool ScanWorker::Continue() noexcept {
    HonourPause();
    return running_;
}

}  // namespace qm
