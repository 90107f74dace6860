// A valid VST 2 effect that is not an instrument (no effFlagsIsSynth): stereo in, stereo out, the
// output is the input at half level. Exports only "VSTPluginMain".
#include <cstring>
#include "common/plugin_base.h"
#include "protocol.h"

namespace qmtest {
namespace {

class HalfGainEffect : public PluginBase {
public:
    explicit HalfGainEffect(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmEffect", "QmVSTi Half Gain", kEffectUniqueId, effFlagsCanReplacing,
                                      1, 0, 2, 2, kPlugCategEffect}) {}

protected:
    void render(float** inputs, float** outputs, int32_t frames, bool accumulate) override {
        if (!outputs) return;
        for (int32_t channel = 0; channel < 2; ++channel) {
            const float* in = inputs ? inputs[channel] : nullptr;
            float* out = outputs[channel];
            if (!out) continue;
            for (int32_t frame = 0; frame < frames; ++frame) {
                const float sample = in ? in[frame] * 0.5f : 0.0f;
                out[frame] = accumulate ? out[frame] + sample : sample;
            }
        }
    }

    intptr_t canDo(const char* capability) override {
        if (std::strcmp(capability, "receiveVstEvents") == 0) return -1;
        if (std::strcmp(capability, "receiveVstMidiEvent") == 0) return -1;
        return PluginBase::canDo(capability);
    }
};

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) {
    return host ? (new qmtest::HalfGainEffect(host))->effect() : nullptr;
}
