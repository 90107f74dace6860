// Exports "main" and "VSTPluginMain" returning different silent instruments, so a test can tell which
// entry point a host chose: uniqueID 'QmBm' and name "QmBoth main", or 'QmBv' and
// "QmBoth VSTPluginMain".
#include "common/plugin_base.h"
#include "protocol.h"

namespace {

AEffect* Create(audioMasterCallback host, const char* name, int32_t uniqueId) {
    if (!host) return nullptr;
    const qmtest::PluginInfo info{name, "QmVSTi Entry Probe", uniqueId, effFlagsIsSynth | effFlagsCanReplacing,
                                  1, 0, 0, 2, kPlugCategSynth};
    return (new qmtest::PluginBase(host, info))->effect();
}

}  // namespace

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) {
    return Create(host, "QmBoth main", qmtest::kBothMainUniqueId);
}
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) {
    return Create(host, "QmBoth VSTPluginMain", qmtest::kBothPluginMainUniqueId);
}
