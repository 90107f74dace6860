// Stand-ins for the patch device and preset tests: an in-process instrument with named programs,
// parameters per program, chunk state, MIDI program names, key names and parameters of every kind,
// which allocates nothing once built while it does not log; a host listener that keeps every event
// it hears; and an instance bound to the instrument.
#pragma once
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "qmvsti/guids.h"
#include "qmvsti/midi_device.h"
#include "qmvsti/vst2.h"
#include "unit/hosting_fakes.h"

namespace patch_test {

struct NamedProgram {
    std::string name;
    int program, bankMsb, bankLsb;  // -1: unused
    int category;                   // -1: none
    bool omni = false;
};

// The hosting fake with programs: its calls are logged as the fake logs them (`logging` off: none,
// and nothing is allocated).
class ProgramsPlugin : public hosting_test::FakePlugin {
public:
    int32_t current = 0;
    std::vector<std::string> names;                   // "Program <n>"; "" is a program the plug-in left unnamed
    std::vector<std::vector<float>> values;           // per program
    std::vector<NamedProgram> channelPrograms[16];    // opcodes 62-64
    std::vector<std::string> categories;
    std::map<int, std::string> keyNames;              // program 0 of every channel
    int32_t keysAnswered = 64;                        // keys 0 .. this-1 answer 1
    std::vector<VstParameterProperties> properties;   // opcode 56 (empty: not answered)
    std::vector<std::string> paramNames, paramLabels;
    std::vector<uint8_t> chunks[2];                   // effGetChunk answers: 0 bank, 1 program
    std::vector<uint8_t> setChunk;                    // what effSetChunk was given last
    int32_t setChunkIndex = -1;
    bool throwInChunkCalls = false;
    std::vector<std::string> changes;                 // while logging: every call that changes the plug-in

    // The flags are part of a saved state image: a synth without a process call.
    explicit ProgramsPlugin(int32_t programs = 0, int32_t params = 0, bool chunkForm = false)
        : FakePlugin(2, 0, effFlagsIsSynth | (chunkForm ? effFlagsProgramChunks : 0)) {
        logged_ = effect.dispatcher;
        effect.dispatcher = &Dispatch;
        effect.setParameter = &SetParameter;
        effect.getParameter = &GetParameter;
        effect.numPrograms = programs;
        effect.uniqueID = VstFourCC('P', 'r', 'S', 't');
        effect.version = 0x01020304;
        for (int32_t p = 0; p < programs; ++p) {
            names.push_back("Program " + std::to_string(p));
            values.emplace_back();
            for (int32_t i = 0; i < params; ++i) values.back().push_back(static_cast<float>(p * 10 + i) / 100.0f);
        }
        SetParameters(static_cast<size_t>(params));
    }
    // Names and labels for `count` parameters; their values are per program.
    void SetParameters(size_t count) {
        paramNames.assign(count, "");
        paramLabels.assign(count, "");
        effect.numParams = static_cast<int32_t>(count);
    }
    intptr_t CallHost(int32_t opcode, int32_t index, intptr_t value, float opt) {
        return host(&effect, opcode, index, value, nullptr, opt);
    }

private:
    static ProgramsPlugin* Self(AEffect* effect) { return static_cast<ProgramsPlugin*>(static_cast<FakePlugin*>(effect->object)); }
    bool valid() const { return current >= 0 && static_cast<size_t>(current) < values.size(); }
    static void Copy(void* ptr, const std::string& text, size_t room) {
        std::strncpy(static_cast<char*>(ptr), text.c_str(), room - 1);
    }
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                         float opt) {
        ProgramsPlugin* self = Self(effect);
        const intptr_t answer = self->logged_(effect, opcode, index, value, ptr, opt);
        if (self->logging && (opcode == effSetProgram || opcode == effSetProgramName || opcode == effSetChunk)) {
            self->changes.push_back(hosting_test::Op(opcode, index, value));
        }
        switch (opcode) {
        case effSetProgram: self->current = static_cast<int32_t>(value); return 0;
        case effGetProgram: return self->current;
        case effSetProgramName:
            if (self->valid()) self->names[static_cast<size_t>(self->current)] = static_cast<char*>(ptr);
            return 0;
        case effGetProgramName:
            if (self->valid()) Copy(ptr, self->names[static_cast<size_t>(self->current)], 64);
            return 0;
        case effGetProgramNameIndexed:
            if (index < 0 || static_cast<size_t>(index) >= self->names.size() || self->names[static_cast<size_t>(index)].empty()) return 0;
            Copy(ptr, self->names[static_cast<size_t>(index)], 64);
            return 1;
        case effGetParamName: Copy(ptr, self->paramNames[static_cast<size_t>(index)], 64); return 0;
        case effGetParamLabel: Copy(ptr, self->paramLabels[static_cast<size_t>(index)], 64); return 0;
        case effGetParameterProperties:
            if (self->properties.empty()) return 0;
            *static_cast<VstParameterProperties*>(ptr) = self->properties[static_cast<size_t>(index)];
            return 1;
        case effGetChunk: {
            if (self->throwInChunkCalls) throw std::runtime_error("chunk failure");
            std::vector<uint8_t>& chunk = self->chunks[index == 1 ? 1 : 0];
            *static_cast<void**>(ptr) = chunk.empty() ? nullptr : chunk.data();
            return static_cast<intptr_t>(chunk.size());
        }
        case effSetChunk: {
            if (self->throwInChunkCalls) throw std::runtime_error("chunk failure");
            const auto* bytes = static_cast<const uint8_t*>(ptr);
            self->setChunk.assign(bytes, bytes + value);
            self->setChunkIndex = index;
            return 0;
        }
        case effGetMidiProgramName: {
            auto& list = self->channelPrograms[index & 15];
            auto* name = static_cast<MidiProgramName*>(ptr);
            const auto at = static_cast<size_t>(name->thisProgramIndex);
            if (list.empty() || at >= list.size()) return static_cast<intptr_t>(list.size());
            const NamedProgram& program = list[at];
            Copy(name->name, program.name, sizeof name->name);
            name->midiProgram = static_cast<char>(program.program);
            name->midiBankMsb = static_cast<char>(program.bankMsb);
            name->midiBankLsb = static_cast<char>(program.bankLsb);
            name->parentCategoryIndex = program.category;
            name->flags = program.omni ? kMidiIsOmni : 0;
            return static_cast<intptr_t>(list.size());
        }
        case effGetCurrentMidiProgram: {
            auto* name = static_cast<MidiProgramName*>(ptr);
            name->thisProgramIndex = self->current;
            Dispatch(effect, effGetMidiProgramName, index, 0, name, 0.0f);
            return self->current;
        }
        case effGetMidiProgramCategory: {
            auto* category = static_cast<MidiProgramCategory*>(ptr);
            const auto at = static_cast<size_t>(category->thisCategoryIndex);
            if (at < self->categories.size()) Copy(category->name, self->categories[at], sizeof category->name);
            return static_cast<intptr_t>(self->categories.size());
        }
        case effGetMidiKeyName: {
            auto* key = static_cast<MidiKeyName*>(ptr);
            if (key->thisKeyNumber >= self->keysAnswered) return 0;
            auto found = self->keyNames.find(key->thisKeyNumber);
            if (found != self->keyNames.end()) Copy(key->keyName, found->second, sizeof key->keyName);
            return 1;
        }
        default: return answer;
        }
    }
    static void VSTCALLBACK SetParameter(AEffect* effect, int32_t index, float value) {
        ProgramsPlugin* self = Self(effect);
        if (self->logging) self->changes.push_back("set " + std::to_string(index) + "=" + std::to_string(value));
        if (self->valid() && index >= 0 && index < effect->numParams) self->values[static_cast<size_t>(self->current)][static_cast<size_t>(index)] = value;
    }
    static float VSTCALLBACK GetParameter(AEffect* effect, int32_t index) {
        ProgramsPlugin* self = Self(effect);
        return self->valid() ? self->values[static_cast<size_t>(self->current)][static_cast<size_t>(index)] : 0.0f;
    }
    AEffectDispatcherProc logged_;
};

// One host listener: keeps copies of the events (when `keep` is set) and counts them.
class Listener final : public qm::IMIDIDeviceListener {
public:
    std::vector<qm::PatchListenerEvent> events;
    bool keep = true;
    std::atomic<long> heard{0};
    std::function<void(const qm::PatchListenerEvent&)> onEvent;

    HRESULT QM_COMCALL QueryInterface(REFIID, void** ppv) noexcept override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return ++refs; }
    ULONG QM_COMCALL Release() noexcept override { return --refs; }
    HRESULT QM_COMCALL OnEvent(qm::PatchListenerEvent* event) noexcept override {
        heard.fetch_add(1, std::memory_order_relaxed);
        if (keep) events.push_back(*event);
        if (onEvent) onEvent(*event);
        return S_OK;
    }
    std::atomic<ULONG> refs{1};
};

// An initialised instance bound to a ProgramsPlugin, with its patch device; its module path is
// /plugins/Preset Synth.dll.
struct DeviceRig {
    explicit DeviceRig(ProgramsPlugin& plugin)
        : instance(type, &plugin, QMW("/plugins/Preset Synth.dll")), synth(instance.get()), device(synth->PatchDevice()) {
        EXPECT_EQ(instance.result, S_OK);
    }
    // Opened on its site, formatted for 44.1 kHz stereo float, cued and playing.
    void Play() {
        EXPECT_EQ(site.open(synth), S_OK);
        const WAVEFORMATEX format = hosting_test::HostFormat();
        EXPECT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
        EXPECT_EQ(synth->Cue(0), S_OK);
        EXPECT_EQ(synth->Play(0, 0), S_OK);
    }
    qm::CVSTiSofthSynth& operator*() const { return *synth; }
    qm::CVSTiSofthSynth* operator->() const { return synth; }

    hosting_test::FakeType type;
    hosting_test::FakeSite site;  // outlives the instance
    hosting_test::LoadedInstance instance;
    qm::CVSTiSofthSynth* synth;
    qm::CVSTIPatchDevice* device;
};

using hosting_test::Narrow;

}  // namespace patch_test
