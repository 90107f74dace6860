#include "presets/state_block.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "presets/stream_io.h"

namespace qm::presets {

namespace {

constexpr int kSetNameChars = 24;  // names given back to the plug-in: at most 23 characters

uint32_t FloatBits(float value) noexcept {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float BitsFloat(uint32_t bits) noexcept {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
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

// One program entry: false when the stream holds no further entry of this plug-in (the stream is
// then back where the entry would begin), E_UNEXPECTED in *result when an entry lies about its sizes.
bool ReadProgram(IStream* stream, uint32_t uniqueId, StateProgram* program, HRESULT* result) {
    uint64_t start = 0;
    if (FAILED(StreamTell(stream, &start))) return false;
    uint32_t id = 0, recordSize = 0;
    if (StreamRead32(stream, &id) != S_OK || id != uniqueId) {
        StreamSeekTo(stream, start);
        return false;
    }
    if (StreamRead32(stream, &recordSize) != S_OK || recordSize != kStateRecordBytes) {
        // Back to just behind the ID, where the envelope expects the block to end.
        StreamSeekTo(stream, start + 4);
        return false;
    }
    uint8_t record[kStateRecordBytes];
    uint64_t remaining = 0;
    *result = StreamRead(stream, record, sizeof record);
    if (*result == S_OK) *result = StreamRemaining(stream, &remaining);
    if (*result != S_OK) return false;
    const uint32_t units = GetLe32(record + 8);
    const uint32_t count = GetLe32(record + 16);
    const uint32_t dataSize = GetLe32(record + 20);
    if (units == 0 || units > remaining / 2 || dataSize != 8ull * count || dataSize > remaining - 2ull * units) {
        *result = E_UNEXPECTED;
        return false;
    }
    std::vector<uint8_t> bytes(2 * static_cast<size_t>(units) + dataSize);
    *result = StreamRead(stream, bytes.data(), static_cast<ULONG>(bytes.size()));
    if (*result != S_OK) return false;
    const uint32_t kept = units < kStateNameUnits ? units : kStateNameUnits;
    program->name.assign(kept, 0);
    for (uint32_t i = 0; i + 1 < kept; ++i) program->name[i] = static_cast<WCHAR>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    program->reportedProgram = GetLe32(record + 12);
    program->parameters.resize(count);
    const uint8_t* pair = bytes.data() + 2 * static_cast<size_t>(units);
    for (uint32_t j = 0; j < count; ++j, pair += 8) {
        program->parameters[j] = {static_cast<int32_t>(GetLe32(pair)), BitsFloat(GetLe32(pair + 4))};
    }
    return true;
}

HRESULT ReadBlockBody(IStream* stream, int32_t uniqueId, StateBlock* block) {
    HRESULT result = StreamRead32(stream, &block->uniqueId);
    if (result != S_OK) return result;
    if (block->uniqueId != static_cast<uint32_t>(uniqueId)) return QM_S_STATE_NOT_FOR_PLUGIN;
    uint8_t header[4 + kStateHeaderBytes];
    result = StreamRead(stream, header, sizeof header);
    if (result != S_OK) return result;
    if (GetLe32(header) != kStateHeaderBytes) return E_UNEXPECTED;
    block->programCount = GetLe32(header + 16);
    block->chunkSize = GetLe32(header + 20);
    block->flags = GetLe32(header + 24);
    // The flags stored at save time decide the form, not what the plug-in reports now.
    if (block->flags & effFlagsProgramChunks) {
        uint64_t remaining = 0;
        result = StreamRemaining(stream, &remaining);
        if (result != S_OK) return result;
        if (block->chunkSize == 0 || block->chunkSize > remaining) return E_UNEXPECTED;
        block->chunk.reset(static_cast<uint8_t*>(std::malloc(block->chunkSize)));
        if (block->chunk == nullptr) return E_OUTOFMEMORY;
        return StreamRead(stream, block->chunk.get(), block->chunkSize);
    }
    // Fewer entries than the count are normal: the writer stops early when a plug-in faults.
    for (uint32_t i = 0; i < block->programCount; ++i) {
        StateProgram program;
        result = S_OK;
        if (!ReadProgram(stream, block->uniqueId, &program, &result)) return result;
        block->programs.push_back(std::move(program));
    }
    return S_OK;
}

}  // namespace

void StateBlock::FreeChunk::operator()(uint8_t* chunk) const noexcept { std::free(chunk); }

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

HRESULT ReadStateBlock(IStream* stream, int32_t uniqueId, StateBlock* block) noexcept {
    try {
        return ReadBlockBody(stream, uniqueId, block);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
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

HRESULT LoadStateBlock(CVSTiSofthSynth& synth, IStream* stream) noexcept {
    synth.SetPendingChunk(nullptr, 0);
    if (synth.Effect() == nullptr) return E_UNEXPECTED;
    StateBlock block;
    const HRESULT result = ReadStateBlock(stream, synth.Effect()->uniqueID, &block);
    if (result == S_OK) ApplyStateBlock(synth, block);
    return result;
}

}  // namespace qm::presets
