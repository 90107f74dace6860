#include "common/plugin_base.h"

#include <cstdio>
#include <cstring>
#include "protocol.h"

namespace qmtest {

void CopyText(void* destination, const char* text, size_t capacity) {
    if (!destination || capacity == 0) return;
    char* out = static_cast<char*>(destination);
    size_t length = text ? std::strlen(text) : 0;
    if (length >= capacity) length = capacity - 1;
    if (length) std::memcpy(out, text, length);
    out[length] = '\0';
}

PluginBase::PluginBase(audioMasterCallback host, const PluginInfo& info) : host_(host), info_(info) {
    effect_.magic = kEffectMagic;
    effect_.dispatcher = &PluginBase::dispatcherProc;
    effect_.process = &PluginBase::processProc;
    effect_.setParameter = &PluginBase::setParameterProc;
    effect_.getParameter = &PluginBase::getParameterProc;
    effect_.numPrograms = info.numPrograms;
    effect_.numParams = info.numParams;
    effect_.numInputs = info.numInputs;
    effect_.numOutputs = info.numOutputs;
    effect_.flags = info.flags;
    effect_.ioRatio = 1.0f;
    effect_.object = this;
    effect_.uniqueID = info.uniqueId;
    effect_.version = kTestVendorVersion;
    effect_.processReplacing = &PluginBase::processReplacingProc;
}

PluginBase::~PluginBase() = default;

intptr_t PluginBase::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return host_ ? host_(&effect_, opcode, index, value, ptr, opt) : 0;
}

intptr_t PluginBase::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
        return 0;
    case effSetProgram:
        if (value >= 0 && value < effect_.numPrograms) program_ = static_cast<int32_t>(value);
        return 0;
    case effGetProgram:
        return program_;
    case effSetProgramName:
        if (ptr) CopyText(programName_, static_cast<const char*>(ptr), sizeof programName_);
        return 0;
    case effGetProgramName:
        CopyText(ptr, programName_, kVstMaxProgNameLen);
        return 0;
    case effGetProgramNameIndexed:
        if (index != 0 || effect_.numPrograms < 1) return 0;
        CopyText(ptr, programName_, kVstMaxProgNameLen);
        return 1;
    case effGetParamName:
    case effGetParamLabel:
    case effGetParamDisplay: {
        if (index < 0 || index >= effect_.numParams) return 0;
        char text[32];
        if (opcode == effGetParamName) std::snprintf(text, sizeof text, "Param %d", static_cast<int>(index));
        else if (opcode == effGetParamLabel) text[0] = '\0';
        else std::snprintf(text, sizeof text, "%.2f", static_cast<double>(parameterValue(index)));
        CopyText(ptr, text, kVstMaxParamStrLen);
        return 0;
    }
    case effCanBeAutomated:
        return index >= 0 && index < effect_.numParams ? 1 : 0;
    case effSetSampleRate:
        if (opt > 0.0f) sampleRate_ = opt;
        return 0;
    case effSetBlockSize:
        blockSize_ = static_cast<int32_t>(value);
        return 0;
    case effMainsChanged:
        // Old hosts only deliver MIDI after the plug-in asks for it on resume.
        if (value) callHost(audioMasterWantMidi, 0, 1, nullptr, 0.0f);
        return 0;
    case effGetOutputProperties:
        if (!ptr || index < 0 || index >= effect_.numOutputs) return 0;
        std::memset(ptr, 0, sizeof(VstPinProperties));
        return outputPin(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory:
        return info_.category;
    case effGetEffectName:
        CopyText(ptr, info_.effectName, kVstMaxEffectNameLen);
        return 1;
    case effGetVendorString:
        CopyText(ptr, kTestVendor, kVstMaxVendorStrLen);
        return 1;
    case effGetProductString:
        CopyText(ptr, info_.productName, kVstMaxProductStrLen);
        return 1;
    case effGetVendorVersion:
        return kTestVendorVersion;
    case effCanDo:
        return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
    case effGetVstVersion:
        return kVstVersion;
    default:
        return 0;
    }
}

void PluginBase::render(float** inputs, float** outputs, int32_t frames, bool accumulate) {
    if (accumulate || !outputs) return;
    for (int32_t channel = 0; channel < effect_.numOutputs; ++channel) {
        if (outputs[channel]) std::memset(outputs[channel], 0, sizeof(float) * static_cast<size_t>(frames));
    }
}

void PluginBase::setParameterValue(int32_t index, float value) {
    if (index < 0 || index >= effect_.numParams || index >= kMaxBaseParams) return;
    params_[index] = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

float PluginBase::parameterValue(int32_t index) {
    if (index < 0 || index >= effect_.numParams || index >= kMaxBaseParams) return 0.0f;
    return params_[index];
}

intptr_t PluginBase::canDo(const char* capability) {
    if (std::strcmp(capability, "receiveVstEvents") == 0) return 1;
    if (std::strcmp(capability, "receiveVstMidiEvent") == 0) return 1;
    if (std::strcmp(capability, "sendVstEvents") == 0) return -1;
    if (std::strcmp(capability, "sendVstMidiEvent") == 0) return -1;
    return 0;
}

bool PluginBase::outputPin(int32_t index, VstPinProperties* pin) {
    const bool paired = (index | 1) < effect_.numOutputs;
    std::snprintf(pin->label, sizeof pin->label, "Out %d %s", static_cast<int>(index / 2 + 1),
                  paired ? (index % 2 ? "R" : "L") : "M");
    char shortLabel[32];
    std::snprintf(shortLabel, sizeof shortLabel, "O%d%s", static_cast<int>(index / 2 + 1),
                  paired ? (index % 2 ? "R" : "L") : "M");
    CopyText(pin->shortLabel, shortLabel, sizeof pin->shortLabel);
    pin->flags = kVstPinIsActive | (paired ? kVstPinIsStereo : 0);
    pin->arrangementType = paired ? kSpeakerArrStereo : kSpeakerArrMono;
    return true;
}

PluginBase* PluginBase::self(AEffect* effect) {
    return effect ? static_cast<PluginBase*>(effect->object) : nullptr;
}

intptr_t VSTCALLBACK PluginBase::dispatcherProc(AEffect* effect, int32_t opcode, int32_t index,
                                                intptr_t value, void* ptr, float opt) {
    PluginBase* plugin = self(effect);
    if (!plugin) return 0;
    if (opcode == effClose) {
        plugin->dispatch(opcode, index, value, ptr, opt);
        delete plugin;
        return 1;
    }
    return plugin->dispatch(opcode, index, value, ptr, opt);
}

void VSTCALLBACK PluginBase::processProc(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    PluginBase* plugin = self(effect);
    if (!plugin || frames <= 0) return;
    plugin->beforeProcess(frames, true);
    plugin->render(inputs, outputs, frames, true);
}

void VSTCALLBACK PluginBase::processReplacingProc(AEffect* effect, float** inputs, float** outputs,
                                                  int32_t frames) {
    PluginBase* plugin = self(effect);
    if (!plugin || frames <= 0) return;
    plugin->beforeProcess(frames, false);
    plugin->render(inputs, outputs, frames, false);
}

void VSTCALLBACK PluginBase::setParameterProc(AEffect* effect, int32_t index, float value) {
    if (PluginBase* plugin = self(effect)) plugin->setParameterValue(index, value);
}

float VSTCALLBACK PluginBase::getParameterProc(AEffect* effect, int32_t index) {
    PluginBase* plugin = self(effect);
    return plugin ? plugin->parameterValue(index) : 0.0f;
}

}  // namespace qmtest
