// Millisecond clock for MIDI time stamps and timeouts.
#pragma once
#include <cstdint>

namespace qm::platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the Windows tick count.
uint32_t MillisecondClock() noexcept;

}  // namespace qm::platform
