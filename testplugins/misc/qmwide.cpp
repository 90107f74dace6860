// The wide instrument: 70 outputs and 70 inputs, more than a host usually uses. Every process call
// reads all its inputs and writes all its outputs, output o at the constant level (o + 1) / 128, so a
// host that hands it short pointer arrays is caught at once. Its pins are described as stereo pairs.
#include "common/plugin_base.h"

namespace qmtest {
namespace {

constexpr int32_t kWideUniqueId = VstFourCC('Q', 'm', 'W', 'd');
constexpr int32_t kWidePins = 70;

class WideSynth : public PluginBase {
public:
    explicit WideSynth(audioMasterCallback host)
        : PluginBase(host, PluginInfo{"QmWide", "QmVSTi Wide Synth", kWideUniqueId,
                                      effFlagsIsSynth | effFlagsCanReplacing, 1, 0, kWidePins, kWidePins,
                                      kPlugCategSynth}) {}

protected:
    void render(float** inputs, float** outputs, int32_t frames, bool accumulate) override {
        float heard = 0.0f;
        for (int32_t i = 0; i < kWidePins; ++i) {
            for (int32_t f = 0; f < frames; ++f) heard += inputs[i][f];
        }
        // Inputs are silence: what they carry would show up on every output.
        for (int32_t o = 0; o < kWidePins; ++o) {
            const float level = static_cast<float>(o + 1) / 128.0f + heard;
            for (int32_t f = 0; f < frames; ++f) outputs[o][f] = accumulate ? outputs[o][f] + level : level;
        }
    }
};

AEffect* Create(audioMasterCallback host) { return host ? (new WideSynth(host))->effect() : nullptr; }

}  // namespace
}  // namespace qmtest

extern "C" AEffect* VSTCALLBACK qmtp_main(audioMasterCallback host) { return qmtest::Create(host); }
extern "C" AEffect* VSTCALLBACK qmtp_VSTPluginMain(audioMasterCallback host) { return qmtest::Create(host); }
