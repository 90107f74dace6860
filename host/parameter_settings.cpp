#include "parameter_settings.h"

#include <cctype>

#include "text.h"

namespace qm::host {

namespace {

constexpr int kNameChars = 256;

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string ValidNames(IMIDIDevice* device) {
    std::string list = "valid names:";
    const LONG count = device->GetParameterCount();
    for (LONG i = 0; i < count; ++i) list += "\n  " + std::to_string(i) + " " + DeviceParameterName(device, i);
    return list;
}

LONG FindParameter(IMIDIDevice* device, const std::string& name) {
    const LONG count = device->GetParameterCount();
    long index = -1;
    if (ParseWholeNumber(name, &index)) return index >= 0 && index < count ? static_cast<LONG>(index) : -1;
    const std::string wanted = Lower(name);
    for (LONG i = 0; i < count; ++i) {
        if (Lower(DeviceParameterName(device, i)) == wanted) return i;
    }
    return -1;
}

}  // namespace

bool ParseParameterSetting(const std::string& text, ParameterSetting* setting, std::string* error) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        *error = "--set needs NAME=VALUE, not " + text;
        return false;
    }
    setting->name = text.substr(0, equals);
    setting->value = text.substr(equals + 1);
    return true;
}

std::string DeviceParameterName(IMIDIDevice* device, LONG index) {
    WCHAR name[kNameChars] = {};
    ParameterDescription description{};
    description.text = name;
    description.textCapacity = kNameChars;
    if (device->GetParameterDescription(index, &description, 0) != S_OK) return {};
    return ToUtf8(name);
}

bool ResolveParameterSettings(IMIDIDevice* device, PrivatePlugIn* plugIn, const std::vector<ParameterSetting>& settings,
                              std::vector<ResolvedSetting>* resolved, std::string* error) {
    resolved->clear();
    for (const ParameterSetting& setting : settings) {
        ResolvedSetting one;
        one.index = FindParameter(device, setting.name);
        if (one.index < 0) {
            *error = "no parameter " + setting.name + "; " + ValidNames(device);
            return false;
        }
        double number = 0.0;
        if (ParseNumber(setting.value, &number) && number >= 0.0 && number <= 1.0) {
            one.value = static_cast<float>(number);
        } else if (plugIn == nullptr || !plugIn->ParameterFromText(one.index, setting.value, &one.value)) {
            // Other numbers may still be display texts ("12" semitones); only the plug-in can say.
            *error = setting.name + "=" + setting.value +
                     ": neither a value from 0 to 1 nor a text the plug-in takes; " + ValidNames(device);
            return false;
        }
        resolved->push_back(one);
    }
    return true;
}

void ApplyParameterSettings(IMIDIDevice* device, const std::vector<ResolvedSetting>& resolved) {
    for (const ResolvedSetting& one : resolved) {
        ParameterDescription description{};
        if (device->GetParameterDescription(one.index, &description, 0) != S_OK) continue;
        const float width = static_cast<float>(description.maximum - description.minimum);
        device->SetParameterValue(one.index, one.value * width);
    }
}

}  // namespace qm::host
