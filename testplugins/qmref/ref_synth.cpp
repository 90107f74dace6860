#include "qmref/ref_synth.h"

#include <cstdlib>
#include <cstring>
#include "common/environment.h"
#include "qmref/ref_chunk.h"

namespace qmtest {

namespace {

PluginInfo InfoOf(RefVariant variant) {
    PluginInfo info{"QmRef", kRefProduct, kRefUniqueId, effFlagsIsSynth | effFlagsCanReplacing,
                    kRefPrograms, kRefParamCount, 0, 2, kPlugCategSynth};
    switch (variant) {
    case RefVariant::Plain:
        if (RefEditor::Available()) info.flags |= effFlagsHasEditor;
        break;
    case RefVariant::Chunk:
        info.effectName = "QmRef Chunk";
        info.uniqueId = kRefChunkUniqueId;
        info.flags |= effFlagsProgramChunks;
        break;
    case RefVariant::Multi:
        info.effectName = "QmRef Multi";
        info.uniqueId = kRefMultiUniqueId;
        info.numOutputs = kRefMultiOutputs;
        break;
    case RefVariant::Mono:
        info.effectName = "QmRef Mono";
        info.uniqueId = kRefMonoUniqueId;
        info.numOutputs = 1;
        break;
    case RefVariant::Echo:
        info.effectName = "QmRef Echo";
        info.uniqueId = kRefEchoUniqueId;
        break;
    case RefVariant::TimeProbe:
        info.effectName = "QmRef TimeProbe";
        info.uniqueId = kRefTimeProbeUniqueId;
        break;
    case RefVariant::MidiOut:
        info.effectName = "QmRef MidiOut";
        info.uniqueId = kRefMidiOutUniqueId;
        break;
    case RefVariant::Names:
        info.effectName = "QmRef Names";
        info.uniqueId = kRefNamesUniqueId;
        break;
    }
    return info;
}

}  // namespace

RefSynth::RefSynth(audioMasterCallback host, RefVariant variant)
    : PluginBase(host, InfoOf(variant)), variant_(variant), probeMask_(kTimeProbeDefaultMask),
      editor_(effect(), host) {
    LoadFactoryPrograms(programs_);
    if (variant_ == RefVariant::TimeProbe) probes_.resize(kTimeProbeKept);
    char omni[4];
    omniNames_ = variant_ == RefVariant::Names && ReadEnvironment(kRefNamesOmniVariable, omni, sizeof omni) &&
                 std::strcmp(omni, "1") == 0;
}

intptr_t RefSynth::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    switch (opcode) {
    case effSetProgram:
    case effGetProgram:
    case effSetProgramName:
    case effGetProgramName:
    case effGetProgramNameIndexed:
    case effGetChunk:
    case effSetChunk:
        return programOpcode(opcode, index, value, ptr);
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effHasMidiProgramsChanged:
    case effGetMidiKeyName:
        return midiProgramOpcode(opcode, index, ptr);
    case effGetParamName:
    case effGetParamLabel:
    case effGetParamDisplay: {
        if (index < 0 || index >= kRefParamCount) return 0;
        char text[kVstMaxParamStrLen];
        if (opcode == effGetParamName) CopyText(text, ParamName(index), sizeof text);
        else if (opcode == effGetParamLabel) CopyText(text, ParamLabel(index), sizeof text);
        else ParamDisplay(index, parameterValue(index), text, sizeof text);
        CopyText(ptr, text, sizeof text);
        return 0;
    }
    case effString2Parameter:
        return ptr && parameterFromText(index, static_cast<const char*>(ptr)) ? 1 : 0;
    case effGetParameterProperties:
        return ptr && ParamProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effSetSampleRate: {
        PluginBase::dispatch(opcode, index, value, ptr, opt);
        std::lock_guard<std::mutex> hold(lock_);
        engine_.setSampleRate(sampleRate_);
        return 0;
    }
    case effMainsChanged:
        if (!value) {
            std::lock_guard<std::mutex> hold(lock_);
            engine_.silenceAll();
            received_.clear();
        }
        return PluginBase::dispatch(opcode, index, value, ptr, opt);
    case effProcessEvents:
        if (ptr) receive(static_cast<const VstEvents*>(ptr));
        return 1;
    case effGetTailSize:
        return kRefReleaseFrames;
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr);
    case effEditGetRect:
    case effEditOpen:
    case effEditClose:
    case effEditIdle:
        if ((effect_.flags & effFlagsHasEditor) == 0) return PluginBase::dispatch(opcode, index, value, ptr, opt);
        return editor_.dispatch(opcode, ptr);
    default:
        return PluginBase::dispatch(opcode, index, value, ptr, opt);
    }
}

intptr_t RefSynth::programOpcode(int32_t opcode, int32_t index, intptr_t value, void* ptr) {
    std::lock_guard<std::mutex> hold(lock_);
    switch (opcode) {
    case effSetProgram:
        if (value >= 0 && value < kRefPrograms) program_ = static_cast<int32_t>(value);
        return 0;
    case effGetProgram:
        return program_;
    case effSetProgramName:
        if (ptr) CopyText(programs_[program_].name, static_cast<const char*>(ptr), kVstMaxProgNameLen);
        return 0;
    case effGetProgramName:
        CopyText(ptr, programs_[program_].name, kVstMaxProgNameLen);
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= kRefPrograms) return 0;
        CopyText(ptr, programs_[index].name, kVstMaxProgNameLen);
        return 1;
    case effGetChunk:
        if (variant_ != RefVariant::Chunk || !ptr) return 0;
        chunk_ = WriteRefChunk(index == 0, program_, programs_);
        *static_cast<void**>(ptr) = chunk_.data();
        return static_cast<intptr_t>(chunk_.size());
    case effSetChunk: {
        if (variant_ != RefVariant::Chunk || value < 0) return 0;
        int current = program_;
        if (!ReadRefChunk(ptr, static_cast<size_t>(value), index == 0, &current, programs_)) return 0;
        program_ = current;
        return 1;
    }
    default:
        return 0;
    }
}

intptr_t RefSynth::midiProgramOpcode(int32_t opcode, int32_t index, void* ptr) {
    std::lock_guard<std::mutex> hold(lock_);
    if (variant_ == RefVariant::Names) return namesOpcode(opcode, index, ptr);
    switch (opcode) {
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram: {
        if (!ptr || index < 0 || index > 15) return 0;
        MidiProgramName* name = static_cast<MidiProgramName*>(ptr);
        const int32_t which = opcode == effGetCurrentMidiProgram ? program_ : name->thisProgramIndex;
        if (which < 0 || which >= kRefPrograms) return 0;
        std::memset(name, 0, sizeof *name);
        name->thisProgramIndex = which;
        CopyText(name->name, programs_[which].name, sizeof name->name);
        name->midiProgram = static_cast<char>(which);
        name->midiBankMsb = -1;
        name->midiBankLsb = -1;
        name->parentCategoryIndex = -1;
        return opcode == effGetCurrentMidiProgram ? program_ : kRefPrograms;
    }
    default:
        // No categories, no key names, and the names never change behind the host's back.
        return 0;
    }
}

intptr_t RefSynth::vendorSpecific(int32_t index, intptr_t value, void* ptr) {
    if (index == kVendorEditorIdles) return editor_.idles();
    if (index == kVendorActiveVoices) {
        std::lock_guard<std::mutex> hold(lock_);
        return engine_.activeVoices();
    }
    if (variant_ != RefVariant::TimeProbe) return 0;
    std::lock_guard<std::mutex> hold(probeLock_);
    if (index == kVendorTimeProbeCount) return static_cast<intptr_t>(probeCount_);
    if (index == kVendorTimeProbeMask) {
        const int32_t previous = probeMask_;
        probeMask_ = static_cast<int32_t>(value);
        return previous;
    }
    if (index == kVendorTimeProbeRecord) {
        if (!ptr || value < 0 || value >= probeCount_ || probeCount_ - value > kTimeProbeKept) return 0;
        *static_cast<TimeProbeRecord*>(ptr) = probes_[static_cast<size_t>(value % kTimeProbeKept)];
        return 1;
    }
    return 0;
}

bool RefSynth::parameterFromText(int32_t index, const char* text) {
    float value = 0.0f;
    if (index == kRefParamMute && (std::strcmp(text, "On") == 0 || std::strcmp(text, "Off") == 0)) {
        value = text[1] == 'n' ? 1.0f : 0.0f;
    } else if (index == kRefParamPitch) {
        char* end = nullptr;
        const long semitones = std::strtol(text, &end, 10);
        if (end == text || *end != '\0' || semitones < -12 || semitones > 12) return false;
        value = static_cast<float>(semitones + 12) / 24.0f;
    } else {
        return false;
    }
    setParameterValue(index, value);
    return true;
}

void RefSynth::setParameterValue(int32_t index, float value) {
    if (index < 0 || index >= kRefParamCount) return;
    std::lock_guard<std::mutex> hold(lock_);
    programs_[program_].values[index] = !(value >= 0.0f) ? 0.0f : (value > 1.0f ? 1.0f : value);
}

float RefSynth::parameterValue(int32_t index) {
    if (index < 0 || index >= kRefParamCount) return 0.0f;
    std::lock_guard<std::mutex> hold(lock_);
    return programs_[program_].values[index];
}

intptr_t RefSynth::canDo(const char* capability) {
    const bool sends = variant_ == RefVariant::Echo || variant_ == RefVariant::MidiOut;
    if (std::strcmp(capability, "sendVstEvents") == 0) return sends ? 1 : -1;
    if (std::strcmp(capability, "sendVstMidiEvent") == 0) return sends ? 1 : -1;
    if (std::strcmp(capability, "receiveVstTimeInfo") == 0) return variant_ == RefVariant::TimeProbe ? 1 : 0;
    if (std::strcmp(capability, "midiProgramNames") == 0) return 1;
    return PluginBase::canDo(capability);
}

bool RefSynth::outputPin(int32_t index, VstPinProperties* pin) {
    static const char* const kMulti[kRefMultiOutputs] = {"Main L", "Main R", "Aux Mono A",
                                                         "Aux Mono B", "Aux L", "Aux R"};
    static const char* const kMultiShort[kRefMultiOutputs] = {"ML", "MR", "AMA", "AMB", "AL", "AR"};
    bool stereo = true;
    if (variant_ == RefVariant::Multi) {
        stereo = index < 2 || index > 3;
        CopyText(pin->label, kMulti[index], sizeof pin->label);
        CopyText(pin->shortLabel, kMultiShort[index], sizeof pin->shortLabel);
    } else if (variant_ == RefVariant::Mono) {
        stereo = false;
        CopyText(pin->label, "QmRef Mono", sizeof pin->label);
        CopyText(pin->shortLabel, "Mono", sizeof pin->shortLabel);
    } else {
        CopyText(pin->label, index == 0 ? "QmRef L" : "QmRef R", sizeof pin->label);
        CopyText(pin->shortLabel, index == 0 ? "L" : "R", sizeof pin->shortLabel);
    }
    pin->flags = kVstPinIsActive | (stereo ? kVstPinIsStereo : 0);
    pin->arrangementType = stereo ? kSpeakerArrStereo : kSpeakerArrMono;
    return true;
}

}  // namespace qmtest
