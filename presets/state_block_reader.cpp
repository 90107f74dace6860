#include "presets/state_block_reader.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "presets/stream_io.h"
#include "qmvsti/vst2.h"

namespace qm::presets {

namespace {

float BitsFloat(uint32_t bits) noexcept {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
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
        // A zero byte behind the chunk: amsynth reads the chunk it is given as text, with strlen.
        block->chunk.reset(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(block->chunkSize) + 1, 1)));
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

void StateBlock::FreeChunk::operator()(uint8_t* bytes) const noexcept { std::free(bytes); }

HRESULT ReadStateBlock(IStream* stream, int32_t uniqueId, StateBlock* block) noexcept {
    try {
        return ReadBlockBody(stream, uniqueId, block);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace qm::presets
