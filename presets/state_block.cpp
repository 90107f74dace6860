#include "presets/state_block.h"

#include <cstdlib>
#include <cstring>

#include "presets/stream_io.h"

namespace qm::presets {

namespace {

constexpr int kSetNameChars = 24;  // names given back to the plug-in: at most 23 characters

uint32_t FloatBits(float value) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

HRESULT WriteHeader(IStream* stream, const AEffect* effect, uint32_t chunkSize) noexcept {
    uint8_t header[4 + kStateHeaderBytes] = {};
    PutLe32(header, kStateHeaderBytes);
    PutLe32(header + 4, kStateHeaderBytes);
    PutLe32(header + 16, static_cast<uint32_t>(effect->numPrograms));
    PutLe32(header + 20, chunkSize);
    PutLe32(header + 24, static_cast<uint32_t>(effect->flags));
    return StreamWrite(stream, header, sizeof header);
}

HRESULT SaveChunk(CVSTiSofthSynth& synth, IStream* stream, const AEffect* effect) noexcept {
    unsigned char* copy = nullptr;
    uint32_t size = synth.CapturedChunkSize();
    const void* chunk = synth.CapturedChunk();
    // A chunk captured by the host before the save (slot 48) is what the project asked for.
    if (chunk == nullptr || size == 0) {
        const HRESULT copied = synth.CopyPlugInChunk(0, 0, &copy, &size);
        if (copied != S_OK) return copied;
        chunk = copy;
    }
    HRESULT result = WriteHeader(stream, effect, size);
    if (result == S_OK) result = StreamWrite(stream, chunk, size);
    std::free(copy);
    return result;
}

// One program entry, built whole and written with one call. False ends the loop.
bool SaveProgram(CVSTiSofthSynth& synth, IStream* stream, const AEffect* effect, int32_t program) noexcept {
    synth.CallDispatcher(effSetProgram, 0, program, nullptr, 0.0f);
    const intptr_t reported = synth.CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
    WCHAR name[kStateNameUnits] = {};
    synth.GetPlugInString(effGetProgramName, name, kStateNameUnits);
    uint32_t units = 1;
    while (units < kStateNameUnits && name[units - 1] != 0) ++units;
    name[units - 1] = 0;

    const uint32_t count = static_cast<uint32_t>(effect->numParams);
    const size_t size = 8 + kStateRecordBytes + 2 * static_cast<size_t>(units) + 8 * static_cast<size_t>(count);
    auto* entry = static_cast<uint8_t*>(std::calloc(size, 1));
    if (entry == nullptr) return false;
    PutLe32(entry, static_cast<uint32_t>(effect->uniqueID));
    PutLe32(entry + 4, kStateRecordBytes);
    const uint32_t record[7] = {kStateRecordBytes, 0, units, static_cast<uint32_t>(reported), count, 8 * count,
                                static_cast<uint32_t>(effect->flags)};
    for (int i = 0; i < 7; ++i) PutLe32(entry + 8 + 4 * i, record[i]);
    uint8_t* at = entry + 8 + kStateRecordBytes;
    for (uint32_t i = 0; i < units; ++i, at += 2) {
        at[0] = static_cast<uint8_t>(name[i]);
        at[1] = static_cast<uint8_t>(name[i] >> 8);
    }
    const DWORD faultedBefore = synth.Status() & InstanceStatus::Faulted;
    bool ok = true;
    for (uint32_t j = 0; j < count && ok; ++j, at += 8) {
        const float value = synth.CallGetParameter(static_cast<int32_t>(j));
        ok = faultedBefore || !(synth.Status() & InstanceStatus::Faulted);
        PutLe32(at, j);
        PutLe32(at + 4, FloatBits(value));
    }
    if (ok) ok = StreamWrite(stream, entry, static_cast<ULONG>(size)) == S_OK;
    std::free(entry);
    return ok;
}

}  // namespace

HRESULT SaveStateBlock(CVSTiSofthSynth& synth, IStream* stream) noexcept {
    const AEffect* effect = synth.Effect();
    HRESULT result = effect != nullptr ? StreamWrite32(stream, static_cast<uint32_t>(effect->uniqueID)) : S_FALSE;
    if (result == S_OK && (effect->flags & effFlagsProgramChunks)) {
        result = SaveChunk(synth, stream, effect);
    } else if (result == S_OK) {
        result = WriteHeader(stream, effect, 0);
        for (int32_t i = 0; result == S_OK && i < effect->numPrograms && effect->numParams > 0; ++i) {
            if (!SaveProgram(synth, stream, effect, i)) break;
        }
    }
    synth.FreeCapturedChunk();
    return result;
}

void ApplyStateBlock(CVSTiSofthSynth& synth, StateBlock& block) noexcept {
    if (block.flags & effFlagsProgramChunks) {
        synth.SetPendingChunk(block.chunk.release(), block.chunkSize);
        return;
    }
    const AEffect* effect = synth.Effect();
    if (effect == nullptr) return;
    for (size_t i = 0; i < block.programs.size(); ++i) {
        StateProgram& program = block.programs[i];
        if (effect->numParams > 0) {
            synth.CallDispatcher(effSetProgram, 0, static_cast<intptr_t>(i), nullptr, 0.0f);
            synth.SetPlugInString(effSetProgramName, program.name.data(), kSetNameChars);
        }
        for (const auto& pair : program.parameters) {
            // An index the plug-in does not have would make it write outside its own table.
            if (pair.first < 0 || pair.first >= effect->numParams) continue;
            if (FAILED(synth.CallSetParameter(pair.first, pair.second))) break;
        }
    }
}

}  // namespace qm::presets
