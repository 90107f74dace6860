// CSofSynthBuffer: conversion of host time stamps to sample offsets and the ordered event list.
#include "routing/synth_buffer.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "qmvsti/guids.h"

namespace qm {

CSofSynthBuffer* CSofSynthBuffer::Create() noexcept { return new (std::nothrow) CSofSynthBuffer(); }

CSofSynthBuffer* CSofSynthBuffer::CreateForInstance(int32_t blockFrames, const WAVEFORMATEX& format) noexcept {
    CSofSynthBuffer* buffer = Create();
    if (buffer == nullptr) return nullptr;
    buffer->AddRef();
    if (FAILED(buffer->Init(kInstanceCapacity))) {
        buffer->Release();
        return nullptr;
    }
    buffer->SetFrameCount(blockFrames);
    buffer->SetFormat(format);
    return buffer;
}

CSofSynthBuffer::~CSofSynthBuffer() { std::free(events_); }

HRESULT CSofSynthBuffer::Init(uint32_t capacityBytes) noexcept {
    std::free(events_);
    events_ = nullptr;
    table_ = nullptr;
    poolStart_ = nullptr;
    nextFree_ = nullptr;
    capacity_ = capacityBytes;
    bytesUsed_ = 0;
    blockFrames_ = 0;
    eventCount_ = 0;
    if (capacityBytes < kMinimumCapacity) return S_OK;  // a buffer that takes no events
    capacity_ = capacityBytes / kRecordBytes * kRecordBytes;
    const size_t records = capacity_ / kRecordBytes;
    // The records follow the pointer array at an 8-byte boundary on every target.
    const size_t header = offsetof(VstEvents, events) + (records + 2) * sizeof(VstEvent*);
    const size_t poolOffset = (header + 7) / 8 * 8;
    void* block = std::calloc(poolOffset + records * sizeof(VstMidiEvent), 1);
    if (block == nullptr) {
        capacity_ = 0;
        return E_OUTOFMEMORY;
    }
    auto* bytes = static_cast<unsigned char*>(block);
    events_ = static_cast<VstEvents*>(block);
    table_ = reinterpret_cast<VstEvent**>(bytes + offsetof(VstEvents, events));
    poolStart_ = reinterpret_cast<VstMidiEvent*>(bytes + poolOffset);
    nextFree_ = poolStart_;
    return S_OK;
}

void CSofSynthBuffer::SetFrameCount(int32_t frames) noexcept {
    blockFrames_ = frames;
    eventCount_ = 0;
}

void CSofSynthBuffer::SetFormat(const WAVEFORMATEX& format) noexcept { std::memcpy(&format_, &format, sizeof format_); }

VstMidiEvent* CSofSynthBuffer::EventAt(int32_t index) const noexcept {
    if (table_ == nullptr || index < 0 || index >= eventCount_) return nullptr;
    return reinterpret_cast<VstMidiEvent*>(table_[index]);
}

int32_t CSofSynthBuffer::FramesOf(LONGLONG duration) const noexcept {
    const double rate = static_cast<double>(static_cast<uint32_t>(format_.nSamplesPerSec));
    return static_cast<int32_t>(static_cast<double>(duration) * 1e-7 * rate + 0.5);
}

void CSofSynthBuffer::Empty() noexcept {
    bytesUsed_ = 0;
    eventCount_ = 0;
    lastEventOffset_ = 0;
    if (events_ != nullptr) events_->numEvents = 0;
    nextFree_ = poolStart_;
}

// ---- IUnknown ----

HRESULT CSofSynthBuffer::QueryInterface(REFIID riid, void** ppv) noexcept {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IQMMIDIBuffer)) return E_NOINTERFACE;
    *ppv = static_cast<IQMMIDIBuffer*>(this);
    AddRef();
    return S_OK;
}

ULONG CSofSynthBuffer::AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_acq_rel) + 1; }

ULONG CSofSynthBuffer::Release() noexcept {
    const ULONG count = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

// ---- IQMMIDIBuffer ----

HRESULT CSofSynthBuffer::PutShortEvent(LONGLONG time, DWORD message, DWORD) noexcept {
    if (capacity_ - bytesUsed_ < kRecordBytes || nextFree_ == nullptr || events_ == nullptr) return S_FALSE;
    VstMidiEvent* event = nextFree_;
    std::memset(event, 0, sizeof *event);
    event->type = kVstMidiType;
    // byteSize counts what follows the type and byteSize fields, as plug-ins that walk the list expect.
    event->byteSize = static_cast<int32_t>(sizeof(VstMidiEvent) - offsetof(VstMidiEvent, deltaFrames));
    LONGLONG offset = time - startTime_;
    if (offset < 0) offset = 0;
    event->deltaFrames = FramesOf(offset);
    event->midiData[0] = static_cast<char>(message & 0xFF);
    event->midiData[1] = static_cast<char>((message >> 8) & 0x7F);
    event->midiData[2] = static_cast<char>((message >> 16) & 0x7F);

    int32_t position = eventCount_;
    table_[position] = reinterpret_cast<VstEvent*>(event);
    if (event->deltaFrames < blockFrames_) events_->numEvents += 1;
    // Strictly greater only: events at one offset keep the order they arrived in.
    while (position > 0 && reinterpret_cast<VstMidiEvent*>(table_[position - 1])->deltaFrames > event->deltaFrames) {
        table_[position] = table_[position - 1];
        table_[position - 1] = reinterpret_cast<VstEvent*>(event);
        --position;
    }
    eventCount_ += 1;
    bytesUsed_ += kRecordBytes;
    nextFree_ = capacity_ - bytesUsed_ < kRecordBytes ? nullptr : nextFree_ + 1;
    if (offset != 0) lastEventOffset_ = time - startTime_;
    return S_OK;
}

HRESULT CSofSynthBuffer::AdvanceTime(LONGLONG duration) noexcept {
    if (duration <= 0) {
        Empty();
        return S_OK;
    }
    startTime_ += duration;
    const int32_t frames = FramesOf(duration);
    int32_t first = 0;
    while (first < eventCount_ && reinterpret_cast<VstMidiEvent*>(table_[first])->deltaFrames < frames) ++first;
    if (first >= eventCount_) {
        Empty();
        return S_OK;
    }
    // The records stay where they are until the buffer runs empty: only pointers move.
    const int32_t kept = eventCount_ - first;
    int32_t current = 0;
    for (int32_t i = 0; i < kept; ++i) {
        table_[i] = table_[first + i];
        auto* event = reinterpret_cast<VstMidiEvent*>(table_[i]);
        event->deltaFrames = event->deltaFrames - frames < 0 ? 0 : event->deltaFrames - frames;
        if (current == i && event->deltaFrames < blockFrames_) ++current;
    }
    eventCount_ = kept;
    events_->numEvents = current;
    return S_OK;
}

HRESULT CSofSynthBuffer::GetLastEventOffset(LONGLONG* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = lastEventOffset_;
    return QM_S_NOTHING_RENDERED;
}

HRESULT CSofSynthBuffer::SetStartTime(LONGLONG time) noexcept {
    startTime_ = time;
    return S_OK;
}

HRESULT CSofSynthBuffer::GetStartTime(LONGLONG* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = startTime_;
    return S_OK;
}

// The host's interface carries slots this buffer has no use for; each answers as the host expects.
HRESULT CSofSynthBuffer::Reserved3(DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved4(DWORD, DWORD, DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved5(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved8(DWORD, DWORD, DWORD, DWORD, DWORD) noexcept { return S_OK; }
HRESULT CSofSynthBuffer::Reserved9(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved10(DWORD, DWORD, DWORD, DWORD, DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved11(DWORD, DWORD) noexcept { return E_NOTIMPL; }
HRESULT CSofSynthBuffer::Reserved15(DWORD) noexcept { return S_OK; }
HRESULT CSofSynthBuffer::Reserved16(DWORD) noexcept { return S_FALSE; }

}  // namespace qm
