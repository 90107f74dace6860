// CSofSynthBuffer: time stamps to sample offsets, ordering, the block window and the pool bound.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "routing/synth_buffer.h"

using qm::CSofSynthBuffer;

namespace {

constexpr LONGLONG kStart = 50000000;  // 5 s

// Host time of a frame offset at 44100 Hz (exact enough to round back to the same frame).
LONGLONG TimeOfFrames(int frames) { return static_cast<LONGLONG>(frames * 10000000.0 / 44100.0 + 0.5); }

DWORD NoteOn(int channel, int key, int velocity) {
    return static_cast<DWORD>(0x90 | channel) | static_cast<DWORD>(key << 8) | static_cast<DWORD>(velocity << 16);
}

class SynthBuffer : public ::testing::Test {
protected:
    void SetUp() override {
        // Mono 32-bit float at 44100 Hz, in the fields' order: tag, channels, rate, bytes per second, block.
        const WAVEFORMATEX format{WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 44100 * 4, 4, 32, 0};
        buffer = CSofSynthBuffer::CreateForInstance(256, format);
        ASSERT_NE(buffer, nullptr);
        buffer->SetStartTime(kStart);
    }
    void TearDown() override {
        if (buffer != nullptr) {
            EXPECT_EQ(buffer->Release(), 0u);
        }
    }
    // (deltaFrames, key) of every held event, in list order.
    std::vector<std::pair<int, int>> Held() const {
        std::vector<std::pair<int, int>> held;
        for (int32_t i = 0; i < buffer->EventCount(); ++i) {
            const VstMidiEvent* event = buffer->EventAt(i);
            held.emplace_back(event->deltaFrames, static_cast<unsigned char>(event->midiData[1]));
        }
        return held;
    }
    CSofSynthBuffer* buffer = nullptr;
};

}  // namespace

TEST_F(SynthBuffer, OrdersByOffsetKeepingArrivalOrderAndCountsOnlyTheBlock) {
    ASSERT_EQ(buffer->PutShortEvent(kStart + TimeOfFrames(300), NoteOn(0, 1, 100), 0), S_OK);
    ASSERT_EQ(buffer->PutShortEvent(kStart + TimeOfFrames(100), NoteOn(0, 2, 100), 0), S_OK);
    ASSERT_EQ(buffer->PutShortEvent(kStart + TimeOfFrames(100), NoteOn(0, 3, 100), 0), S_OK);
    EXPECT_EQ(Held(), (std::vector<std::pair<int, int>>{{100, 2}, {100, 3}, {300, 1}}));
    EXPECT_EQ(buffer->Events()->numEvents, 2);
    // The list the plug-in reads is the same, behind the VstEvents header.
    EXPECT_EQ(reinterpret_cast<VstMidiEvent*>(buffer->Events()->events[0])->midiData[1], 2);

    // Advancing by one block keeps the later event, re-based on the new start.
    ASSERT_EQ(buffer->AdvanceTime(TimeOfFrames(256)), S_OK);
    EXPECT_EQ(Held(), (std::vector<std::pair<int, int>>{{44, 1}}));
    LONGLONG start = 0;
    ASSERT_EQ(buffer->GetStartTime(&start), S_OK);
    EXPECT_EQ(start, kStart + TimeOfFrames(256));

    // A later change of the block window does not recount; the next advance does.
    buffer->SetBlockFrames(10);
    EXPECT_EQ(buffer->Events()->numEvents, 1);
    ASSERT_EQ(buffer->AdvanceTime(TimeOfFrames(1)), S_OK);
    EXPECT_EQ(Held(), (std::vector<std::pair<int, int>>{{43, 1}}));
    EXPECT_EQ(buffer->Events()->numEvents, 0);

    // Advancing by 0 empties the buffer.
    ASSERT_EQ(buffer->AdvanceTime(0), S_OK);
    EXPECT_EQ(buffer->EventCount(), 0);

    buffer->SetStartTime(kStart);
    // 1 ms at 44100 Hz: 44.1 frames + 0.5, truncated.
    ASSERT_EQ(buffer->PutShortEvent(kStart + 10000, 0x00FF9090u, 0), S_OK);
    const VstMidiEvent* e = buffer->EventAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::make_tuple(e->type, e->byteSize, e->deltaFrames, e->flags, e->noteLength),
              std::make_tuple(kVstMidiType, 24, 44, 0, 0));
    // The data bytes keep seven bits each; the status byte all eight.
    EXPECT_EQ(std::memcmp(e->midiData, "\x90\x10\x7F\x00", 4), 0);
    LONGLONG last = 0;
    EXPECT_EQ(buffer->GetLastEventOffset(&last), QM_S_NOTHING_RENDERED);
    EXPECT_EQ(last, 10000);

    // An event before the start plays at once and leaves the last offset alone.
    ASSERT_EQ(buffer->PutShortEvent(kStart - 10000, NoteOn(1, 60, 1), 0), S_OK);
    EXPECT_EQ(buffer->EventAt(0)->deltaFrames, 0);
    EXPECT_EQ(buffer->GetLastEventOffset(&last), QM_S_NOTHING_RENDERED);
    EXPECT_EQ(last, 10000);

    // The instance's pool of 2048 events refuses the next until it runs empty; a buffer of its own takes
    // as many whole records as its capacity holds, none below one record.
    ASSERT_EQ(buffer->AdvanceTime(0), S_OK);
    for (int i = 0; i < 2047; ++i) ASSERT_EQ(buffer->PutShortEvent(kStart, NoteOn(0, i % 128, 1), 0), S_OK) << i;
    ASSERT_EQ(buffer->PutShortEvent(kStart + TimeOfFrames(1000), NoteOn(0, 99, 1), 0), S_OK);
    EXPECT_EQ(buffer->PutShortEvent(kStart, NoteOn(0, 1, 1), 0), S_FALSE);
    // Advancing drops all but the late event; its record still holds the pool.
    ASSERT_EQ(buffer->AdvanceTime(TimeOfFrames(256)), S_OK);
    EXPECT_EQ(buffer->EventCount(), 1);
    EXPECT_EQ(buffer->PutShortEvent(kStart, NoteOn(0, 1, 1), 0), S_FALSE);
    ASSERT_EQ(buffer->AdvanceTime(0), S_OK);
    EXPECT_EQ(buffer->PutShortEvent(kStart, NoteOn(0, 1, 1), 0), S_OK);

    CSofSynthBuffer* small = CSofSynthBuffer::Create();
    ASSERT_NE(small, nullptr);
    small->AddRef();
    EXPECT_EQ(small->Init(1000), S_OK);
    EXPECT_EQ(small->PutShortEvent(0, NoteOn(0, 60, 1), 0), S_FALSE);
    EXPECT_EQ(small->Events(), nullptr);
    EXPECT_EQ(small->Init(1050), S_OK);
    EXPECT_EQ(small->Capacity(), 1024u);
    small->SetFrameCount(64);
    for (int i = 0; i < 32; ++i) ASSERT_EQ(small->PutShortEvent(0, NoteOn(0, 60, 1), 0), S_OK);
    EXPECT_EQ(small->PutShortEvent(0, NoteOn(0, 60, 1), 0), S_FALSE);
    EXPECT_EQ(small->Release(), 0u);
}

