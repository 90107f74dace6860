// The host's MIDI file reader: merge order, running status, meta events, divisions, and a message
// naming the byte offset for every kind of malformed file.
#include <gtest/gtest.h>

#include <string>

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

std::string ErrorOf(const Bytes& file) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(ParseMidiFile(file.data(), file.size(), &song, &error));
    return error;
}

TEST(HostMidiFile, FormatZeroRunningStatusTempoAndSignature) {
    const Bytes file = Cat({Header(0, 1, 96),
                            Chunk(Cat({Tempo(0, 400000),
                                       {0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08},  // 3/8
                                       Event(0, {0x91, 60, 100}),
                                       Event(48, {62, 90}),          // running status: note on
                                       Event(0, {0xF0, 0x03, 0x7E, 0x01, 0xF7}),  // sysex, skipped
                                       Event(12, {0xC1, 5}),          // one data byte
                                       Event(12, {0x81, 60, 0}),
                                       Event(0, {62, 0}),             // running status: note off
                                       EndOfTrack(24)}))});
    const MidiSong song = Parse(file);
    EXPECT_EQ(song.format, 0);
    EXPECT_EQ(song.trackCount, 1);
    EXPECT_EQ(song.ticksPerQuarter, 96);
    EXPECT_EQ(song.endTick, 96u);
    ASSERT_EQ(song.events.size(), 5u);
    const struct {
        uint64_t tick;
        uint32_t message;
    } expected[] = {{0, 0x643C91}, {48, 0x5A3E91}, {60, 0x05C1}, {72, 0x003C81}, {72, 0x003E81}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(song.events[i].tick, expected[i].tick) << i;
        EXPECT_EQ(song.events[i].message, expected[i].message) << i;
    }
    ASSERT_EQ(song.tempos.size(), 1u);
    EXPECT_EQ(song.tempos[0].microsecondsPerQuarter, 400000u);
    ASSERT_EQ(song.signatures.size(), 1u);
    EXPECT_EQ(song.signatures[0].numerator, 3);
    EXPECT_EQ(song.signatures[0].denominator, 8);
}

TEST(HostMidiFile, FormatOneMergesTracksByTickKeepingTrackThenFileOrder) {
    const Bytes file = Cat({Header(1, 3, 480),
                            Chunk(Cat({Tempo(0, 500000), Tempo(960, 250000), EndOfTrack()})),
                            Chunk(Cat({Event(0, {0x90, 60, 1}), Event(480, {0x90, 61, 2}), Event(0, {0x90, 62, 3}),
                                       EndOfTrack()})),
                            Chunk(Cat({Event(240, {0x91, 70, 4}), Event(240, {0x91, 71, 5}), EndOfTrack(2000)}))});
    const MidiSong song = Parse(file);
    EXPECT_EQ(song.format, 1);
    EXPECT_EQ(song.trackCount, 3);
    std::vector<uint32_t> keys;
    std::vector<int> tracks;
    for (const auto& e : song.events) {
        keys.push_back((e.message >> 8) & 0x7F);
        tracks.push_back(e.track);
    }
    EXPECT_EQ(keys, (std::vector<uint32_t>{60, 70, 61, 62, 71}));
    EXPECT_EQ(tracks, (std::vector<int>{1, 2, 1, 1, 2}));
    EXPECT_EQ(song.endTick, 2480u);
    ASSERT_EQ(song.tempos.size(), 2u);
    EXPECT_EQ(song.tempos[1].tick, 960u);
}

TEST(HostMidiFile, UnknownChunksAreSkippedAndDivisionsKept) {
    for (const uint16_t division : {1, 24, 96, 480, 960, 0x7FFF}) {
        const Bytes file = Cat({Header(1, 1, division), Chunk({1, 2, 3, 4}, "XFIH"),
                                Chunk(Cat({Event(division, {0x90, 64, 90}), EndOfTrack()}))});
        const MidiSong song = Parse(file);
        EXPECT_EQ(song.ticksPerQuarter, division);
        ASSERT_EQ(song.events.size(), 1u);
        EXPECT_EQ(song.events[0].tick, division);
    }
}

TEST(HostMidiFile, MalformedFilesNameTheOffset) {
    const Bytes head = Header(0, 1, 480);  // 14 bytes; the first chunk starts at 14, its body at 22
    const struct {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"empty", {}, "offset 0: not a Standard MIDI File"},
        {"not MIDI", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "offset 0: not a Standard MIDI File"},
        {"short header", Cat({{'M', 'T', 'h', 'd'}, Big(4, 4), Big(0, 4)}), "offset 4: header chunk of 4 bytes"},
        {"header cut", Cat({{'M', 'T', 'h', 'd'}, Big(6, 4), Big(0, 2)}), "offset 4: truncated header chunk"},
        {"format 2", Header(2, 1, 480), "offset 8: format 2 is not supported"},
        {"no tracks", Header(1, 0, 480), "offset 10: the file declares no tracks"},
        {"format 0, two tracks", Header(0, 2, 480), "offset 10: format 0 with 2 tracks"},
        {"SMPTE", Header(0, 1, 0xE728), "offset 12: SMPTE time division is not supported"},
        {"zero division", Header(0, 1, 0), "offset 12: time division of 0"},
        {"missing track", head, "offset 14: file ends after 0 of 1 tracks"},
        {"chunk header cut", Cat({head, {'M', 'T', 'r', 'k', 0}}), "offset 14: truncated chunk header"},
        {"chunk body cut", Cat({head, {'M', 'T', 'r', 'k'}, Big(100, 4), EndOfTrack()}),
         "offset 14: truncated chunk: 100 bytes declared, 4 present"},
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
        {"meta cut", Cat({head, Chunk({0x00, 0xFF, 0x01, 0x09, 'a'})}), "offset 23: meta event runs past the end"},
        {"sysex cut", Cat({head, Chunk({0x00, 0xF0, 0x05, 0x7E})}), "offset 23: system exclusive event runs past"},
        {"realtime byte", Cat({head, Chunk({0x00, 0xF8})}), "offset 23: system message 0xF8 is not allowed"},
        {"no event after delta", Cat({head, Chunk({0x00})}), "offset 23: event missing after its delta time"},
    };
    for (const auto& c : cases) EXPECT_NE(ErrorOf(c.file).find(c.message), std::string::npos) << c.what << ": " << ErrorOf(c.file);
}

TEST(HostMidiFile, UnreadableFileSaysSo) {
    MidiSong song;
    std::string error;
    EXPECT_FALSE(qm::host::ReadMidiFile("/nonexistent/qmvsti/song.mid", &song, &error));
    EXPECT_EQ(error, "cannot read /nonexistent/qmvsti/song.mid");
}

}  // namespace
