// Rendering: a host request of any length becomes plug-in blocks of at most the frame size; each block
// collects its MIDI from the host, hands it over right before the process call, and its main output
// is converted into the host's format (directly, or through the output queue when extra outputs are
// offered as buses).
#include <cstring>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "patches/patch_device.h"
#include "platform/clock.h"
#include "routing/synth_buffer.h"

namespace qm {

namespace {

// The host's render flags.
constexpr DWORD kRenderNoBlockCallback = 0x40000000;  // no site callback 969 for this request
constexpr DWORD kRenderFirstBlockOnly = 0x10000000;   // seen by the request's first block only
constexpr HRESULT kRenderFaulted = -2;

ULONG_PTR Low(LONGLONG value) noexcept { return static_cast<ULONG_PTR>(static_cast<uint64_t>(value) & 0xFFFFFFFFu); }
ULONG_PTR High(LONGLONG value) noexcept { return static_cast<ULONG_PTR>(static_cast<uint64_t>(value) >> 32); }

}  // namespace

HRESULT CVSTiSofthSynth::Render(void* destination, LONGLONG startFrame, LONG frames, DWORD, DWORD flags,
                                HostTimeRecord* timeRecord) noexcept {
    if (frames <= 0) return 0;
    if (destination == nullptr) return E_POINTER;
    // Without SetFormat there is neither a host format to write nor a buffer to render into; the
    // host still plays what its buffer holds, so it gets silence where the format has one.
    if (audioBlock_ == nullptr || !hostWriter_.Ready()) {
        QmAudio_FillSilence(&hostFormat_, destination, static_cast<DWORD>(frames));
        return E_UNEXPECTED;
    }
    auto* dest = static_cast<unsigned char*>(destination);
    const uint32_t wanted = static_cast<uint32_t>(frames);
    if (HasBits(InstanceStatus::Faulted | InstanceStatus::QueueOverflow)) {
        hostWriter_.Silence(dest, wanted);
        return kRenderFaulted;
    }
    if (queue_ == nullptr) return RenderRequest(dest, startFrame, wanted, flags, timeRecord);
    // With buses the queues and the position are shared with the buses' renders, which may come
    // from another thread: one request at a time, under the lock the blocks take anyway.
    platform::LockScope hold(lock_);
    return RenderRequest(dest, startFrame, wanted, flags, timeRecord);
}

HRESULT CVSTiSofthSynth::RenderRequest(unsigned char* dest, LONGLONG startFrame, uint32_t wanted, DWORD flags,
                                       HostTimeRecord* timeRecord) noexcept {
    const uint32_t align = hostWriter_.BlockAlign();
    uint32_t done = TakeFrames(dest, wanted, lastBlockFrames_ - pendingFrames_);
    if (done == wanted) return static_cast<HRESULT>(wanted);
    LONGLONG position = startFrame + done;

    hostTimeRecord_ = nullptr;
    if (timeRecord != nullptr && (timeRecord->flags & HostTimeRecordFlags::Valid) != 0) {
        std::memcpy(&hostTimeCopy_, timeRecord, sizeof hostTimeCopy_);
        currentTime_ = hostTimeCopy_.startTime;
        currentSample_ = static_cast<LONGLONG>(HostRate() * static_cast<double>(currentTime_) * 1e-7 + 0.5);
        hostTimeRecord_ = &hostTimeCopy_;
        if (currentTick_ < hostTimeCopy_.tickPosition) hostTimeCopy_.tickPosition = currentTick_;
    } else {
        currentSample_ = position;
    }

    while (done < wanted) {
        uint32_t chunk = wanted - done;
        if (chunk > frameSize_) chunk = frameSize_;
        RenderBlock(position, chunk, flags);
        if (HasBits(InstanceStatus::Faulted)) break;
        const uint32_t taken = TakeFrames(dest + static_cast<size_t>(done) * align, chunk, 0);
        // A block that yields nothing (no transport, or the host refused the block) ends the request;
        // asking again would loop for ever.
        if (taken == 0) break;
        done += taken;
        position += taken;
        flags &= ~kRenderFirstBlockOnly;
    }
    if (done < wanted) hostWriter_.Silence(dest + static_cast<size_t>(done) * align, wanted - done);
    hostTimeRecord_ = nullptr;
    return static_cast<HRESULT>(wanted);
}

HRESULT CVSTiSofthSynth::RenderBlockFor(LONGLONG position, uint32_t chunk, DWORD flags, HostTimeRecord* record) noexcept {
    if (audioBlock_ == nullptr || chunk == 0) return E_UNEXPECTED;
    if (chunk > frameSize_) chunk = frameSize_;
    HostTimeRecord* previous = hostTimeRecord_;
    hostTimeRecord_ = record;
    const HRESULT result = RenderBlock(position, chunk, flags);
    hostTimeRecord_ = previous;
    return result;
}

// Up to `frames` already rendered frames: from the queue, or from the plug-in's buffers starting at
// frame `offset` of the block.
uint32_t CVSTiSofthSynth::TakeFrames(unsigned char* dest, uint32_t frames, uint32_t offset) noexcept {
    if (queue_ != nullptr) {
        if (HasBits(InstanceStatus::QueueOverflow)) {
            hostWriter_.Silence(dest, frames);
            return frames;
        }
        const uint32_t limit = frames < pendingFrames_ ? frames : pendingFrames_;
        const float gain = HasBits(InstanceStatus::MonoMainOutput) ? OutputQueue::kMonoGain : 1.0f;
        const uint32_t copied = queue_->Pull(dest, limit, gain);
        pendingFrames_ -= copied;
        return copied;
    }
    const uint32_t count = frames < pendingFrames_ ? frames : pendingFrames_;
    if (count == 0) return 0;
    const float* left = outputs_[0] + offset;
    const float* right = (usedOutputs_ >= 2 ? outputs_[1] : outputs_[0]) + offset;
    hostWriter_.Write(dest, left, right, count);
    pendingFrames_ -= count;
    return count;
}

// One block under the instance lock; S_OK after a rendered (or host-refused) block,
// QM_S_NOTHING_RENDERED when no transport runs.
HRESULT CVSTiSofthSynth::RenderBlock(LONGLONG position, uint32_t chunk, DWORD flags) noexcept {
    platform::LockScope hold(lock_);
    currentSample_ = position;
    const DWORD status = Status();
    if (status & (InstanceStatus::Cued | InstanceStatus::Playing)) {
        if (currentTime_ < 0) currentTime_ = DurationOfFrames(position);
        const LONGLONG duration = DurationOfFrames(chunk);
        const LONGLONG start = hostTimeRecord_ != nullptr ? hostTimeRecord_->startTime : DurationOfFrames(position);
        SilenceOutputs(frameSize_);
        SilenceInputs(frameSize_);
        CSofSynthBuffer* buffer = renderBuffer_;
        if (buffer != nullptr) {
            buffer->SetStartTime(start);
            buffer->SetBlockFrames(static_cast<int32_t>(chunk));
        }
        HRESULT filled = S_OK;
        if ((flags & kRenderNoBlockCallback) == 0) {
            filled = CallSite(SiteCode::FillBlock, reinterpret_cast<ULONG_PTR>(static_cast<IQMMIDIBuffer*>(buffer)),
                              Low(start), High(start), Low(duration), High(duration), flags,
                              reinterpret_cast<ULONG_PTR>(hostTimeRecord_));
        }
        if (SUCCEEDED(filled)) {
            if (patchDevice_ != nullptr) patchDevice_->SendTimeEvent(position, chunk, hostTimeRecord_);
            SetBits(InstanceStatus::InProcess);
            if (HasBits(InstanceStatus::ProcessEvents)) {
                if (buffer != nullptr) CallDispatcher(effProcessEvents, 0, 0, buffer->Events(), 0.0f);
                CallProcess(static_cast<int32_t>(chunk));
            }
            // A program change or bank select passed on: the host's listeners hear of it while the
            // block still counts as inside the process call.
            if (patchDevice_ != nullptr &&
                HasBits(InstanceStatus::ProgramChangeSeen | InstanceStatus::BankSelectSeen)) {
                patchDevice_->SendPatchChange();
                ClearPatchMarks();
            }
            ClearBits(InstanceStatus::InProcess);
            currentSample_ += chunk;
            currentTime_ += duration;
            if (hostTimeRecord_ != nullptr) {
                HostTimeRecord& record = *hostTimeRecord_;
                record.startTime += duration;
                record.secondTime += duration;
                record.tickPosition += static_cast<LONGLONG>(
                    static_cast<double>(record.ticksPerQuarter) * record.tempo / 6e8 * static_cast<double>(duration) + 0.5);
                currentTick_ = record.tickPosition;
            }
            if (buffer != nullptr) buffer->AdvanceTime(DurationOfFrames(chunk));
            FinishBlock(chunk);
        }
        lastRenderTime_ = platform::MillisecondClock();
        if (hostTimeRecord_ != nullptr) currentTick_ = hostTimeRecord_->tickPosition;
        return S_OK;
    }
    if (status & InstanceStatus::Live) {
        // Live input has no host time line: every block is a whole frame-size block.
        SilenceOutputs(frameSize_);
        SilenceInputs(frameSize_);
        SetBits(InstanceStatus::InProcess);
        if (HasBits(InstanceStatus::ProcessEvents)) {
            if (liveBuffer_ != nullptr) CallDispatcher(effProcessEvents, 0, 0, liveBuffer_->Events(), 0.0f);
            CallProcess(static_cast<int32_t>(frameSize_));
        }
        ClearBits(InstanceStatus::InProcess);
        FinishBlock(frameSize_);
        if (liveBuffer_ != nullptr) liveBuffer_->AdvanceTime(blockDuration_);
        liveSamples_ += frameSize_;
        liveTime_ = DurationOfFrames(liveSamples_);
        lastRenderTime_ = platform::MillisecondClock();
        return S_OK;
    }
    return QM_S_NOTHING_RENDERED;
}

// The block's main output waits in the queue (the buses take the other outputs) or in the plug-in's
// buffers as pending frames.
void CVSTiSofthSynth::FinishBlock(uint32_t frames) noexcept {
    if (queue_ == nullptr) {
        // The buffers hold this block only: frames of an earlier block not yet taken (a bus asked
        // for blocks without a queue) are gone, and counting them would move the read offset
        // before the start of the buffers.
        pendingFrames_ = frames;
        lastBlockFrames_ = frames;
        return;
    }
    const float* right = HasBits(InstanceStatus::MonoMainOutput) || usedOutputs_ < 2 ? outputs_[0] : outputs_[1];
    if (queue_->Push(outputs_[0], right, frames)) pendingFrames_ += frames;
    else SetBits(InstanceStatus::QueueOverflow);
    PushBlockToBuses(frames);
}

}  // namespace qm
