// Rendering of the reference synth: sample-accurate MIDI, per-bus mixing, the MIDI echo and the time
// probe of its variants.
#include <algorithm>
#include <cstring>
#include "qmref/ref_synth.h"

namespace qmtest {

void RefSynth::receive(const VstEvents* events) {
    std::lock_guard<std::mutex> hold(lock_);
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event) continue;
        Received copy{};
        if (event->type == kVstMidiType) {
            std::memcpy(&copy.midi, event, sizeof copy.midi);
        } else if (event->type == kVstSysExType && variant_ == RefVariant::Echo) {
            std::memcpy(&copy.sysex, event, sizeof copy.sysex);
            if (copy.sysex.sysexDump && copy.sysex.dumpBytes > 0) {
                copy.dump.assign(copy.sysex.sysexDump, static_cast<size_t>(copy.sysex.dumpBytes));
            }
            copy.isSysex = true;
        } else {
            continue;
        }
        received_.push_back(std::move(copy));
    }
}

int RefSynth::busOfChannel(int channel) const {
    if (variant_ != RefVariant::Multi) return 0;
    return channel >= 1 && channel <= 3 ? channel : 0;
}

void RefSynth::handleMidi(const VstMidiEvent& event) {
    const int status = static_cast<uint8_t>(event.midiData[0]) & 0xF0;
    const int channel = static_cast<uint8_t>(event.midiData[0]) & 0x0F;
    const int data1 = static_cast<uint8_t>(event.midiData[1]) & 0x7F;
    const int data2 = static_cast<uint8_t>(event.midiData[2]) & 0x7F;
    if (status == 0x90 && data2 > 0) {
        engine_.noteOn(channel, data1, data2, PitchSemitones(values()[kRefParamPitch]), busOfChannel(channel));
    } else if (status == 0x80 || status == 0x90) {
        engine_.noteOff(channel, data1);
    } else if (status == 0xB0 && data1 == 120) {
        engine_.silenceAll();
    } else if (status == 0xB0 && data1 == 123) {
        engine_.releaseAll();
    } else if (status == 0xB0 && data1 == kRefAutomateController) {
        const float pan = static_cast<float>(data2) / 127.0f;
        programs_[program_].values[kRefParamPan] = pan;
        automated_.push_back(pan);
    } else if (status == 0xC0 && data1 < kRefPrograms) {
        program_ = data1;
    }
}

void RefSynth::mix(float** outputs, int32_t begin, int32_t end, bool accumulate) {
    const float* v = values();
    const double gain = IsMuted(v[kRefParamMute]) ? 0.0 : static_cast<double>(v[kRefParamGain]);
    const double left = gain * PanLeft(v[kRefParamPan]);
    const double right = gain * PanRight(v[kRefParamPan]);
    auto put = [&](int32_t channel, const std::vector<double>& bus, double scale) {
        float* out = outputs[channel];
        if (!out) return;
        for (int32_t frame = begin; frame < end; ++frame) {
            const float sample = static_cast<float>(bus[static_cast<size_t>(frame)] * scale);
            out[frame] = accumulate ? out[frame] + sample : sample;
        }
    };
    if (variant_ == RefVariant::Mono) {
        put(0, buses_[0], gain);
        return;
    }
    put(0, buses_[0], left);
    put(1, buses_[0], right);
    if (variant_ == RefVariant::Multi) {
        put(2, buses_[1], gain);
        put(3, buses_[2], gain);
        put(4, buses_[3], left);
        put(5, buses_[3], right);
    }
}

void RefSynth::render(float** inputs, float** outputs, int32_t frames, bool accumulate) {
    if (!outputs) return;
    if (variant_ == RefVariant::TimeProbe) probeTime(frames);
    std::vector<Received> sent;
    std::vector<float> moves;
    {
        std::lock_guard<std::mutex> hold(lock_);
        double* buses[VoiceEngine::kMaxBuses];
        for (int i = 0; i < VoiceEngine::kMaxBuses; ++i) {
            buses_[i].assign(static_cast<size_t>(frames), 0.0);
            buses[i] = buses_[i].data();
        }
        // Hosts should sort events by frame, but not all do; a stable sort keeps same-frame order.
        std::stable_sort(received_.begin(), received_.end(), [](const Received& a, const Received& b) {
            return (a.isSysex ? a.sysex.deltaFrames : a.midi.deltaFrames) <
                   (b.isSysex ? b.sysex.deltaFrames : b.midi.deltaFrames);
        });
        int32_t position = 0;
        for (const Received& event : received_) {
            if (event.isSysex) continue;
            const int32_t frame = std::min(std::max(event.midi.deltaFrames, 0), frames - 1);
            if (frame > position) {
                engine_.render(buses, position, frame);
                mix(outputs, position, frame, accumulate);
                position = frame;
            }
            handleMidi(event.midi);
        }
        engine_.render(buses, position, frames);
        mix(outputs, position, frames, accumulate);
        sent.swap(received_);
        moves.swap(automated_);
    }
    // Outside the lock: the host may ask for the value while it passes the news on.
    if (!moves.empty()) reportAutomation(moves);
    if (variant_ == RefVariant::MidiOut) transpose(sent, frames);
    if ((variant_ == RefVariant::Echo || variant_ == RefVariant::MidiOut) && !sent.empty()) echo(sent);
}

void RefSynth::transpose(std::vector<Received>& sent, int32_t frames) {
    std::vector<Received> kept;
    for (Received& event : sent) {
        if (event.isSysex) continue;
        const int status = static_cast<uint8_t>(event.midi.midiData[0]) & 0xF0;
        if (status == 0x80 || status == 0x90) {
            const int note = (static_cast<uint8_t>(event.midi.midiData[1]) & 0x7F) + kMidiOutTranspose;
            event.midi.midiData[1] = static_cast<char>(note > 127 ? 127 : note);
        }
        kept.push_back(event);
    }
    Received own{};
    own.midi.type = kVstMidiType;
    own.midi.byteSize = 24;
    own.midi.deltaFrames = frames > 0 ? frames - 1 : 0;
    own.midi.midiData[0] = static_cast<char>(0xBF);
    own.midi.midiData[1] = static_cast<char>(kMidiOutOwnController);
    own.midi.midiData[2] = static_cast<char>(ownEvents_++ & 0x7F);
    kept.push_back(own);
    sent.swap(kept);
}

void RefSynth::echo(std::vector<Received>& sent) {
    // Sent outside the lock: a host may call back into the plug-in while it forwards the events.
    std::vector<unsigned char> block(offsetof(VstEvents, events) + sent.size() * sizeof(VstEvent*));
    VstEvents* events = reinterpret_cast<VstEvents*>(block.data());
    events->numEvents = static_cast<int32_t>(sent.size());
    events->reserved = 0;
    VstEvent** list = reinterpret_cast<VstEvent**>(block.data() + offsetof(VstEvents, events));
    for (size_t i = 0; i < sent.size(); ++i) {
        Received& event = sent[i];
        if (event.isSysex) {
            event.sysex.sysexDump = event.dump.empty() ? nullptr : &event.dump[0];
            list[i] = reinterpret_cast<VstEvent*>(&event.sysex);
        } else {
            list[i] = reinterpret_cast<VstEvent*>(&event.midi);
        }
    }
    callHost(audioMasterProcessEvents, 0, 0, events, 0.0f);
}

void RefSynth::probeTime(int32_t frames) {
    int32_t mask;
    {
        std::lock_guard<std::mutex> hold(probeLock_);
        mask = probeMask_;
    }
    const intptr_t answer = callHost(audioMasterGetTime, 0, mask, nullptr, 0.0f);
    TimeProbeRecord record{};
    record.hostAnswered = answer != 0 ? 1 : 0;
    record.frames = frames;
    record.mask = mask;
    if (answer) std::memcpy(&record.info, reinterpret_cast<const VstTimeInfo*>(answer), sizeof record.info);
    std::lock_guard<std::mutex> hold(probeLock_);
    probes_[static_cast<size_t>(probeCount_ % kTimeProbeKept)] = record;
    ++probeCount_;
}

}  // namespace qmtest
