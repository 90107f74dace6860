// The module's exported entry points (besides DllMain and the framework's own functions).
#pragma once
#include "qmvsti/com.h"

// Creates the soft-synth type and returns its IMIDIClass (count 1) in *out.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmMIDIDriver_CreateDriverClass(void** out) noexcept;
// Switches the component's string resources to the language `lcid`; returns 0.
QM_EXTERN_C QM_EXPORT HRESULT QMAPI QmDLL_UpdateLCID(LCID lcid) noexcept;
// Writes one debug line: mode 2 to the file or port named by "LogToFilePath" in the "Debug" section
// of the user's profile, any other mode to the screen overlay (stderr on Linux). The text is UTF-16
// on both paths. Never fails; returns 0. __stdcall on i686, exported there as QmDebugString@12.
QM_EXTERN_C QM_EXPORT DWORD QM_STDCALL QmDebugString(LPCWSTR text, BOOL newLine, DWORD mode) noexcept;

namespace qm {
// Closes the debug output's file or port at unload, so that the log can be read while the host runs on.
void CloseDebugOutput() noexcept;
}  // namespace qm
