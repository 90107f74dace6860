// The instance's pins: plug-ins with more pins than it uses, the main output's stereo rule for
// plug-ins that do not describe their pins, the silent answers without a usable format, the leftover
// offset after blocks a bus asked for, and the MIDI event records handed to the plug-in.
#include <gtest/gtest.h>

#include <vector>

#include "buses_support.h"
#include "routing/synth_buffer.h"

using namespace buses_test;
namespace Status = qm::InstanceStatus;

TEST(BusesPins, SurplusPinsBeyondSixtyFourGetScratchBuffersAndTheMainPairStaysRight) {
    // 70 outputs and 70 inputs: the plug-in writes every output and reads every input it has.
    PinPlugin plugin(70, 70);
    plugin.pins = {{"L", true}, {"R", true}};
    BusType direct;
    direct.expose = false;
    BusRig rig(plugin, direct);
    ASSERT_EQ(rig.loaded, S_OK);
    rig.Play();
    std::vector<float> out;
    ASSERT_EQ(BusRig::Render(rig.synth, out, 600), 600);
    EXPECT_FALSE(rig->Status() & Status::Faulted);
    EXPECT_EQ(plugin.processCalls.load(), 3);
    ExpectFrames(out, 0, 600, Level(0), Level(1));
    // The inputs (the surplus ones included) stay silent although the plug-in wrote its outputs.
    EXPECT_EQ(plugin.inputSum, 0.0);
    EXPECT_EQ(rig->UsedOutputs(), 64);
}

TEST(BusesPins, AssumeStereoPinsDecidesTheMainOutputOfPlugInsThatDoNotDescribeThem) {
    const struct {
        int32_t outputs;
        bool describes;
        bool pin0Stereo;
        bool assume;
        bool mono;
    } cases[] = {
        {2, false, false, false, true},  // the default rule: undescribed pin 0 is mono
        {2, false, false, true, false},  // assumed stereo pair
        {1, false, false, true, true},   // one output is mono whatever the setting
        {2, true, false, true, true},    // a described mono pin stays mono
        {2, true, true, false, false},   // a described stereo pin stays stereo
    };
    for (const auto& c : cases) {
        PinPlugin plugin(c.outputs);
        plugin.describes = c.describes;
        plugin.pins = {{"A", c.pin0Stereo}, {"B", c.pin0Stereo}};
        BusType settings;
        settings.assumeStereo = c.assume;
        BusRig rig(plugin, settings);
        ASSERT_EQ(rig.loaded, S_OK);
        EXPECT_EQ((rig->Status() & Status::MonoMainOutput) != 0, c.mono)
            << c.outputs << " outputs, describes " << c.describes << ", assume " << c.assume;
        rig.Play();
        std::vector<float> out;
        ASSERT_EQ(BusRig::Render(rig.synth, out, 300), 300);
        // Queued (more outputs than the main output only when mono and two outputs) or direct:
        // a mono main output spreads output 0 at -3 dB in the queue, unscaled directly.
        const bool queued = c.mono && c.outputs == 2;
        const float left = queued ? Level(0) * 0.707f : Level(0);
        const float right = c.mono ? left : Level(1);
        ExpectFrames(out, 0, 300, left, right);
    }
}

TEST(BusesPins, RenderWithoutAUsableFormatFillsSilenceFirst) {
    PinPlugin plugin(2);
    BusRig rig(plugin);
    rig.Play();
    // A format the framework cannot write: 12-bit PCM.
    WAVEFORMATEX odd = hosting_test::HostFormat(44100, WAVE_FORMAT_PCM, 16);
    odd.wBitsPerSample = 12;
    ASSERT_EQ(rig->SetFormat(&odd, 0, 0), S_OK);
    std::vector<unsigned char> bytes(100 * 4, 0xAB);
    EXPECT_EQ(rig->Render(bytes.data(), 0, 100, 0, 0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(bytes, std::vector<unsigned char>(400, 0));
    // Released: the last format still says what silence is.
    const WAVEFORMATEX format = hosting_test::HostFormat(44100, WAVE_FORMAT_PCM, 16);
    ASSERT_EQ(rig->SetFormat(&format, 0, 0), S_OK);
    ASSERT_EQ(rig->ReleaseFormat(), S_OK);
    bytes.assign(400, 0xAB);
    EXPECT_EQ(rig->Render(bytes.data(), 0, 100, 0, 0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(bytes, std::vector<unsigned char>(400, 0));
}

TEST(BusesPins, BlocksRenderedForABusWithoutAQueueKeepOnlyTheLastBlock) {
    PinPlugin plugin(2);
    plugin.pins = {{"L", true}, {"R", true}};
    BusRig rig(plugin);
    rig.Play();
    // Two blocks asked for without a pull in between, the second shorter than the frame size.
    ASSERT_EQ(rig->RenderBlockFor(0, 265, 0, nullptr), S_OK);
    ASSERT_EQ(rig->RenderBlockFor(265, 100, 0, nullptr), S_OK);
    EXPECT_EQ(rig->PendingFrames(), 100u);
    std::vector<float> out;
    ASSERT_EQ(BusRig::Render(rig.synth, out, 100, 365), 100);
    ExpectFrames(out, 0, 100, Level(0), Level(1));
    EXPECT_EQ(plugin.processCalls.load(), 2);  // all 100 frames came from the last block
}

TEST(BusesPins, MidiEventRecordsCountTheBytesAfterTheirHeaderWords) {
    qm::CSofSynthBuffer* buffer = qm::CSofSynthBuffer::CreateForInstance(265, hosting_test::HostFormat());
    ASSERT_NE(buffer, nullptr);  // with its one reference
    ASSERT_EQ(buffer->PutShortEvent(0, 0x00643C90u, 0), S_OK);
    ASSERT_NE(buffer->EventAt(0), nullptr);
    EXPECT_EQ(buffer->EventAt(0)->byteSize, 24);
    buffer->Release();
}
