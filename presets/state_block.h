// Writing and applying the plug-in state block of the instance state stream. Little-endian with a
// fixed layout on every target, so a project saved by the Windows module loads on Linux byte for
// byte and back. Reading is state_block_reader.h.
#pragma once
#include "hosting/vsti_soft_synth.h"
#include "presets/state_block_reader.h"

namespace qm::presets {

// Writes the block of the plug-in at the stream's position. 0; S_FALSE for an empty chunk (after the
// unique ID); a stream error; QM_E_PLUGIN_EXCEPTION. Frees the instance's captured chunk.
HRESULT SaveStateBlock(CVSTiSofthSynth& synth, IStream* stream) noexcept;

// Chunk form: the chunk becomes the instance's pending chunk. Parameter form: each program is
// selected, named and given its parameters.
void ApplyStateBlock(CVSTiSofthSynth& synth, StateBlock& block) noexcept;

}  // namespace qm::presets
