// The controller table: built once from the MIDI controller list, searched by filter or by message.
#include "patches/controller_table.h"

#include "framework/lang.h"

namespace qm {

namespace {

constexpr UINT kIdsFirstControlChange = 49138;  // "Bank Select"; controller n is this + n
constexpr UINT kIdsPolyPressure = 49266;
constexpr UINT kIdsAftertouch = 49269;
constexpr UINT kIdsPitchBend = 49270;
constexpr UINT kIdsFirstRpn = 49272;            // "Pitch-Bend Sensitivity"
constexpr DWORD kRowWord = 0xFFFF;
constexpr DWORD kMaskAll = 0x3F;

constexpr bool Between(int value, int low, int high) { return value >= low && value <= high; }

constexpr DWORD ControlChangeFlags(int cc) {
    if (cc == 0 || Between(cc, 32, 63) || Between(cc, 96, 101) || Between(cc, 120, 127)) return 0x10;
    if (cc == 7) return 0x103;
    if (cc == 10) return 0x203;
    if (cc == 1 || cc == 5 || cc == 11 || cc == 65 || Between(cc, 71, 78) || cc == 91 || cc == 93) return 0x3;
    if (cc == 64 || cc == 66 || cc == 67) return 0xB;
    if (cc == 2 || cc == 4 || cc == 6 || cc == 8 || cc == 68 || cc == 70 || Between(cc, 80, 84) || cc == 92 ||
        cc == 94 || cc == 95)
        return 0x2;
    return 0;
}

constexpr LONG ControlChangeDefault(int cc) {
    switch (cc) {
    case 7: return 100;   // Channel Volume
    case 8: return 64;    // Balance
    case 10: return 64;   // Pan
    case 11: return 127;  // Expression
    case 91: return 40;   // Reverb Send Level
    default: return Between(cc, 71, 78) ? 64 : 0;  // the sound controllers sit in the middle
    }
}

// Modulation, Portamento Time, Channel Volume, Balance, Pan, Expression, Effect 1 and 2,
// controller 14 and Timbre/Harmonic Intensity are shown as levels.
constexpr DWORD ControlChangeDisplay(int cc) {
    return (cc == 1 || cc == 5 || cc == 7 || cc == 8 || cc == 10 || cc == 11 || cc == 12 || cc == 13 || cc == 14 ||
            cc == 71)
               ? 2
               : 1;
}

struct Table {
    ControllerRow rows[kControllerRows];
};

constexpr Table BuildTable() {
    Table table{};
    table.rows[0] = {0x10, 0xA0, 0, 2, kMaskAll, 0, 127, 0, kIdsPolyPressure};
    table.rows[1] = {0x3, 0xE0, 0, 2, kMaskAll, 0, 16383, 8192, kIdsPitchBend};
    table.rows[2] = {0x3, 0xD0, 0, 2, kMaskAll, 0, 127, 0, kIdsAftertouch};
    for (int cc = 0; cc < 128; ++cc) {
        table.rows[3 + cc] = {ControlChangeFlags(cc), 0xB0, static_cast<DWORD>(cc), ControlChangeDisplay(cc),
                              cc == 64 ? 1u : kMaskAll, 0, 127, ControlChangeDefault(cc),
                              kIdsFirstControlChange + static_cast<UINT>(cc)};
    }
    const DWORD rpns[5] = {0, 1, 2, 5, 16383};
    for (int i = 0; i < 5; ++i) {
        table.rows[131 + i] = {0x42, kControllerKindRpn + rpns[i], 0, 1, kMaskAll, 0, 127, 0,
                               kIdsFirstRpn + static_cast<UINT>(i)};
    }
    return table;
}

constexpr Table kTable = BuildTable();

bool Passes(const ControllerRow& row, DWORD filter) noexcept {
    if ((row.flags & ControllerFlags::Rpn) && !(filter & DeviceFilter::Rpn)) return false;
    if ((row.flags & ControllerFlags::Flag80) && !(filter & DeviceFilter::Flag80)) return false;
    if (row.kind == 0xB0) {
        if (!(filter & DeviceFilter::ControlChange)) return false;
    } else if (!(filter & DeviceFilter::OtherRows)) {
        return false;
    }
    const DWORD low = filter & DeviceFilter::LowBits;
    return low == 0 || (row.flags & low) != 0;
}

}  // namespace

int FindControllerFrom(LONG start, DWORD filter) noexcept {
    if (start < 0 || start >= kControllerRows) return -1;
    for (int row = static_cast<int>(start); row < kControllerRows; ++row) {
        if (Passes(kTable.rows[row], filter)) return row;
    }
    return -1;
}

int FindControllerOf(DWORD kind, DWORD number) noexcept {
    for (int row = 0; row < kControllerRows; ++row) {
        if (kTable.rows[row].kind == kind && kTable.rows[row].number == number) return row;
    }
    return -1;
}

void DescribeController(int row, ControllerDescription* description) noexcept {
    const ControllerRow& source = kTable.rows[row];
    description->index = row;
    description->flags = source.flags;
    description->word0xFFFF = kRowWord;
    description->kind = source.kind;
    description->number = source.number;
    description->displayType = source.displayType;
    description->mask = source.mask;
    description->minimum = source.minimum;
    description->maximum = source.maximum;
    description->defaultValue = source.defaultValue;
    if (description->name != nullptr && description->nameCapacity > 0) {
        QmLoadString(KernelLangHandle(), source.nameId, description->name, description->nameCapacity);
    }
}

}  // namespace qm
