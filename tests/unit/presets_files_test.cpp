// Preset and bank files of an instance: the bytes written, what the plug-in is given back, and that a
// refused file or a faulting plug-in leaves the plug-in as it was.
#include <gtest/gtest.h>

#include "presets/preset_files.h"
#include "unit/presets_fakes.h"

namespace presets_test {
namespace {

using qm::presets::LoadBankFile;
using qm::presets::LoadPresetFile;
using qm::presets::SaveBankFile;
using qm::presets::SavePresetFile;
using Bytes = std::vector<uint8_t>;

Bytes Big(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value)};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Text(const char* text, size_t width) {
    Bytes field(width, 0);
    std::memcpy(field.data(), text, std::strlen(text));
    return field;
}

TEST(PresetFiles, ParameterPresetIsByteExact) {
    PresetPlugin plugin(2, 3, false);
    plugin.current = 1;
    plugin.values[1] = {0.5f, 1.0f, 0.25f};
    PresetInstance synth(plugin);
    TempFile file("fxp");
    ASSERT_EQ(SavePresetFile(*synth, file.wide.c_str()), S_OK);
    const Bytes expected = Concat({{'C', 'c', 'n', 'K'}, Big(0), {'F', 'x', 'C', 'k'}, Big(0), {'P', 'r', 'S', 't'},
                                   Big(0x01020304), Big(3), Text("Program 1", 28), Big(0x3F000000), Big(0x3F800000),
                                   Big(0x3E800000)});
    EXPECT_EQ(ReadBytes(file.path), expected);
}

TEST(PresetFiles, LongNamesAreCutTo27Bytes) {
    PresetPlugin plugin(1, 0, false);
    plugin.names[0] = "abcdefghijklmnopqrstuvwxyz0123";
    PresetInstance synth(plugin);
    TempFile file("fxp");
    ASSERT_EQ(SavePresetFile(*synth, file.wide.c_str()), S_OK);
    const Bytes bytes = ReadBytes(file.path);
    ASSERT_EQ(bytes.size(), 56u);
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.end()), Text("abcdefghijklmnopqrstuvwxyz0", 28));
}

TEST(PresetFiles, ChunkPresetAndBankCarryThePlugInsBytes) {
    PresetPlugin plugin(4, 7, true);
    plugin.chunks[0] = {1, 2, 3, 4, 5};
    plugin.chunks[1] = {9, 8, 7};
    PresetInstance synth(plugin);
    TempFile preset("fxp"), bank("fxb");
    ASSERT_EQ(SavePresetFile(*synth, preset.wide.c_str()), S_OK);
    ASSERT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(preset.path), Concat({{'C', 'c', 'n', 'K'}, Big(0), {'F', 'P', 'C', 'h'}, Big(0),
                                              {'P', 'r', 'S', 't'}, Big(0x01020304), Big(1), Text("Program 0", 28),
                                              Big(3), {9, 8, 7}}));
    EXPECT_EQ(ReadBytes(bank.path), Concat({{'C', 'c', 'n', 'K'}, Big(0), {'F', 'B', 'C', 'h'}, Big(0),
                                            {'P', 'r', 'S', 't'}, Big(0x01020304), Big(4), Bytes(128, 0), Big(5),
                                            {1, 2, 3, 4, 5}}));

    PresetPlugin fresh(4, 7, true);
    PresetInstance other(fresh);
    ASSERT_EQ(LoadPresetFile(*other, preset.wide.c_str()), S_OK);
    EXPECT_EQ(fresh.setChunkIndex, 1);
    EXPECT_EQ(fresh.setChunk, (Bytes{9, 8, 7}));
    ASSERT_EQ(LoadBankFile(*other, bank.wide.c_str()), S_OK);
    EXPECT_EQ(fresh.setChunkIndex, 0);
    EXPECT_EQ(fresh.setChunk, (Bytes{1, 2, 3, 4, 5}));
}

TEST(PresetFiles, EmptyChunkSavesNothing) {
    PresetPlugin plugin(2, 2, true);
    PresetInstance synth(plugin);
    TempFile preset("fxp"), bank("fxb");
    EXPECT_EQ(SavePresetFile(*synth, preset.wide.c_str()), S_FALSE);
    EXPECT_FALSE(qm::platform::FileExists(preset.wide.c_str()));
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_FALSE);
    EXPECT_TRUE(qm::platform::FileExists(bank.wide.c_str()));
    EXPECT_TRUE(ReadBytes(bank.path).empty());
}

TEST(PresetFiles, ParameterBankRoundTrip) {
    PresetPlugin plugin(3, 2, false);
    PresetInstance synth(plugin);
    TempFile bank("fxb");
    ASSERT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(bank.path).size(), 156u + 3 * (56u + 8u));

    PresetPlugin fresh(3, 2, false);
    for (auto& row : fresh.values) row = {0.0f, 0.0f};
    for (auto& name : fresh.names) name.clear();
    PresetInstance other(fresh);
    ASSERT_EQ(LoadBankFile(*other, bank.wide.c_str()), S_OK);
    EXPECT_EQ(fresh.values, plugin.values);
    EXPECT_EQ(fresh.names, plugin.names);
}

TEST(PresetFiles, BankWithoutProgramsIsTheHeaderAlone) {
    PresetPlugin plugin(0, 2, false);
    PresetInstance synth(plugin);
    TempFile bank("fxb");
    ASSERT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(ReadBytes(bank.path).size(), 156u);
    EXPECT_EQ(LoadBankFile(*synth, bank.wide.c_str()), S_OK);
}

// Files that are refused give the plug-in nothing: no name, no program change, no value, no chunk.
TEST(PresetFiles, RefusedFilesLeaveThePlugInUntouched) {
    PresetPlugin source(2, 2, false);
    PresetInstance writer(source);
    TempFile good("fxb");
    ASSERT_EQ(SaveBankFile(*writer, good.wide.c_str()), S_OK);
    const Bytes bank = ReadBytes(good.path);

    const struct { const char* name; Bytes bytes; bool preset; } files[] = {
        {"another plug-in", [&] { Bytes b = bank; b[19] ^= 1; return b; }(), false},
        {"program of another plug-in", [&] { Bytes b = bank; b[156 + 64 + 19] ^= 1; return b; }(), false},
        {"truncated in the last program", Bytes(bank.begin(), bank.end() - 1), false},
        {"program count 2^31", [&] { Bytes b = bank; b[24] = 0x80; return b; }(), false},
        {"preset where a bank is wanted", Bytes(bank.begin() + 156, bank.begin() + 156 + 64), false},
        {"bank where a preset is wanted", bank, true},
        {"empty file", {}, true},
    };
    for (const auto& file : files) {
        TempFile path(file.preset ? "fxp" : "fxb");
        WriteBytes(path.path, file.bytes);
        PresetPlugin target(2, 2, false);
        PresetInstance synth(target);
        const size_t mark = target.calls.size();
        const HRESULT result = file.preset ? LoadPresetFile(*synth, path.wide.c_str()) : LoadBankFile(*synth, path.wide.c_str());
        EXPECT_EQ(result, QM_S_FILE_NOT_FOR_PLUGIN) << file.name;
        EXPECT_TRUE(target.changesSince(mark).empty()) << file.name;
    }
}

TEST(PresetFiles, FaultsInChunkCallsLeaveTheInstanceUsable) {
    PresetPlugin plugin(2, 2, true);
    plugin.chunks[0] = plugin.chunks[1] = {1, 2};
    PresetInstance synth(plugin);
    TempFile preset("fxp"), bank("fxb");
    ASSERT_EQ(SavePresetFile(*synth, preset.wide.c_str()), S_OK);
    plugin.throwInChunkCalls = true;
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), QM_E_PLUGIN_EXCEPTION);
    EXPECT_TRUE(synth->Status() & qm::InstanceStatus::Faulted);
    synth->ClearFaulted();
    EXPECT_EQ(LoadPresetFile(*synth, preset.wide.c_str()), QM_E_PLUGIN_EXCEPTION);
    plugin.throwInChunkCalls = false;
    EXPECT_EQ(SaveBankFile(*synth, bank.wide.c_str()), S_OK);
    EXPECT_EQ(LoadPresetFile(*synth, preset.wide.c_str()), S_OK);
    EXPECT_EQ(plugin.setChunk, (Bytes{1, 2}));
}

TEST(PresetFiles, PresetFolderStartsAtTheModulesFolder) {
    PresetPlugin plugin(1, 1, false);
    PresetInstance synth(plugin);
    WCHAR folder[260];
    qm::presets::GetPresetFolder(*synth, folder, 260);
    EXPECT_EQ(WString(folder), WString(QMW("/plugins/")));
    const WString chosen = QMW("/songs/sounds/");
    std::copy(chosen.c_str(), chosen.c_str() + chosen.size() + 1, synth->PresetFolder());
    qm::presets::GetPresetFolder(*synth, folder, 6);
    EXPECT_EQ(WString(folder), WString(QMW("/song")));
}

}  // namespace
}  // namespace presets_test
