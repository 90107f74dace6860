// The patch device's controller table and the plug-in's parameters in the host's ranges.
#include <tuple>

#include "patches/controller_table.h"
#include "unit/patch_fakes.h"

namespace {

using namespace patch_test;

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

VstParameterProperties Properties(int32_t flags, int32_t minimum = 0, int32_t maximum = 0, const char* label = "") {
    VstParameterProperties properties{};
    properties.flags = flags;
    properties.minInteger = minimum;
    properties.maxInteger = maximum;
    std::strncpy(properties.label, label, sizeof properties.label - 1);
    return properties;
}

// The controller table's rows; then a switch, a plain level, an integer range 10-20 and an integer
// 0-1 range: the descriptions follow the plug-in's properties, the values move in the host's range.
TEST(PatchParameters, ControllerRowsAndPlugInParametersCarryNamesRangesAndDefaults) {
    ProgramsPlugin plugin(1, 4);
    plugin.properties = {Properties(kVstParameterIsSwitch, 0, 0, "Hold"), Properties(0, 0, 0, "Cutoff"),
                         Properties(kVstParameterUsesIntegerMinMax, 10, 20, ""),
                         Properties(kVstParameterUsesIntegerMinMax, 0, 1, "Mono")};
    plugin.values = {{1.0f, 0.25f, 0.5f, 0.0f}};
    plugin.paramLabels = {"", "Hz", "st", ""};
    DeviceRig rig(plugin);
    qm::CVSTIPatchDevice* device = rig.device;
    // The controller table: filters pick their rows; rows carry names, ranges and defaults.
    const struct { DWORD filter; std::vector<LONG> rows; } filters[] = {
        {0x10000 | 0x100, {10}},                                   // Channel Volume alone
        {0x20000 | 0x40000, {0, 1, 2, 131, 132, 133, 134, 135}},   // channel messages and RPNs
        {0x10000 | 0x8, {67, 69, 70}},                             // the pedals
        {0x40000, {}},                                             // RPN rows are not control changes
    };
    for (const auto& c : filters) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(RowsPassing(rig.device, c.filter), c.rows);
    }
    EXPECT_EQ(RowsPassing(rig.device, 0x10000).size(), 128u);

    const struct {
        DWORD kind, number;
        LONG row;
        const char* name;
        DWORD flags, displayType, mask;
        LONG maximum, defaultValue;
    } rows[] = {
        {0xB0, 7, 10, "Channel Volume", 0x103, 2, 0x3F, 127, 100},
        {0xB0, 64, 67, "Damper Pedal", 0xB, 1, 1, 127, 0},
        {0xB0, 3, 6, "Controller 3", 0, 1, 0x3F, 127, 0},
        {0xE0, 0, 1, "Pitch Bend", 0x3, 2, 0x3F, 16383, 8192},
        {qm::kControllerKindRpn + 16383, 0, 135, "Data Entry Off", 0x42, 1, 0x3F, 127, 0},
    };
    for (const auto& c : rows) {
        SCOPED_TRACE(c.name);
        WCHAR name[64] = {};
        qm::ControllerDescription d{};
        d.callerWord = 0x1234;
        d.name = name;
        d.nameCapacity = 64;
        ASSERT_EQ(rig.device->FindController(c.kind, c.number, &d), S_OK);
        EXPECT_EQ(std::make_tuple(d.callerWord, d.index, Narrow(name), d.flags, d.word0xFFFF, d.displayType, d.mask),
                  std::make_tuple(0x1234u, c.row, std::string(c.name), c.flags, 0xFFFFu, c.displayType, c.mask));
        EXPECT_EQ(std::make_tuple(d.minimum, d.maximum, d.defaultValue), std::make_tuple(0, c.maximum, c.defaultValue));
    }
    qm::ControllerDescription none{};
    EXPECT_EQ(rig.device->FindController(0x90, 0, &none), S_FALSE);
    LONG outside = 136;
    EXPECT_EQ(rig.device->GetController(&outside, &none, 0x30000), S_FALSE);

    const auto text = [device](LONG index, DWORD filter) -> std::string {
        WCHAR buffer[32] = {'x', 0};
        qm::ParameterDescription description{};
        description.text = buffer;
        description.textCapacity = 32;
        return device->GetParameterDescription(index, &description, filter) == S_OK ? Narrow(buffer) : "(none)";
    };
    const auto value = [device](LONG index) {
        float v = -1.0f;
        return device->GetParameterValue(index, &v) == S_OK ? v : -99.0f;
    };
    EXPECT_EQ(device->GetParameterCount(), 4);
    const struct {
        LONG index;
        DWORD flags, kind, mask;
        LONG minimum, maximum, defaultValue;
        const char* name;
        const char* label;  // bit 28 asks for it; an empty label leaves the buffer alone
    } cases[] = {
        {0, 0x8, 1, 1, 0, 1, 1, "Hold", "x"},
        {1, 0, 32, 63, 0, 100, 25, "Cutoff", "Hz"},
        {2, 0, 32, 63, 10, 20, 10, "Param 3", "st"},  // the minimum is not added: 0.5 x 10 clamps to 10
        {3, 0x8, 1, 1, 0, 1, 0, "Mono", "x"},
        {4, 0, 0, 0, 0, 0, 0, "(none)", "(none)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(text(c.index, 0), c.name);
        EXPECT_EQ(text(c.index, qm::DeviceFilter::ParameterLabel), c.label);
        qm::ParameterDescription d{};
        if (device->GetParameterDescription(c.index, &d, 0) != S_OK) continue;
        EXPECT_EQ(std::make_tuple(d.assignment, d.flags, d.kind, d.mask, d.minimum, d.maximum, d.defaultValue),
                  std::make_tuple(0xFFFFFFFFu, c.flags, c.kind, c.mask, c.minimum, c.maximum, c.defaultValue));
    }
    // The parameter filter of slot 44 walks the parameters.
    qm::ParameterDescription description{};
    LONG index = 1;
    EXPECT_EQ(device->GetController(&index, reinterpret_cast<qm::ControllerDescription*>(&description),
                                    qm::DeviceFilter::Parameters),
              S_OK);
    EXPECT_EQ(description.maximum, 100);

    EXPECT_EQ(std::make_tuple(value(0), value(1), value(2), value(-1)), std::make_tuple(1.0f, 25.0f, 10.0f, -99.0f));
    ASSERT_EQ(device->SetParameterValue(1, 50.0f), S_OK);
    EXPECT_FLOAT_EQ(plugin.values[0][1], 0.5f);
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
    EXPECT_EQ(std::make_tuple(read.assignment, read.flags, read.kind, read.maximum, read.defaultValue),
              std::make_tuple(77u, qm::ParameterFlags::Integer | qm::ParameterFlags::Host2000, 32u, 1, 1));
}

}  // namespace
