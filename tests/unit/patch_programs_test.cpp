// The patch device's programs: plain programs numbered into program and bank bytes and grouped in
// blocks, MIDI program names with categories, omni names and key names, and plug-ins that fault in
// the optional program-name opcodes.
#include <algorithm>

#include "unit/patch_fakes.h"

namespace {

using patch_test::DeviceRig;
using patch_test::Narrow;
using patch_test::NamedProgram;
using patch_test::ProgramsPlugin;
namespace Caps = qm::PatchDeviceCaps;

struct PlainCase {
    LONG index;
    BYTE program, bankLsb, bankMsb;
    LONG group;
    const char* name;
};

TEST(PatchDevicePlain, NumbersGroupsAndNamesEveryProgram) {
    ProgramsPlugin plugin;
    plugin.effect.numPrograms = 300;
    plugin.programNames = {{3, "Bright Pad"}, {299, "Last"}};
    DeviceRig rig(plugin);
    ASSERT_EQ(rig.result, S_OK);
    qm::CVSTIPatchDevice* device = rig.device;
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(device->NamesMode());
    EXPECT_EQ(device->Caps(), Caps::OmniOrPlain | Caps::HostCapsSet | Caps::ProgramNames);
    EXPECT_EQ(device->GetProgramCount(0), 300);

    // 300 programs: blocks of 18 (300 / 16), so program 200 is in group 11.
    const PlainCase cases[] = {
        {0, 0, 0, 0, 0, "Program 1"},     {3, 3, 0, 0, 0, "Bright Pad"},  {5, 5, 0, 0, 0, "Program 6"},
        {127, 127, 0, 0, 7, "Program 128"}, {128, 0, 1, 0, 7, "Program 129"}, {200, 72, 1, 0, 11, "Program 201"},
        {299, 43, 2, 0, 16, "Last"},
    };
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(c.index);
        qm::PatchRecord patch{};
        patch.flags = 0xFF;
        LONG index = c.index;
        ASSERT_EQ(device->GetPatch(&index, 0, &patch, 0), S_OK);
        EXPECT_EQ(patch.program, c.program);
        EXPECT_EQ(patch.bankLsb, c.bankLsb);
        EXPECT_EQ(patch.bankMsb, c.bankMsb);
        EXPECT_EQ(patch.flags, 0x80);
        EXPECT_EQ(patch.group, c.group);
        EXPECT_EQ(Narrow(patch.name), c.name);
        // Finding the patch by its bytes gives the index back.
        qm::PatchRecord wanted{};
        wanted.program = c.program;
        wanted.bankLsb = c.bankLsb;
        wanted.bankMsb = c.bankMsb;
        LONG found = -5;
        ASSERT_EQ(device->FindPatch(&found, 0, &wanted), S_OK);
        EXPECT_EQ(found, c.index);
        EXPECT_EQ(Narrow(wanted.name), c.name);
    }
    LONG outside = 300;
    qm::PatchRecord patch{};
    EXPECT_EQ(device->GetPatch(&outside, 0, &patch, 0), S_FALSE);
    patch.bankLsb = 3;  // index 384
    EXPECT_EQ(device->FindPatch(&outside, 0, &patch), S_FALSE);
    EXPECT_EQ(outside, -1);

    // The group search moves forward to the first patch of group 11.
    patch = qm::PatchRecord{};
    patch.group = 11;
    LONG from = 0;
    ASSERT_EQ(device->GetPatch(&from, 0, &patch, 0x10), S_OK);
    EXPECT_EQ(from, 198);

    EXPECT_EQ(device->GetGroupCount(0), 17);
    WCHAR groupName[260] = {};
    qm::PatchGroupRecord group{groupName};
    ASSERT_EQ(device->GetGroupName(2, 0, &group), S_OK);
    EXPECT_EQ(Narrow(groupName), "Group 3");
    EXPECT_EQ(device->GetGroupName(17, 0, &group), S_FALSE);

    // The current patch is the plug-in's program, grouped by the plain block of 16.
    plugin.current = 40;
    LONG current = -1;
    ASSERT_EQ(device->GetCurrentPatch(&current, 0, &patch), S_OK);
    EXPECT_EQ(current, 40);
    EXPECT_EQ(patch.group, 2);
}

TEST(PatchDevicePlain, NoProgramsOrOneProgramIsNoList) {
    for (int32_t programs : {0, 1}) {
        SCOPED_TRACE(programs);
        ProgramsPlugin plugin;
        plugin.effect.numPrograms = programs;
        DeviceRig rig(plugin);
        const DWORD caps = rig.device->Caps();
        EXPECT_EQ((caps & Caps::NoPrograms) != 0, programs == 0);
        EXPECT_NE(caps & Caps::AtMostOne, 0u);
        qm::PatchRecord patch{};
        LONG index = 0;
        EXPECT_EQ(rig.device->FindPatch(&index, 0, &patch), S_FALSE);
        EXPECT_EQ(index, -1);
        index = 0;
        EXPECT_EQ(rig.device->GetPatch(&index, 0, &patch, 0), programs == 0 ? S_FALSE : S_OK);
        EXPECT_EQ(rig.device->GetGroupCount(0), programs == 0 ? 0 : 1);
    }
}

// Two channels of names with categories on channel 0; bank bytes of 255 mean "any".
ProgramsPlugin NamesPlugin() {
    ProgramsPlugin plugin;
    plugin.effect.numPrograms = 7;
    plugin.channelPrograms[0] = {{"Saw Lead", 0, 0, 0, 0},
                                 {"Square Lead", 1, 0, 0, 0},
                                 {"Kit", 0, 255 - 256, 255 - 256, 1}};
    plugin.channelPrograms[1] = {{"Bass A", 4, 0, 2, -1}, {"Bass B", 5, 0, 2, -1}};
    plugin.categories = {"Leads", "Drums"};
    plugin.keyNames = {{0, "Kick"}, {1, "Snare"}, {2, "Hat"}, {5, "Crash"}};
    plugin.keysAnswered = 8;
    return plugin;
}

TEST(PatchDeviceNames, ChannelsCategoriesAndBanksComeFromTheNames) {
    ProgramsPlugin plugin = NamesPlugin();
    DeviceRig rig(plugin);
    qm::CVSTIPatchDevice* device = rig.device;
    ASSERT_TRUE(device->NamesMode());
    EXPECT_EQ(device->Caps(), Caps::HostCapsSet | Caps::ProgramNames | Caps::Categories);
    EXPECT_EQ(device->CategoryCount(), 2);
    // Not omni: all sixteen channels were asked.
    EXPECT_EQ(plugin.Count(effGetMidiProgramName), 16u);
    EXPECT_EQ(device->GetProgramCount(0), 3);
    EXPECT_EQ(device->GetProgramCount(1), 2);
    EXPECT_EQ(device->GetProgramCount(2), 0);

    struct Case {
        DWORD channel;
        LONG index;
        BYTE program, bankLsb, bankMsb;
        LONG group;
        const char* name;
    };
    const Case cases[] = {{0, 1, 1, 0, 0, 0, "Square Lead"}, {0, 2, 0, 0, 0, 1, "Kit"}, {1, 1, 5, 2, 0, 0, "Bass B"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qm::PatchRecord patch{};
        LONG index = c.index;
        ASSERT_EQ(device->GetPatch(&index, c.channel, &patch, 0), S_OK);
        EXPECT_EQ(patch.program, c.program);
        EXPECT_EQ(patch.bankLsb, c.bankLsb);
        EXPECT_EQ(patch.bankMsb, c.bankMsb);
        EXPECT_EQ(patch.group, c.group);
        EXPECT_EQ(Narrow(patch.name), c.name);
    }
    // A bank byte of 255 in the name matches any bank asked for.
    qm::PatchRecord wanted{};
    wanted.program = 0;
    wanted.bankLsb = 9;
    wanted.bankMsb = 9;
    LONG found = -5;
    ASSERT_EQ(device->FindPatch(&found, 0, &wanted), S_OK);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(Narrow(wanted.name), "Kit");

    // Categories become groups with their own names.
    EXPECT_EQ(device->GetGroupCount(0), 2);
    WCHAR groupName[260] = {};
    qm::PatchGroupRecord group{groupName};
    ASSERT_EQ(device->GetGroupName(1, 0, &group), S_OK);
    EXPECT_EQ(Narrow(groupName), "Drums");

    plugin.current = 2;
    LONG current = -1;
    qm::PatchRecord patch{};
    ASSERT_EQ(device->GetCurrentPatch(&current, 0, &patch), S_OK);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(patch.group, 1);
    EXPECT_EQ(Narrow(patch.name), "Kit");
}

TEST(PatchDeviceNames, KeyNamesComeAsCountsRunsAndSingleNames) {
    ProgramsPlugin plugin = NamesPlugin();
    DeviceRig rig(plugin);
    qm::PatchRecord patch{};  // program 0, banks 0: "Saw Lead"
    EXPECT_EQ(rig.device->CountKeyNames(0, &patch), 4);
    qm::KeyRange ranges[4] = {};
    EXPECT_EQ(rig.device->GetKeyNameRanges(0, &patch, ranges, 4), 2);
    EXPECT_EQ(ranges[0].lowest, 0);
    EXPECT_EQ(ranges[0].highest, 2);
    EXPECT_EQ(ranges[1].lowest, 5);
    EXPECT_EQ(ranges[1].highest, 5);
    // The caller's limit bounds what is written, not what is counted.
    qm::KeyRange one[1] = {};
    EXPECT_EQ(rig.device->GetKeyNameRanges(0, &patch, one, 1), 2);

    WCHAR name[4] = {};
    qm::KeyNameRecord key{0, -1, -1, -1, name, 4};
    ASSERT_EQ(rig.device->GetKeyName(0, &patch, &key), S_OK);
    EXPECT_EQ(key.key, 0);
    EXPECT_EQ(Narrow(name), "Kic");  // cut to the buffer, terminated
    qm::KeyNameRecord outside{0, -1, 10, 20, name, 4};
    EXPECT_EQ(rig.device->GetKeyName(0, &patch, &outside), S_FALSE);
    EXPECT_EQ(outside.counter, 1);
    // No patch with these bytes: nothing to name.
    patch.program = 99;
    EXPECT_EQ(rig.device->CountKeyNames(0, &patch), S_FALSE);
}

TEST(PatchDeviceNames, OmniNamesAreScannedOnChannelZeroOnly) {
    for (size_t count : {1u, 2u}) {
        SCOPED_TRACE(count);
        ProgramsPlugin plugin;
        plugin.channelPrograms[0] = {{"All", 0, 0, 0, -1, true}, {"Other", 1, 0, 0, -1, true}};
        plugin.channelPrograms[0].resize(count);
        plugin.channelPrograms[3] = {{"Never", 0, 0, 0, -1}};
        DeviceRig rig(plugin);
        std::vector<int32_t> asked;
        for (const auto& call : plugin.indexed) {
            if (call.first == effGetMidiProgramName) asked.push_back(call.second);
        }
        EXPECT_EQ(asked, std::vector<int32_t>{0});
        const DWORD caps = rig.device->Caps();
        EXPECT_NE(caps & Caps::OmniOrPlain, 0u);
        // A single omni name is no program list.
        EXPECT_EQ((caps & Caps::NoPrograms) != 0, count == 1);
        EXPECT_EQ((caps & Caps::ProgramNames) != 0, count == 2);
    }
}

TEST(PatchDeviceFaults, APlugInThatFaultsInTheProgramNameOpcodesStaysUsable) {
    ProgramsPlugin plugin;
    plugin.effect.numPrograms = 4;
    plugin.throwFrom = effGetMidiProgramName;
    plugin.throwTo = effGetMidiKeyName;
    DeviceRig rig(plugin);
    ASSERT_EQ(rig.result, S_OK);
    EXPECT_EQ(rig.synth->Status() & qm::InstanceStatus::Faulted, 0u);
    EXPECT_FALSE(rig.device->NamesMode());
    EXPECT_EQ(rig.device->GetProgramCount(0), 4);
    // It still renders.
    hosting_test::FakeSite site;
    rig.Play(site);
    std::vector<float> out(2 * 512, -1.0f);
    EXPECT_EQ(rig.synth->Render(out.data(), 0, 512, 0, 0, nullptr), 512);
    EXPECT_FLOAT_EQ(out[1000], 0.25f);
    // Later questions that reach those opcodes fault again and are answered all the same.
    qm::PatchRecord patch{};
    EXPECT_EQ(rig.device->GetGroupCount(0), 1);
    LONG index = 1;
    EXPECT_EQ(rig.device->GetPatch(&index, 0, &patch, 0), S_OK);
    EXPECT_EQ(Narrow(patch.name), "Program 2");
}

}  // namespace
