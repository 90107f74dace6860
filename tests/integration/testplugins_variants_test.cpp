// The reference synth's build variants: multiple and mono outputs, chunk state, MIDI echo, time probe.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::test::TestHost;
using qm::test::TestPlugin;
using Channels = std::vector<std::vector<float>>;

bool Silent(const std::vector<float>& channel) {
    for (float sample : channel) {
        if (sample != 0.0f) return false;
    }
    return true;
}

TEST(RefVariants, MultiOutputsDescribeTheirPinsAndRouteByChannel) {
    TestHost host;
    TestPlugin multi("qmref_multi", host);
    ASSERT_NE(multi.effect(), nullptr);
    multi.start();
    ASSERT_EQ(multi.effect()->numOutputs, qmtest::kRefMultiOutputs);
    EXPECT_EQ(multi.effect()->uniqueID, qmtest::kRefMultiUniqueId);

    struct Pin { const char* label; bool stereo; };
    const Pin pins[] = {{"Main L", true}, {"Main R", true}, {"Aux Mono A", false},
                        {"Aux Mono B", false}, {"Aux L", true}, {"Aux R", true}};
    for (int i = 0; i < qmtest::kRefMultiOutputs; ++i) {
        VstPinProperties pin{};
        ASSERT_EQ(multi.dispatch(effGetOutputProperties, i, 0, &pin), 1) << i;
        EXPECT_STREQ(pin.label, pins[i].label);
        EXPECT_EQ(pin.flags, kVstPinIsActive | (pins[i].stereo ? kVstPinIsStereo : 0)) << i;
        EXPECT_EQ(pin.arrangementType, pins[i].stereo ? kSpeakerArrStereo : kSpeakerArrMono) << i;
    }

    // MIDI channel 1 (and 5-16) -> pins 0/1, 2 -> pin 2, 3 -> pin 3, 4 -> pins 4/5.
    const std::vector<std::vector<bool>> sounding = {{true, true, false, false, false, false},
                                                     {false, false, true, false, false, false},
                                                     {false, false, false, true, false, false},
                                                     {false, false, false, false, true, true},
                                                     {true, true, false, false, false, false}};
    for (int channel = 0; channel < 5; ++channel) {
        multi.sendMidi({{0, 0xB0 | channel, 120, 0}, {1, 0x90 | channel, 60, 100}});
        Channels out;
        multi.render(out, 256);
        for (int pin = 0; pin < qmtest::kRefMultiOutputs; ++pin) {
            EXPECT_EQ(!Silent(out[pin]), sounding[channel][pin]) << "MIDI channel " << channel + 1 << " pin " << pin;
        }
        multi.sendMidi({{0, 0xB0 | channel, 120, 0}});
        multi.render(out, 16);
    }
}

TEST(RefVariants, MonoMainOutputCarriesTheCentredStereoSignal) {
    TestHost monoHost, stereoHost;
    TestPlugin mono("qmref_mono", monoHost);
    TestPlugin stereo("qmref", stereoHost);
    ASSERT_NE(mono.effect(), nullptr);
    mono.start();
    stereo.start();
    ASSERT_EQ(mono.effect()->numOutputs, 1);
    VstPinProperties pin{};
    ASSERT_EQ(mono.dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags & kVstPinIsStereo, 0);
    EXPECT_STREQ(pin.label, "QmRef Mono");

    mono.sendMidi({{20, 0x90, 64, 110}});
    stereo.sendMidi({{20, 0x90, 64, 110}});
    Channels monoOut, stereoOut;
    mono.render(monoOut, 512);
    stereo.render(stereoOut, 512);
    ASSERT_EQ(monoOut.size(), 1u);
    EXPECT_FALSE(Silent(monoOut[0]));
    EXPECT_EQ(monoOut[0], stereoOut[0]);  // centre pan leaves the left side at full gain
}

TEST(RefVariants, ChunkStateRoundTripsAndRejectsForeignData) {
    TestHost hostA, hostB;
    TestPlugin source("qmref_chunk", hostA);
    TestPlugin target("qmref_chunk", hostB);
    ASSERT_NE(source.effect(), nullptr);
    ASSERT_TRUE(source.effect()->flags & effFlagsProgramChunks);
    source.start();
    target.start();

    source.dispatch(effSetProgram, 0, 4);
    source.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Saved"));
    source.setParameter(qmtest::kRefParamGain, 0.125f);
    void* data = nullptr;
    const intptr_t size = source.dispatch(effGetChunk, 0, 0, &data);
    ASSERT_EQ(size, qmtest::kRefChunkBankSize);
    ASSERT_NE(data, nullptr);
    const std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    EXPECT_EQ(std::memcmp(bank.data(), "QmCk\x01\0\0\0\0\0\0\0\x04\0\0\0\x08\0\0\0\x04\0\0\0", 24), 0);

    std::vector<unsigned char> copy = bank;
    EXPECT_EQ(target.dispatch(effSetChunk, 0, size, copy.data()), 1);
    EXPECT_EQ(target.dispatch(effGetProgram), 4);
    EXPECT_EQ(target.text(effGetProgramName), "Saved");
    EXPECT_EQ(target.getParameter(qmtest::kRefParamGain), 0.125f);
    char name[64] = {};
    target.dispatch(effGetProgramNameIndexed, 5, -1, name);
    EXPECT_STREQ(name, "Octave Up");

    // A program chunk replaces only the current program.
    target.dispatch(effSetProgram, 0, 1);
    const intptr_t programSize = source.dispatch(effGetChunk, 1, 0, &data);
    ASSERT_EQ(programSize, qmtest::kRefChunkSingleSize);
    copy.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + programSize);
    EXPECT_EQ(target.dispatch(effSetChunk, 1, programSize, copy.data()), 1);
    EXPECT_EQ(target.dispatch(effGetProgram), 1);
    EXPECT_EQ(target.text(effGetProgramName), "Saved");

    // Another version, a truncated bank, a bank offered as a program: refused, nothing changes.
    std::vector<unsigned char> newer = bank;
    newer[4] = 2;
    target.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Kept"));
    EXPECT_EQ(target.dispatch(effSetChunk, 0, size, newer.data()), 0);
    copy = bank;
    EXPECT_EQ(target.dispatch(effSetChunk, 0, size - 1, copy.data()), 0);
    EXPECT_EQ(target.dispatch(effSetChunk, 1, size, copy.data()), 0);
    EXPECT_EQ(target.dispatch(effGetProgram), 1);
    EXPECT_EQ(target.text(effGetProgramName), "Kept");
}

TEST(RefVariants, EchoSendsEveryReceivedEventBackDuringTheBlock) {
    TestHost host;
    TestPlugin echo("qmref_echo", host);
    ASSERT_NE(echo.effect(), nullptr);
    echo.start();
    EXPECT_EQ(echo.dispatch(effCanDo, 0, 0, const_cast<char*>("sendVstEvents")), 1);
    EXPECT_EQ(echo.dispatch(effCanDo, 0, 0, const_cast<char*>("sendVstMidiEvent")), 1);

    echo.sendMidi({{0, 0x90, 60, 100}, {17, 0xB1, 7, 99}, {200, 0x80, 60, 0}});
    EXPECT_TRUE(host.sentMidi().empty());  // nothing goes out before the block is processed
    Channels out;
    echo.render(out, 256);
    const std::vector<VstMidiEvent> sent = host.sentMidi();
    ASSERT_EQ(sent.size(), 3u);
    const int expected[3][4] = {{0, 0x90, 60, 100}, {17, 0xB1, 7, 99}, {200, 0x80, 60, 0}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sent[i].type, kVstMidiType);
        EXPECT_EQ(sent[i].deltaFrames, expected[i][0]);
        EXPECT_EQ(static_cast<uint8_t>(sent[i].midiData[0]), expected[i][1]);
        EXPECT_EQ(sent[i].midiData[1], expected[i][2]);
        EXPECT_EQ(sent[i].midiData[2], expected[i][3]);
    }
    echo.render(out, 256);
    EXPECT_EQ(host.sentMidi().size(), 3u);  // each event is echoed once
    EXPECT_EQ(host.countCalls(audioMasterProcessEvents), 1);
}

TEST(RefVariants, TimeProbeRecordsWhatTheHostAnswersEachBlock) {
    TestHost host;
    TestPlugin probe("qmref_timeprobe", host);
    ASSERT_NE(probe.effect(), nullptr);
    probe.start();
    VstTimeInfo info{};
    info.samplePos = 1234.0;
    info.sampleRate = 48000.0;
    info.tempo = 97.5;
    info.timeSigNumerator = 7;
    info.timeSigDenominator = 8;
    info.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid;
    host.timeInfo = &info;

    Channels out;
    probe.render(out, 128);
    EXPECT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeMask, kVstTempoValid),
              qmtest::kTimeProbeDefaultMask);
    probe.render(out, 64);
    host.timeInfo = nullptr;
    probe.render(out, 32);

    ASSERT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeCount), 3);
    qmtest::TimeProbeRecord record{};
    ASSERT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeRecord, 0, &record), 1);
    EXPECT_EQ(record.hostAnswered, 1);
    EXPECT_EQ(record.frames, 128);
    EXPECT_EQ(record.mask, qmtest::kTimeProbeDefaultMask);
    EXPECT_EQ(record.info.samplePos, 1234.0);
    EXPECT_EQ(record.info.tempo, 97.5);
    EXPECT_EQ(record.info.timeSigDenominator, 8);
    EXPECT_EQ(record.info.flags, info.flags);
    ASSERT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeRecord, 1, &record), 1);
    EXPECT_EQ(record.frames, 64);
    EXPECT_EQ(record.mask, kVstTempoValid);
    ASSERT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeRecord, 2, &record), 1);
    EXPECT_EQ(record.hostAnswered, 0);
    EXPECT_EQ(record.info.tempo, 0.0);
    EXPECT_EQ(probe.dispatch(effVendorSpecific, qmtest::kVendorTimeProbeRecord, 3, &record), 0);

    // The host saw the masks as the value argument of audioMasterGetTime.
    std::vector<intptr_t> masks;
    for (const TestHost::Call& call : host.calls()) {
        if (call.opcode == audioMasterGetTime) masks.push_back(call.value);
    }
    EXPECT_EQ(masks, (std::vector<intptr_t>{qmtest::kTimeProbeDefaultMask, kVstTempoValid, kVstTempoValid}));
}

}  // namespace
