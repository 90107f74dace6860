// CVSTiSofthSynthBus: the format and the queue, the pushes of the owner's blocks, the bus's Render,
// its information record and its saved state.
#include <cstring>

#include "hosting/output_queue.h"
#include "hosting/vsti_soft_synth.h"
#include "platform/sync.h"
#include "routing/vsti_bus.h"

namespace qm {

namespace {

constexpr HRESULT kRenderSilenced = -2;
constexpr DWORD kRenderFirstBlockOnly = 0x10000000;
// A mono pin is spread over both host channels at -3 dB.
constexpr float kMonoGain = 0.707f;
constexpr uint32_t kStateBytes = 16;

void PutWord(unsigned char* out, uint32_t value) noexcept {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetWord(const unsigned char* in) noexcept {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 | static_cast<uint32_t>(in[2]) << 16 |
           static_cast<uint32_t>(in[3]) << 24;
}

// The GUID's fields in little-endian order, the layout it has in memory on the host.
void WriteGuid(unsigned char* out, const GUID& guid) noexcept {
    PutWord(out, guid.Data1);
    out[4] = static_cast<unsigned char>(guid.Data2);
    out[5] = static_cast<unsigned char>(guid.Data2 >> 8);
    out[6] = static_cast<unsigned char>(guid.Data3);
    out[7] = static_cast<unsigned char>(guid.Data3 >> 8);
    std::memcpy(out + 8, guid.Data4, 8);
}

GUID ReadGuid(const unsigned char* in) noexcept {
    GUID guid;
    guid.Data1 = GetWord(in);
    guid.Data2 = static_cast<uint16_t>(in[4] | in[5] << 8);
    guid.Data3 = static_cast<uint16_t>(in[6] | in[7] << 8);
    std::memcpy(guid.Data4, in + 8, 8);
    return guid;
}

HRESULT WriteAll(IStream* stream, const void* data, ULONG bytes) noexcept {
    ULONG written = 0;
    const HRESULT result = stream->Write(data, bytes, &written);
    if (FAILED(result)) return result;
    return written == bytes ? S_OK : E_FAIL;
}

HRESULT ReadAll(IStream* stream, void* data, ULONG bytes) noexcept {
    ULONG read = 0;
    const HRESULT result = stream->Read(data, bytes, &read);
    if (FAILED(result)) return result;
    return read == bytes ? S_OK : E_FAIL;
}

HRESULT SeekTo(IStream* stream, ULONGLONG position) noexcept {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    return stream->Seek(to, STREAM_SEEK_SET, nullptr);
}

HRESULT Position(IStream* stream, ULONGLONG* position) noexcept {
    LARGE_INTEGER none;
    none.QuadPart = 0;
    ULARGE_INTEGER at;
    at.QuadPart = 0;
    const HRESULT result = stream->Seek(none, STREAM_SEEK_CUR, &at);
    *position = at.QuadPart;
    return result;
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
    if (queue_->FillIndex() == queue_->ItemCount() &&
        queue_->ItemCount() + OutputQueue::kGrowth >= OutputQueue::kItemLimit) {
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
    const uint32_t copied = queue_->Pull(dest, wanted, Has(BusStatus::Mono) ? kMonoGain : 1.0f);
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
        flags &= ~kRenderFirstBlockOnly;
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
    if (stream == nullptr) return E_POINTER;
    unsigned char word[4];
    PutWord(word, kStateVersion);
    HRESULT result = WriteAll(stream, word, 4);
    if (FAILED(result)) return result;
    ULONGLONG countAt = 0;
    if (FAILED(result = Position(stream, &countAt))) return result;
    PutWord(word, 0);
    if (FAILED(result = WriteAll(stream, word, 4))) return result;
    unsigned char guid[16];
    WriteGuid(guid, guid_);
    if (FAILED(result = WriteAll(stream, guid, 16))) return result;
    ULONGLONG end = 0;
    if (FAILED(result = Position(stream, &end))) return result;
    if (FAILED(result = SeekTo(stream, countAt))) return result;
    PutWord(word, kStateBytes);
    if (FAILED(result = WriteAll(stream, word, 4))) return result;
    return SeekTo(stream, end);
}

HRESULT CVSTiSofthSynthBus::LoadState(IStream* stream) noexcept {
    if (stream == nullptr) return E_POINTER;
    ULONGLONG start = 0;
    HRESULT result = Position(stream, &start);
    if (FAILED(result)) return result;
    unsigned char word[4];
    if (SUCCEEDED(ReadAll(stream, word, 4))) {
        const uint32_t version = GetWord(word);
        if ((version == kStateVersion || version == kOldStateVersion) && SUCCEEDED(ReadAll(stream, word, 4))) {
            if (version == kOldStateVersion) return S_OK;
            unsigned char guid[16];
            if (SUCCEEDED(ReadAll(stream, guid, 16))) {
                guid_ = ReadGuid(guid);
                return S_OK;
            }
        }
    }
    return SeekTo(stream, start);
}

}  // namespace qm
