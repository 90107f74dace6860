// Start-up of the module inside its host process, after the framework has started.
#pragma once
#include "qmvsti/com.h"

namespace qm {

// The caption of every message box of the component.
extern const WCHAR kMessageBoxCaption[];

// Unless the host is RunDLL32: sets the message-box caption and builds and stores the context help
// path of `module`.
void SetUpForHostProcess(HINSTANCE module, const WCHAR* executablePath) noexcept;
// SetUpForHostProcess with the executable of the running process.
void SetUpForThisProcess(HINSTANCE module) noexcept;
// After a language change to `lcid`: a language other than English rebuilds both help paths.
void RebuildHelpPathsForLanguage(HINSTANCE module, LCID lcid) noexcept;

}  // namespace qm
