// The patch device's listeners: registered on the host's user-interface thread, called from the
// render thread (time and patch-change events) and from whatever thread the plug-in automates on.
//
// Readers never lock and never allocate: they announce themselves in an atomic reader count and walk
// an immutable snapshot. Writers (add, remove, close) copy the snapshot, publish the copy with one
// pointer swap and free the old one, and release a removed listener, only once no reader is inside.
// A writer called back from inside a reader (a listener that unregisters in answer to an event)
// cannot wait for itself: it parks the old snapshot and the listener until a later write or the
// destructor finds the readers gone.
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

    static Snapshot* Allocate(size_t count) noexcept;
    // Publishes `next` and retires the old snapshot, releasing `dropped` when readers allow.
    void Publish(Snapshot* next, IMIDIDeviceListener* dropped) noexcept;
    void FreeRetiredIfQuiet() noexcept;

    std::atomic<Snapshot*> current_{nullptr};
    mutable std::atomic<int> readers_{0};
    mutable platform::RecursiveLock writer_;
    std::vector<Snapshot*> retiredSnapshots_;
    std::vector<IMIDIDeviceListener*> retiredListeners_;
};

}  // namespace qm
