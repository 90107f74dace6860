// The MIDI input port of an instrument that sends MIDI: when it is created, its name and GUID, and
// opening and closing through the host's callback. Delivery is tested with the MIDI-out synth.
#include <gtest/gtest.h>

#include "buses_support.h"
#include "qmvsti/guids.h"
#include "routing/vsti_midi_in.h"

using namespace buses_test;
using qm::CVSTiSofthSynthIn;

TEST(BusesMidiIn, APortExistsOnlyForPlugInsThatSayTheySendMidi) {
    for (const bool sends : {false, true}) {
        SCOPED_TRACE(sends);
        PinPlugin plugin(2);
        plugin.sendsMidi = sends;
        BusRig rig(plugin);
        ASSERT_EQ(rig.loaded, S_OK);
        void* port = reinterpret_cast<void*>(1);
        EXPECT_EQ(rig->GetMidiInput(qm::IID_IMIDIIn, &port), sends ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(port != nullptr, sends);
        if (!sends) continue;
        CVSTiSofthSynthIn* in = rig->MidiPort();
        EXPECT_EQ(in->Release(), 1u);  // the instance keeps its own reference
        WCHAR name[32];
        ASSERT_EQ(in->GetName(name, 32), S_OK);
        EXPECT_EQ(Narrow(name), "Pins Input");
        constexpr GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        ASSERT_EQ(rig->SetGuid(guid), S_OK);
        GUID read{};
        ASSERT_EQ(in->GetGuid(&read), S_OK);
        EXPECT_TRUE(IsEqualGUID(read, guid));
    }
}

TEST(BusesMidiIn, OpenAndCloseGoThroughTheHostsCallback) {
    hosting_test::EnsureStringTable();
    CVSTiSofthSynthIn* port = nullptr;
    ASSERT_EQ(CVSTiSofthSynthIn::Create(nullptr, &port), S_OK);
    port->AddRef();
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
    // Without an instance the port is named after the library.
    WCHAR name[32];
    ASSERT_EQ(port->GetName(name, 32), S_OK);
    EXPECT_EQ(Narrow(name), "VSTi Soft Synth Input");
    port->Release();
}
