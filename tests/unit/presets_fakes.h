// An in-process plug-in with named programs, parameters per program and, when asked, chunk state,
// for the preset, bank and state-block tests; and an instance bound to it.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/environment.h"
#include "unit/hosting_fakes.h"

namespace presets_test {

class PresetPlugin {
public:
    AEffect effect{};
    int32_t current = 0;
    std::vector<std::string> names;
    std::vector<std::vector<float>> values;  // per program
    std::vector<uint8_t> chunks[2];           // effGetChunk answers: 0 bank, 1 program
    std::vector<uint8_t> setChunk;             // what effSetChunk was given last
    int32_t setChunkIndex = -1;
    bool throwInChunkCalls = false;
    std::vector<std::string> changes;  // every call that changes the plug-in (not the questions)

    PresetPlugin(int32_t programs, int32_t params, bool chunkForm) {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.setParameter = &SetParameter;
        effect.getParameter = &GetParameter;
        effect.numPrograms = programs;
        effect.numParams = params;
        effect.numOutputs = 2;
        effect.flags = effFlagsIsSynth | (chunkForm ? effFlagsProgramChunks : 0);
        effect.uniqueID = VstFourCC('P', 'r', 'S', 't');
        effect.version = 0x01020304;
        effect.object = this;
        for (int32_t p = 0; p < programs; ++p) {
            names.push_back("Program " + std::to_string(p));
            values.emplace_back();
            for (int32_t i = 0; i < params; ++i) values.back().push_back(static_cast<float>(p * 10 + i) / 100.0f);
        }
    }

    static PresetPlugin*& Next() {
        static PresetPlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback) { return Next() != nullptr ? &Next()->effect : nullptr; }

private:
    static PresetPlugin* Self(AEffect* effect) { return static_cast<PresetPlugin*>(effect->object); }
    bool valid() const { return current >= 0 && current < static_cast<int32_t>(names.size()); }

    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                         float) {
        PresetPlugin* self = Self(effect);
        if (opcode == effSetProgram || opcode == effSetProgramName || opcode == effSetChunk) {
            self->changes.push_back(std::to_string(opcode) + ":" + std::to_string(index) + ":" + std::to_string(value));
        }
        switch (opcode) {
        case effSetProgram: self->current = static_cast<int32_t>(value); return 0;
        case effGetProgram: return self->current;
        case effSetProgramName:
            if (self->valid()) self->names[self->current] = static_cast<char*>(ptr);
            return 0;
        case effGetProgramName:
            if (self->valid()) std::strcpy(static_cast<char*>(ptr), self->names[self->current].c_str());
            return 0;
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
        default: return 0;
        }
    }
    static void VSTCALLBACK SetParameter(AEffect* effect, int32_t index, float value) {
        PresetPlugin* self = Self(effect);
        self->changes.push_back("set " + std::to_string(index) + "=" + std::to_string(value));
        if (self->valid() && index >= 0 && index < effect->numParams) self->values[self->current][index] = value;
    }
    static float VSTCALLBACK GetParameter(AEffect* effect, int32_t index) {
        PresetPlugin* self = Self(effect);
        return self->valid() ? self->values[self->current][index] : 0.0f;
    }
};

// An initialised instance bound to a PresetPlugin; its module path is /plugins/Preset Synth.dll.
class PresetInstance {
public:
    explicit PresetInstance(PresetPlugin& plugin) : instance_(type_, plugin, QMW("/plugins/Preset Synth.dll")) {
        EXPECT_EQ(instance_.result, S_OK);
    }
    qm::CVSTiSofthSynth& operator*() const { return *instance_.get(); }
    qm::CVSTiSofthSynth* operator->() const { return instance_.get(); }

private:
    hosting_test::FakeType type_;
    hosting_test::LoadedInstance instance_;
};

using WString = std::basic_string<WCHAR>;

inline WString WidePath(const std::string& utf8) {
    const std::u16string units = qm::platform::Utf8ToWide(utf8.c_str());
    return WString(units.begin(), units.end());
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A temporary file name, removed again when the test ends.
class TempFile {
public:
    explicit TempFile(const char* extension) : path(qm::test::TemporaryFilePath("presets", extension)), wide(WidePath(path)) {}
    ~TempFile() { qm::test::RemoveFile(path); }
    const std::string path;
    const WString wide;
};

}  // namespace presets_test
