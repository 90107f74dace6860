#include "plugin_probe.h"

#include <cstring>

#include "host_os.h"
#include "qmvsti/vst2.h"

namespace qm::host {

namespace {

// Plug-ins ask a few things from inside their entry point; a host that answers 0 to all but the
// version makes some of them refuse to start.
intptr_t VSTCALLBACK ProbeCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

AEffect* EnterVstModule(void* module, const std::string& utf8Path, std::string* error) {
    void* entry = OsFindSymbol(module, "main");
    if (entry == nullptr) entry = OsFindSymbol(module, "VSTPluginMain");
    if (entry == nullptr) {
        if (error != nullptr) *error = utf8Path + " exports no VST entry point";
        return nullptr;
    }
    AEffect* effect = reinterpret_cast<VstPluginMainProc>(entry)(&ProbeCallback);
    if (effect == nullptr || effect->magic != kEffectMagic) {
        if (error != nullptr) *error = utf8Path + " gives no VST 2 effect";
        return nullptr;
    }
    return effect;
}

bool ProbeModuleKind(const std::string& utf8Path, ModuleKind* kind, std::string* error) {
    *kind = ModuleKind{};
    void* module = OsLoadModule(utf8Path, error);
    if (module == nullptr) return false;
    AEffect* effect = EnterVstModule(module, utf8Path, error);
    if (effect != nullptr) {
        kind->instrument = (effect->flags & effFlagsIsSynth) != 0;
        kind->editor = (effect->flags & effFlagsHasEditor) != 0;
        kind->uniqueId = effect->uniqueID;
        effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    OsUnloadModule(module);
    return effect != nullptr;
}

}  // namespace qm::host
