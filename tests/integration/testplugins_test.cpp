// The reference synth as the library's tests rely on it: notes start on their stamped frame, renders
// are bit for bit alike whatever the block size, and sound, programs and parameters are as protocol.h
// publishes them. (The recorder's log is compared whole by the factory test, the fault module is
// driven by the guard's fault matrix and the loader tests, the other modules by the loader tests.)
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

bool Silent(const std::vector<float>& samples) {
    for (float sample : samples) {
        if (sample != 0.0f) return false;
    }
    return true;
}

// One started instance of a test instrument with a host of its own.
struct Started {
    explicit Started(const char* name) : plugin(name, host) {
        EXPECT_NE(plugin.effect(), nullptr) << name << " did not load";
        if (plugin.effect() != nullptr) plugin.start();
    }
    TestHost host;
    TestPlugin plugin;
};

TEST(RefSynth, NotesStartOnTheirFrameAndRendersRepeatWhateverTheBlockSize) {
    Started zero("qmref"), inside("qmref"), across("qmref");
    const std::vector<float> atZero = RenderLeft(zero.plugin, 1024, 1024, {{0, 0x90, 69, 100}});
    const std::vector<float> at37 = RenderLeft(inside.plugin, 1024, 1024, {{37, 0x90, 69, 100}});
    // Stamped in the second of several 64-frame blocks, the note runs on across the later blocks.
    const std::vector<float> at74 = RenderLeft(across.plugin, 1024, 64, {{74, 0x90, 69, 100}});
    for (const auto& [start, samples] : {std::pair<int, const std::vector<float>*>{37, &at37}, {74, &at74}}) {
        for (int f = 0; f < start; ++f) ASSERT_EQ((*samples)[f], 0.0f) << "frame " << f;
        for (int k = 0; k + start < 1024; ++k) ASSERT_EQ((*samples)[start + k], atZero[k]) << "frame " << start + k;
    }

    const std::vector<std::vector<int>> song = {
        {0, 0x90, 60, 90}, {5, 0x90, 64, 70}, {300, 0x80, 60, 0}, {301, 0x90, 67, 127}, {880, 0x90, 64, 0}};
    Started a("qmref"), b("qmref");
    const std::vector<float> first = RenderLeft(a.plugin, 4410, 441, song);
    const std::vector<float> second = RenderLeft(b.plugin, 4410, 49, song);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(std::memcmp(first.data(), second.data(), first.size() * sizeof(float)), 0);
}

TEST(RefSynth, PitchAndLevelFollowThePublishedSound) {
    Started s("qmref");
    const std::vector<float> a440 = RenderLeft(s.plugin, 44100, 441, {{0, 0x90, 69, 127}});
    int crossings = 0;  // one second of 440 Hz crosses zero 880 times
    for (size_t i = 1; i < a440.size(); ++i) crossings += (a440[i - 1] < 0) != (a440[i] < 0) ? 1 : 0;
    EXPECT_NEAR(crossings, 880, 2);
    float peak = 0.0f;
    for (size_t i = qmtest::kRefAttackFrames; i < a440.size(); ++i) peak = std::fmax(peak, std::fabs(a440[i]));
    EXPECT_NEAR(peak, qmtest::kRefVoiceLevel * 0.5, 1e-4);  // velocity 127, "Init" gain 0.5
    EXPECT_EQ(s.plugin.dispatch(effVendorSpecific, qmtest::kVendorActiveVoices), 1);

}

TEST(RefSynth, ProgramsAndParametersAnswerAsPublished) {
    Started s("qmref");
    TestPlugin& synth = s.plugin;
    const char* const names[] = {"Init", "Quiet", "Full", "Left", "Right", "Octave Up", "Octave Down", "Silent"};
    ASSERT_EQ(synth.effect()->numPrograms, qmtest::kRefPrograms);
    for (int i = 0; i < qmtest::kRefPrograms; ++i) {
        char name[64] = {};
        EXPECT_EQ(synth.dispatch(effGetProgramNameIndexed, i, -1, name), 1);
        EXPECT_STREQ(name, names[i]);
    }
    synth.dispatch(effSetProgram, 0, 2);
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
    VstParameterProperties properties{};
    ASSERT_EQ(synth.dispatch(effGetParameterProperties, qmtest::kRefParamPitch, 0, &properties), 1);
    EXPECT_TRUE(properties.flags & kVstParameterUsesIntegerMinMax);
    EXPECT_EQ(properties.maxInteger, 12);
    const struct {
        int index;
        float value;
        const char* name;
        const char* display;
        const char* label;
    } rows[] = {{qmtest::kRefParamGain, 0.5f, "Gain", "-6.0", "dB"}, {qmtest::kRefParamGain, 0.0f, "Gain", "-inf", "dB"},
                {qmtest::kRefParamMute, 1.0f, "Mute", "On", ""},     {qmtest::kRefParamPitch, 0.0f, "Pitch", "-12", "semi"},
                {qmtest::kRefParamPan, 0.25f, "Pan", "L50", ""},     {qmtest::kRefParamPan, 1.0f, "Pan", "R100", ""}};
    for (const auto& row : rows) {
        synth.setParameter(row.index, row.value);
        EXPECT_EQ(synth.getParameter(row.index), row.value);
        EXPECT_EQ(synth.text(effGetParamName, row.index), row.name);
        EXPECT_EQ(synth.text(effGetParamDisplay, row.index), row.display);
        EXPECT_EQ(synth.text(effGetParamLabel, row.index), row.label);
    }
    EXPECT_TRUE(Silent(RenderLeft(synth, 512, 512, {{0, 0x90, 60, 127}})));  // muted

    EXPECT_EQ(s.host.countCalls(audioMasterWantMidi), 1);  // resuming asked for MIDI, as old hosts need
}

}  // namespace
