#include "platform/sync.h"

#include <windows.h>

#include <new>

namespace qm::platform {
namespace {

CRITICAL_SECTION* AsSection(unsigned char* storage) { return reinterpret_cast<CRITICAL_SECTION*>(storage); }
HANDLE& AsHandle(unsigned char* storage) { return *reinterpret_cast<HANDLE*>(storage); }
HANDLE AsHandle(const unsigned char* storage) { return *reinterpret_cast<const HANDLE*>(storage); }

}  // namespace

static_assert(sizeof(CRITICAL_SECTION) <= 64, "RecursiveLock storage too small");

RecursiveLock::RecursiveLock() noexcept { InitializeCriticalSection(new (storage_) CRITICAL_SECTION); }

RecursiveLock::~RecursiveLock() { DeleteCriticalSection(AsSection(storage_)); }

void RecursiveLock::Enter() noexcept { EnterCriticalSection(AsSection(storage_)); }

bool RecursiveLock::TryEnter() noexcept { return TryEnterCriticalSection(AsSection(storage_)) != FALSE; }

void RecursiveLock::Leave() noexcept { LeaveCriticalSection(AsSection(storage_)); }

ManualResetEvent::ManualResetEvent(bool signalled) noexcept {
    AsHandle(storage_) = CreateEventW(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
}

ManualResetEvent::~ManualResetEvent() {
    if (AsHandle(storage_) != nullptr) CloseHandle(AsHandle(storage_));
}

void ManualResetEvent::Set() noexcept { SetEvent(AsHandle(storage_)); }

void ManualResetEvent::Reset() noexcept { ResetEvent(AsHandle(storage_)); }

bool ManualResetEvent::IsSet() const noexcept { return WaitForSingleObject(AsHandle(storage_), 0) == WAIT_OBJECT_0; }

bool ManualResetEvent::Wait(uint32_t timeoutMs) noexcept {
    return WaitForSingleObject(AsHandle(storage_), timeoutMs == kInfinite ? INFINITE : timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace qm::platform
