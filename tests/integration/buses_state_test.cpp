// A bus's saved state on the host's stream: the exact bytes (the same on both targets, so a state
// saved under Windows loads on Linux), version 4 without its GUID, and refused versions and short
// records, which leave the stream where the record began.
#include <gtest/gtest.h>

#include <vector>

#include "routing/vsti_bus.h"
#include "streams.h"
#include "unit/hosting_fakes.h"

using namespace hosting_test;

namespace {

constexpr GUID kGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
const std::vector<BYTE> kSaved = {5, 0, 0, 0, 16, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                  1, 2, 3, 4, 5, 6, 7, 8};

ULONGLONG PositionOf(IStream* stream) {
    LARGE_INTEGER none;
    none.QuadPart = 0;
    ULARGE_INTEGER at;
    at.QuadPart = 0;
    EXPECT_EQ(stream->Seek(none, STREAM_SEEK_CUR, &at), S_OK);
    return at.QuadPart;
}

// An instance of four outputs: one stereo bus.
struct OneBus {
    FakePlugin plugin{4};
    BusRig rig{plugin};
    OneBus() { rig.TakeBuses(false); }
    qm::IQmSoftSynth* bus() const { return rig.buses.at(0); }
};

}  // namespace

TEST(BusesState, SavesVersionFiveWithItsGuidAfterWhatTheStreamHolds) {
    OneBus one;
    ASSERT_EQ(one.rig->SetGuid(kGuid), S_OK);
    qm::host::MemoryStream* stream = qm::host::MemoryStream::Create({0xEE, 0xEE});
    LARGE_INTEGER to;
    to.QuadPart = 2;
    ASSERT_EQ(stream->Seek(to, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(one.bus()->SaveState(stream), S_OK);
    std::vector<BYTE> expected = {0xEE, 0xEE};
    expected.insert(expected.end(), kSaved.begin(), kSaved.end());
    EXPECT_EQ(stream->Bytes(), expected);
    EXPECT_EQ(PositionOf(stream), expected.size());
    stream->Release();
}

TEST(BusesState, LoadsVersionsFiveAndFourAndRestoresThePositionOnAnythingElse) {
    std::vector<BYTE> version3 = kSaved;
    version3[0] = 3;
    const struct {
        const char* what;
        std::vector<BYTE> bytes;
        ULONGLONG position;
        bool guidLoaded;
    } cases[] = {
        {"version 5", kSaved, 24, true},
        {"version 4", {4, 0, 0, 0, 16, 0, 0, 0, 0xAA}, 8, false},
        {"version 3", version3, 0, false},
        {"short version 5", {kSaved.begin(), kSaved.begin() + 12}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OneBus one;
        qm::host::MemoryStream* stream = qm::host::MemoryStream::Create(c.bytes);
        EXPECT_EQ(one.bus()->LoadState(stream), S_OK);
        EXPECT_EQ(PositionOf(stream), c.position);
        EXPECT_EQ(IsEqualGUID(one.rig->BusAt(0)->Guid(), kGuid), c.guidLoaded);
        stream->Release();
    }
}
