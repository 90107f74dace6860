// Formats and buffers: SetFormat prepares the plug-in's buffers (all in one allocation) and tells the
// plug-in its pins, rate and block size; ReleaseFormat suspends it and frees them.
#include <cstdlib>
#include <cstring>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "routing/synth_buffer.h"

namespace qm {

namespace {

// Truncating conversions between 100-ns durations and frames, as the host's own arithmetic does.
uint32_t FramesOf(LONGLONG duration, double rate) noexcept {
    return static_cast<uint32_t>(static_cast<double>(duration) * 1e-7 * rate + 0.5);
}

LONGLONG DurationOf(uint32_t frames, double rate) noexcept {
    return rate != 0.0 ? static_cast<LONGLONG>(frames / rate * 1e7 + 0.5) : 0;
}

int Clamp(int value, int low, int high) noexcept { return value < low ? low : (value > high ? high : value); }

}  // namespace

void CVSTiSofthSynth::FreeAudioBlock() noexcept {
    std::free(audioBlock_);
    audioBlock_ = nullptr;
    std::memset(outputs_, 0, sizeof outputs_);
    std::memset(inputs_, 0, sizeof inputs_);
    processOutputs_ = nullptr;
    processInputs_ = nullptr;
    inputScratch_ = nullptr;
    lastBlockFrames_ = 0;
}

void CVSTiSofthSynth::FreeQueue() noexcept {
    OutputQueue::Destroy(queue_);
    queue_ = nullptr;
}

LONGLONG CVSTiSofthSynth::DurationOfFrames(LONGLONG frames) const noexcept {
    const double rate = HostRate();
    return rate != 0.0 ? static_cast<LONGLONG>(static_cast<double>(frames) / rate * 1e7 + 0.5) : 0;
}

void CVSTiSofthSynth::SilenceInputs(uint32_t frames) noexcept {
    if (audioBlock_ == nullptr) return;
    if (frames > blockFrames_) frames = blockFrames_;
    for (int i = 0; i < usedInputs_; ++i) {
        if (inputs_[i] != nullptr) std::memset(inputs_[i], 0, frames * sizeof(float));
    }
    if (inputScratch_ != nullptr) std::memset(inputScratch_, 0, frames * sizeof(float));
}

void CVSTiSofthSynth::SilenceOutputs(uint32_t frames) noexcept {
    if (audioBlock_ == nullptr) return;
    if (frames > blockFrames_) frames = blockFrames_;
    for (int i = 0; i < usedOutputs_; ++i) {
        if (outputs_[i] != nullptr) std::memset(outputs_[i], 0, frames * sizeof(float));
    }
}

// A suspend and, while the plug-in wants MIDI, a resume: plug-ins reset their voices on this pair.
void CVSTiSofthSynth::SuspendResume() noexcept {
    CallDispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    if (HasBits(InstanceStatus::ProcessEvents)) CallDispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
}

HRESULT CVSTiSofthSynth::SetFormat(const WAVEFORMATEX* format, DWORD, DWORD offline) noexcept {
    if (format == nullptr) return E_POINTER;
    FreeAudioBlock();
    FreeQueue();
    std::memcpy(&hostFormat_, format, sizeof hostFormat_);
    // A format without converters still sizes the plug-in's buffers; Render then answers silence.
    hostWriter_.Prepare(hostFormat_);
    plugInFormat_.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    plugInFormat_.nChannels = 1;
    plugInFormat_.nSamplesPerSec = format->nSamplesPerSec;
    plugInFormat_.wBitsPerSample = format->wBitsPerSample;
    plugInFormat_.nBlockAlign = static_cast<WORD>(format->wBitsPerSample / 8);
    plugInFormat_.nAvgBytesPerSec = plugInFormat_.nBlockAlign * format->nSamplesPerSec;
    plugInFormat_.cbSize = 0;
    if (renderBuffer_ != nullptr) renderBuffer_->SetFormat(plugInFormat_);

    const double rate = HostRate();
    blockFrames_ = FramesOf(type_->FrameSizeDuration(), rate);
    blockBytes_ = plugInFormat_.nBlockAlign * blockFrames_;

    AEffect* effect = effect_;
    const int pinOutputs = effect != nullptr && effect->numOutputs > 0 ? effect->numOutputs : 0;
    const int pinInputs = effect != nullptr && effect->numInputs > 0 ? effect->numInputs : 0;
    usedOutputs_ = Clamp(pinOutputs, 1, kMaxPins);
    usedInputs_ = Clamp(pinInputs, 0, kMaxPins);
    // The plug-in writes 32-bit floats whatever the host's sample width: never less room than that.
    const size_t slice = static_cast<size_t>(blockFrames_) *
                         (plugInFormat_.nBlockAlign > sizeof(float) ? plugInFormat_.nBlockAlign : sizeof(float));
    // A plug-in with more pins than the instance uses still indexes all of them: its pointer arrays
    // are complete, the surplus outputs share one scratch slice and the surplus inputs another.
    const bool wide = pinOutputs > kMaxPins || pinInputs > kMaxPins;
    const size_t slices = static_cast<size_t>(usedOutputs_ + usedInputs_) + (wide ? 2 : 0);
    const size_t arrays = (slices * slice + 15) / 16 * 16;
    const int outputPointers = usedOutputs_ > pinOutputs ? usedOutputs_ : pinOutputs;
    const size_t pointers = wide ? static_cast<size_t>(outputPointers) + static_cast<size_t>(pinInputs) : 0;
    const size_t total = arrays + pointers * sizeof(float*);
    audioBlock_ = std::calloc(total > 0 ? total : 1, 1);
    if (audioBlock_ == nullptr) return E_OUTOFMEMORY;

    auto* bytes = static_cast<unsigned char*>(audioBlock_);
    for (int i = 0; i < usedOutputs_; ++i) {
        outputs_[i] = reinterpret_cast<float*>(bytes + static_cast<size_t>(i) * slice);
        CallDispatcher(effConnectOutput, i, i < 2 ? 1 : 0, nullptr, 0.0f);
    }
    for (int i = 0; i < usedInputs_; ++i) {
        inputs_[i] = reinterpret_cast<float*>(bytes + static_cast<size_t>(usedOutputs_ + i) * slice);
        CallDispatcher(effConnectInput, i, 0, nullptr, 0.0f);
    }
    if (wide) {
        float* scratchOut = reinterpret_cast<float*>(bytes + (slices - 2) * slice);
        float* scratchIn = reinterpret_cast<float*>(bytes + (slices - 1) * slice);
        processOutputs_ = reinterpret_cast<float**>(bytes + arrays);
        processInputs_ = processOutputs_ + outputPointers;
        for (int i = 0; i < outputPointers; ++i) processOutputs_[i] = i < kMaxPins ? outputs_[i] : scratchOut;
        for (int i = 0; i < pinInputs; ++i) processInputs_[i] = i < kMaxPins ? inputs_[i] : scratchIn;
        inputScratch_ = scratchIn;
    }
    if (HasMoreOutputsThanMain()) {
        queue_ = OutputQueue::Create(blockFrames_, hostWriter_);
        if (queue_ == nullptr) {
            FreeAudioBlock();
            return E_OUTOFMEMORY;
        }
    }

    currentSample_ = static_cast<LONGLONG>(static_cast<double>(cueTime_) * 1e-7 * rate + 0.5);
    frameSize_ = blockFrames_;
    // A buffer made by Open before the first format has a window of 0 frames: MIDI sent before the
    // first block (Stop while live delivers it in a frame-size block) must still count.
    if (renderBuffer_ != nullptr) renderBuffer_->SetBlockFrames(static_cast<int32_t>(frameSize_));
    pendingFrames_ = 0;

    CallDispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    CallDispatcher(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    CallDispatcher(effSetBlockSize, 0, static_cast<intptr_t>(frameSize_), nullptr, 0.0f);
    if (HasBits(InstanceStatus::ProcessEvents)) CallDispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);

    blockDuration_ = DurationOf(blockFrames_, rate);
    if (offline & 1) SetBits(InstanceStatus::Offline);
    else ClearBits(InstanceStatus::Offline);

    if (pendingChunk_ != nullptr && effect_ != nullptr && (effect_->flags & effFlagsProgramChunks)) {
        CallDispatcher(effSetChunk, 0, static_cast<intptr_t>(pendingChunkSize_), pendingChunk_, 0.0f);
    }
    std::free(pendingChunk_);
    pendingChunk_ = nullptr;
    pendingChunkSize_ = 0;
    return S_OK;
}

HRESULT CVSTiSofthSynth::ReleaseFormat() noexcept {
    CallDispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    FreeAudioBlock();
    FreeQueue();
    ClearBits(InstanceStatus::Offline);
    pendingFrames_ = 0;
    return S_OK;
}

}  // namespace qm
