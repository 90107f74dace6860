// Buses and the MIDI input port across threads (run under ThreadSanitizer natively): the instance
// renders on one thread while a bus is pulled on another, MIDI sinks connect and disconnect on a
// third, and the port is started and stopped meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "hosting_fakes.h"
#include "qmvsti/guids.h"
#include "routing/vsti_midi_in.h"

using namespace hosting_test;

namespace {
// The port's messages come from whichever thread renders a block: the host only accepts them.
HRESULT QM_COMCALL Accept(qm::IMIDIIn*, DWORD, ULONG_PTR, DWORD, DWORD, DWORD, DWORD, DWORD) { return S_OK; }
}  // namespace

TEST(BusesThreads, RenderPullConnectAndStartStopRunSideBySide) {
    FakePlugin plugin(4);
    plugin.logging = false;
    plugin.pins = {{"L", true}, {"R", true}, {"A", true}, {"B", true}};
    plugin.sendsMidi = true;
    BusRig rig(plugin);
    rig.TakeBuses();
    qm::IQmSoftSynth* bus = rig.buses.at(0);
    qm::CVSTiSofthSynthIn* port = rig->MidiPort();
    ASSERT_NE(port, nullptr);
    // A plug-in that can send MIDI has a port; the instance keeps its own reference.
    void* asked = nullptr;
    ASSERT_EQ(rig->GetMidiInput(qm::IID_IMIDIIn, &asked), S_OK);
    EXPECT_EQ(static_cast<qm::IMIDIIn*>(asked)->Release(), 1u);
    void* buffers[2] = {};
    DWORD size = 16;
    DWORD count = 2;
    ASSERT_EQ(port->Open(buffers, &size, &count, &Accept, 0), S_OK);
    Rig sink;
    ASSERT_EQ(sink->StartLive(), S_OK);
    rig.Play();

    constexpr int kBlocks = 400;
    std::atomic<bool> done{false};
    std::atomic<int> finished{0};
    std::atomic<int> silent{0};
    const auto pull = [&](qm::IQmSoftSynth* target) {
        std::vector<float> out(265 * 2);
        for (int block = 0; block < kBlocks; ++block) {
            if (target->Render(out.data(), block * 265, 265, 0, 0, nullptr) != 265) silent.fetch_add(1);
        }
        finished.fetch_add(1);
    };
    std::thread instance(pull, rig.get());
    std::thread busPull(pull, bus);
    std::thread connect([&] {
        while (!done.load()) {
            port->Connect(sink.get());
            port->Disconnect(sink.get());
        }
    });
    while (!done.load()) {
        port->Start();
        std::this_thread::yield();
        port->Stop();
        if (finished.load() == 2) done.store(true);
    }
    instance.join();
    busPull.join();
    connect.join();

    EXPECT_EQ(silent.load(), 0);
    // Whoever asked first rendered each block once: the two pulls shared the same blocks.
    EXPECT_EQ(plugin.processCalls.load(), kBlocks);
    EXPECT_EQ(port->SinkCount(), 0);
    EXPECT_EQ(port->Close(buffers), S_OK);
}
