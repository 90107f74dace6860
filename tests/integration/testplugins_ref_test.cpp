// The reference synth as later tests rely on it: notes start on their stamped frame, renders repeat
// bit for bit, and programs, parameters and properties answer as published in protocol.h.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::test::TestHost;
using qm::test::TestPlugin;
using Channels = std::vector<std::vector<float>>;

// Renders `total` frames in blocks of `block`; events go to the block that contains their frame.
std::vector<float> RenderLeft(const TestPlugin& plugin, int total, int block,
                              const std::vector<std::vector<int>>& events) {
    std::vector<float> left;
    Channels channels;
    for (int start = 0; start < total; start += block) {
        std::vector<std::vector<int>> inBlock;
        for (const auto& e : events) {
            if (e[0] >= start && e[0] < start + block) inBlock.push_back({e[0] - start, e[1], e[2], e[3]});
        }
        if (!inBlock.empty()) plugin.sendMidi(inBlock);
        plugin.render(channels, block);
        left.insert(left.end(), channels[0].begin(), channels[0].end());
    }
    return left;
}

int ZeroCrossings(const std::vector<float>& samples, size_t from) {
    int crossings = 0;
    for (size_t i = from + 1; i < samples.size(); ++i) crossings += (samples[i - 1] < 0) != (samples[i] < 0) ? 1 : 0;
    return crossings;
}

class RefSynthTest : public ::testing::Test {
protected:
    TestHost host;
    TestPlugin synth{"qmref", host};
    void SetUp() override {
        ASSERT_NE(synth.effect(), nullptr) << "qmref did not load";
        synth.start();
    }
};

TEST_F(RefSynthTest, NoteStartsExactlyOnItsStampedFrameInsideAndAcrossBlocks) {
    TestHost otherHost;
    TestPlugin reference("qmref", otherHost);
    reference.start();
    const std::vector<float> atZero = RenderLeft(reference, 1024, 1024, {{0, 0x90, 69, 100}});

    const std::vector<float> inside = RenderLeft(synth, 1024, 1024, {{37, 0x90, 69, 100}});
    for (int f = 0; f < 37; ++f) ASSERT_EQ(inside[f], 0.0f) << "frame " << f;
    EXPECT_NE(inside[38], 0.0f);
    for (int k = 0; k + 37 < 1024; ++k) ASSERT_EQ(inside[37 + k], atZero[k]) << "frame " << 37 + k;

    // A note stamped in the second of several 64-frame blocks keeps running across the later blocks.
    TestHost thirdHost;
    TestPlugin blocks("qmref", thirdHost);
    blocks.start();
    const std::vector<float> across = RenderLeft(blocks, 1024, 64, {{74, 0x90, 69, 100}});
    for (int f = 0; f < 74; ++f) ASSERT_EQ(across[f], 0.0f) << "frame " << f;
    for (int k = 0; k + 74 < 1024; ++k) ASSERT_EQ(across[74 + k], atZero[k]) << "frame " << 74 + k;
}

TEST_F(RefSynthTest, TwoRendersAreBitIdenticalWhateverTheBlockSize) {
    const std::vector<std::vector<int>> song = {
        {0, 0x90, 60, 90}, {5, 0x90, 64, 70}, {300, 0x80, 60, 0}, {301, 0x90, 67, 127}, {880, 0x90, 64, 0}};
    TestHost otherHost;
    TestPlugin twin("qmref", otherHost);
    twin.start();
    const std::vector<float> first = RenderLeft(synth, 4410, 441, song);
    const std::vector<float> second = RenderLeft(twin, 4410, 49, song);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
}

TEST_F(RefSynthTest, PitchLevelAndReleaseFollowThePublishedSound) {
    const std::vector<float> a440 = RenderLeft(synth, 44100, 441, {{0, 0x90, 69, 127}});
    // One second of 440 Hz crosses zero 880 times.
    EXPECT_NEAR(ZeroCrossings(a440, 0), 880, 2);
    float peak = 0.0f;
    for (size_t i = qmtest::kRefAttackFrames; i < a440.size(); ++i) peak = std::fmax(peak, std::fabs(a440[i]));
    EXPECT_NEAR(peak, qmtest::kRefVoiceLevel * 0.5, 1e-4);  // velocity 127, "Init" gain 0.5
    EXPECT_EQ(synth.dispatch(effVendorSpecific, qmtest::kVendorActiveVoices), 1);

    synth.setParameter(qmtest::kRefParamPitch, 1.0f);  // +12 applies to the next note
    synth.sendMidi({{0, 0x80, 69, 0}, {0, 0x90, 57, 127}});
    const std::vector<float> octave = RenderLeft(synth, 44100, 441, {});
    // 440 Hz again (220 Hz without the transposition) once the old voice's release is over.
    EXPECT_NEAR(ZeroCrossings(octave, qmtest::kRefReleaseFrames), 880.0 * (44100 - 256) / 44100, 3);
    EXPECT_EQ(synth.dispatch(effVendorSpecific, qmtest::kVendorActiveVoices), 1);

    synth.sendMidi({{10, 0x90, 57, 0}});
    const std::vector<float> released = RenderLeft(synth, 512, 512, {});
    EXPECT_NE(released[10 + qmtest::kRefReleaseFrames - 2], 0.0f);
    for (int f = 10 + qmtest::kRefReleaseFrames; f < 512; ++f) ASSERT_EQ(released[f], 0.0f) << "frame " << f;
    EXPECT_EQ(synth.dispatch(effVendorSpecific, qmtest::kVendorActiveVoices), 0);
}

TEST_F(RefSynthTest, ProcessAccumulatesWhereProcessReplacingOverwrites) {
    synth.sendMidi({{3, 0x90, 72, 100}});
    Channels replaced;
    synth.render(replaced, 256);
    EXPECT_NE(replaced[0][100], 7.0f);

    TestHost otherHost;
    TestPlugin twin("qmref", otherHost);
    twin.start();
    twin.sendMidi({{3, 0x90, 72, 100}});
    std::vector<float> left(256, 0.5f), right(256, 0.5f);
    float* outputs[] = {left.data(), right.data()};
    twin.effect()->process(twin.effect(), nullptr, outputs, 256);
    for (int f = 0; f < 256; ++f) ASSERT_EQ(left[f], 0.5f + replaced[0][f]) << "frame " << f;
}

TEST_F(RefSynthTest, ProgramsAreNamedSelectableAndRenamable) {
    const char* const names[] = {"Init", "Quiet", "Full", "Left", "Right", "Octave Up", "Octave Down", "Silent"};
    ASSERT_EQ(synth.effect()->numPrograms, qmtest::kRefPrograms);
    for (int i = 0; i < qmtest::kRefPrograms; ++i) {
        char name[64] = {};
        EXPECT_EQ(synth.dispatch(effGetProgramNameIndexed, i, -1, name), 1);
        EXPECT_STREQ(name, names[i]);
    }
    char untouched[8] = "x";
    EXPECT_EQ(synth.dispatch(effGetProgramNameIndexed, qmtest::kRefPrograms, -1, untouched), 0);
    EXPECT_STREQ(untouched, "x");

    synth.dispatch(effSetProgram, 0, 2);
    EXPECT_EQ(synth.dispatch(effGetProgram), 2);
    EXPECT_EQ(synth.text(effGetProgramName), "Full");
    EXPECT_EQ(synth.getParameter(qmtest::kRefParamGain), 1.0f);
    synth.dispatch(effSetProgramName, 0, 0, const_cast<char*>("Renamed"));
    EXPECT_EQ(synth.text(effGetProgramName), "Renamed");
    synth.dispatch(effSetProgram, 0, 99);  // out of range: ignored
    EXPECT_EQ(synth.dispatch(effGetProgram), 2);

    synth.sendMidi({{0, 0xC0, 7, 0}});  // program change to "Silent"
    Channels out;
    synth.render(out, 16);
    EXPECT_EQ(synth.dispatch(effGetProgram), 7);

    MidiProgramName midi{};
    midi.thisProgramIndex = 3;
    EXPECT_EQ(synth.dispatch(effGetMidiProgramName, 0, 0, &midi), qmtest::kRefPrograms);
    EXPECT_STREQ(midi.name, "Left");
    EXPECT_EQ(midi.midiProgram, 3);
}

TEST_F(RefSynthTest, ParametersDescribeThemselves) {
    VstParameterProperties properties{};
    ASSERT_EQ(synth.dispatch(effGetParameterProperties, qmtest::kRefParamMute, 0, &properties), 1);
    EXPECT_TRUE(properties.flags & kVstParameterIsSwitch);
    EXPECT_STREQ(properties.label, "Mute");
    ASSERT_EQ(synth.dispatch(effGetParameterProperties, qmtest::kRefParamPitch, 0, &properties), 1);
    EXPECT_TRUE(properties.flags & kVstParameterUsesIntegerMinMax);
    EXPECT_EQ(properties.minInteger, -12);
    EXPECT_EQ(properties.maxInteger, 12);
    ASSERT_EQ(synth.dispatch(effGetParameterProperties, qmtest::kRefParamGain, 0, &properties), 1);
    EXPECT_FALSE(properties.flags & (kVstParameterIsSwitch | kVstParameterUsesIntegerMinMax));
    EXPECT_EQ(synth.dispatch(effGetParameterProperties, qmtest::kRefParamCount, 0, &properties), 0);

    struct Row { int index; float value; const char* name; const char* display; const char* label; };
    const Row rows[] = {{qmtest::kRefParamGain, 0.5f, "Gain", "-6.0", "dB"},
                        {qmtest::kRefParamGain, 0.0f, "Gain", "-inf", "dB"},
                        {qmtest::kRefParamMute, 1.0f, "Mute", "On", ""},
                        {qmtest::kRefParamPitch, 0.0f, "Pitch", "-12", "semi"},
                        {qmtest::kRefParamPan, 0.25f, "Pan", "L50", ""},
                        {qmtest::kRefParamPan, 1.0f, "Pan", "R100", ""}};
    for (const Row& row : rows) {
        synth.setParameter(row.index, row.value);
        EXPECT_EQ(synth.getParameter(row.index), row.value);
        EXPECT_EQ(synth.text(effGetParamName, row.index), row.name);
        EXPECT_EQ(synth.text(effGetParamDisplay, row.index), row.display);
        EXPECT_EQ(synth.text(effGetParamLabel, row.index), row.label);
    }
    synth.setParameter(qmtest::kRefParamGain, 3.0f);
    EXPECT_EQ(synth.getParameter(qmtest::kRefParamGain), 1.0f);

    // Muted, a note renders silence.
    const std::vector<float> muted = RenderLeft(synth, 512, 512, {{0, 0x90, 60, 127}});
    for (float sample : muted) ASSERT_EQ(sample, 0.0f);
}

TEST_F(RefSynthTest, IdentityCapabilitiesAndPinsAnswerAsPublished) {
    const AEffect* effect = synth.effect();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_EQ(effect->uniqueID, qmtest::kRefUniqueId);
    EXPECT_EQ(effect->flags, effFlagsIsSynth | effFlagsCanReplacing);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->numInputs, 0);
    EXPECT_EQ(effect->numParams, qmtest::kRefParamCount);
    EXPECT_EQ(synth.text(effGetEffectName), "QmRef");
    EXPECT_EQ(synth.text(effGetProductString), qmtest::kRefProduct);
    EXPECT_EQ(synth.text(effGetVendorString), qmtest::kTestVendor);
    EXPECT_EQ(synth.dispatch(effGetVendorVersion), qmtest::kTestVendorVersion);
    EXPECT_EQ(synth.dispatch(effGetPlugCategory), kPlugCategSynth);

    EXPECT_EQ(synth.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstEvents")), 1);
    EXPECT_EQ(synth.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 1);
    EXPECT_EQ(synth.dispatch(effCanDo, 0, 0, const_cast<char*>("sendVstMidiEvent")), -1);
    EXPECT_EQ(synth.dispatch(effCanDo, 0, 0, const_cast<char*>("bogus")), 0);

    VstPinProperties pin{};
    ASSERT_EQ(synth.dispatch(effGetOutputProperties, 0, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "QmRef L");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    ASSERT_EQ(synth.dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "QmRef R");
    EXPECT_EQ(synth.dispatch(effGetOutputProperties, 2, 0, &pin), 0);
    EXPECT_EQ(synth.dispatch(effGetChunk, 0, 0, &pin), 0);  // no chunks without the chunk variant

    // Resuming asked the host for MIDI, as old hosts require.
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1);
}

}  // namespace
