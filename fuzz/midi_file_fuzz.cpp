// The MIDI file reader and the tempo map behind qmvsti render, fed arbitrary bytes. Every input is
// read, or refused with an offset; what is read keeps memory proportional to the file, and gives a
// tempo map whose times never run backwards and whose ticks and times convert into each other.
#include <algorithm>
#include <cmath>
#include <string>

#include "fuzz_check.h"
#include "midi_file.h"
#include "tempo_map.h"

namespace {

using namespace qm;
using namespace qm::host;
using qm::fuzz::Check;

void CheckTime(const TempoMap& map, LONGLONG time) {
    const uint64_t tick = map.TickAtTime(time);
    if (time > 0) {
        Check(map.TimeOfTick(tick) <= time, "the tick found for a time lies after it");
        Check(time >= TempoMap::kEndOfTime - 1 || map.TimeOfTick(tick + 1) > time, "not the last tick at or before a time");
    }
    TimeQuery query{};
    query.request = TimeQueryRequest::Full;
    query.time = time;
    map.Answer(&query, 44100.0);
    Check(query.tempo > 0.0 && std::isfinite(query.tempo), "a tempo that is not a positive number");
    Check(query.barStartTicks <= query.ticks, "a bar that starts after its tick");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiSong song;
    std::string error;
    if (!ParseMidiFile(data, size, &song, &error)) {
        Check(error.rfind("offset ", 0) == 0, "a refusal that names no offset");
        return 0;
    }
    // Each item kept stands for at least two bytes of the file (a delta time and a data byte).
    Check(song.events.size() + song.tempos.size() + song.signatures.size() <= size / 2, "more items than the file holds");
    for (const std::string& warning : song.warnings) Check(warning.rfind("offset ", 0) == 0, "a warning that names no offset");
    Check(song.trackCount >= 1 && song.ticksPerQuarter > 0 && song.endOffset < size, "a song without tracks, division or end");
    for (size_t i = 1; i < song.events.size(); ++i) Check(song.events[i - 1].tick <= song.events[i].tick, "events out of order");
    Check(song.events.empty() || song.events.back().tick <= song.endTick, "an event after the song's end");

    const HostSequence sequence(song);
    LONGLONG last = 0;
    for (const HostSequence::TimedEvent& event : sequence.Events()) {
        Check(event.time >= last, "time runs backwards");
        last = event.time;
        CheckTime(sequence.Map(), event.time);
        CheckTime(sequence.Map(), event.time + 1);
    }
    Check(sequence.EndTime() >= last && sequence.EndTime() <= TempoMap::kEndOfTime, "the song ends before its events");
    CheckTime(sequence.Map(), sequence.EndTime() - 1);
    Check(!sequence.Channels().empty(), "no channel");
    return 0;
}
