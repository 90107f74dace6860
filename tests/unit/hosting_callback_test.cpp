// The host callback called directly, as a plug-in calls it: every opcode with and without an instance,
// the capability table, pin connections and musical time.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "hosting_fakes.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;

namespace {

intptr_t Ask(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
    return qm::CVSTiSofthSynth::HostCallback(effect, opcode, index, value, ptr, 0.0f);
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
    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(Ask(effect, audioMasterGetVendorString, 0, 0, text), 0);
    EXPECT_STREQ(text, "Kelo Zezazidu Software Inc");
    EXPECT_EQ(Ask(effect, audioMasterGetProductString, 0, 0, text), 0);
    EXPECT_STREQ(text, "VELD Pro");
}

}  // namespace

TEST(HostingCallback, AnswersEveryOpcodeAndCapabilityWithAndWithoutAnInstance) {
    ExpectTable(nullptr, kWithoutInstance);
    AEffect entering{};  // an effect not bound to an instance yet: resvd1 still 0
    ExpectTable(&entering, kWithoutInstance);

    FakeType type;
    FakePlugin plugin(8);
    LoadedInstance synth(type, &plugin);
    ExpectTable(&plugin.effect, kWithInstance);
    EXPECT_NE(synth->Status() & Status::NeedsIdle, 0u);  // set by the table walk
    // value 0: inputs, never connected; outputs: 0 connected, 1 not connected.
    // With the extra outputs exposed, no bus carries pin 2.
    for (bool expose : {false, true}) {
        type.expose = expose;
        const auto pin = [&](int32_t index, intptr_t output) { return Ask(&plugin.effect, audioMasterPinConnected, index, output); };
        EXPECT_EQ(std::make_tuple(pin(0, 0), pin(0, 1), pin(1, 1), pin(2, 1), pin(5, 1)),
                  std::make_tuple(1, 0, 0, expose ? 1 : 0, 1)) << expose;
    }

    const std::map<std::string, intptr_t> capabilities = {
        {"sendVstEvents", 1}, {"sendVstMidiEvent", 1}, {"sendVstTimeInfo", 1}, {"receiveVstEvents", 1},
        {"receiveVstMidiEvent", 1}, {"receiveVstTimeInfo", 0}, {"reportConnectionChanges", 1}, {"acceptIOChanges", 1},
        {"sizeWindow", 1}, {"asyncProcessing", 0}, {"offline", 0}, {"supplyIdle", 1}, {"supportShell", 0},
        {"openFileSelector", 0}, {"editFile", 0}, {"closeFileSelector", 0}, {"sendVstEventsX", 0}};
    for (const auto& [text, answer] : capabilities) {
        std::string name = text;
        EXPECT_EQ(Ask(nullptr, audioMasterCanDo, 0, 0, &name[0]), answer) << name;
        EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, &name[0]), answer) << name;
    }
    // An instrument marked for alternative drawing must not be resized.
    char sizeWindow[] = "sizeWindow";
    for (bool marked : {true, false}) {
        type.alternativeDrawing = marked;
        EXPECT_EQ(Ask(&plugin.effect, audioMasterCanDo, 0, 0, sizeWindow), marked ? 0 : 1);
        EXPECT_EQ((synth->Status() & Status::NoSizeWindow) != 0, marked);
    }
}

TEST(HostingCallback, MusicalTimeComesFromTheHostsTimeQueryAndMarksTransportChanges) {
    Rig rig;  // without a site the answer is 0: the opcode table above
    const intptr_t wanted = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    rig.site.reply.tempo = 120.0;
    rig.site.reply.ticks = 1920;
    rig.site.reply.ticksPerQuarter = 960;
    rig.site.reply.barStartTicks = 960;
    rig.site.reply.timeSigNumerator = 3;
    rig.site.reply.timeSigDenominator = 4;
    rig->Cue(10000000);
    const auto* info = reinterpret_cast<const VstTimeInfo*>(Ask(&rig.plugin.effect, audioMasterGetTime, 0, wanted));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::make_tuple(rig.site.lastQuery.request, rig.site.lastQuery.samplePosition),
              std::make_tuple(qm::TimeQueryRequest::Full, LONGLONG{44100}));
    EXPECT_EQ(std::make_tuple(info->samplePos, info->sampleRate, info->ppqPos, info->barStartPos, info->tempo,
                              info->timeSigNumerator, info->flags),
              std::make_tuple(44100.0, 44100.0, 2.0, 1.0, 120.0, 3, kVstTransportChanged | int32_t{wanted}));

    // Each transport change is reported once, at the next question.
    const struct {
        const char* step;
        int32_t flags;
    } steps[] = {{"", 0}, {"Play", kVstTransportChanged | kVstTransportPlaying}, {"", kVstTransportPlaying},
                 // a second Play (the host moved and went on) or a stop that changes nothing else still counts
                 {"Play", kVstTransportChanged | kVstTransportPlaying}, {"Stop", kVstTransportChanged}, {"", 0},
                 {"Cue", kVstTransportChanged}, {"", 0}, {"Stop", kVstTransportChanged}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        const std::string step = s.step;
        if (step == "Play") rig->Play(0, 0);
        if (step == "Stop") rig->Stop();
        if (step == "Cue") rig->Cue(10000000);
        info = reinterpret_cast<const VstTimeInfo*>(Ask(&rig.plugin.effect, audioMasterGetTime, 0, wanted));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->flags, s.flags | wanted);
    }

    rig.site.reply.tempo = 90.5;
    EXPECT_EQ(Ask(&rig.plugin.effect, audioMasterTempoAt, 0, 22050), 905000);
    EXPECT_EQ(std::make_tuple(rig.site.lastQuery.request, rig.site.lastQuery.samplePosition),
              std::make_tuple(qm::TimeQueryRequest::Tempo, LONGLONG{22050}));
    rig.site.timeAnswer = E_FAIL;
    EXPECT_EQ(Ask(&rig.plugin.effect, audioMasterGetTime, 0, wanted), 0);
}
