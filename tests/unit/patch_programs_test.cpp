// The patch device's programs: plain programs numbered into program and bank bytes and grouped in
// blocks, and MIDI program names with categories, omni names and key names.
#include <tuple>

#include "unit/patch_fakes.h"

namespace {

using namespace patch_test;
namespace Caps = qm::PatchDeviceCaps;

struct PatchCase {
    DWORD channel;
    LONG index;
    BYTE program, bankLsb, bankMsb;
    LONG group;
    const char* name;
};

// Each patch as listed, and found again by its bytes.
void ExpectPatches(qm::CVSTIPatchDevice* device, std::initializer_list<PatchCase> cases) {
    for (const PatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        qm::PatchRecord patch{};
        LONG index = c.index;
        ASSERT_EQ(device->GetPatch(&index, c.channel, &patch, 0), S_OK);
        EXPECT_EQ(std::make_tuple(patch.program, patch.bankLsb, patch.bankMsb, patch.group, Narrow(patch.name)),
                  std::make_tuple(c.program, c.bankLsb, c.bankMsb, c.group, std::string(c.name)));
        qm::PatchRecord wanted{};
        std::tie(wanted.program, wanted.bankLsb, wanted.bankMsb) = std::make_tuple(c.program, c.bankLsb, c.bankMsb);
        LONG found = -5;
        ASSERT_EQ(device->FindPatch(&found, c.channel, &wanted), S_OK);
        EXPECT_EQ(found, c.index);
    }
}

std::string GroupName(qm::CVSTIPatchDevice* device, LONG group) {
    WCHAR name[260] = {};
    qm::PatchGroupRecord record{name};
    return device->GetGroupName(group, 0, &record) == S_OK ? Narrow(name) : "(none)";
}

TEST(PatchDevicePlain, NumbersGroupsAndNamesEveryProgram) {
    ProgramsPlugin plugin(300);
    plugin.names = std::vector<std::string>(300);
    plugin.names[3] = "Bright Pad";
    plugin.names[299] = "Last";
    DeviceRig rig(plugin);
    qm::CVSTIPatchDevice* device = rig.device;
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->Caps(), Caps::OmniOrPlain | Caps::HostCapsSet | Caps::ProgramNames);
    EXPECT_EQ(device->GetProgramCount(0), 300);
    // 300 programs: blocks of 18 (300 / 16), so program 200 is in group 11.
    ExpectPatches(device, {{0, 0, 0, 0, 0, 0, "Program 1"}, {0, 3, 3, 0, 0, 0, "Bright Pad"},
                           {0, 5, 5, 0, 0, 0, "Program 6"}, {0, 128, 0, 1, 0, 7, "Program 129"},
                           {0, 200, 72, 1, 0, 11, "Program 201"}, {0, 299, 43, 2, 0, 16, "Last"}});
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
    EXPECT_EQ(GroupName(device, 2), "Group 3");
    EXPECT_EQ(GroupName(device, 17), "(none)");

    // The current patch is the plug-in's program, grouped by the plain block of 16.
    plugin.current = 40;
    LONG current = -1;
    ASSERT_EQ(device->GetCurrentPatch(&current, 0, &patch), S_OK);
    EXPECT_EQ(std::make_tuple(current, patch.group), std::make_tuple(40, 2));
}

// Two channels of names with categories on channel 0; bank bytes of 255 mean "any". Key names for
// program 0 come as counts, runs and single names.
TEST(PatchDeviceNames, ChannelsCategoriesBanksAndKeysComeFromTheNames) {
    ProgramsPlugin plugin(7);
    plugin.channelPrograms[0] = {{"Saw Lead", 0, 0, 0, 0}, {"Square Lead", 1, 0, 0, 0}, {"Kit", 0, -1, -1, 1}};
    plugin.channelPrograms[1] = {{"Bass A", 4, 0, 2, -1}, {"Bass B", 5, 0, 2, -1}};
    plugin.categories = {"Leads", "Drums"};
    plugin.keyNames = {{0, "Kick"}, {1, "Snare"}, {2, "Hat"}, {5, "Crash"}};
    plugin.keysAnswered = 8;
    DeviceRig rig(plugin);
    qm::CVSTIPatchDevice* device = rig.device;
    ASSERT_TRUE(device->NamesMode());
    EXPECT_EQ(device->Caps(), Caps::HostCapsSet | Caps::ProgramNames | Caps::Categories);
    // Not omni: all sixteen channels were asked.
    EXPECT_EQ(plugin.only(effGetMidiProgramName).size(), 16u);
    EXPECT_EQ(std::make_tuple(device->GetProgramCount(0), device->GetProgramCount(1), device->GetProgramCount(2)),
              std::make_tuple(3, 2, 0));
    ExpectPatches(device, {{0, 1, 1, 0, 0, 0, "Square Lead"}, {1, 1, 5, 2, 0, 0, "Bass B"}});
    // The kit's bank bytes of 255 match any bank asked for.
    qm::PatchRecord wanted{};
    std::tie(wanted.program, wanted.bankLsb, wanted.bankMsb) = std::make_tuple(0, 9, 9);
    LONG found = -5;
    ASSERT_EQ(device->FindPatch(&found, 0, &wanted), S_OK);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(Narrow(wanted.name), "Kit");
    // Categories become groups with their own names.
    EXPECT_EQ(device->GetGroupCount(0), 2);
    EXPECT_EQ(GroupName(device, 1), "Drums");

    qm::PatchRecord patch{};  // program 0, banks 0: "Saw Lead"
    EXPECT_EQ(device->CountKeyNames(0, &patch), 4);
    qm::KeyRange ranges[4] = {};
    EXPECT_EQ(device->GetKeyNameRanges(0, &patch, ranges, 4), 2);
    EXPECT_EQ(std::make_tuple(ranges[0].lowest, ranges[0].highest, ranges[1].lowest, ranges[1].highest),
              std::make_tuple(0, 2, 5, 5));
    // The caller's limit bounds what is written, not what is counted.
    qm::KeyRange one[1] = {};
    EXPECT_EQ(device->GetKeyNameRanges(0, &patch, one, 1), 2);
    WCHAR name[4] = {};
    qm::KeyNameRecord key{0, -1, -1, -1, name, 4};
    ASSERT_EQ(device->GetKeyName(0, &patch, &key), S_OK);
    EXPECT_EQ(key.key, 0);
    EXPECT_EQ(Narrow(name), "Kic");  // cut to the buffer, terminated
    qm::KeyNameRecord outside{0, -1, 10, 20, name, 4};
    EXPECT_EQ(device->GetKeyName(0, &patch, &outside), S_FALSE);
    EXPECT_EQ(outside.counter, 1);
    patch.program = 99;  // no patch with these bytes: nothing to name
    EXPECT_EQ(device->CountKeyNames(0, &patch), S_FALSE);

    plugin.current = 2;
    LONG current = -1;
    ASSERT_EQ(device->GetCurrentPatch(&current, 0, &patch), S_OK);
    EXPECT_EQ(std::make_tuple(current, patch.group, Narrow(patch.name)), std::make_tuple(2, 1, std::string("Kit")));

    // Omni names are scanned on channel 0 only.
    for (size_t count : {1u, 2u}) {
        SCOPED_TRACE(count);
        ProgramsPlugin omni;
        omni.channelPrograms[0] = {{"All", 0, 0, 0, -1, true}, {"Other", 1, 0, 0, -1, true}};
        omni.channelPrograms[0].resize(count);
        omni.channelPrograms[3] = {{"Never", 0, 0, 0, -1}};
        DeviceRig omniRig(omni);
        EXPECT_EQ(omni.only(effGetMidiProgramName), std::vector<std::string>{hosting_test::Op(effGetMidiProgramName)});
        const DWORD caps = omniRig.device->Caps();
        EXPECT_NE(caps & Caps::OmniOrPlain, 0u);
        // A single omni name is no program list.
        EXPECT_EQ((caps & Caps::NoPrograms) != 0, count == 1);
        EXPECT_EQ((caps & Caps::ProgramNames) != 0, count == 2);
    }
}

}  // namespace
