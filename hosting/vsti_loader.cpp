// Loading a plug-in module: probe, real load, entry point, magic check, opening and naming calls,
// and what the loader writes back into the plug-in record.
#include <cstring>

#include "hosting/plugin_fault_log.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/error_mode.h"
#include "platform/guard.h"
#include "platform/text.h"

namespace qm {

namespace {

constexpr float kLoadSampleRate = 44100.0f;
constexpr intptr_t kLoadBlockSize = 1024;

size_t Length(const WCHAR* text) noexcept { return platform::WideLength(text); }

using platform::CopyWide;

bool SameText(const WCHAR* a, const WCHAR* b) noexcept {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

// A module that exports neither entry point is no VST 2 plug-in: found without running any of its
// code where the OS allows it.
bool ProbeHasEntryPoint(const WCHAR* path) noexcept {
    platform::ModuleHandle probe = platform::ProbeModule(path);
    if (probe == nullptr) return false;
    const bool found = platform::FindSymbol(probe, "main") != nullptr ||
                       platform::FindSymbol(probe, "VSTPluginMain") != nullptr;
    platform::UnloadModule(probe);
    return found;
}

// "main" first: modules that export both are entered the way old hosts entered them.
VstPluginMainProc EntryPointOf(platform::ModuleHandle module) noexcept {
    void* entry = platform::FindSymbol(module, "main");
    if (entry == nullptr) entry = platform::FindSymbol(module, "VSTPluginMain");
    return reinterpret_cast<VstPluginMainProc>(entry);
}

}  // namespace

void PinLabel(const VstPinProperties& pin, WCHAR* label) noexcept {
    label[0] = 0;
    if (pin.label[0] == 0) return;
    platform::AnsiToWide(pin.label, static_cast<ptrdiff_t>(strnlen(pin.label, sizeof pin.label)), label,
                         kPinLabelChars);
}

void FileTitleOf(const WCHAR* path, WCHAR* dest, int capacity) noexcept {
    if (dest == nullptr || capacity < 1) return;
    dest[0] = 0;
    if (path == nullptr) return;
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p != 0; ++p) {
        if (*p == '/' || *p == '\\' || *p == ':') name = p + 1;
    }
    const WCHAR* end = name + Length(name);
    for (const WCHAR* p = end; p > name; --p) {
        if (p[-1] == '.') {
            end = p - 1;
            break;
        }
    }
    int length = static_cast<int>(end - name);
    if (length > capacity - 1) length = capacity - 1;
    std::memcpy(dest, name, static_cast<size_t>(length) * sizeof(WCHAR));
    dest[length] = 0;
}

void ComposePinName(const WCHAR* labelA, const WCHAR* labelB, WCHAR* name, int capacity) noexcept {
    const bool hasA = labelA != nullptr && labelA[0] != 0;
    const bool hasB = labelB != nullptr && labelB[0] != 0;
    if (hasA && (!hasB || SameText(labelA, labelB))) {
        CopyWide(labelA, name, capacity);
    } else if (hasB && !hasA) {
        CopyWide(labelB, name, capacity);
    } else if (hasA && hasB) {
        // "%s/%s", cut to the capacity like the formatter would.
        WCHAR joined[2 * kPinLabelChars + 2];
        const size_t lengthA = Length(labelA);
        const size_t lengthB = Length(labelB);
        std::memcpy(joined, labelA, lengthA * sizeof(WCHAR));
        joined[lengthA] = '/';
        std::memcpy(joined + lengthA + 1, labelB, lengthB * sizeof(WCHAR));
        joined[lengthA + 1 + lengthB] = 0;
        CopyWide(joined, name, capacity);
    }
}

HRESULT CVSTiSofthSynth::LoadPlugIn(VstiPluginRecord* record) noexcept {
    if (record == nullptr) return E_POINTER;
    if (module_ != nullptr || effect_ != nullptr) return E_UNEXPECTED;  // one plug-in per instance
    // A plug-in whose dependency is missing must not make Windows show its own dialog box.
    const uint32_t oldMode = platform::SetProcessErrorMode(platform::kNoOpenFileErrorBox);
    entryPoint_ = nullptr;
    HRESULT result = S_FALSE;
    record->flags |= PluginRecordFlags::LoadFailed | PluginRecordFlags::NotInstrument;

    platform::ModuleHandle module = nullptr;
    bool keepsModule = false;
    if (ProbeHasEntryPoint(record->path)) {
        // The component's activation context would wrap this load; the platform layer offers none yet.
        module = platform::LoadModule(record->path);
        VstPluginMainProc entry = module != nullptr ? EntryPointOf(module) : nullptr;
        if (entry != nullptr) result = LoadFromEntryPoint(entry, record, &keepsModule);
    }

    if (result != S_OK) record->flags &= ~PluginRecordFlags::Enabled;
    if (keepsModule) module_ = module;
    else if (module != nullptr) platform::UnloadModule(module);
    platform::SetProcessErrorMode(oldMode);
    return result;
}

HRESULT CVSTiSofthSynth::LoadFromEntryPoint(VstPluginMainProc entry, VstiPluginRecord* record,
                                            bool* keepsModule) noexcept {
    bool keep = false;
    if (keepsModule != nullptr) *keepsModule = false;
    if (entry == nullptr || record == nullptr) return E_POINTER;
    if (effect_ != nullptr) return E_UNEXPECTED;
    HRESULT result = S_FALSE;
    loadingOpcode_ = -1;
    const platform::GuardOutcome outcome =
        platform::Guarded([&] { BindInsideGuard(entry, record, &result, &keep); });
    if (outcome.faulted) result = AbandonLoad(record, outcome.code);
    // Outside the loader's frame: the device's own calls are guarded one by one.
    if (result == S_OK) result = CreatePatchDevice();
    // Then whether the plug-in sends MIDI: a fault there fails the load as one in the frame does.
    if (result == S_OK) {
        const platform::GuardOutcome probed = platform::Guarded([&] { result = CreateMidiPortIfSending(); });
        if (probed.faulted) result = AbandonLoad(record, probed.code);
    }
    if (keepsModule != nullptr) *keepsModule = keep;
    return result;
}

HRESULT CVSTiSofthSynth::AbandonLoad(VstiPluginRecord* record, uint32_t code) noexcept {
    ClosePatchDevice();
    entryPoint_ = nullptr;
    effect_ = nullptr;
    record->flags |= PluginRecordFlags::Faulted;
    SetBits(InstanceStatus::Faulted);
    // The instance has no path of its own yet when the entry point faults: name the record's.
    lastFault_ = PlugInFault{loadingOpcode_ < 0 ? "entry point" : "dispatcher while loading", loadingOpcode_, code};
    ReportPlugInFault(record->path, lastFault_);
    return QM_E_PLUGIN_EXCEPTION;
}

intptr_t CVSTiSofthSynth::LoadCall(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    loadingOpcode_ = opcode;
    return RawDispatch(opcode, index, value, ptr, opt);
}

// Runs inside the loader's one guarded frame: a fault anywhere here abandons the frame, so nothing
// in it may own a resource that needs releasing.
void CVSTiSofthSynth::BindInsideGuard(VstPluginMainProc entry, VstiPluginRecord* record, HRESULT* result,
                                      bool* keep) {
    AEffect* effect = entry(&CVSTiSofthSynth::HostCallback);
    if (effect == nullptr) return;
    if (effect->magic != kEffectMagic) {
        record->flags = (record->flags & ~PluginRecordFlags::Enabled) | PluginRecordFlags::NotInstrument |
                        PluginRecordFlags::LoadFailed;
        return;
    }
    record->flags &= ~PluginRecordFlags::LoadFailed;
    CopyWide(record->path, path_, kNameChars);
    if (effect->flags & effFlagsIsSynth) record->flags &= ~PluginRecordFlags::NotInstrument;
    else record->flags |= PluginRecordFlags::NotInstrument;
    if (effect->flags & effFlagsHasEditor) record->flags &= ~PluginRecordFlags::NoEditor;
    else record->flags |= PluginRecordFlags::NoEditor;

    entryPoint_ = entry;
    effect_ = effect;
    effect->resvd1 = reinterpret_cast<intptr_t>(this);
    effect->resvd2 = 0;

    LoadCall(effIdentify, 0, 0, nullptr, 0.0f);
    LoadCall(effOpen, 0, 0, nullptr, 0.0f);
    SetBits(InstanceStatus::PlugInOpened);
    LoadCall(effSetSampleRate, 0, 0, nullptr, kLoadSampleRate);
    LoadCall(effSetBlockSize, 0, kLoadBlockSize, nullptr, 0.0f);

    WCHAR fileTitle[kNameChars];
    FileTitleOf(path_, fileTitle, kNameChars);
    loadingOpcode_ = effGetProductString;
    RawGetString(effGetProductString, productName_, kNameChars);
    if (productName_[0] == 0) CopyWide(fileTitle, productName_, kNameChars);
    loadingOpcode_ = effGetEffectName;
    RawGetString(effGetEffectName, displayName_, kNameChars);
    if (displayName_[0] == 0) CopyWide(fileTitle, displayName_, kNameChars);
    loadingOpcode_ = effGetVendorString;
    RawGetString(effGetVendorString, record->vendor, kPluginNameChars);
    if (record->vendor[0] == 0) CopyWide(fileTitle, record->vendor, kPluginNameChars);
    CopyWide(record->vendor, vendorName_, kVendorChars);

    vendorVersion_ = static_cast<int32_t>(LoadCall(effGetVendorVersion, 0, 0, nullptr, 0.0f));
    record->vendorVersion = vendorVersion_;
    uniqueId_ = effect->uniqueID;
    record->uniqueId = uniqueId_;
    *keep = true;

    ReadOutputPinNames();

    const int mainChannels = HasBits(InstanceStatus::MonoMainOutput) ? 1 : 2;
    if (type_->ExposeMultiChannel() && effect->numOutputs > mainChannels) CreateBuses();
    // The patch device and the MIDI output probe follow once this frame is left.
    *result = S_OK;
}

void CVSTiSofthSynth::ReadOutputPinNames() {
    pinLabelA_[0] = 0;
    pinLabelB_[0] = 0;
    VstPinProperties pin;
    std::memset(&pin, 0, sizeof pin);
    const intptr_t described = LoadCall(effGetOutputProperties, 0, 0, &pin, 0.0f);
    PinLabel(pin, pinLabelA_);
    // Many stereo instruments (amsynth, ZynAddSubFX) never describe their pins; by the rule below
    // they would play their left channel on both sides. The type can assume a stereo pair instead.
    if (described == 0 && effect_->numOutputs >= 2 && type_->AssumeStereoPins()) pin.flags |= kVstPinIsStereo;
    if (pin.flags & kVstPinIsStereo) {
        if (effect_->numOutputs > 2) {
            std::memset(&pin, 0, sizeof pin);
            LoadCall(effGetOutputProperties, 1, 0, &pin, 0.0f);
            PinLabel(pin, pinLabelB_);
        }
    } else {
        SetBits(InstanceStatus::MonoMainOutput);
    }
    ComposePinName(pinLabelA_, pinLabelB_, displayName_, kNameChars);
    // The effect name wins over the pin labels; the file name only stands in for both.
    loadingOpcode_ = effGetEffectName;
    RawGetString(effGetEffectName, displayName_, kNameChars);
}

}  // namespace qm
