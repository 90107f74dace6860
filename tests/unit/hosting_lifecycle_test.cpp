// CVSTiSofthSynth formats, site, idle time and guarded calls: what the plug-in is told and which
// status bits change.
#include <gtest/gtest.h>

#include <tuple>

#include "hosting_fakes.h"
#include "platform/clock.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;

TEST(HostingFormat, SixMillisecondsAt44100MakeBlocksOf265Frames) {
    FakeType type;
    FakePlugin plugin(2, 1);
    LoadedInstance synth(type, &plugin);
    size_t mark = plugin.calls.size();
    const WAVEFORMATEX format = HostFormat();
    ASSERT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    EXPECT_EQ(plugin.since(mark),
              (std::vector<std::string>{Op(effConnectOutput, 0, 1), Op(effConnectOutput, 1, 1), Op(effConnectInput),
                                        Op(effMainsChanged), Op(effSetSampleRate, 0, 0, 44100.0f),
                                        Op(effSetBlockSize, 0, 265), Op(effMainsChanged, 0, 1)}));
    // 265 / 44100 s in 100-ns units, rounded; the plug-in's own format is mono float.
    EXPECT_EQ(std::make_tuple(synth->BlockFrames(), synth->FrameSize(), synth->BlockBytes(), synth->BlockDuration()),
              std::make_tuple(265u, 265u, 265u * 4, LONGLONG{60091}));
    EXPECT_EQ(std::make_tuple(synth->PlugInFormat().wFormatTag, synth->PlugInFormat().nChannels,
                              synth->PlugInFormat().nAvgBytesPerSec),
              std::make_tuple(WORD{WAVE_FORMAT_IEEE_FLOAT}, WORD{1}, DWORD{176400}));

    mark = plugin.calls.size();
    ASSERT_EQ(synth->ReleaseFormat(), S_OK);
    EXPECT_EQ(plugin.since(mark), std::vector<std::string>{Op(effMainsChanged)});
    EXPECT_EQ(synth->OutputBuffers()[0], nullptr);

    // Opening and closing the site follow the host's answers.
    FakeSite site;
    const struct {
        bool open;
        HRESULT answer, result;
        bool attached;
    } steps[] = {{false, S_OK, QM_E_NOT_OPENED, false}, {true, E_FAIL, E_FAIL, false},
                 {false, S_OK, QM_E_NOT_OPENED, false}, {true, S_OK, S_OK, true},
                 {false, E_UNEXPECTED, E_UNEXPECTED, true}, {false, S_OK, S_OK, false}};
    for (const auto& step : steps) {
        site.answer = step.answer;
        EXPECT_EQ(step.open ? site.open(synth.get()) : synth->Close(), step.result);
        EXPECT_EQ((synth->Status() & Status::Attached) != 0, step.attached);
        EXPECT_EQ(plugin.callHost(audioMasterGetCurrentProcessLevel), step.attached ? kVstProcessLevelUser : kVstProcessLevelPrefetch);
    }
    EXPECT_EQ(site.codes, (std::vector<DWORD>{0, 0, 1, 1}));
}

TEST(HostingFormat, OutputsAreClampedToOneThroughSixtyFour) {
    for (int32_t outputs : {70, 0}) {
        SCOPED_TRACE(outputs);
        FakeType type;
        type.frameSize = 100000;  // 10 ms
        FakePlugin plugin(outputs);
        LoadedInstance synth(type, &plugin);
        const WAVEFORMATEX format = HostFormat(48000);
        ASSERT_EQ(synth->SetFormat(&format, 0, 1), S_OK);
        const int used = outputs == 0 ? 1 : 64;
        EXPECT_EQ(synth->UsedOutputs(), used);
        EXPECT_EQ(synth->BlockFrames(), 480u);
        std::vector<std::string> connects;
        for (int i = 0; i < used; ++i) {
            connects.push_back(Op(effConnectOutput, i, i < 2 ? 1 : 0));
            // Every buffer is a separate slice of the one allocation, room for a whole block.
            ASSERT_NE(synth->OutputBuffers()[i], nullptr);
            EXPECT_TRUE(i == 0 || synth->OutputBuffers()[i] - synth->OutputBuffers()[i - 1] == 480) << i;
        }
        EXPECT_EQ(plugin.only(effConnectOutput), connects);
        EXPECT_EQ(synth->OutputBuffers()[used < 64 ? used : 63] != nullptr, used == 64);
        EXPECT_NE(synth->Status() & Status::Offline, 0u);
        EXPECT_EQ(plugin.callHost(audioMasterGetCurrentProcessLevel), kVstProcessLevelOffline);
        synth->ReleaseFormat();
        EXPECT_EQ(synth->Status() & Status::Offline, 0u);
    }
}

// Idle time is throttled; a plug-in fault in a string call is reported without silencing the
// instance, one in a parameter call marks it. Values pass both ways.
TEST(HostingCalls, IdleIsThrottledAndOnlyAFaultingParameterCallMarksTheInstance) {
    Rig rig;
    rig->Idle(1);
    EXPECT_TRUE(rig.plugin.only(effIdle).empty());
    EXPECT_EQ(rig.plugin.callHost(audioMasterNeedIdle), 1);
    const uint32_t start = qm::platform::MillisecondClock();
    for (int i = 0; i < 200; ++i) rig->Idle(1);
    const uint32_t elapsed = qm::platform::MillisecondClock() - start;
    const size_t passes = rig.plugin.only(effIdle).size();
    EXPECT_GE(passes, 1u);  // asking for idle time resets the throttle: at most one pass per 10 ms
    EXPECT_LE(passes, elapsed / 10 + 1);

    rig.plugin.throwOnOpcode = effGetProgramName;
    WCHAR name[24] = QMW("old");
    EXPECT_EQ(rig->GetPlugInString(effGetProgramName, name, 24), -1);
    EXPECT_EQ(WString(name), Wide("old"));
    rig.plugin.throwOnOpcode = effCanDo;
    EXPECT_EQ(rig->AskPlugInCanDo(QMW("bypass")), -1);
    EXPECT_EQ(rig->CallSetParameter(2, 0.25f), S_OK);
    EXPECT_EQ(std::make_tuple(rig.plugin.parameters[2], rig->CallGetParameter(2)), std::make_tuple(0.25f, 0.25f));
    EXPECT_EQ(rig->Status() & Status::Faulted, 0u);
    rig.plugin.throwOnParameter = true;
    EXPECT_EQ(rig->CallGetParameter(2), -2147164160.0f);
    EXPECT_NE(rig->Status() & Status::Faulted, 0u);
    EXPECT_EQ(rig->CallSetParameter(1, 0.5f), QM_E_PLUGIN_EXCEPTION);
    EXPECT_EQ(std::string(rig->LastFault().call), "setParameter");
}
