#include "patch_listener.h"

#include <cstdio>
#include <cstring>

#include "qmvsti/guids.h"
#include "qmvsti/soft_synth.h"

namespace qm::host {

namespace {

template <typename T>
T At(const PatchListenerEvent& event, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&event) + offset, sizeof value);
    return value;
}

}  // namespace

bool HostPatchListener::Attach(IUnknown* instance) {
    IMIDIDevice* device = nullptr;
    if (instance == nullptr || FAILED(instance->QueryInterface(IID_IMIDIDevice, reinterpret_cast<void**>(&device))) ||
        device == nullptr)
        return false;
    const HRESULT added = device->AddListener(this);
    device->Release();
    return SUCCEEDED(added);
}

std::vector<PatchListenerEvent> HostPatchListener::Events() const {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
}

long HostPatchListener::TimeEvents() const {
    std::lock_guard<std::mutex> hold(lock_);
    return timeEvents_;
}

HRESULT HostPatchListener::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown)) return E_NOINTERFACE;
    *ppv = static_cast<IUnknown*>(this);
    return S_OK;
}

HRESULT HostPatchListener::OnEvent(PatchListenerEvent* event) noexcept {
    if (event == nullptr) return E_POINTER;
    std::lock_guard<std::mutex> hold(lock_);
    if (IsEqualGUID(event->eventId, GUID_PatchEventTime)) {
        ++timeEvents_;
        return S_OK;
    }
    try {
        events_.push_back(*event);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

std::string DescribePatchEvent(const PatchListenerEvent& event) {
    const GUID id = At<GUID>(event, 0);
    const DWORD kind = At<DWORD>(event, 16);
    char line[256];
    if (IsEqualGUID(id, GUID_PatchEventOpen)) {
        std::snprintf(line, sizeof line, "open kind=%u", static_cast<unsigned>(kind));
    } else if (IsEqualGUID(id, GUID_PatchEventClose)) {
        std::snprintf(line, sizeof line, "close kind=%u", static_cast<unsigned>(kind));
    } else if (IsEqualGUID(id, GUID_PatchEventPatchChange)) {
        std::snprintf(line, sizeof line, "patch-change kind=0x%X position=%lld @56=%lld time=%lld @72=%lld",
                      static_cast<unsigned>(kind), static_cast<long long>(At<LONGLONG>(event, 48)),
                      static_cast<long long>(At<LONGLONG>(event, 56)), static_cast<long long>(At<LONGLONG>(event, 64)),
                      static_cast<long long>(At<LONGLONG>(event, 72)));
    } else if (IsEqualGUID(id, GUID_PatchEventParameter) && kind == PatchEventKind::Gesture) {
        std::snprintf(line, sizeof line, "parameter-gesture %s index=%ld assignment=0x%X",
                      At<DWORD>(event, 20) ? "begin" : "end", static_cast<long>(At<LONG>(event, 24)),
                      static_cast<unsigned>(At<DWORD>(event, 44)));
    } else if (IsEqualGUID(id, GUID_PatchEventParameter)) {
        std::snprintf(line, sizeof line, "parameter-value index=%ld word=%u value=%g range=%g..%g assignment=0x%X",
                      static_cast<long>(At<LONG>(event, 24)), static_cast<unsigned>(At<DWORD>(event, 28)),
                      static_cast<double>(At<float>(event, 32)), static_cast<double>(At<float>(event, 36)),
                      static_cast<double>(At<float>(event, 40)), static_cast<unsigned>(At<DWORD>(event, 44)));
    } else if (IsEqualGUID(id, GUID_PatchEventTime)) {
        std::snprintf(line, sizeof line, "time position=%lld frames=%lld time=%lld duration=%lld",
                      static_cast<long long>(At<LONGLONG>(event, 48)), static_cast<long long>(At<LONGLONG>(event, 56)),
                      static_cast<long long>(At<LONGLONG>(event, 64)), static_cast<long long>(At<LONGLONG>(event, 72)));
    } else {
        std::snprintf(line, sizeof line, "unknown event kind=%u", static_cast<unsigned>(kind));
    }
    return line;
}

}  // namespace qm::host
