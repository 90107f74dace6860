#include "type_settings.h"

namespace qm::host {

namespace {

// The library's settings functions, exported undecorated and __cdecl.
typedef HRESULT(QMAPI* OpenSubKeyFn)(void** handle, void* parent, LPCWSTR name);
typedef HRESULT(QMAPI* CloseFn)(void* handle);
typedef int(QMAPI* GetByNameFn)(void* handle, LPCWSTR name, int fallback);
typedef HRESULT(QMAPI* SetByNameFn)(void* handle, LPCWSTR name, int value);

constexpr int kMissing = static_cast<int>(0x80000000u);

std::basic_string<WCHAR> WideName(const char* name) {
    std::basic_string<WCHAR> wide;
    for (; *name != 0; ++name) wide.push_back(static_cast<WCHAR>(*name));
    return wide;
}

int Clamp(long value, int low, int high) {
    return value < low ? low : (value > high ? high : static_cast<int>(value));
}

}  // namespace

const std::vector<TypeSetting>& TypeSettings() {
    static const std::vector<TypeSetting> settings = {
        {"FrameSize", 0, 2000, 6, true, "render block in milliseconds (0: the default of 6)"},
        {"FlushOnStopCount", 0, 3000, 0, false, "empty blocks rendered after the all-notes-off blocks at stop"},
        {"ExposeMultiChannel", 0, 1, 1, false, "offer outputs past the main pair as buses"},
        {"SizeWindowForNI", 0, 1, 0, false, "resize editor windows the way Native Instruments plug-ins need"},
        {"AssumeStereoPins", 0, 1, 0, false, "a stereo main pair for plug-ins that do not describe their pins"},
    };
    return settings;
}

const TypeSetting* FindTypeSetting(const std::string& name) {
    for (const TypeSetting& setting : TypeSettings()) {
        if (name == setting.name) return &setting;
    }
    return nullptr;
}

bool TypeSettingsStore::Open(const DriverModule& module, HostSettingsRecord* hostSettings, std::string* error) {
    auto open = reinterpret_cast<OpenSubKeyFn>(module.Symbol("QmMetric_OpenSubKey"));
    get_ = module.Symbol("QmGetMetricUsingName");
    set_ = module.Symbol("QmSetMetricUsingName");
    close_ = module.Symbol("QmMetric_Close");
    if (open == nullptr || get_ == nullptr || set_ == nullptr || close_ == nullptr) {
        if (error != nullptr) *error = "the library does not export its settings functions";
        return false;
    }
    // The type's key is "VSTi Synth" beside the host's own settings, as the type opens it.
    if (FAILED(open(&handle_, hostSettings, QMW("VSTi Synth"))) || handle_ == nullptr) {
        if (error != nullptr) *error = "the settings store cannot be opened";
        return false;
    }
    return true;
}

TypeSettingsStore::~TypeSettingsStore() {
    if (handle_ != nullptr) reinterpret_cast<CloseFn>(close_)(handle_);
}

int TypeSettingsStore::Stored(const TypeSetting& setting, int missing) const {
    if (handle_ == nullptr) return missing;
    return reinterpret_cast<GetByNameFn>(get_)(handle_, WideName(setting.name).c_str(), missing);
}

int TypeSettingsStore::Effective(const TypeSetting& setting) const {
    const int stored = Stored(setting, kMissing);
    if (stored == kMissing) return setting.fallback;
    if (setting.maximum == 1) return stored & 1;  // switches: bit 0 counts
    if (setting.zeroIsFallback && stored == 0) return setting.fallback;
    return Clamp(stored, setting.zeroIsFallback ? 1 : setting.minimum, setting.maximum);
}

bool TypeSettingsStore::Store(const TypeSetting& setting, long value, int* written, std::string* error) {
    const int clamped = Clamp(value, setting.minimum, setting.maximum);
    if (handle_ == nullptr ||
        FAILED(reinterpret_cast<SetByNameFn>(set_)(handle_, WideName(setting.name).c_str(), clamped))) {
        if (error != nullptr) *error = std::string("cannot store ") + setting.name;
        return false;
    }
    if (written != nullptr) *written = clamped;
    return true;
}

void ApplyHostDefaults(const DriverModule& module, HostSettingsRecord* hostSettings) {
    TypeSettingsStore store;
    if (!store.Open(module, hostSettings, nullptr)) return;
    const TypeSetting* stereo = FindTypeSetting("AssumeStereoPins");
    if (store.Stored(*stereo, kMissing) == kMissing) store.Store(*stereo, 1, nullptr, nullptr);
}

}  // namespace qm::host
