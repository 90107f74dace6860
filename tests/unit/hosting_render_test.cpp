// CVSTiSofthSynth::Render with an in-process plug-in: block cutting, the host's MIDI fill per block,
// render flags, the host time record, the queued main output and the silent states.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "hosting/output_queue.h"
#include "hosting_fakes.h"
#include "routing/synth_buffer.h"

using namespace hosting_test;
namespace Status = qm::InstanceStatus;

// A request is cut into frame-size blocks, each filled by the host first; a host time record sets
// the block starts and advances its ticks.
TEST(HostingRender, ARequestIsCutIntoFrameSizeBlocksEachFilledByTheHostFirst) {
    Rig rig;
    rig.site.events = {{0, 0x00643C90u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    const size_t mark = rig.plugin.calls.size();
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600), 600);
    // Each process call comes right after the block's events, the first block carrying the note.
    EXPECT_EQ(rig.plugin.since(mark), (std::vector<std::string>{Events({{0, 0x90, 60, 100}}), Process(265), Events({}),
                                                                Process(265), Events({}), Process(70)}));
    using Block = FakeSite::Block;
    EXPECT_EQ(rig.site.each(&Block::start), (std::vector<LONGLONG>{0, TimeOfFrames(265), TimeOfFrames(530)}));
    EXPECT_EQ(rig.site.each(&Block::duration), (std::vector<LONGLONG>{TimeOfFrames(265), TimeOfFrames(265), TimeOfFrames(70)}));
    EXPECT_EQ(rig.site.each(&Block::buffer), std::vector<qm::IQMMIDIBuffer*>(3, rig->RenderBuffer()));
    EXPECT_EQ(rig.site.each(&Block::record), std::vector<qm::HostTimeRecord*>(3, nullptr));
    // Output 0 carries the fake's 0.5, output 1 silence: interleaved left and right. Delivered events
    // were dropped with their block.
    ExpectFrames(out, 600, 0.5f, 0.0f);
    EXPECT_EQ(std::make_tuple(rig->CurrentSample(), rig->PendingFrames(), rig->RenderBuffer()->EventCount()),
              std::make_tuple(LONGLONG{600}, 0u, 0));

    rig.site.blocks.clear();
    qm::HostTimeRecord record{};
    record.flags = qm::HostTimeRecordFlags::Valid;
    record.startTime = 20000000;  // 2 s
    record.secondTime = 7;
    record.tempo = 120.0;
    record.ticksPerQuarter = 960;
    record.tickPosition = 3840;
    ASSERT_EQ(rig.render(out, 600, 999, 0, &record), 600);
    // 960 ticks x 2 quarters per second: a 265-frame block (60091 units) is 11.5 + 0.5 -> 12 ticks,
    // a 70-frame block (15873 units) 3.05 + 0.5 -> 3 ticks.
    EXPECT_EQ(rig.site.each(&Block::start),
              (std::vector<LONGLONG>{20000000, 20000000 + TimeOfFrames(265), 20000000 + 2 * TimeOfFrames(265)}));
    EXPECT_EQ(rig.site.each(&Block::recordTick), (std::vector<LONGLONG>{3840, 3852, 3864}));
    EXPECT_EQ(std::make_tuple(rig->CurrentTick(), rig->CurrentTime(), rig->CurrentSample()),
              std::make_tuple(LONGLONG{3867}, 20000000 + 2 * TimeOfFrames(265) + TimeOfFrames(70), LONGLONG{999 + 600}));
    // The host's record is its own: the instance works on a private copy.
    EXPECT_NE(rig.site.blocks[0].record, &record);
    EXPECT_EQ(std::make_tuple(record.tickPosition, record.startTime), std::make_tuple(LONGLONG{3840}, LONGLONG{20000000}));

    // A record whose position lies behind what was reported does not move the ticks back.
    record.tickPosition = 100000;
    ASSERT_EQ(rig.render(out, 265, 1599, 0, &record), 265);
    EXPECT_EQ(std::make_tuple(rig.site.blocks[3].recordTick, rig->CurrentTick()), std::make_tuple(LONGLONG{3867}, LONGLONG{3879}));
}

// A mono main output with the extra outputs exposed goes through the queue; live blocks are whole,
// so the second block's rest waits in the queue's head item.
TEST(HostingRender, ExtraOutputsQueueTheMainOutputAndAMonoMainIsSpreadAtMinus3dB) {
    FakePlugin six(6);
    six.pins = {{"", false}};
    EXPECT_EQ(BusRig(six, false)->Queue(), nullptr);  // not exposed: no queue
    BusRig mono(six);
    ASSERT_NE(mono->Queue(), nullptr);
    EXPECT_EQ(mono->Queue()->ItemCount(), 10u);
    ASSERT_TRUE(mono->Status() & Status::MonoMainOutput);
    ASSERT_EQ(mono->StartLive(), S_OK);
    std::vector<float> out;
    ASSERT_EQ(mono.render(out, 300), 300);
    ExpectFrames(out, 300, Level(0) * 0.707f, Level(0) * 0.707f);
    EXPECT_EQ(std::make_tuple(mono->PendingFrames(), mono->Queue()->FillIndex()), std::make_tuple(230u, 1u));
    ASSERT_EQ(mono.render(out, 230), 230);
    EXPECT_EQ(mono->Queue()->FillIndex(), 0u);
    EXPECT_EQ(out[229 * 2], Level(0) * 0.707f);
}

// Render flags skip the host's fill or reach the first block only. Silence comes from an instance
// attached only, a block the host refuses to fill, and a fault, which silences the rest and every
// later request until the power is toggled.
TEST(HostingRender, AFaultSilencesTheRestAndEveryLaterRequestUntilThePowerIsToggled) {
    Rig rig;
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 300), 300);  // attached only: nothing to render
    ExpectFrames(out, 300, 0.0f, 0.0f);
    EXPECT_EQ(rig.plugin.processCalls.load(), 0);

    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig.render(out, 600, 0, 0x40000000), 600);
    EXPECT_TRUE(rig.site.blocks.empty());
    EXPECT_EQ(rig.plugin.processCalls.load(), 3);
    ASSERT_EQ(rig.render(out, 600, 600, 0x10000001), 600);
    EXPECT_EQ(rig.site.each(&FakeSite::Block::flags), (std::vector<DWORD>{0x10000001u, 1, 1}));

    rig.site.fillAnswer = E_FAIL;
    ASSERT_EQ(rig.render(out, 300, 1200), 300);
    EXPECT_EQ(rig.site.blocks.size(), 4u);
    EXPECT_EQ(rig.plugin.processCalls.load(), 6);
    ExpectFrames(out, 300, 0.0f, 0.0f);

    rig.site.fillAnswer = S_OK;
    rig.site.blocks.clear();
    rig.plugin.throwOnOpcode = effProcessEvents;
    ASSERT_EQ(rig.render(out, 600, 1500), 600);
    EXPECT_TRUE(rig->Status() & Status::Faulted);
    EXPECT_EQ(std::make_tuple(rig->LastFault().opcode, rig.site.blocks.size()), std::make_tuple(effProcessEvents, size_t{1}));
    ExpectFrames(out, 600, 0.0f, 0.0f);
    EXPECT_EQ(rig.render(out, 600), -2);
    ExpectFrames(out, 600, 0.0f, 0.0f);

    rig.plugin.throwOnOpcode = -1;
    const size_t mark = rig.plugin.calls.size();
    ASSERT_EQ(rig->TogglePower(), S_OK);  // suspend
    EXPECT_EQ(rig->Status() & (Status::ProcessEvents | Status::Faulted), Status::Faulted);
    ASSERT_EQ(rig->TogglePower(), S_OK);  // resume: the fake asks for MIDI again
    EXPECT_EQ(rig->Status() & (Status::ProcessEvents | Status::Faulted), Status::ProcessEvents);
    EXPECT_EQ(rig.plugin.since(mark), (std::vector<std::string>{Op(effMainsChanged), Op(effMainsChanged, 0, 1)}));
    ASSERT_EQ(rig->ResetQueue(), S_OK);
    ASSERT_EQ(rig.render(out, 265), 265);
    EXPECT_EQ(out[0], 0.5f);
}
