// The substitute host's patch listener: registered on every instance the session creates, it keeps
// what the instrument's patch device tells the host (events are copied on the thread that sends them,
// the render thread included) and can describe each event as one line.
#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "qmvsti/midi_device.h"

namespace qm::host {

class HostPatchListener final : public IMIDIDeviceListener {
public:
    HostPatchListener() = default;
    HostPatchListener(const HostPatchListener&) = delete;
    HostPatchListener& operator=(const HostPatchListener&) = delete;

    // Registers on the instance's patch device; false when it offers none.
    bool Attach(IUnknown* instance);

    // Everything heard so far, in order.
    std::vector<PatchListenerEvent> Events() const;
    // Time events are counted, not kept: one arrives with every block.
    long TimeEvents() const;

    HRESULT QM_COMCALL QueryInterface(REFIID riid, void** ppv) noexcept override;
    // The session owns the listener; the device's reference only keeps it registered.
    ULONG QM_COMCALL AddRef() noexcept override { return 2; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL OnEvent(PatchListenerEvent* event) noexcept override;

private:
    mutable std::mutex lock_;
    std::vector<PatchListenerEvent> events_;
    long timeEvents_ = 0;
};

// One line for an event: its name and the fields it carries, read at their byte offsets.
std::string DescribePatchEvent(const PatchListenerEvent& event);

}  // namespace qm::host
