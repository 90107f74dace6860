// The instance's pins: the main output's stereo rule for plug-ins that do not describe their pins,
// and the MIDI port of plug-ins that send MIDI. Surplus pins are tested with the wide instrument.
#include <gtest/gtest.h>

#include <vector>

#include "hosting_fakes.h"
#include "qmvsti/guids.h"

using namespace hosting_test;

TEST(BusesPins, AssumeStereoPinsDecidesTheMainOutputOfPlugInsThatDoNotDescribeThem) {
    const struct {
        const char* what;
        int32_t outputs;
        bool describes, pin0Stereo, assume, mono;
    } cases[] = {
        {"the default rule: undescribed pin 0 is mono", 2, false, false, false, true},
        {"assumed stereo pair", 2, false, false, true, false},
        {"one output is mono whatever the setting", 1, false, false, true, true},
        {"a described mono pin stays mono", 2, true, false, true, true},
        {"a described stereo pin stays stereo", 2, true, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakePlugin plugin(c.outputs);
        plugin.describes = c.describes;
        plugin.pins = {{"A", c.pin0Stereo}, {"B", c.pin0Stereo}};
        BusRig rig(plugin, true, c.assume);
        ASSERT_EQ(rig.synth->result, S_OK);
        EXPECT_EQ((rig->Status() & qm::InstanceStatus::MonoMainOutput) != 0, c.mono);
        rig.Play();
        std::vector<float> out;
        ASSERT_EQ(RenderStereo(rig.get(), out, 300), 300);
        // A mono main output of two outputs goes through the queue, output 0 at -3 dB on both
        // channels; a single output is rendered directly, unscaled.
        const float left = c.mono && c.outputs == 2 ? Level(0) * 0.707f : Level(0);
        ExpectFrames(out, 300, left, c.mono ? left : Level(1));
    }
}

TEST(BusesPins, AMidiPortExistsOnlyForPlugInsThatSayTheyCanSendMidi) {
    for (const bool sends : {false, true}) {
        SCOPED_TRACE(sends);
        FakePlugin plugin(2);
        plugin.sendsMidi = sends;
        BusRig rig(plugin);
        void* port = reinterpret_cast<void*>(1);
        EXPECT_EQ(rig->GetMidiInput(qm::IID_IMIDIIn, &port), sends ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(port != nullptr, sends);
        if (sends) {
            EXPECT_EQ(static_cast<qm::IMIDIIn*>(port)->Release(), 1u);  // the instance keeps its own
        }
    }
}
