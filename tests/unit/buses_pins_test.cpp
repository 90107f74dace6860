// The instance's pins: the main output's stereo rule for plug-ins that do not describe their pins,
// the silent answers without a usable format, the leftover offset after blocks a bus asked for; the
// MIDI port of plug-ins that send MIDI, and the event records handed to the plug-in. Surplus pins
// are tested with the wide instrument.
#include <gtest/gtest.h>

#include <vector>

#include "buses_support.h"
#include "qmvsti/guids.h"
#include "routing/synth_buffer.h"

using namespace buses_test;

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
        PinPlugin plugin(c.outputs);
        plugin.describes = c.describes;
        plugin.pins = {{"A", c.pin0Stereo}, {"B", c.pin0Stereo}};
        BusType settings;
        settings.assumeStereo = c.assume;
        BusRig rig(plugin, settings);
        ASSERT_EQ(rig.loaded, S_OK);
        EXPECT_EQ((rig->Status() & qm::InstanceStatus::MonoMainOutput) != 0, c.mono);
        rig.Play();
        std::vector<float> out;
        ASSERT_EQ(BusRig::Render(rig.synth, out, 300), 300);
        // A mono main output of two outputs goes through the queue, output 0 at -3 dB on both
        // channels; a single output is rendered directly, unscaled.
        const float left = c.mono && c.outputs == 2 ? Level(0) * 0.707f : Level(0);
        ExpectFrames(out, 300, left, c.mono ? left : Level(1));
    }
}

TEST(BusesPins, RenderWithoutAUsableFormatFillsSilenceFirst) {
    PinPlugin plugin(2);
    BusRig rig(plugin);
    rig.Play();
    WAVEFORMATEX pcm16 = hosting_test::HostFormat(44100, WAVE_FORMAT_PCM, 16);
    WAVEFORMATEX pcm12 = pcm16;  // a format the framework cannot write
    pcm12.wBitsPerSample = 12;
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "format released: the last one says what silence is" : "12-bit PCM");
        ASSERT_EQ(rig->SetFormat(released ? &pcm16 : &pcm12, 0, 0), S_OK);
        if (released) {
            ASSERT_EQ(rig->ReleaseFormat(), S_OK);
        }
        std::vector<unsigned char> bytes(400, 0xAB);
        EXPECT_EQ(rig->Render(bytes.data(), 0, 100, 0, 0, nullptr), E_UNEXPECTED);
        EXPECT_EQ(bytes, std::vector<unsigned char>(400, 0));
    }
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
    ExpectFrames(out, 100, Level(0), Level(1));
    EXPECT_EQ(plugin.processCalls.load(), 2);  // all 100 frames came from the last block
}

TEST(BusesPins, AMidiPortExistsOnlyForPlugInsThatSayTheyCanSendMidi) {
    for (const bool sends : {false, true}) {
        SCOPED_TRACE(sends);
        PinPlugin plugin(2);
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

TEST(BusesPins, MidiEventRecordsCountTheBytesAfterTheirHeaderWords) {
    qm::CSofSynthBuffer* buffer = qm::CSofSynthBuffer::CreateForInstance(265, hosting_test::HostFormat());
    ASSERT_NE(buffer, nullptr);  // with the caller's reference
    ASSERT_EQ(buffer->PutShortEvent(0, 0x00643C90u, 0), S_OK);
    ASSERT_NE(buffer->EventAt(0), nullptr);
    EXPECT_EQ(buffer->EventAt(0)->byteSize, 24);
    buffer->Release();
}
