// The instance state stream (SaveState, LoadState): an envelope of version, byte count, a constant
// and the current program around the plug-in state block, then the instance GUID. Little-endian on
// every target.
#include "hosting/vsti_soft_synth.h"
#include "platform/fpu.h"
#include "presets/state_block.h"
#include "presets/stream_io.h"

namespace qm {

namespace {

constexpr uint32_t kStateVersion = 5;     // with the GUID
constexpr uint32_t kStateVersionOld = 4;  // without it
constexpr uint32_t kStateConstant = 4;

}  // namespace

HRESULT CVSTiSofthSynth::SaveState(IStream* stream) noexcept {
    using namespace presets;
    if (stream == nullptr) return E_POINTER;
    if (effect_ == nullptr) return E_UNEXPECTED;
    HRESULT result = StreamWrite32(stream, kStateVersion);
    uint64_t countAt = 0;
    if (result == S_OK) result = StreamTell(stream, &countAt);
    const intptr_t program = CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f);
    const uint32_t head[3] = {0, kStateConstant, static_cast<uint32_t>(program)};
    for (uint32_t word : head) {
        if (result == S_OK) result = StreamWrite32(stream, word);
    }
    if (FAILED(result)) return result;
    result = SaveStateBlock(*this, stream);
    if (FAILED(result)) return result;
    // The block writer steps through the programs.
    if (!(effect_->flags & effFlagsProgramChunks)) CallDispatcher(effSetProgram, 0, program, nullptr, 0.0f);
    result = StreamWriteGuid(stream, instanceGuid_);
    uint64_t end = 0;
    if (result == S_OK) result = StreamTell(stream, &end);
    if (result == S_OK) result = StreamSeekTo(stream, countAt);
    if (result == S_OK) result = StreamWrite32(stream, static_cast<uint32_t>(end - countAt - 4));
    if (result == S_OK) result = StreamSeekTo(stream, end);
    return FAILED(result) ? result : S_OK;
}

HRESULT CVSTiSofthSynth::LoadState(IStream* stream) noexcept {
    using namespace presets;
    if (stream == nullptr) return E_POINTER;
    uint64_t start = 0;
    HRESULT result = StreamTell(stream, &start);
    if (FAILED(result)) return result;
    uint32_t version = 0, words[3] = {};
    result = StreamRead32(stream, &version);
    if (result == S_OK && version != kStateVersion && version != kStateVersionOld) result = QM_E_STATE_VERSION;
    for (uint32_t& word : words) {
        if (result == S_OK) result = StreamRead32(stream, &word);
    }
    if (result == S_OK && effect_ == nullptr) result = E_UNEXPECTED;
    // Everything is read and checked before the plug-in hears of it: a stream that breaks off after
    // the block changes nothing.
    SetPendingChunk(nullptr, 0);
    StateBlock block;
    if (result == S_OK) result = ReadStateBlock(stream, effect_->uniqueID, &block);
    GUID guid = instanceGuid_;
    if (result == S_OK && version == kStateVersion) result = StreamReadGuid(stream, &guid);
    if (result == S_OK) {
        ApplyStateBlock(*this, block);
        const int32_t program = static_cast<int32_t>(words[2]);
        if (!(effect_->flags & effFlagsProgramChunks) && program >= 0 && program < effect_->numPrograms) {
            CallDispatcher(effSetProgram, 0, program, nullptr, 0.0f);
        }
        SetGuid(guid);
    }
    platform::ResetFloatingPointUnit();
    if (result != S_OK) StreamSeekTo(stream, start);
    IdlePass();
    return result;
}

}  // namespace qm
