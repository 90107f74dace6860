// The host callback (audioMasterCallback) every plug-in calls back through, with and without an
// instance, and the host's capability table. It takes no lock: plug-ins call it from any thread,
// often from inside a call the instance makes while holding its lock.
#include <cstring>

#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"

namespace qm {

namespace {

constexpr intptr_t kHostVersion = 2;
constexpr intptr_t kAutomatableParameters = 512;
constexpr intptr_t kHostVendorVersion = 6;
constexpr const char* kHostVendor = "Kelo Zezazidu Software Inc";
constexpr const char* kHostProduct = "VELD Pro";

struct CanDoRow {
    char name[64];
    int32_t answer;
};

// Compared in order, first match wins.
const CanDoRow kHostCanDo[] = {
    {"sendVstEvents", 1},       {"sendVstMidiEvent", 1},        {"sendVstTimeInfo", 1},
    {"receiveVstEvents", 1},    {"receiveVstMidiEvent", 1},     {"receiveVstTimeInfo", 0},
    {"reportConnectionChanges", 1}, {"acceptIOChanges", 1},     {"sizeWindow", 1},
    {"asyncProcessing", 0},     {"offline", 0},                 {"supplyIdle", 1},
    {"supportShell", 0},        {"openFileSelector", 0},        {"editFile", 0},
    {"closeFileSelector", 0},
};
static_assert(sizeof kHostCanDo / sizeof kHostCanDo[0] == 16, "the host answers sixteen capabilities");

// Plug-ins hand buffers of kVstMaxVendorStrLen / kVstMaxProductStrLen bytes; both texts fit.
void CopyHostString(void* ptr, const char* text) noexcept {
    if (ptr != nullptr) std::memcpy(ptr, text, std::strlen(text) + 1);
}

}  // namespace

intptr_t CVSTiSofthSynth::HostCanDo(const char* capability) noexcept {
    if (capability == nullptr) return 0;
    for (const CanDoRow& row : kHostCanDo) {
        if (std::strcmp(row.name, capability) == 0) return row.answer;
    }
    return 0;
}

intptr_t VSTCALLBACK CVSTiSofthSynth::HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                                   void* ptr, float opt) {
    CVSTiSofthSynth* instance = effect != nullptr ? reinterpret_cast<CVSTiSofthSynth*>(effect->resvd1) : nullptr;
    if (instance != nullptr) {
        return instance->AnswerHost(opcode, index, value, ptr, opt);
    }
    // No instance yet (inside the entry point) or a plug-in that calls back with a null effect.
    switch (opcode) {
    case audioMasterVersion: return kHostVersion;
    case audioMasterWantMidi: return 1;
    case audioMasterGetNumAutomatableParameters: return kAutomatableParameters;
    case audioMasterNeedIdle: return 1;
    case audioMasterGetVendorString: CopyHostString(ptr, kHostVendor); return 0;
    case audioMasterGetProductString: CopyHostString(ptr, kHostProduct); return 0;
    case audioMasterGetVendorVersion: return kHostVendorVersion;
    case audioMasterCanDo: return HostCanDo(static_cast<const char*>(ptr));
    default: return 0;
    }
}

intptr_t CVSTiSofthSynth::AnswerHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) noexcept {
    switch (opcode) {
    case audioMasterAutomate:
        // value is the caller's word, opt the new 0-1 value.
        if (patchDevice_ != nullptr) patchDevice_->SendParameterChange(index, value, opt);
        return 0;
    case audioMasterVersion: return kHostVersion;
    case audioMasterCurrentId: return 0;
    case audioMasterIdle: return 1;
    case audioMasterPinConnected: return PinConnected(index, value);
    case audioMasterWantMidi:
        SetBits(InstanceStatus::ProcessEvents);
        return 0;
    case audioMasterGetTime: return AnswerGetTime(static_cast<int32_t>(value));
    case audioMasterProcessEvents: return ForwardPlugInMidi(static_cast<const VstEvents*>(ptr));
    case audioMasterTempoAt: return AnswerTempoAt(value);
    case audioMasterGetNumAutomatableParameters: return kAutomatableParameters;
    case audioMasterIOChanged:
        MarkBusesGone();
        return 0;
    case audioMasterNeedIdle:
        SetBits(InstanceStatus::NeedsIdle);
        lastIdleTime_ = 0;
        return 1;
    case audioMasterSizeWindow: return AnswerSizeWindow(index, value);
    case audioMasterWillReplaceOrAccumulate: return 1;
    case audioMasterGetCurrentProcessLevel: return ProcessLevel();
    case audioMasterGetVendorString: CopyHostString(ptr, kHostVendor); return 0;
    case audioMasterGetProductString: CopyHostString(ptr, kHostProduct); return 0;
    case audioMasterGetVendorVersion: return kHostVendorVersion;
    case audioMasterCanDo: return CanDoForInstance(static_cast<const char*>(ptr));
    case audioMasterUpdateDisplay:
        if (IEditorWindow* window = editorWindow_; window != nullptr && window->HasWindow()) window->PostUpdateDisplay();
        // Programs may have been renamed or reloaded: the host's listeners see them anew.
        if (patchDevice_ != nullptr) {
            patchDevice_->RefreshPrograms();
            patchDevice_->SendPatchChange();
        }
        return 1;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        if (patchDevice_ != nullptr) patchDevice_->SendParameterGesture(index, opcode == audioMasterBeginEdit ? 1 : 0);
        return 1;
    default: return 0;
    }
}

// Only an open editor window can follow a size request. An instrument with the alternative-drawing
// mark is laid out for the size it asks but is told the host did not resize it.
intptr_t CVSTiSofthSynth::AnswerSizeWindow(int32_t width, intptr_t height) noexcept {
    IEditorWindow* window = editorWindow_;
    if (window == nullptr || !window->HasWindow()) return 0;
    const bool refused = type_->HasAlternativeDrawingMark(displayName_, path_, uniqueId_);
    window->SizeWindow(width, static_cast<int32_t>(height));
    return refused ? 0 : 1;
}

intptr_t CVSTiSofthSynth::CanDoForInstance(const char* capability) noexcept {
    if (capability != nullptr && std::strcmp(capability, "sizeWindow") == 0) {
        // Some instruments draw their editors in a way that breaks when the host resizes the window.
        SetNoSizeWindow(type_->HasAlternativeDrawingMark(displayName_, path_, uniqueId_));
        if (HasBits(InstanceStatus::NoSizeWindow)) return 0;
    }
    return HostCanDo(capability);
}

// 0 means connected, 1 not connected; value 0 asks about an input.
intptr_t CVSTiSofthSynth::PinConnected(int32_t index, intptr_t value) const noexcept {
    if (value == 0) return 1;  // inputs always receive silence
    const bool expose = type_->ExposeMultiChannel();
    if (index > 2 && !expose) return 1;
    if (index / 2 < 1 || !expose) return 0;
    return index / 2 - 1 >= busCount_ ? 1 : 0;
}

intptr_t CVSTiSofthSynth::ProcessLevel() const noexcept {
    const DWORD status = Status();
    intptr_t level = kVstProcessLevelPrefetch;
    if (status & InstanceStatus::Attached) level = kVstProcessLevelUser;
    if ((status & InstanceStatus::InProcess) && (status & (InstanceStatus::Playing | InstanceStatus::Live))) {
        level = kVstProcessLevelRealtime;
    }
    if (status & InstanceStatus::Offline) level = kVstProcessLevelOffline;
    return level;
}

}  // namespace qm
