// CVSTiSofthSynth::Render with an in-process plug-in: block cutting, the host's MIDI fill per block,
// live leftovers, render flags, the host time record, the queued main output and the silent states.
#include <gtest/gtest.h>

#include <vector>

#include "hosting/output_queue.h"
#include "hosting_fakes.h"
#include "routing/synth_buffer.h"

using hosting_test::FakePlugin;
using hosting_test::FakeType;
using hosting_test::kProcessCall;
using hosting_test::LoadedInstance;
namespace Status = qm::InstanceStatus;

namespace {

struct BlockCall {
    qm::IQMMIDIBuffer* buffer;
    LONGLONG start;
    LONGLONG duration;
    DWORD flags;
    qm::HostTimeRecord* record;
    LONGLONG recordTick;
};

LONGLONG Join(ULONG_PTR low, ULONG_PTR high) {
    return static_cast<LONGLONG>((static_cast<uint64_t>(high) << 32) | (static_cast<uint64_t>(low) & 0xFFFFFFFFu));
}

// The host's site: keeps every block call and adds the events a test asks for to the first block.
struct RenderSite {
    HRESULT fillAnswer = S_OK;
    std::vector<BlockCall> blocks;
    std::vector<std::pair<LONGLONG, DWORD>> firstBlockEvents;  // (time after the block start, message)

    static HRESULT QM_COMCALL Callback(qm::IQmSoftSynth*, DWORD code, ULONG_PTR cookie, ULONG_PTR w1, ULONG_PTR w2,
                                       ULONG_PTR w3, ULONG_PTR w4, ULONG_PTR w5, ULONG_PTR w6, ULONG_PTR w7) {
        auto* site = reinterpret_cast<RenderSite*>(cookie);
        if (code != qm::SiteCode::FillBlock) return S_OK;
        auto* record = reinterpret_cast<qm::HostTimeRecord*>(w7);
        BlockCall call{reinterpret_cast<qm::IQMMIDIBuffer*>(w1), Join(w2, w3), Join(w4, w5), static_cast<DWORD>(w6),
                       record, record != nullptr ? record->tickPosition : 0};
        site->blocks.push_back(call);
        if (site->blocks.size() == 1) {
            for (const auto& event : site->firstBlockEvents) call.buffer->PutShortEvent(call.start + event.first, event.second, 0);
        }
        return site->fillAnswer;
    }
    HRESULT open(qm::CVSTiSofthSynth* synth) {
        return synth->Open(0, 0, 0, &RenderSite::Callback, reinterpret_cast<ULONG_PTR>(this), 0);
    }
};

WAVEFORMATEX HostFormat(WORD tag, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = tag;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(2 * bits / 8);
    format.nAvgBytesPerSec = 44100u * format.nBlockAlign;
    return format;
}

std::vector<int32_t> ProcessFrames(const FakePlugin& plugin) {
    std::vector<int32_t> frames;
    for (const auto& call : plugin.callsOf(kProcessCall)) frames.push_back(static_cast<int32_t>(call.value));
    return frames;
}

// An instance of the fake plug-in, opened on a site and formatted for 44.1 kHz stereo float.
struct Rig {
    explicit Rig(int32_t outputs = 2, bool expose = false, bool pin0Stereo = true) : plugin(outputs) {
        type.expose = expose;
        plugin.pin0Stereo = pin0Stereo;
        synth = std::make_unique<LoadedInstance>(type, &plugin);
        EXPECT_EQ(site.open(synth->get()), S_OK);
        const WAVEFORMATEX format = HostFormat(WAVE_FORMAT_IEEE_FLOAT, 32);
        EXPECT_EQ((*synth)->SetFormat(&format, 0, 0), S_OK);
    }
    qm::CVSTiSofthSynth* operator->() const { return synth->get(); }
    LONG render(std::vector<float>& out, LONG frames, LONGLONG start = 0, DWORD flags = 0, qm::HostTimeRecord* record = nullptr) {
        out.assign(static_cast<size_t>(frames) * 2, -9.0f);
        return static_cast<LONG>((*synth)->Render(out.data(), start, frames, 0, flags, record));
    }
    FakeType type;
    FakePlugin plugin;
    RenderSite site;
    std::unique_ptr<LoadedInstance> synth;
};

LONGLONG DurationOf(LONGLONG frames) { return static_cast<LONGLONG>(static_cast<double>(frames) / 44100.0 * 1e7 + 0.5); }

}  // namespace

TEST(HostingRender, ARequestIsCutIntoFrameSizeBlocksEachFilledByTheHostFirst) {
    Rig rig;
    rig.site.firstBlockEvents = {{0, 0x00643C90u}};
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    rig.plugin.calls.clear();
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600), 600);
    EXPECT_EQ(ProcessFrames(rig.plugin), (std::vector<int32_t>{265, 265, 70}));
    // Each process call comes right after the block's events, the first block carrying the note.
    ASSERT_EQ(rig.plugin.calls.size(), 6u);
    for (size_t i = 0; i < 6; i += 2) EXPECT_EQ(rig.plugin.calls[i].opcode, effProcessEvents);
    ASSERT_EQ(rig.site.blocks.size(), 3u);
    const LONGLONG starts[] = {0, DurationOf(265), DurationOf(530)};
    const LONGLONG durations[] = {DurationOf(265), DurationOf(265), DurationOf(70)};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rig.site.blocks[i].buffer, static_cast<qm::IQMMIDIBuffer*>(rig->RenderBuffer()));
        EXPECT_EQ(rig.site.blocks[i].start, starts[i]);
        EXPECT_EQ(rig.site.blocks[i].duration, durations[i]);
        EXPECT_EQ(rig.site.blocks[i].record, nullptr);
    }
    // Output 0 carries the fake's 0.5, output 1 silence: interleaved left and right.
    for (size_t frame = 0; frame < 600; ++frame) {
        ASSERT_EQ(out[frame * 2], 0.5f) << frame;
        ASSERT_EQ(out[frame * 2 + 1], 0.0f) << frame;
    }
    EXPECT_EQ(rig->CurrentSample(), 600);
    EXPECT_EQ(rig->PendingFrames(), 0u);
    EXPECT_EQ(rig->RenderBuffer()->EventCount(), 0);  // delivered events were dropped with the block
}

TEST(HostingRender, LiveModeRendersWholeBlocksAndKeepsTheRestPending) {
    Rig rig;
    ASSERT_EQ(rig->StartLive(), S_OK);
    rig.plugin.calls.clear();
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 100), 100);
    EXPECT_EQ(ProcessFrames(rig.plugin), (std::vector<int32_t>{265}));
    EXPECT_EQ(rig->PendingFrames(), 165u);
    ASSERT_EQ(rig.render(out, 100), 100);
    EXPECT_EQ(ProcessFrames(rig.plugin).size(), 1u);
    EXPECT_EQ(rig->PendingFrames(), 65u);
    ASSERT_EQ(rig.render(out, 100), 100);
    EXPECT_EQ(ProcessFrames(rig.plugin), (std::vector<int32_t>{265, 265}));
    EXPECT_EQ(rig->PendingFrames(), 230u);
    for (size_t frame = 0; frame < 100; ++frame) ASSERT_EQ(out[frame * 2], 0.5f) << frame;
    EXPECT_TRUE(rig.site.blocks.empty());  // live blocks do not ask the host for MIDI
}

TEST(HostingRender, WithoutTransportOrWithARefusedBlockTheRequestEndsInSilence) {
    Rig rig;
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 300), 300);  // attached only: nothing to render
    for (float sample : out) ASSERT_EQ(sample, 0.0f);
    EXPECT_TRUE(ProcessFrames(rig.plugin).empty());

    ASSERT_EQ(rig->Cue(0), S_OK);
    rig.site.fillAnswer = E_FAIL;
    ASSERT_EQ(rig.render(out, 300), 300);
    EXPECT_EQ(rig.site.blocks.size(), 1u);
    EXPECT_TRUE(ProcessFrames(rig.plugin).empty());
    for (float sample : out) ASSERT_EQ(sample, 0.0f);
}

TEST(HostingRender, RenderFlagsSkipTheHostFillOrReachTheFirstBlockOnly) {
    Rig rig;
    ASSERT_EQ(rig->Cue(0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600, 0, 0x40000000), 600);
    EXPECT_TRUE(rig.site.blocks.empty());
    EXPECT_EQ(ProcessFrames(rig.plugin).size(), 3u);

    ASSERT_EQ(rig.render(out, 600, 600, 0x10000001), 600);
    ASSERT_EQ(rig.site.blocks.size(), 3u);
    EXPECT_EQ(rig.site.blocks[0].flags, 0x10000001u);
    EXPECT_EQ(rig.site.blocks[1].flags, 1u);
    EXPECT_EQ(rig.site.blocks[2].flags, 1u);
}

TEST(HostingRender, AHostTimeRecordSetsBlockStartsAndAdvancesItsTicks) {
    Rig rig;
    ASSERT_EQ(rig->Cue(0), S_OK);
    ASSERT_EQ(rig->Play(0, 0), S_OK);
    qm::HostTimeRecord record{};
    record.flags = qm::HostTimeRecordFlags::Valid;
    record.startTime = 20000000;  // 2 s
    record.secondTime = 7;
    record.tempo = 120.0;
    record.ticksPerQuarter = 960;
    record.tickPosition = 3840;
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600, 999, 0, &record), 600);
    ASSERT_EQ(rig.site.blocks.size(), 3u);
    // 960 ticks x 2 quarters per second: a 265-frame block (60091 units) is 11.5 + 0.5 -> 12 ticks,
    // a 70-frame block (15873 units) 3.05 + 0.5 -> 3 ticks.
    EXPECT_EQ(rig.site.blocks[0].start, 20000000);
    EXPECT_EQ(rig.site.blocks[1].start, 20000000 + DurationOf(265));
    EXPECT_EQ(rig.site.blocks[2].start, 20000000 + 2 * DurationOf(265));
    EXPECT_EQ(rig.site.blocks[0].recordTick, 3840);
    EXPECT_EQ(rig.site.blocks[1].recordTick, 3852);
    EXPECT_EQ(rig.site.blocks[2].recordTick, 3864);
    EXPECT_EQ(rig->CurrentTick(), 3867);
    EXPECT_EQ(rig->CurrentTime(), 20000000 + 2 * DurationOf(265) + DurationOf(70));
    EXPECT_EQ(rig->CurrentSample(), 999 + 600);
    // The host's record is its own: the instance works on a private copy.
    EXPECT_NE(rig.site.blocks[0].record, &record);
    EXPECT_EQ(record.tickPosition, 3840);
    EXPECT_EQ(record.startTime, 20000000);

    // A record whose position lies behind what was reported does not move the ticks back.
    record.tickPosition = 100000;
    ASSERT_EQ(rig.render(out, 265, 1599, 0, &record), 265);
    EXPECT_EQ(rig.site.blocks[3].recordTick, 3867);
    EXPECT_EQ(rig->CurrentTick(), 3879);
}

TEST(HostingRender, ExtraOutputsQueueTheMainOutputAndAMonoMainIsSpreadAtMinus3dB) {
    Rig stereo(6, true);
    ASSERT_NE(stereo->Queue(), nullptr);
    EXPECT_EQ(stereo->Queue()->ItemCount(), 10u);
    ASSERT_EQ(stereo->Cue(0), S_OK);
    std::vector<float> out;
    ASSERT_EQ(stereo.render(out, 600), 600);
    for (size_t frame = 0; frame < 600; ++frame) {
        ASSERT_EQ(out[frame * 2], 0.5f) << frame;
        ASSERT_EQ(out[frame * 2 + 1], 0.0f) << frame;
    }
    EXPECT_EQ(stereo->Queue()->FillIndex(), 0u);

    Rig mono(6, true, false);
    ASSERT_TRUE(mono->Status() & Status::MonoMainOutput);
    ASSERT_EQ(mono->StartLive(), S_OK);
    ASSERT_EQ(mono.render(out, 300), 300);
    for (size_t frame = 0; frame < 300; ++frame) {
        ASSERT_EQ(out[frame * 2], 0.5f * 0.707f) << frame;
        ASSERT_EQ(out[frame * 2 + 1], 0.5f * 0.707f) << frame;
    }
    // Live blocks are whole: the second block's rest waits in the queue's head item.
    EXPECT_EQ(mono->PendingFrames(), 230u);
    EXPECT_EQ(mono->Queue()->FillIndex(), 1u);
    ASSERT_EQ(mono.render(out, 230), 230);
    EXPECT_EQ(mono->Queue()->FillIndex(), 0u);
    EXPECT_EQ(out[229 * 2], 0.5f * 0.707f);

    Rig unexposed(6, false);
    EXPECT_EQ(unexposed->Queue(), nullptr);
}

TEST(HostingRender, MoreThan1020UnreadBlocksOverflowTheQueueUntilResetQueue) {
    Rig rig(6, true);
    ASSERT_EQ(rig->Cue(0), S_OK);
    for (int block = 0; block < 1020; ++block) {
        ASSERT_EQ(rig->RenderBlockFor(block * 265LL, 265, 0, nullptr), S_OK);
        ASSERT_FALSE(rig->Status() & Status::QueueOverflow) << block;
    }
    EXPECT_EQ(rig->Queue()->ItemCount(), 1020u);
    ASSERT_EQ(rig->RenderBlockFor(1020 * 265LL, 265, 0, nullptr), S_OK);
    EXPECT_TRUE(rig->Status() & Status::QueueOverflow);
    EXPECT_EQ(rig->Queue()->ItemCount(), 1020u);

    std::vector<float> out;
    EXPECT_EQ(rig.render(out, 100), -2);
    for (float sample : out) ASSERT_EQ(sample, 0.0f);
    ASSERT_EQ(rig->ResetQueue2(0, 0), S_OK);
    EXPECT_FALSE(rig->Status() & Status::QueueOverflow);
    EXPECT_EQ(rig->PendingFrames(), 0u);
    ASSERT_EQ(rig.render(out, 100), 100);
    EXPECT_EQ(out[0], 0.5f);
}

TEST(HostingRender, AFaultSilencesTheRestAndEveryLaterRequestUntilThePowerIsToggled) {
    Rig rig;
    ASSERT_EQ(rig->Cue(0), S_OK);
    rig.plugin.throwOnOpcode = effProcessEvents;
    std::vector<float> out;
    ASSERT_EQ(rig.render(out, 600), 600);
    EXPECT_TRUE(rig->Status() & Status::Faulted);
    EXPECT_EQ(rig.site.blocks.size(), 1u);
    for (float sample : out) ASSERT_EQ(sample, 0.0f);
    EXPECT_EQ(rig.render(out, 600), -2);
    for (float sample : out) ASSERT_EQ(sample, 0.0f);

    rig.plugin.throwOnOpcode = -1;
    ASSERT_EQ(rig->TogglePower(), S_OK);  // suspend
    ASSERT_EQ(rig->TogglePower(), S_OK);  // resume: the fake asks for MIDI again
    EXPECT_FALSE(rig->Status() & Status::Faulted);
    ASSERT_EQ(rig->ResetQueue(), S_OK);
    ASSERT_EQ(rig.render(out, 265), 265);
    EXPECT_EQ(out[0], 0.5f);
}

TEST(HostingRender, SixteenBitHostsGetConvertedSamplesAndBadCallsAreRefused) {
    FakeType type;
    FakePlugin plugin;
    LoadedInstance synth(type, &plugin);
    RenderSite site;
    ASSERT_EQ(site.open(synth.get()), S_OK);
    std::vector<int16_t> out(2 * 300, 77);
    EXPECT_EQ(synth->Render(out.data(), 0, 300, 0, 0, nullptr), E_UNEXPECTED);  // no format yet
    const WAVEFORMATEX format = HostFormat(WAVE_FORMAT_PCM, 16);
    ASSERT_EQ(synth->SetFormat(&format, 0, 0), S_OK);
    EXPECT_EQ(synth->Render(nullptr, 0, 300, 0, 0, nullptr), E_POINTER);
    EXPECT_EQ(synth->Render(out.data(), 0, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(synth->Cue(0), S_OK);
    ASSERT_EQ(synth->Render(out.data(), 0, 300, 0, 0, nullptr), 300);
    for (size_t frame = 0; frame < 300; ++frame) {
        ASSERT_EQ(out[frame * 2], 16384) << frame;
        ASSERT_EQ(out[frame * 2 + 1], 0) << frame;
    }
}
