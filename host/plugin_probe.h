// The host's own look at a plug-in module, as a host's plug-in manager fills its cache: whether the
// module is a VST instrument and whether it has an editor. The library tells a host neither.
#pragma once
#include <cstdint>
#include <string>

namespace qm::host {

struct ModuleKind {
    bool instrument = false;  // effFlagsIsSynth
    bool editor = false;      // effFlagsHasEditor
    int32_t uniqueId = 0;
};

// Enters the module through "main" or "VSTPluginMain", reads its AEffect and closes it again.
// False with a reason when it is no VST 2 module. Run it only on a module the library has already
// loaded without a fault: the host has no guard of its own.
bool ProbeModuleKind(const std::string& utf8Path, ModuleKind* kind, std::string* error);

}  // namespace qm::host
