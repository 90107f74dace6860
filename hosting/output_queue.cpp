// OutputQueue: push, pull and reset of the queued main output.
#include "hosting/output_queue.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace qm {

namespace {

constexpr size_t kAlignment = 16;

size_t AlignUp(size_t value) noexcept { return (value + kAlignment - 1) / kAlignment * kAlignment; }

}  // namespace

OutputQueue::OutputQueue(uint32_t blockFrames, const HostSampleWriter& writer) noexcept
    : writer_(writer), blockFrames_(blockFrames) {}

OutputQueue::~OutputQueue() {
    for (uint32_t i = 0; i < blockCount_; ++i) std::free(blocks_[i]);
}

OutputQueue* OutputQueue::Create(uint32_t blockFrames, const HostSampleWriter& writer) noexcept {
    OutputQueue* queue = new (std::nothrow) OutputQueue(blockFrames, writer);
    if (queue == nullptr) return nullptr;
    if (!queue->Grow()) {
        delete queue;
        return nullptr;
    }
    return queue;
}

void OutputQueue::Destroy(OutputQueue* queue) noexcept { delete queue; }

bool OutputQueue::Grow() noexcept {
    if (itemCount_ + kGrowth >= kItemLimit) return false;
    const size_t header = AlignUp(sizeof(Item));
    const size_t data = AlignUp(static_cast<size_t>(blockFrames_) * writer_.BlockAlign());
    const size_t itemBytes = header + data;
    void* block = std::calloc(kGrowth * itemBytes + kAlignment, 1);
    if (block == nullptr) return false;
    blocks_[blockCount_++] = block;
    const uintptr_t base = (reinterpret_cast<uintptr_t>(block) + kAlignment - 1) / kAlignment * kAlignment;
    for (uint32_t i = 0; i < kGrowth; ++i) {
        auto* bytes = reinterpret_cast<unsigned char*>(base) + i * itemBytes;
        Item* item = reinterpret_cast<Item*>(bytes);
        item->capacity = blockFrames_;
        item->number = itemCount_;
        item->data = bytes + header;
        items_[itemCount_++] = item;
    }
    return true;
}

bool OutputQueue::Push(const float* left, const float* right, uint32_t frames) noexcept {
    if (frames > blockFrames_) frames = blockFrames_;
    if (fillIndex_ == itemCount_ && !Grow()) return false;
    Item* item = items_[fillIndex_];
    writer_.Write(item->data, left, right, frames);
    item->remaining += frames;
    item->written += frames;
    ++fillIndex_;
    return true;
}

uint32_t OutputQueue::Pull(void* dest, uint32_t frames, float gain) noexcept {
    auto* out = static_cast<unsigned char*>(dest);
    const uint32_t align = writer_.BlockAlign();
    uint32_t copied = 0;
    while (copied < frames && fillIndex_ > 0) {
        Item* head = items_[0];
        uint32_t count = frames - copied;
        if (count > blockFrames_) count = blockFrames_;
        if (count > head->remaining) count = head->remaining;
        const unsigned char* source = head->data + static_cast<size_t>(head->written - head->remaining) * align;
        writer_.CopyScaled(out + static_cast<size_t>(copied) * align, source, count, gain);
        head->remaining -= count;
        copied += count;
        if (head->remaining == 0) {
            // The emptied item goes to the end of the list for reuse.
            head->written = 0;
            std::memmove(&items_[0], &items_[1], (itemCount_ - 1) * sizeof items_[0]);
            items_[itemCount_ - 1] = head;
            --fillIndex_;
        }
    }
    return copied;
}

void OutputQueue::Reset() noexcept {
    for (uint32_t i = 0; i < itemCount_; ++i) {
        items_[i]->remaining = 0;
        items_[i]->written = 0;
    }
    fillIndex_ = 0;
}

}  // namespace qm
