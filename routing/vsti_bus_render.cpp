// CVSTiSofthSynthBus: the format and the queue, the pushes of the owner's blocks, the bus's Render,
// its information record and its saved state.
#include <cstring>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/sync.h"
#include "presets/stream_io.h"
#include "routing/vsti_bus.h"

namespace qm {

namespace {

constexpr HRESULT kRenderSilenced = -2;
constexpr uint32_t kStateBytes = 16;

// Unlike presets::StreamWrite, a short write is E_FAIL here.
HRESULT WriteAll(IStream* stream, const void* data, ULONG bytes) noexcept {
    ULONG written = 0;
    const HRESULT result = stream->Write(data, bytes, &written);
    if (FAILED(result)) return result;
    return written == bytes ? S_OK : E_FAIL;
}

HRESULT WriteWord(IStream* stream, uint32_t value) noexcept {
    unsigned char word[4];
    presets::PutLe32(word, value);
    return WriteAll(stream, word, 4);
}

// The GUID's fields in little-endian order, the layout it has in memory on the host.
HRESULT WriteGuid(IStream* stream, const GUID& guid) noexcept {
    unsigned char out[16];
    presets::PutLe32(out, guid.Data1);
    out[4] = static_cast<unsigned char>(guid.Data2);
    out[5] = static_cast<unsigned char>(guid.Data2 >> 8);
    out[6] = static_cast<unsigned char>(guid.Data3);
    out[7] = static_cast<unsigned char>(guid.Data3 >> 8);
    std::memcpy(out + 8, guid.Data4, 8);
    return WriteAll(stream, out, 16);
}

}  // namespace

HRESULT CVSTiSofthSynthBus::SetFormat(const WAVEFORMATEX* format, DWORD, DWORD) noexcept {
    if (format == nullptr) return E_POINTER;
    OutputQueue::Destroy(queue_);
    queue_ = nullptr;
    writer_.Prepare(*format);
    CVSTiSofthSynth* owner = Owner();
    const int64_t duration = owner != nullptr ? owner->Type()->FrameSizeDuration() : 0;
    blockFrames_ = static_cast<uint32_t>(static_cast<double>(duration) * 1e-7 * format->nSamplesPerSec + 0.5);
    pendingFrames_ = 0;
    Clear(BusStatus::QueueOverflow);
    // A block of 0 frames would make Render ask its owner for nothing, for ever.
    if (blockFrames_ == 0) return E_INVALIDARG;
    queue_ = OutputQueue::Create(blockFrames_, writer_);
    if (queue_ == nullptr) return E_OUTOFMEMORY;
    Set(BusStatus::FormatSet);
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::ReleaseFormat() noexcept {
    Clear(BusStatus::FormatSet);
    OutputQueue::Destroy(queue_);
    queue_ = nullptr;
    pendingFrames_ = 0;
    return S_OK;
}

HRESULT CVSTiSofthSynthBus::ResetQueue() noexcept {
    pendingFrames_ = 0;
    if (queue_ != nullptr) queue_->Reset();
    Clear(BusStatus::QueueOverflow);
    return S_OK;
}
HRESULT CVSTiSofthSynthBus::ResetQueue2(DWORD, DWORD) noexcept { return ResetQueue(); }
HRESULT CVSTiSofthSynthBus::ResetQueue3() noexcept { return ResetQueue(); }

HRESULT CVSTiSofthSynthBus::Push(const float* left, const float* right, uint32_t frames) noexcept {
    if (Has(BusStatus::OutputsGone) || queue_ == nullptr) return S_FALSE;
    if (queue_->Full()) {
        Set(BusStatus::QueueOverflow);
        return S_FALSE;
    }
    if (Has(BusStatus::QueueOverflow)) return S_FALSE;
    if (!queue_->Push(left, right != nullptr ? right : left, frames)) return E_OUTOFMEMORY;
    pendingFrames_ += frames < blockFrames_ ? frames : blockFrames_;
    return S_OK;
}

uint32_t CVSTiSofthSynthBus::Pull(unsigned char* dest, uint32_t frames) noexcept {
    if (Has(BusStatus::QueueOverflow)) {
        writer_.Silence(dest, frames);
        return frames;
    }
    if (pendingFrames_ == 0 || queue_ == nullptr) return 0;
    const uint32_t wanted = frames < pendingFrames_ ? frames : pendingFrames_;
    const uint32_t copied = queue_->Pull(dest, wanted, Has(BusStatus::Mono) ? OutputQueue::kMonoGain : 1.0f);
    pendingFrames_ -= copied;
    return copied;
}

HRESULT CVSTiSofthSynthBus::Render(void* destination, LONGLONG startFrame, LONG frames, DWORD, DWORD flags,
                                   HostTimeRecord* timeRecord) noexcept {
    if (frames <= 0) return 0;
    if (destination == nullptr) return E_POINTER;
    auto* dest = static_cast<unsigned char*>(destination);
    const uint32_t wanted = static_cast<uint32_t>(frames);
    CVSTiSofthSynth* owner = Owner();
    // Without an owner or a format there is nothing to render from.
    if (owner == nullptr || !Has(BusStatus::FormatSet) || !writer_.Ready() ||
        Has(BusStatus::OutputsGone | BusStatus::QueueOverflow) || (owner->Status() & InstanceStatus::Faulted)) {
        writer_.Silence(dest, wanted);
        return kRenderSilenced;
    }
    // The queue has no lock of its own: the owner's lock keeps its blocks and this pull apart.
    platform::LockScope hold(owner->RenderLock());
    return RenderFromOwner(owner, dest, startFrame, wanted, flags, timeRecord);
}

HRESULT CVSTiSofthSynthBus::RenderFromOwner(CVSTiSofthSynth* owner, unsigned char* dest, LONGLONG start,
                                            uint32_t frames, DWORD flags, HostTimeRecord* timeRecord) noexcept {
    const uint32_t align = writer_.BlockAlign();
    uint32_t taken = Pull(dest, frames);
    if (taken == frames) return static_cast<HRESULT>(frames);
    LONGLONG position = start + taken;
    HostTimeRecord* record = timeRecord;
    if (timeRecord != nullptr && (timeRecord->flags & HostTimeRecordFlags::Valid) != 0) {
        std::memcpy(&timeCopy_, timeRecord, sizeof timeCopy_);
        const double rate = static_cast<double>(writer_.Format().nSamplesPerSec);
        owner->SetRenderPosition(timeCopy_.secondTime,
                                 static_cast<LONGLONG>(static_cast<double>(timeCopy_.secondTime) * 1e-7 * rate + 0.5));
        record = &timeCopy_;
    }
    while (taken < frames) {
        uint32_t chunk = frames - taken;
        if (chunk > blockFrames_) chunk = blockFrames_;
        owner->RenderBlockFor(position, chunk, flags, record);
        const uint32_t got = Pull(dest + static_cast<size_t>(taken) * align, chunk);
        // A block that brings nothing (no transport, a refused block, a fault) ends the request.
        if (got == 0) break;
        taken += got;
        position += got;
        flags &= ~RenderFlags::FirstBlockOnly;
    }
    if (taken < frames) writer_.Silence(dest + static_cast<size_t>(taken) * align, frames - taken);
    return static_cast<HRESULT>(frames);
}

HRESULT CVSTiSofthSynthBus::GetInfo(SoftSynthTypeInfo* info) noexcept {
    if (info == nullptr) return E_POINTER;
    HRESULT result = S_OK;
    CVSTiSofthSynth* owner = Owner();
    if (owner != nullptr) {
        result = owner->GetInfo(info);
        owner->GetGuid(&guid_);
    }
    info->word9 = 1;
    info->busCount = 0;
    info->isBus = 1;
    info->busNumber = number_;
    info->active = Has(BusStatus::FormatSet) ? 0xFFFFFFFFu : 0;
    info->instanceGuid = guid_;
    return result;
}

HRESULT CVSTiSofthSynthBus::SaveState(IStream* stream) noexcept {
    using namespace presets;
    if (stream == nullptr) return E_POINTER;
    HRESULT result = WriteWord(stream, kStateVersion);
    if (FAILED(result)) return result;
    uint64_t countAt = 0;
    if (FAILED(result = StreamTell(stream, &countAt))) return result;
    if (FAILED(result = WriteWord(stream, 0))) return result;
    if (FAILED(result = WriteGuid(stream, guid_))) return result;
    uint64_t end = 0;
    if (FAILED(result = StreamTell(stream, &end))) return result;
    if (FAILED(result = StreamSeekTo(stream, countAt))) return result;
    if (FAILED(result = WriteWord(stream, kStateBytes))) return result;
    return StreamSeekTo(stream, end);
}

HRESULT CVSTiSofthSynthBus::LoadState(IStream* stream) noexcept {
    using namespace presets;
    if (stream == nullptr) return E_POINTER;
    uint64_t start = 0;
    const HRESULT result = StreamTell(stream, &start);
    if (FAILED(result)) return result;
    uint32_t version = 0, count = 0;
    if (SUCCEEDED(StreamRead32(stream, &version)) && (version == kStateVersion || version == kOldStateVersion) &&
        SUCCEEDED(StreamRead32(stream, &count))) {
        if (version == kOldStateVersion) return S_OK;
        GUID guid;
        if (SUCCEEDED(StreamReadGuid(stream, &guid))) {
            guid_ = guid;
            return S_OK;
        }
    }
    return StreamSeekTo(stream, start);
}

}  // namespace qm
