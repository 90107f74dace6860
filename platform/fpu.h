// FPU control state around calls into plug-ins. Plug-ins unmask floating-point exceptions, change
// rounding or precision, or leave sticky flags set, and rarely put anything back; the host's own
// arithmetic must not inherit that.
#pragma once
#include <cstdint>

namespace qm::platform {

struct FloatingPointState {
    uint16_t x87Control = 0;  // FNSTCW
    uint32_t mxcsr = 0;       // STMXCSR
};

constexpr uint16_t kX87ExceptionMask = 0x003F;    // IM DM ZM OM UM PM in the control word
constexpr uint32_t kMxcsrExceptionFlags = 0x003F;  // IE DE ZE OE UE PE sticky flags
constexpr uint16_t kX87ExceptionFlags = 0x003F;    // IE DE ZE OE UE PE in the status word
constexpr uint32_t kMxcsrExceptionMask = 0x1F80;   // IM .. PM mask bits
constexpr uint32_t kMxcsrDefault = 0x1F80;         // everything masked, round to nearest

// The control word the OS starts threads with: 53-bit precision on Windows (what _fpreset restores),
// 64-bit extended precision on Linux; all exceptions masked, round to nearest on both.
uint16_t DefaultX87ControlWord() noexcept;

FloatingPointState SaveFloatingPointState() noexcept;
// Loads the saved control words after clearing every pending and sticky exception flag, so that no
// trap the routine armed fires later in the host.
void RestoreFloatingPointState(const FloatingPointState& state) noexcept;
// The _fpreset of both targets: empty x87 register stack, default control word, and MXCSR with all
// exceptions masked (mingw's own _fpreset is a bare fninit and leaves MXCSR as the plug-in set it).
void ResetFloatingPointUnit() noexcept;

}  // namespace qm::platform
