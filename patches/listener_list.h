// The patch device's listeners: registered on the host's user-interface thread, called from the
// render thread (time and patch-change events) and from whatever thread the plug-in automates on.
//
// Readers never lock and never allocate: they announce themselves in an atomic reader count and walk
// an immutable snapshot. Writers (add, remove, close) copy the snapshot under their own lock, publish
// the copy with one pointer swap, and, after leaving the lock, free the old one and release a removed
// listener once no reader is inside. A writer called back from inside a reader (a listener that
// unregisters in answer to an event) cannot wait for itself: it parks the old snapshot and the
// listener for the next write or the destructor.
#pragma once
#include <atomic>
#include <cstddef>
#include <vector>

#include "platform/sync.h"
#include "qmvsti/midi_device.h"

namespace qm {

class PatchListenerList {
public:
    PatchListenerList() noexcept = default;
    ~PatchListenerList();
    PatchListenerList(const PatchListenerList&) = delete;
    PatchListenerList& operator=(const PatchListenerList&) = delete;

    // Adds one reference: S_OK; S_FALSE when the listener is already listed (nothing changes);
    // E_OUTOFMEMORY when the copy cannot be allocated.
    HRESULT Add(IMIDIDeviceListener* listener) noexcept;
    // Releases the listed listener; false when it was not listed.
    bool Remove(IMIDIDeviceListener* listener) noexcept;
    // The listeners listed now, for callers outside the render path.
    size_t Count() const noexcept;
    // Whether there is nobody to tell, without a lock: lets the render path skip building an event.
    // A listener added at that moment hears from the next event on.
    bool Empty() const noexcept { return current_.load(std::memory_order_acquire) == nullptr; }

    // Calls `visit(listener)` for each listener in list order and returns the last answer (S_FALSE
    // when there is none). No lock, no allocation.
    template <typename Visit>
    HRESULT ForEach(Visit&& visit) const noexcept {
        ReadScope scope(*this);
        const Snapshot* snapshot = scope.snapshot;
        HRESULT last = S_FALSE;
        if (snapshot == nullptr) return last;
        for (size_t i = 0; i < snapshot->count; ++i) last = visit(snapshot->items[i]);
        return last;
    }

    // The first listener (with one reference for the caller), or null: for the close loop, which
    // must not hold a snapshot while a listener unregisters.
    IMIDIDeviceListener* First() const noexcept;

private:
    struct Snapshot {
        size_t count;
        IMIDIDeviceListener* items[1];  // `count` entries
    };
    struct ReadScope {
        explicit ReadScope(const PatchListenerList& list) noexcept;
        ~ReadScope();
        const PatchListenerList& list;
        const Snapshot* snapshot;
    };

    // What one write swapped out, freed once the readers are gone.
    struct Retired {
        Snapshot* snapshot = nullptr;
        IMIDIDeviceListener* listener = nullptr;
        std::vector<Snapshot*> parkedSnapshots;
        std::vector<IMIDIDeviceListener*> parkedListeners;
    };

    static Snapshot* Allocate(size_t count) noexcept;
    // Under the writer lock: publishes `next`; what it replaces goes into `retired`, or is parked
    // when this thread is inside a reader.
    void Swap(Snapshot* next, IMIDIDeviceListener* dropped, Retired* retired) noexcept;
    // Without the lock (a listener that unregisters from inside an event on another thread needs
    // it): waits for the readers to leave, then frees.
    void Reclaim(Retired& retired) noexcept;

    std::atomic<Snapshot*> current_{nullptr};
    mutable std::atomic<int> readers_{0};
    mutable platform::RecursiveLock writer_;
    std::vector<Snapshot*> parkedSnapshots_;
    std::vector<IMIDIDeviceListener*> parkedListeners_;
};

}  // namespace qm
