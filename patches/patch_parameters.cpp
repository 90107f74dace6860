// The patch device's controllers and parameters: the controller table's slots and the plug-in's
// parameters offered in the host's ranges (a plug-in's 0-1 value times the width of the range).
#include <cstdio>
#include <cstring>
#include <new>

#include "hosting/vsti_soft_synth.h"
#include "patches/controller_table.h"
#include "patches/patch_device.h"
#include "platform/text.h"

namespace qm {

namespace {

constexpr DWORD kKindSwitch = 1;
constexpr DWORD kKindLevel = 32;
constexpr DWORD kMaskSwitch = 1;
constexpr DWORD kMaskLevel = 63;
constexpr float kLevelMaximum = 100.0f;
constexpr DWORD kAllOnes = 0xFFFFFFFFu;
constexpr int kParamTextBytes = 256;  // plug-ins write past kVstMaxParamStrLen

bool IsSwitchRange(const VstParameterProperties& properties) noexcept {
    return (properties.flags & kVstParameterUsesIntegerMinMax) && properties.minInteger == 0 &&
           properties.maxInteger == 1;
}

}  // namespace

const CVSTIPatchDevice::ParameterEntry* CVSTIPatchDevice::Entry(LONG index) const noexcept {
    if (parameters_ == nullptr || index < 0 || index >= parameterCount_) return nullptr;
    return &parameters_[index];
}

CVSTIPatchDevice::ParameterEntry* CVSTIPatchDevice::Entry(LONG index) noexcept {
    if (parameters_ == nullptr || index < 0 || index >= parameterCount_) return nullptr;
    return &parameters_[index];
}

HRESULT CVSTIPatchDevice::BuildParameterTable() noexcept {
    delete[] parameters_;
    parameters_ = nullptr;
    parameterCount_ = 0;
    const AEffect* effect = owner_ != nullptr ? owner_->Effect() : nullptr;
    if (effect == nullptr || effect->numParams <= 0) return S_OK;
    parameters_ = new (std::nothrow) ParameterEntry[static_cast<size_t>(effect->numParams)]();
    if (parameters_ == nullptr) return E_OUTOFMEMORY;
    parameterCount_ = effect->numParams;
    for (LONG i = 0; i < parameterCount_; ++i) {
        ParameterEntry& entry = parameters_[i];
        entry.assignment = kAllOnes;
        VstParameterProperties properties;
        std::memset(&properties, 0, sizeof properties);
        const bool described = Dispatch(effGetParameterProperties, i, 0, &properties) != 0;
        if (!described) std::memset(&properties, 0, sizeof properties);
        if ((properties.flags & kVstParameterIsSwitch) || IsSwitchRange(properties)) {
            entry = ParameterEntry{kAllOnes, 0, 0, 1, kKindSwitch, kMaskSwitch, 0.0f, 1.0f, 0.0f, 0.0f};
        } else if (properties.flags & kVstParameterUsesIntegerMinMax) {
            entry = ParameterEntry{kAllOnes, 0, 0, 0, kKindLevel, kMaskLevel, static_cast<float>(properties.minInteger),
                                   static_cast<float>(properties.maxInteger), 0.0f, 0.0f};
        } else {
            entry = ParameterEntry{kAllOnes, 0, 0, 0, kKindLevel, kMaskLevel, 0.0f, kLevelMaximum, 0.0f, 0.0f};
        }
        entry.raw = owner_->CallGetParameter(i);
        entry.scaled = ReadScaled(i);
    }
    return S_OK;
}

float CVSTIPatchDevice::ToHostRange(const ParameterEntry& entry, float value) noexcept {
    // The minimum is not added: the host's range starts where the plug-in's 0 lies.
    const float scaled = value * (entry.maximum - entry.minimum);
    if (scaled < entry.minimum) return entry.minimum;
    if (scaled > entry.maximum) return entry.maximum;
    return scaled;
}

float CVSTIPatchDevice::ReadScaled(LONG index) noexcept {
    const ParameterEntry* entry = Entry(index);
    if (entry == nullptr || owner_ == nullptr) return 0.0f;
    return ToHostRange(*entry, owner_->CallGetParameter(index));
}

// ---- Controllers ----

HRESULT CVSTIPatchDevice::GetController(LONG* index, ControllerDescription* description, DWORD filter) noexcept {
    if (index == nullptr || description == nullptr) return E_POINTER;
    if (filter & DeviceFilter::Parameters) {
        // With the parameter bit the host walks the plug-in's parameters in the same slot.
        return GetParameterDescription(*index, reinterpret_cast<ParameterDescription*>(description), filter);
    }
    const int row = FindControllerFrom(*index, filter);
    if (row < 0) return S_FALSE;
    *index = row;
    DescribeController(row, description);
    return S_OK;
}

HRESULT CVSTIPatchDevice::SetController(LONG index, ParameterDescription* description, DWORD flags) noexcept {
    if (flags & DeviceFilter::Parameters) return SetParameterDescription(index, description);
    return S_FALSE;
}

HRESULT CVSTIPatchDevice::FindController(DWORD kind, DWORD number, ControllerDescription* description) noexcept {
    if (description == nullptr) return E_POINTER;
    const int row = FindControllerOf(kind, number);
    if (row < 0) return S_FALSE;
    DescribeController(row, description);
    return S_OK;
}

// ---- Parameters ----

HRESULT CVSTIPatchDevice::GetParameterCount() noexcept {
    const AEffect* effect = owner_ != nullptr ? owner_->Effect() : nullptr;
    return effect != nullptr ? effect->numParams : 0;
}

HRESULT CVSTIPatchDevice::GetParameterDescription(LONG index, ParameterDescription* description, DWORD request) noexcept {
    if (description == nullptr) return E_POINTER;
    const ParameterEntry* entry = Entry(index);
    if (entry == nullptr || owner_ == nullptr) return S_FALSE;
    VstParameterProperties properties;
    std::memset(&properties, 0, sizeof properties);
    char name[kParamTextBytes];
    std::memset(name, 0, sizeof name);
    if (Dispatch(effGetParameterProperties, index, 0, &properties) != 0) {
        std::memcpy(name, properties.label, sizeof properties.label);
    } else {
        std::memset(&properties, 0, sizeof properties);
        Dispatch(effGetParamName, index, 0, name);
    }
    name[kParamTextBytes - 1] = 0;
    WCHAR wideName[kParamTextBytes];
    if (name[0] != 0) {
        platform::AnsiToWide(name, -1, wideName, kParamTextBytes);
    } else {
        char numbered[32];
        std::snprintf(numbered, sizeof numbered, "Param %d", static_cast<int>(index + 1));
        platform::AnsiToWide(numbered, -1, wideName, kParamTextBytes);
    }

    description->assignment = entry->assignment;
    description->flags = (entry->hidden ? ParameterFlags::Hidden : 0u) | (entry->integer ? ParameterFlags::Integer : 0u) |
                         (entry->flag2000 ? ParameterFlags::Host2000 : 0u);
    description->kind = entry->kind;
    description->mask = entry->mask;
    description->defaultValue = static_cast<LONG>(entry->scaled);
    if ((properties.flags & kVstParameterIsSwitch) || (description->flags & ParameterFlags::Integer)) {
        description->flags |= ParameterFlags::Integer;
        description->minimum = 0;
        description->maximum = 1;
    } else if (properties.flags & kVstParameterUsesIntegerMinMax) {
        description->minimum = properties.minInteger;
        description->maximum = properties.maxInteger;
        if (IsSwitchRange(properties)) description->flags |= ParameterFlags::Integer;
    } else {
        description->minimum = 0;
        description->maximum = static_cast<LONG>(kLevelMaximum);
    }

    if (description->text == nullptr || description->textCapacity < 1) return S_OK;
    if (request & DeviceFilter::ParameterLabel) {
        char label[kParamTextBytes];
        std::memset(label, 0, sizeof label);
        Dispatch(effGetParamLabel, index, 0, label);
        label[kParamTextBytes - 1] = 0;
        if (label[0] != 0) {
            platform::AnsiToWide(label, -1, description->text, static_cast<size_t>(description->textCapacity));
        }
        return S_OK;
    }
    LONG length = 0;
    while (length < description->textCapacity - 1 && wideName[length] != 0) {
        description->text[length] = wideName[length];
        ++length;
    }
    description->text[length] = 0;
    return S_OK;
}

HRESULT CVSTIPatchDevice::SetParameterDescription(LONG index, const ParameterDescription* description) noexcept {
    if (description == nullptr) return E_POINTER;
    ParameterEntry* entry = Entry(index);
    if (entry == nullptr) return S_FALSE;
    entry->hidden = (description->flags & ParameterFlags::Hidden) ? kAllOnes : 0;
    entry->integer = (description->flags & ParameterFlags::Integer) ? kAllOnes : 0;
    if (entry->integer) {
        entry->minimum = 0.0f;
        entry->maximum = 1.0f;
        entry->scaled = entry->raw > 0.0f ? 1.0f : 0.0f;
    } else {
        entry->minimum = 0.0f;
        entry->maximum = kLevelMaximum;
        entry->scaled = kLevelMaximum * entry->raw;
    }
    if (entry->mask & description->kind) entry->kind = description->kind;
    entry->assignment = description->assignment;
    entry->flag2000 = (description->flags & ParameterFlags::Host2000) ? kAllOnes : 0;
    return S_OK;
}

HRESULT CVSTIPatchDevice::SetParameterValue(LONG index, float value) noexcept {
    const ParameterEntry* entry = Entry(index);
    if (entry == nullptr || owner_ == nullptr) return S_FALSE;
    const float width = entry->maximum - entry->minimum;
    // A range without width has only one value: the plug-in's 0.
    // A fault is on the instance's record (Faulted); the slot itself always succeeds.
    owner_->CallSetParameter(index, width != 0.0f ? value / width : 0.0f);
    return S_OK;
}

HRESULT CVSTIPatchDevice::GetParameterValue(LONG index, float* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = 0.0f;
    if (Entry(index) == nullptr || owner_ == nullptr) return S_FALSE;
    *out = ReadScaled(index);
    return S_OK;
}

}  // namespace qm
