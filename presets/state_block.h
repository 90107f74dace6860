// The plug-in state block inside the instance state stream: the unique ID, a 24-byte header and
// then the bank chunk (chunk form) or one entry per program with its name and parameters.
// Little-endian with a fixed layout on every target, so a project saved by the Windows module loads
// on Linux byte for byte and back.
//
// Reading is split from applying: the whole block is read and checked first (every size and count
// against the bytes the stream still has), so that a malformed block changes nothing.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "hosting/vsti_soft_synth.h"

namespace qm::presets {

inline constexpr uint32_t kStateHeaderBytes = 24;
inline constexpr uint32_t kStateRecordBytes = 28;
inline constexpr uint32_t kStateNameUnits = 128;  // name units written at most, terminator included

struct StateProgram {
    std::vector<WCHAR> name;  // terminated, at most 127 characters kept
    uint32_t reportedProgram = 0;
    std::vector<std::pair<int32_t, float>> parameters;
};

struct StateBlock {
    uint32_t uniqueId = 0;
    uint32_t programCount = 0;
    uint32_t chunkSize = 0;
    uint32_t flags = 0;  // the plug-in's flags at save time; bit effFlagsProgramChunks decides the form
    struct FreeChunk {
        void operator()(uint8_t* chunk) const noexcept;
    };
    std::unique_ptr<uint8_t[], FreeChunk> chunk;  // std::malloc'ed, handed to the instance as is
    std::vector<StateProgram> programs;
};

// Writes the block of the plug-in at the stream's position. 0; S_FALSE for an empty chunk (after the
// unique ID); a stream error; QM_E_PLUGIN_EXCEPTION. Frees the instance's captured chunk.
HRESULT SaveStateBlock(CVSTiSofthSynth& synth, IStream* stream) noexcept;

// Reads a block for the plug-in with `uniqueId` from the stream's position and leaves the stream
// at the first byte behind it. 0; QM_S_STATE_NOT_FOR_PLUGIN; E_UNEXPECTED for a malformed block;
// E_OUTOFMEMORY; a stream error.
HRESULT ReadStateBlock(IStream* stream, int32_t uniqueId, StateBlock* block) noexcept;
// Chunk form: the chunk becomes the instance's pending chunk. Parameter form: each program is
// selected, named and given its parameters.
void ApplyStateBlock(CVSTiSofthSynth& synth, StateBlock& block) noexcept;
// ReadStateBlock, then ApplyStateBlock when it succeeded; the instance's pending chunk is cleared first.
HRESULT LoadStateBlock(CVSTiSofthSynth& synth, IStream* stream) noexcept;

}  // namespace qm::presets
