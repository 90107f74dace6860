// Load and unload hooks of the shared object: the Linux counterpart of DllMain. A constructor cannot
// refuse the load, so a failed start-up leaves the module loaded without its string table (texts
// come back empty) and says so on stderr.
#include <cstdio>

#include "entry/entry.h"
#include "entry/module_start.h"
#include "framework/kernel.h"
#include "platform/fpu.h"

namespace {

HINSTANCE ThisModule() noexcept { return qm::ModuleInstanceOf(reinterpret_cast<const void*>(&ThisModule)); }

__attribute__((constructor)) void OnModuleLoad() {
    qm::platform::ResetFloatingPointUnit();
    const HRESULT hr = QmKernel_EarlyInitialize(ThisModule(), 0);
    if (FAILED(hr)) {
        std::fprintf(stderr, "qmvsti: framework start-up failed (0x%08X)\n", static_cast<unsigned>(hr));
        return;
    }
    qm::SetUpForThisProcess(ThisModule());
}

__attribute__((destructor)) void OnModuleUnload() {
    qm::CloseDebugOutput();
    QmKernel_LateTerminate(ThisModule(), 0);
}

}  // namespace
