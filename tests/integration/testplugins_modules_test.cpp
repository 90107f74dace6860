// The call recorder's log and the fault module's plan selection, with faults it handles itself (the
// guard's fault matrix raises the real ones; the loader tests load the other modules).
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "support/environment.h"
#include "support/test_plugin.h"
#include "testplugins/protocol.h"

namespace {

using qm::test::ScopedEnvironment;
using qm::test::TestHost;
using qm::test::TestPlugin;

class LoggedTest : public ::testing::Test {
protected:
    std::string log = qm::test::TemporaryFilePath("qmvsti-recorder", "log");
    ScopedEnvironment logVariable{qmtest::kRecorderLogVariable, log.c_str()};
    ~LoggedTest() override { qm::test::RemoveFile(log); }
};

using RecorderTest = LoggedTest;

TEST_F(RecorderTest, LogsEveryCallInOrderWithItsArguments) {
    {
        TestHost host;
        TestPlugin recorder("qmrecorder", host);
        ASSERT_NE(recorder.effect(), nullptr);
        EXPECT_EQ(recorder.effect()->uniqueID, qmtest::kRecorderUniqueId);
        recorder.start(48000.0, 256);
        recorder.dispatch(effCanDo, 0, 0, const_cast<char*>("receiveVstEvents"));
        recorder.sendMidi({{0, 0x90, 60, 100}, {5, 0x80, 60, 0}});
        recorder.setParameter(1, 0.25f);
        recorder.getParameter(0);
        std::vector<std::vector<float>> out;
        recorder.render(out, 128);
        float left[64] = {}, right[64] = {};
        float* outputs[] = {left, right};
        recorder.effect()->process(recorder.effect(), nullptr, outputs, 64);
        for (const std::vector<float>& channel : out) {
            for (float sample : channel) ASSERT_EQ(sample, 0.0f);  // a silent instrument
        }
    }
    const std::vector<std::string> expected = {
        "entry main",
        "dispatcher opcode=0 index=0 value=0 opt=0",
        "dispatcher opcode=10 index=0 value=0 opt=48000",
        "dispatcher opcode=11 index=0 value=256 opt=0",
        "dispatcher opcode=12 index=0 value=1 opt=0",
        "dispatcher opcode=51 index=0 value=0 opt=0 text=receiveVstEvents",
        "dispatcher opcode=25 index=0 value=0 opt=0 events=2",
        "setParameter index=1 value=0.250000",
        "getParameter index=0",
        "processReplacing frames=128",
        "process frames=64",
        "dispatcher opcode=1 index=0 value=0 opt=0",
    };
    EXPECT_EQ(qm::test::ReadTextLines(log), expected);
}

using FaultPlanTest = LoggedTest;

int64_t HandledFaults(const TestPlugin& plugin) {
    return static_cast<int64_t>(plugin.dispatch(effVendorSpecific, qmtest::kVendorHandledFaults));
}

TEST_F(FaultPlanTest, DispatcherPlanSelectsOnlyTheNamedOpcodeAfterTheSkippedCalls) {
    ScopedEnvironment plan(qmtest::kFaultPlanVariable, "where=dispatcher;opcode=53;kind=handled;after=1");
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    fault.dispatch(effIdle);  // the first match passes
    EXPECT_EQ(HandledFaults(fault), 0);
    fault.dispatch(effIdle, 3);
    fault.dispatch(effIdle);
    fault.dispatch(effGetVendorVersion);
    EXPECT_EQ(HandledFaults(fault), 2);
    EXPECT_EQ(fault.text(effGetEffectName), "QmFault");  // the instrument keeps working
    EXPECT_EQ(qm::test::ReadTextLines(log), (std::vector<std::string>{"fault kind=handled where=dispatcher opcode=53 index=3",
                                                    "fault kind=handled where=dispatcher opcode=53 index=0"}));
}

TEST_F(FaultPlanTest, PlanIsReadAgainAtEveryCallAndSelectsSiteAndIndex) {
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    std::vector<float> left(32), right(32);
    float* outputs[] = {left.data(), right.data()};
    struct Step {
        const char* plan;
        int handledAfter;
    };
    const Step steps[] = {
        {"where=setParameter;index=1;kind=handled", 1},  // setParameter(0) passes, setParameter(1) counts
        {"where=getParameter;kind=handled", 3},          // both getParameter calls count
        {"where=processReplacing;kind=handled", 4},      // process passes, processReplacing counts
        {"where=process;kind=handled", 5},
        {"where=dispatcher;kind=explode", 5},            // invalid plans select nothing
        {"kind=handled", 5},
        {"where=process;kind=handled;colour=red", 5},
        {"where=dispatcher;opcode=x;kind=handled", 5},
    };
    for (const Step& step : steps) {
        {
            ScopedEnvironment plan(qmtest::kFaultPlanVariable, step.plan);
            fault.setParameter(0, 0.5f);
            fault.setParameter(1, 0.5f);
            fault.getParameter(0);
            fault.getParameter(1);
            fault.effect()->process(fault.effect(), nullptr, outputs, 32);
            fault.effect()->processReplacing(fault.effect(), nullptr, outputs, 32);
        }
        EXPECT_EQ(HandledFaults(fault), step.handledAfter) << step.plan;
    }
    EXPECT_EQ(fault.getParameter(1), 0.5f);
}

TEST_F(FaultPlanTest, EntryPlanRunsInsideTheEntryPoint) {
    ScopedEnvironment plan(qmtest::kFaultPlanVariable, "where=entry;kind=handled");
    TestHost host;
    TestPlugin fault("qmfault", host);
    ASSERT_NE(fault.effect(), nullptr);
    EXPECT_EQ(fault.effect()->uniqueID, qmtest::kFaultUniqueId);
    EXPECT_EQ(qm::test::ReadTextLines(log), (std::vector<std::string>{"fault kind=handled where=entry opcode=0 index=0"}));
}

}  // namespace
