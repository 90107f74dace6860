// Module entry of the DLL.
#include <float.h>
#include <windows.h>

namespace {
HMODULE g_module;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        _fpreset();
        return TRUE;
    case DLL_PROCESS_DETACH:
        g_module = nullptr;
        return TRUE;
    default:
        return TRUE;
    }
}
