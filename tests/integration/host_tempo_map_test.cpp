// The host's musical time: conversions across tempo changes, the answers to the library's time
// query, and the events handed to the MIDI buffer block by block through the site callback.
#include <gtest/gtest.h>

#include <tuple>
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
using Calls = std::vector<std::pair<LONGLONG, DWORD>>;  // time and message of each event taken

// Records every PutShortEvent; refuses events once `capacity` have been taken.
class RecordingBuffer final : public IQMMIDIBuffer {
public:
    explicit RecordingBuffer(size_t capacity = 1000) : capacity_(capacity) {}
    HRESULT QM_COMCALL QueryInterface(REFIID, void** out) noexcept override { *out = nullptr; return E_NOINTERFACE; }
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
    HRESULT QM_COMCALL GetLastEventOffset(LONGLONG* out) noexcept override { *out = 0; return S_OK; }
    HRESULT QM_COMCALL SetStartTime(LONGLONG) noexcept override { return S_OK; }
    HRESULT QM_COMCALL GetStartTime(LONGLONG* out) noexcept override { *out = 0; return S_OK; }
    HRESULT QM_COMCALL Reserved15(DWORD) noexcept override { return S_OK; }
    HRESULT QM_COMCALL Reserved16(DWORD) noexcept override { return S_FALSE; }

    Calls calls;
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

// The times of the song's ticks are proven through the blocks and the time queries below.
TEST(HostTempoMap, TicksTimesAndFramesAcrossTempoChanges) {
    // Times round down to the tick they fall in, before the song to tick 0; the tempo changes on its tick.
    const TempoMap map(TwoTempoSong());
    EXPECT_EQ(std::make_tuple(map.TickAtTime(-5), map.TickAtTime(kSecond / 2 - 1), map.TickAtTime(kSecond + kSecond / 2)),
              std::make_tuple(0u, 479u, 1200u));
    EXPECT_EQ(std::make_tuple(map.TempoAtTime(kSecond - 1), map.TempoAtTime(kSecond)), std::make_tuple(120.0, 60.0));

    // An awkward tempo: every tick maps back to itself although its time is rounded.
    const TempoMap odd(96, {{0, 652174}, {333, 411111}}, {});
    for (uint64_t tick = 0; tick < 2000; ++tick) ASSERT_EQ(odd.TickAtTime(odd.TimeOfTick(tick)), tick) << tick;

    // A tempo of 0 would stop time: it is ignored, and 120 bpm goes on until the next change.
    const TempoMap zero(480, {{0, 500000}, {480, 0}, {960, 1000000}}, {});
    EXPECT_EQ(std::make_tuple(zero.TimeOfTick(960), zero.TimeOfTick(1440), zero.TickAtTime(kSecond * 3 / 4)),
              std::make_tuple(kSecond, 2 * kSecond, uint64_t{720}));

    // A tick far behind the song (16.8 s a tick here) saturates instead of overflowing.
    const TempoMap slow(1, {{0, 0xFFFFFF}}, {});
    EXPECT_EQ(std::make_tuple(slow.TimeOfTick(1), slow.TimeOfTick(uint64_t{1} << 40), slow.TickAtTime(TempoMap::kEndOfTime + kSecond)),
              std::make_tuple(LONGLONG{167772150}, TempoMap::kEndOfTime, uint64_t{(TempoMap::kEndOfTime - 1) / 167772150}));

    // Defaults: 120 bpm and 4/4; frames and time converted as the library converts them.
    const TempoMap plain(960, {}, {});
    EXPECT_EQ(std::make_tuple(plain.TimeOfTick(960), plain.SignatureAtTick(12345).numerator, plain.BarStartAtTick(3 * 3840 + 17)),
              std::make_tuple(kSecond / 2, 4, uint64_t{3 * 3840}));
    // 44.1 + 0.5 frames, truncated.
    EXPECT_EQ(std::make_tuple(host::FramesOfTime(10000, 44100.0), host::FramesOfTime(kSecond, 48000.0)),
              std::make_tuple(44, 48000));
    EXPECT_EQ(std::make_tuple(host::TimeOfFrames(44100, 44100.0), host::TimeOfFrames(265, 44100.0), host::TimeOfFrames(1, 0.0)),
              std::make_tuple(kSecond, 60091, 0));
}

// The site callback as the library calls it: the state is the cookie; a fill block passes the buffer,
// the start in two words and the duration.
HRESULT Site(host::SiteState& state, DWORD code, void* w1 = nullptr, LONGLONG start = 0, LONGLONG duration = 0) {
    return host::HostSiteCallback(nullptr, code, reinterpret_cast<ULONG_PTR>(&state), reinterpret_cast<ULONG_PTR>(w1),
                                  static_cast<uint32_t>(start), static_cast<uint32_t>(start >> 32),
                                  static_cast<uint32_t>(duration), 0, 0, 0);
}

// The time queries of a sequence's site, answered from its tempo map.
TEST(HostTempoMap, AnswersFullAndTempoQueries) {
    const HostSequence sequence(TwoTempoSong());
    host::SiteState state;
    state.sequence = &sequence;
    state.sampleRate = 48000.0;
    const struct {
        DWORD request;
        LONGLONG at;  // host time for a full query, a sample position (48 kHz) for a tempo query
        double tempo;
        LONGLONG ticks, barStart;
        int numerator;
    } cases[] = {
        {TimeQueryRequest::Full, 7 * kSecond, 60.0, 3840, 3840, 3},  // tick 1920 + 4 quarters: the first 3/4 bar
        {TimeQueryRequest::Full, 10 * kSecond + kSecond / 4, 60.0, 3840 + 1560, 3840 + 1440, 3},  // the second
        {TimeQueryRequest::Full, 2 * kSecond, 60.0, 1440, 0, 4},  // before the change: 4/4 bars of 1920 ticks
        {TimeQueryRequest::Tempo, 24000, 120.0, 480, 0, 4},       // the time field is 0 in this query
        {TimeQueryRequest::Tempo, 2 * 48000, 60.0, 1440, 0, 4},
    };
    for (const auto& c : cases) {
        TimeQuery query{};
        query.request = c.request;
        (c.request == TimeQueryRequest::Full ? query.time : query.samplePosition) = c.at;
        query.loopOn = 1;
        ASSERT_EQ(Site(state, SiteCode::TimeQuery, &query), S_OK);
        EXPECT_EQ(std::make_tuple(query.tempo, query.ticks, query.barStartTicks, query.timeSigNumerator,
                                  query.timeSigDenominator, query.ticksPerQuarter, query.loopOn),
                  std::make_tuple(c.tempo, c.ticks, c.barStart, c.numerator, 4, 480, 0u))
            << c.at;
    }
}

TEST(HostTempoMap, BlocksTakeExactlyTheirEventsOnce) {
    const HostSequence sequence(TwoTempoSong());  // events every 240 ticks: 0, .25, .5, .75, 1, 1.5, ... 3 s
    EXPECT_EQ(sequence.EndTime(), 3 * kSecond);
    RecordingBuffer one;
    EXPECT_EQ(sequence.FillBlock(&one, kSecond / 4, kSecond / 2, nullptr), 2);  // [0.25, 0.75): 0.25 and 0.5
    EXPECT_EQ(one.calls, (Calls{{kSecond / 4, 0x400190}, {kSecond / 2, 0x400290}}));
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

    // The channels a chosen patch is selected on: those the song uses, or channel 0.
    MidiSong song = TwoTempoSong();
    song.events.push_back({100, 0x00403C95u, 2});
    EXPECT_EQ(HostSequence(song).Channels(), (std::vector<int>{0, 5}));
    EXPECT_EQ(HostSequence(MidiSong{}).Channels(), (std::vector<int>{0}));
}

TEST(HostTempoMap, SiteCallbackServesTheSequenceOrItsFixedTempo) {
    MidiSong song = TwoTempoSong();
    song.events.push_back({960 + 480 * 500, 0x7F4090u, 1});  // 501 s: past 2^32 units
    HostSequence sequence(song);
    host::SiteState state;
    state.sequence = &sequence;
    state.sampleRate = 48000.0;
    RecordingBuffer buffer;
    EXPECT_EQ(Site(state, SiteCode::FillBlock, &buffer, 501 * kSecond - 10, 20), S_OK);
    EXPECT_EQ(buffer.calls, (Calls{{501 * kSecond, 0x7F4090}}));
    EXPECT_EQ(std::make_tuple(state.blocks.load(), state.eventsPut.load()), std::make_tuple(1, 1));
    EXPECT_EQ(Site(state, SiteCode::FillBlock), E_POINTER);

    // Without a sequence the site counts attach, fill and detach, leaves the block alone and answers
    // from its fixed tempo: five seconds at 90 bpm are 7.5 quarters.
    host::SiteState plain;
    plain.tempo = 90.0;
    RecordingBuffer untouched;
    for (DWORD code : {SiteCode::Attached, SiteCode::FillBlock, SiteCode::Detached})
        EXPECT_EQ(Site(plain, code, code == SiteCode::FillBlock ? &untouched : nullptr, 0, 1000), S_OK) << code;
    EXPECT_TRUE(untouched.calls.empty());
    EXPECT_EQ(std::make_tuple(plain.attached.load(), plain.blocks.load(), plain.detached.load()), std::make_tuple(1, 1, 1));
    TimeQuery query{};
    query.request = TimeQueryRequest::Full;
    query.time = 5 * kSecond;
    ASSERT_EQ(Site(plain, SiteCode::TimeQuery, &query), S_OK);
    EXPECT_EQ(std::make_tuple(query.tempo, query.ticksPerQuarter, query.ticks, query.barStartTicks, query.timeSigNumerator,
                              query.timeSigDenominator),
              std::make_tuple(90.0, 960, 7200LL, 3840LL, 4, 4));
    EXPECT_EQ(std::make_tuple(Site(plain, SiteCode::TimeQuery), Site(plain, 77)), std::make_tuple(E_POINTER, E_NOTIMPL));
}

}  // namespace
