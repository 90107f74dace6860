// The instance's IQmSoftSynthPresets companion: the preset and bank files for hosts without a
// property page. A small object of its own, so the instance keeps its single host interface table.
#pragma once
#include "hosting/vsti_soft_synth.h"

namespace qm::presets {

// A new companion of `synth` with one reference for the caller in *out; E_OUTOFMEMORY.
HRESULT CreatePresetAccess(CVSTiSofthSynth* synth, void** out) noexcept;

}  // namespace qm::presets
