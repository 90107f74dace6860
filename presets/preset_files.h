// Preset (.fxp) and bank (.fxb) files of one instance, in the form the plug-in's
// effFlagsProgramChunks flag chooses: every parameter as a float, or the plug-in's opaque chunk.
//
// Results: 0; S_FALSE when a chunk plug-in has nothing to save; QM_S_FILE_NOT_FOR_PLUGIN for a file
// of another plug-in or version, or one whose sizes and counts run past its bytes (nothing is given
// to the plug-in then); E_OUTOFMEMORY; QM_E_PLUGIN_EXCEPTION (Faulted stays set); the OS error of
// the file. A whole bank is checked before its first program is applied.
#pragma once
#include "hosting/vsti_soft_synth.h"
#include "platform/file.h"
#include "presets/fx_codec.h"

namespace qm::presets {

// One program, the current one.
HRESULT SavePresetFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept;
HRESULT LoadPresetFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept;
// All programs. Saving the parameter form steps through them and leaves the last one current.
HRESULT SaveBankFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept;
HRESULT LoadBankFile(CVSTiSofthSynth& synth, const WCHAR* path) noexcept;

// The current program's record at the file's position (inside a bank). Faulted is cleared first, so
// that only a fault while reading this program's parameters stops it.
HRESULT WritePresetRecord(CVSTiSofthSynth& synth, platform::File& file) noexcept;
// Gives a checked preset record to the plug-in: the name, then the chunk or the parameters.
HRESULT ApplyPresetRecord(CVSTiSofthSynth& synth, const FxRecord& record) noexcept;

// The folder the file dialogs start in: the remembered one, at first the plug-in module's folder.
void GetPresetFolder(CVSTiSofthSynth& synth, WCHAR* dest, int capacity) noexcept;

}  // namespace qm::presets
