// The MIDI input port of an instrument that sends MIDI: when it is created, its name and GUID, and
// opening and closing through the host's callback. Delivery is tested with the MIDI-out synth.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "buses_support.h"
#include "qmvsti/guids.h"
#include "routing/vsti_midi_in.h"

using namespace buses_test;
using qm::CVSTiSofthSynthIn;

namespace {

struct PortCall {
    DWORD code;
    DWORD message;
    DWORD stamp;
};

struct PortHost {
    std::vector<PortCall> calls;
    HRESULT openAnswer = S_OK;
    HRESULT closeAnswer = S_OK;
    void* buffers[4] = {};
    DWORD size = 64;
    DWORD count = 4;

    static HRESULT QM_COMCALL Callback(qm::IMIDIIn*, DWORD code, ULONG_PTR cookie, DWORD w1, DWORD, DWORD, DWORD,
                                       DWORD w5) {
        auto* host = reinterpret_cast<PortHost*>(cookie);
        host->calls.push_back({code, w1, w5});
        if (code == qm::PortCode::Opened) return host->openAnswer;
        if (code == qm::PortCode::Closed) return host->closeAnswer;
        return S_OK;
    }
    HRESULT open(qm::IMIDIIn* port) {
        return port->Open(buffers, &size, &count, &PortHost::Callback, reinterpret_cast<ULONG_PTR>(this));
    }
};


// The packed messages a sink instance has in its render buffer, in order.

}  // namespace

TEST(BusesMidiIn, APortExistsOnlyForPlugInsThatSayTheySendMidi) {
    for (const bool sends : {false, true}) {
        PinPlugin plugin(2);
        plugin.sendsMidi = sends;
        BusRig rig(plugin);
        ASSERT_EQ(rig.loaded, S_OK);
        void* port = reinterpret_cast<void*>(1);
        EXPECT_EQ(rig->GetMidiInput(qm::IID_IMIDIIn, &port), sends ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(port != nullptr, sends);
        EXPECT_EQ(rig->GetMidiInput(qm::IID_IQmSoftSynth, &port), E_NOINTERFACE);
        if (!sends) continue;
        CVSTiSofthSynthIn* in = rig->MidiPort();
        EXPECT_EQ(in->Release(), 1u);  // the instance keeps its own reference
        WCHAR name[32];
        ASSERT_EQ(in->GetName(name, 32), S_OK);
        EXPECT_EQ(Narrow(name), "Pins Input");
        ASSERT_EQ(in->GetName(name, 4), S_OK);
        EXPECT_EQ(Narrow(name), "Pin");
        constexpr GUID guid = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        ASSERT_EQ(rig->SetGuid(guid), S_OK);
        GUID read{};
        ASSERT_EQ(in->GetGuid(&read), S_OK);
        EXPECT_TRUE(IsEqualGUID(read, guid));
    }
    hosting_test::EnsureStringTable();
    CVSTiSofthSynthIn* orphan = nullptr;
    ASSERT_EQ(CVSTiSofthSynthIn::Create(nullptr, &orphan), S_OK);
    orphan->AddRef();
    WCHAR name[32];
    ASSERT_EQ(orphan->GetName(name, 32), S_OK);
    EXPECT_EQ(Narrow(name), "VSTi Soft Synth Input");
    orphan->Release();
}

TEST(BusesMidiIn, OpenAndCloseGoThroughTheHostsCallback) {
    CVSTiSofthSynthIn* port = nullptr;
    ASSERT_EQ(CVSTiSofthSynthIn::Create(nullptr, &port), S_OK);
    port->AddRef();
    PortHost host;
    EXPECT_EQ(port->Open(host.buffers, &host.size, nullptr, &PortHost::Callback, 0), E_POINTER);
    host.count = 1;
    EXPECT_EQ(host.open(port), QM_E_MIDI_PORT);
    EXPECT_EQ(host.buffers[0], nullptr);
    host.count = 4;
    // A refused open leaves the port closed; the callback has seen the close as well.
    host.openAnswer = E_FAIL;
    EXPECT_EQ(host.open(port), E_UNEXPECTED);
    EXPECT_EQ(port->Status() & qm::MidiPortStatus::Opened, 0u);
    EXPECT_EQ(host.calls.size(), 2u);
    EXPECT_EQ(host.calls[1].code, qm::PortCode::Closed);
    EXPECT_EQ(host.buffers[3], nullptr);
    host.openAnswer = S_OK;
    ASSERT_EQ(host.open(port), S_OK);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(static_cast<char*>(host.buffers[i]) - static_cast<char*>(host.buffers[i - 1]), 64);
    }
    EXPECT_EQ(host.open(port), QM_E_MIDI_PORT);
    EXPECT_EQ(port->Close(nullptr), E_POINTER);
    host.closeAnswer = E_FAIL;
    EXPECT_EQ(port->Close(host.buffers), E_UNEXPECTED);
    EXPECT_NE(port->Status() & qm::MidiPortStatus::Opened, 0u);
    host.closeAnswer = S_OK;
    EXPECT_EQ(port->Close(host.buffers), S_OK);
    EXPECT_EQ(host.buffers[0], nullptr);
    EXPECT_EQ(port->Close(host.buffers), QM_E_NOT_OPENED);
    port->Release();
}
