// The host callback called directly, as a plug-in calls it: every opcode with and without an instance,
// the capability table, pin connections, process levels and musical time.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "hosting_fakes.h"

using hosting_test::FakePlugin;
using hosting_test::FakeSite;
using hosting_test::FakeType;
using hosting_test::LoadedInstance;
using qm::CVSTiSofthSynth;
namespace Status = qm::InstanceStatus;

namespace {

intptr_t Ask(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
    return CVSTiSofthSynth::HostCallback(effect, opcode, index, value, ptr, 0.0f);
}

// Answers that need no side channel; every opcode up to 80 not listed answers 0.
const std::map<int32_t, intptr_t> kWithoutInstance = {
    {audioMasterVersion, 2}, {audioMasterWantMidi, 1}, {audioMasterGetNumAutomatableParameters, 512},
    {audioMasterNeedIdle, 1}, {audioMasterGetVendorVersion, 6}};
const std::map<int32_t, intptr_t> kWithInstance = {
    {audioMasterVersion, 2}, {audioMasterIdle, 1}, {audioMasterPinConnected, 1},
    {audioMasterGetNumAutomatableParameters, 512}, {audioMasterNeedIdle, 1},
    {audioMasterWillReplaceOrAccumulate, 1}, {audioMasterGetCurrentProcessLevel, 3},
    {audioMasterGetVendorVersion, 6}, {audioMasterUpdateDisplay, 1}, {audioMasterBeginEdit, 1},
    {audioMasterEndEdit, 1}};

void ExpectTable(AEffect* effect, const std::map<int32_t, intptr_t>& table) {
    for (int32_t opcode = 0; opcode <= 80; ++opcode) {
        if (opcode == audioMasterCanDo) continue;  // a null capability text answers 0 either way
        const auto found = table.find(opcode);
        EXPECT_EQ(Ask(effect, opcode), found == table.end() ? 0 : found->second) << "opcode " << opcode;
    }
}

const char* const kCanDoNames[16] = {"sendVstEvents",   "sendVstMidiEvent",        "sendVstTimeInfo",
                                     "receiveVstEvents", "receiveVstMidiEvent",     "receiveVstTimeInfo",
                                     "reportConnectionChanges", "acceptIOChanges", "sizeWindow",
                                     "asyncProcessing", "offline",                 "supplyIdle",
                                     "supportShell",    "openFileSelector",        "editFile",
                                     "closeFileSelector"};
const intptr_t kCanDoAnswers[16] = {1, 1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0};

}  // namespace

TEST(HostingCallback, AnswersEveryOpcodeWithoutAnInstance) {
    ExpectTable(nullptr, kWithoutInstance);
    AEffect entering{};  // an effect not bound to an instance yet: resvd1 still 0
    ExpectTable(&entering, kWithoutInstance);
    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(Ask(nullptr, audioMasterGetVendorString, 0, 0, text), 0);
    EXPECT_STREQ(text, "Kelo Zezazidu Software Inc");
    EXPECT_EQ(Ask(nullptr, audioMasterGetProductString, 0, 0, text), 0);
    EXPECT_STREQ(text, "VELD Pro");
}

TEST(HostingCallback, AnswersEveryOpcodeForAnInstance) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    AEffect* effect = &plugin.effect;
    ExpectTable(effect, kWithInstance);
    char text[64] = {};
    EXPECT_EQ(Ask(effect, audioMasterGetProductString, 0, 0, text), 0);
    EXPECT_STREQ(text, "VELD Pro");
    EXPECT_EQ(Ask(effect, audioMasterGetVendorString, 0, 0, nullptr), 0);

    // Side effects: the plug-in asks for MIDI and for idle time.
    synth->TogglePower();
    EXPECT_EQ(synth->Status() & Status::ProcessEvents, 0u);
    EXPECT_EQ(Ask(effect, audioMasterWantMidi), 0);
    EXPECT_NE(synth->Status() & Status::ProcessEvents, 0u);
    EXPECT_NE(synth->Status() & Status::NeedsIdle, 0u);  // set by the table walk above
}

TEST(HostingCallback, CapabilityTableWithAndWithoutInstance) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    for (int i = 0; i < 16; ++i) {
        char name[64];
        std::strcpy(name, kCanDoNames[i]);
        EXPECT_EQ(Ask(nullptr, audioMasterCanDo, 0, 0, name), kCanDoAnswers[i]) << name;
        EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, name), kCanDoAnswers[i]) << name;
    }
    char unknown[] = "sendVstEventsX";
    EXPECT_EQ(Ask(nullptr, audioMasterCanDo, 0, 0, unknown), 0);
    EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, unknown), 0);
    EXPECT_EQ(type.drawingQueries, 1);  // only "sizeWindow" asks the type

    // An instrument marked for alternative drawing must not be resized.
    char sizeWindow[] = "sizeWindow";
    type.alternativeDrawing = true;
    EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, sizeWindow), 0);
    EXPECT_NE(synth->Status() & Status::NoSizeWindow, 0u);
    type.alternativeDrawing = false;
    EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, sizeWindow), 1);
    EXPECT_EQ(synth->Status() & Status::NoSizeWindow, 0u);
}

TEST(HostingCallback, PinConnectionsFollowExposeMultiChannel) {
    FakeType type;
    FakePlugin plugin(8);
    LoadedInstance synth(type, &plugin);
    AEffect* effect = &plugin.effect;
    // value 0: inputs, never connected; outputs: 0 connected, 1 not connected.
    for (bool expose : {false, true}) {
        type.expose = expose;
        EXPECT_EQ(Ask(effect, audioMasterPinConnected, 0, 0), 1);
        EXPECT_EQ(Ask(effect, audioMasterPinConnected, 0, 1), 0);
        EXPECT_EQ(Ask(effect, audioMasterPinConnected, 1, 1), 0);
        EXPECT_EQ(Ask(effect, audioMasterPinConnected, 2, 1), expose ? 1 : 0);  // no bus carries pin 2
        EXPECT_EQ(Ask(effect, audioMasterPinConnected, 5, 1), 1);
    }
}

TEST(HostingCallback, ProcessLevelFollowsTheStatus) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    EXPECT_EQ(Ask(&plugin.effect, audioMasterGetCurrentProcessLevel), kVstProcessLevelPrefetch);
    FakeSite site;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    EXPECT_EQ(Ask(&plugin.effect, audioMasterGetCurrentProcessLevel), kVstProcessLevelUser);
    WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 352800, 8, 32, 0};
    synth->SetFormat(&format, 0, 1);
    EXPECT_EQ(Ask(&plugin.effect, audioMasterGetCurrentProcessLevel), kVstProcessLevelOffline);
}

TEST(HostingCallback, MusicalTimeComesFromTheHostsTimeQuery) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    const intptr_t wanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    EXPECT_EQ(Ask(&plugin.effect, audioMasterGetTime, 0, wanted), 0);  // no site yet
    FakeSite site;
    site.reply.tempo = 120.0;
    site.reply.ticks = 1920;
    site.reply.ticksPerQuarter = 960;
    site.reply.barStartTicks = 960;
    site.reply.timeSigNumerator = 3;
    site.reply.timeSigDenominator = 4;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    synth->Cue(10000000);
    synth->Play(0, 0);
    const auto* info = reinterpret_cast<const VstTimeInfo*>(Ask(&plugin.effect, audioMasterGetTime, 0, wanted));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(site.lastQuery.request, qm::TimeQueryRequest::Full);
    EXPECT_EQ(site.lastQuery.samplePosition, 44100);
    EXPECT_EQ(info->samplePos, 44100.0);
    EXPECT_EQ(info->sampleRate, 44100.0);
    EXPECT_EQ(info->ppqPos, 2.0);
    EXPECT_EQ(info->barStartPos, 1.0);
    EXPECT_EQ(info->tempo, 120.0);
    EXPECT_EQ(info->timeSigNumerator, 3);
    EXPECT_EQ(info->flags, kVstTransportChanged | kVstTransportPlaying | wanted);
    // Nothing changed since: the transport-changed flag is gone.
    info = reinterpret_cast<const VstTimeInfo*>(Ask(&plugin.effect, audioMasterGetTime, 0, wanted));
    EXPECT_EQ(info->flags, kVstTransportPlaying | wanted);

    site.reply.tempo = 90.5;
    EXPECT_EQ(Ask(&plugin.effect, audioMasterTempoAt, 0, 22050), 905000);
    EXPECT_EQ(site.lastQuery.request, qm::TimeQueryRequest::Tempo);
    EXPECT_EQ(site.lastQuery.samplePosition, 22050);
    site.timeAnswer = E_FAIL;
    EXPECT_EQ(Ask(&plugin.effect, audioMasterGetTime, 0, wanted), 0);
}
