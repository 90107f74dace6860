// Builds Standard MIDI File images for the host's reader and render tests.
#pragma once
#include <cstdint>
#include <initializer_list>
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

}  // namespace qm::test
