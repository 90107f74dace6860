// Rendering our test instruments through CVSTiSofthSynth: sample-accurate notes from the reference
// synth across block boundaries, and real faults (not C++ exceptions) in a call and in process. The
// reference synth renders bit for bit alike whatever its block sizes and starts a note at phase 0 on
// its frame (protocol.h), so the instance's blocks must give exactly what one direct block gives.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/environment.h"
#include "testplugins/protocol.h"
#include "unit/hosting_fakes.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;

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

TEST(HostingRenderPlugins, RealFaultsSilenceTheInstrumentUntilThePowerIsToggled) {
    Rig rig("qmfault");
    rig.site.events = {{0, 0x00643C90u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    std::vector<float> out;
    {
        qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=processReplacing;kind=av;after=1");
        ASSERT_EQ(rig.render(out, 600), 600);
        EXPECT_TRUE(rig->Status() & Status::Faulted);
        EXPECT_STREQ(rig->LastFault().call, "processReplacing");
        EXPECT_EQ(rig->LastFault().code, qm::platform::kExceptionAccessViolation);
        for (size_t i = 265 * 2; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << i;
        EXPECT_EQ(rig.render(out, 600, 600), -2);
        for (float sample : out) ASSERT_EQ(sample, 0.0f);
    }
    ASSERT_EQ(rig->TogglePower(), S_OK);
    ASSERT_EQ(rig->TogglePower(), S_OK);
    EXPECT_EQ(rig->Status() & (Status::Faulted | Status::ProcessEvents), Status::ProcessEvents);
    ASSERT_EQ(rig->ResetQueue(), S_OK);
    EXPECT_EQ(rig.render(out, 600, 1200), 600);
    // A fault in a dispatcher call is named by its opcode.
    qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, "where=dispatcher;kind=av;opcode=3");
    EXPECT_EQ(rig->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f), -1);
    EXPECT_EQ(std::make_tuple(rig->LastFault().opcode, rig->LastFault().code, (rig->Status() & Status::Faulted) != 0),
              std::make_tuple(effGetProgram, qm::platform::kExceptionAccessViolation, true));
}
