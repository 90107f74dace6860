// The host's own look at a plug-in module, as a host's plug-in manager fills its cache: whether the
// module is a VST instrument and whether it has an editor. The library tells a host neither.
#pragma once
#include <cstdint>
#include <string>

#include "qmvsti/vst2.h"

namespace qm::host {

struct ModuleKind {
    bool instrument = false;  // effFlagsIsSynth
    bool editor = false;      // effFlagsHasEditor
    int32_t uniqueId = 0;
};

// Enters a loaded module through "main" or "VSTPluginMain" with a callback that answers only the
// version; null with a reason when it gives no VST 2 effect.
AEffect* EnterVstModule(void* module, const std::string& utf8Path, std::string* error);

// Enters the module, reads its AEffect and closes it again.
// False with a reason when it is no VST 2 module. Run it only on a module the library has already
// loaded without a fault: the host has no guard of its own.
bool ProbeModuleKind(const std::string& utf8Path, ModuleKind* kind, std::string* error);

}  // namespace qm::host
