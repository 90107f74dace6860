// Builds Standard MIDI File images for the host's reader and render tests and the fuzz corpus.
#pragma once
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace qm::test {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline Bytes Big(uint32_t value, int bytes) {
    Bytes out;
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return out;
}

inline Bytes Vlq(uint32_t value) {
    Bytes out{static_cast<uint8_t>(value & 0x7F)};
    while (value >>= 7) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    return out;
}

inline Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
    return Cat({{'M', 'T', 'h', 'd'}, Big(6, 4), Big(format, 2), Big(tracks, 2), Big(division, 2)});
}

// A track chunk around raw event bytes (delta times included); no end of track is added.
inline Bytes Chunk(const Bytes& body, const char* type = "MTrk") {
    return Cat({Bytes(type, type + 4), Big(static_cast<uint32_t>(body.size()), 4), body});
}

inline Bytes EndOfTrack(uint32_t delta = 0) { return Cat({Vlq(delta), {0xFF, 0x2F, 0x00}}); }

inline Bytes Tempo(uint32_t delta, uint32_t microsecondsPerQuarter) {
    return Cat({Vlq(delta), {0xFF, 0x51, 0x03}, Big(microsecondsPerQuarter, 3)});
}

// One channel message (status given) after `delta` ticks.
inline Bytes Event(uint32_t delta, std::initializer_list<uint8_t> bytes) { return Cat({Vlq(delta), Bytes(bytes)}); }

inline Bytes Little32(uint32_t value) { return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)}; }

// The file wrapped as RIFF MIDI: an odd-sized "INFO" chunk (padded) ahead of the "data" chunk.
inline Bytes Rmid(const Bytes& smf) {
    const Bytes chunks = Cat({{'I', 'N', 'F', 'O'}, Little32(1), {'x', 0}, {'d', 'a', 't', 'a'},
                              Little32(static_cast<uint32_t>(smf.size())), smf});
    return Cat({{'R', 'I', 'F', 'F'}, Little32(static_cast<uint32_t>(chunks.size() + 4)), {'R', 'M', 'I', 'D'}, chunks});
}

// Two seconds at 120 bpm (480 ticks per quarter): a C major chord, then a melody note, both ended
// before the end of track at tick 1920 (the last 5 bytes); without it the song ends at tick 1680.
inline Bytes SmallSong(bool endOfTrack = true) {
    return Cat({Header(1, 2, 480), Chunk(Cat({Tempo(0, 500000), EndOfTrack()})),
                Chunk(Cat({Event(0, {0x90, 60, 100}), Event(0, {64, 100}), Event(0, {67, 100}),
                           Event(960, {0x80, 60, 0}), Event(0, {64, 0}), Event(0, {67, 0}),
                           Event(0, {0x90, 72, 110}), Event(720, {0x80, 72, 0}), endOfTrack ? EndOfTrack(240) : Bytes{}}))});
}

// 32 bytes whose note ends 0x0FFFFFFF ticks (about 77 hours) after it starts, at offset 30.
inline Bytes StrayNoteSong() {
    return Cat({Header(0, 1, 480), Chunk(Cat({Event(0, {0x90, 60, 100}), Event(0x0FFFFFFF, {60, 0})}))});
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qm::test
