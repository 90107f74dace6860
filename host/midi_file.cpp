#include "midi_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qm::host {

namespace {

constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kMetaEndOfTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaTimeSignature = 0x58;
constexpr uint8_t kSysEx = 0xF0;
constexpr uint8_t kSysExEscape = 0xF7;
constexpr size_t kChunkHeaderBytes = 8;

// A cursor over the file image that reports the first fault with its absolute offset.
class Reader {
public:
    explicit Reader(const uint8_t* data) noexcept : data_(data) {}

    size_t Offset() const noexcept { return pos_; }
    size_t Left(size_t end) const noexcept { return pos_ < end ? end - pos_ : 0; }
    void Seek(size_t offset) noexcept { pos_ = offset; }
    const uint8_t* At(size_t offset) const noexcept { return data_ + offset; }

    bool Fail(size_t offset, const std::string& what, std::string* error) const {
        if (error != nullptr) *error = "offset " + std::to_string(offset) + ": " + what;
        return false;
    }
    // A fault where the data runs out: in a track cut short it only marks where its events stop.
    bool PastEnd(size_t offset, const std::string& what, std::string* error) {
        pastEnd_ = true;
        return Fail(offset, what, error);
    }
    bool RanPastEnd() const noexcept { return pastEnd_; }
    uint32_t Big32(size_t offset) const noexcept {
        return (uint32_t{data_[offset]} << 24) | (uint32_t{data_[offset + 1]} << 16) |
               (uint32_t{data_[offset + 2]} << 8) | data_[offset + 3];
    }
    uint16_t Big16(size_t offset) const noexcept {
        return static_cast<uint16_t>((data_[offset] << 8) | data_[offset + 1]);
    }
    // A variable-length quantity of at most four bytes, not running past `end`.
    bool Vlq(size_t end, uint32_t* value, std::string* error) {
        const size_t start = pos_;
        uint32_t result = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos_ >= end) return PastEnd(start, "variable-length number runs past the end of the track", error);
            const uint8_t byte = data_[pos_++];
            result = (result << 7) | (byte & 0x7F);
            if ((byte & 0x80) == 0) {
                *value = result;
                return true;
            }
        }
        return Fail(start, "bad variable-length number (more than four bytes)", error);
    }

private:
    const uint8_t* data_;
    size_t pos_ = 0;
    bool pastEnd_ = false;
};

struct TrackResult {
    std::vector<MidiEvent> events;
    std::vector<TempoChange> tempos;
    std::vector<TimeSignatureChange> signatures;
    uint64_t endTick = 0;
    size_t endOffset = 0;
    bool any = false;  // an event was read
};

bool ParseMeta(Reader& in, size_t end, uint64_t tick, TrackResult* track, bool* ended, std::string* error) {
    const size_t start = in.Offset() - 1;
    if (in.Left(end) < 1) return in.PastEnd(start, "meta event without a type", error);
    const uint8_t type = *in.At(in.Offset());
    in.Seek(in.Offset() + 1);
    uint32_t length = 0;
    if (!in.Vlq(end, &length, error)) return false;
    if (in.Left(end) < length) return in.PastEnd(start, "meta event runs past the end of the track", error);
    const size_t body = in.Offset();
    if (type == kMetaTempo) {
        if (length != 3) return in.Fail(start, "tempo event of " + std::to_string(length) + " bytes (3 expected)", error);
        const uint32_t tempo = (uint32_t{*in.At(body)} << 16) | (uint32_t{*in.At(body + 1)} << 8) | *in.At(body + 2);
        if (tempo == 0) return in.Fail(start, "tempo of 0 microseconds per quarter note", error);
        track->tempos.push_back({tick, tempo});
    } else if (type == kMetaTimeSignature) {
        if (length < 2) return in.Fail(start, "time signature event of " + std::to_string(length) + " bytes", error);
        const int power = *in.At(body + 1);
        if (*in.At(body) == 0 || power > 7)
            return in.Fail(start, "bad time signature " + std::to_string(*in.At(body)) + "/2^" + std::to_string(power), error);
        track->signatures.push_back({tick, *in.At(body), 1 << power});
    } else if (type == kMetaEndOfTrack) {
        *ended = true;
    }
    in.Seek(body + length);
    return true;
}

bool ParseTrack(Reader& in, size_t end, int index, TrackResult* track, std::string* error) {
    uint64_t tick = 0;
    uint8_t running = 0;
    bool ended = false;
    while (!ended && in.Offset() < end) {
        uint32_t delta = 0;
        if (!in.Vlq(end, &delta, error)) return false;
        tick += delta;
        if (in.Offset() >= end) return in.PastEnd(in.Offset(), "event missing after its delta time", error);
        const size_t start = in.Offset();
        uint8_t status = *in.At(start);
        if (status >= 0x80) {
            in.Seek(start + 1);
        } else if (running == 0) {
            char what[64];
            std::snprintf(what, sizeof what, "data byte 0x%02X without running status", status);
            return in.Fail(start, what, error);
        } else {
            status = running;
        }
        if (status == kMetaEvent) {
            running = 0;  // meta and system exclusive events cancel running status
            if (!ParseMeta(in, end, tick, track, &ended, error)) return false;
        } else if (status == kSysEx || status == kSysExEscape) {
            running = 0;
            uint32_t length = 0;
            if (!in.Vlq(end, &length, error)) return false;
            if (in.Left(end) < length) return in.PastEnd(start, "system exclusive event runs past the end of the track", error);
            in.Seek(in.Offset() + length);
        } else if (status >= 0xF0) {
            char what[64];
            std::snprintf(what, sizeof what, "system message 0x%02X is not allowed in a file", status);
            return in.Fail(start, what, error);
        } else {
            running = status;
            const int count = ChannelMessageDataBytes(status);
            if (in.Left(end) < static_cast<size_t>(count)) return in.PastEnd(start, "channel message runs past the end of the track", error);
            uint32_t message = status;
            for (int i = 0; i < count; ++i) {
                const uint8_t data = *in.At(in.Offset());
                if (data >= 0x80) {
                    char what[64];
                    std::snprintf(what, sizeof what, "status byte 0x%02X where a data byte belongs", data);
                    return in.Fail(in.Offset(), what, error);
                }
                message |= uint32_t{data} << (8 * (i + 1));
                in.Seek(in.Offset() + 1);
            }
            track->events.push_back({tick, message, index});
        }
        // Only complete events count: the end of a track cut short is its last whole event.
        if (!track->any || tick > track->endTick) {
            track->endTick = tick;
            track->endOffset = start;
            track->any = true;
        }
    }
    in.Seek(end);  // bytes after an end-of-track event are ignored
    return true;
}

bool IsFourCc(const uint8_t* data, const char* code) noexcept { return std::memcmp(data, code, 4) == 0; }

uint32_t Little32(const uint8_t* p) noexcept {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// A RIFF MIDI file ("RIFF" size "RMID", then chunks) carries the Standard MIDI File in its "data"
// chunk. Sets [*start, *end) to that chunk's body as far as the file holds it; a body cut short is
// then reported by the track reader as any cut-short file is.
bool FindRmidData(const Reader& in, const uint8_t* data, size_t size, size_t* start, size_t* end, std::string* error) {
    constexpr size_t kFormOffset = 12;  // after "RIFF", the size and "RMID"
    size_t pos = kFormOffset;
    while (size - pos >= kChunkHeaderBytes) {
        const uint32_t length = Little32(data + pos + 4);
        const size_t body = pos + kChunkHeaderBytes, present = size - body;
        if (IsFourCc(data + pos, "data")) {
            *start = body;
            *end = body + std::min<size_t>(length, present);
            return true;
        }
        if (present < length || present - length < (length & 1u)) break;
        pos = body + length + (length & 1u);  // chunks are padded to an even length
    }
    return in.Fail(kFormOffset, "RIFF MIDI file without a data chunk", error);
}

template <typename T>
void SortByTick(std::vector<T>* items) {
    std::stable_sort(items->begin(), items->end(), [](const T& a, const T& b) { return a.tick < b.tick; });
}

}  // namespace

int ChannelMessageDataBytes(uint8_t status) noexcept {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool ParseMidiFile(const uint8_t* data, size_t size, MidiSong* song, std::string* error) {
    *song = MidiSong();
    Reader in(data);
    // The Standard MIDI File lies in [base, limit): the whole image, or the data chunk of an RMID.
    size_t base = 0, limit = size;
    if (size >= 12 && IsFourCc(data, "RIFF") && IsFourCc(data + 8, "RMID")) {
        if (!FindRmidData(in, data, size, &base, &limit, error)) return false;
        song->warnings.push_back("offset 0: RIFF MIDI (RMID) file; reading the Standard MIDI File in its data chunk at offset " +
                                 std::to_string(base));
    }
    if (limit - base < kChunkHeaderBytes || !IsFourCc(data + base, "MThd"))
        return in.Fail(base, "not a Standard MIDI File (no MThd header)", error);
    const uint32_t headerLength = in.Big32(base + 4);
    if (headerLength < 6) return in.Fail(base + 4, "header chunk of " + std::to_string(headerLength) + " bytes (6 expected)", error);
    if (limit - base - kChunkHeaderBytes < headerLength) return in.Fail(base + 4, "truncated header chunk", error);
    const int format = in.Big16(base + 8), declared = in.Big16(base + 10), division = in.Big16(base + 12);
    if (format > 1) return in.Fail(base + 8, "format " + std::to_string(format) + " is not supported (only 0 and 1)", error);
    if (declared == 0) return in.Fail(base + 10, "the file declares no tracks", error);
    if (format == 0 && declared != 1) return in.Fail(base + 10, "format 0 with " + std::to_string(declared) + " tracks", error);
    if (division & 0x8000) return in.Fail(base + 12, "SMPTE time division is not supported (ticks per quarter note only)", error);
    if (division == 0) return in.Fail(base + 12, "time division of 0 ticks per quarter note", error);
    song->format = format;
    song->ticksPerQuarter = division;

    size_t pos = base + kChunkHeaderBytes + headerLength;
    int tracks = 0;
    while (tracks < declared) {
        if (pos >= limit) return in.Fail(pos, "file ends after " + std::to_string(tracks) + " of " + std::to_string(declared) + " tracks", error);
        if (limit - pos < kChunkHeaderBytes) return in.Fail(pos, "truncated chunk header", error);
        const uint32_t length = in.Big32(pos + 4);
        const bool isTrack = IsFourCc(data + pos, "MTrk");
        const size_t body = pos + kChunkHeaderBytes, present = limit - body;
        const bool cut = present < length;
        if (cut) {
            const std::string sizes = std::to_string(length) + " bytes declared, " + std::to_string(present) + " present";
            // A download cut short: players play what arrived of the last track, and so do we.
            if (!isTrack || tracks + 1 < declared) return in.Fail(pos, "truncated chunk: " + sizes, error);
            song->warnings.push_back("offset " + std::to_string(pos) + ": the last track is cut short (" + sizes +
                                     "); playing the events that are there");
        }
        const size_t end = cut ? limit : body + length;
        pos = end;
        if (!isTrack) continue;  // unknown chunk types are skipped, as the file format asks
        TrackResult track;
        in.Seek(body);
        if (!ParseTrack(in, end, tracks, &track, error)) {
            if (!cut || !in.RanPastEnd()) return false;
            if (error != nullptr) error->clear();
        }
        song->events.insert(song->events.end(), track.events.begin(), track.events.end());
        song->tempos.insert(song->tempos.end(), track.tempos.begin(), track.tempos.end());
        song->signatures.insert(song->signatures.end(), track.signatures.begin(), track.signatures.end());
        if (tracks == 0 || track.endTick > song->endTick) {
            song->endTick = track.endTick;
            song->endTrack = tracks;
            song->endOffset = track.any ? track.endOffset : body - kChunkHeaderBytes;  // an empty track: its chunk
        }
        ++tracks;
    }
    song->trackCount = tracks;
    // Concatenated in track order, so a stable sort keeps equal ticks in track order, then file order.
    SortByTick(&song->events);
    SortByTick(&song->tempos);
    SortByTick(&song->signatures);
    return true;
}

bool ReadMidiFile(const std::string& utf8Path, MidiSong* song, std::string* error) {
    std::ifstream file(std::filesystem::u8path(utf8Path), std::ios::binary);
    if (!file.is_open()) {
        if (error != nullptr) *error = "cannot read " + utf8Path;
        return false;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        if (error != nullptr) *error = "cannot read " + utf8Path;
        return false;
    }
    return ParseMidiFile(bytes.data(), bytes.size(), song, error);
}

}  // namespace qm::host
