// Preset and bank files of an instance: the bytes written, what the plug-in is given back, and that a
// refused file or a faulting plug-in leaves the plug-in as it was.
#include <gtest/gtest.h>

#include "integration/host_smf_builder.h"
#include "presets/preset_files.h"
#include "unit/presets_fakes.h"

namespace presets_test {
namespace {

using namespace qm::presets;
using qm::test::Cat;
using Bytes = std::vector<uint8_t>;

Bytes Big(uint32_t value) { return qm::test::Big(value, 4); }

Bytes Text(const char* text, size_t width) {
    Bytes field(width, 0);
    std::memcpy(field.data(), text, std::strlen(text));
    return field;
}

// The header of every file: magic, size (0), form, version (0), unique ID, plug-in version, count.
Bytes Header(const char* form, uint32_t count) {
    return Cat({{'C', 'c', 'n', 'K'}, Big(0), Bytes(form, form + 4), Big(0), {'P', 'r', 'S', 't'}, Big(0x01020304), Big(count)});
}

TEST(PresetFiles, ParameterPresetIsByteExactWithTheNameCutTo27Bytes) {
    PresetPlugin plugin(2, 3, false);
    plugin.current = 1;
    plugin.values[1] = {0.5f, 1.0f, 0.25f};
    plugin.names[1] = "abcdefghijklmnopqrstuvwxyz0123";
    PresetInstance synth(plugin);
    TempFile file("fxp");
    ASSERT_EQ(SavePresetFile(*synth, file.wide.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(file.path), Cat({Header("FxCk", 3), Text("abcdefghijklmnopqrstuvwxyz0", 28), Big(0x3F000000),
                                         Big(0x3F800000), Big(0x3E800000)}));
}

TEST(PresetFiles, ChunkFilesCarryThePlugInsBytesAndFaultsLeaveTheInstanceUsable) {
    PresetPlugin plugin(4, 7, true);
    PresetInstance synth(plugin);
    TempFile preset("fxp"), bank("fxb");
    // An empty chunk saves nothing.
    EXPECT_EQ(SavePresetFile(*synth, preset.wide.c_str()), S_FALSE);
    EXPECT_FALSE(qm::platform::FileExists(preset.wide.c_str()));
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_FALSE);
    EXPECT_TRUE(ReadBytes(bank.path).empty());
    plugin.chunks[0] = {1, 2, 3, 4, 5};
    plugin.chunks[1] = {9, 8, 7};
    ASSERT_EQ(SavePresetFile(*synth, preset.wide.c_str()), S_OK);
    ASSERT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(preset.path), Cat({Header("FPCh", 1), Text("Program 0", 28), Big(3), {9, 8, 7}}));
    EXPECT_EQ(ReadBytes(bank.path), Cat({Header("FBCh", 4), Bytes(128, 0), Big(5), {1, 2, 3, 4, 5}}));

    PresetPlugin fresh(4, 7, true);
    PresetInstance other(fresh);
    ASSERT_EQ(LoadPresetFile(*other, preset.wide.c_str()), S_OK);
    EXPECT_EQ(fresh.setChunkIndex, 1);
    EXPECT_EQ(fresh.setChunk, (Bytes{9, 8, 7}));
    ASSERT_EQ(LoadBankFile(*other, bank.wide.c_str()), S_OK);
    EXPECT_EQ(fresh.setChunkIndex, 0);
    EXPECT_EQ(fresh.setChunk, (Bytes{1, 2, 3, 4, 5}));

    // A fault in a chunk call is reported; the instance works again once the plug-in does.
    plugin.throwInChunkCalls = true;
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), QM_E_PLUGIN_EXCEPTION);
    EXPECT_TRUE(synth->Status() & qm::InstanceStatus::Faulted);
    synth->ClearFaulted();
    EXPECT_EQ(LoadPresetFile(*synth, preset.wide.c_str()), QM_E_PLUGIN_EXCEPTION);
    plugin.throwInChunkCalls = false;
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(LoadPresetFile(*synth, preset.wide.c_str()), S_OK);
    EXPECT_EQ(plugin.setChunk, (Bytes{9, 8, 7}));
}

// A parameter bank loaded again gives every program back; a refused file gives the plug-in nothing:
// no name, no program change, no value, no chunk.
TEST(PresetFiles, ParameterBanksRoundTripAndRefusedFilesLeaveThePlugInUntouched) {
    Bytes bank;
    for (int32_t programs : {0, 3}) {
        SCOPED_TRACE(programs);
        PresetPlugin plugin(programs, 2, false);
        PresetInstance synth(plugin);
        TempFile saved("fxb");
        ASSERT_EQ(SaveBankFile(*synth, saved.wide.c_str()), S_OK);
        bank = ReadBytes(saved.path);
        EXPECT_EQ(bank.size(), 156u + static_cast<size_t>(programs) * (56u + 8u));

        PresetPlugin fresh(programs, 2, false);
        for (auto& row : fresh.values) row = {0.0f, 0.0f};
        for (auto& name : fresh.names) name.clear();
        PresetInstance other(fresh);
        ASSERT_EQ(LoadBankFile(*other, saved.wide.c_str()), S_OK);
        EXPECT_EQ(fresh.values, plugin.values);
        EXPECT_EQ(fresh.names, plugin.names);
    }

    // The bank of three programs, spoiled.
    const struct { const char* name; Bytes bytes; bool preset; } files[] = {
        {"program of another plug-in", [&] { Bytes b = bank; b[156 + 64 + 19] ^= 1; return b; }(), false},
        {"truncated in the last program", Bytes(bank.begin(), bank.end() - 1), false},
        {"bank where a preset is wanted", bank, true},
        {"empty file", {}, true},
    };
    for (const auto& file : files) {
        TempFile path(file.preset ? "fxp" : "fxb");
        WriteBytes(path.path, file.bytes);
        PresetPlugin target(3, 2, false);
        PresetInstance synth(target);
        const size_t mark = target.changes.size();
        const HRESULT result = file.preset ? LoadPresetFile(*synth, path.wide.c_str()) : LoadBankFile(*synth, path.wide.c_str());
        EXPECT_EQ(result, QM_S_FILE_NOT_FOR_PLUGIN) << file.name;
        EXPECT_TRUE(target.changes.size() == mark) << file.name;
    }
}

}  // namespace
}  // namespace presets_test
