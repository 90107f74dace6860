// The patch device's controller table and the plug-in's parameters in the host's ranges.
#include <set>

#include "patches/controller_table.h"
#include "unit/patch_fakes.h"

namespace {

using patch_test::DeviceRig;
using patch_test::Narrow;
using patch_test::ProgramsPlugin;

std::vector<LONG> RowsPassing(qm::CVSTIPatchDevice* device, DWORD filter) {
    std::vector<LONG> rows;
    LONG index = 0;
    qm::ControllerDescription description{};
    while (device->GetController(&index, &description, filter) == S_OK) {
        EXPECT_EQ(description.index, index);
        rows.push_back(index++);
    }
    return rows;
}

TEST(PatchControllers, FiltersPickTheirRows) {
    ProgramsPlugin plugin;
    DeviceRig rig(plugin);
    struct Case {
        DWORD filter;
        std::vector<LONG> rows;
    };
    const Case cases[] = {
        {0x10000 | 0x100, {10}},                              // Channel Volume alone
        {0x20000, {0, 1, 2}},                                 // the channel messages
        {0x20000 | 0x40000, {0, 1, 2, 131, 132, 133, 134, 135}},
        {0x10000 | 0x200, {13}},                              // Pan
        {0x10000 | 0x8, {67, 69, 70}},                        // the pedals
        {0x40000, {}},                                        // RPN rows are not control changes
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(RowsPassing(rig.device, c.filter), c.rows);
    }
    EXPECT_EQ(RowsPassing(rig.device, 0x10000).size(), 128u);
    LONG outside = 136;
    qm::ControllerDescription description{};
    EXPECT_EQ(rig.device->GetController(&outside, &description, 0x30000), S_FALSE);
}

TEST(PatchControllers, RowsCarryTheirNamesRangesAndDefaults) {
    ProgramsPlugin plugin;
    DeviceRig rig(plugin);
    struct Case {
        DWORD kind, number;
        LONG row;
        const char* name;
        DWORD flags, displayType, mask;
        LONG maximum, defaultValue;
    };
    const Case cases[] = {
        {0xB0, 7, 10, "Channel Volume", 0x103, 2, 0x3F, 127, 100},
        {0xB0, 64, 67, "Damper Pedal", 0xB, 1, 1, 127, 0},
        {0xB0, 3, 6, "Controller 3", 0, 1, 0x3F, 127, 0},
        {0xB0, 91, 94, "Reverb Send Level", 0x3, 1, 0x3F, 127, 40},
        {0xE0, 0, 1, "Pitch Bend", 0x3, 2, 0x3F, 16383, 8192},
        {qm::kControllerKindRpn + 16383, 0, 135, "Data Entry Off", 0x42, 1, 0x3F, 127, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WCHAR name[64] = {};
        qm::ControllerDescription description{};
        description.callerWord = 0x1234;
        description.name = name;
        description.nameCapacity = 64;
        ASSERT_EQ(rig.device->FindController(c.kind, c.number, &description), S_OK);
        EXPECT_EQ(description.callerWord, 0x1234u);
        EXPECT_EQ(description.index, c.row);
        EXPECT_EQ(Narrow(name), c.name);
        EXPECT_EQ(description.flags, c.flags);
        EXPECT_EQ(description.word0xFFFF, 0xFFFFu);
        EXPECT_EQ(description.displayType, c.displayType);
        EXPECT_EQ(description.mask, c.mask);
        EXPECT_EQ(description.minimum, 0);
        EXPECT_EQ(description.maximum, c.maximum);
        EXPECT_EQ(description.defaultValue, c.defaultValue);
    }
    qm::ControllerDescription description{};
    EXPECT_EQ(rig.device->FindController(0x90, 0, &description), S_FALSE);
}

VstParameterProperties Properties(int32_t flags, int32_t minimum = 0, int32_t maximum = 0, const char* label = "") {
    VstParameterProperties properties{};
    properties.flags = flags;
    properties.minInteger = minimum;
    properties.maxInteger = maximum;
    std::strncpy(properties.label, label, sizeof properties.label - 1);
    return properties;
}

// A switch, a plain level, an integer range 10-20 and an integer 0-1 range.
struct ParameterRig {
    ParameterRig() {
        plugin.SetParameters(4);
        plugin.properties = {Properties(kVstParameterIsSwitch, 0, 0, "Hold"), Properties(0, 0, 0, "Cutoff"),
                             Properties(kVstParameterUsesIntegerMinMax, 10, 20, ""),
                             Properties(kVstParameterUsesIntegerMinMax, 0, 1, "Mono")};
        plugin.values = {1.0f, 0.25f, 0.5f, 0.0f};
        plugin.paramLabels = {"", "Hz", "st", ""};
        rig = std::make_unique<DeviceRig>(plugin);
    }
    ProgramsPlugin plugin;
    std::unique_ptr<DeviceRig> rig;
};

TEST(PatchParameters, DescriptionsFollowThePlugInsProperties) {
    ParameterRig p;
    qm::CVSTIPatchDevice* device = p.rig->device;
    EXPECT_EQ(device->GetParameterCount(), 4);
    struct Case {
        LONG index;
        DWORD flags, kind, mask;
        LONG minimum, maximum, defaultValue;
        const char* name;
    };
    const Case cases[] = {
        {0, 0x8, 1, 1, 0, 1, 1, "Hold"},
        {1, 0, 32, 63, 0, 100, 25, "Cutoff"},
        {2, 0, 32, 63, 10, 20, 10, "Param 3"},  // the minimum is not added: 0.5 x 10 clamps to 10
        {3, 0x8, 1, 1, 0, 1, 0, "Mono"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        WCHAR text[32] = {};
        qm::ParameterDescription description{};
        description.text = text;
        description.textCapacity = 32;
        ASSERT_EQ(device->GetParameterDescription(c.index, &description, 0), S_OK);
        EXPECT_EQ(description.assignment, 0xFFFFFFFFu);
        EXPECT_EQ(description.flags, c.flags);
        EXPECT_EQ(description.kind, c.kind);
        EXPECT_EQ(description.mask, c.mask);
        EXPECT_EQ(description.minimum, c.minimum);
        EXPECT_EQ(description.maximum, c.maximum);
        EXPECT_EQ(description.defaultValue, c.defaultValue);
        EXPECT_EQ(Narrow(text), c.name);
    }
    // Bit 28 asks for the unit label; an empty label leaves the buffer alone.
    WCHAR label[8] = {'x', 0};
    qm::ParameterDescription description{};
    description.text = label;
    description.textCapacity = 8;
    ASSERT_EQ(device->GetParameterDescription(1, &description, qm::DeviceFilter::ParameterLabel), S_OK);
    EXPECT_EQ(Narrow(label), "Hz");
    label[0] = 'x';
    label[1] = 0;
    ASSERT_EQ(device->GetParameterDescription(0, &description, qm::DeviceFilter::ParameterLabel), S_OK);
    EXPECT_EQ(Narrow(label), "x");
    EXPECT_EQ(device->GetParameterDescription(4, &description, 0), S_FALSE);
    // The parameter filter of slot 44 walks the parameters.
    LONG index = 1;
    EXPECT_EQ(device->GetController(&index, reinterpret_cast<qm::ControllerDescription*>(&description),
                                    qm::DeviceFilter::Parameters),
              S_OK);
    EXPECT_EQ(description.maximum, 100);
}

TEST(PatchParameters, ValuesMoveInTheHostsRange) {
    ParameterRig p;
    qm::CVSTIPatchDevice* device = p.rig->device;
    float value = -1.0f;
    ASSERT_EQ(device->GetParameterValue(1, &value), S_OK);
    EXPECT_FLOAT_EQ(value, 25.0f);
    ASSERT_EQ(device->SetParameterValue(1, 50.0f), S_OK);
    EXPECT_FLOAT_EQ(p.plugin.values[1], 0.5f);
    ASSERT_EQ(device->GetParameterValue(0, &value), S_OK);
    EXPECT_FLOAT_EQ(value, 1.0f);
    ASSERT_EQ(device->GetParameterValue(2, &value), S_OK);
    EXPECT_FLOAT_EQ(value, 10.0f);
    p.plugin.values[2] = 1.0f;
    ASSERT_EQ(device->GetParameterValue(2, &value), S_OK);
    EXPECT_FLOAT_EQ(value, 10.0f * 1.0f);
    EXPECT_EQ(device->GetParameterValue(-1, &value), S_FALSE);
    EXPECT_EQ(device->SetParameterValue(4, 1.0f), S_FALSE);

    // The host makes the level an integer: range 0-1, its value 1 while the plug-in's is above 0;
    // its assignment word is kept, and a kind outside the mask is refused.
    qm::ParameterDescription set{};
    set.assignment = 77;
    set.flags = qm::ParameterFlags::Integer | qm::ParameterFlags::Host2000;
    set.kind = 64;
    ASSERT_EQ(device->SetController(1, &set, qm::DeviceFilter::Parameters), S_OK);
    EXPECT_EQ(device->SetController(1, &set, 0), S_FALSE);
    qm::ParameterDescription read{};
    ASSERT_EQ(device->GetParameterDescription(1, &read, 0), S_OK);
    EXPECT_EQ(read.assignment, 77u);
    EXPECT_EQ(read.flags, qm::ParameterFlags::Integer | qm::ParameterFlags::Host2000);
    EXPECT_EQ(read.kind, 32u);
    EXPECT_EQ(read.maximum, 1);
    EXPECT_EQ(read.defaultValue, 1);
}

}  // namespace
