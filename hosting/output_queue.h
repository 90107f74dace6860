// The output queue of an instance whose plug-in has more outputs than the main pair: each rendered
// block of the main output waits here, already in the host's format, until the host pulls it, while
// the buses take the other outputs of the same block. Items are carved ten at a time from one block
// of memory and recycled to the end of the list once read, so the render path allocates only when
// the queue grows; it never holds more than 1020 items.
#pragma once
#include <cstdint>

#include "hosting/host_sample_writer.h"

namespace qm {

class OutputQueue {
public:
    static constexpr uint32_t kGrowth = 10;
    static constexpr uint32_t kItemLimit = 1024;  // a growth reaching this is an overflow
    // The Pull gain for a mono output spread over both host channels: -3 dB.
    static constexpr float kMonoGain = 0.707f;

    // A queue of ten empty items of blockFrames frames each; null when memory is short.
    static OutputQueue* Create(uint32_t blockFrames, const HostSampleWriter& writer) noexcept;
    static void Destroy(OutputQueue* queue) noexcept;

    // Converts frames frames (at most the block frames) of left and right into the next free item.
    // false when the queue is full (it would reach kItemLimit items) or cannot grow: the block is
    // dropped and the caller enters the overflow state.
    bool Push(const float* left, const float* right, uint32_t frames) noexcept;
    // Copies up to `frames` frames from the filled items into dest, scaled by gain; the count copied.
    uint32_t Pull(void* dest, uint32_t frames, float gain) noexcept;
    // Empties every item.
    void Reset() noexcept;

    uint32_t ItemCount() const noexcept { return itemCount_; }
    uint32_t FillIndex() const noexcept { return fillIndex_; }
    // Every item filled and no room to grow: the next Push fails.
    bool Full() const noexcept { return fillIndex_ == itemCount_ && itemCount_ + kGrowth >= kItemLimit; }

private:
    struct Item {
        uint32_t capacity;   // frames
        uint32_t remaining;  // frames not yet pulled
        uint32_t written;    // frames pushed
        uint32_t number;
        unsigned char* data;  // host-format audio, 16-byte aligned
    };

    OutputQueue(uint32_t blockFrames, const HostSampleWriter& writer) noexcept;
    ~OutputQueue();
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;
    bool Grow() noexcept;

    HostSampleWriter writer_;
    uint32_t blockFrames_;
    uint32_t itemCount_ = 0;
    uint32_t fillIndex_ = 0;
    uint32_t blockCount_ = 0;
    Item* items_[kItemLimit] = {};
    void* blocks_[kItemLimit / kGrowth + 1] = {};
};

}  // namespace qm
