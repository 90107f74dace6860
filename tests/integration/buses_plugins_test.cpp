// Buses and the MIDI input port with our test instruments: the MIDI-out synth's port opens through the
// host's callback and its events reach that callback and two connected instances; the wide
// instrument's 70 outputs and inputs leave the main pair intact. (What each bus of the multi-output
// synth carries is proven by the bus unit tests and, with the built module, by the CLI's bus files.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qmvsti/callbacks.h"
#include "qmvsti/guids.h"
#include "routing/synth_buffer.h"
#include "routing/vsti_midi_in.h"
#include "unit/hosting_fakes.h"

using namespace hosting_test;
namespace {

constexpr LONG kFrames = 795;  // three blocks of 265

// The host's port callback: logs every call and answers the open and close as told.
struct PortLog {
    struct Call { DWORD code, message, stamp; };
    std::vector<Call> calls;
    HRESULT openAnswer = S_OK;
    HRESULT closeAnswer = S_OK;
    void* buffers[4] = {};
    DWORD size = 64;
    DWORD count = 4;

    static HRESULT QM_COMCALL Callback(qm::IMIDIIn*, DWORD code, ULONG_PTR cookie, DWORD w1, DWORD, DWORD, DWORD,
                                       DWORD w5) {
        auto* log = reinterpret_cast<PortLog*>(cookie);
        log->calls.push_back({code, w1, w5});
        if (code == qm::PortCode::Opened) return log->openAnswer;
        return code == qm::PortCode::Closed ? log->closeAnswer : S_OK;
    }
    HRESULT Open(qm::IMIDIIn* port) {
        return port->Open(buffers, &size, &count, &PortLog::Callback, reinterpret_cast<ULONG_PTR>(this));
    }
    std::vector<DWORD> Messages() const {
        std::vector<DWORD> messages;
        for (const Call& c : calls) {
            if (c.code == qm::PortCode::ShortMessage) messages.push_back(c.message);
        }
        return messages;
    }
};

// The packed messages an instance holds in its render buffer, in order.
inline std::vector<DWORD> Received(qm::CVSTiSofthSynth* sink) {
    std::vector<DWORD> found;
    qm::CSofSynthBuffer* buffer = sink->RenderBuffer();
    for (int32_t i = 0; i < buffer->EventCount(); ++i) {
        const VstMidiEvent* e = buffer->EventAt(i);
        found.push_back(static_cast<unsigned char>(e->midiData[0]) | static_cast<unsigned char>(e->midiData[1]) << 8 |
                        static_cast<unsigned char>(e->midiData[2]) << 16);
    }
    return found;
}

}  // namespace

// The port is named after the synth and opens through the host's callback; the synth's events reach
// that callback and two connected instances in order.
TEST(BusesPlugins, TheMidiOutSynthsEventsReachTheCallbackAndTwoSinksInOrder) {
    Rig rig("qmref_midiout");
    qm::CVSTiSofthSynthIn* port = rig->MidiPort();
    ASSERT_NE(port, nullptr);
    WCHAR name[32];
    ASSERT_EQ(port->GetName(name, 32), S_OK);
    EXPECT_EQ(Narrow(name), "QmRef MidiOut Input");
    constexpr GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    ASSERT_EQ(rig->SetGuid(guid), S_OK);
    GUID read{};
    ASSERT_EQ(port->GetGuid(&read), S_OK);
    EXPECT_TRUE(IsEqualGUID(read, guid));

    PortLog host;
    host.count = 1;
    EXPECT_EQ(host.Open(port), QM_E_MIDI_PORT);
    host.count = 4;
    // A refused open leaves the port closed; the callback has seen the close as well.
    host.openAnswer = E_FAIL;
    EXPECT_EQ(host.Open(port), E_UNEXPECTED);
    EXPECT_EQ(port->Status() & qm::MidiPortStatus::Opened, 0u);
    ASSERT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[1].code, qm::PortCode::Closed);
    EXPECT_EQ(host.buffers[3], nullptr);
    host.openAnswer = S_OK;
    ASSERT_EQ(host.Open(port), S_OK);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(static_cast<char*>(host.buffers[i]) - static_cast<char*>(host.buffers[i - 1]), 64);
    }
    EXPECT_EQ(host.Open(port), QM_E_MIDI_PORT);
    host.closeAnswer = E_FAIL;
    EXPECT_EQ(port->Close(host.buffers), E_UNEXPECTED);
    EXPECT_NE(port->Status() & qm::MidiPortStatus::Opened, 0u);
    host.closeAnswer = S_OK;
    EXPECT_EQ(port->Close(host.buffers), S_OK);
    EXPECT_EQ(host.buffers[0], nullptr);
    EXPECT_EQ(port->Close(host.buffers), QM_E_NOT_OPENED);

    PortLog log;
    ASSERT_EQ(log.Open(port), S_OK);
    ASSERT_EQ(port->Start(), S_OK);
    Rig first;
    Rig second;
    for (Rig* sink : {&first, &second}) {
        ASSERT_EQ((*sink)->Cue(0), S_OK);
        ASSERT_EQ(port->Connect(sink->get()), S_OK);
    }
    EXPECT_EQ(port->Connect(first.get()), S_OK);  // kept once
    EXPECT_EQ(port->Connect(rig.get()), S_FALSE);  // the instance itself would hear its own output
    rig.site.events = {{0, 0x00643C90u}, {TimeOfFrames(300), 0x00003C80u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, kFrames), kFrames);
    // Block 1: the note-on an octave up, then the synth's own controller 0; block 2: the note-off
    // an octave up, then controller 1; block 3: controller 2.
    const std::vector<DWORD> expected = {0x644890u, 0x0014BFu, 0x004880u, 0x0114BFu, 0x0214BFu};
    EXPECT_EQ(log.Messages(), expected);
    EXPECT_EQ(Received(first.get()), expected);
    EXPECT_EQ(Received(second.get()), expected);
    for (size_t i = 2; i < log.calls.size(); ++i) EXPECT_GE(log.calls[i].stamp, log.calls[i - 1].stamp);
    // Stopped, then closed: neither the callback nor the sinks hear the next blocks.
    ASSERT_EQ(port->Stop(), S_OK);
    ASSERT_EQ(rig.render(out, 265, kFrames), 265);
    ASSERT_EQ(port->Start(), S_OK);
    ASSERT_EQ(port->Close(log.buffers), S_OK);
    ASSERT_EQ(rig.render(out, 265, kFrames + 265), 265);
    EXPECT_EQ(log.Messages().size(), expected.size());
    EXPECT_EQ(Received(first.get()).size(), expected.size());
    EXPECT_EQ(port->Disconnect(second.get()), S_OK);
    EXPECT_EQ(port->Disconnect(second.get()), S_FALSE);
    EXPECT_EQ(port->Disconnect(first.get()), S_OK);
}

TEST(BusesPlugins, TheWideInstrumentsSeventyOutputsLeaveTheMainPairIntact) {
    Rig rig("qmwide");
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600), 600);
    EXPECT_FALSE(rig->Status() & qm::InstanceStatus::Faulted);
    // Its inputs are silent, or every output would carry what they hold.
    ExpectFrames(out, 600, 1.0f / 128.0f, 2.0f / 128.0f);
}
