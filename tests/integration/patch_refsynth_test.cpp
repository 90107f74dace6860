// The patch device over our test instruments: the reference synth's self-automation heard by a
// listener and in the samples, and real faults inside the program-name opcodes.
#include <gtest/gtest.h>

#include <tuple>

#include "support/environment.h"
#include "testplugins/protocol.h"
#include "unit/patch_fakes.h"

using namespace hosting_test;

namespace {

TEST(PatchRefSynth, SelfAutomationIsHeardAsAnEditAndInTheSamples) {
    patch_test::Listener listener;  // outlives the instance, which closes on it
    Rig rig("qmref");
    qm::CVSTIPatchDevice* device = rig->PatchDevice();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->AddListener(&listener), S_OK);
    // A note at frame 0, then control change 16 with 0 at frame 100: Pan hard left from there on.
    rig.site.events = {{0, 0x00643C90u}, {TimeOfFrames(100), 0x000010B0u | (qmtest::kRefAutomateController << 8)}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 265), 265);
    for (size_t frame = 1; frame < 100; ++frame) ASSERT_NE(out[frame * 2 + 1], 0.0f) << frame;
    for (size_t frame = 100; frame < 265; ++frame) ASSERT_EQ(out[frame * 2 + 1], 0.0f) << frame;
    EXPECT_NE(out[200 * 2], 0.0f);

    // Time, then the edit: begin, the value in Pan's 0-100 range, end.
    ASSERT_GE(listener.events.size(), 4u);
    EXPECT_TRUE(listener.events[0].eventId == qm::GUID_PatchEventTime);
    using qm::PatchEventKind::Change;
    using qm::PatchEventKind::Gesture;
    const std::tuple<DWORD, DWORD, LONG, float, float> expected[] = {
        {Gesture, 1, qmtest::kRefParamPan, 0.0f, 0.0f},
        {Change, 0, qmtest::kRefParamPan, 0.0f, 100.0f},
        {Gesture, 0, qmtest::kRefParamPan, 0.0f, 0.0f},
    };
    for (size_t i = 0; i < 3; ++i) {
        const qm::PatchListenerEvent& e = listener.events[i + 1];
        EXPECT_TRUE(e.eventId == qm::GUID_PatchEventParameter) << i;
        EXPECT_EQ(std::make_tuple(e.kind, e.word20, e.parameterIndex, e.value, e.maximum), expected[i]) << i;
    }
    float pan = -1.0f;
    ASSERT_EQ(device->GetParameterValue(qmtest::kRefParamPan, &pan), S_OK);
    EXPECT_FLOAT_EQ(pan, 0.0f);
}

TEST(PatchRefSynth, RealFaultsInTheProgramNameOpcodesLeaveTheInstrumentUsable) {
    for (const char* plan : {"where=dispatcher;kind=av;opcode=62", "where=dispatcher;kind=illegal;opcode=66"}) {
        SCOPED_TRACE(plan);
        qm::test::ScopedEnvironment fault(qmtest::kFaultPlanVariable, plan);
        Rig rig("qmfault");
        EXPECT_EQ(rig->Status() & qm::InstanceStatus::Faulted, 0u);
        ASSERT_NE(rig->PatchDevice(), nullptr);
        EXPECT_FALSE(rig->PatchDevice()->NamesMode());
        ASSERT_EQ(rig->Cue(0), S_OK);
        std::vector<float> out;
        EXPECT_EQ(rig.render(out, 600), 600);
        EXPECT_EQ(rig->Status() & qm::InstanceStatus::Faulted, 0u);
    }
}

}  // namespace
