// The instance's IQmSoftSynthEditor companion: the plug-in's editor in a window of the host's, for
// hosts without property pages. While the editor is open the session is the instance's editor
// window, so the instance's idle and display requests come to it; none of them calls the plug-in
// there: the host's window thread idles the editor in IdleEditor, about 30 times a second.
#pragma once
#include "hosting/vsti_soft_synth.h"

namespace qm {

// A new session on `synth` with one reference for the caller in *out; E_OUTOFMEMORY.
HRESULT CreateEditorSession(CVSTiSofthSynth* synth, void** out) noexcept;

}  // namespace qm
