// The patch device over our test instruments: the omni switch of the reference synth's MIDI program
// names (its two channels are listed by the CLI tests), its self-automation heard by a listener and
// heard in the samples, and real faults inside the program-name opcodes.
#include <gtest/gtest.h>

#include "support/environment.h"
#include "testplugins/protocol.h"
#include "unit/patch_fakes.h"

using namespace hosting_test;
using patch_test::Listener;

namespace {

LONGLONG TimeOfFrame(LONGLONG frame) { return static_cast<LONGLONG>(static_cast<double>(frame) / 44100.0 * 1e7 + 0.5); }

qm::CVSTIPatchDevice* DeviceOf(Rig& rig) {
    qm::CVSTIPatchDevice* device = rig->PatchDevice();
    EXPECT_NE(device, nullptr);
    return device;
}

TEST(PatchRefSynth, OmniNamesStopTheScanAfterChannelZero) {
    qm::test::ScopedEnvironment omni(qmtest::kRefNamesOmniVariable, "1");
    Rig rig("qmref_names");
    qm::CVSTIPatchDevice* device = DeviceOf(rig);
    ASSERT_TRUE(device->NamesMode());
    EXPECT_NE(device->Caps() & qm::PatchDeviceCaps::OmniOrPlain, 0u);
    // The kit channel was never scanned, so the device knows one channel of names.
    EXPECT_EQ(device->GetGroupCount(0), 3);
    EXPECT_EQ(device->GetProgramCount(0), 8);
}

TEST(PatchRefSynth, SelfAutomationIsHeardAsAnEditAndInTheSamples) {
    Listener listener;  // outlives the instance, which closes on it
    Rig rig("qmref");
    ASSERT_EQ(DeviceOf(rig)->AddListener(&listener), S_OK);
    // A note at frame 0, then control change 16 with 0 at frame 100: Pan hard left from there on.
    rig.site.events = {{0, 0x00643C90u}, {TimeOfFrame(100), 0x000010B0u | (qmtest::kRefAutomateController << 8)}};
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
    const qm::PatchListenerEvent& begin = listener.events[1];
    const qm::PatchListenerEvent& value = listener.events[2];
    const qm::PatchListenerEvent& end = listener.events[3];
    EXPECT_TRUE(begin.eventId == qm::GUID_PatchEventParameter);
    EXPECT_EQ(begin.kind, qm::PatchEventKind::Gesture);
    EXPECT_EQ(begin.word20, 1u);
    EXPECT_EQ(begin.parameterIndex, qmtest::kRefParamPan);
    EXPECT_EQ(value.kind, qm::PatchEventKind::Change);
    EXPECT_EQ(value.parameterIndex, qmtest::kRefParamPan);
    EXPECT_FLOAT_EQ(value.value, 0.0f);
    EXPECT_FLOAT_EQ(value.maximum, 100.0f);
    EXPECT_EQ(end.kind, qm::PatchEventKind::Gesture);
    EXPECT_EQ(end.word20, 0u);
    float pan = -1.0f;
    ASSERT_EQ(DeviceOf(rig)->GetParameterValue(qmtest::kRefParamPan, &pan), S_OK);
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
