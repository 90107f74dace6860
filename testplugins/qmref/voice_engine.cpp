#include "qmref/voice_engine.h"

#include <cmath>
#include "protocol.h"

namespace qmtest {

static_assert(kRefVoices == 16, "the engine's voice count is the published one");

namespace {
constexpr double kTwoPi = 6.283185307179586476925286766559;
}

void VoiceEngine::noteOn(int channel, int note, int velocity, int pitch, int bus) {
    Voice* target = nullptr;
    for (Voice& voice : voices_) {
        if (!voice.active) {
            target = &voice;
            break;
        }
    }
    if (!target) {
        target = &voices_[0];
        for (Voice& voice : voices_) {
            if (voice.order < target->order) target = &voice;
        }
    }
    Voice& voice = *target;
    voice = Voice{};
    voice.active = true;
    voice.channel = channel;
    voice.note = note;
    voice.bus = bus < 0 || bus >= kMaxBuses ? 0 : bus;
    voice.amplitude = velocity / 127.0 * kRefVoiceLevel;
    const double frequency = 440.0 * std::pow(2.0, (note + pitch - 69) / 12.0);
    voice.increment = kTwoPi * frequency / sampleRate_;
    voice.order = nextOrder_++;
}

void VoiceEngine::noteOff(int channel, int note) {
    for (Voice& voice : voices_) {
        if (voice.active && !voice.releasing && voice.channel == channel && voice.note == note) {
            voice.releasing = true;
            voice.releaseFrom = voice.level;
        }
    }
}

void VoiceEngine::releaseAll() {
    for (Voice& voice : voices_) {
        if (voice.active && !voice.releasing) {
            voice.releasing = true;
            voice.releaseFrom = voice.level;
        }
    }
}

void VoiceEngine::silenceAll() {
    for (Voice& voice : voices_) voice = Voice{};
}

int VoiceEngine::activeVoices() const {
    int count = 0;
    for (const Voice& voice : voices_) count += voice.active ? 1 : 0;
    return count;
}

double VoiceEngine::next(Voice& voice) {
    if (!voice.releasing) {
        const int64_t reached = voice.age + 1;
        voice.level = reached >= kRefAttackFrames ? 1.0 : static_cast<double>(reached) / kRefAttackFrames;
    } else {
        const int64_t released = ++voice.releaseAge;
        voice.level = released >= kRefReleaseFrames
                          ? 0.0
                          : voice.releaseFrom * (1.0 - static_cast<double>(released) / kRefReleaseFrames);
    }
    const double sample = voice.amplitude * voice.level * std::sin(voice.phase);
    voice.phase += voice.increment;
    if (voice.phase >= kTwoPi) voice.phase -= kTwoPi;
    ++voice.age;
    if (voice.releasing && voice.releaseAge >= kRefReleaseFrames) voice.active = false;
    return sample;
}

void VoiceEngine::render(double* const* buses, int32_t begin, int32_t end) {
    // Voice by voice over the whole span: every frame still sums the voices in slot order, so the
    // result does not depend on where a block or an event splits the span.
    for (Voice& voice : voices_) {
        double* bus = buses[voice.bus];
        for (int32_t frame = begin; frame < end && voice.active; ++frame) bus[frame] += next(voice);
    }
}

}  // namespace qmtest
