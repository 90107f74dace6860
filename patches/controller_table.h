// The 136 MIDI controllers every instrument is offered with: poly pressure, pitch bend and aftertouch,
// the 128 control changes and five registered parameters, the same for every plug-in.
#pragma once
#include <cstdint>

#include "qmvsti/midi_device.h"

namespace qm {

inline constexpr int kControllerRows = 136;

// The kind of a registered-parameter row: this base plus the parameter's number, so that every row's
// (kind, number) pair is distinct and clear of the channel-message kinds.
inline constexpr DWORD kControllerKindRpn = 0x10000;

namespace ControllerFlags {
inline constexpr DWORD Rpn = 0x40;
inline constexpr DWORD Flag80 = 0x80;
} // namespace ControllerFlags

struct ControllerRow {
    DWORD flags;
    DWORD kind;
    DWORD number;
    DWORD displayType;
    DWORD mask;
    LONG minimum;
    LONG maximum;
    LONG defaultValue;
    UINT nameId;  // string table id
};

// Slot 44: the first row from `start` that passes `filter`, or -1.
int FindControllerFrom(LONG start, DWORD filter) noexcept;
// Slot 46: the first row of (kind, number), or -1.
int FindControllerOf(DWORD kind, DWORD number) noexcept;
// Fills everything but the caller's first word, the name from the string table into the caller's
// buffer.
void DescribeController(int row, ControllerDescription* description) noexcept;

}  // namespace qm
