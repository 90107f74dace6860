// The reference synth's voices: deterministic sines under a linear attack/release envelope, summed
// per bus in double precision. Block boundaries do not change a single bit of the result.
#pragma once
#include <cstdint>

namespace qmtest {

class VoiceEngine {
public:
    static constexpr int kMaxBuses = 4;

    void setSampleRate(double rate) { sampleRate_ = rate > 0.0 ? rate : sampleRate_; }
    // Starts a voice for note (plus pitch semitones) on a bus; steals the oldest voice when all sound.
    void noteOn(int channel, int note, int velocity, int pitch, int bus);
    // Releases every voice playing this channel and note.
    void noteOff(int channel, int note);
    void releaseAll();
    void silenceAll();
    int activeVoices() const;
    // Adds frames [begin, end) of every voice into buses[voice bus][frame]; the buses hold
    // kMaxBuses arrays of at least `end` doubles.
    void render(double* const* buses, int32_t begin, int32_t end);

private:
    struct Voice {
        bool active = false;
        bool releasing = false;
        int channel = 0;
        int note = 0;
        int bus = 0;
        double amplitude = 0.0;
        double phase = 0.0;
        double increment = 0.0;
        double level = 0.0;
        double releaseFrom = 0.0;
        int64_t age = 0;
        int64_t releaseAge = 0;
        uint64_t order = 0;
    };
    static constexpr int kVoices = 16;

    double next(Voice& voice);

    Voice voices_[kVoices];
    double sampleRate_ = 44100.0;
    uint64_t nextOrder_ = 0;
};

}  // namespace qmtest
