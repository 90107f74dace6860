// Reading the plug-in state block of the instance state stream: the unique ID, a 24-byte header and
// then the bank chunk (chunk form) or one entry per program with its name and parameters, all
// little-endian. The whole block is read and checked (every size and count against the bytes the
// stream still has) before anything is applied, so that a malformed block changes nothing. No
// instance is needed: the fuzz target reads blocks the same way.
#pragma once
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "qmvsti/com.h"

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
        void operator()(uint8_t* bytes) const noexcept;
    };
    std::unique_ptr<uint8_t[], FreeChunk> chunk;  // calloc'ed with a zero byte behind it; goes to the instance
    std::vector<StateProgram> programs;
};

// Reads a block for the plug-in with `uniqueId` from the stream's position and leaves the stream
// at the first byte behind it. 0; QM_S_STATE_NOT_FOR_PLUGIN; E_UNEXPECTED for a malformed block;
// E_OUTOFMEMORY; a stream error.
HRESULT ReadStateBlock(IStream* stream, int32_t uniqueId, StateBlock* block) noexcept;

}  // namespace qm::presets
