// Framework start-up and tear-down of the module that carries the framework: the module entry calls
// them at load and unload. They record the module handle and open the framework's language handle
// (the component's string table and dialogs) on it.
#pragma once
#include "framework/lang.h"
#include "qmvsti/com.h"

// Records `module` and opens the kernel language handle on it for `lcid` (0: the user's default).
// S_OK, or the failure of opening the language handle (the module then refuses to load). A second
// call without LateTerminate changes nothing and answers S_FALSE.
QM_EXTERN_C HRESULT QMAPI QmKernel_EarlyInitialize(HINSTANCE module, LCID lcid) noexcept;
// Closes the language handle and forgets the module; `module` must be the one recorded (else
// S_FALSE and nothing happens). S_OK.
QM_EXTERN_C HRESULT QMAPI QmKernel_LateTerminate(HINSTANCE module, DWORD reserved) noexcept;

namespace qm {

// The module recorded by QmKernel_EarlyInitialize, null before and after.
HINSTANCE KernelModule() noexcept;

}  // namespace qm
