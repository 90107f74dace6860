// Rendering the reference synth through CVSTiSofthSynth: sample-accurate notes across block
// boundaries. The reference synth renders bit for bit alike whatever its block sizes and starts a note
// at phase 0 on its frame (protocol.h), so the instance's blocks must give exactly what one direct
// block gives. A real fault in process ends the render as a C++ exception does in the unit fakes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/environment.h"
#include "testplugins/protocol.h"
#include "unit/hosting_fakes.h"

using namespace hosting_test;

TEST(HostingRenderPlugins, TheReferenceSynthStartsNotesOnTheStampedFrames) {
    // Inside the first block, in the second and in the third, all handed over with the first block.
    Rig rig("qmref");
    rig.site.events = {{TimeOfFrames(100), 0x00643C90u}, {TimeOfFrames(400), 0x00504390u}, {TimeOfFrames(600), 0x00704890u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 800), 800);
    for (size_t frame = 0; frame <= 100; ++frame) ASSERT_EQ(out[frame * 2], 0.0f) << frame;  // sine phase 0
    EXPECT_NE(out[101 * 2], 0.0f);

    // The same notes handed to the plug-in directly, in one block.
    qm::test::TestHost host;
    qm::test::TestPlugin direct("qmref", host);
    direct.start(44100.0, 1024);
    direct.sendMidi({{100, 0x90, 60, 100}, {400, 0x90, 67, 80}, {600, 0x90, 72, 112}});
    std::vector<std::vector<float>> channels;
    direct.render(channels, 800);
    for (size_t frame = 0; frame < 800; ++frame) {
        ASSERT_EQ(out[frame * 2], channels[0][frame]) << frame;
        ASSERT_EQ(out[frame * 2 + 1], channels[1][frame]) << frame;
    }
}

TEST(HostingRenderPlugins, ARealFaultInProcessSilencesTheRestOfTheRequest) {
    Rig rig("qmfault");
    ASSERT_EQ(rig->Cue(0), S_OK);
    qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=processReplacing;kind=av;after=1");
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600), 600);
    EXPECT_TRUE(rig->Status() & qm::InstanceStatus::Faulted);
    EXPECT_STREQ(rig->LastFault().call, "processReplacing");
    EXPECT_EQ(rig->LastFault().code, qm::platform::kExceptionAccessViolation);
    for (size_t i = 265 * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
    EXPECT_EQ(rig.render(out, 600, 600), -2);
}
