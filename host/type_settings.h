// The soft-synth type's own settings ("VSTi Synth" beside the host's settings), read and written by
// name through the library's exported settings functions, with the clamping the type applies when
// it reads them.
#pragma once
#include <string>
#include <vector>

#include "module_client.h"
#include "settings_record.h"

namespace qm::host {

struct TypeSetting {
    const char* name;
    int minimum, maximum;  // the type's clamping; a switch is 0..1 (bit 0 counts)
    int fallback;          // what the type uses when the value is missing
    bool zeroIsFallback;   // a stored 0 means the fallback too
    const char* meaning;
};

// FrameSize, FlushOnStopCount, ExposeMultiChannel, SizeWindowForNI, AssumeStereoPins.
const std::vector<TypeSetting>& TypeSettings();
const TypeSetting* FindTypeSetting(const std::string& name);

class TypeSettingsStore {
public:
    // Opens the type's key through the loaded library; false with a reason.
    bool Open(const DriverModule& module, HostSettingsRecord* hostSettings, std::string* error);
    ~TypeSettingsStore();
    TypeSettingsStore() = default;
    TypeSettingsStore(const TypeSettingsStore&) = delete;
    TypeSettingsStore& operator=(const TypeSettingsStore&) = delete;

    // The stored value, or `missing` when there is none.
    int Stored(const TypeSetting& setting, int missing) const;
    // The value the type works with: the stored one clamped, or the fallback.
    int Effective(const TypeSetting& setting) const;
    // Clamps and stores; the value written, or false with a reason.
    bool Store(const TypeSetting& setting, long value, int* written, std::string* error);

private:
    void* handle_ = nullptr;
    void* get_ = nullptr;
    void* set_ = nullptr;
    void* close_ = nullptr;
};

// The substitute host's own choice for the first run: stereo instruments that do not describe their
// pins (amsynth, ZynAddSubFX) keep their stereo image ("AssumeStereoPins" 1 unless the user set it).
void ApplyHostDefaults(const DriverModule& module, HostSettingsRecord* hostSettings);

}  // namespace qm::host
