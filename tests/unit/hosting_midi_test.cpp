// MIDI from the host to the plug-in: which buffer a message goes to, when it is dropped, the held-note
// table, timed note-offs, the program and bank marks, the clean-up blocks of Stop and StopLive, and the
// plug-in's own MIDI output handed on.
#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "hosting_fakes.h"
#include "routing/synth_buffer.h"

using hosting_test::FakeType;
namespace Status = qm::InstanceStatus;

namespace {

struct Seen {
    int32_t opcode;  // -2 for a process call
    intptr_t value;  // frames for a process call
    std::vector<std::vector<int>> events;  // {deltaFrames, status, data1, data2} of effProcessEvents
};

// A plug-in that keeps the content of every event list it is handed.
class EventPlugin {
public:
    AEffect effect{};
    audioMasterCallback host = nullptr;
    std::vector<Seen> seen;

    EventPlugin() {
        effect.magic = kEffectMagic;
        effect.dispatcher = &Dispatch;
        effect.processReplacing = &Process;
        effect.numOutputs = 2;
        effect.flags = effFlagsIsSynth | effFlagsCanReplacing;
        effect.object = this;
    }
    static EventPlugin*& Next() {
        static EventPlugin* next = nullptr;
        return next;
    }
    static AEffect* VSTCALLBACK Entry(audioMasterCallback host) {
        Next()->host = host;
        return &Next()->effect;
    }
    std::vector<Seen> since(size_t start) const { return {seen.begin() + static_cast<ptrdiff_t>(start), seen.end()}; }

private:
    static intptr_t VSTCALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t, intptr_t value, void* ptr, float) {
        auto* self = static_cast<EventPlugin*>(effect->object);
        Seen entry{opcode, value, {}};
        if (opcode == effProcessEvents) {
            const auto* list = static_cast<const VstEvents*>(ptr);
            const auto* table = reinterpret_cast<VstEvent* const*>(reinterpret_cast<const unsigned char*>(list) +
                                                                   offsetof(VstEvents, events));
            for (int32_t i = 0; i < list->numEvents; ++i) {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(table[i]);
                entry.events.push_back({midi->deltaFrames, static_cast<unsigned char>(midi->midiData[0]),
                                        midi->midiData[1], midi->midiData[2]});
            }
        }
        if (opcode == effMainsChanged || opcode == effProcessEvents || opcode == effConnectOutput) self->seen.push_back(entry);
        if (opcode == effMainsChanged && value != 0) self->host(effect, audioMasterWantMidi, 0, 1, nullptr, 0.0f);
        return 0;
    }
    static void VSTCALLBACK Process(AEffect* effect, float**, float**, int32_t frames) {
        static_cast<EventPlugin*>(effect->object)->seen.push_back(Seen{-2, frames, {}});
    }
};

HRESULT QM_COMCALL QuietSite(qm::IQmSoftSynth*, DWORD, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR, ULONG_PTR,
                             ULONG_PTR, ULONG_PTR) {
    return S_OK;
}

DWORD Msg(int status, int data1, int data2, int top = 0) {
    return static_cast<DWORD>(status) | static_cast<DWORD>(data1 << 8) | static_cast<DWORD>(data2 << 16) |
           (static_cast<DWORD>(top) << 24);
}

// An opened, formatted instance of the event plug-in.
struct MidiRig {
    MidiRig() {
        hosting_test::EnsureStringTable();
        qm::CVSTiSofthSynth::CreateInstance(&type, &synth);
        synth->AddRef();
        synth->Initialize();
        record = hosting_test::FakeRecord();
        EventPlugin::Next() = &plugin;
        synth->LoadFromEntryPoint(&EventPlugin::Entry, &record);
        EventPlugin::Next() = nullptr;
    }
    ~MidiRig() { synth->Release(); }
    void open() {
        ASSERT_EQ(synth->Open(0, 0, 0, &QuietSite, 0, 0), S_OK);
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        format.nChannels = 2;
        format.nSamplesPerSec = 44100;
        format.wBitsPerSample = 32;
        format.nBlockAlign = 8;
        ASSERT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    }
    std::vector<std::vector<int>> held(qm::CSofSynthBuffer* buffer) const {
        std::vector<std::vector<int>> events;
        for (int32_t i = 0; buffer != nullptr && i < buffer->EventCount(); ++i) {
            const VstMidiEvent* e = buffer->EventAt(i);
            events.push_back({e->deltaFrames, static_cast<unsigned char>(e->midiData[0]), e->midiData[1], e->midiData[2]});
        }
        return events;
    }
    FakeType type;
    EventPlugin plugin;
    qm::VstiPluginRecord record{};
    qm::CVSTiSofthSynth* synth = nullptr;
};

}  // namespace

TEST(HostingMidi, MessagesNeedATransportAndSystemMessagesOnlyTravelInArrays) {
    MidiRig rig;
    EXPECT_EQ(rig.synth->SendShortMessage(Msg(0x90, 60, 100), 0), S_OK);  // not even attached
    rig.open();
    EXPECT_EQ(rig.synth->SendShortMessage(Msg(0x90, 60, 100), 0), S_OK);
    const DWORD one[] = {Msg(0x90, 61, 100)};
    EXPECT_EQ(rig.synth->SendShortMessages(one, 1, 0), S_OK);
    EXPECT_EQ(rig.synth->SendTimedMessage(Msg(0x90, 62, 100), 0), S_OK);
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 0);  // attached only: all dropped
    EXPECT_FALSE(rig.synth->IsNoteHeld(0, 60));

    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    rig.synth->RenderBuffer()->SetStartTime(1230000);
    EXPECT_EQ(rig.synth->SendShortMessage(Msg(0xF8, 0, 0), 0), S_OK);
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 0);
    const DWORD many[] = {Msg(0xF8, 0, 0), Msg(0x90, 60, 100)};
    EXPECT_EQ(rig.synth->SendShortMessages(many, 2, 0), S_OK);
    EXPECT_EQ(rig.held(rig.synth->RenderBuffer()), (std::vector<std::vector<int>>{{0, 0xF8, 0, 0}, {0, 0x90, 60, 100}}));
    // A merely cued instance ignores timed messages.
    EXPECT_EQ(rig.synth->SendTimedMessage(Msg(0x90, 62, 100), 0), S_OK);
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 2);
}

TEST(HostingMidi, HeldNotesFollowNoteOnsAndBothKindsOfNoteOff) {
    MidiRig rig;
    rig.open();
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    rig.synth->SendShortMessage(Msg(0x93, 60, 100), 0);
    rig.synth->SendShortMessage(Msg(0x93, 61, 100), 0);
    rig.synth->SendShortMessage(Msg(0x95, 70, 1), 0);
    EXPECT_TRUE(rig.synth->IsNoteHeld(3, 60));
    EXPECT_TRUE(rig.synth->IsNoteHeld(3, 61));
    EXPECT_TRUE(rig.synth->IsNoteHeld(5, 70));
    rig.synth->SendShortMessage(Msg(0x93, 60, 0), 0);  // velocity 0 is a note-off
    const DWORD off[] = {Msg(0x83, 61, 64)};
    rig.synth->SendShortMessages(off, 1, 0);
    EXPECT_FALSE(rig.synth->IsNoteHeld(3, 60));
    EXPECT_FALSE(rig.synth->IsNoteHeld(3, 61));
    EXPECT_TRUE(rig.synth->IsNoteHeld(5, 70));
}

TEST(HostingMidi, ATimedMessageBringsItsOwnNoteOffAndLeavesTheTableAlone) {
    MidiRig rig;
    rig.open();
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    ASSERT_EQ(rig.synth->Play(0, 0), S_OK);
    ASSERT_EQ(rig.synth->SendTimedMessage(Msg(0x92, 60, 100, 64), 5000000), S_OK);
    EXPECT_EQ(rig.held(rig.synth->RenderBuffer()),
              (std::vector<std::vector<int>>{{0, 0x92, 60, 100}, {22050, 0x82, 60, 64}}));
    EXPECT_FALSE(rig.synth->IsNoteHeld(2, 60));
    ASSERT_EQ(rig.synth->SendTimedMessage(Msg(0x92, 61, 100), 0), S_OK);
    EXPECT_TRUE(rig.synth->IsNoteHeld(2, 61));
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 3);
}

TEST(HostingMidi, BankSelectAndProgramChangeAreMarkedOnlyFromArrays) {
    MidiRig rig;
    rig.open();
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    rig.synth->SendShortMessage(Msg(0xB0, 0, 1), 0);
    rig.synth->SendShortMessage(Msg(0xC0, 5, 0), 0);
    EXPECT_FALSE(rig.synth->Status() & (Status::BankSelectSeen | Status::ProgramChangeSeen));
    const DWORD volume[] = {Msg(0xB1, 7, 100)};
    rig.synth->SendShortMessages(volume, 1, 0);
    EXPECT_FALSE(rig.synth->Status() & Status::BankSelectSeen);
    const DWORD lsb[] = {Msg(0xB1, 32, 2)};
    rig.synth->SendShortMessages(lsb, 1, 0);
    EXPECT_TRUE(rig.synth->Status() & Status::BankSelectSeen);
    EXPECT_FALSE(rig.synth->Status() & Status::ProgramChangeSeen);
    const DWORD program[] = {Msg(0xC4, 9, 0)};
    rig.synth->SendShortMessages(program, 1, 0);
    EXPECT_TRUE(rig.synth->Status() & Status::ProgramChangeSeen);
}

TEST(HostingMidi, StopSendsAllNotesOffPerChannelThenFlushesThenSuspendsAndResumes) {
    MidiRig rig;
    rig.type.flushes = 2;
    rig.open();
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    ASSERT_EQ(rig.synth->Play(0, 0), S_OK);
    const size_t start = rig.plugin.seen.size();
    ASSERT_EQ(rig.synth->Stop(), S_OK);
    const std::vector<Seen> seen = rig.plugin.since(start);
    ASSERT_EQ(seen.size(), 16u * 2 + 2 + 2);
    for (int channel = 0; channel < 16; ++channel) {
        const Seen& events = seen[static_cast<size_t>(channel) * 2];
        ASSERT_EQ(events.opcode, effProcessEvents) << channel;
        EXPECT_EQ(events.events, (std::vector<std::vector<int>>{{0, 0xB0 + channel, 123, 0}})) << channel;
        EXPECT_EQ(seen[static_cast<size_t>(channel) * 2 + 1].opcode, -2);
        EXPECT_EQ(seen[static_cast<size_t>(channel) * 2 + 1].value, 265);
    }
    EXPECT_EQ(seen[32].opcode, -2);
    EXPECT_EQ(seen[33].opcode, -2);
    EXPECT_EQ(seen[34].opcode, effMainsChanged);
    EXPECT_EQ(seen[34].value, 0);
    EXPECT_EQ(seen[35].opcode, effMainsChanged);
    EXPECT_EQ(seen[35].value, 1);
    EXPECT_FALSE(rig.synth->Status() & Status::Playing);
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 0);
}

TEST(HostingMidi, StopWhileLiveDeliversWhatTheRenderBufferHolds) {
    MidiRig rig;
    rig.open();
    ASSERT_EQ(rig.synth->Cue(0), S_OK);
    ASSERT_EQ(rig.synth->StartLive(), S_OK);
    rig.synth->SendShortMessage(Msg(0x90, 64, 90), 0);  // cued: the render buffer takes it
    const size_t start = rig.plugin.seen.size();
    ASSERT_EQ(rig.synth->Stop(), S_OK);
    const std::vector<Seen> seen = rig.plugin.since(start);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].events, (std::vector<std::vector<int>>{{0, 0x90, 64, 90}}));
    EXPECT_EQ(seen[1].opcode, -2);
    EXPECT_EQ(seen[1].value, 265);
    EXPECT_EQ(rig.synth->RenderBuffer()->EventCount(), 0);
    EXPECT_TRUE(rig.synth->Status() & Status::Live);
}

TEST(HostingMidi, StopLiveReleasesEveryHeldKeyInOneBlock) {
    MidiRig rig;
    rig.open();
    ASSERT_EQ(rig.synth->StartLive(), S_OK);
    ASSERT_NE(rig.synth->LiveBuffer(), nullptr);
    rig.synth->SendShortMessage(Msg(0x93, 40, 100), 0);
    rig.synth->SendShortMessage(Msg(0x90, 72, 100), 0);
    rig.synth->SendShortMessage(Msg(0x90, 12, 100), 0);
    rig.synth->SendShortMessage(Msg(0x90, 12, 0), 0);
    EXPECT_EQ(rig.held(rig.synth->LiveBuffer()).size(), 4u);
    std::vector<float> out(2 * 265);
    ASSERT_EQ(rig.synth->Render(out.data(), 0, 265, 0, 0, nullptr), 265);  // live block takes the notes
    EXPECT_EQ(rig.synth->LiveBuffer()->EventCount(), 0);

    const size_t start = rig.plugin.seen.size();
    ASSERT_EQ(rig.synth->StopLive(), S_OK);
    const std::vector<Seen> seen = rig.plugin.since(start);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].events, (std::vector<std::vector<int>>{{0, 0x80, 72, 0}, {0, 0x83, 40, 0}}));
    EXPECT_EQ(seen[1].opcode, -2);
    EXPECT_EQ(seen[1].value, 265);
    // Neither cued nor playing: a suspend and a resume end live mode.
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[2].opcode, effMainsChanged);
    EXPECT_EQ(seen[2].value, 0);
    EXPECT_EQ(seen[3].value, 1);
    EXPECT_EQ(rig.synth->LiveBuffer(), nullptr);
    EXPECT_FALSE(rig.synth->Status() & Status::Live);
    EXPECT_TRUE(rig.synth->IsNoteHeld(3, 40));  // the table keeps its marks
}

namespace {

struct Receiver final : qm::IPlugInMidiReceiver {
    std::vector<std::vector<int>> got;
    void ReceivePlugInMidi(const VstMidiEvent& event) noexcept override {
        got.push_back({event.deltaFrames, static_cast<unsigned char>(event.midiData[0]), event.midiData[1]});
    }
};

}  // namespace

TEST(HostingMidi, ThePlugInsMidiOutputReachesTheReceiverWithoutSysex) {
    MidiRig rig;
    VstMidiEvent first{};
    first.type = kVstMidiType;
    first.deltaFrames = 3;
    first.midiData[0] = static_cast<char>(0x91);
    first.midiData[1] = 50;
    VstMidiEvent sysex{};
    sysex.type = 6;  // kVstSysExType
    VstMidiEvent second = first;
    second.deltaFrames = 9;
    second.midiData[1] = 51;
    struct {
        VstEvents header;
        VstEvent* more[1];
    } list{};
    list.header.numEvents = 3;
    auto* table = reinterpret_cast<VstEvent**>(reinterpret_cast<unsigned char*>(&list) + offsetof(VstEvents, events));
    table[0] = reinterpret_cast<VstEvent*>(&first);
    table[1] = reinterpret_cast<VstEvent*>(&sysex);
    table[2] = reinterpret_cast<VstEvent*>(&second);

    EXPECT_EQ(rig.plugin.host(&rig.plugin.effect, audioMasterProcessEvents, 0, 0, &list, 0.0f), 0);
    Receiver receiver;
    rig.synth->SetPlugInMidiReceiver(&receiver);
    EXPECT_EQ(rig.plugin.host(&rig.plugin.effect, audioMasterProcessEvents, 0, 0, &list, 0.0f), 0);
    EXPECT_EQ(receiver.got, (std::vector<std::vector<int>>{{3, 0x91, 50}, {9, 0x91, 51}}));
    EXPECT_EQ(rig.plugin.host(&rig.plugin.effect, audioMasterProcessEvents, 0, 0, nullptr, 0.0f), 0);
    rig.synth->SetPlugInMidiReceiver(nullptr);
    EXPECT_EQ(receiver.got.size(), 2u);
}
