// Locks and events with the semantics the host's threads rely on.
#pragma once
#include <cstdint>

namespace qm::platform {

// Re-entrant lock (a critical section): the owning thread may enter again.
class RecursiveLock {
public:
    RecursiveLock() noexcept;
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;
    void Enter() noexcept;
    bool TryEnter() noexcept;
    void Leave() noexcept;

private:
    alignas(8) unsigned char storage_[64];
};

class LockScope {
public:
    explicit LockScope(RecursiveLock& lock) noexcept : lock_(lock) { lock_.Enter(); }
    ~LockScope() { lock_.Leave(); }
    LockScope(const LockScope&) = delete;
    LockScope& operator=(const LockScope&) = delete;

private:
    RecursiveLock& lock_;
};

// Manual-reset event: stays signalled until Reset.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool signalled = false) noexcept;
    ~ManualResetEvent();
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;
    void Set() noexcept;
    void Reset() noexcept;
    bool IsSet() const noexcept;
    // Waits up to timeoutMs milliseconds (kInfinite waits for ever); true when signalled.
    bool Wait(uint32_t timeoutMs) noexcept;
    static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

private:
    alignas(8) unsigned char storage_[128];
};

}  // namespace qm::platform
