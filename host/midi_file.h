// Standard MIDI File reader: formats 0 and 1, bare or wrapped in a RIFF MIDI (RMID) file, tracks
// merged into one time-ordered list of channel messages plus the tempo and time-signature changes a
// sequencer needs. Errors are results: a message naming the byte offset where the file stops making
// sense. Every item kept comes from at least two bytes of the file, so memory stays proportional to
// its size whatever its counts and lengths claim.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::host {

// One channel message, packed as the host's MIDI buffer takes it: status | data1 << 8 | data2 << 16.
struct MidiEvent {
    uint64_t tick = 0;
    uint32_t message = 0;
    int track = 0;
};

struct TempoChange {
    uint64_t tick = 0;
    uint32_t microsecondsPerQuarter = 500000;
};

struct TimeSignatureChange {
    uint64_t tick = 0;
    int numerator = 4;
    int denominator = 4;
};

struct MidiSong {
    int format = 0;
    int trackCount = 0;
    int ticksPerQuarter = 0;
    uint64_t endTick = 0;                      // the latest event or end-of-track of any track
    // The event that sets the song's length: the first one at endTick (in the first track reaching
    // it), so a stray event far behind the song is named rather than the end of track after it.
    int endTrack = 0;
    size_t endOffset = 0;                      // its status byte's offset in the file
    std::vector<MidiEvent> events;             // by tick; equal ticks keep track order, then file order
    std::vector<TempoChange> tempos;           // by tick
    std::vector<TimeSignatureChange> signatures;  // by tick
    // "offset N: ..." for each liberty taken with a file real players accept: a RIFF wrapper, a last
    // track cut short (its complete events are kept).
    std::vector<std::string> warnings;
};

// Parses a whole file image. False with "offset N: ..." in *error for a malformed file. Offsets
// are those of the whole image, RIFF wrapper included.
bool ParseMidiFile(const uint8_t* data, size_t size, MidiSong* song, std::string* error);
// Reads and parses a file; a file that cannot be read gives "cannot read PATH".
bool ReadMidiFile(const std::string& utf8Path, MidiSong* song, std::string* error);

// The number of data bytes that follow a channel status byte (0x80-0xEF).
int ChannelMessageDataBytes(uint8_t status) noexcept;

}  // namespace qm::host
