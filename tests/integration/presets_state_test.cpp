// The instance state stream and a bus's record on the host's stream: their fixed little-endian images
// (the same bytes from the Windows and the Linux build), what loading gives back, and that a stream
// that is not right changes nothing and leaves the stream where the state began.
#include <gtest/gtest.h>

#include <string>

#include "routing/vsti_bus.h"
#include "streams.h"
#include "unit/presets_fakes.h"

namespace presets_test {
namespace {

using Bytes = std::vector<uint8_t>;
using qm::host::MemoryStream;

constexpr GUID kGuid = {0x11223344, 0x5566, 0x7788, {0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00}};

Bytes Hex(const char* text) {
    Bytes bytes;
    for (const char* c = text; c[0] != 0 && c[1] != 0; c += c[0] == ' ' ? 1 : 2) {
        if (c[0] != ' ') bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(c, 2), nullptr, 16)));
    }
    return bytes;
}

// Two programs of two parameters, program 1 current, the GUID above.
const Bytes kParameterImage = Hex(
    "05000000 c8000000 04000000 01000000"                    // version, byte count, constant, program
    "74537250 18000000 18000000 00000000 00000000"           // unique ID "PrSt", header size, header:
    "02000000 00000000 00010000"                             // 2 programs, no chunk, effFlagsIsSynth
    "74537250 1c000000 1c000000 00000000 0a000000 00000000"  // program 0: record of 28, name of 10 units,
    "02000000 10000000 00010000"                             // reported program 0, 2 parameters, 16 bytes
    "50007200 6f006700 72006100 6d002000 30000000"           // "Program 0"
    "00000000 0000003f 01000000 0000803e"                    // (0, 0.5) (1, 0.25)
    "74537250 1c000000 1c000000 00000000 0a000000 01000000"
    "02000000 10000000 00010000"
    "50007200 6f006700 72006100 6d002000 31000000"           // "Program 1"
    "00000000 0000803f 01000000 0000403f"                    // (0, 1.0) (1, 0.75)
    "44332211 66558877 99aabbcc ddeeff00");                  // the instance GUID

PresetPlugin Blank() {
    PresetPlugin plugin(2, 2, false);
    plugin.values = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    plugin.names = {"", ""};
    return plugin;
}

uint64_t Position(IStream* stream) {
    LARGE_INTEGER zero{};
    ULARGE_INTEGER now{};
    stream->Seek(zero, STREAM_SEEK_CUR, &now);
    return now.QuadPart;
}

struct Stream {
    explicit Stream(Bytes bytes = {}) : stream(MemoryStream::Create(std::move(bytes))) {}
    ~Stream() { stream->Release(); }
    MemoryStream* stream;
};

// Saved from one instance and loaded into a blank one: the image is fixed, and gives the programs,
// names, current program and GUID back.
TEST(InstanceState, ParameterFormImageIsFixedAndRestores) {
    PresetPlugin plugin(2, 2, false);
    plugin.values = {{0.5f, 0.25f}, {1.0f, 0.75f}};
    plugin.current = 1;
    PresetInstance synth(plugin);
    synth->SetGuid(kGuid);
    Stream saved;
    ASSERT_EQ(synth->SaveState(saved.stream), S_OK);
    EXPECT_EQ(saved.stream->Bytes(), kParameterImage);
    EXPECT_EQ(plugin.current, 1);  // back on the program that was current

    PresetPlugin blank = Blank();
    PresetInstance other(blank);
    Stream image(kParameterImage);
    ASSERT_EQ(other->LoadState(image.stream), S_OK);
    EXPECT_EQ(Position(image.stream), kParameterImage.size());
    EXPECT_EQ(blank.values, plugin.values);
    EXPECT_EQ(blank.names, (std::vector<std::string>{"Program 0", "Program 1"}));
    EXPECT_EQ(blank.current, 1);
    GUID guid{};
    other->GetGuid(&guid);
    EXPECT_TRUE(IsEqualGUID(guid, kGuid));

    // Version 4 is the same without the GUID.
    Bytes four(kParameterImage.begin(), kParameterImage.end() - 16);
    four[0] = 4;
    PresetPlugin older = Blank();
    PresetInstance third(older);
    Stream stream(four);
    ASSERT_EQ(third->LoadState(stream.stream), S_OK);
    EXPECT_EQ(older.values, plugin.values);
    third->GetGuid(&guid);
    EXPECT_TRUE(IsEqualGUID(guid, GUID{}));
}

Bytes With(Bytes bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
    return bytes;
}

// The envelope's codes; every refused stream, cut anywhere too, gives the plug-in nothing and is back
// at its start.
TEST(InstanceState, RefusedStreamsChangeNothing) {
    const Bytes chunkHeader = Hex("05000000 00000000 04000000 00000000 74537250 18000000 18000000 00000000 00000000"
                                  "02000000 08000000 20010000 0102030405060708");
    struct Refused { std::string name; Bytes bytes; HRESULT expected; };  // expected S_OK: any failure
    std::vector<Refused> cases = {
        {"version 3", With(kParameterImage, 0, 3), QM_E_STATE_VERSION},
        {"version 6", With(kParameterImage, 0, 6), QM_E_STATE_VERSION},
        {"another plug-in", With(kParameterImage, 16, 0x41424344), QM_S_STATE_NOT_FOR_PLUGIN},
        {"header size 28", With(kParameterImage, 20, 28), E_UNEXPECTED},
        {"name longer than the stream", With(kParameterImage, 64, 0x10000000), E_UNEXPECTED},
        {"parameter data size not 8 x n", With(kParameterImage, 76, 24), E_UNEXPECTED},
        {"parameter count 2^31", With(kParameterImage, 72, 0x80000000u), E_UNEXPECTED},
        {"chunk size 0", With(chunkHeader, 40, 0), E_UNEXPECTED},
        {"chunk size larger than the stream", With(chunkHeader, 40, 9), E_UNEXPECTED},
    };
    for (size_t length = 0; length < kParameterImage.size(); ++length)
        cases.push_back({"cut to " + std::to_string(length), Bytes(kParameterImage.begin(), kParameterImage.begin() + length), S_OK});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PresetPlugin plugin = Blank();
        PresetInstance synth(plugin);
        const size_t mark = plugin.changes.size();
        Bytes bytes = Hex("aabbccdd");  // the host's own data before the state
        bytes.insert(bytes.end(), c.bytes.begin(), c.bytes.end());
        Stream stream(bytes);
        stream.stream->Read(bytes.data(), 4, nullptr);
        const HRESULT result = synth->LoadState(stream.stream);
        EXPECT_EQ(result, c.expected == S_OK ? result : c.expected);
        EXPECT_NE(result, S_OK);
        EXPECT_EQ(Position(stream.stream), 4u);
        EXPECT_TRUE(plugin.changes.size() == mark);
        EXPECT_EQ(synth->PendingChunk(), nullptr);
    }
}

// The chunk waits for the next format and is applied as the bank chunk; the stored flags decide.
TEST(InstanceState, ChunkFormIsPendingUntilTheFormat) {
    PresetPlugin plugin(3, 5, true);
    plugin.chunks[0] = {7, 6, 5, 4};
    PresetInstance synth(plugin);
    Stream saved;
    ASSERT_EQ(synth->SaveState(saved.stream), S_OK);
    const Bytes& bytes = saved.stream->Bytes();
    EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.end() - 16),
              Hex("74537250 18000000 18000000 00000000 00000000 03000000 04000000 20010000 07060504"));

    PresetPlugin fresh(3, 5, true);
    PresetInstance other(fresh);
    Stream stream(bytes);
    ASSERT_EQ(other->LoadState(stream.stream), S_OK);
    EXPECT_TRUE(fresh.setChunk.empty());
    const WAVEFORMATEX format = hosting_test::HostFormat();
    ASSERT_EQ(other->SetFormat(&format, 0, 0), S_OK);
    EXPECT_EQ(fresh.setChunkIndex, 0);
    EXPECT_EQ(fresh.setChunk, (Bytes{7, 6, 5, 4}));
    EXPECT_EQ(other->PendingChunk(), nullptr);

    PresetPlugin noChunks(3, 5, false);
    PresetInstance third(noChunks);
    Stream again(bytes);
    ASSERT_EQ(third->LoadState(again.stream), S_OK);
    EXPECT_NE(third->PendingChunk(), nullptr);
    EXPECT_EQ(third->PendingChunkSize(), 4u);
}

TEST(InstanceState, CapturedChunkIsSavedAndFreed) {
    PresetPlugin plugin(1, 1, true);
    plugin.chunks[0] = {1, 1};
    PresetInstance synth(plugin);
    ASSERT_EQ(synth->CaptureChunk(), S_OK);
    plugin.chunks[0] = {2, 2, 2};
    Stream saved;
    ASSERT_EQ(synth->SaveState(saved.stream), S_OK);
    const Bytes& bytes = saved.stream->Bytes();
    EXPECT_EQ(Bytes(bytes.end() - 18, bytes.end() - 16), (Bytes{1, 1}));
    EXPECT_EQ(synth->CapturedChunk(), nullptr);
}

// A bus of an instance of four outputs, and the record it saves with the GUID below.
struct OneBus {
    hosting_test::FakePlugin plugin{4};
    hosting_test::BusRig rig{plugin};
    OneBus() { rig.TakeBuses(false); }
    qm::IQmSoftSynth* bus() const { return rig.buses.at(0); }
};
constexpr GUID kBusGuid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
const Bytes kBusRecord = Hex("05000000 10000000 78563412 bc9af0de 01020304 05060708");

TEST(BusesState, SavesVersionFiveWithItsGuidAfterWhatTheStreamHolds) {
    OneBus one;
    ASSERT_EQ(one.rig->SetGuid(kBusGuid), S_OK);
    Stream stream(Hex("eeee"));
    LARGE_INTEGER to;
    to.QuadPart = 2;
    ASSERT_EQ(stream.stream->Seek(to, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(one.bus()->SaveState(stream.stream), S_OK);
    Bytes expected = Hex("eeee");
    expected.insert(expected.end(), kBusRecord.begin(), kBusRecord.end());
    EXPECT_EQ(stream.stream->Bytes(), expected);
    EXPECT_EQ(Position(stream.stream), expected.size());
}

TEST(BusesState, LoadsVersionsFiveAndFourAndRestoresThePositionOnAnythingElse) {
    const struct { const char* what; Bytes bytes; uint64_t position; bool guidLoaded; } cases[] = {
        {"version 5", kBusRecord, 24, true},
        {"version 4", Hex("04000000 10000000 aa"), 8, false},
        {"version 3", With(kBusRecord, 0, 3), 0, false},
        {"short version 5", {kBusRecord.begin(), kBusRecord.begin() + 12}, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OneBus one;
        Stream stream(c.bytes);
        EXPECT_EQ(one.bus()->LoadState(stream.stream), S_OK);
        EXPECT_EQ(Position(stream.stream), c.position);
        EXPECT_EQ(IsEqualGUID(one.rig->BusAt(0)->Guid(), kBusGuid), c.guidLoaded);
    }
}

}  // namespace
}  // namespace presets_test
