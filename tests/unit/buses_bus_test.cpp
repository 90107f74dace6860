// Output buses with an in-process plug-in of 2 + 2 + 1 + 1 + 2 outputs, each output at its own level:
// the bus routine, names and information records, overflow and reset, outputs gone; the main
// output's stereo rule for plug-ins that do not describe their pins. What the buses carry sample for
// sample, and surplus pins, are tested with the multi-output and the wide reference synths.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

#include "hosting/output_queue.h"
#include "hosting_fakes.h"
#include "qmvsti/guids.h"
#include "routing/vsti_bus.h"

using namespace hosting_test;

namespace {

// Main L/R, a stereo pair, two mono pins (the second unlabelled), a pair with equal labels.
struct EightPins : FakePlugin {
    EightPins() : FakePlugin(8) {
        effectName = "Pins";
        pins = {{"Main L", true}, {"Main R", true}, {"Aux1 L", true}, {"Aux1 R", true},
                {"Mono A", false}, {"", false},    {"Aux2", true},   {"Aux2", true}};
    }
};

struct EightRig {
    EightPins plugin;
    BusRig rig{plugin};
    EightRig() {
        rig.TakeBuses();
        rig.Play();
    }
};

}  // namespace

TEST(BusesBus, OneBusPerExtraPairOrMonoPinNamedFromItsPins) {
    EightRig eight;
    qm::CVSTiSofthSynth* synth = eight.rig.get();
    ASSERT_EQ(synth->BusCount(), 4);
    // Pins 0 and 1 name the instance; every further pin is asked once, in order.
    std::vector<std::string> asked;
    for (int32_t pin = 0; pin < 8; ++pin) asked.push_back(Op(effGetOutputProperties, pin));
    EXPECT_EQ(eight.plugin.only(effGetOutputProperties), asked);
    const struct {
        const char* name;
        int first;
        bool mono;
    } expected[] = {{"Aux1 L/Aux1 R", 2, false}, {"Mono A", 4, true}, {"Pins", 5, true}, {"Aux2", 6, false}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].name);
        qm::CVSTiSofthSynthBus* bus = synth->BusAt(i);
        EXPECT_EQ(Narrow(bus->Name()), expected[i].name);
        EXPECT_EQ(bus->FirstOutput(), expected[i].first);
        EXPECT_EQ((bus->Status() & qm::BusStatus::Mono) != 0, expected[i].mono);
    }
    qm::IQmSoftSynth* none = eight.rig.buses[0];
    EXPECT_EQ(synth->GetBus(4, &none), S_FALSE);
    EXPECT_EQ(none, nullptr);
    // The information records count and number the buses; a bus shows the instance's name.
    qm::SoftSynthTypeInfo info{};
    ASSERT_EQ(synth->GetInfo(&info), S_OK);
    EXPECT_EQ(std::make_tuple(info.busCount, info.isBus), std::make_tuple(4u, 0u));
    info = {};
    ASSERT_EQ(eight.rig.buses[2]->GetInfo(&info), S_OK);
    EXPECT_EQ(std::make_tuple(info.word9, info.busCount, info.isBus, info.busNumber, info.active),
              std::make_tuple(1u, 0u, 1u, 2u, 0xFFFFFFFFu));
    WCHAR name[8];
    EXPECT_EQ(eight.rig.buses[0]->GetDisplayName(name, 8), 1);
    EXPECT_EQ(Narrow(name), "Pins");
    // A plug-in that does not say it can send MIDI has no MIDI port (BusesThreads asks one that does).
    void* port = &info;
    EXPECT_EQ(synth->GetMidiInput(qm::IID_IMIDIIn, &port), E_NOINTERFACE);
    EXPECT_EQ(port, nullptr);
    // Pins past the buses are reported as not connected.
    EXPECT_EQ(eight.plugin.callHost(audioMasterPinConnected, 7, 1), 0);
    EXPECT_EQ(eight.plugin.callHost(audioMasterPinConnected, 10, 1), 1);

    EightPins plain;
    BusRig noBuses(plain, false);
    EXPECT_EQ(noBuses->BusCount(), 0);
}

TEST(BusesBus, TheQueueOverflowsAfter1020UnreadBlocksUntilResetQueue) {
    EightRig eight;
    std::vector<qm::IQmSoftSynth*>& buses = eight.rig.buses;
    std::vector<float> out;
    qm::CVSTiSofthSynthBus* bus = eight.rig->BusAt(0);
    // Bus 1 is read after every block, bus 0 never.
    for (int block = 0; block < 1020; ++block) {
        ASSERT_EQ(RenderStereo(eight.rig.get(), out, 265, block * 265), 265);
        ASSERT_EQ(RenderStereo(buses[1], out, 265, block * 265), 265);
    }
    EXPECT_FALSE(bus->Status() & qm::BusStatus::QueueOverflow);
    EXPECT_EQ(bus->Queue()->ItemCount(), 1020u);
    ASSERT_EQ(RenderStereo(eight.rig.get(), out, 265, 1020 * 265), 265);
    EXPECT_TRUE(bus->Status() & qm::BusStatus::QueueOverflow);
    // Silence of the asked length while overflowed, from the bus only.
    EXPECT_EQ(RenderStereo(buses[0], out, 100), -2);
    ExpectFrames(out, 100, 0.0f, 0.0f);
    ASSERT_EQ(RenderStereo(buses[1], out, 265), 265);
    ExpectFrames(out, 265, Level(4) * 0.707f, Level(4) * 0.707f);
    EXPECT_EQ(eight.plugin.processCalls.load(), 1021);
    ASSERT_EQ(buses[0]->ResetQueue(), S_OK);
    ASSERT_EQ(RenderStereo(buses[0], out, 300, 1021 * 265), 300);
    ExpectFrames(out, 300, Level(2), Level(3));

    // IOChanged marks the buses past the new output count as gone: with two pairs left, bus positions
    // 2 and 3 have lost their pins.
    eight.plugin.effect.numOutputs = 4;
    EXPECT_EQ(eight.plugin.callHost(audioMasterIOChanged), 0);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const bool gone = i >= 2;
        EXPECT_EQ(RenderStereo(buses[i], out, 100), gone ? -2 : 100);
        if (gone) ExpectFrames(out, 100, 0.0f, 0.0f);
    }
}

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
