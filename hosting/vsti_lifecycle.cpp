// The host's transport and site: Open and Close, Cue, Play, Stop, live mode, the power switch and the
// idle pass.
#include <cstring>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/clock.h"
#include "routing/synth_buffer.h"

namespace qm {

namespace {

constexpr uint32_t kIdleIntervalMs = 10;

}  // namespace

HRESULT CVSTiSofthSynth::Open(DWORD, DWORD, DWORD, SynthSiteCallback callback, ULONG_PTR cookie, DWORD) noexcept {
    if (callback == nullptr) return E_POINTER;
    CSofSynthBuffer* buffer = CSofSynthBuffer::CreateForInstance(static_cast<int32_t>(frameSize_), plugInFormat_);
    if (buffer == nullptr) return E_OUTOFMEMORY;
    if (renderBuffer_ != nullptr) renderBuffer_->Release();
    renderBuffer_ = buffer;
    siteCallback_ = callback;
    siteCookie_ = cookie;
    const HRESULT result = CallSite(SiteCode::Attached);
    if (FAILED(result)) {
        siteCallback_ = nullptr;
        siteCookie_ = 0;
        renderBuffer_->Release();
        renderBuffer_ = nullptr;
        return result;
    }
    SetBits(InstanceStatus::Attached);
    return S_OK;
}

HRESULT CVSTiSofthSynth::Close() noexcept {
    if (!HasBits(InstanceStatus::Attached)) return QM_E_NOT_OPENED;
    const HRESULT result = CallSite(SiteCode::Detached);
    if (FAILED(result)) return result;
    ClearBits(InstanceStatus::Attached);
    siteCallback_ = nullptr;
    siteCookie_ = 0;
    if (renderBuffer_ != nullptr) renderBuffer_->Release();
    renderBuffer_ = nullptr;
    return S_OK;
}

HRESULT CVSTiSofthSynth::Cue(LONGLONG time) noexcept {
    cueTime_ = time;
    currentTime_ = -1;
    currentTick_ = INT64_MAX;
    if (renderBuffer_ != nullptr) {
        // Twice: the host may have filled the buffer on another thread while the first clear ran.
        renderBuffer_->Clear();
        renderBuffer_->Clear();
    }
    currentSample_ = static_cast<LONGLONG>(static_cast<double>(time) * 1e-7 * HostRate() + 0.5);
    pendingFrames_ = 0;
    // Queued blocks belong to the old position; the overflow state stays until ResetQueue.
    if (queue_ != nullptr) queue_->Reset();
    pendingTransportFlags_ = kVstTransportChanged;
    std::memset(&timeInfo_, 0, sizeof timeInfo_);
    if (HasBits(InstanceStatus::ProcessEvents)) CallDispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    SetBits(InstanceStatus::Cued);
    return S_OK;
}

HRESULT CVSTiSofthSynth::Play(DWORD, DWORD) noexcept {
    platform::LockScope hold(lock_);
    ClearBits(InstanceStatus::Cued);
    SetBits(InstanceStatus::Playing);
    pendingTransportFlags_ = kVstTransportChanged | kVstTransportPlaying;
    return S_OK;
}

HRESULT CVSTiSofthSynth::Stop() noexcept {
    {
        platform::LockScope hold(lock_);
        ClearBits(InstanceStatus::Playing);
        pendingTransportFlags_ = kVstTransportChanged;
    }
    if (HasBits(InstanceStatus::Live)) {
        FlushRenderBufferWhileLive();
        return S_OK;
    }
    SendAllNotesOffBlocks();
    // Flush blocks without new events let reverb and release tails die inside the plug-in, so the
    // next start does not replay them. Their audio is thrown away. They need the format's buffers.
    if (audioBlock_ != nullptr) {
        const uint32_t flushes = type_->FlushOnStopCount();
        for (uint32_t i = 0; i < flushes; ++i) {
            SilenceOutputs(frameSize_);
            CallProcess(static_cast<int32_t>(frameSize_));
        }
    }
    SuspendResume();
    return S_OK;
}

HRESULT CVSTiSofthSynth::StartLive() noexcept {
    if (HasBits(InstanceStatus::Live)) return S_OK;
    CSofSynthBuffer* buffer = CSofSynthBuffer::CreateForInstance(static_cast<int32_t>(frameSize_), plugInFormat_);
    if (buffer == nullptr) return E_OUTOFMEMORY;
    if (liveBuffer_ != nullptr) liveBuffer_->Release();
    liveBuffer_ = buffer;
    liveTime_ = 0;
    liveSamples_ = 0;
    liveBuffer_->SetStartTime(0);
    if (HasBits(InstanceStatus::ProcessEvents)) CallDispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    platform::LockScope hold(lock_);
    SetBits(InstanceStatus::Live);
    lastRenderTime_ = platform::MillisecondClock();
    return S_OK;
}

HRESULT CVSTiSofthSynth::StopLive() noexcept {
    if (!HasBits(InstanceStatus::Live)) return S_OK;
    {
        platform::LockScope hold(lock_);
        ReleaseHeldNotesBlock();
        if (liveBuffer_ != nullptr) liveBuffer_->Release();
        liveBuffer_ = nullptr;
        ClearBits(InstanceStatus::Live);
        liveTime_ = 0;
        liveSamples_ = 0;
        if (!HasBits(InstanceStatus::Cued | InstanceStatus::Playing)) SuspendResume();
    }
    Idle(0);
    return S_OK;
}

HRESULT CVSTiSofthSynth::TogglePower() noexcept {
    if (!HasBits(InstanceStatus::ProcessEvents)) {
        // Resuming gives a faulted plug-in its second chance; it answers with audioMasterWantMidi,
        // which sets ProcessEvents again.
        ClearBits(InstanceStatus::Faulted);
        CallDispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    } else {
        CallDispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
        ClearBits(InstanceStatus::ProcessEvents);
    }
    return S_OK;
}

HRESULT CVSTiSofthSynth::Idle(DWORD now) noexcept {
    // The editor may only be idled on its own window's thread.
    IEditorWindow* window = editorWindow_;
    if (now == 0 && window != nullptr && window->HasWindow()) window->PostIdle();
    else IdlePass();
    return S_OK;
}

void CVSTiSofthSynth::SetEditorWindow(IEditorWindow* window) noexcept {
    if (window != nullptr) window->RetainWindow();
    IEditorWindow* old = editorWindow_;
    editorWindow_ = window;
    if (old != nullptr) old->ReleaseWindow();
}

void CVSTiSofthSynth::IdlePass() noexcept {
    const uint32_t now = platform::MillisecondClock();
    if (now - lastIdleTime_ < kIdleIntervalMs) return;
    if (HasBits(InstanceStatus::NeedsIdle)) CallDispatcher(effIdle, 0, 0, nullptr, 0.0f);
    lastIdleTime_ = now;
    IEditorWindow* window = editorWindow_;
    if (window == nullptr || !window->HasWindow()) return;
    // effEditIdle is never re-entered, whichever thread asks.
    if (editorIdleGuard_.exchange(1, std::memory_order_acq_rel) != 0) return;
    CallDispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
    editorIdleGuard_.exchange(0, std::memory_order_acq_rel);
}

}  // namespace qm
