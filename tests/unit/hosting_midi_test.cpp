// MIDI from the host to the plug-in: which buffer a message goes to, when it is dropped, the held-note
// table, timed note-offs, the program and bank marks, the clean-up blocks of Stop and StopLive, and the
// plug-in's own MIDI output handed on.
#include <gtest/gtest.h>

#include <cstddef>
#include <tuple>
#include <vector>

#include "hosting_fakes.h"
#include "routing/synth_buffer.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;

namespace {

DWORD Msg(int status, int data1, int data2, int top = 0) {
    return static_cast<DWORD>(status) | static_cast<DWORD>(data1 << 8) | static_cast<DWORD>(data2 << 16) |
           (static_cast<DWORD>(top) << 24);
}

// The events a buffer holds, in list order.
std::vector<Event> Held(const qm::CSofSynthBuffer* buffer) {
    std::vector<Event> events;
    for (int32_t i = 0; buffer != nullptr && i < buffer->EventCount(); ++i) events.push_back(EventOf(*buffer->EventAt(i)));
    return events;
}

struct Receiver final : qm::IPlugInMidiReceiver {
    std::vector<Event> got;
    void ReceivePlugInMidi(const VstMidiEvent& e) noexcept override { got.push_back(EventOf(e)); }
};

}  // namespace

TEST(HostingMidi, MessagesNeedATransportAndSystemMessagesOnlyTravelInArrays) {
    Rig rig;
    const DWORD one[] = {Msg(0x90, 61, 100)};
    EXPECT_EQ(rig->SendShortMessage(Msg(0x90, 60, 100), 0), S_OK);
    EXPECT_EQ(rig->SendShortMessages(one, 1, 0), S_OK);
    EXPECT_EQ(rig->SendTimedMessage(Msg(0x90, 62, 100), 0), S_OK);
    EXPECT_EQ(rig->RenderBuffer()->EventCount(), 0);  // attached only: all dropped
    EXPECT_FALSE(rig->IsNoteHeld(0, 60));

    ASSERT_EQ(rig->Cue(0), S_OK);
    rig->RenderBuffer()->SetStartTime(1230000);
    // Status 0xF0 and above is a system message: no short event for the plug-in.
    for (int status : {0xE0, 0xEF, 0xF0, 0xF7, 0xF8, 0xFF}) {
        SCOPED_TRACE(status);
        rig->RenderBuffer()->Clear();
        EXPECT_EQ(rig->SendShortMessage(Msg(status, 1, 2), 0), S_OK);
        const std::vector<Event> delivered = {{0, status, 1, 2}};
        EXPECT_EQ(Held(rig->RenderBuffer()), status < 0xF0 ? delivered : std::vector<Event>());
    }
    rig->RenderBuffer()->Clear();
    const DWORD many[] = {Msg(0xF0, 0, 0), Msg(0xFF, 0, 0), Msg(0x90, 60, 100)};
    EXPECT_EQ(rig->SendShortMessages(many, 3, 0), S_OK);
    EXPECT_EQ(Held(rig->RenderBuffer()), (std::vector<Event>{{0, 0xF0, 0, 0}, {0, 0xFF, 0, 0}, {0, 0x90, 60, 100}}));
    // A merely cued instance ignores timed messages.
    EXPECT_EQ(rig->SendTimedMessage(Msg(0x90, 62, 100), 0), S_OK);
    EXPECT_EQ(rig->RenderBuffer()->EventCount(), 3);

    // The plug-in's own MIDI output reaches the receiver without its sysex.
    VstMidiEvent events[3] = {qm::test::MakeMidiEvent(3, 0x91, 50, 1), {}, qm::test::MakeMidiEvent(9, 0x91, 51, 2)};
    events[1].type = kVstSysExType;
    struct {
        VstEvents header;
        VstEvent* more[1];
    } list{};
    list.header.numEvents = 3;
    auto* table = reinterpret_cast<VstEvent**>(reinterpret_cast<unsigned char*>(&list) + offsetof(VstEvents, events));
    for (int i = 0; i < 3; ++i) table[i] = reinterpret_cast<VstEvent*>(&events[i]);

    EXPECT_EQ(rig.plugin.callHost(audioMasterProcessEvents, 0, 0, &list), 0);  // no receiver yet
    Receiver receiver;
    rig->SetPlugInMidiReceiver(&receiver);
    EXPECT_EQ(rig.plugin.callHost(audioMasterProcessEvents, 0, 0, &list), 0);
    EXPECT_EQ(receiver.got, (std::vector<Event>{{3, 0x91, 50, 1}, {9, 0x91, 51, 2}}));
    EXPECT_EQ(rig.plugin.callHost(audioMasterProcessEvents, 0, 0, nullptr), 0);
    EXPECT_EQ(receiver.got.size(), 2u);
    rig->SetPlugInMidiReceiver(nullptr);

    // Held notes, timed note-offs and the program and bank marks.
    const DWORD marks = Status::BankSelectSeen | Status::ProgramChangeSeen;
    for (DWORD message : {Msg(0x93, 60, 100), Msg(0x93, 61, 100), Msg(0x95, 70, 1), Msg(0xB0, 0, 1), Msg(0xC0, 5, 0)})
        rig->SendShortMessage(message, 0);
    EXPECT_TRUE(rig->IsNoteHeld(3, 60) && rig->IsNoteHeld(3, 61) && rig->IsNoteHeld(5, 70));
    EXPECT_EQ(rig->Status() & marks, 0u);  // only messages in arrays are marked
    rig->SendShortMessage(Msg(0x93, 60, 0), 0);  // velocity 0 is a note-off
    const struct {
        DWORD message;
        DWORD marksAfter;
    } steps[] = {{Msg(0x83, 61, 64), 0}, {Msg(0xB1, 7, 100), 0}, {Msg(0xB1, 32, 2), Status::BankSelectSeen},
                 {Msg(0xC4, 9, 0), Status::BankSelectSeen | Status::ProgramChangeSeen}};
    for (const auto& step : steps) {
        rig->SendShortMessages(&step.message, 1, 0);
        EXPECT_EQ(rig->Status() & marks, step.marksAfter) << std::hex << step.message;
    }
    EXPECT_FALSE(rig->IsNoteHeld(3, 60) || rig->IsNoteHeld(3, 61));
    EXPECT_TRUE(rig->IsNoteHeld(5, 70));

    // A timed message brings its own note-off and leaves the table alone.
    rig->RenderBuffer()->Clear();
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    ASSERT_EQ(rig->SendTimedMessage(Msg(0x92, 60, 100, 64), 5000000), S_OK);
    EXPECT_EQ(Held(rig->RenderBuffer()), (std::vector<Event>{{0, 0x92, 60, 100}, {22050, 0x82, 60, 64}}));
    EXPECT_FALSE(rig->IsNoteHeld(2, 60));
    ASSERT_EQ(rig->SendTimedMessage(Msg(0x92, 61, 100), 0), S_OK);
    EXPECT_TRUE(rig->IsNoteHeld(2, 61));
    EXPECT_EQ(rig->RenderBuffer()->EventCount(), 3);
}

TEST(HostingMidi, StopSendsAllNotesOffPerChannelThenFlushesOrWhileLiveDeliversWhatTheRenderBufferHolds) {
    Rig rig;
    rig.type.flushes = 2;
    size_t mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->Cue(10000120), S_OK);  // 44100.53 frames, rounded; the plug-in is resumed once
    EXPECT_EQ(rig.plugin.since(mark), std::vector<std::string>{Op(effMainsChanged, 0, 1)});
    EXPECT_EQ(std::make_tuple(rig->CurrentSample(), rig->Status() & (Status::Cued | Status::Playing)),
              std::make_tuple(LONGLONG{44101}, Status::Cued));
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    EXPECT_EQ(rig->Status() & (Status::Cued | Status::Playing), Status::Playing);
    mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->Stop(), S_OK);
    std::vector<std::string> expected;
    for (int channel = 0; channel < 16; ++channel) {
        expected.push_back(Events({{0, 0xB0 + channel, 123, 0}}));
        expected.push_back(Process(265));
    }
    expected.insert(expected.end(), {Process(265), Process(265), Op(effMainsChanged), Op(effMainsChanged, 0, 1)});
    EXPECT_EQ(rig.plugin.since(mark), expected);
    EXPECT_FALSE(rig->Status() & Status::Playing);

    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->StartLive(), S_OK);
    rig->SendShortMessage(Msg(0x90, 64, 90), 0);  // cued: the render buffer takes it
    mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->Stop(), S_OK);
    EXPECT_EQ(rig.plugin.since(mark), (std::vector<std::string>{Events({{0, 0x90, 64, 90}}), Process(265)}));
    EXPECT_EQ(rig->RenderBuffer()->EventCount(), 0);
    EXPECT_TRUE(rig->Status() & Status::Live);
}

TEST(HostingMidi, StopLiveReleasesEveryHeldKeyInOneBlock) {
    Rig rig;
    size_t mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->StartLive(), S_OK);
    ASSERT_EQ(rig->StartLive(), S_OK);  // already live: nothing more
    EXPECT_EQ(rig.plugin.since(mark), std::vector<std::string>{Op(effMainsChanged, 0, 1)});
    ASSERT_NE(rig->LiveBuffer(), nullptr);
    rig->SendShortMessage(Msg(0x93, 40, 100), 0);
    rig->SendShortMessage(Msg(0x90, 72, 100), 0);
    rig->SendShortMessage(Msg(0x90, 12, 100), 0);
    rig->SendShortMessage(Msg(0x90, 12, 0), 0);
    rig->SendShortMessage(Msg(0x90, 5, 100), 0);
    EXPECT_EQ(Held(rig->LiveBuffer()).size(), 5u);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 265), 265);  // the live block takes the notes
    EXPECT_EQ(rig->LiveBuffer()->EventCount(), 0);

    mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->StopLive(), S_OK);
    // Channel order, then key order; neither cued nor playing: a suspend and a resume end live mode.
    EXPECT_EQ(rig.plugin.since(mark),
              (std::vector<std::string>{Events({{0, 0x80, 5, 0}, {0, 0x80, 72, 0}, {0, 0x83, 40, 0}}), Process(265),
                                        Op(effMainsChanged), Op(effMainsChanged, 0, 1)}));
    EXPECT_EQ(rig->LiveBuffer(), nullptr);
    EXPECT_FALSE(rig->Status() & Status::Live);
    EXPECT_TRUE(rig->IsNoteHeld(3, 40));  // the table keeps its marks
    mark = rig.plugin.calls.size();
    EXPECT_EQ(rig->StopLive(), S_OK);  // not live: nothing
    EXPECT_EQ(rig.plugin.calls.size(), mark);
}
