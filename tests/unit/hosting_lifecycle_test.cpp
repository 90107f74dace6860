// CVSTiSofthSynth formats, site and transport: what the plug-in is told and which status bits change.
#include <gtest/gtest.h>

#include "hosting_fakes.h"
#include "platform/clock.h"

using hosting_test::Call;
using hosting_test::FakePlugin;
using hosting_test::FakeSite;
using hosting_test::FakeType;
using hosting_test::kProcessCall;
using hosting_test::LoadedInstance;
namespace Status = qm::InstanceStatus;

namespace {

WAVEFORMATEX FloatFormat(DWORD rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = 32;
    format.nBlockAlign = 8;
    format.nAvgBytesPerSec = rate * 8;
    return format;
}

// The calls made after the loading calls.
std::vector<Call> CallsSince(const FakePlugin& plugin, size_t start) {
    return std::vector<Call>(plugin.calls.begin() + static_cast<ptrdiff_t>(start), plugin.calls.end());
}

}  // namespace

TEST(HostingFormat, SixMillisecondsAt44100MakeBlocksOf265Frames) {
    FakeType type;
    FakePlugin plugin(2, 1);
    LoadedInstance synth(type, &plugin);
    const size_t loaded = plugin.calls.size();
    const WAVEFORMATEX format = FloatFormat(44100);
    ASSERT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    const std::vector<Call> expected = {
        {effConnectOutput, 0, 1, 0.0f},   {effConnectOutput, 1, 1, 0.0f},  {effConnectInput, 0, 0, 0.0f},
        {effMainsChanged, 0, 0, 0.0f},    {effSetSampleRate, 0, 0, 44100.0f}, {effSetBlockSize, 0, 265, 0.0f},
        {effMainsChanged, 0, 1, 0.0f}};
    EXPECT_EQ(CallsSince(plugin, loaded), expected);
    EXPECT_EQ(synth->BlockFrames(), 265u);
    EXPECT_EQ(synth->FrameSize(), 265u);
    EXPECT_EQ(synth->BlockBytes(), 265u * 4);
    EXPECT_EQ(synth->BlockDuration(), 60091);  // 265 / 44100 s in 100-ns units, rounded
    EXPECT_EQ(synth->PlugInFormat().wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(synth->PlugInFormat().nChannels, 1);
    EXPECT_EQ(synth->PlugInFormat().nAvgBytesPerSec, 176400u);

    const size_t formatted = plugin.calls.size();
    ASSERT_EQ(synth->ReleaseFormat(), S_OK);
    EXPECT_EQ(CallsSince(plugin, formatted), (std::vector<Call>{{effMainsChanged, 0, 0, 0.0f}}));
    EXPECT_EQ(synth->OutputBuffers()[0], nullptr);
}

TEST(HostingFormat, OutputsAreClampedToOneThroughSixtyFour) {
    for (int32_t outputs : {70, 0}) {
        SCOPED_TRACE(outputs);
        FakeType type;
        type.frameSize = 100000;  // 10 ms
        FakePlugin plugin(outputs);
        LoadedInstance synth(type, &plugin);
        const WAVEFORMATEX format = FloatFormat(48000);
        ASSERT_EQ(synth->SetFormat(&format, 0, 1), S_OK);
        const int used = outputs == 0 ? 1 : 64;
        EXPECT_EQ(synth->UsedOutputs(), used);
        EXPECT_EQ(synth->BlockFrames(), 480u);
        const std::vector<Call> connects = plugin.callsOf(effConnectOutput);
        ASSERT_EQ(connects.size(), static_cast<size_t>(used));
        for (int i = 0; i < used; ++i) {
            EXPECT_EQ(connects[static_cast<size_t>(i)].index, i);
            EXPECT_EQ(connects[static_cast<size_t>(i)].value, i < 2 ? 1 : 0);
            // Every buffer is a separate slice of the one allocation, room for a whole block.
            ASSERT_NE(synth->OutputBuffers()[i], nullptr);
            if (i > 0) {
                EXPECT_EQ(synth->OutputBuffers()[i] - synth->OutputBuffers()[i - 1], 480);
            }
        }
        EXPECT_EQ(synth->OutputBuffers()[used < 64 ? used : 63] != nullptr, used == 64);
        EXPECT_NE(synth->Status() & Status::Offline, 0u);
        synth->ReleaseFormat();
        EXPECT_EQ(synth->Status() & Status::Offline, 0u);
    }
}

TEST(HostingSite, OpenAndCloseFollowTheHostsAnswers) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    FakeSite site;
    EXPECT_EQ(synth->Close(), QM_E_NOT_OPENED);
    site.answer = E_FAIL;
    EXPECT_EQ(site.open(synth.get()), E_FAIL);
    EXPECT_EQ(synth->Status() & Status::Attached, 0u);
    EXPECT_EQ(synth->Close(), QM_E_NOT_OPENED);
    site.answer = S_OK;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    EXPECT_NE(synth->Status() & Status::Attached, 0u);
    site.answer = E_UNEXPECTED;
    EXPECT_EQ(synth->Close(), E_UNEXPECTED);
    EXPECT_NE(synth->Status() & Status::Attached, 0u);
    site.answer = S_OK;
    EXPECT_EQ(synth->Close(), S_OK);
    EXPECT_EQ(synth->Status() & Status::Attached, 0u);
    EXPECT_EQ(site.codes, (std::vector<DWORD>{0, 0, 1, 1}));
    EXPECT_EQ(site.lastCookie, reinterpret_cast<ULONG_PTR>(&site));
}

TEST(HostingTransport, CuePlayStopTellThePlugInAndFlush) {
    FakeType type;
    type.flushes = 2;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    const WAVEFORMATEX format = FloatFormat(44100);
    synth->SetFormat(&format, 0, 0);
    size_t mark = plugin.calls.size();
    ASSERT_EQ(synth->Cue(10000000), S_OK);  // one second
    EXPECT_EQ(CallsSince(plugin, mark), (std::vector<Call>{{effMainsChanged, 0, 1, 0.0f}}));
    EXPECT_EQ(synth->CurrentSample(), 44100);
    EXPECT_EQ(synth->Status() & (Status::Cued | Status::Playing), Status::Cued);
    synth->Play(0, 0);
    EXPECT_EQ(synth->Status() & (Status::Cued | Status::Playing), Status::Playing);
    mark = plugin.calls.size();
    ASSERT_EQ(synth->Stop(), S_OK);
    const std::vector<Call> stop = {{kProcessCall, 0, 265, 0.0f},
                                    {kProcessCall, 0, 265, 0.0f},
                                    {effMainsChanged, 0, 0, 0.0f},
                                    {effMainsChanged, 0, 1, 0.0f}};
    EXPECT_EQ(CallsSince(plugin, mark), stop);
    EXPECT_EQ(synth->Status() & Status::Playing, 0u);
}

TEST(HostingTransport, LiveModeResumesAndSuspends) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    size_t mark = plugin.calls.size();
    ASSERT_EQ(synth->StartLive(), S_OK);
    ASSERT_EQ(synth->StartLive(), S_OK);  // already live: nothing more
    EXPECT_EQ(CallsSince(plugin, mark), (std::vector<Call>{{effMainsChanged, 0, 1, 0.0f}}));
    EXPECT_NE(synth->Status() & Status::Live, 0u);
    mark = plugin.calls.size();
    ASSERT_EQ(synth->StopLive(), S_OK);
    EXPECT_EQ(CallsSince(plugin, mark), (std::vector<Call>{{effMainsChanged, 0, 0, 0.0f}, {effMainsChanged, 0, 1, 0.0f}}));
    EXPECT_EQ(synth->Status() & Status::Live, 0u);
    mark = plugin.calls.size();
    EXPECT_EQ(synth->StopLive(), S_OK);
    EXPECT_EQ(plugin.calls.size(), mark);
}

TEST(HostingTransport, PowerToggleSuspendsAndResumesAFaultedPlugIn) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    plugin.throwOnOpcode = effGetProgram;
    EXPECT_EQ(synth->CallDispatcher(effGetProgram, 0, 0, nullptr, 0.0f), -1);
    EXPECT_NE(synth->Status() & Status::Faulted, 0u);
    EXPECT_EQ(synth->LastFault().opcode, effGetProgram);
    size_t mark = plugin.calls.size();
    synth->TogglePower();  // suspend
    EXPECT_EQ(synth->Status() & (Status::ProcessEvents | Status::Faulted), Status::Faulted);
    synth->TogglePower();  // resume: the plug-in asks for MIDI again
    EXPECT_EQ(synth->Status() & (Status::ProcessEvents | Status::Faulted), Status::ProcessEvents);
    EXPECT_EQ(CallsSince(plugin, mark), (std::vector<Call>{{effMainsChanged, 0, 0, 0.0f}, {effMainsChanged, 0, 1, 0.0f}}));
}

TEST(HostingTransport, StringCallsFaultWithoutSilencingTheInstance) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    plugin.throwOnOpcode = effGetProgramName;
    WCHAR name[24] = QMW("old");
    EXPECT_EQ(synth->GetPlugInString(effGetProgramName, name, 24), -1);
    EXPECT_EQ(std::basic_string<WCHAR>(name), hosting_test::Wide("old"));
    plugin.throwOnOpcode = effCanDo;
    EXPECT_EQ(synth->AskPlugInCanDo(QMW("bypass")), -1);
    EXPECT_EQ(synth->Status() & Status::Faulted, 0u);
}

TEST(HostingTransport, IdleSendsEffIdleOnlyWhenAskedAndAtMostEvery10Ms) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    synth->Idle(1);
    EXPECT_TRUE(plugin.callsOf(effIdle).empty());
    EXPECT_EQ(plugin.callHost(audioMasterNeedIdle), 1);
    const uint32_t start = qm::platform::MillisecondClock();
    for (int i = 0; i < 200; ++i) synth->Idle(1);
    const uint32_t elapsed = qm::platform::MillisecondClock() - start;
    const size_t passes = plugin.callsOf(effIdle).size();
    EXPECT_GE(passes, 1u);  // asking for idle time resets the throttle
    EXPECT_LE(passes, elapsed / 10 + 1);
}
