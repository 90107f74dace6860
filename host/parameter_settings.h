// Parameter settings given on the command line as NAME=VALUE (render --set, preset save --set):
// NAME is a parameter's name as the instrument's MIDI device gives it (any case) or its index;
// VALUE is the plug-in's own 0-1 value, or a display text the plug-in turns into a value through
// effString2Parameter (asked of a private instance).
#pragma once
#include <string>
#include <vector>

#include "private_plugin.h"
#include "qmvsti/midi_device.h"

namespace qm::host {

struct ParameterSetting {
    std::string name, value;
};

struct ResolvedSetting {
    LONG index = -1;
    float value = 0.0f;  // the plug-in's 0-1 value
};

// "NAME=VALUE"; false with a reason.
bool ParseParameterSetting(const std::string& text, ParameterSetting* setting, std::string* error);
// The device's name of parameter `index`.
std::string DeviceParameterName(IMIDIDevice* device, LONG index);
// Finds every setting's parameter and value. `plugIn` (may be null) answers display texts. False
// with the reason followed by the list of valid names for an unknown name or a value out of range.
bool ResolveParameterSettings(IMIDIDevice* device, PrivatePlugIn* plugIn, const std::vector<ParameterSetting>& settings,
                              std::vector<ResolvedSetting>* resolved, std::string* error);
// Sets the values through the device, each in the parameter's host range.
void ApplyParameterSettings(IMIDIDevice* device, const std::vector<ResolvedSetting>& resolved);

}  // namespace qm::host
