// The host's musical time: conversions across tempo changes, the answers to the library's time
// query, and the events handed to the MIDI buffer block by block through the site callback.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "site.h"
#include "tempo_map.h"

namespace {

using namespace qm;
using qm::host::HostSequence;
using qm::host::MidiSong;
using qm::host::TempoMap;

constexpr LONGLONG kSecond = 10000000;

// Records every PutShortEvent; refuses events once `capacity` have been taken.
class RecordingBuffer final : public IQMMIDIBuffer {
public:
    explicit RecordingBuffer(size_t capacity = 1000) : capacity_(capacity) {}
    HRESULT QM_COMCALL QueryInterface(REFIID, void** out) noexcept override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG QM_COMCALL AddRef() noexcept override { return 1; }
    ULONG QM_COMCALL Release() noexcept override { return 1; }
    HRESULT QM_COMCALL Reserved3(DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved4(DWORD, DWORD, DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved5(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL AdvanceTime(LONGLONG) noexcept override { return S_OK; }
    HRESULT QM_COMCALL PutShortEvent(LONGLONG time, DWORD message, DWORD unused) noexcept override {
        if (calls.size() >= capacity_) return S_FALSE;
        calls.push_back({time, message});
        unusedSeen |= unused;
        return S_OK;
    }
    HRESULT QM_COMCALL Reserved8(DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Reserved9(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved10(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL Reserved11(DWORD, DWORD) noexcept override { return E_NOTIMPL; }
    HRESULT QM_COMCALL GetLastEventOffset(LONGLONG* out) noexcept override {
        *out = 0;
        return S_OK;
    }
    HRESULT QM_COMCALL SetStartTime(LONGLONG) noexcept override { return S_OK; }
    HRESULT QM_COMCALL GetStartTime(LONGLONG* out) noexcept override {
        *out = 0;
        return S_OK;
    }
    HRESULT QM_COMCALL Reserved15(DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Reserved16(DWORD) noexcept override { return S_FALSE; }

    std::vector<std::pair<LONGLONG, DWORD>> calls;
    DWORD unusedSeen = 0;

private:
    size_t capacity_;
};

// 480 ticks per quarter: 120 bpm until tick 960 (1 s), then 60 bpm; 4/4, then 3/4 from tick 3840.
MidiSong TwoTempoSong() {
    MidiSong song;
    song.ticksPerQuarter = 480;
    song.tempos = {{0, 500000}, {960, 1000000}};
    song.signatures = {{0, 4, 4}, {3840, 3, 4}};
    for (uint64_t tick = 0; tick <= 1920; tick += 240) song.events.push_back({tick, 0x400090u + (static_cast<uint32_t>(tick / 240) << 8), 1});
    song.endTick = 1920;
    return song;
}

TEST(HostTempoMap, TicksAndTimesAcrossTempoChanges) {
    const TempoMap map(TwoTempoSong());
    EXPECT_EQ(map.TimeOfTick(0), 0);
    EXPECT_EQ(map.TimeOfTick(480), kSecond / 2);
    EXPECT_EQ(map.TimeOfTick(960), kSecond);
    EXPECT_EQ(map.TimeOfTick(1440), 2 * kSecond);
    EXPECT_EQ(map.TimeOfTick(1920), 3 * kSecond);
    EXPECT_EQ(map.TickAtTime(-5), 0u);
    EXPECT_EQ(map.TickAtTime(kSecond / 2 - 1), 479u);
    EXPECT_EQ(map.TickAtTime(kSecond + kSecond / 2), 1200u);
    EXPECT_DOUBLE_EQ(map.TempoAtTime(kSecond - 1), 120.0);
    EXPECT_DOUBLE_EQ(map.TempoAtTime(kSecond), 60.0);

    // An awkward tempo: every tick maps back to itself although its time is rounded.
    const TempoMap odd(96, {{0, 652174}, {333, 411111}}, {});
    for (uint64_t tick = 0; tick < 2000; ++tick) ASSERT_EQ(odd.TickAtTime(odd.TimeOfTick(tick)), tick) << tick;
}

TEST(HostTempoMap, DefaultsAndFrameConversions) {
    const TempoMap plain(960, {}, {});
    EXPECT_EQ(plain.TimeOfTick(960), kSecond / 2);  // 120 bpm
    EXPECT_EQ(plain.SignatureAtTick(12345).numerator, 4);
    EXPECT_EQ(plain.BarStartAtTick(3 * 3840 + 17), 3u * 3840u);
    EXPECT_EQ(host::FramesOfTime(10000, 44100.0), 44);  // 44.1 + 0.5, truncated
    EXPECT_EQ(host::FramesOfTime(kSecond, 48000.0), 48000);
    EXPECT_EQ(host::TimeOfFrames(44100, 44100.0), kSecond);
    EXPECT_EQ(host::TimeOfFrames(265, 44100.0), 60091);
    EXPECT_EQ(host::TimeOfFrames(1, 0.0), 0);
}

TEST(HostTempoMap, AnswersFullAndTempoQueries) {
    const TempoMap map(TwoTempoSong());
    TimeQuery query{};
    query.request = TimeQueryRequest::Full;
    query.time = 7 * kSecond;  // tick 1920 + 4 quarters = 3840: the first 3/4 bar
    query.loopOn = 1;
    map.Answer(&query, 44100.0);
    EXPECT_DOUBLE_EQ(query.tempo, 60.0);
    EXPECT_EQ(query.ticks, 3840);
    EXPECT_EQ(query.ticksPerQuarter, 480);
    EXPECT_EQ(query.barStartTicks, 3840);
    EXPECT_EQ(query.loopOn, 0u);
    EXPECT_EQ(query.timeSigNumerator, 3);
    EXPECT_EQ(query.timeSigDenominator, 4);

    query.time = 7 * kSecond + 3 * kSecond + kSecond / 4;  // 3840 + 3.25 quarters: second 3/4 bar
    map.Answer(&query, 44100.0);
    EXPECT_EQ(query.ticks, 3840 + 1560);
    EXPECT_EQ(query.barStartTicks, 3840 + 1440);

    query.time = 2 * kSecond;  // before the change: 4/4 bars of 1920 ticks
    map.Answer(&query, 44100.0);
    EXPECT_EQ(query.barStartTicks, 1440 - 1440 % 1920);
    EXPECT_EQ(query.timeSigNumerator, 4);

    TimeQuery tempo{};
    tempo.request = TimeQueryRequest::Tempo;
    tempo.samplePosition = 22050;  // 0.5 s: still 120 bpm; the time field is 0 in this query
    map.Answer(&tempo, 44100.0);
    EXPECT_DOUBLE_EQ(tempo.tempo, 120.0);
    tempo.samplePosition = 44100 * 2;
    map.Answer(&tempo, 44100.0);
    EXPECT_DOUBLE_EQ(tempo.tempo, 60.0);
}

TEST(HostTempoMap, BlocksTakeExactlyTheirEventsOnce) {
    const HostSequence sequence(TwoTempoSong());  // events every 240 ticks: 0, .25, .5, .75, 1, 1.5, ... 3 s
    EXPECT_EQ(sequence.EndTime(), 3 * kSecond);
    RecordingBuffer one;
    EXPECT_EQ(sequence.FillBlock(&one, kSecond / 4, kSecond / 2, nullptr), 2);  // [0.25, 0.75): 0.25 and 0.5
    ASSERT_EQ(one.calls.size(), 2u);
    EXPECT_EQ(one.calls[0], std::make_pair(kSecond / 4, DWORD{0x400190}));
    EXPECT_EQ(one.calls[1], std::make_pair(kSecond / 2, DWORD{0x400290}));
    EXPECT_EQ(one.unusedSeen, 0u);

    // Blocks of an odd length cover the song: every event arrives once, in order, inside its block.
    RecordingBuffer all;
    const LONGLONG block = host::TimeOfFrames(265, 44100.0);
    for (LONGLONG start = 0; start < 4 * kSecond; start += block) {
        const size_t before = all.calls.size();
        sequence.FillBlock(&all, start, block, nullptr);
        for (size_t i = before; i < all.calls.size(); ++i) {
            EXPECT_GE(all.calls[i].first, start);
            EXPECT_LT(all.calls[i].first, start + block);
        }
    }
    ASSERT_EQ(all.calls.size(), sequence.Events().size());
    for (size_t i = 0; i < all.calls.size(); ++i) EXPECT_EQ(all.calls[i].second, 0x400090u + (i << 8));

    RecordingBuffer full(3);
    int dropped = 0;
    EXPECT_EQ(sequence.FillBlock(&full, 0, 4 * kSecond, &dropped), 3);
    EXPECT_EQ(dropped, 6);
    EXPECT_EQ(sequence.FillBlock(&full, 0, 0, &dropped), 0);
}

TEST(HostTempoMap, ProgramChangesGoAheadOnEveryUsedChannel) {
    MidiSong song = TwoTempoSong();
    song.events.push_back({100, 0x00403C95u, 2});
    HostSequence sequence(song);
    EXPECT_EQ(sequence.Channels(), (std::vector<int>{0, 5}));
    for (const int channel : sequence.Channels()) sequence.Prepend(0x07C0u | static_cast<uint32_t>(channel));
    RecordingBuffer buffer;
    sequence.FillBlock(&buffer, 0, 1, nullptr);
    ASSERT_EQ(buffer.calls.size(), 3u);
    EXPECT_EQ(buffer.calls[0].second & 0xFFu, 0xC5u);
    EXPECT_EQ(buffer.calls[1].second & 0xFFu, 0xC0u);
    EXPECT_EQ(buffer.calls[2].second, 0x400090u);
    EXPECT_EQ(HostSequence(MidiSong{}).Channels(), (std::vector<int>{0}));
}

TEST(HostTempoMap, SiteCallbackServesTheSequence) {
    MidiSong song = TwoTempoSong();
    song.events.push_back({960 + 480 * 500, 0x7F4090u, 1});  // 501 s: past 2^32 units
    HostSequence sequence(song);
    host::SiteState state;
    state.sequence = &sequence;
    state.sampleRate = 48000.0;
    const ULONG_PTR cookie = reinterpret_cast<ULONG_PTR>(&state);

    RecordingBuffer buffer;
    const LONGLONG start = 501 * kSecond - 10, duration = 20;
    EXPECT_EQ(host::HostSiteCallback(nullptr, SiteCode::FillBlock, cookie, reinterpret_cast<ULONG_PTR>(&buffer),
                                     static_cast<uint32_t>(start), static_cast<uint32_t>(start >> 32),
                                     static_cast<uint32_t>(duration), 0, 0, 0),
              S_OK);
    ASSERT_EQ(buffer.calls.size(), 1u);
    EXPECT_EQ(buffer.calls[0], std::make_pair(501 * kSecond, DWORD{0x7F4090}));
    EXPECT_EQ(state.blocks.load(), 1);
    EXPECT_EQ(state.eventsPut.load(), 1);

    TimeQuery query{};
    query.request = TimeQueryRequest::Tempo;
    query.samplePosition = 48000 * 2;
    EXPECT_EQ(host::HostSiteCallback(nullptr, SiteCode::TimeQuery, cookie, reinterpret_cast<ULONG_PTR>(&query), 0, 0,
                                     0, 0, 0, 0),
              S_OK);
    EXPECT_DOUBLE_EQ(query.tempo, 60.0);
    EXPECT_EQ(query.ticksPerQuarter, 480);

    // Without a sequence the block is left alone and the fixed tempo answers.
    host::SiteState plain;
    RecordingBuffer untouched;
    EXPECT_EQ(host::HostSiteCallback(nullptr, SiteCode::FillBlock, reinterpret_cast<ULONG_PTR>(&plain),
                                     reinterpret_cast<ULONG_PTR>(&untouched), 0, 0, 1000, 0, 0, 0),
              S_OK);
    EXPECT_TRUE(untouched.calls.empty());
    EXPECT_EQ(host::HostSiteCallback(nullptr, SiteCode::FillBlock, cookie, 0, 0, 0, 1000, 0, 0, 0), E_POINTER);
}

}  // namespace
