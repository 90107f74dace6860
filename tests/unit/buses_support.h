// A rig for the output buses and the MIDI input port: an in-process plug-in with any number of pins
// (output o playing the constant Level(o)), optional pin descriptions and MIDI output, and a type
// whose multi-channel and stereo-pin settings each test chooses.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "hosting_fakes.h"

namespace buses_test {

class BusType final : public qm::ISynthTypeLink {
public:
    bool expose = true;
    bool assumeStereo = false;

    int64_t FrameSizeDuration() const noexcept override { return 60000; }  // 265 frames at 44.1 kHz
    uint32_t FlushOnStopCount() const noexcept override { return 0; }
    bool ExposeMultiChannel() const noexcept override { return expose; }
    bool AssumeStereoPins() const noexcept override { return assumeStereo; }
    bool HasAlternativeDrawingMark(const WCHAR*, const WCHAR*, int32_t) noexcept override { return false; }
};

inline float Level(int output) { return static_cast<float>(output + 1) / 128.0f; }

struct Pin {
    const char* label;
    bool stereo;
};

class PinPlugin {
public:
    std::vector<Pin> pins;  // descriptions of the first pins; the rest answer unlabelled mono
    bool describes = true;  // false: effGetOutputProperties answers 0 and fills nothing
    bool sendsMidi = false;  // effCanDo "sendVstMidiEvent" answers 1; a note-on goes out after each block
    std::atomic<int> processCalls{0};  // read by the threads test while a render runs
    std::vector<int32_t> probedPins;
    AEffect effect{};
    audioMasterCallback host = nullptr;

    explicit PinPlugin(int32_t outputs) {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.processReplacing = &Process;
        effect.numOutputs = outputs;
        effect.flags = effFlagsIsSynth | effFlagsCanReplacing;
        effect.uniqueID = VstFourCC('P', 'i', 'n', 's');
        effect.object = this;
    }
    intptr_t callHost(int32_t opcode, int32_t index = 0) { return host(&effect, opcode, index, 1, nullptr, 0.0f); }

    static PinPlugin*& Next() {
        static PinPlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
        PinPlugin* self = Next();
        if (self == nullptr) return nullptr;
        self->host = host;
        return &self->effect;
    }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t, void* ptr, float) {
        auto* self = static_cast<PinPlugin*>(effect->object);
        switch (opcode) {
        case effGetEffectName: std::strcpy(static_cast<char*>(ptr), "Pins"); return 1;
        case effGetOutputProperties: {
            self->probedPins.push_back(index);
            if (!self->describes) return 0;
            auto* pin = static_cast<VstPinProperties*>(ptr);
            if (index >= 0 && static_cast<size_t>(index) < self->pins.size()) {
                std::strcpy(pin->label, self->pins[static_cast<size_t>(index)].label);
                if (self->pins[static_cast<size_t>(index)].stereo) pin->flags = kVstPinIsStereo;
            }
            return 1;
        }
        case effCanDo:
            return self->sendsMidi && std::strcmp(static_cast<const char*>(ptr), "sendVstMidiEvent") == 0 ? 1 : 0;
        default: return 0;
        }
    }
    static void VSTCALLBACK Process(AEffect* effect, float**, float** outputs, int32_t frames) {
        auto* self = static_cast<PinPlugin*>(effect->object);
        ++self->processCalls;
        for (int32_t o = 0; o < effect->numOutputs; ++o) {
            for (int32_t f = 0; f < frames; ++f) outputs[o][f] = Level(o);
        }
        if (!self->sendsMidi) return;
        VstMidiEvent note{};
        note.type = kVstMidiType;
        note.byteSize = 24;
        note.midiData[0] = static_cast<char>(0x90);
        note.midiData[1] = 60;
        note.midiData[2] = 100;
        VstEvents list{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
        self->host(effect, audioMasterProcessEvents, 0, 0, &list, 0.0f);
    }
};

// An instance bound to a PinPlugin, opened on a FakeSite and formatted for 44.1 kHz stereo float;
// TakeBuses holds every bus it offers until the rig goes.
struct BusRig {
    explicit BusRig(PinPlugin& pinPlugin, const BusType& settings = BusType()) : plugin(pinPlugin), type(settings) {
        hosting_test::EnsureStringTable();
        EXPECT_EQ(qm::CVSTiSofthSynth::CreateInstance(&type, &synth), S_OK);
        synth->AddRef();
        EXPECT_EQ(synth->Initialize(), S_OK);
        const WCHAR path[] = QMW("/plugins/Pins.dll");
        std::memcpy(record.path, path, sizeof path);
        record.flags = qm::PluginRecordFlags::Enabled;
        PinPlugin::Next() = &plugin;
        loaded = synth->LoadFromEntryPoint(&PinPlugin::Entry, &record);
        PinPlugin::Next() = nullptr;
        EXPECT_EQ(site.open(synth), S_OK);
        EXPECT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    }
    ~BusRig() {
        for (qm::IQmSoftSynth* bus : buses) {
            bus->ReleaseFormat();
            bus->Release();
        }
        synth->Release();
    }
    BusRig(const BusRig&) = delete;
    BusRig& operator=(const BusRig&) = delete;

    void TakeBuses(bool formatted = true) {
        buses.assign(static_cast<size_t>(synth->BusCount()), nullptr);
        for (size_t i = 0; i < buses.size(); ++i) {
            EXPECT_EQ(synth->GetBus(static_cast<LONG>(i), &buses[i]), S_OK);
            if (formatted) {
                EXPECT_EQ(buses[i]->SetFormat(&format, 0, 0), S_OK);
            }
        }
    }
    void Play() {
        ASSERT_EQ(synth->Cue(0), S_OK);
        ASSERT_EQ(synth->Play(0, 0), S_OK);
    }
    // frames interleaved stereo float frames from `target`, prefilled with -9.
    static LONG Render(qm::IQmSoftSynth* target, std::vector<float>& out, LONG frames, LONGLONG start = 0) {
        out.assign(static_cast<size_t>(frames) * 2, -9.0f);
        return static_cast<LONG>(target->Render(out.data(), start, frames, 0, 0, nullptr));
    }
    qm::CVSTiSofthSynth* operator->() const { return synth; }

    PinPlugin& plugin;
    BusType type;
    hosting_test::FakeSite site;
    const WAVEFORMATEX format = hosting_test::HostFormat();
    qm::VstiPluginRecord record{};
    qm::CVSTiSofthSynth* synth = nullptr;
    HRESULT loaded = E_FAIL;
    std::vector<qm::IQmSoftSynth*> buses;
};

inline std::string Narrow(const WCHAR* text) {
    std::string out;
    for (; *text != 0; ++text) out.push_back(static_cast<char>(*text));
    return out;
}

// Every frame of an interleaved stereo render is (left, right).
inline void ExpectFrames(const std::vector<float>& out, size_t frames, float left, float right) {
    ASSERT_GE(out.size(), frames * 2);
    for (size_t frame = 0; frame < frames; ++frame) {
        ASSERT_EQ(out[frame * 2], left) << frame;
        ASSERT_EQ(out[frame * 2 + 1], right) << frame;
    }
}

}  // namespace buses_test
