// Musical time of a song: ticks <-> host time (100-ns units) <-> sample frames across tempo changes,
// the answer to the library's time query, and the song's events handed out block by block.
#pragma once
#include <cstdint>
#include <vector>

#include "midi_file.h"
#include "qmvsti/com.h"
#include "qmvsti/host_structures.h"
#include "qmvsti/midi_buffer.h"

namespace qm::host {

// Host time and frames, converted the way the library converts them (rounded to nearest, truncated).
LONGLONG FramesOfTime(LONGLONG time, double rate) noexcept;
LONGLONG TimeOfFrames(LONGLONG frames, double rate) noexcept;

class TempoMap {
public:
    // Times saturate here (2^47 units, about 163 days): a stray event far behind a song keeps a time
    // that the render's length bound refuses, and every product below stays inside 64 bits.
    static constexpr LONGLONG kEndOfTime = LONGLONG{1} << 47;

    // An empty tempo list means 120 beats per minute; an empty signature list means 4/4. Changes
    // come by tick; a tempo of 0 is ignored (it would stop time). A division outside the file
    // format's 1-32767 means 480.
    TempoMap(int ticksPerQuarter, const std::vector<TempoChange>& tempos,
             const std::vector<TimeSignatureChange>& signatures);
    explicit TempoMap(const MidiSong& song) : TempoMap(song.ticksPerQuarter, song.tempos, song.signatures) {}

    int TicksPerQuarter() const noexcept { return ticksPerQuarter_; }
    LONGLONG TimeOfTick(uint64_t tick) const noexcept;
    // The last tick at or before `time`; 0 before 0, the last tick before kEndOfTime from there on.
    uint64_t TickAtTime(LONGLONG time) const noexcept;
    double TempoAtTime(LONGLONG time) const noexcept;   // beats per minute
    TimeSignatureChange SignatureAtTick(uint64_t tick) const noexcept;
    uint64_t BarStartAtTick(uint64_t tick) const noexcept;

    // Fills the host's part of a time query (request TimeQueryRequest::Full or ::Tempo). A tempo
    // query carries only a sample position, which `rate` turns into time. The loop is always off.
    void Answer(TimeQuery* query, double rate) const noexcept;

private:
    struct Segment {
        uint64_t tick;
        LONGLONG time;
        uint32_t microsecondsPerQuarter;
    };
    const Segment& SegmentAtTick(uint64_t tick) const noexcept;
    const Segment& SegmentAtTime(LONGLONG time) const noexcept;

    int ticksPerQuarter_;
    std::vector<Segment> segments_;  // never empty; the first starts at tick 0
    std::vector<TimeSignatureChange> signatures_;  // never empty; the first starts at tick 0
};

// A song's channel messages at host times, ready to be put into the library's MIDI buffer.
class HostSequence {
public:
    struct TimedEvent {
        LONGLONG time;
        uint32_t message;
    };

    explicit HostSequence(const MidiSong& song);

    const TempoMap& Map() const noexcept { return map_; }
    const std::vector<TimedEvent>& Events() const noexcept { return events_; }
    // Host time of the song's end: its last event or end-of-track.
    LONGLONG EndTime() const noexcept { return endTime_; }
    // The MIDI channels (0-15) the song's events use; channel 0 alone when it has none.
    std::vector<int> Channels() const;

    // Puts the events whose time falls in [start, start + duration) into `buffer`. Returns how many
    // the buffer took; `dropped` counts those it refused (a full pool).
    int FillBlock(IQMMIDIBuffer* buffer, LONGLONG start, LONGLONG duration, int* dropped) const noexcept;

private:
    TempoMap map_;
    std::vector<TimedEvent> events_;  // by time, equal times in song order
    LONGLONG endTime_ = 0;
};

}  // namespace qm::host
