// What render writes beside the main pair: each bus into a file of its own (--buses, --outputs all)
// and the instrument's own MIDI output as a Standard MIDI File (--midi-out).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "audio_file.h"
#include "qmvsti/midi_in.h"
#include "qmvsti/soft_synth.h"

namespace qm::host::cli {

// The files of an instance's buses: OUT-<bus name>.<ext> beside OUT, or (not separate) the channels
// that follow the main pair in one multichannel file.
class BusFiles {
public:
    BusFiles() = default;
    ~BusFiles();
    BusFiles(const BusFiles&) = delete;
    BusFiles& operator=(const BusFiles&) = delete;

    static int CountBuses(IQmSoftSynth* instance);
    // Formats every bus of the formatted instance and, when separate, creates its file; false with a
    // reason.
    bool Open(IQmSoftSynth* instance, const WAVEFORMATEX& format, const std::string& mainOutput, SampleFormat sample,
              uint32_t rate, bool separate, std::string* error);
    // Renders `frames` frames of every bus at `position` (writing them when separate); false with a
    // reason.
    bool Pull(LONGLONG position, LONG frames, std::string* error);
    // What the main file gets for this block: the main pair itself, or (not separate) the main pair
    // and every bus's pair frame by frame.
    const void* Frames(const void* main, LONG frames);
    // Finishes the files (false with a reason), or removes them after a failed render.
    bool Close(bool keep, std::string* error);
    size_t Count() const noexcept { return buses_.size(); }
    const std::vector<std::string>& Paths() const noexcept { return paths_; }

private:
    std::vector<IQmSoftSynth*> buses_;
    std::vector<std::unique_ptr<AudioFileWriter>> writers_;
    std::vector<std::string> paths_;
    std::vector<uint8_t> block_;  // this block of every bus, one after the other
    std::vector<uint8_t> multi_;
    size_t blockAlign_ = 0;
    bool separate_ = true;
};

// Records what arrives at the instance's MIDI input port while it is started.
class MidiOutRecorder {
public:
    MidiOutRecorder() = default;
    ~MidiOutRecorder();
    MidiOutRecorder(const MidiOutRecorder&) = delete;
    MidiOutRecorder& operator=(const MidiOutRecorder&) = delete;

    // Opens and starts the port; false with a reason when the instrument has none.
    bool Start(IQmSoftSynth* instance, std::string* error);
    // Stops and closes the port and writes what it recorded; false with a reason.
    bool Finish(const std::string& utf8Path, std::string* error);
    size_t Count() const noexcept { return events_.size(); }

private:
    struct Event {
        DWORD message;
        DWORD milliseconds;
    };
    static HRESULT QM_COMCALL Callback(IMIDIIn* port, DWORD code, ULONG_PTR cookie, DWORD w1, DWORD w2, DWORD w3,
                                       DWORD w4, DWORD w5);
    void Stop() noexcept;

    IMIDIIn* port_ = nullptr;
    void* buffers_[2] = {};
    bool opened_ = false;
    std::vector<Event> events_;
};

// A format 0 Standard MIDI File of short messages, one tick per millisecond (1000 ticks per
// quarter at 60 beats per minute).
std::vector<uint8_t> MillisecondMidiFile(const std::vector<std::pair<DWORD, DWORD>>& messages);

}  // namespace qm::host::cli
