// Process error mode: no system dialog when a module's dependencies are missing.
#pragma once
#include <cstdint>

namespace qm::platform {

constexpr uint32_t kNoOpenFileErrorBox = 0x8000;  // SEM_NOOPENFILEERRORBOX
// Sets the mode and returns the previous one (Linux has no such dialog: keeps a value only).
uint32_t SetProcessErrorMode(uint32_t mode) noexcept;

}  // namespace qm::platform
