// The .fxp/.fxb reader on its own: every check made on a record, every size against the bytes there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "presets/fx_codec.h"

namespace qm::presets {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kId = 0x50725374;  // "PrSt"
constexpr int32_t kVersion = 0x01020304;

void Put(Bytes& bytes, size_t at, uint32_t value) { WriteBig32(bytes.data() + at, value); }

Bytes Preset(bool chunk, uint32_t count, const char* name = "Warm Pad") {
    Bytes bytes(chunk ? kPresetChunkHeaderBytes + count : kPresetHeaderBytes + 4 * count, 0);
    Put(bytes, 0, kChunkMagic);
    Put(bytes, 8, chunk ? kPresetChunk : kPresetParams);
    Put(bytes, 16, kId);
    Put(bytes, 20, kVersion);
    Put(bytes, 24, chunk ? 1 : count);
    std::memcpy(bytes.data() + kNameOffset, name, std::strlen(name));
    if (chunk) Put(bytes, kPresetHeaderBytes, count);
    for (uint32_t i = 0; i < count; ++i) bytes[(chunk ? kPresetChunkHeaderBytes : kPresetHeaderBytes) + (chunk ? i : 4 * i)] = 0x3F;
    return bytes;
}

Bytes Bank(bool chunk, uint32_t programs, uint32_t params = 2) {
    Bytes bytes(chunk ? kBankChunkHeaderBytes + 8 : kBankHeaderBytes, 0);
    Put(bytes, 0, kChunkMagic);
    Put(bytes, 8, chunk ? kBankChunk : kBankParams);
    Put(bytes, 12, chunk ? 0 : kVersion);
    Put(bytes, 16, kId);
    Put(bytes, 20, kVersion);
    Put(bytes, 24, programs);
    if (chunk) Put(bytes, kBankHeaderBytes, 8);
    for (uint32_t p = 0; !chunk && p < programs; ++p) {
        const Bytes program = Preset(false, params);
        bytes.insert(bytes.end(), program.begin(), program.end());
    }
    return bytes;
}

struct Outcome {
    bool parsed, matches;
    FxFault fault;
};

Outcome Check(const Bytes& bytes, FxKind kind) {
    FxRecord record;
    Outcome outcome{false, false, {}};
    outcome.parsed = ParseFxRecord(&kind, bytes.data(), bytes.size(), &record, &outcome.fault);
    if (outcome.parsed) outcome.matches = FxMatchesPlugIn(record, kId, kVersion, &outcome.fault);
    return outcome;
}

void Reverse(Bytes& bytes, size_t at) { std::reverse(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.begin() + static_cast<ptrdiff_t>(at) + 4); }

struct Case {
    const char* name;
    std::function<Bytes()> make;
    FxKind kind;
    bool accepted;
    FxField field;  // for a refusal
    size_t offset;
};

const Case kCases[] = {
    {"ParameterPreset", [] { return Preset(false, 3); }, FxKind::Preset, true, FxField::None, 0},
    {"ChunkPreset", [] { return Preset(true, 5); }, FxKind::Preset, true, FxField::None, 0},
    {"ParameterBank", [] { return Bank(false, 3); }, FxKind::Bank, true, FxField::None, 0},
    {"ChunkBank", [] { return Bank(true, 3); }, FxKind::Bank, true, FxField::None, 0},
    {"EmptyBank", [] { return Bank(false, 0); }, FxKind::Bank, true, FxField::None, 0},
    {"ReversedMagicsAccepted", [] { Bytes b = Preset(false, 3); Reverse(b, 0); Reverse(b, 8); return b; }, FxKind::Preset, true, FxField::None, 0},
    {"VersionOtherByteOrder", [] { Bytes b = Preset(false, 3); Reverse(b, 20); return b; }, FxKind::Preset, true, FxField::None, 0},
    {"BankVersionOnlyAt12", [] { Bytes b = Bank(false, 0); Put(b, 20, 7); return b; }, FxKind::Bank, true, FxField::None, 0},
    {"BankVersionAt12OtherOrder", [] { Bytes b = Bank(false, 0); Put(b, 20, 7); Reverse(b, 12); return b; }, FxKind::Bank, true, FxField::None, 0},
    {"WrongChunkMagic", [] { Bytes b = Preset(false, 3); b[0] = 'X'; return b; }, FxKind::Preset, false, FxField::ChunkMagic, 0},
    {"WrongFormMagic", [] { Bytes b = Preset(false, 3); Put(b, 8, 0x46784378); return b; }, FxKind::Preset, false, FxField::FormMagic, 8},
    {"BankWhereAPresetIsWanted", [] { return Bank(false, 1); }, FxKind::Preset, false, FxField::FormMagic, 8},
    {"WrongUniqueId", [] { Bytes b = Preset(false, 3); Put(b, 16, kId + 1); return b; }, FxKind::Preset, false, FxField::UniqueId, 16},
    {"ReversedUniqueId", [] { Bytes b = Preset(false, 3); Reverse(b, 16); return b; }, FxKind::Preset, false, FxField::UniqueId, 16},
    {"WrongVersion", [] { Bytes b = Preset(false, 3); Put(b, 20, 9); return b; }, FxKind::Preset, false, FxField::Version, 20},
    {"PresetVersionAt12NotEnough", [] { Bytes b = Preset(false, 3); Put(b, 20, 9); Put(b, 12, kVersion); return b; }, FxKind::Preset, false, FxField::Version, 20},
    {"ChunkSizeLargerThanFile", [] { Bytes b = Preset(true, 5); Put(b, 56, 6); return b; }, FxKind::Preset, false, FxField::ChunkSize, 56},
    {"BankChunkSizeLargerThanFile", [] { Bytes b = Bank(true, 1); Put(b, 156, 0xFFFFFFF0u); return b; }, FxKind::Bank, false, FxField::ChunkSize, 156},
    {"ParameterCountLargerThanFile", [] { Bytes b = Preset(false, 3); Put(b, 24, 4); return b; }, FxKind::Preset, false, FxField::Count, 24},
    {"ProgramCount2To31", [] { Bytes b = Bank(false, 2); Put(b, 24, 0x80000000u); return b; }, FxKind::Bank, false, FxField::Count, 24},
    {"ProgramMissing", [] { Bytes b = Bank(false, 2); Put(b, 24, 3); return b; }, FxKind::Bank, false, FxField::Count, 24},
    {"ProgramOfAnotherPlugIn", [] { Bytes b = Bank(false, 2); Put(b, 156 + 64 + 16, 1); return b; }, FxKind::Bank, false, FxField::UniqueId, 156 + 64 + 16},
    {"ProgramWithWrongMagic", [] { Bytes b = Bank(false, 2); b[156 + 64] = 0; return b; }, FxKind::Bank, false, FxField::ChunkMagic, 156 + 64},
};

TEST(FxCodec, MalformedFilesAreRefusedAtTheirFieldAndEveryTruncationIsRefused) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = c.make();
        const Outcome outcome = Check(bytes, c.kind);
        EXPECT_EQ(outcome.parsed && outcome.matches, c.accepted);
        if (!c.accepted) {
            EXPECT_EQ(outcome.fault.field, c.field) << FxFieldName(outcome.fault.field);
            EXPECT_EQ(outcome.fault.offset, c.offset);
            continue;
        }
        // Every prefix of an accepted file is refused: a cut at any field boundary (or inside a field)
        // never yields a record that reaches past the bytes there.
        for (size_t length = 0; length < bytes.size(); ++length) {
            const Outcome cut = Check(Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(length)), c.kind);
            EXPECT_FALSE(cut.parsed) << "length " << length << " of " << bytes.size();
            EXPECT_TRUE(cut.fault.truncated) << "length " << length;
        }
    }
}

}  // namespace
}  // namespace qm::presets
