// Module entry of the DLL: starts the framework at load and stops it at unload.
#include <windows.h>

#include "entry/entry.h"
#include "entry/module_start.h"
#include "framework/kernel.h"
#include "platform/fpu.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // No per-thread work: the host's audio threads should not take the loader lock for us.
        DisableThreadLibraryCalls(instance);
        // Hosts load the module with whatever FPU state their last plug-in left behind.
        qm::platform::ResetFloatingPointUnit();
        if (FAILED(QmKernel_EarlyInitialize(instance, 0))) return FALSE;
        qm::SetUpForThisProcess(instance);
        return TRUE;
    case DLL_PROCESS_DETACH:
        qm::CloseDebugOutput();
        QmKernel_LateTerminate(instance, 0);
        return TRUE;
    default:
        return TRUE;
    }
}
