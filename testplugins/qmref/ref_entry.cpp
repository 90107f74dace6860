// Entry points of the reference synth; QMREF_VARIANT picks the build variant (see RefVariant).
#include "qmref/ref_synth.h"

namespace {
AEffect* CreateRefSynth(audioMasterCallback host) {
    if (!host) return nullptr;
    return (new qmtest::RefSynth(host, static_cast<qmtest::RefVariant>(QMREF_VARIANT)))->effect();
}
}  // namespace

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return CreateRefSynth(host); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) { return CreateRefSynth(host); }
