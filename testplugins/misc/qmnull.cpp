// The null instrument: a synth whose process call does nothing at all (it neither reads its events
// nor writes its outputs) and that never allocates after loading, so that measurements of the host's
// render path see only the host. qmnull has the stereo main pair; qmnull_multi six outputs.
#include "common/plugin_base.h"

#ifndef QMNULL_OUTPUTS
#  define QMNULL_OUTPUTS 2
#endif

namespace qmtest {
namespace {

constexpr int32_t kNullUniqueId = VstFourCC('Q', 'm', 'N', 'l');

class NullSynth : public PluginBase {
public:
    explicit NullSynth(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmNull", "QmVSTi Null Synth", kNullUniqueId, effFlagsIsSynth | effFlagsCanReplacing,
                                      1, 0, 0, QMNULL_OUTPUTS, kPlugCategSynth}) {}

protected:
    void render(float**, float**, int32_t, bool) override {}
};

AEffect* Create(audioMasterCallback host) { return host ? (new NullSynth(host))->effect() : nullptr; }

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return qmtest::Create(host); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) { return qmtest::Create(host); }
