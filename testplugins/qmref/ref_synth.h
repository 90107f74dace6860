// The reference synth and its build variants (selected by QMREF_VARIANT at compile time).
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>
#include "common/plugin_base.h"
#include "qmref/ref_editor.h"
#include "qmref/ref_params.h"
#include "qmref/voice_engine.h"

namespace qmtest {

enum class RefVariant { Plain = 0, Chunk = 1, Multi = 2, Mono = 3, Echo = 4, TimeProbe = 5, MidiOut = 6, Names = 7 };

class RefSynth : public PluginBase {
public:
    RefSynth(audioMasterCallback host, RefVariant variant);

protected:
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) override;
    void render(float** inputs, float** outputs, int32_t frames, bool accumulate) override;
    void setParameterValue(int32_t index, float value) override;
    float parameterValue(int32_t index) override;
    intptr_t canDo(const char* capability) override;
    bool outputPin(int32_t index, VstPinProperties* pin) override;

private:
    // One event received through effProcessEvents, kept until the next process call.
    struct Received {
        VstMidiEvent midi;
        VstMidiSysexEvent sysex;
        std::string dump;
        bool isSysex;
    };

    intptr_t programOpcode(int32_t opcode, int32_t index, intptr_t value, void* ptr);
    intptr_t midiProgramOpcode(int32_t opcode, int32_t index, void* ptr);
    // qmref_names (ref_names.cpp), under lock_.
    intptr_t namesOpcode(int32_t opcode, int32_t index, void* ptr);
    void reportAutomation(const std::vector<float>& moves);
    // effString2Parameter: Mute takes "On" and "Off", Pitch a whole number of semitones.
    bool parameterFromText(int32_t index, const char* text);
    intptr_t vendorSpecific(int32_t index, intptr_t value, void* ptr);
    void receive(const VstEvents* events);
    void handleMidi(const VstMidiEvent& event);
    int busOfChannel(int channel) const;
    void mix(float** outputs, int32_t begin, int32_t end, bool accumulate);
    void probeTime(int32_t frames);
    void echo(std::vector<Received>& sent);
    void transpose(std::vector<Received>& sent, int32_t frames);
    const float* values() const { return programs_[program_].values; }

    bool omniNames_ = false;
    std::vector<float> automated_;  // Pan values moved by kRefAutomateController in this block
    const RefVariant variant_;
    std::mutex lock_;  // programs, voices and received events: dispatcher, parameters and render
    RefProgram programs_[kRefPrograms];
    VoiceEngine engine_;
    std::vector<Received> received_;
    std::vector<double> buses_[VoiceEngine::kMaxBuses];
    std::vector<uint8_t> chunk_;

    std::mutex probeLock_;  // time probes: written by render, read by effVendorSpecific
    int32_t probeMask_;
    int32_t ownEvents_ = 0;  // qmref_midiout: its own events sent so far
    int64_t probeCount_ = 0;
    std::vector<TimeProbeRecord> probes_;
    RefEditor editor_;  // announced (effFlagsHasEditor) by qmref where the platform has the window
};

}  // namespace qmtest
