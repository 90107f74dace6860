// The patch device's listener list: lock-free snapshots for the readers, swapped by the writers.
#include "patches/listener_list.h"

#include <cstdlib>
#include <new>
#include <thread>

namespace qm {

namespace {

// Reader scopes open on this thread (over every list): a writer inside one must not wait for the
// readers to leave.
thread_local int tReadDepth = 0;

}  // namespace

PatchListenerList::ReadScope::ReadScope(const PatchListenerList& owner) noexcept : list(owner) {
    ++tReadDepth;
    // Announce first, then read the pointer: a writer that swapped before seeing this reader waits
    // for it; one that swapped after cannot have freed what is read here.
    list.readers_.fetch_add(1, std::memory_order_seq_cst);
    snapshot = list.current_.load(std::memory_order_seq_cst);
}

PatchListenerList::ReadScope::~ReadScope() {
    list.readers_.fetch_sub(1, std::memory_order_seq_cst);
    --tReadDepth;
}

PatchListenerList::~PatchListenerList() {
    // The owner calls no reader any more: whatever is left goes now.
    Snapshot* snapshot = current_.exchange(nullptr);
    if (snapshot != nullptr) {
        for (size_t i = 0; i < snapshot->count; ++i) snapshot->items[i]->Release();
        std::free(snapshot);
    }
    for (Snapshot* parked : parkedSnapshots_) std::free(parked);
    for (IMIDIDeviceListener* listener : parkedListeners_) listener->Release();
}

PatchListenerList::Snapshot* PatchListenerList::Allocate(size_t count) noexcept {
    const size_t bytes = offsetof(Snapshot, items) + (count > 0 ? count : 1) * sizeof(IMIDIDeviceListener*);
    auto* snapshot = static_cast<Snapshot*>(std::calloc(1, bytes));
    if (snapshot != nullptr) snapshot->count = count;
    return snapshot;
}

HRESULT PatchListenerList::Add(IMIDIDeviceListener* listener) noexcept {
    if (listener == nullptr) return E_POINTER;
    Retired retired;
    {
        platform::LockScope hold(writer_);
        const Snapshot* old = current_.load(std::memory_order_acquire);
        const size_t count = old != nullptr ? old->count : 0;
        for (size_t i = 0; i < count; ++i) {
            if (old->items[i] == listener) return S_FALSE;
        }
        Snapshot* next = Allocate(count + 1);
        if (next == nullptr) return E_OUTOFMEMORY;
        for (size_t i = 0; i < count; ++i) next->items[i] = old->items[i];
        next->items[count] = listener;
        listener->AddRef();
        Swap(next, nullptr, &retired);
    }
    Reclaim(retired);
    return S_OK;
}

bool PatchListenerList::Remove(IMIDIDeviceListener* listener) noexcept {
    if (listener == nullptr) return false;
    Retired retired;
    {
        platform::LockScope hold(writer_);
        const Snapshot* old = current_.load(std::memory_order_acquire);
        const size_t count = old != nullptr ? old->count : 0;
        size_t found = count;
        for (size_t i = 0; i < count; ++i) {
            if (old->items[i] == listener) {
                found = i;
                break;
            }
        }
        if (found == count) return false;
        Snapshot* next = nullptr;
        if (count > 1) {
            next = Allocate(count - 1);
            // Without memory for the copy the entry stays: a listener is never released while listed.
            if (next == nullptr) return false;
            size_t j = 0;
            for (size_t i = 0; i < count; ++i) {
                if (i != found) next->items[j++] = old->items[i];
            }
        }
        Swap(next, listener, &retired);
    }
    Reclaim(retired);
    return true;
}

size_t PatchListenerList::Count() const noexcept {
    platform::LockScope hold(writer_);
    const Snapshot* snapshot = current_.load(std::memory_order_acquire);
    return snapshot != nullptr ? snapshot->count : 0;
}

IMIDIDeviceListener* PatchListenerList::First() const noexcept {
    platform::LockScope hold(writer_);
    const Snapshot* snapshot = current_.load(std::memory_order_acquire);
    if (snapshot == nullptr || snapshot->count == 0) return nullptr;
    IMIDIDeviceListener* first = snapshot->items[0];
    first->AddRef();
    return first;
}

void PatchListenerList::Swap(Snapshot* next, IMIDIDeviceListener* dropped, Retired* retired) noexcept {
    Snapshot* old = current_.exchange(next, std::memory_order_seq_cst);
    if (tReadDepth > 0) {
        try {
            if (old != nullptr) parkedSnapshots_.push_back(old);
            if (dropped != nullptr) parkedListeners_.push_back(dropped);
        } catch (...) {
            // No room to park: a little memory and one reference are lost rather than freed under
            // a reader.
        }
        return;
    }
    retired->snapshot = old;
    retired->listener = dropped;
    // Parked before this swap: the wait in Reclaim covers them too.
    retired->parkedSnapshots.swap(parkedSnapshots_);
    retired->parkedListeners.swap(parkedListeners_);
}

void PatchListenerList::Reclaim(Retired& retired) noexcept {
    if (retired.snapshot == nullptr && retired.listener == nullptr && retired.parkedSnapshots.empty() &&
        retired.parkedListeners.empty())
        return;
    // Readers hold a snapshot for one event only: the wait is short.
    while (readers_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    std::free(retired.snapshot);
    for (Snapshot* snapshot : retired.parkedSnapshots) std::free(snapshot);
    if (retired.listener != nullptr) retired.listener->Release();
    for (IMIDIDeviceListener* listener : retired.parkedListeners) listener->Release();
}

}  // namespace qm
