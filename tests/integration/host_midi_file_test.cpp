// The host's MIDI file reader: merge order, running status, meta events, divisions, the event that
// ends the song, RMID and cut-short files against their clean twins, and a message naming the byte
// offset for every kind of malformed file.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host_smf_builder.h"
#include "midi_file.h"

namespace {

using qm::host::MidiSong;
using qm::host::ParseMidiFile;
using namespace qm::test;

MidiSong Parse(const Bytes& file) {
    MidiSong song;
    std::string error;
    EXPECT_TRUE(ParseMidiFile(file.data(), file.size(), &song, &error)) << error;
    return song;
}

// The song as text: its layout, "tick:message@track" per event, its end, tempos and time signatures.
std::string Timeline(const MidiSong& song) {
    std::ostringstream out;
    out << "format " << song.format << " tracks " << song.trackCount << " division " << song.ticksPerQuarter << ": ";
    for (const auto& e : song.events) out << e.tick << ':' << std::hex << std::uppercase << e.message << std::dec << '@' << e.track << ' ';
    out << "end " << song.endTick << " tempo";
    for (const auto& t : song.tempos) out << ' ' << t.tick << ':' << t.microsecondsPerQuarter;
    out << " signature";
    for (const auto& sig : song.signatures) out << ' ' << sig.tick << ':' << sig.numerator << '/' << sig.denominator;
    return out.str();
}

std::string ErrorOf(const Bytes& file) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(ParseMidiFile(file.data(), file.size(), &song, &error));
    return error;
}

TEST(HostMidiFile, FormatZeroRunningStatusTempoAndSignature) {
    const Bytes file = Cat({Header(0, 1, 0x7FFF),  // the largest division in ticks per quarter
                            Chunk(Cat({Tempo(0, 400000),
                                       {0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08},  // 3/8
                                       Event(0, {0x91, 60, 100}),
                                       Event(48, {62, 90}),          // running status: note on
                                       Event(0, {0xF0, 0x03, 0x7E, 0x01, 0xF7}),  // sysex, skipped
                                       Event(12, {0xC1, 5}),          // one data byte
                                       Event(12, {0x81, 60, 0}),
                                       Event(0, {62, 0}),             // running status: note off
                                       EndOfTrack(24)}))});
    EXPECT_EQ(Timeline(Parse(file)), "format 0 tracks 1 division 32767: 0:643C91@0 48:5A3E91@0 60:5C1@0 72:3C81@0 72:3E81@0 "
                                     "end 96 tempo 0:400000 signature 0:3/8");
}

// An unknown chunk between the tracks is skipped.
TEST(HostMidiFile, FormatOneMergesTracksByTickKeepingTrackThenFileOrder) {
    const Bytes file = Cat({Header(1, 3, 480),
                            Chunk(Cat({Tempo(0, 500000), Tempo(960, 250000), EndOfTrack()})), Chunk({1, 2, 3, 4}, "XFIH"),
                            Chunk(Cat({Event(0, {0x90, 60, 1}), Event(480, {0x90, 61, 2}), Event(0, {0x90, 62, 3}),
                                       EndOfTrack()})),
                            Chunk(Cat({Event(240, {0x91, 70, 4}), Event(240, {0x91, 71, 5}), EndOfTrack(2000)}))});
    const MidiSong song = Parse(file);
    EXPECT_EQ(Timeline(song), "format 1 tracks 3 division 480: 0:13C90@1 240:44691@2 480:23D90@1 480:33E90@1 480:54791@2 "
                              "end 2480 tempo 0:500000 960:250000 signature");
    EXPECT_EQ(song.endTrack, 2);

    // The song's end is named by its first event at the last tick, not by the end of track after it.
    const MidiSong stray = Parse(Cat({Header(0, 1, 480), Chunk(Cat({Event(0, {0x90, 60, 1}), Event(0x0FFFFFFF, {60, 0}), EndOfTrack()}))}));
    EXPECT_EQ(stray.endTick, 0x0FFFFFFFu);
    EXPECT_EQ(stray.endOffset, 30u);
}

// A song wrapped as RIFF MIDI and one whose last track is cut short read as their clean twins, with one
// warning naming the offset.
TEST(HostMidiFile, RmidAndCutShortSongsReadAsTheirCleanTwins) {
    const Bytes song = SmallSong();
    const struct { Bytes file, twin; const char* warning; } cases[] = {
        {Rmid(song), song, "offset 0: RIFF MIDI (RMID) file; reading the Standard MIDI File in its data chunk at offset 30"},
        {Bytes(song.begin(), song.end() - 3), SmallSong(false),  // cut inside the end of track
         "offset 33: the last track is cut short (35 bytes declared, 32 present); playing the events that are there"},
    };
    for (const auto& c : cases) {
        const MidiSong read = Parse(c.file);
        EXPECT_EQ(Timeline(read), Timeline(Parse(c.twin))) << c.warning;
        EXPECT_EQ(read.warnings, std::vector<std::string>{c.warning});
    }
}

TEST(HostMidiFile, MalformedAndUnreadableFilesSaySo) {
    const Bytes head = Header(0, 1, 480);  // 14 bytes; the first chunk starts at 14, its body at 22
    const struct { const char* what; Bytes file; const char* message; } cases[] = {
        {"empty", {}, "offset 0: not a Standard MIDI File"},
        {"short header", Cat({{'M', 'T', 'h', 'd'}, Big(4, 4), Big(0, 4)}), "offset 4: header chunk of 4 bytes"},
        {"header cut", Cat({{'M', 'T', 'h', 'd'}, Big(6, 4), Big(0, 2)}), "offset 4: truncated header chunk"},
        {"format 2", Header(2, 1, 480), "offset 8: format 2 is not supported"},
        {"no tracks", Header(1, 0, 480), "offset 10: the file declares no tracks"},
        {"format 0, two tracks", Header(0, 2, 480), "offset 10: format 0 with 2 tracks"},
        {"SMPTE", Header(0, 1, 0xE728), "offset 12: SMPTE time division is not supported"},
        {"zero division", Header(0, 1, 0), "offset 12: time division of 0"},
        {"missing track", head, "offset 14: file ends after 0 of 1 tracks"},
        {"chunk header cut", Cat({head, {'M', 'T', 'r', 'k', 0}}), "offset 14: truncated chunk header"},
        {"track cut before the last", Cat({Header(1, 2, 480), {'M', 'T', 'r', 'k'}, Big(100, 4), EndOfTrack()}),
         "offset 14: truncated chunk: 100 bytes declared, 4 present"},
        {"cut track, bad byte", Cat({head, {'M', 'T', 'r', 'k'}, Big(100, 4), {0x00, 0x40}}), "offset 23: data byte 0x40"},
        {"RIFF without data", Cat({{'R', 'I', 'F', 'F'}, Big(4, 4), {'R', 'M', 'I', 'D'}}), "offset 12: RIFF MIDI file without a data"},
        {"RMID holding no MIDI", Rmid({1, 2, 3, 4, 5, 6, 7, 8}), "offset 30: not a Standard MIDI File"},
        {"bad delta", Cat({head, Chunk({0x81, 0x82, 0x83, 0x84, 0x00, 0x90, 60, 1})}),
         "offset 22: bad variable-length number"},
        {"delta past end", Cat({head, Chunk({0x00, 0x90, 60, 1, 0x81})}),
         "offset 26: variable-length number runs past the end of the track"},
        {"no running status", Cat({head, Chunk({0x00, 0x40, 0x40})}), "offset 23: data byte 0x40 without running status"},
        {"meta cancels running status", Cat({head, Chunk(Cat({Event(0, {0x90, 60, 1}), Tempo(0, 500000), Event(0, {61, 1})}))}),
         "offset 34: data byte 0x3D without running status"},
        {"message cut", Cat({head, Chunk({0x00, 0x90, 60})}), "offset 23: channel message runs past the end of the track"},
        {"status in data", Cat({head, Chunk({0x00, 0x90, 60, 0x80})}), "offset 25: status byte 0x80 where a data byte belongs"},
        {"tempo length", Cat({head, Chunk({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})}), "offset 23: tempo event of 2 bytes"},
        {"tempo zero", Cat({head, Chunk(Tempo(0, 0))}), "offset 23: tempo of 0 microseconds per quarter note"},
        {"meta cut", Cat({head, Chunk({0x00, 0xFF, 0x01, 0x09, 'a'})}), "offset 23: meta event runs past the end"},
        {"sysex cut", Cat({head, Chunk({0x00, 0xF0, 0x05, 0x7E})}), "offset 23: system exclusive event runs past"},
        {"realtime byte", Cat({head, Chunk({0x00, 0xF8})}), "offset 23: system message 0xF8 is not allowed"},
        {"no event after delta", Cat({head, Chunk({0x00})}), "offset 23: event missing after its delta time"},
    };
    for (const auto& c : cases) EXPECT_NE(ErrorOf(c.file).find(c.message), std::string::npos) << c.what << ": " << ErrorOf(c.file);
    MidiSong song;
    std::string error;
    EXPECT_FALSE(qm::host::ReadMidiFile("/nonexistent/qmvsti/song.mid", &song, &error));
    EXPECT_EQ(error, "cannot read /nonexistent/qmvsti/song.mid");
}

}  // namespace
