// The events the patch device sends its listeners: patch change and time from the render path,
// parameter values and edit gestures from the plug-in's own thread, open and close. Built on the
// stack and handed to every listener of the current snapshot: nothing here allocates or locks.
#include <cmath>
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "qmvsti/guids.h"

namespace qm {

namespace {

constexpr LONGLONG kNone = -1;

}  // namespace

void CVSTIPatchDevice::BeginEvent(PatchListenerEvent& event, const GUID& id, DWORD kind) noexcept {
    std::memset(&event, 0, sizeof event);
    event.eventId = id;
    event.kind = kind;
    event.device = this;
}

HRESULT CVSTIPatchDevice::Broadcast(PatchListenerEvent& event) noexcept {
    return listeners_.ForEach([&event](IMIDIDeviceListener* listener) { return listener->OnEvent(&event); });
}

LONGLONG CVSTIPatchDevice::TimeOfFrames(LONGLONG frames) const noexcept {
    const DWORD rate = owner_ != nullptr ? owner_->PlugInFormat().nSamplesPerSec : 0;
    if (rate == 0) return 0;
    return static_cast<LONGLONG>(std::llround(static_cast<double>(frames) / rate * 1e7));
}

void CVSTIPatchDevice::SendPatchChange() noexcept {
    if (owner_ == nullptr) return;
    for (int channel = 0; channel < kChannels; ++channel) {
        if (Dispatch(effHasMidiProgramsChanged, channel, 0, nullptr) != 0) break;
    }
    const DWORD status = owner_->Status();
    DWORD kind = PatchEventKind::Change;
    if (status & InstanceStatus::InProcess) kind += PatchEventKind::InProcess;
    if (status & InstanceStatus::Playing) kind += PatchEventKind::Playing;
    PatchListenerEvent event;
    BeginEvent(event, GUID_PatchEventPatchChange, kind);
    event.samplePosition = owner_->CurrentSample();
    event.frames = kNone;
    event.time = TimeOfFrames(event.samplePosition);
    event.duration = kNone;
    Broadcast(event);
    owner_->ClearPatchMarks();
}

void CVSTIPatchDevice::SendParameterChange(int32_t index, intptr_t word, float value) noexcept {
    const ParameterEntry* entry = Entry(index);
    // An index outside the table would have the instance's open page refresh; there is none to tell.
    if (entry == nullptr) return;
    float scaled = ToHostRange(*entry, value);
    if (entry->integer) scaled = std::floor(scaled + 0.5f);
    PatchListenerEvent event;
    BeginEvent(event, GUID_PatchEventParameter, PatchEventKind::Change);
    event.parameterIndex = index;
    event.callerWord = static_cast<DWORD>(word);
    event.value = scaled;
    event.minimum = entry->minimum;
    event.maximum = entry->maximum;
    event.assignment = entry->assignment;
    Broadcast(event);
}

void CVSTIPatchDevice::SendParameterGesture(int32_t index, intptr_t word) noexcept {
    const ParameterEntry* entry = Entry(index);
    if (entry == nullptr) return;
    PatchListenerEvent event;
    BeginEvent(event, GUID_PatchEventParameter, PatchEventKind::Gesture);
    event.word20 = static_cast<DWORD>(word);
    event.parameterIndex = index;
    event.assignment = entry->assignment;
    Broadcast(event);
}

void CVSTIPatchDevice::SendTimeEvent(LONGLONG position, LONGLONG frames, void* callerPointer) noexcept {
    if (listeners_.Empty()) return;
    PatchListenerEvent event;
    BeginEvent(event, GUID_PatchEventTime, PatchEventKind::Change);
    event.samplePosition = position;
    event.frames = frames;
    event.time = TimeOfFrames(position);
    event.duration = TimeOfFrames(frames);
    event.callerPointer = callerPointer;
    Broadcast(event);
}

}  // namespace qm
