#include "qmref/ref_params.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include "common/plugin_base.h"

namespace qmtest {

void LoadFactoryPrograms(RefProgram (&programs)[kRefPrograms]) {
    static const char* const kNames[kRefPrograms] = {"Init", "Quiet", "Full", "Left",
                                                     "Right", "Octave Up", "Octave Down", "Silent"};
    for (int i = 0; i < kRefPrograms; ++i) {
        RefProgram& program = programs[i];
        std::memset(&program, 0, sizeof program);
        CopyText(program.name, kNames[i], sizeof program.name);
        program.values[kRefParamGain] = 0.5f;
        program.values[kRefParamMute] = 0.0f;
        program.values[kRefParamPitch] = 0.5f;
        program.values[kRefParamPan] = 0.5f;
    }
    programs[1].values[kRefParamGain] = 0.25f;
    programs[2].values[kRefParamGain] = 1.0f;
    programs[3].values[kRefParamPan] = 0.0f;
    programs[4].values[kRefParamPan] = 1.0f;
    programs[5].values[kRefParamPitch] = 1.0f;
    programs[6].values[kRefParamPitch] = 0.0f;
    programs[7].values[kRefParamMute] = 1.0f;
}

int PitchSemitones(float value) { return static_cast<int>(std::lround(value * 24.0)) - 12; }
bool IsMuted(float value) { return value >= 0.5f; }
double PanLeft(float value) { return std::fmin(1.0, 2.0 - 2.0 * value); }
double PanRight(float value) { return std::fmin(1.0, 2.0 * value); }

const char* ParamName(int32_t index) {
    switch (index) {
    case kRefParamGain: return "Gain";
    case kRefParamMute: return "Mute";
    case kRefParamPitch: return "Pitch";
    case kRefParamPan: return "Pan";
    default: return "";
    }
}

const char* ParamLabel(int32_t index) {
    switch (index) {
    case kRefParamGain: return "dB";
    case kRefParamPitch: return "semi";
    default: return "";
    }
}

void ParamDisplay(int32_t index, float value, char* text, int capacity) {
    switch (index) {
    case kRefParamGain:
        if (value <= 0.0f) std::snprintf(text, capacity, "-inf");
        else std::snprintf(text, capacity, "%.1f", 20.0 * std::log10(static_cast<double>(value)));
        break;
    case kRefParamMute:
        std::snprintf(text, capacity, "%s", IsMuted(value) ? "On" : "Off");
        break;
    case kRefParamPitch:
        std::snprintf(text, capacity, "%d", PitchSemitones(value));
        break;
    case kRefParamPan: {
        const long percent = std::lround((static_cast<double>(value) - 0.5) * 200.0);
        if (percent == 0) std::snprintf(text, capacity, "C");
        else std::snprintf(text, capacity, "%c%ld", percent < 0 ? 'L' : 'R', percent < 0 ? -percent : percent);
        break;
    }
    default:
        if (capacity > 0) text[0] = '\0';
        break;
    }
}

bool ParamProperties(int32_t index, VstParameterProperties* properties) {
    if (index < 0 || index >= kRefParamCount) return false;
    std::memset(properties, 0, sizeof *properties);
    CopyText(properties->label, ParamName(index), sizeof properties->label);
    CopyText(properties->shortLabel, ParamName(index), sizeof properties->shortLabel);
    properties->displayIndex = static_cast<int16_t>(index);
    properties->flags = kVstParameterSupportsDisplayIndex;
    switch (index) {
    case kRefParamMute:
        properties->flags |= kVstParameterIsSwitch;
        break;
    case kRefParamPitch:
        properties->flags |= kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
        properties->minInteger = -12;
        properties->maxInteger = 12;
        properties->stepInteger = 1;
        properties->largeStepInteger = 12;
        break;
    default:
        properties->flags |= kVstParameterUsesFloatStep | kVstParameterCanRamp;
        properties->stepFloat = 0.01f;
        properties->smallStepFloat = 0.001f;
        properties->largeStepFloat = 0.1f;
        break;
    }
    return true;
}

}  // namespace qmtest
