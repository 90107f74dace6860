#include "tempo_map.h"

#include <algorithm>

namespace qm::host {

namespace {
constexpr LONGLONG kUnitsPerMicrosecond = 10;
constexpr double kMicrosecondsPerMinute = 60e6;
constexpr uint32_t kDefaultTempo = 500000;  // 120 beats per minute, as the file format defines
constexpr int kMaxTicksPerQuarter = 0x7FFF;
}  // namespace

LONGLONG FramesOfTime(LONGLONG time, double rate) noexcept {
    return static_cast<LONGLONG>(static_cast<double>(time) * 1e-7 * rate + 0.5);
}

LONGLONG TimeOfFrames(LONGLONG frames, double rate) noexcept {
    return rate > 0.0 ? static_cast<LONGLONG>(static_cast<double>(frames) / rate * 1e7 + 0.5) : 0;
}

TempoMap::TempoMap(int ticksPerQuarter, const std::vector<TempoChange>& tempos,
                   const std::vector<TimeSignatureChange>& signatures)
    : ticksPerQuarter_(ticksPerQuarter > 0 && ticksPerQuarter <= kMaxTicksPerQuarter ? ticksPerQuarter : 480) {
    segments_.push_back({0, 0, kDefaultTempo});
    for (const TempoChange& change : tempos) {
        if (change.microsecondsPerQuarter == 0) continue;
        if (change.tick == segments_.back().tick) {
            // Two tempos at one tick: the later one counts (a type-1 file often repeats the first).
            segments_.back().microsecondsPerQuarter = change.microsecondsPerQuarter;
            continue;
        }
        const LONGLONG time = TimeOfTick(change.tick);
        segments_.push_back({change.tick, time, change.microsecondsPerQuarter});
    }
    signatures_.push_back({0, 4, 4});
    for (const TimeSignatureChange& change : signatures) {
        if (change.numerator <= 0 || change.denominator <= 0) continue;
        if (change.tick == signatures_.back().tick) signatures_.back() = change;
        else signatures_.push_back(change);
    }
}

const TempoMap::Segment& TempoMap::SegmentAtTick(uint64_t tick) const noexcept {
    auto next = std::upper_bound(segments_.begin(), segments_.end(), tick,
                                 [](uint64_t t, const Segment& s) { return t < s.tick; });
    return *(next - 1);
}

const TempoMap::Segment& TempoMap::SegmentAtTime(LONGLONG time) const noexcept {
    auto next = std::upper_bound(segments_.begin(), segments_.end(), time,
                                 [](LONGLONG t, const Segment& s) { return t < s.time; });
    return next == segments_.begin() ? segments_.front() : *(next - 1);
}

LONGLONG TempoMap::TimeOfTick(uint64_t tick) const noexcept {
    const Segment& s = SegmentAtTick(tick);
    const uint64_t ticks = tick - s.tick, quarter = static_cast<uint64_t>(ticksPerQuarter_);
    const uint64_t unitsPerQuarter = uint64_t{s.microsecondsPerQuarter} * kUnitsPerMicrosecond;
    // Checked before the product, which a tick far behind the song would overflow.
    if (ticks > static_cast<uint64_t>(kEndOfTime - s.time) * quarter / unitsPerQuarter) return kEndOfTime;
    const LONGLONG units = static_cast<LONGLONG>((ticks * unitsPerQuarter + quarter / 2) / quarter);
    return std::min(kEndOfTime, s.time + units);
}

uint64_t TempoMap::TickAtTime(LONGLONG time) const noexcept {
    if (time <= 0) return 0;
    time = std::min(time, kEndOfTime - 1);
    const Segment& s = SegmentAtTime(time);
    const uint64_t quarter = static_cast<uint64_t>(ticksPerQuarter_);
    const uint64_t unitsPerQuarter = uint64_t{s.microsecondsPerQuarter} * kUnitsPerMicrosecond;
    // TimeOfTick rounds to nearest: the largest offset d with (d * units + quarter / 2) / quarter
    // <= time - s.time is the one with d * units < (time - s.time + 1) * quarter - quarter / 2.
    const uint64_t limit = (static_cast<uint64_t>(time - s.time) + 1) * quarter - quarter / 2;
    return s.tick + (limit - 1) / unitsPerQuarter;
}

double TempoMap::TempoAtTime(LONGLONG time) const noexcept {
    return kMicrosecondsPerMinute / SegmentAtTime(time).microsecondsPerQuarter;
}

TimeSignatureChange TempoMap::SignatureAtTick(uint64_t tick) const noexcept {
    auto next = std::upper_bound(signatures_.begin(), signatures_.end(), tick,
                                 [](uint64_t t, const TimeSignatureChange& s) { return t < s.tick; });
    return *(next - 1);
}

// Bars are counted from the latest signature change, which files place on a bar line.
uint64_t TempoMap::BarStartAtTick(uint64_t tick) const noexcept {
    const TimeSignatureChange sig = SignatureAtTick(tick);
    uint64_t barTicks = static_cast<uint64_t>(sig.numerator) * 4u * static_cast<uint64_t>(ticksPerQuarter_) /
                        static_cast<uint64_t>(sig.denominator);
    if (barTicks == 0) barTicks = 1;
    return sig.tick + (tick - sig.tick) / barTicks * barTicks;
}

void TempoMap::Answer(TimeQuery* query, double rate) const noexcept {
    const LONGLONG time =
        query->request == TimeQueryRequest::Tempo ? TimeOfFrames(query->samplePosition, rate) : query->time;
    const uint64_t tick = TickAtTime(time);
    const TimeSignatureChange sig = SignatureAtTick(tick);
    query->tempo = TempoAtTime(time);
    query->ticks = static_cast<LONGLONG>(tick);
    query->ticksPerQuarter = ticksPerQuarter_;
    query->barStartTicks = static_cast<LONGLONG>(BarStartAtTick(tick));
    query->loopOn = 0;
    query->loopStartTicks = 0;
    query->loopEndTicks = 0;
    query->timeSigNumerator = sig.numerator;
    query->timeSigDenominator = sig.denominator;
}

HostSequence::HostSequence(const MidiSong& song) : map_(song) {
    events_.reserve(song.events.size());
    for (const MidiEvent& event : song.events) events_.push_back({map_.TimeOfTick(event.tick), event.message});
    std::stable_sort(events_.begin(), events_.end(), [](const TimedEvent& a, const TimedEvent& b) { return a.time < b.time; });
    endTime_ = map_.TimeOfTick(song.endTick);
}

std::vector<int> HostSequence::Channels() const {
    bool used[16] = {};
    for (const TimedEvent& event : events_) {
        const uint32_t status = event.message & 0xFF;
        if (status >= 0x80 && status < 0xF0) used[status & 0x0F] = true;
    }
    std::vector<int> channels;
    for (int channel = 0; channel < 16; ++channel)
        if (used[channel]) channels.push_back(channel);
    if (channels.empty()) channels.push_back(0);
    return channels;
}

int HostSequence::FillBlock(IQMMIDIBuffer* buffer, LONGLONG start, LONGLONG duration, int* dropped) const noexcept {
    if (buffer == nullptr || duration <= 0) return 0;
    const LONGLONG end = start + duration;
    auto it = std::lower_bound(events_.begin(), events_.end(), start,
                               [](const TimedEvent& e, LONGLONG t) { return e.time < t; });
    int taken = 0;
    for (; it != events_.end() && it->time < end; ++it) {
        if (buffer->PutShortEvent(it->time, it->message, 0) == S_OK) ++taken;
        else if (dropped != nullptr) ++*dropped;
    }
    return taken;
}

}  // namespace qm::host
